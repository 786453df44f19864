// Scenario files: what is accepted and how a bad file is reported; option strings.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "pdehost/JobOptions.h"
#include "pdehost/Scenario.h"
#include "pdekit/PDEHost.h"

namespace {

using namespace pdehost;
using ::testing::HasSubstr;

TEST(Scenario, ReadsEveryPartAndResolvesPathsFromItsFolder) {
  Scenario s;
  std::string why;
  ASSERT_TRUE(ParseScenario(R"({
    "description": "x", "queue": "Fax", "ppd": "q.ppd", "destination": "preview",
    "options": {"job-sheets": "none", "copies": 2, "collate": true},
    "refuseOptions": ["Duplex"], "bundles": ["B.plugin", "A.plugin"], "show": ["#1"],
    "steps": [
      {"action": "select", "window": "W", "tag": 3, "item": "Fine"},
      {"action": "setDate", "panel": "P", "tag": 4, "time": "23:05", "date": "2024-12-31"},
      {"action": "chooseFile", "path": "book.fap"},
      {"action": "answerAlert", "button": 1, "titleKey": "T"},
      {"action": "set", "panel": "P", "tag": 1, "value": true},
      {"action": "expect", "panel": "P", "tag": 2, "itemsEnabled": [true, false], "time": "07:00"}
    ],
    "expectSettings": {"a": "1", "b": null}})",
                            "/base", &s, &why))
      << why;
  EXPECT_EQ(s.queue, "Fax");
  EXPECT_EQ(s.ppd, "/base/q.ppd");
  EXPECT_EQ(s.destination, pdekit::kPMDestinationPreview);
  EXPECT_EQ(s.options, (std::vector<std::pair<std::string, std::string>>{
                           {"collate", "true"}, {"copies", "2"}, {"job-sheets", "none"}}));
  EXPECT_EQ(s.bundles, (std::vector<std::string>{"B.plugin", "A.plugin"}));
  ASSERT_EQ(s.steps.size(), 6u);
  EXPECT_EQ(s.steps[0].itemTitle, "Fine");
  EXPECT_EQ(s.steps[1].date.year, 2024);
  EXPECT_EQ(s.steps[1].date.hour, 23);
  EXPECT_EQ(s.steps[2].text, "/base/book.fap");
  EXPECT_EQ(s.steps[3].index, 1);
  EXPECT_EQ(std::get<int>(s.steps[4].value), 1);
  EXPECT_EQ(s.steps[5].expect.itemsEnabled, (std::vector<bool>{true, false}));
  ASSERT_EQ(s.expectSettings.size(), 2u);
  EXPECT_FALSE(s.expectSettings[1].second.has_value());
}

TEST(Scenario, DescriptionsNeverCarryTypedText) {
  Scenario s;
  std::string why;
  ASSERT_TRUE(ParseScenario(R"({"steps": [{"action": "enter", "window": "W", "tag": 5, "text": "s3cret"}]})", "", &s,
                            &why));
  EXPECT_EQ(s.steps[0].Describe(), "step 1 (enter tag 5 of 6 bytes in window W)");
}

struct BadCase {
  const char* json;
  const char* message;
};

class BadScenarioTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadScenarioTest, IsRefusedWithItsPlace) {
  Scenario s;
  std::string why;
  EXPECT_FALSE(ParseScenario(GetParam().json, "", &s, &why));
  EXPECT_THAT(why, HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadScenarioTest,
    ::testing::Values(
        BadCase{R"({"steps": [)", "not valid JSON"}, BadCase{"[]", "scenario: must be a JSON object"},
        BadCase{R"({"step": []})", "scenario: unexpected field \"step\""},
        BadCase{R"({"destination": "printr"})", "unknown destination \"printr\""},
        BadCase{R"({"options": {"a": [1]}})", "option \"a\" must be a string"},
        BadCase{R"({"steps": [{"action": "clik", "panel": "P", "tag": 1}]})", "step 1: unknown action \"clik\""},
        BadCase{R"({"steps": [{}]})", "step 1: \"action\" is missing"},
        BadCase{R"({"steps": [{"action": "print"}, {"action": "click", "panel": "P"}]})",
                "step 2 (click): \"tag\" is missing"},
        BadCase{R"({"steps": [{"action": "click", "tag": 1}]})",
                "step 1 (click): needs exactly one of \"panel\" and \"window\""},
        BadCase{R"({"steps": [{"action": "click", "panel": "P", "window": "W", "tag": 1}]})",
                "needs exactly one of \"panel\" and \"window\""},
        BadCase{R"({"steps": [{"action": "click", "panel": "P", "tag": "1"}]})",
                "step 1 (click): \"tag\" must be an integer, not a string"},
        BadCase{R"({"steps": [{"action": "click", "panel": "P", "tag": 1, "text": "x"}]})",
                "step 1 (click): unexpected field \"text\""},
        BadCase{R"({"steps": [{"action": "select", "panel": "P", "tag": 1}]})",
                "needs exactly one of \"index\" and \"item\""},
        BadCase{R"({"steps": [{"action": "setDate", "panel": "P", "tag": 1, "time": "25:00"}]})",
                "\"time\" must be \"HH:MM\""},
        BadCase{R"({"steps": [{"action": "set", "panel": "P", "tag": 1, "value": [1]}]})",
                "\"value\" must be an integer, a string or true/false, not a list"},
        BadCase{R"({"steps": [{"action": "expect", "panel": "P", "tag": 1}]})", "names nothing to check"},
        BadCase{R"({"steps": [{"action": "answerAlert", "button": -1}]})", "\"button\" must not be negative"},
        BadCase{R"({"steps": [{"action": "show"}]})", "step 1 (show): \"panel\" is missing"},
        BadCase{R"({"steps": [{"action": "print", "panel": "P"}]})", "step 1 (print): unexpected field \"panel\""},
        BadCase{R"({"expectSettings": []})", "\"expectSettings\" must be an object"}));

// ---- Option strings ----

class OptionStringTest : public ::testing::TestWithParam<std::string> {};

TEST_P(OptionStringTest, ReadsBackIntoTheSameValue) {
  const JobOptionList options{{"com.norvalex.nb.qtz.printsettings.NoteTicket", GetParam()}, {"copies", "1"}};
  EXPECT_EQ(ParseOptionString(FormatOptionString(options)), options) << FormatOptionString(options);
}

INSTANTIATE_TEST_SUITE_P(Values, OptionStringTest,
                         ::testing::Values("plain", "", "two words", "it's", "say \"hi\"", "back\\slash",
                                           "/97/44/98", "a,b", "{braces}", "tab\there", "caf\xC3\xA9",
                                           "2024:12:31:08:30", "QUJD+/=="));

TEST(OptionString, Format) {
  EXPECT_EQ(FormatOptionString({{"a", "1"}, {"b", "x y"}, {"c", ""}}), "a=1 b=x\\ y c=''");
}

}  // namespace
