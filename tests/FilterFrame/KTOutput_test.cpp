#include "KTOutput.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>

#include <string>

namespace {

std::string Contents(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  char buf[256];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

TEST(KTOutput, EveryHelperWritesTheSameBytesToTheCopyFile) {
  char folder[] = "/tmp/nxktoutXXXXXX";
  ASSERT_NE(::mkdtemp(folder), nullptr);
  const std::string copyPath = std::string(folder) + "/copy.job";
  std::FILE* out = std::tmpfile();
  ASSERT_TRUE(out);
  auto job = std::make_unique<nx::filter::FilterJob>();
  job->out = out;
  std::string error;
  ASSERT_TRUE(job->copy.Open(copyPath, error)) << error;
  nx::filter::KTfputs("@PJL\r\n", *job);
  nx::filter::KTfputc(0x1B, *job);
  nx::filter::KTfwrite("\0ab", 1, 3, *job);
  nx::filter::KTfprintf(*job, "%s=%d\n", "N", 42);
  ASSERT_TRUE(job->copy.Finish(error)) << error;
  nx::filter::KTfputs("after", *job);
  const std::string expected = std::string("@PJL\r\n\x1b", 7) + std::string("\0ab", 3) + "N=42\n";
  std::FILE* copy = std::fopen(copyPath.c_str(), "rb");
  ASSERT_TRUE(copy);
  EXPECT_EQ(Contents(copy), expected);
  EXPECT_EQ(Contents(out), expected + "after");
  std::fclose(out);
  std::fclose(copy);
  ::unlink(copyPath.c_str());
  ::rmdir(folder);
}

}  // namespace
