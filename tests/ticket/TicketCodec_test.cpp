// The ticket's shared vocabulary: the byte-list form in both spellings and the filter's reading
// of it, the job option array, and the protected forms of passwords.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "EncryptLib.h"
#include "nx/ticket/byte_list.h"
#include "nx/ticket/keys.h"
#include "nx/ticket/option_array.h"
#include "nx/ticket/protected_text.h"

namespace nx::ticket {
namespace {

// --- Byte lists ---------------------------------------------------------------------------------

struct EncodeCase {
  const char* text;
  bool needsList;
  const char* asUnsigned;  // the framework's controls
  const char* asSigned;    // the recipient list
};

TEST(ByteList, BothSpellingsByteForByteAndBackToTheSameBytes) {
  const EncodeCase cases[] = {
      {"\xC3\xA9,", true, "/195/169/44", "/-61/-87/44"},
      {"/", true, "/47", "/47"},
      {"it's", true, "/105/116/39/115", "/105/116/39/115"},
      {"a\\", true, "/97/92", "/97/92"},
      {"a/b", false, "/97/47/98", "/97/47/98"},
      {"\xFF\x80\x7F", false, "/255/128/127", "/-1/-128/127"},
      {"", false, "", ""},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.asUnsigned);
    EXPECT_EQ(NeedsByteList(c.text), c.needsList);
    EXPECT_EQ(EncodeByteList(c.text, ByteSpelling::kUnsigned), c.asUnsigned);
    EXPECT_EQ(EncodeByteList(c.text, ByteSpelling::kSigned), c.asSigned);
    EXPECT_EQ(EncodeTicketText(c.text, ByteSpelling::kUnsigned),
              c.needsList ? c.asUnsigned : c.text);
    EXPECT_EQ(EncodeTicketText(c.text, ByteSpelling::kSigned), c.needsList ? c.asSigned : c.text);
    if (*c.text != 0) {
      EXPECT_EQ(DecodeTicketText(c.asUnsigned), c.text);
      EXPECT_EQ(DecodeTicketText(c.asSigned), c.text);
    }
  }
}

TEST(ByteList, DecodesAsTheFilterReadsIt) {
  const std::pair<const char*, std::string> cases[] = {
      {"/65/66/67", "ABC"},
      {"/57/300/44", "9"},  // 256 or more is byte 0, which ends the text
      {"/57/256", "9"},
      {"/57/255", "9\xFF"},
      {"/-61/195", "\xC3\xC3"},  // negatives give their low 8 bits
      {"/-257/-256/65", "\xFF"},
      {"/99999999999999999999/65", ""},
      {"/-99999999999999999999", "\x01"},
      {"/+65/ 66x/\t67", "ABC"},  // sign, blanks, and the rest of a field ignored
      {"/65//66", "A"},           // a field without digits ends the text
      {"/65/", "A"},
      {"/", ""},
      {"abc/65", "abc/65"},  // not starting with "/": unchanged
      {" /65", " /65"},
      {"", ""},
  };
  for (const auto& [text, bytes] : cases) EXPECT_EQ(DecodeTicketText(text), bytes) << text;

  char buffer[] = "/72/105/33";
  const std::size_t n = DecodeTicketText(buffer, buffer, sizeof buffer - 1);  // in place
  EXPECT_EQ(std::string(buffer, n), "Hi!");
  char two[2];
  EXPECT_EQ(DecodeTicketText("/72/105/33", two, sizeof two), 2u);
  EXPECT_EQ(DecodeTicketText("plain", two, sizeof two), 2u);
}

TEST(ByteList, WholeListsAreOnlyWhatTheWritersProduce) {
  for (const char* whole : {"/195/169", "/-61/-87", "/-128/255/1", "/065"}) {
    EXPECT_TRUE(IsWholeByteList(whole)) << whole;
  }
  for (const char* broken : {"", "/", "abc", "/300", "/0", "/-0", "/65//66", "/65/", "/6a", "/-129",
                             "/+5", "/ 5", "a/5"}) {
    EXPECT_FALSE(IsWholeByteList(broken)) << broken;
  }
}

// --- Option array -------------------------------------------------------------------------------

TEST(OptionArray, ParsesOnceAndAddsOrReplacesWithoutTheOptionSyntax) {
  const std::size_t before = OptionArray::ParseCount();
  OptionArray options("a=1 b='x y' c");
  EXPECT_EQ(OptionArray::ParseCount(), before + 1);
  ASSERT_EQ(options.size(), 3);
  EXPECT_STREQ(options.Find("b"), "x y");
  EXPECT_STREQ(options.Find("c"), "true");
  EXPECT_EQ(options.Find("d"), nullptr);
  EXPECT_EQ(options.Find(nullptr), nullptr);

  // A value that the option syntax would cut or unquote is kept as given.
  EXPECT_TRUE(options.Add("d", "it's \\ 'open"));
  EXPECT_STREQ(options.Find("d"), "it's \\ 'open");
  EXPECT_TRUE(options.Add("a", "2"));
  EXPECT_STREQ(options.Find("a"), "2");
  EXPECT_EQ(options.size(), 4);
  EXPECT_FALSE(options.Add("", "x"));
  EXPECT_FALSE(options.Add("e", nullptr));
  EXPECT_STREQ(options.name(3), "d");
  EXPECT_EQ(options.name(4), nullptr);
  EXPECT_EQ(options.value(-1), nullptr);

  OptionArray moved(std::move(options));
  EXPECT_EQ(options.size(), 0);  // a moved-from array is empty
  EXPECT_STREQ(moved.Find("a"), "2");
  OptionArray none(nullptr);
  EXPECT_EQ(none.size(), 0);
  none = std::move(moved);
  EXPECT_STREQ(none.Find("d"), "it's \\ 'open");
  // Finding, adding and moving parse nothing.
  EXPECT_EQ(OptionArray::ParseCount(), before + 2);
}

// --- Keys ---------------------------------------------------------------------------------------

TEST(TicketKeys, PrefixPlusSettingName) {
  EXPECT_STREQ(key::JBAUserIDTextEditTicket,
               "com.norvalex.nb.qtz.printsettings.JBAUserIDTextEditTicket");
  EXPECT_EQ(TicketKey("DFRecipientListItemKeyTicket") + "0",
            std::string(key::DFRecipientListItemKeyTicket) + "0");
}

// --- Protected forms ----------------------------------------------------------------------------

TEST(ProtectedText, EncipheredFormKnownAnswerAndLimit) {
  std::string out = "stale";
  ASSERT_TRUE(EncipherTicketText("abcd", &out));
  EXPECT_EQ(out, "dvxfPg==");  // XOR with the key bytes 17 9E 3C 5A, then base64
  ASSERT_TRUE(EncipherTicketText("", &out));
  EXPECT_EQ(out, "");
  ASSERT_TRUE(EncipherTicketText(std::string(kMaxEncipheredTextBytes, 'p'), &out));
  EXPECT_EQ(out.size(), 252u);
  EXPECT_FALSE(EncipherTicketText(std::string(kMaxEncipheredTextBytes + 1, 'p'), &out));
  EXPECT_EQ(out, "");
}

TEST(ProtectedText, StorageFormRoundTripsAndRefusesWhatItCannotHold) {
  for (const std::string& clear :
       {std::string("1234"), std::string(kMaxStoredTextBytes, 's'), std::string()}) {
    std::string stored, back = "stale";
    ASSERT_EQ(EncryptStoredText(clear, &stored), encrypt::kEncSuccess) << clear.size();
    EXPECT_EQ(stored.size(),
              4 * ((encrypt::StorageCipherLen(static_cast<int>(clear.size())) + 2) / 3));
    ASSERT_EQ(DecryptStoredText(stored, &back), encrypt::kEncSuccess);
    EXPECT_EQ(back, clear);
  }
  std::string out = "stale";
  EXPECT_LT(EncryptStoredText(std::string(kMaxStoredTextBytes + 1, 's'), &out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(DecryptStoredText("not base64", &out), -1);
  // Base64, but of no cipher text: the enciphered form is not the storage form.
  std::string enciphered;
  ASSERT_TRUE(EncipherTicketText("1234", &enciphered));
  EXPECT_GT(DecryptStoredText(enciphered, &out), 0);
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace nx::ticket
