#include "KTOutput.h"

#include <gtest/gtest.h>

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
  std::FILE* out = std::tmpfile();
  std::FILE* copy = std::tmpfile();
  ASSERT_TRUE(out && copy);
  nx::filter::KTSetJobCopyFile(copy);
  nx::filter::KTfputs("@PJL\r\n", out);
  nx::filter::KTfputc(0x1B, out);
  nx::filter::KTfwrite("\0ab", 1, 3, out);
  nx::filter::KTfprintf(out, "%s=%d\n", "N", 42);
  nx::filter::KTSetJobCopyFile(nullptr);
  nx::filter::KTfputs("after", out);
  const std::string expected = std::string("@PJL\r\n\x1b", 7) + std::string("\0ab", 3) + "N=42\n";
  EXPECT_EQ(Contents(copy), expected);
  EXPECT_EQ(Contents(out), expected + "after");
  std::fclose(out);
  std::fclose(copy);
}

}  // namespace
