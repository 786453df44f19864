// CSV address book import: a sample file per dialect, every import status, hostile files.
#include "nx/phonebook/abif_csv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "nx/phonebook/csv_record.h"
#include "nx/platform/text_encoding.h"
#include "phonebook_test_support.h"

namespace {

using namespace nx::phonebook;
using namespace pbtest::layouts;
using pbtest::Container;
using pbtest::EwsForm;
using pbtest::Get;
using pbtest::XspForm;
using Values = std::map<std::string, std::string>;

// The consistency value of a row: its addresses joined by tabs, base64, "0" written as "-".
std::string EncString(const Values& v) {
  std::vector<std::string> taken;
  auto value = [&](const char* k) {
    const auto it = v.find(k);
    return it == v.end() ? std::string() : it->second;
  };
  if (!value("MFFAX").empty()) taken = {value("MFFAX"), value("MFFCODE")};
  if (!value("MFIPFAX").empty()) {
    taken.push_back(value("MFIPFAX"));
    taken.push_back(value("MFIPFAXFCODE"));
  }
  std::string joined;
  for (std::size_t i = 0; i < taken.size(); ++i) joined += (i ? "\t" : "") + taken[i];
  std::string b = pbtest::Base64(joined);
  for (char& c : b) {
    if (c == '0') c = '-';
  }
  return b;
}

Values WithEnc(Values v) {
  v["MFENCSTR"] = EncString(v);
  return v;
}

// A device export: first line, column-name line, rows (each column filled by name).
struct DeviceFile {
  std::string text;
  std::vector<std::string> columns;

  DeviceFile(const std::vector<std::string>& first, std::vector<std::string> cols)
      : columns(std::move(cols)) {
    WriteRecord(text, first);
    WriteRecord(text, columns);
  }
  DeviceFile& Row(const Values& values, bool brackets = false) {
    std::vector<std::string> fields(columns.size());
    for (const auto& [k, v] : values) {
      const auto it = std::find(columns.begin(), columns.end(), k);
      EXPECT_NE(it, columns.end()) << k;
      if (it != columns.end()) fields[static_cast<std::size_t>(it - columns.begin())] = v;
    }
    if (brackets) {
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!fields[i].empty() || i % 2) fields[i] = "[" + fields[i] + "]";
      }
    }
    WriteRecord(text, fields);
    return *this;
  }
  DeviceFile& Raw(const std::string& line) {
    text += line;
    return *this;
  }
};

std::vector<std::string> Classic(const char* format, const char* version) {
  return {"*", "1", format, version, "", ""};
}

const Values kFax = {
    {"MFDN", "1"},        {"MFADDRT", "FAX"},  {"MFCN", "Taro"},       {"MFCMODE", "0"},
    {"MFFAX", "0312345678"}, {"MFLINE", "0"},  {"MFMBOX", "0"},        {"MFRLY", "0"},
    {"MFRLYPRN", "0"},    {"MFIPFAXCMODE", "0"}, {"MFIPFAXMBOX", "0"}, {"MFIPFAXRLY", "0"},
    {"MFIPFAXRLYPRN", "0"},
};

Values With(Values base, const Values& changes) {
  for (const auto& [k, v] : changes) base[k] = v;
  return base;
}

const Values kSecure = With(kFax, {{"MFDN", "2"}, {"MFCMODE", "2"}, {"MFLINE", "2"},
                                   {"MFMBOX", "1"}, {"MFMBOXID", "12"},
                                   {"MFMBOXPS", EwsForm("1234")}, {"MFFCODE", "12#"},
                                   {"MFPCODE", EwsForm("9876")}});
const Values kRelay = With(kFax, {{"MFDN", "3"}, {"MFCMODE", "1"}, {"MFRLY", "1"},
                                  {"MFRLYID", "7"}, {"MFRLYPRN", "1"},
                                  {"MFRLYNUM", XspForm("0102")}});
const Values kIpFax = With(kFax, {{"MFDN", "4"}, {"MFADDRT", "IPFAX"}, {"MFFAX", ""},
                                  {"MFIPFAX", "sip:4@example.com"}, {"MFIPFAXCMODE", "1"},
                                  {"MFIPFAXMBOX", "1"}, {"MFIPFAXMBOXID", "5"},
                                  {"MFIPFAXMBOXPS", EwsForm("4321")}, {"MFIPFAXFCODE", "77"}});
const Values kMail = With(kFax, {{"MFDN", "5"}, {"MFADDRT", "MAIL"}});

std::vector<tag_ABIF_EWSCVS> Records(const ABIFDATA* c) {
  std::vector<tag_ABIF_EWSCVS> out(static_cast<std::size_t>(ABIFData_GetCount_EWSCVS(c)));
  for (std::size_t i = 0; i < out.size(); ++i)
    EXPECT_EQ(ABIFData_GetAt_EWSCVS(c, static_cast<int>(i), &out[i]), kAbifSuccess);
  return out;
}

AbifStatus Import(const std::string& text, ABIFDATA* c, AbifImportInfo* info = nullptr,
                  int device = 1) {
  return Abif_ImportData(text.data(), text.size(), c, info, device);
}

void ExpectClassicRecords(const std::vector<tag_ABIF_EWSCVS>& r) {
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(Get(r[0].MFDN), "1");
  EXPECT_EQ(Get(r[0].MFADDRT), "0");
  EXPECT_EQ(Get(r[0].MFFAX), "0312345678");
  EXPECT_EQ(Get(r[0].MFCMODE), "0");
  EXPECT_EQ(Get(r[0].MFRLY), "0");
  // Secure send: codes converted, passwords opened.
  EXPECT_EQ(Get(r[1].MFCMODE), "1");
  EXPECT_EQ(Get(r[1].MFLINE), "1");
  EXPECT_EQ(Get(r[1].MFMBOX), "1");
  EXPECT_EQ(Get(r[1].MFMBOXID), "12");
  EXPECT_EQ(Get(r[1].MFMBOXPS), "1234");
  EXPECT_EQ(Get(r[1].MFFCODE), "12#");
  EXPECT_EQ(Get(r[1].MFPCODE), "9876");
  // Relay send: the list decoded.
  EXPECT_EQ(Get(r[2].MFCMODE), "2");
  EXPECT_EQ(Get(r[2].MFRLY), "2");
  EXPECT_EQ(Get(r[2].MFRLYID), "7");
  EXPECT_EQ(Get(r[2].MFRLYPRN), "1");
  EXPECT_EQ(Get(r[2].MFRLYNUM), "0102");
  // IP fax.
  EXPECT_EQ(Get(r[3].MFADDRT), "4");
  EXPECT_EQ(Get(r[3].MFIPFAX), "sip:4@example.com");
  EXPECT_EQ(Get(r[3].MFIPFAXCMODE), "2");
  EXPECT_EQ(Get(r[3].MFIPFAXMBOX), "1");
  EXPECT_EQ(Get(r[3].MFIPFAXMBOXPS), "4321");
  EXPECT_EQ(Get(r[3].MFIPFAXFCODE), "77");
}

// ---- One sample file per dialect ---------------------------------------------------------------

TEST(ImportDialects, Format3WithDataVersion3) {
  std::string name;
  ASSERT_TRUE(nx::platform::Utf8ToShiftJis("\xe5\xb1\xb1\xe7\x94\xb0", name));  // 山田
  DeviceFile f(Classic("3", "3"), kLayout3);
  f.Row(With(kFax, {{"MFCN", name}})).Row(kSecure).Row(kRelay).Row(kMail).Row(kIpFax);
  Container c;
  AbifImportInfo info;
  ASSERT_EQ(Import(f.text, c, &info), kAbifSuccess);
  EXPECT_EQ(info.dataTypeVersion, 1);
  EXPECT_EQ(info.dataFormatVersion, 3);
  EXPECT_FALSE(info.partnerFormat);
  const auto r = Records(c);
  ExpectClassicRecords(r);
  EXPECT_EQ(Get(r[0].MFCN), name) << "names stay in the file's encoding";

  // The same file with lone CR line ends.
  std::string crOnly;
  for (std::size_t i = 0; i < f.text.size(); ++i) {
    if (!(f.text[i] == '\n' && i > 0 && f.text[i - 1] == '\r')) crOnly.push_back(f.text[i]);
  }
  ASSERT_EQ(crOnly.find('\n'), std::string::npos);
  Container cr;
  ASSERT_EQ(Import(crOnly, cr), kAbifSuccess);
  ExpectClassicRecords(Records(cr));
}

TEST(ImportDialects, Format3WithDataVersion5) {
  DeviceFile f(Classic("3", "5"), Layout35());
  f.Row(kFax).Row(kSecure).Row(kRelay).Row(kIpFax);
  Container c;
  ASSERT_EQ(Import(f.text, c), kAbifSuccess);
  ExpectClassicRecords(Records(c));

  DeviceFile wrong(Classic("3", "5"), kLayout3);  // the layout of data version 3
  Container c2;
  EXPECT_EQ(Import(wrong.Row(kFax).text, c2), kAbifCsvBadDataFormat);
}

TEST(ImportDialects, Format5WithConsistencyValues) {
  const auto layout = Appended(Layout35(), "MFENCSTR");
  DeviceFile f(Classic("5", "5"), layout);
  f.Row(WithEnc(kFax)).Row(WithEnc(kSecure)).Row(WithEnc(kRelay)).Row(WithEnc(kIpFax));
  Container c;
  ASSERT_EQ(Import(f.text, c), kAbifSuccess);
  ExpectClassicRecords(Records(c));

  // A number changed by hand after the export.
  Values edited = WithEnc(kFax);
  edited["MFFAX"] = "0312345679";
  DeviceFile g(Classic("5", "5"), layout);
  g.Row(WithEnc(kSecure)).Row(edited).Row(WithEnc(kRelay));
  Container c2;
  EXPECT_EQ(Import(g.text, c2), kAbifCsvEditedByHand);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c2), 1) << "rows before the edited one";

  // An empty consistency value is not checked; a longer one only by its start.
  Values blank = kFax, longer = WithEnc(kFax);
  blank["MFENCSTR"] = "";
  longer["MFENCSTR"] += "tail";
  DeviceFile h(Classic("5", "5"), layout);
  Container c3;
  EXPECT_EQ(Import(h.Row(blank).Row(longer).text, c3), kAbifSuccess);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c3), 2);
}

TEST(ImportDialects, Format6IsUtf8) {
  const auto layout = Appended(Layout35(), "MFENCSTR");
  const Values utf8Name = With(kFax, {{"MFCN", "\xe5\xb1\xb1\xe7\x94\xb0 \xe5\xa4\xaa\xe9\x83\x8e"}});
  DeviceFile f(Classic("6", "103"), layout);
  f.Row(WithEnc(utf8Name)).Row(WithEnc(kSecure)).Row(WithEnc(kRelay)).Row(WithEnc(kIpFax));
  Container c;
  AbifImportInfo info;
  ASSERT_EQ(Import(f.text, c, &info), kAbifSuccess);
  EXPECT_EQ(info.dataFormatVersion, 6);
  const auto r = Records(c);
  ExpectClassicRecords(r);
  EXPECT_EQ(Get(r[0].MFCN), utf8Name.at("MFCN"));

  // Format 6 skips Internet fax rows instead of refusing the file.
  DeviceFile g(Classic("6", "103"), layout);
  g.Row(WithEnc(With(kFax, {{"MFADDRT", "INTERNETFAX"}}))).Row(WithEnc(kFax));
  Container c2;
  EXPECT_EQ(Import(g.text, c2), kAbifSuccess);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c2), 1);
}

const Values kMiravoFax = {{"MFCNTID", "12"}, {"MFCN", "\xe8\x8a\xb1\xe5\xad\x90"},
                           {"MFCNTTYPE", "0"}, {"MFCMODE", "2"}, {"MFFAX", "0311112222"},
                           {"MFLINE", "2"}, {"MFMBOX", "1"}, {"MFMBOXID", "3"},
                           {"MFMBOXPS", EwsForm("5555")}, {"MFFCODE", "1"}};
const Values kMiravoIp = {{"MFCNTID", "13"}, {"MFCN", "IP"}, {"MFCNTTYPE", "0"},
                          {"MFIPFAX", "sip:13@example.com"}, {"MFIPFAXCMODE", "0"},
                          {"MFIPFAXMBOX", "0"}};

TEST(ImportDialects, Miravo20xWithBrackets) {
  DeviceFile f({"*", "2", "0", "3", ""}, kLayout20x);
  f.Row(WithEnc(kMiravoFax), true)
      .Row(WithEnc(With(kMiravoFax, {{"MFCNTTYPE", "1"}, {"MFCNTID", "99"}})), true)  // group
      .Row(WithEnc(kMiravoIp), true);
  Container c;
  AbifImportInfo info;
  ASSERT_EQ(Import(f.text, c, &info), kAbifSuccess);
  EXPECT_EQ(info.dataTypeVersion, 2);
  const auto r = Records(c);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(Get(r[0].MFDN), "12");
  EXPECT_EQ(Get(r[0].MFADDRT), "0");
  EXPECT_EQ(Get(r[0].MFCMODE), "1");
  EXPECT_EQ(Get(r[0].MFLINE), "1");
  EXPECT_EQ(Get(r[0].MFMBOXPS), "5555");
  EXPECT_EQ(Get(r[0].MFCN), "\xe8\x8a\xb1\xe5\xad\x90");
  EXPECT_EQ(Get(r[0].MFRLY), "") << "not a column of this layout";
  EXPECT_EQ(Get(r[1].MFDN), "13");
  EXPECT_EQ(Get(r[1].MFADDRT), "4");
  EXPECT_EQ(Get(r[1].MFIPFAX), "sip:13@example.com");

  Container refused;
  EXPECT_EQ(Import(f.text, refused, nullptr, 0), kAbifCsvBadDataFormat) << "device type 0";
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(refused), 0);

  Values edited = WithEnc(kMiravoIp);
  edited["MFIPFAX"] = "sip:14@example.com";
  DeviceFile g({"*", "2", "0", "3", ""}, kLayout20x);
  g.Row(WithEnc(kMiravoFax), true).Row(edited, true);
  Container c2;
  EXPECT_EQ(Import(g.text, c2), kAbifCsvEditedByHand);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c2), 1);
}

TEST(ImportDialects, Miravo21xHasOneMoreColumn) {
  DeviceFile f({"*", "2", "1", "3", ""}, Appended(kLayout20x, "MFPASSDETECTION"));
  f.Row(WithEnc(kMiravoFax), true);
  Container c;
  ASSERT_EQ(Import(f.text, c), kAbifSuccess);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c), 1);

  DeviceFile g({"*", "2", "1", "3", ""}, kLayout20x);
  Container c2;
  EXPECT_EQ(Import(g.Row(WithEnc(kMiravoFax), true).text, c2), kAbifCsvBadDataFormat);

  // Data version 1 carries mailbox passwords as plain text.
  DeviceFile plain({"*", "2", "1", "1", ""}, Appended(kLayout20x, "MFPASSDETECTION"));
  plain.Row(WithEnc(With(kMiravoFax, {{"MFMBOXPS", "5555"}})), true);
  Container c3;
  ASSERT_EQ(Import(plain.text, c3), kAbifSuccess);
  EXPECT_EQ(Get(Records(c3).at(0).MFMBOXPS), "5555");
}

TEST(ImportDialects, MiravoBrackets) {
  auto file = [](const std::string& fax, const std::string& id) {
    DeviceFile f({"*", "2", "0", "3", ""}, kLayout20x);
    std::vector<std::string> fields(kLayout20x.size());
    auto set = [&](const char* k, const std::string& v) {
      fields[static_cast<std::size_t>(std::find(kLayout20x.begin(), kLayout20x.end(), k) -
                                      kLayout20x.begin())] = v;
    };
    set("MFCNTID", id);
    set("MFCN", "[n]");
    set("MFCNTTYPE", "[]");
    set("MFCMODE", "[0]");
    set("MFFAX", fax);
    set("MFLINE", "[0]");
    set("MFMBOX", "[0]");
    WriteRecord(f.text, fields);
    return f.text;
  };
  Container c;
  ASSERT_EQ(Import(file("[0312]", "[12]"), c), kAbifSuccess);
  auto r = Records(c);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(Get(r[0].MFDN), "12");
  EXPECT_EQ(Get(r[0].MFFAX), "0312");
  Container empty;
  ASSERT_EQ(Import(file("[0312]", "[]"), empty), kAbifSuccess);
  EXPECT_EQ(Get(Records(empty).at(0).MFDN), "");
  for (const char* bad : {"0312", "[0312", "0312]", "]0312["}) {
    Container c2;
    EXPECT_EQ(Import(file(bad, "[1]"), c2), kAbifCsvBadValue) << bad;
  }
}

std::string PartnerRow(const std::string& id, const std::string& display,
                       const std::string& fax, const std::string& company = "",
                       const std::string& isDl = "0") {
  std::vector<std::string> f(kPartnerLayout.size());
  f[0] = id;
  f[1] = display;
  f[4] = company;
  f[7] = isDl;
  f[9] = fax;
  f[11] = "mail@example.com";
  std::string out;
  WriteRecord(out, f);
  return out;
}

std::string PartnerHeader(bool bom = false) {
  std::string out = bom ? "\xef\xbb\xbf" : "";
  WriteRecord(out, kPartnerLayout);
  return out;
}

TEST(ImportDialects, PartnerFormat) {
  const std::string text = PartnerHeader(true) + PartnerRow("1", "Alice", "0311") +
                           PartnerRow("2", "", "", "Only Company") +  // no fax: skipped
                           PartnerRow("3", "List", "0322", "", "1") +  // distribution list
                           PartnerRow("4", "", "") +                   // nothing to show
                           PartnerRow("5", "", "0344", "Bob Inc") +
                           PartnerRow("123456", "D", "0355");
  Container c;
  AbifImportInfo info;
  ASSERT_EQ(Import(text, c, &info), kAbifSuccess);
  EXPECT_TRUE(info.partnerFormat);
  ASSERT_EQ(ABIFData_GetCount_TSABFCVS(c), 3);
  tag_ABIF_TSABF r;
  ASSERT_EQ(ABIFData_GetAt_TSABFCVS(c, 0, &r), kAbifSuccess);
  EXPECT_EQ(Get(r.DisplayName), "Alice");
  EXPECT_EQ(Get(r.FaxNumber), "0311");
  EXPECT_EQ(Get(r.EmailAddress), "mail@example.com");
  ASSERT_EQ(ABIFData_GetAt_TSABFCVS(c, 1, &r), kAbifSuccess);
  EXPECT_EQ(Get(r.DisplayName), "Bob Inc") << "display name taken from the company";
  EXPECT_EQ(Get(r.Company), "Bob Inc");
  ASSERT_EQ(ABIFData_GetAt_TSABFCVS(c, 2, &r), kAbifSuccess);
  EXPECT_EQ(Get(r.TmrAddressBookId), "1234") << "cut to its 4 bytes";
}

TEST(ImportDialects, PartnerNameLimitAndRowStop) {
  Container c;
  EXPECT_EQ(Import(PartnerHeader() + PartnerRow("1", std::string(129, 'd'), "1"), c),
            kAbifCsvBadValue);

  std::string text = PartnerHeader();
  for (int i = 0; i < 3000; ++i) text += PartnerRow(std::to_string(i), "N", "03" + std::to_string(i));
  Container many;
  ASSERT_EQ(Import(text, many), kAbifSuccess);
  EXPECT_EQ(ABIFData_GetCount_TSABFCVS(many), 2501);

  Container wrong;
  std::string header = "TmrAddressBookId,DisplayName\r\n";
  EXPECT_EQ(Import(header + PartnerRow("1", "A", "1"), wrong), kAbifCsvBadDataFormat);
}

// ---- First-line checks and statuses ----------------------------------------------------------

struct HeaderCase {
  const char* name;
  std::vector<std::string> first;
  AbifStatus expected;
};

class ImportHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ImportHeaderTest, Status) {
  const auto& p = GetParam();
  const bool miravo = p.first.size() > 1 && p.first[1] == "2";
  const bool enc = !miravo && p.first.size() > 2 && (p.first[2] == "5" || p.first[2] == "6");
  const auto layout = miravo ? kLayout20x
                             : (enc ? Appended(Layout35(), "MFENCSTR")
                                    : (p.first.size() > 3 && p.first[3] == "5" ? Layout35() : kLayout3));
  DeviceFile f(p.first, layout);
  f.Row(miravo ? WithEnc(kMiravoFax) : (enc ? WithEnc(kFax) : kFax), miravo);
  Container c;
  EXPECT_EQ(Import(f.text, c), p.expected);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c), p.expected == kAbifSuccess ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ImportHeaderTest,
    ::testing::Values(
        HeaderCase{"SixCommas", {"*", "1", "5", "5", "", "", ""}, kAbifSuccess},
        HeaderCase{"SevenCommas", {"*", "1", "5", "5", "", "", "", ""}, kAbifCsvBadHeader},
        HeaderCase{"FourCommasClassic", {"*", "1", "5", "5", ""}, kAbifCsvBadHeader},
        HeaderCase{"DataFormat4", {"*", "1", "4", "5", "", ""}, kAbifCsvBadDataFormat},
        HeaderCase{"DataFormat1", {"*", "1", "1", "5", "", ""}, kAbifCsvBadDataFormat},
        HeaderCase{"DataVersion103", {"*", "1", "6", "103", "", ""}, kAbifSuccess},
        HeaderCase{"DataVersion2", {"*", "1", "3", "2", "", ""}, kAbifSuccess},
        HeaderCase{"DataVersion4", {"*", "1", "5", "4", "", ""}, kAbifCsvBadDataVersion},
        HeaderCase{"DataVersionText", {"*", "1", "5", "five", "", ""}, kAbifCsvBadDataVersion},
        HeaderCase{"StarAtFifth", {"####*", "1", "5", "5", "", ""}, kAbifSuccess},
        HeaderCase{"NoStar", {"#", "1", "5", "5", "", ""}, kAbifCsvBadDataFormat},
        HeaderCase{"MiravoFiveCommas", {"*", "2", "0", "3", "", ""}, kAbifCsvBadHeader},
        HeaderCase{"MiravoFourCommas", {"*", "2", "0", "3", ""}, kAbifSuccess}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImportRows, EndMarkerStopsTheRows) {
  DeviceFile f(Classic("3", "3"), kLayout3);
  f.Row(kFax).Raw("*\r\n").Row(kSecure).Raw("garbage\r\n");
  Container c;
  EXPECT_EQ(Import(f.text, c), kAbifSuccess);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c), 1);
}

TEST(ImportRows, DamagedRowsStopTheImportAndKeepEarlierRows) {
  const std::string damaged[] = {
      "only,three,fields\r\n",                                  // wrong number of values
      std::string(1 << 20, 'x') + "\r\n",                       // a megabyte line
      std::string(1 << 20, ',') + "\r\n",                       // a megabyte of separators
      "\"never closed" + std::string(5000, ',') + "\r\n",       // unterminated quote
  };
  for (const auto& line : damaged) {
    DeviceFile f(Classic("3", "3"), kLayout3);
    f.Row(kFax).Raw(line).Row(kSecure);
    Container c;
    EXPECT_EQ(Import(f.text, c), kAbifCsvBadValue) << line.substr(0, 20);
    EXPECT_EQ(ABIFData_GetCount_EWSCVS(c), 1);
  }
  DeviceFile nul(Classic("3", "3"), kLayout3);
  nul.Row(kFax).Row(With(kFax, {{"MFCN", std::string("a\0b", 3)}}));
  Container c;
  EXPECT_EQ(Import(nul.text, c), kAbifCsvBadValue);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c), 1);
}

TEST(ImportRows, BlankLinesAndOtherAddressKindsAreSkipped) {
  DeviceFile f(Classic("3", "3"), kLayout3);
  f.Row(kFax).Raw("\r\n\r\n").Row(kMail).Row(With(kFax, {{"MFADDRT", "SERVER"}})).Row(kRelay);
  Container c;
  EXPECT_EQ(Import(f.text, c), kAbifSuccess);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c), 2);
}

// Each line reuses the storage of the line before and the columns are looked up once per
// file: every record must hold its own row's values, not the remains of a longer row.
TEST(ImportRows, EachRecordHoldsOnlyItsOwnRow) {
  DeviceFile f(Classic("3", "3"), kLayout3);
  const Values longest = With(kRelay, {{"MFCN", std::string(18, 'N')},
                                       {"MFFAX", std::string(40, '9')}});
  f.Row(longest).Row(With(kFax, {{"MFCN", "Jo"}, {"MFFAX", "1"}})).Row(kSecure);
  Container c;
  ASSERT_EQ(Import(f.text, c), kAbifSuccess);
  const auto r = Records(c);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(Get(r[0].MFCN), std::string(18, 'N'));
  EXPECT_EQ(Get(r[0].MFRLYNUM), "0102");
  EXPECT_EQ(Get(r[1].MFCN), "Jo");
  EXPECT_EQ(Get(r[1].MFFAX), "1");
  EXPECT_EQ(Get(r[1].MFRLYNUM), "");
  EXPECT_EQ(Get(r[1].MFRLY), "0");
  EXPECT_EQ(Get(r[2].MFCN), "Taro");
  EXPECT_EQ(Get(r[2].MFMBOXPS), "1234");
  EXPECT_EQ(Get(r[2].MFPCODE), "9876");
  EXPECT_EQ(Get(r[2].MFRLYNUM), "");
}

TEST(ImportRows, AHundredThousandRowsFillTheContainerOnce) {
  std::string text;
  WriteRecord(text, Classic("3", "3"));
  WriteRecord(text, kLayout3);
  std::vector<std::string> row(kLayout3.size());
  for (const auto& [k, v] : kFax)
    row[static_cast<std::size_t>(std::find(kLayout3.begin(), kLayout3.end(), k) - kLayout3.begin())] = v;
  std::string line;
  WriteRecord(line, row);
  for (int i = 0; i < 100000; ++i) text += line;
  Container c;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Import(text, c), kAbifSuccess);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c), 10000);
  RecordProperty("import_ms", static_cast<int>(ms));
}

TEST(ImportFiles, ArgumentsAndOutValues) {
  pbtest::TempDir dir;
  DeviceFile f(Classic("3", "3"), kLayout3);
  pbtest::WriteFile(dir.File("book.csv"), f.Row(kFax).text);
  const std::string path = dir.File("book.csv");
  Container c;
  int type = -1, format = -1;
  bool partner = true;
  EXPECT_EQ(Abif_Import(nullptr, path.c_str(), kAbifImportCsv, c, &type, &format, &partner, 1),
            kAbifSuccess);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(format, 3);
  EXPECT_FALSE(partner);
  EXPECT_EQ(ABIFData_GetCount_EWSCVS(c), 1);
  EXPECT_EQ(Abif_Import(nullptr, nullptr, 2, c, nullptr, nullptr, nullptr, 1), kAbifBadArgument);
  EXPECT_EQ(Abif_Import(nullptr, path.c_str(), 2, nullptr, nullptr, nullptr, nullptr, 1),
            kAbifNoContainer);
  EXPECT_EQ(Abif_Import(nullptr, path.c_str(), 1, c, nullptr, nullptr, nullptr, 1),
            kAbifBadArgument);
  EXPECT_EQ(Abif_Import(nullptr, dir.File("none.csv").c_str(), 2, c, nullptr, nullptr, nullptr, 1),
            kAbifBadArgument);
  EXPECT_EQ(Abif_Import(nullptr, dir.path().c_str(), 2, c, nullptr, nullptr, nullptr, 1),
            kAbifBadArgument);

  pbtest::WriteFile(dir.File("empty.csv"), "");
  EXPECT_EQ(Abif_Import(nullptr, dir.File("empty.csv").c_str(), 2, c, nullptr, nullptr, nullptr, 1),
            kAbifCsvBadHeader);
  const std::string partnerText = PartnerHeader() + PartnerRow("1", "A", "1");
  pbtest::WriteFile(dir.File("partner.csv"), partnerText);
  Container p;
  EXPECT_EQ(Abif_Import(nullptr, dir.File("partner.csv").c_str(), 2, p, &type, &format, &partner, 0),
            kAbifSuccess);
  EXPECT_TRUE(partner);
  EXPECT_EQ(ABIFData_GetCount_TSABFCVS(p), 1);
}

}  // namespace
