// The faxbook command run as a program: import -> show round trips for each kind of source,
// refusals with their warning keys, and edits with the windows' rules.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <nlohmann/json.hpp>
// GCC 12 reports uninitialized members inside libstdc++'s regex automaton when sanitizers are
// on; the warning is about the library's code, not this file's.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
#pragma GCC diagnostic pop

#include "csv_files.h"
#include "model_fixture.h"
#include "nx/platform/property_list.h"
#include "nx/platform/text_encoding.h"

#ifdef NX_FAXBOOK

namespace pbmodel {
namespace {

using nlohmann::ordered_json;
using Strings = std::vector<std::string>;

struct Result {
  int status = -1;
  std::string out;
  std::string err;
  ordered_json json() const { return ordered_json::parse(out); }
};

std::string Quote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

class FaxbookTest : public ::testing::Test {
 protected:
  FaxbookTest() : book_(dir_.File("book.fap")) {}

  Result Run(const Strings& args, const std::string& env = "TZ=UTC") {
    std::string command = env + " " + Quote(NX_FAXBOOK);
    for (const auto& a : args) command.append(" ").append(Quote(a));
    const std::string errFile = dir_.File("stderr.txt");
    command.append(" 2>").append(Quote(errFile));
    Result r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return r;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) r.out.append(buf, n);
    const int status = ::pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = pbtest::ReadFile(errFile);
    return r;
  }
  std::string Source(const std::string& name, const std::string& bytes) {
    const std::string path = dir_.File(name);
    pbtest::WriteFile(path, bytes);
    return path;
  }
  ordered_json Show() {
    const Result r = Run({"show", book_});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.json();
  }

  pbtest::TempDir dir_;
  std::string book_;
};

// An individual as "show" prints it: every key in order, `values` over the defaults.
ordered_json Shown(const ordered_json& values) {
  ordered_json e = ordered_json::object();
  for (const char* key : kFaxIndividualKeys) e[key] = "";
  e["CommMode"] = e["AddressType"] = e["LineType"] = e["SecureorRelay"] = e["Rlyprn"] = "0";
  e["RlyNum"] = "0";
  e["RlyDestList"] = ordered_json::array();
  for (const auto& [k, v] : values.items()) e[k] = v;
  return e;
}

ordered_json ShownGroup(const ordered_json& values) {
  ordered_json g = ordered_json::object();
  for (const char* key : kFaxGroupKeys) g[key] = "";
  g["EntryList"] = ordered_json::array();
  for (const auto& [k, v] : values.items()) g[k] = v;
  return g;
}

// Time stamps of entries made now cannot be foreseen; they must still be 12 digits.
ordered_json WithoutNow(ordered_json book) {
  for (auto& e : book["individuals"]) {
    EXPECT_TRUE(std::regex_match(e["TimeStamp"].get<std::string>(), std::regex("[0-9]{12}")));
    e["TimeStamp"] = "now";
  }
  return book;
}

TEST_F(FaxbookTest, CsvImportRoundTrip) {
  ASSERT_EQ(Run({"new", book_}).status, 0);
  std::string yamada;
  ASSERT_TRUE(nx::platform::Utf8ToShiftJis("\xe5\xb1\xb1\xe7\x94\xb0", yamada));
  const std::string csv = Source(
      "a.csv", DeviceCsv({FaxRow(yamada, "0311", {{"MFMBOX", "1"}, {"MFMBOXID", "12"},
                                                  {"MFMBOXPS", pbtest::EwsForm("1234")}}),
                          FaxRow("Relay", "0333", {{"MFRLY", "1"}, {"MFRLYID", "7"}, {"MFRLYPRN", "1"},
                                                   {"MFRLYNUM", pbtest::XspForm("0102")}}),
                          FaxRow("Mail", "0344", {{"MFADDRT", "MAIL"}}),
                          FaxRow("IP", "", {{"MFADDRT", "IPFAX"}, {"MFIPFAX", "sip:ip@example.com"},
                                            {"MFIPFAXCMODE", "1"}})}));
  const Result imported = Run({"import", book_, csv, "--kind", "csv"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.json(), ordered_json::parse(R"({"kind": "csv", "status": "0x00000000",
      "added": {"individuals": ["1", "2", "3"], "groups": []},
      "skipped": {"duplicates": 0, "relay": 0, "overLimit": 0}, "droppedMembers": 0,
      "warnings": [], "saved": true})"));

  ordered_json expected = {{"individuals",
                            {Shown({{"Id", "1"}, {"Name", "\xe5\xb1\xb1\xe7\x94\xb0"}, {"Address", "0311"},
                                    {"SecureorRelay", "1"}, {"MailBoxId", "12"},
                                    {"MailBoxPassword", "********"}}),
                             Shown({{"Id", "2"}, {"Name", "Relay"}, {"Address", "0333"},
                                    {"SecureorRelay", "2"}, {"Rlyprn", "1"}, {"RlyID", "7"},
                                    {"RlyNum", "2"}, {"RlyDestList", {"01", "02"}}}),
                             Shown({{"Id", "3"}, {"Name", "IP"}, {"Address", "sip:ip@example.com"},
                                    {"CommMode", "2"}, {"AddressType", "4"},
                                    {"SIPFAXAddress", "sip:ip@example.com"}})}},
                           {"groups", ordered_json::array()}};
  for (auto& e : expected["individuals"]) e["TimeStamp"] = "now";
  EXPECT_EQ(WithoutNow(Show()), expected);
  const Result plain = Run({"show", book_, "--show-passwords"});
  EXPECT_EQ(plain.json()["individuals"][0]["MailBoxPassword"], "1234");

  // The same file again adds nothing and says why.
  const std::string before = pbtest::ReadFile(book_);
  const Result again = Run({"import", book_, csv, "--kind", "csv"});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.json()["skipped"]["duplicates"], 3);
  EXPECT_EQ(again.json()["warnings"], ordered_json({"Warning_Duplicated_PB_Content_ID_CSV"}));
  EXPECT_EQ(pbtest::ReadFile(book_), before);
}

TEST_F(FaxbookTest, GadImportRoundTrip) {
  ASSERT_EQ(Run({"new", book_}).status, 0);
  GadFile gad;
  gad.Person(10, u"Taro", u"0311", 2).Person(20, u"\u82b1\u5b50", u"0322");  // 花子
  gad.Team(1, u"Team", {20, 10});
  const Result imported = Run({"import", book_, Source("a.fad", gad.bytes()), "--kind", "gad"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  const ordered_json expected = {
      {"individuals",
       {Shown({{"Id", "1"}, {"Name", "Taro"}, {"Address", "0311"}, {"CommMode", "2"},
               {"TimeStamp", "202401021430"}, {"RlyNum", ""}}),
        Shown({{"Id", "2"}, {"Name", "\xe8\x8a\xb1\xe5\xad\x90"}, {"Address", "0322"},
               {"TimeStamp", "202401021430"}, {"RlyNum", ""}})}},
      {"groups",
       {ShownGroup({{"Id", "G1"}, {"GroupName", "Team"}, {"TimeStamp", "202401021430"},
                    {"EntryNum", "2"}, {"EntryList", {"2", "1"}}})}}};
  EXPECT_EQ(Show(), expected);
}

TEST_F(FaxbookTest, GapImportRoundTrip) {
  ASSERT_EQ(Run({"new", book_}).status, 0);
  pbtest::Container c;
  auto five = pbtest::Individual("5", "Five", "0355");
  auto nine = pbtest::Individual("9", "Nine", "0399");
  auto team = pbtest::Group("G4", "Pair", {"9", "5"});
  ABIFData_Add_MyFax(c, 1, five.get());
  ABIFData_Add_MyFax(c, 1, nine.get());
  ABIFData_Add_MyFaxGroup(c, 1, team.get());
  std::string bytes;
  ASSERT_EQ(AbifFAPFile_Build(c, bytes), kAbifSuccess);
  bytes.replace(0, std::string(kFapMagic).size(), kGapMagic);
  const Result imported = Run({"import", book_, Source("old.gap", bytes), "--kind", "gap"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  const ordered_json expected = {
      {"individuals",
       {Shown({{"Id", "1"}, {"Name", "Five"}, {"Address", "0355"}, {"TimeStamp", "202401021530"}}),
        Shown({{"Id", "2"}, {"Name", "Nine"}, {"Address", "0399"}, {"TimeStamp", "202401021530"}})}},
      {"groups",
       {ShownGroup({{"Id", "G4"}, {"GroupName", "Pair"}, {"TimeStamp", "202401021531"},
                    {"EntryNum", "2"}, {"EntryList", {"2", "1"}}})}}};
  EXPECT_EQ(Show(), expected);
}

TEST_F(FaxbookTest, RefusalsExitWithTheirKeyAndLeaveTheBook) {
  ASSERT_EQ(Run({"new", book_}).status, 0);
  ASSERT_EQ(Run({"add-individual", book_, "--name", "Taro", "--address", "0311"}).status, 0);
  const std::string before = pbtest::ReadFile(book_);
  struct Case {
    Strings args;
    const char* key;
  };
  const std::vector<Case> cases = {
      {{"import", book_, Source("bad.csv", DeviceCsv({FaxRow("A", "01")}, {"*", "1", "3", "3", "", "", "", ""})),
        "--kind", "csv"},
       "Warning_INVALID_DATAHEADER_CSV"},
      {{"import", book_, Source("bad.fad", "not a book"), "--kind", "gad"},
       "Warning_Specified_File_Not_Valiable_Win_Content_ID"},
      {{"add-individual", book_, "--name", "Taro", "--address", "0311"},
       "Warning_New_Individual_Entry_Duplicated_Individual_ID"},
      {{"add-individual", book_, "--name", "Jiro", "--address", "03[1]"},
       "Warning_Invalid_Input_Number_ID"},
      {{"add-individual", book_, "--name", "Jiro", "--address", "   "},
       "Warning_Add_All_Space_Recipient_to_List_Win_Content_ID"},
      {{"add-individual", book_, "--address", "0322", "--mailbox", "1000"}, "Warning_MAILBOX_ID_JP"},
      {{"add-individual", book_, "--address", "0322", "--relay", "7", "--relay-dest", "*5"},
       "Warning_Communication_Settings_Win_Add_Relay_Fax_Invalid_Destination_ID_Content_ID"},
      {{"add-group", book_, "--name", "", "--member", "1"}, "Warning_New_Group_Entry_Window_NULL_Group_Name_ID"},
      {{"add-group", book_, "--name", "T"}, "Warning_New_Group_Entry_Window_One_Member_At_Least_Group_Name_ID"},
  };
  for (const auto& c : cases) {
    const Result r = Run(c.args);
    EXPECT_EQ(r.status, 1) << c.key;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.key);
    EXPECT_EQ(pbtest::ReadFile(book_), before) << c.key;
  }
  EXPECT_EQ(Run({"new", book_}).status, 1) << "an existing book is never replaced";
  EXPECT_EQ(pbtest::ReadFile(book_), before);
  EXPECT_EQ(Run({"show", dir_.File("bad.fad")}).status, 1);
  EXPECT_EQ(Run({"import", book_}).status, 2);
}

TEST_F(FaxbookTest, EditsFollowTheWindowsRules) {
  ASSERT_EQ(Run({"new", book_}).status, 0);
  ASSERT_EQ(Run({"add-individual", book_, "--name", "A", "--address", "01"}).status, 0);
  const Result relay = Run({"add-individual", book_, "--name", "B", "--address", "02", "--relay", "7",
                            "--relay-dest", "5", "--relay-dest", "12", "--relay-dest", "#3", "--relay-print"});
  ASSERT_EQ(relay.status, 0) << relay.err;
  EXPECT_EQ(relay.json()["RlyDestList"], ordered_json({"005", "012", "0#3"}));
  const Result secure = Run({"add-individual", book_, "--name", "C", "--address", "sip:c@x", "--ip-fax",
                             "--mailbox", "12"},
                            "FAXBOOK_MAILBOX_PASSCODE=1234");
  ASSERT_EQ(secure.status, 0) << secure.err;
  EXPECT_EQ(secure.out.find("1234"), std::string::npos) << "passcodes are not printed";
  const Result group = Run({"add-group", book_, "--name", "All", "--member", "1", "--member", "2", "--member", "3"});
  ASSERT_EQ(group.status, 0) << group.err;
  EXPECT_EQ(group.json()["Id"], "G1");
  EXPECT_EQ(Run({"add-group", book_, "--name", "X", "--member", "9"}).status, 2) << "no such person";

  const Result deleted = Run({"delete", book_, "2", "3"});
  ASSERT_EQ(deleted.status, 0) << deleted.err;
  const ordered_json book = Show();
  ASSERT_EQ(book["individuals"].size(), 1u);
  EXPECT_EQ(book["groups"][0]["EntryList"], ordered_json({"1"}));
  EXPECT_EQ(book["groups"][0]["EntryNum"], "1");
  EXPECT_EQ(Run({"delete", book_, "G7"}).status, 2);
}

TEST_F(FaxbookTest, BooksWithEntriesTheChecksDropAreNotRewritten) {
  pbtest::Container c;
  auto good = pbtest::Individual("1", "Good", "0311");
  auto bad = pbtest::Individual("2", "Bad", "03[1]");
  ABIFData_Add_MyFax(c, 1, good.get());
  ABIFData_Add_MyFax(c, 1, bad.get());
  ASSERT_EQ(AbifFAPFile_Write(book_.c_str(), c), kAbifSuccess);
  const std::string before = pbtest::ReadFile(book_);
  const Result shown = Run({"show", book_});
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.json()["individuals"].size(), 1u);
  EXPECT_NE(shown.err.find("1 entries left out"), std::string::npos);
  EXPECT_EQ(Run({"add-individual", book_, "--name", "New", "--address", "0399"}).status, 1);
  EXPECT_EQ(pbtest::ReadFile(book_), before);
}

// Twenty additions started together: each waits for the others' read-modify-write, so all
// twenty entries are kept, with twenty different ids, and every run says so.
TEST_F(FaxbookTest, ConcurrentAdditionsAreAllKept) {
  ASSERT_EQ(Run({"new", book_}).status, 0);
  constexpr int kRuns = 20;
  std::string script;
  for (int i = 1; i <= kRuns; ++i) {
    const std::string n = std::to_string(i);
    script += "(" + Quote(NX_FAXBOOK) + " add-individual " + Quote(book_) + " --name P" + n +
              " --address 03" + n + " >/dev/null 2>&1; echo $? >" + Quote(dir_.File("rc." + n)) +
              ") &\n";
  }
  script += "wait\n";
  ASSERT_EQ(std::system(script.c_str()), 0);
  for (int i = 1; i <= kRuns; ++i) {
    EXPECT_EQ(pbtest::ReadFile(dir_.File("rc." + std::to_string(i))), "0\n") << i;
  }
  const ordered_json book = Show();
  ASSERT_EQ(book["individuals"].size(), static_cast<std::size_t>(kRuns));
  std::set<std::string> ids;
  std::set<std::string> names;
  for (const auto& e : book["individuals"]) {
    ids.insert(e["Id"].get<std::string>());
    names.insert(e["Name"].get<std::string>());
  }
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(kRuns));
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kRuns));
  EXPECT_EQ(*ids.begin(), "1");
}

// A file with more individuals than a book holds: "show" lists those that fit and warns; every
// edit is refused with the warning's key, and the file stays byte for byte.
TEST_F(FaxbookTest, BooksBeyondTheLimitsAreShownButNeverRewritten) {
  pbtest::WriteFile(book_, pbtest::FapWithIndividuals(10005));
  const std::string before = pbtest::ReadFile(book_);
  const Result shown = Run({"show", book_});
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.json()["individuals"].size(), 9999u);
  EXPECT_EQ(shown.err.substr(0, shown.err.find('\n')), "Warning_Phonebook_Entries_Left_Out_ID");
  const std::string csv = Source("a.csv", DeviceCsv({FaxRow("New", "0399")}));
  for (const Strings& args : {Strings{"delete", book_, "1"},
                              Strings{"add-individual", book_, "--name", "New", "--address", "0399"},
                              Strings{"add-group", book_, "--name", "T", "--member", "1"},
                              Strings{"import", book_, csv, "--kind", "csv"}}) {
    const Result r = Run(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "Warning_Phonebook_Entries_Left_Out_ID") << args[0];
    EXPECT_TRUE(pbtest::ReadFile(book_) == before) << args[0];
  }
}

// A FIFO as the book or as the file to import is refused at once ("cannot be opened"), not
// waited on; `timeout` turns a wait into a failure.
TEST_F(FaxbookTest, SpecialFilesAreRefusedAtOnce) {
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const Result shown = Run({"show", fifo}, "TZ=UTC timeout 20");
  EXPECT_EQ(shown.status, 1);
  EXPECT_NE(shown.err.find("0x20000006"), std::string::npos) << shown.err;

  ASSERT_EQ(Run({"new", book_}).status, 0);
  const std::string before = pbtest::ReadFile(book_);
  for (const char* kind : {"csv", "gap", "gad", "vcard", "ldif"}) {
    const Result r = Run({"import", book_, fifo, "--kind", kind}, "TZ=UTC timeout 20");
    EXPECT_EQ(r.status, 1) << kind;
    EXPECT_EQ(pbtest::ReadFile(book_), before) << kind;
  }
}

// ---- Desktop address books, export, list --------------------------------------------------------

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// Runs without a BOOK work on the current phonebook of a user whose home is the test folder.
class CurrentBookTest : public FaxbookTest {
 protected:
  std::string Env() const {
    return "TZ=UTC HOME=" + Quote(dir_.path()) +
           " XDG_CONFIG_HOME= XDG_DATA_HOME= NX_USER_PREFS_DIR=";
  }
  Result RunHere(const Strings& args) { return Run(args, Env()); }
  std::string DefaultBook() const {
    return dir_.path() + "/.local/share/NORVALEX/JPN/MFP_D-FAX/default.fap";
  }
};

// An export of a desktop address book as such programs write it: vCard 3.0 with grouped
// properties, several types per TEL, a note with escapes, a folded photo; a 4.0 card with a fax
// URI; a card folded with a tab and a full-width number; a contact without a fax number.
// clang-format off
const char kDesktopExport[] =
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "PRODID:-//Example//Address Book 14.0//EN\r\n"
    "N:\xe5\xb1\xb1\xe7\x94\xb0;\xe5\xa4\xaa\xe9\x83\x8e;;;\r\n"                 // 山田;太郎
    "FN:\xe5\xb1\xb1\xe7\x94\xb0 \xe5\xa4\xaa\xe9\x83\x8e\r\n"                  // 山田 太郎
    "X-PHONETIC-FIRST-NAME:\xe3\x81\x9f\xe3\x82\x8d\xe3\x81\x86\r\n"            // たろう
    "X-PHONETIC-LAST-NAME:\xe3\x82\x84\xe3\x81\xbe\xe3\x81\xa0\r\n"             // やまだ
    "ORG:\xe5\xb1\xb1\xe7\x94\xb0\xe5\x95\x86\xe4\xba\x8b;Sales\r\n"            // 山田商事
    "EMAIL;type=INTERNET;type=WORK;type=pref:taro@example.co.jp\r\n"
    "TEL;type=WORK;type=VOICE;type=pref:03-1111-2222\r\n"
    "TEL;type=WORK;type=FAX:03-1111-2223\r\n"
    "TEL;type=CELL;type=VOICE:090-1234-5678\r\n"
    "item1.ADR;type=WORK;type=pref:;;1-2-3 Chiyoda;Tokyo;;100-0001;Japan\r\n"
    "item1.X-ABADR:jp\r\n"
    "NOTE:Orders by fax\\, never by e-mail.\\nAsk for the sales desk.\r\n"
    "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAASABIAAD/4QBMRXhpZgAATU0AKgAAAAgAAYdp\r\n"
    "  AAQAAAABAAAAGgAAAAAAA6ABAAMAAAABAAEAAKACAAQAAAABAAAAQKADAAQAAAABAAAAQAAAAAD/\r\n"
    "  7QA4UGhvdG9zaG9wIDMuMAA4QklNBAQAAAAAAAA4QklNBCUAAAAAABDUHYzZjwCyBOmACZjs+EJ+\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "N:Schmidt;Anna;;;\r\n"
    "FN:Anna Schmidt\r\n"
    "ORG:Example GmbH;\r\n"
    "TEL;type=HOME;type=FAX:+49 30 1234567\r\n"
    "TEL;TYPE=WORK,FAX:+49 30 7654321\r\n"
    "TEL;type=CELL;type=VOICE:+49 170 000000\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "N:Doe;Jane;;;\r\n"
    "FN:Jane Doe\r\n"
    "TEL;type=HOME;type=VOICE:555-0100\r\n"
    "EMAIL;type=INTERNET;type=HOME:jane@example.com\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "VERSION:4.0\r\n"
    "FN:\xe9\x88\xb4\xe6\x9c\xa8 \xe8\x8a\xb1\xe5\xad\x90\r\n"                  // 鈴木 花子
    "TEL;VALUE=uri;TYPE=\"fax,work\":tel:+81-6-1234-5678;ext=9\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "FN:Long\r\n"
    "\t Name Corp\r\n"
    "TEL;type=fax;type=work:\xef\xbc\x90\xef\xbc\x93\xef\xbc\x8d\xef\xbc\x95\xef\xbc\x95\r\n"  // ０３－５５
    "END:VCARD\r\n";
// clang-format on

TEST_F(CurrentBookTest, DesktopVCardAddsTheFaxContactsToTheCurrentBook) {
  const std::string vcf = Source("contacts.vcf", kDesktopExport);
  const Result imported = RunHere({"import", vcf, "--kind", "vcard"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.json(), ordered_json::parse(R"({"kind": "vcard", "status": "0x00000000",
      "added": {"individuals": ["1", "2", "3", "4", "5"], "groups": []},
      "skipped": {"noFaxNumber": 1, "duplicates": 0, "overLimit": 0, "notRead": 0},
      "fieldsLeftOut": 1, "warnings": [], "saved": true})"))
      << "the note's line break is no memo character";
  ASSERT_TRUE(Exists(DefaultBook()));

  const std::string taro = "\xe5\xb1\xb1\xe7\x94\xb0 \xe5\xa4\xaa\xe9\x83\x8e";
  ordered_json expected = {
      {"individuals",
       {Shown({{"Id", "1"},
               {"Name", taro},
               {"Address", "03-1111-2223"},
               {"Company", "\xe5\xb1\xb1\xe7\x94\xb0\xe5\x95\x86\xe4\xba\x8b"},
               {"Furigana",
                "\xe3\x82\x84\xe3\x81\xbe\xe3\x81\xa0 \xe3\x81\x9f\xe3\x82\x8d\xe3\x81\x86"},
               {"Tel", "03-1111-2222"},
               {"Email", "taro@example.co.jp"}}),
        Shown({{"Id", "2"},
               {"Name", "Anna Schmidt"},
               {"Address", "+49 30 1234567"},
               {"Company", "Example GmbH"},
               {"Tel", "+49 170 000000"}}),
        Shown({{"Id", "3"},
               {"Name", "Anna Schmidt"},
               {"Address", "+49 30 7654321"},
               {"Company", "Example GmbH"},
               {"Tel", "+49 170 000000"}}),
        Shown({{"Id", "4"},
               {"Name", "\xe9\x88\xb4\xe6\x9c\xa8 \xe8\x8a\xb1\xe5\xad\x90"},
               {"Address", "+81-6-1234-5678"}}),
        Shown({{"Id", "5"}, {"Name", "Long Name Corp"}, {"Address", "03-55"}})}},
      {"groups", ordered_json::array()}};
  for (auto& e : expected["individuals"]) e["TimeStamp"] = "now";
  const Result shown = RunHere({"show"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(WithoutNow(shown.json()), expected);

  // The same file again: every fax contact is in the book already; the book stays as it is.
  const std::string before = pbtest::ReadFile(DefaultBook());
  const Result again = RunHere({"import", vcf, "--kind", "vcard"});
  EXPECT_EQ(again.status, 0);
  EXPECT_EQ(again.json()["skipped"]["duplicates"], 5);
  EXPECT_EQ(pbtest::ReadFile(DefaultBook()), before);

  // The preferences name another book: that one is the current book from then on.
  ASSERT_EQ(Run({"new", book_}).status, 0);
  nx::platform::PropertyValue::Dictionary prefs;
  prefs[kFaxPBCurrentPathKey] = nx::platform::PropertyValue(book_);
  ASSERT_TRUE(nx::platform::WritePropertyListFile(
      dir_.path() + "/.config/norvalex/" + kFaxPBPreferencesFileName,
      nx::platform::PropertyValue(std::move(prefs))));
  ASSERT_EQ(RunHere({"add-individual", "--name", "Other", "--address", "0399"}).status, 0);
  EXPECT_EQ(Show()["individuals"].size(), 1u);
  EXPECT_EQ(pbtest::ReadFile(DefaultBook()), before);
}

// The table: columns as wide as their widest text on a terminal (wide characters count two),
// groups with their members; patterns match names, furigana and numbers in any case, digits
// also across the separators numbers are written with.
TEST_F(CurrentBookTest, ListPrintsATable) {
  ASSERT_EQ(RunHere({"import", Source("c.vcf", kDesktopExport), "--kind", "vcard"}).status, 0);
  ASSERT_EQ(RunHere({"add-individual", "--name", "Fax Desk", "--address", "sip:desk@example.com",
                     "--ip-fax"})
                .status,
            0);
  ASSERT_EQ(RunHere({"add-group", "--name", "Sales", "--member", "1", "--member", "6"}).status, 0);
  const Result all = RunHere({"list"});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out,
            "ID  NAME            COMPANY       NUMBER                TYPE    MEMBERS\n"
            "1   \xe5\xb1\xb1\xe7\x94\xb0 \xe5\xa4\xaa\xe9\x83\x8e       "
            "\xe5\xb1\xb1\xe7\x94\xb0\xe5\x95\x86\xe4\xba\x8b      03-1111-2223          fax\n"
            "2   Anna Schmidt    Example GmbH  +49 30 1234567        fax\n"
            "3   Anna Schmidt    Example GmbH  +49 30 7654321        fax\n"
            "4   \xe9\x88\xb4\xe6\x9c\xa8 \xe8\x8a\xb1\xe5\xad\x90                     "
            "+81-6-1234-5678       fax\n"
            "5   Long Name Corp                03-55                 fax\n"
            "6   Fax Desk                      sip:desk@example.com  ip-fax\n"
            "G1  Sales                                               group   1,6\n");
  struct Case {
    const char* pattern;
    std::vector<std::string> ids;
  };
  for (const Case& c :
       {Case{"anna", {"2", "3"}}, Case{"\xe3\x82\x84\xe3\x81\xbe", {"1"}}, Case{"1111 2223", {"1"}},
        Case{"301234", {"2"}}, Case{"SALES", {"G1"}}, Case{"DESK@", {"6"}}, Case{"nobody", {}}}) {
    const Result r = RunHere({"list", c.pattern, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const ordered_json found = r.json();
    std::vector<std::string> ids;
    for (const auto& e : found["individuals"]) ids.push_back(e["Id"]);
    for (const auto& g : found["groups"]) ids.push_back(g["Id"]);
    EXPECT_EQ(ids, c.ids) << c.pattern;
  }
}

// export then import gives the same entries, as far as each format carries them: the device
// CSV the number, type and communication settings (passwords included); vCard the texts.
TEST_F(FaxbookTest, ExportThenImportGivesTheSameEntries) {
  ASSERT_EQ(Run({"new", book_}).status, 0);
  const std::string csv = Source("a.csv", DeviceCsv({FaxRow("Secure", "0311",
                                                            {{"MFMBOX", "1"},
                                                             {"MFMBOXID", "12"},
                                                             {"MFMBOXPS", pbtest::EwsForm("1234")},
                                                             {"MFFCODE", "12#"},
                                                             {"MFPCODE", pbtest::EwsForm("99")}}),
                                                     FaxRow("Relay", "0333",
                                                            {{"MFRLY", "1"},
                                                             {"MFRLYID", "7"},
                                                             {"MFRLYPRN", "1"},
                                                             {"MFRLYNUM", pbtest::XspForm("0102")},
                                                             {"MFLINE", "2"},
                                                             {"MFCMODE", "1"}}),
                                                     FaxRow("IP", "",
                                                            {{"MFADDRT", "IPFAX"},
                                                             {"MFIPFAX", "sip:ip@example.com"},
                                                             {"MFIPFAXCMODE", "1"}})}));
  ASSERT_EQ(Run({"import", book_, csv, "--kind", "csv"}).status, 0);
  ASSERT_EQ(
      Run({"add-individual", book_, "--name", "\xe5\xb1\xb1\xe7\x94\xb0, \"Co\"; \\x", "--address",
           "+81 (3) 1234-5678", "--company", "A;B,C", "--tel", "03-1", "--email", "a@example.com",
           "--memo", "memo, with; marks", "--furigana", "\xe3\x82\x84\xe3\x81\xbe"})
          .status,
      0);
  const ordered_json book = Run({"show", book_, "--show-passwords"}).json();

  auto only = [](const ordered_json& entries, const Strings& keys) {
    ordered_json out = ordered_json::array();
    for (const auto& e : entries) {
      ordered_json kept = ordered_json::object();
      for (const auto& k : keys) kept[k] = e[k];
      out.push_back(kept);
    }
    return out;
  };
  struct Kind {
    const char* kind;
    Strings keys;
  };
  for (const Kind& k :
       {Kind{"csv",
             {"Name", "Address", "AddressType", "CommMode", "LineType", "SecureorRelay",
              "MailBoxId", "MailBoxPassword", "Rlyprn", "RlyID", "RlyNum", "RlyDestList", "FCode",
              "FCodePassword"}},
        Kind{"vcard",
             {"Name", "Address", "AddressType", "Company", "Furigana", "Tel", "Email", "Memo"}}}) {
    const std::string file = dir_.File(std::string("out.") + k.kind);
    const Result exported = Run({"export", book_, file, "--kind", k.kind});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string copy = dir_.File(std::string("copy-") + k.kind + ".fap");
    ASSERT_EQ(Run({"new", copy}).status, 0);
    const Result imported = Run({"import", copy, file, "--kind", k.kind});
    ASSERT_EQ(imported.status, 0) << imported.err;
    const ordered_json back = Run({"show", copy, "--show-passwords"}).json();
    EXPECT_EQ(only(back["individuals"], k.keys), only(book["individuals"], k.keys)) << k.kind;
  }
  // The device file holds passwords in their protected form only, readable by the user alone.
  const std::string exported = pbtest::ReadFile(dir_.File("out.csv"));
  EXPECT_EQ(exported.find(",1234,"), std::string::npos);
  struct stat st;
  ASSERT_EQ(::stat(dir_.File("out.csv").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Contact files the import refuses, and what the device CSV cannot carry: exit 1, the warning
// key first on standard error, and the book byte for byte as it was.
TEST_F(FaxbookTest, BadContactFilesAreRefusedWholly) {
  ASSERT_EQ(Run({"new", book_}).status, 0);
  ASSERT_EQ(Run({"add-individual", book_, "--name", "Taro", "--address", "0311"}).status, 0);
  const std::string before = pbtest::ReadFile(book_);
  auto card = [](const std::string& lines) {
    return "BEGIN:VCARD\r\nVERSION:3.0\r\n" + lines + "END:VCARD\r\n";
  };
  const std::string good = card("FN:Good\r\nTEL;TYPE=fax:0322\r\n");
  struct Case {
    const char* what;
    const char* kind;
    std::string bytes;
    const char* key;
  };
  const char* notValid = "Warning_Specified_File_Not_Valiable_Win_Content_ID";
  const std::vector<Case> cases = {
      {"no card", "vcard", "FN:Nobody\r\nTEL;TYPE=fax:1\r\n", notValid},
      {"cut off", "vcard", good + "BEGIN:VCARD\r\nFN:Half\r\nTEL;TYPE=fax:0333\r\n", notValid},
      {"an LDIF as vCard", "vcard", "dn: cn=A\ncn: A\nfacsimileTelephoneNumber: 1\n", notValid},
      {"no record", "ldif", "version: 1\n", notValid},
      {"name line too long", "vcard",
       good + card("FN:" + std::string(70000, 'a') + "\r\nTEL;TYPE=fax:1\r\n"), notValid},
      {"undialable number", "vcard", good + card("FN:Bad\r\nTEL;TYPE=fax:03[1]\r\n"),
       "Warning_Invalid_Input_Number_ID"},
      {"number too long", "ldif",
       "dn: cn=A\ncn: A\nfacsimileTelephoneNumber: " + std::string(101, '1') + "\n",
       "Warning_Add_Recipient_to_List_Win_Content_ID"},
      {"name too long", "vcard",
       good + card("FN:" + std::string(41, 'n') + "\r\nTEL;TYPE=fax:0344\r\n"), "String too long."},
      {"name outside the JIS set", "vcard",
       good + card("FN:\xf0\x9f\x93\xa0\r\nTEL;TYPE=fax:0344\r\n"), "String too long."},
      {"company too long", "ldif",
       "dn: cn=A\ncn: A\no: " + std::string(60, 'c') + "\nfacsimileTelephoneNumber: 1\n",
       "String too long."},
  };
  for (const auto& c : cases) {
    const Result r = Run({"import", book_, Source("bad", c.bytes), "--kind", c.kind});
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.key) << c.what << "\n" << r.err;
    EXPECT_EQ(pbtest::ReadFile(book_), before) << c.what;
  }
  const Result named =
      Run({"import", book_, Source("bad.vcf", good + card("FN:Bad\r\nTEL;TYPE=fax:03[1]\r\n")),
           "--kind", "vcard"});
  EXPECT_NE(named.err.find("line 6: the contact \"Bad\""), std::string::npos) << named.err;
  const Result company = Run({"import", book_, Source("c.ldif", cases.back().bytes), "--kind", "ldif"});
  EXPECT_NE(company.err.find("line 1: the contact \"A\" has a Company"), std::string::npos)
      << company.err;
  EXPECT_EQ(Run({"import", book_, Source("a.vcf", good), "--kind", "vcards"}).status, 2);
  const Result help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--kind csv|gap|gad|vcard|ldif"), std::string::npos);

  // A name longer than the device's 18 characters has no place in its CSV: nothing is written.
  ASSERT_EQ(
      Run({"add-individual", book_, "--name", std::string(19, 'x'), "--address", "0355"}).status,
      0);
  const std::string out = dir_.File("out.csv");
  const Result exported = Run({"export", book_, out, "--kind", "csv"});
  EXPECT_EQ(exported.status, 1);
  EXPECT_NE(exported.err.find("entry 2: the name"), std::string::npos) << exported.err;
  EXPECT_FALSE(Exists(out));
}

}  // namespace
}  // namespace pbmodel

#endif  // NX_FAXBOOK
