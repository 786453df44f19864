// Jobs from applications without the plug-ins: standard fax numbers, PPD choices, accounting
// IDs and the secure print PIN become the ticket entries the panels would have written.
#include "StandardJobOptions.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "EncryptLib.h"
#include "FilterMainTestSupport.h"
#include "RasterTestStreams.h"
#include "TicketTestSupport.h"
#include "nx/ticket/recipient_ticket.h"

namespace nx::filter::test {
namespace {

const std::string kFaxPpd = NX_SOURCE_DIR "/ppd/nxfax.ppd";

// ---- Fax numbers ---------------------------------------------------------------------------

struct NumberCase {
  const char* name;
  std::string text;
  const char* expected;  // nullptr: refused
};
void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.name; }

// The fax queue's PPD without device-key encryption, written into `folder`: the header then
// carries the panels' enciphered PIN, which a test can compute.
std::string OldEncryptionPpd(TempFolder& folder) {
  std::string ppd = ReadFile(kFaxPpd);
  ppd.replace(ppd.find("*DefaultNXEncryptionSetting: New"), 32, "*DefaultNXEncryptionSetting: Old");
  WriteFile(folder.File("old.ppd"), ppd);
  return folder.File("old.ppd");
}


class FaxNumberText : public ::testing::TestWithParam<NumberCase> {};

TEST_P(FaxNumberText, PassesOnlyWhatAFaxNumberHolds) {
  std::string number, reason;
  const bool ok = NormalizeFaxNumber(GetParam().text, kMaxStandardFaxNumberLength, &number, &reason);
  if (GetParam().expected) {
    EXPECT_TRUE(ok) << reason;
    EXPECT_EQ(number, GetParam().expected);
  } else {
    EXPECT_FALSE(ok);
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(number, "");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FaxNumberText,
    ::testing::Values(NumberCase{"Plain", "0312345678", "0312345678"},
                      NumberCase{"VisualSeparators", "+81 (3) 1234-56.78", "+81312345678"},
                      NumberCase{"PausesAndTones", "9,,*12#", "9,,*12#"},
                      NumberCase{"HundredDigits", std::string(100, '5'), "5555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555555"},
                      NumberCase{"Letters", "03-CALL-NOW", nullptr},
                      NumberCase{"ControlByte", std::string("0312\x01" "345", 8), nullptr},
                      NumberCase{"LineFeed", "0312\n@PJL", nullptr},
                      NumberCase{"Quote", "03\"12", nullptr},
                      NumberCase{"ThreeHundredDigits", std::string(300, '1'), nullptr},
                      NumberCase{"Empty", "", nullptr},
                      NumberCase{"OnlySeparators", "- ( )", nullptr},
                      NumberCase{"NonAscii", "\xef\xbc\x90\xef\xbc\x93", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

struct CollectCase {
  const char* name;
  std::string options;
  std::vector<StandardFaxNumber> expected;
  const char* refusal;  // a part of the refusal text, or nullptr when accepted
};
void PrintTo(const CollectCase& c, std::ostream* os) { *os << c.name; }

class StandardFaxNumbers : public ::testing::TestWithParam<CollectCase> {};

TEST_P(StandardFaxNumbers, AreCollectedInOrderWithPrefixAndSubAddress) {
  const CollectCase& c = GetParam();
  const TicketOptions options(c.options.c_str());
  std::vector<StandardFaxNumber> numbers;
  std::string refusal;
  const bool ok = CollectStandardFaxNumbers(options, &numbers, &refusal);
  if (c.refusal) {
    EXPECT_FALSE(ok);
    EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
    return;
  }
  ASSERT_TRUE(ok) << refusal;
  ASSERT_EQ(numbers.size(), c.expected.size());
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    EXPECT_EQ(numbers[i].number, c.expected[i].number) << i;
    EXPECT_EQ(numbers[i].prefix, c.expected[i].prefix) << i;
    EXPECT_EQ(numbers[i].subAddress, c.expected[i].subAddress) << i;
  }
}

std::string ManyUris(int n) {
  std::string value = "destination-uris=";
  for (int i = 0; i < n; ++i) value += (i ? ",tel:" : "tel:") + std::to_string(1000 + i);
  return value;
}

INSTANTIATE_TEST_SUITE_P(
    Options, StandardFaxNumbers,
    ::testing::Values(
        CollectCase{"None", "copies=1 number-up=1", {}, nullptr},
        CollectCase{"PhoneWithPrefix", "phone=0312345678 faxPrefix=9", {{"0312345678", "9", ""}}, nullptr},
        // The print system's phone option is one number: a comma is a dial pause in it.
        CollectCase{"PhoneCommaIsAPause", "phone=0311111111,0322222222", {{"0311111111,0322222222", "", ""}}, nullptr},
        CollectCase{"TwoUris", "destination-uris=tel:0311111111,tel:0322222222 faxPrefix=0",
                    {{"0311111111", "0", ""}, {"0322222222", "0", ""}}, nullptr},
        CollectCase{"UriParametersAndEscapes", "destination-uris=tel:%2B81-3-1234;isub=77;postd=pp",
                    {{"+8131234", "", ""}}, nullptr},
        CollectCase{"JobWidePreDialAndSubAddress",
                    "destination-uris=tel:0311 pre-dial-string=8 t33-subaddress=42 faxPrefix=9",
                    {{"0311", "8", "42"}}, nullptr},
        CollectCase{"Collections",
                    "destination-uris={destination-uri=tel:0312345678 pre-dial-string=9 t33-subaddress=77},"
                    "{destination-uri=tel:0322222222} faxPrefix=0",
                    {{"0312345678", "9", "77"}, {"0322222222", "0", ""}}, nullptr},
        CollectCase{"UrisThenPhone", "phone=0399 destination-uris=tel:0311",
                    {{"0311", "", ""}, {"0399", "", ""}}, nullptr},
        CollectCase{"TooManyUris", ManyUris(201), {}, "at most 200"},
        CollectCase{"PhoneWithLetters", "phone=03ABC", {}, "(phone) holds a character"},
        CollectCase{"PhoneTooLong", "phone=" + std::string(300, '1'), {}, "longer than 100"},
        CollectCase{"NotATelUri", "destination-uris=mailto:fax@example.com", {}, "not a tel: URI"},
        CollectCase{"SecondUriBad", "destination-uris=tel:0311,tel:03x1", {}, "Fax destination 2"},
        CollectCase{"BrokenEscape", "destination-uris=tel:03%2", {}, "percent escape"},
        CollectCase{"PrefixWithLetters", "phone=0311 faxPrefix=9a", {}, "(faxPrefix)"},
        CollectCase{"PrefixTooLong", "phone=0311 faxPrefix=123456", {}, "(faxPrefix)"},
        CollectCase{"SubAddressWithPlus", "phone=0311 t33-subaddress=+1", {}, "(t33-subaddress)"},
        CollectCase{"UnbalancedCollection", "destination-uris={destination-uri=tel:1", {}, "destination-uris"}),
    [](const auto& info) { return std::string(info.param.name); });

// Two hundred numbers are accepted; the table checks the other side of the limit.
TEST(StandardFaxNumbersLimit, TakesTwoHundred) {
  const std::string text = ManyUris(200);
  const TicketOptions options(text.c_str());
  std::vector<StandardFaxNumber> numbers;
  std::string refusal;
  ASSERT_TRUE(CollectStandardFaxNumbers(options, &numbers, &refusal)) << refusal;
  ASSERT_EQ(numbers.size(), 200u);
  EXPECT_EQ(numbers[199].number, "1199");
}

// ---- Ticket entries --------------------------------------------------------------------------

std::map<std::string, std::string> Entries(const std::string& options, std::string* refusal,
                                           const std::string& ppd = kFaxPpd,
                                           const std::string& user = "alice") {
  std::vector<TicketEntry> entries;
  std::map<std::string, std::string> byKey;
  if (!BuildStandardTicketEntries(options, {user, ppd}, &entries, refusal)) return byKey;
  for (const TicketEntry& e : entries) {
    EXPECT_TRUE(byKey.emplace(e.key, e.value).second) << "twice: " << e.key;
  }
  return byKey;
}

std::string Item(const std::string& number, const std::string& prefix, const std::string& fcode = "") {
  ticket::RecipientFields fields;
  fields.address = number;
  fields.fCode = fcode;
  ticket::LineSettings line;
  line.outsideLineNumber = prefix;
  std::string item;
  EXPECT_TRUE(ticket::BuildRecipientItem(fields, line, &item));
  return item;
}

TEST(StandardTicketEntries, FaxNumbersGiveTheRecipientListAndThePpdFaxSettings) {
  std::string refusal;
  const auto e = Entries("phone=0312345678 faxPrefix=9 t33-subaddress=55 NXFaxResolution=Fine", &refusal);
  ASSERT_EQ(refusal, "");
  const std::map<std::string, std::string> expected = {
      {Key("DFRecipientListCountTicket"), "1"},
      {Key("DFRecipientPaperSizeTicket"), "A4"},
      {Key("DFRecipientListItemKeyTicket0"), Item("0312345678", "9", "55")},
      {Key("DFFaxResolutionPopupListTicket"), "2"},
      {Key("DFTransmissionReportPopupListTicket"), "2"},
      {Key("DFaxSendHeaderTicket"), "1"},
      {Key("DeviceOptionFaxModuleTypePopupListTicket"), "2"},
  };
  EXPECT_EQ(e, expected);
  EXPECT_EQ(Item("0312345678", "9", "55"), "FAEN=90312345678{20}{30}{555}{}comment");
}

TEST(StandardTicketEntries, MarkedPpdChoicesFollowTheJobOptions) {
  std::string refusal;
  const auto e = Entries("phone=1 PageSize=Tabloid NXTransmissionReport=Off NXSendHeader=False "
                         "NXFaxResolution=UltraFine",
                         &refusal);
  ASSERT_EQ(refusal, "");
  EXPECT_EQ(e.at(Key("DFRecipientPaperSizeTicket")), "LEDGER");
  EXPECT_EQ(e.at(Key("DFFaxResolutionPopupListTicket")), "4");
  EXPECT_EQ(e.at(Key("DFTransmissionReportPopupListTicket")), "3");
  EXPECT_EQ(e.at(Key("DFaxSendHeaderTicket")), "0");
}

TEST(StandardTicketEntries, ThePluginsTicketWins) {
  std::string refusal;
  // With the plug-ins' recipient list the standard numbers are not read at all, not even checked.
  auto e = Entries(Key("DFRecipientListCountTicket") + "=1 phone=03ABC", &refusal);
  EXPECT_EQ(refusal, "");
  EXPECT_TRUE(e.empty());

  // Single keys the ticket holds are not replaced.
  e = Entries("phone=0311 " + Key("DFFaxResolutionPopupListTicket") + "=3", &refusal);
  EXPECT_EQ(e.count(Key("DFFaxResolutionPopupListTicket")), 0u);
  EXPECT_EQ(e.count(Key("DFRecipientListItemKeyTicket0")), 1u);

  // Any accounting key of the panels keeps the standard IDs out.
  e = Entries("job-account-id=ACC " + Key("JBAManageTypeListTicketKey") + "=1", &refusal);
  EXPECT_TRUE(e.empty());
  // A print type of the panel keeps the PIN out.
  e = Entries("job-password=1234 " + Key("PrintTypeTicketKey") + "=1", &refusal);
  EXPECT_TRUE(e.empty());
}

TEST(StandardTicketEntries, AccountingIdsGiveUserModeWithStoredDetails) {
  std::string refusal;
  auto e = Entries("job-account-id=ACC42", &refusal);
  EXPECT_EQ(e, (std::map<std::string, std::string>{{Key("JBAManageTypeListTicketKey"), "2"},
                                                   {Key("JBAUserSettingRadioBtnTicket"), "1"},
                                                   {Key("JBAUserIDListCtrlTicket"), "1"},
                                                   {Key("JBAAccountIDTextEditTicket"), "ACC42"}}));
  e = Entries("job-account-id=ACC42 job-accounting-user-id=bob", &refusal);
  EXPECT_EQ(e.at(Key("JBAUserIDListCtrlTicket")), "2");
  EXPECT_EQ(e.at(Key("JBAUserIDTextEditTicket")), "bob");

  EXPECT_TRUE(Entries("job-account-id=" + std::string(33, 'A'), &refusal).empty());
  EXPECT_NE(refusal.find("job-account-id"), std::string::npos);
  EXPECT_TRUE(Entries("job-accounting-user-id='a\"b'", &refusal).empty());
  EXPECT_NE(refusal.find("job-accounting-user-id"), std::string::npos);
}

std::string OpenStoredPin(const std::string& base64) {
  unsigned char cipher[256];
  int cipherLen = 0;
  if (encrypt::XSPB64ToBin(base64.data(), static_cast<int>(base64.size()), cipher, &cipherLen, sizeof cipher) != 0) {
    return "<not base64>";
  }
  char plain[256];
  int plainLen = sizeof plain;
  if (encrypt::Decode_Storage(cipher, cipherLen, encrypt::seed1, encrypt::seed1Len, encrypt::seed2,
                              encrypt::seed2Len, encrypt::seed3, encrypt::seed3Len, plain, &plainLen) != 0) {
    return "<not storage-encrypted>";
  }
  return std::string(plain, static_cast<std::size_t>(plainLen));
}

TEST(StandardTicketEntries, PinBecomesSecurePrintInTheProtectedForm) {
  std::string refusal;
  auto e = Entries("job-password=0042", &refusal, kFaxPpd, "carol");
  ASSERT_EQ(refusal, "");
  EXPECT_EQ(e.at(Key("PrintTypeTicketKey")), "2");
  EXPECT_EQ(e.at(Key("PrintTypeUserNameTicketKey")), "carol");
  // The queue re-encrypts for the device: the ticket holds the storage form the panels keep.
  EXPECT_EQ(OpenStoredPin(e.at(Key("PrintTypePasswordTicketKey"))), "0042");

  e = Entries("job-password=0042 job-accounting-user-id=U1", &refusal, kFaxPpd, "carol");
  EXPECT_EQ(e.at(Key("PrintTypeUserNameTicketKey")), "U1");

  // Without device-key encryption: the panels' enciphered form.
  TempFolder folder;
  e = Entries("job-password=0042", &refusal, OldEncryptionPpd(folder), "carol");
  char expected[256] = "0042";
  ASSERT_NE(encrypt::XSPEncodeSecret(expected, 4, sizeof expected), nullptr);
  EXPECT_EQ(e.at(Key("PrintTypePasswordTicketKey")), expected);
}

struct PinCase {
  const char* name;
  std::string options;
  std::string user;
  const char* refusal;
};
void PrintTo(const PinCase& c, std::ostream* os) { *os << c.name; }
class BadPin : public ::testing::TestWithParam<PinCase> {};

TEST_P(BadPin, IsRefusedWithoutShowingThePin) {
  std::string refusal;
  EXPECT_TRUE(Entries(GetParam().options, &refusal, kFaxPpd, GetParam().user).empty());
  EXPECT_NE(refusal.find(GetParam().refusal), std::string::npos) << refusal;
  EXPECT_EQ(refusal.find("98ab"), std::string::npos);
  EXPECT_EQ(refusal.find("9876"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Pins, BadPin,
    ::testing::Values(PinCase{"Letters", "job-password=98ab", "alice", "1 to 12 digits"},
                      PinCase{"Thirteen", "job-password=9876543210123", "alice", "1 to 12 digits"},
                      PinCase{"Hashed", "job-password=9876 job-password-encryption=sha2-256", "alice", "hashed"},
                      PinCase{"UserNotAscii", "job-password=9876", "\xc3\xa9lise", "user ID"},
                      PinCase{"UserTooLong", "job-password=9876", std::string(25, 'u'), "user ID"}),
    [](const auto& info) { return std::string(info.param.name); });

// Entries travel appended to the job options; every byte of a value must come back.
TEST(StandardTicketEntries, AppendedEntriesReadBackUnchanged) {
  const std::vector<TicketEntry> entries = {
      {Key("DFRecipientListItemKeyTicket0"), "FAEN=9,,0311{20}{30}{}comment"},
      {Key("JBAAccountIDTextEditTicket"), "a b'c\"d\\e=f{g}"},
      {Key("PrintTypePasswordTicketKey"), "/+Ab=="},
      {Key("DFRecipientListCountTicket"), "12"},
  };
  const std::string text = AppendTicketEntries("copies=1 title='x y'", entries);
  const TicketOptions options(text.c_str());
  ASSERT_STREQ(options.Find("title"), "x y");
  for (const TicketEntry& e : entries) {
    const char* raw = options.Find(e.key.c_str());
    ASSERT_NE(raw, nullptr) << e.key;
    std::string decoded(raw);
    decoded.resize(numstrtochar(decoded.data()));
    EXPECT_EQ(decoded, e.value) << e.key;
  }
  EXPECT_STREQ(options.Find(Key("DFRecipientListCountTicket").c_str()), "12");
}

// ---- The whole filter ------------------------------------------------------------------------

// The header of a run without the document and trailer.
std::string Header(const FlowRun& run) { return run.out.substr(0, run.out.find(kEnterPdf)); }

// One run sets the job up once: the options are parsed once, the standard options join that
// parse, and the queue's PPD is opened once for the standard options, the password readers, the
// generation check and the document step alike.
TEST(StandardJobFlow, OneRunParsesTheOptionsOnceAndOpensThePpdOnce) {
  FlowEnvironment env;
  ScopedEnv ppd("PPD", kFaxPpd);
  env.EnableJobCopy();
  const std::string raster = env.folder().File("job.ras");
  ASSERT_TRUE(WriteRasterFile(raster, {RasterTestPage{.width = 64, .height = 32}}));
  FilterArgs args("alice", "Report",
                  "phone=0312345678 faxPrefix=9 job-password=1234 job-accounting-user-id=bob "
                  "job-account-id=77 number-up=1",
                  raster);

  const std::size_t parsesBefore = ticket::OptionArray::ParseCount();
  const std::size_t opensBefore = cups::PpdOpenCount();
  const FlowRun run = RunFlow(args, {.realDocument = true});
  EXPECT_EQ(ticket::OptionArray::ParseCount() - parsesBefore, 1u);
  EXPECT_EQ(cups::PpdOpenCount() - opensBefore, 1u);

  ASSERT_EQ(run.status, 0) << run.err;
  const std::string header = Header(run);
  EXPECT_NE(header.find("@FAEN=90312345678"), std::string::npos) << header;
  EXPECT_NE(header.find("@PJL SET HOLD=STORE"), std::string::npos) << header;
  EXPECT_NE(header.find("@JOAU=bob\""), std::string::npos) << header;
  EXPECT_NE(run.out.find(kEnterPdf + "%PDF-"), std::string::npos);
  EXPECT_EQ(run.out.substr(run.out.size() - kTrailer.size()), kTrailer);
  EXPECT_EQ(run.job->copy.get(), nullptr);  // finished
}

TEST(StandardJobFlow, FaxNumberGivesTheHeaderOfTheRecipientWindow) {
  FlowEnvironment env;
  ScopedEnv ppd("PPD", kFaxPpd);

  FilterArgs standard("alice", "Report", "phone=0312345678 faxPrefix=9 number-up=1");
  const FlowRun fromStandard = RunFlow(standard);
  ASSERT_EQ(fromStandard.status, 0) << fromStandard.err;

  // The same number typed into the recipient window (outside line number 9), with the Fax
  // Setting panel's defaults and the device's setting type.
  ticket::RecipientFields fields;
  fields.address = "0312345678";
  ticket::LineSettings line;
  line.outsideLineNumber = "9";
  std::vector<ticket::TicketPair> pairs;
  ASSERT_TRUE(ticket::BuildRecipientListTicket({fields}, line, "A4", &pairs));
  std::string ticket = "number-up=1 " + Key("DFFaxResolutionPopupListTicket") + "=1 " +
                       Key("DFTransmissionReportPopupListTicket") + "=2 " + Key("DFaxSendHeaderTicket") +
                       "=1 " + Key("DeviceOptionFaxModuleTypePopupListTicket") + "=2";
  for (const auto& pair : pairs) ticket += " " + pair.key + "=" + pair.value;
  FilterArgs plugin("alice", "Report", ticket);
  const FlowRun fromPlugin = RunFlow(plugin);
  ASSERT_EQ(fromPlugin.status, 0) << fromPlugin.err;

  EXPECT_EQ(fromStandard.out, fromPlugin.out);
  EXPECT_NE(Header(fromStandard).find("@PJL SET JOBATTR=\"@FAEN=90312345678{20}{30}{}comment\"\r\n"
                                      "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n"),
            std::string::npos)
      << Header(fromStandard);
  EXPECT_NE(Header(fromStandard).find("@PJL SET RESOLUTION=200\r\n@PJL SET JOBATTR=\"@FARE=NORMAL\"\r\n"),
            std::string::npos);
}

TEST(StandardJobFlow, PluginTicketWinsOverStandardOptions) {
  FlowEnvironment env;
  ScopedEnv ppd("PPD", kFaxPpd);
  const std::string ticket = RecipientOptions(1);
  FilterArgs plain("alice", "t", ticket);
  FilterArgs withStandard("alice", "t", ticket + " phone=0399999999 NXFaxResolution=Fine");
  const FlowRun a = RunFlow(plain);
  const FlowRun b = RunFlow(withStandard);
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(a.out, b.out);
  EXPECT_EQ(b.out.find("0399999999"), std::string::npos);
}

TEST(StandardJobFlow, BadNumberRefusesTheJobAndSendsNothing) {
  FlowEnvironment env;
  ScopedEnv ppd("PPD", kFaxPpd);
  FilterArgs args("alice", "t", "phone=0312\\\x01" "9 job-account-id=A");
  const FlowRun run = RunFlow(args);
  EXPECT_EQ(run.status, 255);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.documentCalls, 0);
  EXPECT_EQ(run.err,
            "the file type being printed is:document\n"
            "ERROR: The fax number (phone) holds a character a fax number cannot hold (only digits, "
            "*, #, + and the pause , are allowed).\n");
}

// Whatever the option text ends in, the standard options before it keep their entries: the
// secure print PIN, the account and the fax number all reach the header.
class StandardOptionsBeforeBrokenText : public ::testing::TestWithParam<const char*> {};

TEST_P(StandardOptionsBeforeBrokenText, KeepTheirEntries) {
  FlowEnvironment env;
  TempFolder folder;
  ScopedEnv ppd("PPD", OldEncryptionPpd(folder));
  const std::string standard = "phone=0312345678 faxPrefix=9 job-account-id=ACC42 job-password=1234";
  FilterArgs clean("alice", "t", standard);
  FilterArgs broken("alice", "t", standard + " " + GetParam());
  const FlowRun expected = RunFlow(clean);
  const FlowRun run = RunFlow(broken);
  ASSERT_EQ(run.status, 0) << run.err;
  char pin[256] = "1234";
  ASSERT_NE(encrypt::XSPEncodeSecret(pin, 4, sizeof pin), nullptr);
  const std::string header = Header(run);
  for (const std::string& line : {"@PJL SET HOLDENCRYPTKEY=\"" + std::string(pin) + "\"\r\n",
                                 std::string("@PJL SET JOBATTR=\"@DAID=ACC42\"\r\n"),
                                 std::string("@PJL SET JOBATTR=\"@FAEN=90312345678{20}{30}{}comment\"\r\n")}) {
    EXPECT_NE(header.find(line), std::string::npos) << line << "\n" << header;
  }
  EXPECT_EQ(run.out, expected.out);
  EXPECT_EQ(run.err.find("1234"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(OptionTexts, StandardOptionsBeforeBrokenText,
                         ::testing::Values("title='Q3 report", "title=\"Q3 report", "note=Q3\\",
                                           "note={a=b", "title='a' note=\"b\\"));

TEST(StandardJobFlow, AccountAndPinReachTheHeader) {
  FlowEnvironment env;
  TempFolder folder;
  ScopedEnv ppd("PPD", OldEncryptionPpd(folder));
  FilterArgs args("alice", "t", "phone=0311 job-account-id=ACC42 job-password=1234");
  const FlowRun run = RunFlow(args);
  ASSERT_EQ(run.status, 0) << run.err;
  char pin[256] = "1234";
  ASSERT_NE(encrypt::XSPEncodeSecret(pin, 4, sizeof pin), nullptr);
  const std::string header = Header(run);
  EXPECT_NE(header.find("@PJL SET HOLD=STORE\n@PJL SET HOLDTYPE=PRIVATE\n"
                        "@PJL SET USERNAME=\"alice\"\r\n@PJL SET HOLDENCRYPTKEY=\"" +
                        std::string(pin) + "\"\r\n"),
            std::string::npos)
      << header;
  EXPECT_NE(header.find("@PJL SET JOBATTR=\"@JOAU=alice\"\r\n@PJL SET JOBATTR=\"@JOEP=\"\r\n"
                        "@PJL SET JOBATTR=\"@DAID=ACC42\"\r\n"),
            std::string::npos)
      << header;
  EXPECT_EQ(run.err.find("1234"), std::string::npos);
}

}  // namespace
}  // namespace nx::filter::test
