// Filter start-up: argument check, job context, the PPD with defaults and job options marked, and
// the message language taken from the environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "FilterInit.h"
#include "FilterLog.h"
#include "PdfTestSupport.h"

namespace nx::filter {
namespace {

class FilterInitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = FilterLanguages();
    unsetenv("APPLE_LANGUAGE");
    unsetenv("LANG");
    setenv("PPD", NX_SOURCE_DIR "/tests/FilterFrame/FilterInitTest.ppd", 1);
  }
  void TearDown() override {
    FilterSetLanguages(saved_);
    unsetenv("PPD");
    unsetenv("APPLE_LANGUAGE");
    unsetenv("LANG");
  }
  // True when the arguments were taken and the job has its PPD.
  bool Init(std::vector<std::string> args, FilterJob& job, std::string* err = nullptr) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    bool taken = false;
    const std::string log = test::CaptureStderr(
        [&] { taken = Initialize(static_cast<int>(argv.size()), argv.data(), job); });
    if (err) *err = log;
    return taken && job.ppd != nullptr;
  }
  std::vector<std::string> saved_;
};

TEST_F(FilterInitTest, FillsTheContextAndMarksJobOptionsOverDefaults) {
  auto job = std::make_unique<FilterJob>();
  ASSERT_TRUE(Init({"jobfilter", "17", "bob", "Minutes", "1", "PageSize=Letter foo=bar"}, *job));
  EXPECT_EQ(job->jobId, 17);
  EXPECT_EQ(job->user, "bob");
  EXPECT_EQ(job->title, "Minutes");
  EXPECT_STREQ(job->options.Find("foo"), "bar");
  EXPECT_STREQ(ppdFindMarkedChoice(job->ppd.get(), "PageSize")->choice, "Letter");
  EXPECT_STREQ(ppdFindMarkedChoice(job->ppd.get(), "NXFaxResolution")->choice, "Fine");
}

TEST_F(FilterInitTest, FailsWithoutAUsablePpdOrWithTheWrongArgumentCount) {
  auto job = std::make_unique<FilterJob>();
  std::string err;
  EXPECT_FALSE(Init({"jobfilter", "1", "u", "t", "1"}, *job, &err));
  EXPECT_EQ(err, "Usage: jobfilter job user title copies options [filename]\n");
  EXPECT_FALSE(Init({"jobfilter", "1", "u", "t", "1", "", "f", "extra"}, *job));
  setenv("PPD", "/nonexistent.ppd", 1);
  EXPECT_FALSE(Init({"jobfilter", "x", "u", "t", "1", ""}, *job));
  EXPECT_EQ(job->jobId, 0);  // not a number
  unsetenv("PPD");
  EXPECT_FALSE(Init({"jobfilter", "1", "u", "t", "1", ""}, *job));
}

TEST_F(FilterInitTest, SetLocaleTakesAppleLanguageBeforeLang) {
  FilterSetLanguages({"kept"});
  SetLocale();
  EXPECT_EQ(FilterLanguages(), std::vector<std::string>{"kept"});  // neither variable: no change
  setenv("LANG", "C.UTF-8", 1);
  SetLocale();
  EXPECT_EQ(FilterLanguages(), std::vector<std::string>{"C.UTF-8"});
  setenv("APPLE_LANGUAGE", "ja", 1);
  SetLocale();
  EXPECT_EQ(FilterLanguages(), std::vector<std::string>{"ja"});
}

}  // namespace
}  // namespace nx::filter
