// Writes the seed corpora of the fuzz targets from the worked examples of the tests:
//   fuzz_make_corpus <folder>     (writes <folder>/<target>/<name>)
// The corpora are kept in the repository; run this again only when a format grows.
#include <cups/raster.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "EncryptLib.h"
#include "nx/phonebook/abif_data.h"
#include "nx/phonebook/abif_file.h"
#include "nx/phonebook/csv_record.h"
#include "nx/ticket/byte_list.h"
#include "nx/ticket/keys.h"
#include "nx/ticket/protected_text.h"
#include "phonebook_test_support.h"

namespace {

namespace fs = std::filesystem;
namespace pb = nx::phonebook;
namespace enc = nx::encrypt;
namespace key = nx::ticket::key;

fs::path gRoot;

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
  fs::create_directories(gRoot / target);
  std::ofstream(gRoot / target / name, std::ios::binary | std::ios::trunc) << bytes;
}

// ---- ticket_header ---------------------------------------------------------------------------

std::string ItemKey(int index) { return key::DFRecipientListItemKeyTicket + std::to_string(index); }

// `pairs` of full keys and values as an option string.
std::string Options(const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string out;
  for (const auto& [k, v] : pairs) {
    if (!out.empty()) out += ' ';
    out += k + "=";
    const bool quote = v.empty() || v.find_first_of(" '\"\\") != std::string::npos;
    if (!quote) {
      out += v;
      continue;
    }
    out += '\'';
    for (char c : v) {
      if (c == '\'' || c == '\\') out += '\\';
      out += c;
    }
    out += '\'';
  }
  return out;
}

std::string StoredPassword(const std::string& plain) {
  std::string stored;
  if (nx::ticket::EncryptStoredText(plain, &stored) != enc::kEncSuccess) stored.clear();
  return stored;
}

std::string ByteList(const std::string& text) {
  return nx::ticket::EncodeByteList(text, nx::ticket::ByteSpelling::kUnsigned);
}

void TicketSeeds() {
  auto seed = [](const std::string& name, char mode, const std::string& user, const std::string& title,
                 const std::string& options) {
    Write("ticket_header", name, std::string(1, mode) + user + '\0' + title + '\0' + options);
  };
  const std::string accounting = Options({{key::PrintTypeTicketKey, "2"},
                                          {key::PrintTypeUserNameTicketKey, "U1"},
                                          {key::PrintTypePasswordTicketKey, "Kx8qLR0="},
                                          {key::DocumentNameTypeTicketKey, "1"},
                                          {key::PrintTypeProductTypeTicketKey, "2"},
                                          {key::JBAManageTypeListTicketKey, "2"},
                                          {key::JBAUserSettingRadioBtnTicket, "1"},
                                          {key::JBAUserIDListCtrlTicket, "2"},
                                          {key::JBAUserIDTextEditTicket, "ABC"},
                                          {key::JBAUserPasswordTextEditTicket, "ERkVAw=="},
                                          {key::DFRecipientListCountTicket, "1"},
                                          {ItemKey(0), "FAEN=0312345678"}});
  seed("accounting-secure-print", 4, "alice", "Report", accounting);
  const std::string fax = Options({{key::DeviceOptionFaxModuleTypePopupListTicket, "2"},
                                   {key::DeviceOptionOutsideExtensionKitPopupListTicket, "0"},
                                   {key::DFFaxResolutionPopupListTicket, "2"},
                                   {key::DFTransmissionReportPopupListTicket, "2"},
                                   {key::DFaxSendHeaderTicket, "1"},
                                   {key::DFRecipientPaperSizeTicket, "A4"},
                                   {key::DFRecipientListCountTicket, "2"},
                                   {ItemKey(0), "FAEN=90312345678{20}{30}{7QWJj}{}comment"},
                                   {ItemKey(1), ByteList("FAEN='0012'{}comment")}});
  seed("direct-fax-two-recipients", 4, "alice", "Report", fax);
  seed("direct-fax-generation-2", 2, "bob", "Fax", fax);
  seed("direct-fax-old-encryption", 0, "\xe5\xb1\xb1\xe7\x94\xb0", "\xe8\xa6\x8b\xe7\xa9\x8d\xe6\x9b\xb8", fax);

  std::vector<std::pair<std::string, std::string>> passwords = {
      {key::PrintTypeTicketKey, "2"}, {key::JBAManageTypeListTicketKey, "1"}, {key::DFRecipientListCountTicket, "1"},
      {ItemKey(0), "FAEN=0311112222{21}{34}{40012cTI0eA==}"}};
  for (const char* k : {key::PrintTypePasswordTicketKey, key::PrintTypeMBNPasswordTicketKey,
                        key::JBAUserPasswordTextEditTicket, key::JBAStoragePasswordTextEditTicket,
                        key::JBAInputStoragePasswordTextEditTicket, key::JBAInputUserPasswordTextEditTicket,
                        key::JBAAdminUserPasswordTextEditTicket, key::JBAAdminStoragePasswordTextEditTicket}) {
    // Each password names its key's setting.
    const std::string setting = std::string(k).substr(sizeof nx::ticket::kTicketKeyPrefix - 1);
    passwords.emplace_back(k, StoredPassword("Pw-" + setting));
  }
  seed("passwords-re-encrypted", 1, "carol", "Secret", Options(passwords));

  seed("features-and-layout", 4, "dave", "Layout",
       Options({{key::TabMarginSwitchTicket, "1"}, {key::TabMarginMMShiftTicket, "12"},
                {key::OffsetStackingListTicket, "2"}, {key::OffsetStackingPagesLArrowTicket, "10"},
                {key::EjectOptionsListTicket, "3"}, {key::DFRecipientListCountTicket, "1"},
                {ItemKey(0), "FAEN=1"}}) +
           " com.apple.print.PrintSettings.PMLayoutRows..n.=2 com.apple.print.PrintSettings.PMLayoutColumns..n.=2");
  seed("device-options-report", 4, "erin", "Options",
       Options({{key::DeviceOptionOutlineNumberEtxtTicket, "9\\\"x"}, {key::DeviceOptionInlineNumberEtxtTicket, "\\"},
                {key::DeviceOptionISDNG4TypePopupListTicket, "2"}, {key::DFRecipientListCountTicket, "1"},
                {ItemKey(0), "FAEN=1"}}));
  seed("items-with-holes", 4, "frank", "Holes",
       Options({{key::DFRecipientListCountTicket, "3"}, {ItemKey(2), "FAEN=3"},
                {ItemKey(0), "FAEN=1"}, {ItemKey(700), "FAEN=7"}}));
  seed("hostile-texts", 4, "mallory\r\n@PJL", "title\"\x01",
       Options({{key::PrintTypeTicketKey, "2"}, {key::PrintTypeUserNameTicketKey, ByteList("U\"\r\n@PJL")},
                {key::DelayPrintTicketKey, "/-61/-317/256/"}, {key::DFRecipientListCountTicket, "1"},
                {ItemKey(0), ByteList("FAEN=1\"\r\n@PJL SET X=1")},
                {key::TPIFCommandFileNameTicket, "/tmp/special"}}));
  seed("refused-no-recipient", 4, "gina", "None", Options({{key::DFRecipientPaperSizeTicket, "A4"}}));
}

// ---- raster_document -------------------------------------------------------------------------

struct Page {
  unsigned width = 64;
  unsigned height = 48;
  cups_cspace_t space = CUPS_CSPACE_K;
  unsigned bits = 8;
  unsigned bytesPerLine = 0;
  unsigned lines = 0;  // lines written; 0 = all
};

std::string Raster(const std::vector<Page>& pages, cups_mode_t mode) {
  const std::string path = (gRoot / ".raster.tmp").string();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  cups_raster_t* raster = cupsRasterOpen(fd, mode);
  for (const Page& p : pages) {
    cups_page_header2_t h{};
    h.HWResolution[0] = h.HWResolution[1] = 72;
    h.PageSize[0] = 612;
    h.PageSize[1] = 792;
    h.NumCopies = 1;
    h.cupsWidth = p.width;
    h.cupsHeight = p.height;
    h.cupsBitsPerColor = p.bits;
    h.cupsBitsPerPixel = p.bits;
    h.cupsBytesPerLine = p.bytesPerLine ? p.bytesPerLine : (p.width * p.bits + 7) / 8;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsColorSpace = p.space;
    h.cupsNumColors = 1;
    cupsRasterWriteHeader2(raster, &h);
    std::vector<unsigned char> line(h.cupsBytesPerLine);
    const unsigned lines = p.lines ? p.lines : p.height;
    for (unsigned y = 0; y < lines; ++y) {
      for (unsigned x = 0; x < line.size(); ++x) line[x] = static_cast<unsigned char>((x / 8 + y / 6) % 3 ? 0 : 200 + x % 50);
      cupsRasterWritePixels(raster, line.data(), h.cupsBytesPerLine);
    }
  }
  cupsRasterClose(raster);
  ::close(fd);
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove(path);
  return bytes;
}

void RasterSeeds() {
  Write("raster_document", "one-black-page", Raster({Page{}}, CUPS_RASTER_WRITE));
  Write("raster_document", "white-page-compressed", Raster({Page{.space = CUPS_CSPACE_W}}, CUPS_RASTER_WRITE_COMPRESSED));
  Write("raster_document", "two-pages-pwg", Raster({Page{.width = 30, .height = 20}, Page{.width = 17, .height = 9}},
                                                  CUPS_RASTER_WRITE_PWG));
  Write("raster_document", "second-page-one-bit",
        Raster({Page{.width = 20, .height = 10}, Page{.width = 64, .height = 8, .bits = 1}}, CUPS_RASTER_WRITE));
  Write("raster_document", "bytes-per-line-mismatch", Raster({Page{.width = 20, .height = 4, .bytesPerLine = 21}},
                                                             CUPS_RASTER_WRITE));
  std::string cut = Raster({Page{.width = 40, .height = 30, .lines = 12}}, CUPS_RASTER_WRITE);
  Write("raster_document", "page-cut-short", cut.substr(0, cut.size() - 7));
  Write("raster_document", "header-only", Raster({Page{.width = 8, .height = 8, .lines = 1}}, CUPS_RASTER_WRITE_COMPRESSED).substr(0, 1800));
  Write("raster_document", "not-raster", "%!PS-Adobe-3.0\n");
  Write("raster_document", "empty", "");
}

// ---- phonebook files ---------------------------------------------------------------------------

void PhonebookSeeds() {
  using pbtest::Set;
  pbtest::Container book;
  auto r = pbtest::Individual("1", "Taro", "0312345678");
  Set(r->Company, "ACME");
  Set(r->Furigana, "taro");
  Set(r->SecureorRelay, "1");
  Set(r->MailBoxId, "12");
  Set(r->MailBoxPassword, "1234");
  pb::ABIFData_Add_MyFax(book, 1, r.get());
  auto relay = pbtest::Individual("2", "Relay", "0399998888");
  Set(relay->SecureorRelay, "2");
  Set(relay->RlyID, "99");
  Set(relay->Rlyprn, "1");
  Set(relay->RlyNum, "3");
  for (int k = 0; k < 3; ++k) Set(relay->RlyDestList[k], k % 2 ? "0#3" : "012");
  Set(relay->FCode, "12 #*");
  Set(relay->FCodePassword, "12345678901234567890");
  pb::ABIFData_Add_MyFax(book, 1, relay.get());
  auto ip = pbtest::Individual("3", "IP", "");
  Set(ip->AddressType, "4");
  Set(ip->SIPFAXAddress, "sip:fax@example.com");
  pb::ABIFData_Add_MyFax(book, 1, ip.get());
  auto group = pbtest::Group("4", "Sales", {"1", "2"});
  pb::ABIFData_Add_MyFaxGroup(book, 1, group.get());
  auto empty = pbtest::Group("5", "Empty", {});
  pb::ABIFData_Add_MyFaxGroup(book, 1, empty.get());

  std::string fap;
  pb::AbifFAPFile_Build(book, fap);
  Write("fap_file", "example", fap);
  Write("fap_file", "header-only", std::string(pb::kFapMagic) + '\x04');
  Write("fap_file", "cut-inside-record", fap.substr(0, fap.size() - 20));
  const std::string gap = std::string(pb::kGapMagic) + fap.substr(std::strlen(pb::kFapMagic));
  Write("fap_file", "gap-magic", gap);
  Write("gap_file", "example", gap);
  Write("gap_file", "relay-count-200",
        std::string(pb::kGapMagic) + "\x04\x01" "7\x03" "n\x03" "1\x03\x03\x03" "0\x03" "202401010000\x03\x03"
        "0\x03\x03\x03\x03" "0\x03" "2\x03\x03\x03" "0\x03\x03" "200\x03" +
            [] {
              std::string relays;
              for (int i = 0; i < 200; ++i) relays += std::to_string(i % 10) + "\x03";
              return relays;
            }() +
            "\x03\x03\x04");

  // GAD: 16-bit little-endian units.
  std::string gad;
  auto unit = [&](unsigned u) {
    gad.push_back(static_cast<char>(u & 0xFF));
    gad.push_back(static_cast<char>(u >> 8));
  };
  auto text = [&](std::u16string_view t) {
    for (char16_t c : t) unit(c);
    unit(3);
  };
  auto number = [&](std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) gad.push_back(static_cast<char>(v >> (8 * i)));
    unit(3);
  };
  for (char c : std::string(pb::kGadMagic)) unit(static_cast<unsigned char>(c));
  unit(4);
  unit(1);
  number(7, 2);
  text(u"\u5c71\u7530");
  text(u"0311112222");
  text(u"ACME");
  text(u"memo");
  number(2, 2);
  number(static_cast<std::uint64_t>(-86400), 8);
  text(u"kana");
  unit(4);
  unit(2);
  number(3, 2);
  text(u"Team\xd83d\xde00");
  number(1700000000, 8);
  number(3, 2);
  for (unsigned m : {7u, 8u, 9u}) {
    gad.push_back(static_cast<char>(m));
    gad.push_back(0);
  }
  unit(3);
  unit(4);
  Write("gad_file", "example", gad);
  Write("gad_file", "lone-surrogate", gad.substr(0, gad.size() - 40) + std::string("\x00\xd8\x03\x00\x04\x00", 6));
}

// ---- csv_import ------------------------------------------------------------------------------

using Values = std::map<std::string, std::string>;

std::string EncString(const Values& v) {
  auto value = [&](const char* k) {
    const auto it = v.find(k);
    return it == v.end() ? std::string() : it->second;
  };
  std::vector<std::string> taken;
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

std::string Device(const std::vector<std::string>& first, const std::vector<std::string>& columns,
                   const std::vector<Values>& rows, bool enc, bool brackets) {
  std::string text;
  pb::WriteRecord(text, first);
  pb::WriteRecord(text, columns);
  for (Values v : rows) {
    if (enc) v["MFENCSTR"] = EncString(v);
    std::vector<std::string> fields(columns.size());
    for (const auto& [k, value] : v) {
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == k) fields[i] = value;
      }
    }
    if (brackets) {
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!fields[i].empty() || i % 2) fields[i] = "[" + fields[i] + "]";
      }
    }
    pb::WriteRecord(text, fields);
  }
  return text;
}

Values With(Values base, const Values& changes) {
  for (const auto& [k, v] : changes) base[k] = v;
  return base;
}

void CsvSeeds() {
  using namespace pbtest::layouts;
  using pbtest::EwsForm;
  using pbtest::XspForm;
  const Values fax = {{"MFDN", "1"},          {"MFADDRT", "FAX"},      {"MFCN", "Taro"},
                      {"MFCMODE", "0"},       {"MFFAX", "0312345678"}, {"MFLINE", "0"},
                      {"MFMBOX", "0"},        {"MFRLY", "0"},          {"MFRLYPRN", "0"},
                      {"MFIPFAXCMODE", "0"},  {"MFIPFAXMBOX", "0"},    {"MFIPFAXRLY", "0"},
                      {"MFIPFAXRLYPRN", "0"}};
  const Values secure = With(fax, {{"MFDN", "2"}, {"MFCMODE", "2"}, {"MFLINE", "2"}, {"MFMBOX", "1"},
                                   {"MFMBOXID", "12"}, {"MFMBOXPS", EwsForm("1234")}, {"MFFCODE", "12#"},
                                   {"MFPCODE", EwsForm("9876")}});
  const Values relay = With(fax, {{"MFDN", "3"}, {"MFCMODE", "1"}, {"MFRLY", "1"}, {"MFRLYID", "7"},
                                  {"MFRLYPRN", "1"}, {"MFRLYNUM", XspForm("0102")}});
  const Values ipfax = With(fax, {{"MFDN", "4"}, {"MFADDRT", "IPFAX"}, {"MFFAX", ""},
                                  {"MFIPFAX", "sip:4@example.com"}, {"MFIPFAXCMODE", "1"}, {"MFIPFAXMBOX", "1"},
                                  {"MFIPFAXMBOXID", "5"}, {"MFIPFAXMBOXPS", EwsForm("4321")},
                                  {"MFIPFAXFCODE", "77"}});
  const std::vector<Values> rows = {fax, secure, relay, ipfax, With(fax, {{"MFDN", "5"}, {"MFADDRT", "MAIL"}})};
  auto classic = [](const char* format, const char* version) {
    return std::vector<std::string>{"*", "1", format, version, "", ""};
  };
  const std::string device1 = std::string(1, '\x01');
  Write("csv_import", "format3-version3", device1 + Device(classic("3", "3"), kLayout3, rows, false, false));
  Write("csv_import", "format3-version5", device1 + Device(classic("3", "5"), Layout35(), rows, false, false));
  Write("csv_import", "format5-consistency",
        device1 + Device(classic("5", "5"), Appended(Layout35(), "MFENCSTR"), rows, true, false));
  Write("csv_import", "format6-utf8",
        device1 + Device(classic("6", "103"), Appended(Layout35(), "MFENCSTR"),
                         {With(fax, {{"MFCN", "\xe5\xb1\xb1\xe7\x94\xb0"}}), secure}, true, false));
  const Values miravo = {{"MFCNTID", "12"}, {"MFCN", "\xe8\x8a\xb1\xe5\xad\x90"}, {"MFCNTTYPE", "0"},
                         {"MFCMODE", "2"}, {"MFFAX", "0311112222"}, {"MFLINE", "2"}, {"MFMBOX", "1"},
                         {"MFMBOXID", "3"}, {"MFMBOXPS", EwsForm("5555")}, {"MFFCODE", "1"}};
  const Values miravoIp = {{"MFCNTID", "13"}, {"MFCN", "IP"}, {"MFCNTTYPE", "0"},
                           {"MFIPFAX", "sip:13@example.com"}, {"MFIPFAXCMODE", "0"}, {"MFIPFAXMBOX", "0"}};
  Write("csv_import", "miravo-20x",
        device1 + Device({"*", "2", "0", "3", ""}, kLayout20x, {miravo, With(miravo, {{"MFCNTTYPE", "1"}}), miravoIp},
                         true, true));
  Write("csv_import", "miravo-21x-device0",
        std::string(1, '\0') +
            Device({"*", "2", "1", "3", ""}, Appended(kLayout20x, "MFPASSDETECTION"), {miravo}, true, true));
  std::string partner = "\xef\xbb\xbf";
  pb::WriteRecord(partner, kPartnerLayout);
  for (const auto& [id, display, faxNumber, company] :
       std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
           {"1", "Alice", "0311", ""}, {"2", "", "", "Only Company"}, {"5", "", "0344", "Bob Inc"}}) {
    std::vector<std::string> f(kPartnerLayout.size());
    f[0] = id;
    f[1] = display;
    f[4] = company;
    f[7] = "0";
    f[9] = faxNumber;
    f[11] = "mail@example.com";
    pb::WriteRecord(partner, f);
  }
  Write("csv_import", "partner", device1 + partner);
  Write("csv_import", "quoted-fields", device1 + "*,1,3,3,,\r\n\"MF\"\"DN\",\"a,b\"\r\n\"1\r\n2\",x\r\n*\r\n");
}

// ---- ews_base64 ------------------------------------------------------------------------------

void Base64Seeds() {
  auto seed = [](const std::string& name, unsigned char capacity, const std::string& text) {
    Write("ews_base64", name, std::string(1, static_cast<char>(capacity)) + text);
  };
  seed("ews-password", 9, pbtest::EwsForm("1234"));
  seed("xsp-relay-list", 49, pbtest::XspForm("0102"));
  seed("padding-two", 8, "QUI=");
  seed("padding-one", 8, "QUJD");
  seed("white-space", 32, "QU JD\nRA==");
  seed("no-room", 2, "QUJDRA==");
  seed("not-alphabet", 16, "Q!J@*A==");
  seed("nul-inside", 16, std::string("QUJD\0RA==", 9));
}

// ---- ppd_cache -------------------------------------------------------------------------------

void CacheSeeds() {
  Write("ppd_cache", "writer-example",
        "PrintFeaturePDETiger\n"
        "InputSlot:Tray2@1@0@1@InputSlot:Tray2@1@0@2@Duplex:DuplexTumble@1@0@1@Duplex:DuplexNoTumble@1@0@1@\n"
        "ImageOptionPDETiger\n\n*% Last Edit Date: 2024/05/06");
  Write("ppd_cache", "positions-out-of-range",
        "PrintFeaturePDETiger\nA:B@1@2@3@C:D@70000@-1@0@MediaType:Envelope@9@9@9@Duplex:None@2@1@5@\nTail\n");
  Write("ppd_cache", "own-section", "Mine\nDuplex:None@0@0@2@Duplex:None@2@0@1@@1@1@1@cut@1@\n");
  Write("ppd_cache", "panther", "PrintFeaturePDEPanther\nNXStaple:True@2@0@1@\n");
}


// ---- recipient_item --------------------------------------------------------------------------

struct SeedRecord {
  std::uint8_t kind = 0;  // bits 0-1 record type, 2 IP fax, 3 other address type, 4 extension, 5-6 mode
  std::uint8_t send = 0;  // bits 0-1 send type, 2 relay print
  std::string name{};
  std::string address{};
  std::string mailBox{};
  std::string passcode{};
  std::string relayId{};
  std::string destinations{};
  std::string fCode{};
  std::string password{};
};

std::string RecipientInput(std::uint8_t flags, const std::string& outside, const std::string& extension,
                           const std::string& paper, const std::vector<SeedRecord>& records) {
  const char sep = '\xFF';
  std::string out(1, static_cast<char>(flags));
  out += outside + sep + extension + sep + paper + sep;
  for (const SeedRecord& r : records) {
    out += static_cast<char>(r.kind);
    out += static_cast<char>(r.send);
    for (const std::string* f : {&r.name, &r.address, &r.mailBox, &r.passcode, &r.relayId, &r.destinations,
                                 &r.fCode, &r.password}) {
      out += *f + sep;
    }
  }
  return out;
}

void RecipientSeeds() {
  const auto one = [](const std::string& name, std::uint8_t flags, const SeedRecord& r) {
    Write("recipient_item", name, RecipientInput(flags, "9", "5", "A4", {r}));
  };
  one("typed-in", 0, {.name = "Abc", .address = "0312345678"});
  one("ip-fax", 0, {.kind = 4, .name = "Abc", .address = "fax@192.168.1.20"});
  one("relay", 0, {.send = 2 | 4, .address = "0312345678", .relayId = "12", .destinations = "005,0#3"});
  one("secure-empty-passcode", 0, {.send = 1, .address = "0312345678", .mailBox = "7"});
  one("secure-passcode", 0, {.send = 1, .address = "0312345678", .mailBox = "123", .passcode = "1234"});
  one("speed-dial", 0, {.kind = 1, .address = "012"});
  one("extension-g4-kit", 0x10, {.kind = 0x10 | 0x20, .address = "0312345678"});
  one("fcode-long-sjis-name", 0,
      {.kind = 2, .name = "山田太郎山田太郎山田太郎山田太郎山田太郎", .address = "0312345678", .fCode = "0042",
       .password = "pw"});
  one("send-type-3", 0, {.send = 3, .address = "0312345678"});
  one("escaped-address", 0, {.name = "a,b", .address = "03,12\\4"});
  one("refused-quote", 0, {.address = "03\"12"});
  one("refused-long-password", 0, {.fCode = "1", .password = std::string(190, 'p')});
  Write("recipient_item", "several",
        RecipientInput(0x10, "0", "", "Tabloid",
                       {{.name = "Abc", .address = "0312345678"},
                        {.kind = 1, .address = "99"},
                        {.kind = 4 | 0x40, .send = 1, .name = "é漢😀", .address = "sip:x@y", .mailBox = "1",
                         .passcode = "4711"}}));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  gRoot = argv[1];
  TicketSeeds();
  RasterSeeds();
  PhonebookSeeds();
  CsvSeeds();
  Base64Seeds();
  CacheSeeds();
  RecipientSeeds();
  return 0;
}
