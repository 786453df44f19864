// Localized filter messages: table look-up by language, the guard against faulty translations, and
// the message line format.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "FilterLog.h"
#include "PdfTestSupport.h"

namespace nx::filter {
namespace {

class FilterLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("NX_DATA_DIR", NX_SOURCE_DIR "/CommonSource/FilterFrame/Resources", 1);
    saved_ = FilterLanguages();
  }
  void TearDown() override {
    FilterSetLanguages(saved_);
    unsetenv("NX_DATA_DIR");
  }
  std::vector<std::string> saved_;
};

struct LanguageCase {
  std::vector<std::string> languages;
  const char* expected;
};

class FilterLogLanguage : public FilterLogTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(FilterLogLanguage, PicksTheTableOfTheFirstLanguageThatHasOne) {
  FilterSetLanguages(GetParam().languages);
  EXPECT_EQ(FilterLocalizedFormat("Unable to open raster file - %s"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Languages, FilterLogLanguage,
                         ::testing::Values(LanguageCase{{"ja"}, "ラスタファイルを開けません - %s"},
                                           LanguageCase{{"ja_JP.UTF-8"}, "ラスタファイルを開けません - %s"},
                                           LanguageCase{{"ja-JP"}, "ラスタファイルを開けません - %s"},
                                           LanguageCase{{"de_DE", "ja"}, "ラスタファイルを開けません - %s"},
                                           LanguageCase{{"en-US"}, "Unable to open raster file - %s"},
                                           LanguageCase{{"C"}, "Unable to open raster file - %s"},
                                           LanguageCase{{"../../../etc"}, "Unable to open raster file - %s"},
                                           LanguageCase{{}, "Unable to open raster file - %s"}));

TEST_F(FilterLogTest, TranslationsWithOtherConversionsThanTheKeyAreNotUsed) {
  const std::string root = test::PdfTestDir();
  ::mkdir((root + "/jobfilter").c_str(), 0755);
  ::mkdir((root + "/jobfilter/xx.lproj").c_str(), 0755);
  std::ofstream(root + "/jobfilter/xx.lproj/Localizable.strings")
      << "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
         "<key>A %d</key><string>a %s</string>"          // wrong type
         "<key>B %s</key><string>b %s %s</string>"       // one too many
         "<key>C %u</key><string>c %n</string>"          // writes memory
         "<key>D %d</key><string>d %1$d</string>"        // positional
         "<key>E %.0f%%</key><string>e %5.1f%%</string>"  // same kinds: used
         "<key>F</key><integer>3</integer>"
         "</dict></plist>";
  setenv("NX_DATA_DIR", root.c_str(), 1);
  FilterSetLanguages({"xx"});
  for (const char* key : {"A %d", "B %s", "C %u", "D %d", "F"}) EXPECT_EQ(FilterLocalizedFormat(key), key);
  EXPECT_EQ(FilterLocalizedFormat("E %.0f%%"), "e %5.1f%%");
}

TEST_F(FilterLogTest, WritesOneLevelLineAndDropsOverlongMessages) {
  FilterSetLanguages({"ja"});
  EXPECT_EQ(test::CaptureStderr([] { LogMessage("ERROR", "Unable to allocate %u bytes!", 4096u); }),
            "ERROR: 4096 バイトのメモリを確保できません\n");
  FilterSetLanguages({});
  const std::string fits(2047 - 4, 'x');
  EXPECT_EQ(test::CaptureStderr([&] { LogMessage("INFO", "abc %s", fits.c_str()); }), "INFO: abc " + fits + "\n");
  EXPECT_EQ(test::CaptureStderr([&] { LogMessage("INFO", "abcd %s", fits.c_str()); }), "");
}

// The main flow refuses jobs before SetLocale runs: the environment's language serves meanwhile,
// without becoming the process's language; a language already set wins.
TEST_F(FilterLogTest, MessagesBeforeSetLocaleTakeTheEnvironmentsLanguage) {
  const char* key = "Fax recipient %d of %d is empty.";
  struct Case {
    std::vector<std::string> set;
    const char* appleLanguage;
    const char* lang;
    const char* expected;
  } cases[] = {
      {{}, "ja", "en_US.UTF-8", "ファクス宛先 2 (全 3 件中) が空です"},
      {{}, "", "ja_JP.UTF-8", "ファクス宛先 2 (全 3 件中) が空です"},
      {{}, nullptr, nullptr, "Fax recipient 2 of 3 is empty."},
      {{"en"}, nullptr, "ja_JP.UTF-8", "Fax recipient 2 of 3 is empty."},
  };
  std::optional<std::string> saved[2];
  const char* names[2] = {"APPLE_LANGUAGE", "LANG"};
  for (int i = 0; i < 2; ++i) {
    if (const char* v = std::getenv(names[i])) saved[i] = v;
  }
  for (const Case& c : cases) {
    FilterSetLanguages(c.set);
    if (c.appleLanguage) setenv("APPLE_LANGUAGE", c.appleLanguage, 1); else unsetenv("APPLE_LANGUAGE");
    if (c.lang) setenv("LANG", c.lang, 1); else unsetenv("LANG");
    EXPECT_EQ(FilterLocalizedMessage(key, 2, 3), c.expected) << (c.lang ? c.lang : "-");
    EXPECT_EQ(FilterLanguages(), c.set) << "nothing stored";
  }
  for (int i = 0; i < 2; ++i) {
    if (saved[i]) setenv(names[i], saved[i]->c_str(), 1); else unsetenv(names[i]);
  }
  // Both tables carry every refusal text.
  for (const char* text : {"Fax recipient %d of %d is missing from the job.",
                           "The fax job has %d recipients; a job takes at most %d."}) {
    FilterSetLanguages({"ja"});
    EXPECT_NE(FilterLocalizedFormat(text), text);
    FilterSetLanguages({"en"});
    EXPECT_EQ(FilterLocalizedFormat(text), text);
  }
}

// A user reads the ERROR line in the print system's job state: every one the filter can write has
// a text in both tables (a format missing from a table is written in English).
TEST_F(FilterLogTest, EveryErrorMessageOfTheFilterHasBothTexts) {
  const std::regex call(R"re(LogMessage\(\s*"ERROR",\s*((?:"(?:[^"\\]|\\.)*"\s*)+))re");
  const std::regex piece(R"re("((?:[^"\\]|\\.)*)")re");
  std::set<std::string> formats;
  for (const auto& entry : std::filesystem::directory_iterator(NX_SOURCE_DIR "/CommonSource/FilterFrame")) {
    if (entry.path().extension() != ".cpp") continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    for (std::sregex_iterator m(source.begin(), source.end(), call), end; m != end; ++m) {
      const std::string literals = (*m)[1];
      std::string format;
      for (std::sregex_iterator p(literals.begin(), literals.end(), piece), pend; p != pend; ++p) format += (*p)[1];
      formats.insert(format);
    }
  }
  ASSERT_GT(formats.size(), 20u);
  for (const std::string& format : formats) {
    FilterSetLanguages({"ja"});
    EXPECT_NE(FilterLocalizedFormat(format.c_str()), format) << "no Japanese text: " << format;
  }
}

}  // namespace
}  // namespace nx::filter
