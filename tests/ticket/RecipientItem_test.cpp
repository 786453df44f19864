// Recipient items byte for byte, ticket value escaping, the paper names and the whole list's
// settings pairs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EncryptLib.h"
#include "nx/ticket/recipient_ticket.h"

namespace nx::ticket {
namespace {

RecipientFields TypedFax(std::string address, std::string name = {}) {
  RecipientFields r;
  r.recodeType = 0;
  r.address = std::move(address);
  r.name = std::move(name);
  return r;
}

LineSettings Lines(std::string outside = "9", std::string extension = "5", bool g4 = false) {
  return {std::move(outside), std::move(extension), g4};
}

std::string Item(const RecipientFields& r, const LineSettings& line = Lines()) {
  std::string item = "stale";
  EXPECT_TRUE(BuildRecipientItem(r, line, &item));
  return item;
}

// --- Items ------------------------------------------------------------------------------------

struct ItemCase {
  const char* what;
  RecipientFields recipient;
  LineSettings line;
  const char* item;
};

RecipientFields With(RecipientFields r, void (*edit)(RecipientFields&)) {
  edit(r);
  return r;
}

class ItemGolden : public ::testing::TestWithParam<ItemCase> {};

TEST_P(ItemGolden, GivesTheDeviceText) {
  const ItemCase& c = GetParam();
  EXPECT_EQ(Item(c.recipient, c.line), c.item) << c.what;
}

const ItemCase kItemCases[] = {
    {"typed-in number, outside line 9, name", TypedFax("0312345678", "Abc"), Lines(),
     "FAEN=90312345678{20}{30}{7QWJj}{}comment"},
    {"phonebook entry is built like a typed one",
     With(TypedFax("0312345678", "Abc"), [](RecipientFields& r) { r.recodeType = 2; }), Lines(),
     "FAEN=90312345678{20}{30}{7QWJj}{}comment"},
    {"IP fax address: no line prefix, line 2",
     With(TypedFax("fax@192.168.1.20", "Abc"), [](RecipientFields& r) { r.addressType = 4; }), Lines(),
     "SFEN=fax@192.168.1.20{22}{30}{7QWJj}{}comment"},
    {"extension line gets the extension number",
     With(TypedFax("0312345678"), [](RecipientFields& r) { r.lineType = 1; }), Lines("9", "5"),
     "FAEN=50312345678{21}{30}{}comment"},
    {"no line numbers set", TypedFax("0312345678"), Lines("", ""), "FAEN=0312345678{20}{30}{}comment"},
    {"G4 without the kit is sent as G3",
     With(TypedFax("0312345678"), [](RecipientFields& r) { r.commMode = 1; }), Lines("9", "5", false),
     "FAEN=90312345678{20}{30}{}comment"},
    {"G4 with the kit", With(TypedFax("0312345678"), [](RecipientFields& r) { r.commMode = 1; }),
     Lines("9", "5", true), "FAEN=90312345678{20}{34}{}comment"},
    {"overseas mode", With(TypedFax("0312345678"), [](RecipientFields& r) { r.commMode = 2; }), Lines(),
     "FAEN=90312345678{20}{32}{}comment"},
    {"unknown mode is G3", With(TypedFax("0312345678"), [](RecipientFields& r) { r.commMode = 7; }),
     Lines("9", "5", true), "FAEN=90312345678{20}{30}{}comment"},
    {"secure send, empty passcode",
     With(TypedFax("0312345678"),
          [](RecipientFields& r) {
            r.secureOrRelay = 1;
            r.mailBoxId = "7";
          }),
     Lines(), "FAEN=90312345678{20}{30}{40007}{}comment"},
    {"secure send, passcode 1234 protected",
     With(TypedFax("0312345678"),
          [](RecipientFields& r) {
            r.secureOrRelay = 1;
            r.mailBoxId = "123";
            r.mailBoxPassword = "1234";
          }),
     Lines(), "FAEN=90312345678{20}{30}{40123JqwPbg==}{}comment"},
    {"relay send through station 12",
     With(TypedFax("0312345678"),
          [](RecipientFields& r) {
            r.secureOrRelay = 2;
            r.rlyId = "12";
            r.rlyPrn = 1;
            r.rlyDestList = {"005", "0#3"};
          }),
     Lines(), "FAEN=90312345678{100121000500#3}{20}{30}{}comment"},
    {"mailbox fields are not sent without secure send",
     With(TypedFax("0312345678"),
          [](RecipientFields& r) {
            r.mailBoxId = "7";
            r.rlyId = "12";
          }),
     Lines(), "FAEN=90312345678{20}{30}{}comment"},
    {"F-code and its password",
     With(TypedFax("0312345678"),
          [](RecipientFields& r) {
            r.fCode = "0042";
            r.fCodePassword = "1234";
          }),
     Lines(), "FAEN=90312345678{20}{30}{50042}{6JqwPbg==}{}comment"},
    {"unknown address type: no address field",
     With(TypedFax("0312345678"), [](RecipientFields& r) { r.addressType = 2; }), Lines(),
     "{20}{30}{}comment"},
    {"speed dial", With(TypedFax("012", "ignored"), [](RecipientFields& r) { r.recodeType = 1; }), Lines(),
     "FAEN='012'{}comment"},
    {"send type 3 gives an empty item",
     With(TypedFax("0312345678"), [](RecipientFields& r) { r.secureOrRelay = 3; }), Lines(), ""},
    {"record type 3 gives an empty item",
     With(TypedFax("0312345678"), [](RecipientFields& r) { r.recodeType = 3; }), Lines(), ""},
};

INSTANTIATE_TEST_SUITE_P(Items, ItemGolden, ::testing::ValuesIn(kItemCases));

// --- Names ------------------------------------------------------------------------------------

struct NameCase {
  const char* name;
  const char* field;  // the item's name field, "" when there is none
};

class NameField : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameField, KeepsWholeShiftJisCharactersUpTo36Bytes) {
  const std::string item = Item(TypedFax("1", GetParam().name), Lines("", ""));
  EXPECT_EQ(item, std::string("FAEN=1{20}{30}") + GetParam().field + "{}comment");
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameField,
    ::testing::Values(
        // 40 one-byte characters keep 36.
        NameCase{"xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", "{7eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4eHh4}"},
        // 20 two-byte characters keep 18.
        NameCase{"あああああああああああああああああああああ", "{7gqCCoIKggqCCoIKggqCCoIKggqCCoIKggqCCoIKggqCCoIKg}"},
        // 1 + 17 x 2 = 35 bytes; the next character would need 37.
        NameCase{"aああああああああああああああああああああ", "{7YYKggqCCoIKggqCCoIKggqCCoIKggqCCoIKggqCCoIKggqA=}"},
        NameCase{"山田", "{7jlKTYw==}"},
        // Characters without a Shift-JIS form and stray bytes are left out.
        NameCase{"A\xF0\x9F\x98\x80" "b\xFF", "{7QWI=}"},
        NameCase{"\xF0\x9F\x98\x80", ""}));

// --- Refusals ---------------------------------------------------------------------------------

TEST(ItemRefusal, PasswordThatCannotBeProtectedRefusesTheItem) {
  RecipientFields secure = TypedFax("0312345678");
  secure.secureOrRelay = 1;
  secure.mailBoxId = "7";
  secure.mailBoxPassword = std::string(190, '8');  // base64 would exceed 255 characters
  RecipientFields fcode = TypedFax("0312345678");
  fcode.fCodePassword = std::string(300, '8');
  for (const RecipientFields& r : {secure, fcode}) {
    std::string item = "stale";
    EXPECT_FALSE(BuildRecipientItem(r, Lines(), &item));
    EXPECT_EQ(item, "");
  }
  secure.mailBoxPassword.resize(189);  // the longest that fits
  EXPECT_NE(Item(secure).find("{40007"), std::string::npos);
}

TEST(ItemRefusal, VerbatimTextThatWouldChangeTheItemIsRefused) {
  const std::vector<void (*)(RecipientFields&)> edits = {
      [](RecipientFields& r) { r.address = "03\"12"; },
      [](RecipientFields& r) { r.address = "03{7QWJj}"; },
      [](RecipientFields& r) { r.address = "0312\r\n"; },
      [](RecipientFields& r) { r.address = "０３"; },
      [](RecipientFields& r) { r.recodeType = 1, r.address = "0'1"; },
      [](RecipientFields& r) { r.fCode = "1}{6"; },
      [](RecipientFields& r) { r.secureOrRelay = 1, r.mailBoxId = "1}"; },
      [](RecipientFields& r) { r.secureOrRelay = 2, r.rlyDestList = {"00\"5"}; },
  };
  for (std::size_t i = 0; i < edits.size(); ++i) {
    RecipientFields r = TypedFax("0312345678");
    edits[i](r);
    std::string item = "stale";
    EXPECT_FALSE(BuildRecipientItem(r, Lines(), &item)) << "case " << i;
    EXPECT_EQ(item, "") << "case " << i;
  }
  std::string item;
  EXPECT_FALSE(BuildRecipientItem(TypedFax("0312345678"), Lines("9\"", "5"), &item));
  // Characters the escaping takes care of are fine.
  EXPECT_EQ(Item(TypedFax("03,12\\4")), "FAEN=903,12\\4{20}{30}{}comment");
  // So is an apostrophe outside a speed dial item: the stored form escapes it.
  EXPECT_EQ(Item(TypedFax("03'11")), "FAEN=903'11{20}{30}{}comment");
  EXPECT_TRUE(BuildRecipientItem(TypedFax("0311"), Lines("9'", "5"), &item));
  EXPECT_EQ(item, "FAEN=9'0311{20}{30}{}comment");
  EXPECT_FALSE(BuildRecipientItem(TypedFax("0311"), Lines("{9}", "5"), &item));
}

TEST(ItemRefusal, ItemLongerThanATicketValueIsRefusedNotCut) {
  RecipientFields r = TypedFax("1");
  r.secureOrRelay = 2;
  r.rlyDestList.assign(600, "005");  // 2400 bytes of destinations
  std::string item = "stale";
  EXPECT_FALSE(BuildRecipientItem(r, Lines(), &item));
  EXPECT_EQ(item, "");
  r.rlyDestList.resize(500);
  EXPECT_LE(Item(r).size(), kMaxTicketValueBytes);
}

TEST(ItemPasswords, ProtectedFormOpensToTheClearText) {
  RecipientFields r = TypedFax("0");
  r.secureOrRelay = 1;
  r.mailBoxId = "1";
  r.mailBoxPassword = "4711";
  r.fCodePassword = "secret-Pass";
  const std::string item = Item(r);
  EXPECT_EQ(item.find("4711"), std::string::npos);
  EXPECT_EQ(item.find("secret-Pass"), std::string::npos);
  const auto open = [&](const std::string& start) {
    const std::size_t from = item.find(start) + start.size();
    const std::string b64 = item.substr(from, item.find('}', from) - from);
    unsigned char bytes[256];
    int n = 0;
    EXPECT_EQ(nx::encrypt::XSPB64ToBin(b64.data(), static_cast<int>(b64.size()), bytes, &n, sizeof bytes), 0);
    EXPECT_EQ(nx::encrypt::XSPEncrypt(bytes, n, bytes, &n, sizeof bytes), 0);
    return std::string(reinterpret_cast<char*>(bytes), static_cast<std::size_t>(n));
  };
  EXPECT_EQ(open("{40001"), "4711");
  EXPECT_EQ(open("{6"), "secret-Pass");
}

// --- Escaping ---------------------------------------------------------------------------------

TEST(EscapeTicketValue, ByteListOnlyWhenTheTextNeedsIt) {
  EXPECT_EQ(EscapeTicketValue("FAEN='012'{}comment"),
            "/70/65/69/78/61/39/48/49/50/39/123/125/99/111/109/109/101/110/116");
  EXPECT_EQ(EscapeTicketValue("FAEN='12'"), "/70/65/69/78/61/39/49/50/39");
  EXPECT_EQ(EscapeTicketValue("/x"), "/47/120");
  EXPECT_EQ(EscapeTicketValue("a,b"), "/97/44/98");
  EXPECT_EQ(EscapeTicketValue("a\\"), "/97/92");
  // Bytes of 0x80 and above are signed.
  EXPECT_EQ(EscapeTicketValue("\x82\xA0,\xFF"), "/-126/-96/44/-1");
  EXPECT_EQ(EscapeTicketValue("FAEN=90312345678{20}{30}{7QWJj}{}comment"),
            "FAEN=90312345678{20}{30}{7QWJj}{}comment");
  EXPECT_EQ(EscapeTicketValue("a/b\x82"), "a/b\x82");
  EXPECT_EQ(EscapeTicketValue(""), "");
}

// --- Paper and the list -----------------------------------------------------------------------

TEST(RecipientPaperName, DeviceNamesForTheMappedSizes) {
  const std::pair<const char*, const char*> cases[] = {
      {"Tabloid", "LEDGER"}, {"Legal", "LEGAL"}, {"Letter", "LETTER"}, {"B5", "JISB5"},
      {"B4", "JISB4"},       {"A3", "A3"},       {"A4", "A4"},         {"tabloid", "tabloid"},
      {"", ""}};
  for (const auto& [choice, device] : cases) EXPECT_EQ(RecipientPaperName(choice), device) << choice;
}

TEST(BuildRecipientListTicket, CountPaperAndNumberedItems) {
  std::vector<RecipientFields> list(150, TypedFax("0312345678", "Abc"));
  list[1].recodeType = 1;
  list[1].address = "012";
  list[2].secureOrRelay = 3;
  std::vector<TicketPair> pairs;
  ASSERT_TRUE(BuildRecipientListTicket(list, Lines(), "A4", &pairs));
  ASSERT_EQ(pairs.size(), 152u);
  EXPECT_EQ(pairs[0].key, "com.norvalex.nb.qtz.printsettings.DFRecipientListCountTicket");
  EXPECT_EQ(pairs[0].value, "150");
  EXPECT_EQ(pairs[1].key, "com.norvalex.nb.qtz.printsettings.DFRecipientPaperSizeTicket");
  EXPECT_EQ(pairs[1].value, "A4");
  EXPECT_EQ(pairs[2].key, "com.norvalex.nb.qtz.printsettings.DFRecipientListItemKeyTicket0");
  EXPECT_EQ(pairs[2].value, "FAEN=90312345678{20}{30}{7QWJj}{}comment");
  EXPECT_EQ(pairs[3].value, "/70/65/69/78/61/39/48/49/50/39/123/125/99/111/109/109/101/110/116");
  EXPECT_EQ(pairs[4].key, "com.norvalex.nb.qtz.printsettings.DFRecipientListItemKeyTicket2");
  EXPECT_EQ(pairs[4].value, "");
  EXPECT_EQ(pairs[151].key, "com.norvalex.nb.qtz.printsettings.DFRecipientListItemKeyTicket149");

  ASSERT_TRUE(BuildRecipientListTicket({TypedFax("1")}, Lines(), "Tabloid", &pairs));
  EXPECT_EQ(pairs[1].value, "LEDGER");
}

TEST(BuildRecipientListTicket, EmptyListOrRefusedItemWritesNothing) {
  std::vector<TicketPair> pairs = {{"k", "v"}};
  EXPECT_TRUE(BuildRecipientListTicket({}, Lines(), "A4", &pairs));
  EXPECT_TRUE(pairs.empty());

  std::vector<RecipientFields> list(3, TypedFax("0312345678"));
  list[2].fCodePassword = std::string(400, 'p');
  pairs = {{"k", "v"}};
  EXPECT_FALSE(BuildRecipientListTicket(list, Lines(), "A4", &pairs));
  EXPECT_TRUE(pairs.empty());
}

TEST(BuildRecipientListTicket, OverlongPaperNameIsCutAtACharacterBoundaryThenEscaped) {
  std::string paper(2046, 'P');
  paper += "é,";  // é straddles the 2047-byte limit
  std::vector<TicketPair> pairs;
  ASSERT_TRUE(BuildRecipientListTicket({TypedFax("1")}, Lines(), paper, &pairs));
  EXPECT_EQ(pairs[1].value, std::string(2046, 'P'));
}

}  // namespace
}  // namespace nx::ticket
