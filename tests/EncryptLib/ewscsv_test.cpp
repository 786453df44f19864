// Protected fields of the device's web-page CSV export (ROT13 over base64).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "EncryptLib.h"

namespace nx::encrypt {
namespace {

struct Opened {
  int rc;
  int n;
  std::string text;  // up to and including the terminating NUL when rc is 0
};

Opened Open(const std::string& field, int capacity) {
  std::string out(static_cast<std::size_t>(capacity > 0 ? capacity : 0) + 1, '#');
  int n = -1;
  const int rc = EwsCsvDecrypt(field.data(), static_cast<int>(field.size()), out.data(), &n, capacity);
  EXPECT_EQ(out.back(), '#') << "wrote past the capacity";
  if (rc == kXspSuccess) out.resize(static_cast<std::size_t>(n) + 1);
  return {rc, n, rc == kXspSuccess ? out : std::string()};
}

TEST(AddressFileField, OpensProtectedTexts) {
  struct Case {
    std::string field;
    int capacity;
    std::string plain;
  } cases[] = {
      {"LJWw", 511, "abc"},
      {"H2IwpzI0YGDl44TP", 255, "Secret-42\xe3\x81\x82"},  // digits and "+/=" are not rotated
      {"LJWw", 4, "abc"},                                   // capacity - 1 holds exactly the value
      {std::string("LJWw\0garbage", 12), 255, "abc"},       // the text ends at its first NUL
      {"//79", 255, "\xff\xfe\xfd"},                       // no letters: nothing rotated
  };
  for (const auto& c : cases) {
    const Opened o = Open(c.field, c.capacity);
    ASSERT_EQ(o.rc, kXspSuccess) << c.field;
    EXPECT_EQ(o.n, static_cast<int>(c.plain.size()));
    EXPECT_EQ(o.text, c.plain + std::string(1, '\0')) << c.field;
  }
}

TEST(AddressFileField, RefusesWhatDoesNotDecode) {
  struct Case {
    const char* what;
    std::string field;
    int capacity;
    int rc;
  } cases[] = {
      {"length not a multiple of 4", "LJWwL", 255, kXspBadLength},
      {"empty", "", 255, kXspBadLength},
      {"empty up to its NUL", std::string("\0LJWw", 5), 255, kXspBadLength},
      {"cut by a NUL to 3 characters", std::string("LJW\0", 4), 255, kXspBadLength},
      {"decoded value longer than capacity - 1", "LJWw", 3, kXspBadLength},
      {"capacity 1 leaves no room", "LJWw", 1, kXspBadLength},
      {"capacity 0", "LJWw", 0, kXspBadLength},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Open(c.field, c.capacity).rc, c.rc) << c.what;
  }
  char out[8];
  int n = 0;
  EXPECT_EQ(EwsCsvDecrypt(nullptr, 4, out, &n, 8), kXspNullPointer);
  EXPECT_EQ(EwsCsvDecrypt("LJWw", 4, nullptr, &n, 8), kXspNullPointer);
  EXPECT_EQ(EwsCsvDecrypt("LJWw", 4, out, nullptr, 8), kXspNullPointer);
  EXPECT_EQ(EwsCsvDecrypt("LJWw", -1, out, &n, 8), kXspBadLength);
}

TEST(AddressFileField, ReadsNoFurtherThanTheGivenLength) {
  // An unterminated field at the very end of a heap block: only `length` bytes may be read.
  auto field = std::make_unique<char[]>(4);
  std::memcpy(field.get(), "LJWw", 4);
  char out[8];
  int n = 0;
  ASSERT_EQ(EwsCsvDecrypt(field.get(), 4, out, &n, 8), kXspSuccess);
  EXPECT_STREQ(out, "abc");
}

}  // namespace
}  // namespace nx::encrypt
