// Column rules, character filters and the checker classes.
#include "nx/phonebook/field_check.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "csv_layouts.h"
#include "nx/platform/text_encoding.h"
#include "phonebook_test_support.h"

namespace {

using namespace nx::phonebook;
using detail::CsvLayout;
using namespace pbtest::layouts;
using pbtest::EwsForm;
using pbtest::XspForm;
using Values = std::map<std::string, std::string>;

std::string Sjis(const std::string& utf8) {
  std::string out;
  EXPECT_TRUE(nx::platform::Utf8ToShiftJis(utf8, out)) << utf8;
  return out;
}

CsvRecord NamesOf(const std::vector<std::string>& list) {
  CsvRecord r;
  for (const auto& n : list) r.columns.push_back(n);
  r.fieldCount = list.size();
  return r;
}

CsvRecord NamesOf(CsvLayout layout) {
  const auto cols = detail::LayoutColumns(layout);
  return NamesOf(std::vector<std::string>(cols.begin() + 1, cols.end()));
}

CsvRecord RowOf(const CsvRecord& names, const Values& values) {
  CsvRecord r;
  r.columns.assign(names.columns.size(), std::string());
  for (const auto& [k, v] : values) {
    const std::size_t col = names.ColumnOf(k);
    EXPECT_NE(col, 0u) << k;
    r.columns[col] = v;
  }
  r.fieldCount = names.fieldCount;
  return r;
}

Values With(Values base, const Values& changes) {
  for (const auto& [k, v] : changes) base[k] = v;
  return base;
}

const Values kFaxRow = {
    {"MFDN", "1"},      {"MFADDRT", "FAX"}, {"MFCN", "Taro"},    {"MFCMODE", "0"},
    {"MFFAX", "0312345678"}, {"MFLINE", "0"}, {"MFMBOX", "0"},   {"MFRLY", "0"},
    {"MFRLYPRN", "0"},  {"MFIPFAXCMODE", "0"}, {"MFIPFAXMBOX", "0"}, {"MFIPFAXRLY", "0"},
    {"MFIPFAXRLYPRN", "0"},
};

const Values kIpFaxRow = With(kFaxRow, {{"MFADDRT", "IPFAX"},
                                        {"MFFAX", ""},
                                        {"MFIPFAX", "sip:100@example.com"}});

AbifStatus CheckClassic(const Values& values, CsvRuleSet rules = CsvRuleSet::kFormat5x) {
  const CsvRecord names = NamesOf(CsvLayout::k5x);
  const CsvRecord row = RowOf(names, values);
  const auto carried = detail::CarriedClassic().names;
  if (rules == CsvRuleSet::kFormat6) {
    CFieldDataCheckWithFileFormat6 checker(103);
    return CheckFieldDataWithDataFormat(row, names, carried, rules, checker);
  }
  CFieldDataCheckWithFileFormat2 checker(5);
  return CheckFieldDataWithDataFormat(row, names, carried, rules, checker);
}

struct RowCase {
  const char* name;
  Values values;
  AbifStatus expected;
};

class ClassicRowTest : public ::testing::TestWithParam<RowCase> {};

TEST_P(ClassicRowTest, Format2Checker) {
  EXPECT_EQ(CheckClassic(GetParam().values), GetParam().expected);
}

const AbifStatus kOk = kAbifSuccess;
const AbifStatus kBad = kAbifCsvBadValue;
const AbifStatus kOther = kAbifCsvOtherAddressKind;

INSTANTIATE_TEST_SUITE_P(
    Cases, ClassicRowTest,
    ::testing::Values(
        RowCase{"FaxRow", kFaxRow, kOk},
        // Mailbox number: range 1-999, only checked for a secure send.
        RowCase{"MailboxId0", With(kFaxRow, {{"MFMBOX", "1"}, {"MFMBOXID", "0"}}), kBad},
        RowCase{"MailboxId999", With(kFaxRow, {{"MFMBOX", "1"}, {"MFMBOXID", "999"}}), kOk},
        RowCase{"MailboxId1000", With(kFaxRow, {{"MFMBOX", "1"}, {"MFMBOXID", "1000"}}), kBad},
        RowCase{"MailboxIdEmpty", With(kFaxRow, {{"MFMBOX", "1"}}), kBad},
        RowCase{"MailboxIdUnused", With(kFaxRow, {{"MFMBOX", "0"}, {"MFMBOXID", "0x"}}), kOk},
        RowCase{"SecureSetting2", With(kFaxRow, {{"MFMBOX", "2"}}), kBad},
        // Relay station: only checked for a relay send.
        RowCase{"RelayIdUnused", With(kFaxRow, {{"MFRLYID", "0"}}), kOk},
        RowCase{"RelayId0", With(kFaxRow, {{"MFRLY", "1"}, {"MFRLYID", "0"}}), kBad},
        RowCase{"RelayId99", With(kFaxRow, {{"MFRLY", "1"}, {"MFRLYID", "99"}}), kOk},
        RowCase{"RelayId100", With(kFaxRow, {{"MFRLY", "1"}, {"MFRLYID", "100"}}), kBad},
        RowCase{"RelayPrintUnused", With(kFaxRow, {{"MFRLYPRN", "7"}}), kOk},
        RowCase{"RelayPrintBad", With(kFaxRow, {{"MFRLY", "1"}, {"MFRLYID", "1"}, {"MFRLYPRN", "7"}}), kBad},
        RowCase{"RelayList", With(kFaxRow, {{"MFRLY", "1"}, {"MFRLYID", "1"}, {"MFRLYNUM", XspForm("0102*#")}}), kOk},
        RowCase{"RelayListSpace", With(kFaxRow, {{"MFRLY", "1"}, {"MFRLYID", "1"}, {"MFRLYNUM", XspForm("01 2")}}), kBad},
        RowCase{"RelayListLong", With(kFaxRow, {{"MFRLY", "1"}, {"MFRLYID", "1"}, {"MFRLYNUM", XspForm(std::string(41, '1'))}}), kBad},
        RowCase{"RelayListNotBase64", With(kFaxRow, {{"MFRLY", "1"}, {"MFRLYID", "1"}, {"MFRLYNUM", "abc"}}), kBad},
        // Line type: 0 or 2.
        RowCase{"Line1", With(kFaxRow, {{"MFLINE", "1"}}), kBad},
        RowCase{"Line2", With(kFaxRow, {{"MFLINE", "2"}}), kOk},
        RowCase{"LineEmpty", With(kFaxRow, {{"MFLINE", ""}}), kBad},
        RowCase{"CommMode2", With(kFaxRow, {{"MFCMODE", "2"}}), kOk},
        RowCase{"CommMode3", With(kFaxRow, {{"MFCMODE", "3"}}), kBad},
        // Fax number.
        RowCase{"FaxEmpty", With(kFaxRow, {{"MFFAX", ""}}), kBad},
        RowCase{"FaxBrackets", With(kFaxRow, {{"MFFAX", "[03]"}}), kBad},
        // A fax job's recipient item carries an apostrophe, but no double quote or brace.
        RowCase{"FaxApostrophe", With(kFaxRow, {{"MFFAX", "03'11"}}), kOk},
        RowCase{"FaxQuote", With(kFaxRow, {{"MFFAX", "03\"11"}}), kBad},
        RowCase{"FaxBraces", With(kFaxRow, {{"MFFAX", "03{5}11"}}), kBad},
        RowCase{"IpFaxApostrophe", With(kIpFaxRow, {{"MFIPFAX", "sip:o'brien@example.com"}}), kOk},
        RowCase{"IpFaxBrace", With(kIpFaxRow, {{"MFIPFAX", "sip:{x}@example.com"}}), kBad},
        RowCase{"Fax100", With(kFaxRow, {{"MFFAX", std::string(100, '9')}}), kOk},
        RowCase{"Fax101", With(kFaxRow, {{"MFFAX", std::string(101, '9')}}), kBad},
        // Protected columns are checked opened.
        RowCase{"Password", With(kFaxRow, {{"MFMBOX", "1"}, {"MFMBOXID", "1"}, {"MFMBOXPS", EwsForm("1234")}}), kOk},
        RowCase{"PasswordPlain", With(kFaxRow, {{"MFMBOXPS", "1234"}}), kBad},
        RowCase{"PasswordLong", With(kFaxRow, {{"MFMBOXPS", EwsForm("12345")}}), kBad},
        RowCase{"PasswordLetters", With(kFaxRow, {{"MFMBOXPS", EwsForm("12a4")}}), kBad},
        RowCase{"Passcode", With(kFaxRow, {{"MFPCODE", EwsForm("12 #*567890")}}), kOk},
        RowCase{"Passcode21", With(kFaxRow, {{"MFPCODE", EwsForm(std::string(21, '1'))}}), kBad},
        RowCase{"PasscodeUndecodable", With(kFaxRow, {{"MFPCODE", "abc"}}), kBad},
        RowCase{"FCode", With(kFaxRow, {{"MFFCODE", "12 #*"}}), kOk},
        RowCase{"FCodeLetter", With(kFaxRow, {{"MFFCODE", "12A"}}), kBad},
        RowCase{"FCode21", With(kFaxRow, {{"MFFCODE", std::string(21, '1')}}), kBad},
        // Address types.
        RowCase{"Mail", With(kFaxRow, {{"MFADDRT", "MAIL"}}), kOther},
        RowCase{"Server", With(kFaxRow, {{"MFADDRT", "SERVER"}}), kOther},
        RowCase{"InternetFaxShort", With(kFaxRow, {{"MFADDRT", "IFAX"}}), kOther},
        RowCase{"InternetFaxLong", With(kFaxRow, {{"MFADDRT", "INTERNETFAX"}}), kBad},
        RowCase{"UnknownType", With(kFaxRow, {{"MFADDRT", "FAXES"}}), kBad},
        // Address-type gating.
        RowCase{"IpFaxRowWithoutFaxNumber", kIpFaxRow, kOk},
        RowCase{"IpFaxRowIgnoresFaxSide", With(kIpFaxRow, {{"MFCMODE", "9"}, {"MFLINE", "x"}, {"MFMBOXPS", "?"}}), kOk},
        RowCase{"IpFaxRowNeedsAddress", With(kIpFaxRow, {{"MFIPFAX", ""}}), kBad},
        RowCase{"IpFaxCommMode2", With(kIpFaxRow, {{"MFIPFAXCMODE", "2"}}), kBad},
        RowCase{"FaxRowIgnoresIpSide", With(kFaxRow, {{"MFIPFAXCMODE", "9"}, {"MFIPFAX", "[x]"}}), kOk},
        RowCase{"IpFaxMailboxId", With(kIpFaxRow, {{"MFIPFAXMBOX", "1"}, {"MFIPFAXMBOXID", "0"}}), kBad},
        RowCase{"IpFaxPassword", With(kIpFaxRow, {{"MFIPFAXMBOX", "1"}, {"MFIPFAXMBOXID", "5"}, {"MFIPFAXMBOXPS", EwsForm("4321")}}), kOk},
        RowCase{"IpFaxPasswordPlain", With(kIpFaxRow, {{"MFIPFAXMBOXPS", "4321"}}), kBad},
        RowCase{"IpFaxRelay", With(kIpFaxRow, {{"MFIPFAXRLY", "1"}, {"MFIPFAXRLYID", "7"}, {"MFIPFAXRLYNUM", XspForm("0203")}}), kOk},
        RowCase{"IpFaxRelayIdMissing", With(kIpFaxRow, {{"MFIPFAXRLY", "1"}}), kBad},
        RowCase{"IpFaxFCode", With(kIpFaxRow, {{"MFIPFAXFCODE", "x"}}), kBad}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClassicRow, NamesAreShiftJisCharacters) {
  const std::string kanji18 = Sjis("\xe5\xb1\xb1") + std::string(17, 'a');  // 山 + 17 letters
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFCN", kanji18}})), kOk);
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFCN", kanji18 + "b"}})), kBad);
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFCN", Sjis("\xe3\x81\x8b\xef\xbd\xb1")}})), kOk);  // kana
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFCN", "\x81"}})), kBad);  // a cut character
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFCN", "tab\there"}})), kBad);
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFCN", std::string("n\0l", 3)}})), kBad);
}

TEST(Format6Row, TextIsUtf8AndInternetFaxIsSkipped) {
  const auto f6 = CsvRuleSet::kFormat6;
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFCN", "\xe5\xb1\xb1\xe7\x94\xb0"}}), f6), kOk);
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFCN", "\xf0\x9f\x98\x80"}}), f6), kBad);  // emoji
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFCN", std::string(19, 'a')}}), f6), kBad);
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFADDRT", "INTERNETFAX"}}), f6), kOther);
  EXPECT_EQ(CheckClassic(With(kFaxRow, {{"MFADDRT", "IFAX"}}), f6), kBad);
  EXPECT_EQ(CheckClassic(kIpFaxRow, f6), kOk);
}

TEST(AddressTypes, TablesOfTheDataFormats) {
  struct Case {
    const char* text;
    AbifStatus f1, f2, f6;
    int type;
  } cases[] = {
      {"FAX", kOk, kOk, kOk, 0},        {"IPFAX", kBad, kOk, kOk, 4},
      {"IFAX", kOther, kOther, kBad, 0}, {"INTERNETFAX", kBad, kBad, kOther, 0},
      {"MAIL", kOther, kOther, kOther, 0}, {"SERVER", kOther, kOther, kOther, 0},
      {"fax", kBad, kBad, kBad, 0},     {"", kBad, kBad, kBad, 0},
  };
  for (const auto& c : cases) {
    CFieldDataCheckWithFileFormat1 f1(3);
    CFieldDataCheckWithFileFormat2 f2(3);
    CFieldDataCheckWithFileFormat6 f6(103);
    EXPECT_EQ(f1.CheckAdrType(c.text), c.f1) << c.text;
    EXPECT_EQ(f2.CheckAdrType(c.text), c.f2) << c.text;
    EXPECT_EQ(f6.CheckAdrType(c.text), c.f6) << c.text;
    if (c.f2 == kOk) {
      EXPECT_EQ(f2.AddressType(), c.type) << c.text;
    }
  }
}

TEST(Checker, MeasuresAndMemory) {
  CFieldDataCheckWithFileFormat2 c(5);
  EXPECT_TRUE(c.CheckMaxMin("5000", -1, 10));
  EXPECT_TRUE(c.CheckMaxMin("5", 1, 10));
  EXPECT_FALSE(c.CheckMaxMin("11", 1, 10));
  EXPECT_FALSE(c.CheckMin("0", 1));
  EXPECT_TRUE(c.CheckMax("99999999999999999999999", -1));
  EXPECT_TRUE(c.CheckDigit("abc", 3, true));
  EXPECT_FALSE(c.CheckDigit("ab", 3, true));
  EXPECT_TRUE(c.CheckDigit("ab", 3, false));
  EXPECT_TRUE(c.CheckIsEmpty(""));

  const csvFileInfo& secure = *CsvColumnRule(CsvRuleSet::kFormat5x, "MFMBOX");
  const csvFileInfo& relay = *CsvColumnRule(CsvRuleSet::kFormat5x, "MFRLY");
  ASSERT_EQ(c.CheckAdrType("IPFAX"), kOk);
  ASSERT_TRUE(c.CheckIPFAXSecureSetting("1", secure));
  ASSERT_TRUE(c.CheckIPFAXRlySetting("1", relay));
  EXPECT_EQ(c.AddressType(), 4);
  EXPECT_EQ(c.SecureSetting(), 1);
  EXPECT_EQ(c.RelaySetting(), 2);
  c.ResetMemberValue();
  EXPECT_EQ(c.AddressType(), 0);
  EXPECT_EQ(c.SecureSetting(), 0);
  EXPECT_EQ(c.RelaySetting(), 0);
}

TEST(Checker, DataVersionOneKeepsMailboxPasswordsPlain) {
  const csvFileInfo& rule = *CsvColumnRule(CsvRuleSet::kFormat5x, "MFMBOXPS");
  CFieldDataCheckWithFileFormat v1(1), v5(5);
  EXPECT_TRUE(v1.CheckMailBoxPassword("1234", rule));
  EXPECT_FALSE(v5.CheckMailBoxPassword("1234", rule));
  EXPECT_TRUE(v5.CheckMailBoxPassword(EwsForm("1234"), rule));
  const csvFileInfo& pcode = *CsvColumnRule(CsvRuleSet::kFormat5x, "MFPCODE");
  CFieldDataCheckWithFileFormat1 f1(1);
  EXPECT_TRUE(f1.CheckPCode("12#", pcode));
}

// ---- Character filters -------------------------------------------------------------------------

TEST(Filters, RangesOfTheEntryFields) {
  struct Case {
    const FltrData* filter;
    const char* text;
    bool ok;
  } cases[] = {
      {&MFCN_FltrData, "Taro Yamada", true},
      {&MFCN_FltrData, "\xe5\xb1\xb1\xe7\x94\xb0", true},        // kanji
      {&MFCN_FltrData, "\xe3\x81\x8b\xe3\x82\xab", true},        // hiragana, katakana
      {&MFCN_FltrData, "\xef\xbd\xb1", true},                    // half-width katakana
      {&MFCN_FltrData, "\xc2\xa5\\~", true},                     // yen, backslash, tilde
      {&MFCN_FltrData, "[x]", false},
      {&MFCN_FltrData, "caf\xc3\xa9", false},                    // é is outside the set
      {&MFCN_FltrData, "\xf0\x9f\x98\x80", false},               // no Shift_JIS form
      {&MFCN_FltrData, "\x7f", false},
      {&MFCN_FltrData, "\xff", false},                           // not UTF-8
      {&MFFAX_FltrData, "+81 (3) 1234-5678 #*", true},
      {&MFFAX_FltrData, "03[1]", false},
      {&MFFAX_FltrData, "\xef\xbc\x90", false},                  // full-width digit
      {&MFIPFAX_FltreData, "sip:user@host.example:5060", true},
      {&MFIPFAX_FltreData, "a\tb", false},
      {&MFFAX_FltrData, "!#'|~", true},
      {&MFFAX_FltrData, "\"", false},
      {&MFIPFAX_FltreData, "{", false},
      {&MFIPFAX_FltreData, "}", false},
      {&MFFCODE_FltrData, " #*0123456789", true},
      {&MFFCODE_FltrData, "+", false},
      {&MFRLYNUM_FltrData, "0#*9", true},
      {&MFRLYNUM_FltrData, "1 2", false},
      {&MFMBOXPS_FltreData, "0123456789", true},
      {&MFMBOXPS_FltreData, "*", false},
      {&MFNUMBER_FltrData, "", true},
      {&MFNUMBER_FltrData, "-1", false},
  };
  for (const auto& c : cases) EXPECT_EQ(validateInputByJIS(c.text, *c.filter), c.ok) << c.text;
  const FltrData none = {0, {}, 0, {}, nullptr};
  EXPECT_FALSE(validateInputByJIS("a", none));
  EXPECT_TRUE(validateInputByJIS("", none));
}

// ---- Header and count checks -----------------------------------------------------------------

TEST(HeaderChecks, EachLayoutAcceptsExactlyItsList) {
  const auto l35 = Layout35();
  const auto l5x = Appended(l35, "MFENCSTR");
  const auto l21x = Appended(kLayout20x, "MFPASSDETECTION");
  ASSERT_EQ(kLayout3.size(), 88u);
  ASSERT_EQ(l5x.size(), 90u);
  ASSERT_EQ(kLayout20x.size(), 93u);

  CFieldDataCheckWithFileFormat3 f3(3);
  CFieldDataCheckWithFileFormat35 f35(5);
  CFieldDataCheckWithFileFormat5x f5x(5);
  CFieldDataCheckWithFileFormat6 f6(103);
  CFieldDataCheckWithFileFormat20x f20(0);
  CFieldDataCheckWithTSABFFileFormat partner;
  EXPECT_TRUE(f3.CheckHeaderFormat(NamesOf(kLayout3)));
  EXPECT_FALSE(f3.CheckHeaderFormat(NamesOf(l35)));
  EXPECT_TRUE(f35.CheckHeaderFormat(NamesOf(l35)));
  EXPECT_TRUE(f5x.CheckHeaderFormat(NamesOf(l5x)));
  EXPECT_FALSE(f5x.CheckHeaderFormat(NamesOf(l35)));
  EXPECT_TRUE(f6.CheckHeaderFormat(NamesOf(l5x)));
  EXPECT_TRUE(f20.CheckHeaderFormatFor2xx(0, NamesOf(kLayout20x)));
  EXPECT_TRUE(f20.CheckHeaderFormatFor2xx(2, NamesOf(kLayout20x)));
  EXPECT_TRUE(f20.CheckHeaderFormatFor2xx(1, NamesOf(l21x)));
  EXPECT_FALSE(f20.CheckHeaderFormatFor2xx(1, NamesOf(kLayout20x)));
  EXPECT_TRUE(partner.CheckHeaderFormat(NamesOf(kPartnerLayout)));

  auto renamed = l5x;
  renamed[40] = "MFXXX";
  EXPECT_FALSE(f5x.CheckHeaderFormat(NamesOf(renamed)));
  EXPECT_FALSE(f5x.CheckHeaderFormat(NamesOf(Appended(l5x, "EXTRA"))));
  auto shorter = l5x;
  shorter.pop_back();
  EXPECT_FALSE(f6.CheckHeaderFormat(NamesOf(shorter)));
}

TEST(HeaderChecks, ValueCounts) {
  struct Case {
    CFieldDataCheckWithFileFormat* checker;
    std::size_t count;
  };
  CFieldDataCheckWithFileFormat3 f3(3);
  CFieldDataCheckWithFileFormat35 f35(5);
  CFieldDataCheckWithFileFormat5x f5x(5);
  CFieldDataCheckWithFileFormat6 f6(103);
  CFieldDataCheckWithFileFormat20x f20(0);
  for (const Case& c : {Case{&f3, 88}, Case{&f35, 89}, Case{&f5x, 90}, Case{&f6, 90}, Case{&f20, 93}}) {
    EXPECT_EQ(c.checker->CheckCountOfValue(c.count), kOk);
    EXPECT_EQ(c.checker->CheckCountOfValue(c.count + 1), kBad);
    EXPECT_EQ(c.checker->CheckCountOfValue(c.count - 1), kBad);
  }
  EXPECT_EQ(f20.CheckCountOfValueFor2xx(1, 94), kOk);
  EXPECT_EQ(f20.CheckCountOfValueFor2xx(1, 93), kBad);
  EXPECT_EQ(f20.CheckCountOfValueFor2xx(0, 93), kOk);
  CFieldDataCheckWithTSABFFileFormat partner;
  EXPECT_EQ(partner.CheckCountOfValue(23), kOk);
  EXPECT_EQ(partner.CheckCountOfValue(24), kBad);
}

// ---- Miravo 2.x rows ---------------------------------------------------------------------------

AbifStatus CheckMiravo(const Values& values) {
  const CsvRecord names = NamesOf(kLayout20x);
  CFieldDataCheckWithFileFormat20x checker(1);
  return CheckFieldDataWithDataFormat20x(RowOf(names, values), names,
                                         detail::CarriedMiravo().names, checker);
}

TEST(MiravoRow, AddressTypeComesFromTheAddresses) {
  const Values fax = {{"MFCN", "Hanako"}, {"MFCNTTYPE", "0"}, {"MFCMODE", "0"},
                      {"MFFAX", "0311112222"}, {"MFLINE", "0"}, {"MFMBOX", "0"}};
  EXPECT_EQ(CheckMiravo(fax), kOk);
  EXPECT_EQ(CheckMiravo(With(fax, {{"MFFAX", ""}})), kOther);
  const Values ip = With(fax, {{"MFFAX", ""}, {"MFIPFAX", "sip:9@x"}, {"MFCMODE", "zz"}});
  EXPECT_EQ(CheckMiravo(ip), kBad) << "IP fax communication mode is required";
  EXPECT_EQ(CheckMiravo(With(ip, {{"MFIPFAXCMODE", "1"}, {"MFIPFAXMBOX", "0"}})), kOk);
  // Names are not limited in length here (they are cut when the entry is made), but keep to
  // the character set.
  EXPECT_EQ(CheckMiravo(With(fax, {{"MFCN", std::string(30, 'n')}})), kOk);
  EXPECT_EQ(CheckMiravo(With(fax, {{"MFCN", "\xf0\x9f\x98\x80"}})), kBad);
  EXPECT_EQ(CheckMiravo(With(fax, {{"MFCNTTYPE", "12"}})), kBad);
  EXPECT_EQ(CheckMiravo(With(fax, {{"MFLINE", "1"}})), kBad);
}

// ---- Partner rows ------------------------------------------------------------------------------

TEST(PartnerRow, DisplayNameAndFaxNumber) {
  const CsvRecord names = NamesOf(kPartnerLayout);
  CFieldDataCheckWithTSABFFileFormat c;
  EXPECT_EQ(c.CheckDisplayName(RowOf(names, {{"Company", "ACME"}}), names), 5u);
  EXPECT_EQ(c.CheckDisplayName(RowOf(names, {{"LastName", "L"}, {"FaxNumber", "1"}}), names), 4u);
  EXPECT_EQ(c.CheckDisplayName(RowOf(names, {{"ScanServerAddress", "s"}}), names), 17u);
  EXPECT_EQ(c.CheckDisplayName(RowOf(names, {{"IsDL", "0"}}), names),
            CFieldDataCheckWithTSABFFileFormat::kNoDisplayName);

  const csvFileInfo& fax = *CsvColumnRule(CsvRuleSet::kPartner, "FaxNumber");
  EXPECT_TRUE(c.CheckFaxNumber(std::string(100, '1'), fax));
  EXPECT_FALSE(c.CheckFaxNumber(std::string(101, '1'), fax));
  EXPECT_FALSE(c.CheckFaxNumber("", fax));
  EXPECT_FALSE(c.CheckFaxNumber("[1]", fax));
  EXPECT_TRUE(c.CheckEmailAddress("anything at all", fax));

  const auto carried = detail::CarriedPartner().names;
  auto check = [&](const Values& v) { return CheckFieldDataWithDataFormat(RowOf(names, v), names, carried, c); };
  EXPECT_EQ(check({{"DisplayName", "A"}, {"FaxNumber", "0312"}}), kOk);
  EXPECT_EQ(check({{"Company", "ACME"}}), kOther) << "no fax number: nothing to import";
  EXPECT_EQ(check({{"DisplayName", "\xf0\x9f\x98\x80"}, {"FaxNumber", "1"}}), kBad);
  EXPECT_EQ(check({{"FirstName", std::string(33, 'f')}, {"FaxNumber", "1"}}), kBad);
  EXPECT_EQ(check({{"DisplayName", std::string(128, 'd')}, {"FaxNumber", "1"}}), kOk);
  EXPECT_EQ(check({{"E-mailAddress", "\x01\xff"}, {"FaxNumber", "1"}}), kOk);
}

}  // namespace
