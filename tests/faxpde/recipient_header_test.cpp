// Recipients whose item holds a character the ticket escapes (the dialling pause "," of a line
// number, an apostrophe in a number or address), from the dialog through the built jobfilter to
// the device header; and what no item can carry (a double quote, braces): refused where it is
// typed, and a list that still cannot be written stops the job with a warning instead of
// printing a job without recipients.
#include <gtest/gtest.h>

#include "../support/jobfilter_fixture.h"
#include "faxpde/DeviceOptionPanel.h"
#include "nx/ticket/recipient_ticket.h"
#include "pdehost/JobOptions.h"
#include "recipient_steps.h"

namespace {

using namespace faxpde::testing;
using nx::ticket::EscapeTicketValue;
using pdehost::DialogOutcome;

constexpr const char* kInvalidNumber = "Warning_Invalid_Input_Number_ID";

std::string DO(const std::string& body) { return R"({"panel": ")" + std::string(kDeviceOptionKind) + R"(", )" + body + "}"; }
std::string DOEnter(int tag, const std::string& text) {
  return DO(R"("action": "enter", "tag": )" + std::to_string(tag) + R"(, "text": )" + Json(text));
}

class RecipientHeader : public nx::testing::JobfilterTest {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(MakeJobFolder("faxpde-rcpt", true)); }

  // The recipient attributes of the header the filter writes for the dialog's job options, on a
  // system that reports the device options (its "PPD:" lines are then in errors_).
  std::vector<std::string> RecipientAttributes(const pdehost::DialogReport& report) {
    std::string stream = RunJobfilter("7", "Memo", pdehost::FormatOptionString(report.jobOptions),
                                      {"PPD=" + std::string(NX_SOURCE_DIR) + "/ppd/nxfax.ppd",
                                       "NX_KERNEL_RELEASE=14.5.0"});
    stream = stream.substr(0, stream.find("@PJL ENTER LANGUAGE"));
    std::vector<std::string> out;
    const std::string head = "@PJL SET JOBATTR=\"@";
    for (size_t at = stream.find(head); at != std::string::npos; at = stream.find(head, at + 1)) {
      const size_t end = stream.find("\"\r\n", at);
      if (end == std::string::npos) break;
      const std::string attribute = stream.substr(at + head.size(), end - at - head.size());
      if (attribute.rfind("FAEN=", 0) == 0 || attribute.rfind("SFEN=", 0) == 0) out.push_back(attribute);
    }
    return out;
  }
};


TEST_F(RecipientHeader, LineNumbersWithADiallingPauseAreDialledAsTyped) {
  FaxHost h(User{"root", true});
  const auto report = h.Play(Scenario({{DOEnter(312, "9,"), DOEnter(314, "0,"), Print()},
                                       TypedRecipient("Abc", "0312345678"),
                                       TypedRecipient("Def", "0398765432"),
                                       Communication(1, {SelectItem(23, 1, kCommWindow)}),
                                       Confirm()}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  // The panel writes the line numbers in their byte-list form; the items carry the text.
  EXPECT_EQ(Option(report, faxpde::kOutlineTicketKey), "/57/44");
  EXPECT_EQ(Option(report, faxpde::kInlineTicketKey), "/48/44");
  const std::string outside = "FAEN=9,0312345678{20}{30}{7QWJj}{}comment";
  const std::string extension = "FAEN=0,0398765432{21}{30}{7RGVm}{}comment";
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), EscapeTicketValue(outside));
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket1")), EscapeTicketValue(extension));

  EXPECT_EQ(RecipientAttributes(report), (std::vector<std::string>{outside, extension})) << errors_;
  // The same run reports the device options with the same numbers.
  EXPECT_NE(errors_.find("PPD: OutlineNumberEtxt=\"9,\"\n"), std::string::npos) << errors_;
  EXPECT_NE(errors_.find("PPD: InlineNumberEtxt=\"0,\"\n"), std::string::npos) << errors_;
}

TEST_F(RecipientHeader, LineNumbersTheTicketEscapesKeepTheirBytes) {
  // A line number starting with "/" or holding an apostrophe or a backslash is escaped as well.
  for (const std::string& outline : {std::string("/9"), std::string("9'"), std::string("8\\")}) {
    FaxHost h(User{"root", true});
    const auto report = h.Play(Scenario({{DOEnter(312, outline), Print()}, TypedRecipient("", "0311"), Confirm()}));
    ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << outline << Failures(report);
    EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")),
              EscapeTicketValue("FAEN=" + outline + "0311{20}{30}{}comment"))
        << outline;
  }
}

TEST_F(RecipientHeader, ApostropheInANumberAndAnAddressReachesTheHeaderByteForByte) {
  FaxHost h(User{"root", true});
  const auto report = h.Play(Scenario(
      {{DO(R"("action": "select", "tag": 302, "index": 3)"), Print()},  // fax and IP fax
       TypedRecipient("Abc", "03'11"),
       {SelectItem(11, 2), Enter(2, "Obi"), Enter(7, "sip:o'brien@example.com"), Click(5)},
       Confirm()}));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_TRUE(report.alerts.empty()) << Failures(report);
  const std::string fax = "FAEN=03'11{20}{30}{7QWJj}{}comment";
  const std::string ip = "SFEN=sip:o'brien@example.com{22}{30}{7T2Jp}{}comment";
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "2");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")).rfind("/70/65/69/78/61/48/51/39/49/49/123", 0), 0u);
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket1")), EscapeTicketValue(ip));
  EXPECT_EQ(RecipientAttributes(report), (std::vector<std::string>{fax, ip})) << errors_;
}

TEST(RecipientEntry, CharactersNoItemCarriesAreRefusedWhereTheyAreTyped) {
  FaxHost h(User{"root", true});
  std::vector<std::vector<std::string>> steps{{DO(R"("action": "select", "tag": 302, "index": 3)"), Print()}};
  for (const char* number : {"03\"11", "03{5}11", "0311}"}) {
    steps.push_back(TypedRecipient("A", number));
    steps.push_back({Answer(0, kInvalidNumber)});
  }
  steps.push_back({SelectItem(11, 2), Enter(2, "Sip"), Enter(7, "sip:\"x\"@example.com"), Click(5),
                   Answer(0, kInvalidNumber), SelectItem(11, 0)});
  steps.push_back(TypedRecipient("Abc", "0312345678"));
  // Editing the listed number into one with a brace is refused too; Cancel keeps it as it was.
  steps.push_back({In(kRecipientWindow, R"("action": "selectRows", "tag": 4, "rows": [0])"), Click(15),
                   Enter(8, "03{1", kInfoWindow), Click(18, kInfoWindow), Answer(0, kInvalidNumber),
                   Click(17, kInfoWindow)});
  steps.push_back(Confirm());
  const auto report = h.Play(Scenario(steps));
  ASSERT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  ASSERT_EQ(report.alerts.size(), 5u) << Failures(report);
  for (const auto& a : report.alerts) EXPECT_EQ(a.alert.title_key, "Warning_Add_Recipient_to_List_Win_Title_ID");
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "1");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0312345678{20}{30}{7QWJj}{}comment");
}

TEST(RecipientEntry, ListThatCannotBeWrittenStopsTheJobWithAWarning) {
  // An administrator stored a line number with braces before the panel refused them; another
  // user cannot change it, and no item can carry it.
  StoredOptions options;
  options.outline = "{5}";
  FaxHost h(User{"bob", false}, PreferencesWith(options));
  const auto report = h.Play(Scenario({{Print()},
                                       TypedRecipient("Abc", "0312345678"),
                                       Confirm(),
                                       {Answer(0, "Warning_Recipient_List_Not_Written_ID")}}));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled) << Failures(report);
  ASSERT_EQ(report.alerts.size(), 1u) << Failures(report);
  EXPECT_EQ(report.alerts[0].alert.title_key, "Warning_String_Title_ID");
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "<absent>");
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "<absent>");
}

// Generation 2 devices take no apostrophe in an item, and the filter refuses such a job for them:
// the dialog stops it with the warning instead of saying it printed; other numbers still print.
TEST(RecipientEntry, GenerationTwoDevicesStopAQuotedNumberInTheDialog) {
  PPDVariant ppd(Lines{{"*DefaultNXPlatformGeneration:", "*DefaultNXPlatformGeneration: 2"}});
  FaxHost h(User{"root", true});
  auto report = h.Play(Scenario({{Print()}, TypedRecipient("Abc", "03'11"), Confirm(),
                                 {Answer(0, "Warning_Recipient_List_Not_Written_ID")}}),
                       h.Setup(ppd.Path()));
  EXPECT_EQ(report.outcome, DialogOutcome::kCancelled) << Failures(report);
  ASSERT_EQ(report.alerts.size(), 1u) << Failures(report);
  EXPECT_EQ(Option(report, Key("DFRecipientListCountTicket")), "<absent>");

  FaxHost plain(User{"root", true});
  report = plain.Play(Scenario({{Print()}, TypedRecipient("Abc", "0311"), Confirm()}), plain.Setup(ppd.Path()));
  EXPECT_EQ(report.outcome, DialogOutcome::kPrinted) << Failures(report);
  EXPECT_EQ(Option(report, Key("DFRecipientListItemKeyTicket0")), "FAEN=0311{20}{30}{7QWJj}{}comment");
}

}  // namespace
