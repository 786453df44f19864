// Validation of loaded books (entries that break a field rule are removed) and of GAD books
// (refused as a whole).
#include <gtest/gtest.h>

#include "model_fixture.h"

namespace pbmodel {
namespace {

using Strings = std::vector<std::string>;

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct FieldCase {
  const char* name;
  std::vector<std::pair<const char*, std::string>> changes;
  bool valid;
};

FaxRecord Changed(const FieldCase& c) {
  FaxRecord e = WithId(Person("Taro", "0311"), "1");
  for (const auto& [key, value] : c.changes) FaxRecordSetText(e, key, value);
  return e;
}

class IndividualRuleTest : public ModelTest, public ::testing::WithParamInterface<FieldCase> {};

TEST_P(IndividualRuleTest, DecidesWhetherTheEntryStays) {
  EXPECT_EQ(model_->isValidIndividual(Changed(GetParam())), GetParam().valid);
}

const std::string kKanji40 = Repeat("\xe6\xbc\xa2", 40);  // 漢 x 40

INSTANTIATE_TEST_SUITE_P(
    Fields, IndividualRuleTest,
    ::testing::Values(
        FieldCase{"Plain", {}, true}, FieldCase{"IdZeroMarksADamagedRecord", {{"Id", "0"}}, false},
        FieldCase{"IdNotANumber", {{"Id", "12a"}}, false},
        FieldCase{"Name40Kanji", {{"Name", kKanji40}}, true},
        FieldCase{"Name41", {{"Name", Repeat("a", 41)}}, false},
        FieldCase{"NameOutsideJis", {{"Name", "\xf0\x9f\x98\x80"}}, false},
        FieldCase{"NameMalformed", {{"Name", "\xff"}}, false},
        FieldCase{"FaxNumber100", {{"Address", Repeat("1", 100)}}, true},
        FieldCase{"FaxNumber101", {{"Address", Repeat("1", 101)}}, false},
        FieldCase{"FaxNumberBracket", {{"Address", "03[1]"}}, false},
        // The entry fields refuse what no fax job carries; a stored book keeps such entries, so
        // that its next save does not lose them.
        FieldCase{"StoredFaxNumberQuote", {{"Address", "03\"11"}}, true},
        FieldCase{"StoredIPFaxBraces", {{"AddressType", "4"}, {"SIPFAXAddress", "sip:{x}@example.com"}}, true},
        FieldCase{"IPFax128", {{"AddressType", "4"}, {"SIPFAXAddress", Repeat("s", 128)}}, true},
        FieldCase{"IPFax129", {{"AddressType", "4"}, {"SIPFAXAddress", Repeat("s", 129)}}, false},
        FieldCase{"Company60", {{"Company", Repeat("c", 60)}}, false},
        FieldCase{"Memo254", {{"Memo", Repeat("m", 254)}}, true},
        FieldCase{"Tel47", {{"Tel", Repeat("1", 47)}}, false},
        FieldCase{"EmailWithSpace", {{"Email", "a b@example.com"}}, false},
        FieldCase{"MailBoxIdEmpty", {{"MailBoxId", ""}}, true},
        FieldCase{"MailBoxId4Digits", {{"MailBoxId", "1234"}}, false},
        FieldCase{"PasscodeLetter", {{"MailBoxPassword", "12a4"}}, false},
        FieldCase{"RelayStation3Digits", {{"RlyID", "123"}}, false},
        FieldCase{"FCodeSigns", {{"FCode", "12#* 3"}, {"FCodePassword", "99"}}, true},
        FieldCase{"FCodeLetter", {{"FCode", "12a"}}, false},
        FieldCase{"CommModeTwoDigits", {{"CommMode", "10"}}, false},
        FieldCase{"LineTypeEmpty", {{"LineType", ""}}, false},
        FieldCase{"ShortTimeStamp", {{"TimeStamp", "20240102"}}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModelTest, RelayDestinationsAreTheWindowsForms) {
  FaxRecord e = WithId(Person("Taro", "0311"), "1");
  FaxRecordSetList(e, "RlyDestList", {"005", "0**", "0#3"});
  EXPECT_TRUE(model_->isValidIndividual(e));
  FaxRecordSetList(e, "RlyDestList", {"005", ""});
  EXPECT_FALSE(model_->isValidIndividual(e));
  FaxRecordSetList(e, "RlyDestList", {"5a"});
  EXPECT_FALSE(model_->isValidIndividual(e));
}

TEST_F(ModelTest, GroupRules) {
  const std::vector<std::pair<FaxRecord, bool>> cases = {
      {Team("Sales", {"1", "2#"}, "G1"), true},
      {Team("", {"1"}, "G1"), false},
      {Team("  \xe3\x80\x80", {"1"}, "G1"), false},  // spaces and an ideographic space
      {Team(Repeat("g", 41), {"1"}, "G1"), false},
      {Team("Sales", {"G2"}, "G1"), false},
      {Team("Sales", {""}, "G1"), false},
      {Team("Sales", {}, "G1"), true},
  };
  for (const auto& [group, valid] : cases) {
    EXPECT_EQ(model_->isValidGroup(group), valid) << FaxRecordText(group, "GroupName");
  }
  FaxRecord miscounted = Team("Sales", {"1", "2"}, "G1");
  FaxRecordSetText(miscounted, "EntryNum", "3");
  EXPECT_FALSE(model_->isValidGroup(miscounted));
  Strings many;
  for (int i = 1; i <= 51; ++i) many.push_back(std::to_string(i));
  EXPECT_FALSE(model_->isValidGroup(Team("Big", many, "G1")));
}

TEST_F(ModelTest, LoadedBooksLoseOnlyTheirInvalidEntries) {
  model_->addAddrsFromPBByType(WithId(Person("Good", "0311"), "1"), kFaxPBIndividuals);
  model_->addAddrsFromPBByType(WithId(Person("Bad", "03[1]"), "2"), kFaxPBIndividuals);
  model_->addAddrsFromPBByType(Team("Ok", {"1"}, "G1"), kFaxPBGroups);
  model_->addAddrsFromPBByType(Team("", {"1"}, "G2"), kFaxPBGroups);
  EXPECT_FALSE(model_->checkGAPoFAPIsValidate());
  EXPECT_EQ(Ids(People()), Strings{"1"});
  EXPECT_EQ(Ids(Teams()), Strings{"G1"});
  EXPECT_EQ(model_->phoneBookIDs(), Strings{"1"});
  EXPECT_FALSE(model_->checkDuplicate(Person("Bad", "03[1]"), kFaxPBIndividuals));
  EXPECT_TRUE(model_->checkGAPoFAPIsValidate());
}

// ---- GAD books ------------------------------------------------------------------------------------

struct GadCase {
  const char* name;
  GadFile file;
  bool valid;
};

class GadRuleTest : public ModelTest, public ::testing::WithParamInterface<GadCase> {};

TEST_P(GadRuleTest, RefusesTheWholeBookAtTheFirstBrokenRule) {
  const std::string path = dir_.File("book.fad");
  pbtest::WriteFile(path, GetParam().file.bytes());
  ASSERT_TRUE(model_->readGADFile(path));
  EXPECT_EQ(model_->checkGADIsValidate(), GetParam().valid);
  EXPECT_EQ(model_->gadAddrs().empty(), !GetParam().valid);
}

GadFile Base() { return GadFile().Person(1, u"Taro", u"0311").Person(2, u"Jiro", u"0322"); }

INSTANTIATE_TEST_SUITE_P(
    Books, GadRuleTest,
    ::testing::Values(GadCase{"Valid", GadFile(Base()).Team(1, u"T", {1, 2}), true},
                      GadCase{"RepeatedId", GadFile(Base()).Person(2, u"Saburo", u"0333"), false},
                      GadCase{"EmptyName", GadFile(Base()).Person(3, u"", u"0333"), false},
                      GadCase{"EmptyNumber", GadFile(Base()).Person(3, u"S", u""), false},
                      GadCase{"NumberWithBracket", GadFile(Base()).Person(3, u"S", u"[1]"), false},
                      GadCase{"NumberWithApostrophe", GadFile(Base()).Person(3, u"S", u"03'1"), true},
                      GadCase{"NumberWithBrace", GadFile(Base()).Person(3, u"S", u"03{1}"), false},
                      GadCase{"NumberWithQuote", GadFile(Base()).Person(3, u"S", u"03\"1"), false},
                      GadCase{"CommModeAbove2", GadFile(Base()).Person(3, u"S", u"03", 3), false},
                      GadCase{"UnknownMember", GadFile(Base()).Team(1, u"T", {1, 9}), false},
                      GadCase{"RepeatedGroup", GadFile(Base()).Team(1, u"T", {1}).Team(1, u"U", {2}), false},
                      GadCase{"EmptyGroupName", GadFile(Base()).Team(1, u"", {1}), false},
                      GadCase{"ThirtyOneMembers",
                              GadFile(Base()).Team(1, u"T", std::vector<unsigned>(31, 1)), false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pbmodel
