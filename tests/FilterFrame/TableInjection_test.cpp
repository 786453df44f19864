// Ticket values are any submitter's to choose. Through every text field the header sends (plain
// texts, passwords, pages per sheet, recipient items) a value carrying quotes, line ends and
// escape bytes must stay inside its own attribute: the header keeps exactly the line structure
// it has with a harmless value.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "TableTestSupport.h"

namespace nx::filter {
namespace {

using test::ByteList;
using test::Entries;
using test::ScopedEnv;
using test::TestArgs;
using test::Visible;

struct FieldCase {
  const char* name;      // the ticket setting (or whole key) of the field
  Entries enabling;      // what makes its row send the field
  bool byteList = true;  // the value goes as a byte list (else single-quoted, as it is)
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

const std::string kHostile = "Q\"Z\r\n@PJL SET HOLD=OFF\r\n\x1b%-12345X\"\x7f\x01";
const std::string kHarmless = "QZ";

std::string HeaderWith(const FieldCase& c, const std::string& value) {
  Entries ticket = c.enabling;
  ticket.push_back({c.name, c.byteList ? ByteList(value) : "'" + value + "'"});
  auto job = test::FreshJob();
  const TestArgs args(test::OptionString(ticket));
  EXPECT_EQ(test::ReadTicket(args.Into(*job)), 1);
  test::SetNames(*job, {.document = "Report"});
  return test::Header(args.Into(*job));
}

std::size_t CountOf(const std::string& s, char c) {
  return static_cast<std::size_t>(std::count(s.begin(), s.end(), c));
}

class HeaderInjectionTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(HeaderInjectionTest, ValueStaysInsideItsAttribute) {
  ScopedEnv noPpd("PPD", std::nullopt);
  const std::string harmless = HeaderWith(GetParam(), kHarmless);
  const std::string hostile = HeaderWith(GetParam(), kHostile);
  ASSERT_NE(harmless.find("QZ"), std::string::npos) << "the field is not sent:\n"
                                                    << Visible(harmless);
  EXPECT_NE(hostile.find("QZ"), std::string::npos) << Visible(hostile);
  for (char c : {'\n', '\r', '"', '\x1b', '\x7f', '\x01'}) {
    EXPECT_EQ(CountOf(hostile, c), CountOf(harmless, c)) << "byte " << int(c) << "\n"
                                                         << Visible(hostile);
  }
  EXPECT_EQ(hostile.find("\n@PJL SET HOLD=OFF"), std::string::npos) << Visible(hostile);
}

const Entries kUserMode = {{"JBAManageTypeListTicketKey", "2"},
                           {"JBAUserSettingRadioBtnTicket", "1"}};
const Entries kAdminMode = {{"JBAManageTypeListTicketKey", "1"},
                            {"JBAAdminUserSettingRadioBtnTicket", "1"}};

Entries With(Entries base, const Entries& more) {
  base.insert(base.end(), more.begin(), more.end());
  return base;
}

INSTANTIATE_TEST_SUITE_P(
    Fields, HeaderInjectionTest,
    ::testing::Values(
        FieldCase{"PrintTypeUserNameTicketKey", {{"PrintTypeTicketKey", "2"}}},
        FieldCase{"PrintTypePasswordTicketKey",
                  {{"PrintTypeTicketKey", "2"}, {"PrintTypeUserNameTicketKey", "U1"}}},
        FieldCase{"DocumentNameTicketKey",
                  {{"PrintTypeTicketKey", "2"}, {"DocumentNameTypeTicketKey", "2"}}},
        FieldCase{"DelayPrintTicketKey", {{"PrintTypeTicketKey", "4"}}},
        FieldCase{"PrintTypeMBNTicketKey", {{"PrintTypeTicketKey", "5"}}},
        FieldCase{"PrintTypeMBNPasswordTicketKey", {{"PrintTypeTicketKey", "5"}}},
        FieldCase{"JBAUserIDTextEditTicket", With(kUserMode, {{"JBAUserIDListCtrlTicket", "2"}})},
        FieldCase{
            "JBAUserPasswordTextEditTicket",
            With(kUserMode, {{"JBAUserIDListCtrlTicket", "2"}, {"JBAUserIDTextEditTicket", "A"}})},
        FieldCase{"JBADomainNameTextEditTicket", kUserMode},
        FieldCase{"JBAAccountIDTextEditTicket", kUserMode},
        FieldCase{"JBAStorageIDTextEditTicket", kUserMode},
        FieldCase{"JBAStoragePasswordTextEditTicket",
                  With(kUserMode, {{"JBAStorageIDTextEditTicket", "S"}})},
        FieldCase{"JBAInputUserIDTextEditTicket",
                  {{"JBAManageTypeListTicketKey", "2"},
                   {"JBAUserInputRadioBtnTicket", "1"},
                   {"JBAInputAuthRadioBtnTicketKey", "1"}}},
        FieldCase{"JBAInputUserPasswordTextEditTicket",
                  {{"JBAManageTypeListTicketKey", "2"},
                   {"JBAUserInputRadioBtnTicket", "1"},
                   {"JBAInputAuthRadioBtnTicketKey", "1"},
                   {"JBAInputUserIDTextEditTicket", "I"}}},
        FieldCase{"JBAInputDomainNameTextEditTicket",
                  {{"JBAManageTypeListTicketKey", "1"},
                   {"JBAAdminUserInputRadioBtnTicket", "1"},
                   {"JBAInputAuthRadioBtnTicketKey", "1"}}},
        FieldCase{"JBAInputAccountIDTextEditTicket",
                  {{"JBAManageTypeListTicketKey", "1"},
                   {"JBAAdminUserInputRadioBtnTicket", "1"},
                   {"JBAInputAuthRadioBtnTicketKey", "1"}}},
        FieldCase{"JBAInputStorageIDTextEditTicket",
                  {{"JBAManageTypeListTicketKey", "2"},
                   {"JBAUserInputRadioBtnTicket", "1"},
                   {"JBAInputStrgRadioBtnTicketKey", "1"}}},
        FieldCase{"JBAInputStoragePasswordTextEditTicket",
                  {{"JBAManageTypeListTicketKey", "1"},
                   {"JBAAdminUserInputRadioBtnTicket", "1"},
                   {"JBAInputStrgRadioBtnTicketKey", "1"},
                   {"JBAInputStorageIDTextEditTicket", "S"}}},
        FieldCase{"JBAAdminUserIDTextEditTicket",
                  With(kAdminMode, {{"JBAAdminUserIDListCtrlTicket", "2"}})},
        FieldCase{"JBAAdminUserPasswordTextEditTicket",
                  With(kAdminMode, {{"JBAAdminUserIDListCtrlTicket", "2"},
                                    {"JBAAdminUserIDTextEditTicket", "A"}})},
        FieldCase{"JBAAdminDomainNameTextEditTicket", kAdminMode},
        FieldCase{"JBAAdminAccountIDTextEditTicket", kAdminMode},
        FieldCase{"JBAAdminStorageIDTextEditTicket", kAdminMode},
        FieldCase{"JBAAdminStoragePasswordTextEditTicket",
                  With(kAdminMode, {{"JBAAdminStorageIDTextEditTicket", "S"}})},
        FieldCase{"number-up", {}, false},
        FieldCase{"TabMarginMMShiftTicket", {{"TabMarginSwitchTicket", "1"}}},
        FieldCase{"TrimmerMMCuttingSizeTicket", {{"TrimmerSwitchTicket", "1"}}},
        FieldCase{"NumInSequenceLArrowTicket", {{"NumInSequenceSwitchTicket", "1"}}},
        FieldCase{"OffsetStackingPagesLArrowTicket", {{"OffsetStackingListTicket", "4"}}},
        FieldCase{"OffsetStackingUnitsLArrowTicket", {{"OffsetStackingListTicket", "5"}}},
        FieldCase{"DFDelaySendDummyKeyTicket", {}}, FieldCase{"DFDelaySendKeyTicket", {}},
        FieldCase{"DFRecipientPaperSizeTicket", {}},
        FieldCase{"DFRecipientListItemKeyTicket0", {{"DFRecipientListCountTicket", "1"}}}),
    [](const auto& info) {
      std::string name = info.param.name;
      name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
      return name;
    });

}  // namespace
}  // namespace nx::filter
