// FAP, GAP and GAD files: golden bytes, round trips, damaged and hostile input, safe saving.
#include "nx/phonebook/abif_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include <gtest/gtest.h>

#include <cstring>

#include "nx/phonebook/abif_csv.h"
#include "phonebook_test_support.h"

namespace {

using namespace nx::phonebook;
using pbtest::Container;
using pbtest::Get;
using pbtest::Set;
using pbtest::TempDir;
using pbtest::FapWithIndividuals;

// The worked example: one individual and one group with one member.
struct Example {
  Container c;
  Example() {
    auto r = pbtest::Individual("1", "Taro", "0312345678");
    Set(r->Company, "ACME");
    Set(r->Furigana, "taro");
    Set(r->SecureorRelay, "1");
    Set(r->MailBoxId, "12");
    Set(r->MailBoxPassword, "1234");
    EXPECT_EQ(ABIFData_Add_MyFax(c, 1, r.get()), kAbifSuccess);
    auto g = pbtest::Group("2", "Sales", {"1"});
    EXPECT_EQ(ABIFData_Add_MyFaxGroup(c, 1, g.get()), kAbifSuccess);
  }
};

const std::string kExampleHeader = std::string(kFapMagic) + "\x04";
const std::string kExampleIndividual =
    "\x01"
    "1\x03" "Taro\x03" "0312345678\x03" "ACME\x03" "\x03"  // id, name, fax, company, memo
    "0\x03" "202401021530\x03" "taro\x03" "0\x03" "\x03"    // mode, time, reading, type, SIP
    "\x03" "\x03" "0\x03" "1\x03" "12\x03"                  // tel, e-mail, line, secure, box
    "JqwPbg==\x03" "0\x03" "\x03" "0\x03"                   // password, print, relay id, count
    "\x03" "\x03"                                           // F-code, F-code password
    "\x04";
const std::string kExampleGroup = "\x02" "2\x03" "Sales\x03" "202401021531\x03" "1\x03" "1\x03" "\x03" "\x04";
const std::string kExampleBytes = kExampleHeader + kExampleIndividual + kExampleGroup;

TEST(FapFile, ExampleMatchesTheGoldenBytes) {
  Example ex;
  std::string bytes;
  ASSERT_EQ(AbifFAPFile_Build(ex.c, bytes), kAbifSuccess);
  EXPECT_EQ(bytes, kExampleBytes);

  TempDir dir;
  const std::string path = dir.File("default.fap");
  ASSERT_EQ(AbifFAPFile_Write(path.c_str(), ex.c), kAbifSuccess);
  EXPECT_EQ(pbtest::ReadFile(path), kExampleBytes);
}

TEST(FapFile, ExampleReadsBackWithThePasswordOpened) {
  Container c;
  ASSERT_EQ(AbifFAPData_Read(kExampleBytes.data(), kExampleBytes.size(), c), kAbifSuccess);
  ASSERT_EQ(ABIFData_GetCount_MyFax(c), 1);
  ASSERT_EQ(ABIFData_GetCount_MyFaxGroup(c), 1);
  tag_ABIF_MYFAX r;
  ASSERT_EQ(ABIFData_GetAt_MyFax(c, 0, &r), kAbifSuccess);
  EXPECT_EQ(Get(r.Name), "Taro");
  EXPECT_EQ(Get(r.MailBoxPassword), "1234");
  tag_ABIF_MYFAX_GROUP g;
  ASSERT_EQ(ABIFData_GetAt_MyFaxGroup(c, 0, &g), kAbifSuccess);
  EXPECT_EQ(Get(g.EntryList[0]), "1");
  EXPECT_EQ(Get(g.GroupName), "Sales");
}

// A book that uses every field, relay lists, both password lengths and groups of many sizes.
void FillRichBook(ABIFDATA* c) {
  for (int i = 0; i < 40; ++i) {
    auto r = pbtest::Individual(std::to_string(i + 1), "Name " + std::to_string(i),
                                "03-" + std::to_string(1000 + i));
    Set(r->Company, "\xe6\xa0\xaa\xe5\xbc\x8f\xe4\xbc\x9a\xe7\xa4\xbe");  // UTF-8 company
    Set(r->Memo, std::string(762, 'm'));
    Set(r->Tel, "045-000-0000");
    Set(r->Email, "user" + std::to_string(i) + "@example.com");
    if (i % 4 == 1) {
      Set(r->AddressType, "4");
      Set(r->SIPFAXAddress, "sip:fax" + std::to_string(i) + "@example.com");
    }
    if (i % 3 == 0) {
      Set(r->SecureorRelay, "1");
      Set(r->MailBoxId, "999");
      Set(r->MailBoxPassword, "0000");
    }
    if (i % 3 == 1) {
      Set(r->SecureorRelay, "2");
      Set(r->RlyID, "99");
      Set(r->Rlyprn, "1");
      const int n = i == 1 ? 121 : 3;
      Set(r->RlyNum, std::to_string(n));
      for (int k = 0; k < n; ++k) Set(r->RlyDestList[k], k % 2 ? "0#3" : "012");
    }
    Set(r->FCode, "12 #*");
    Set(r->FCodePassword, std::string(20, '0' + i % 10));
    ASSERT_EQ(ABIFData_Add_MyFax(c, 1, r.get()), kAbifSuccess);
  }
  for (int n : {0, 1, 2, 50, 51}) {
    std::vector<std::string> members;
    for (int k = 0; k < n; ++k) members.push_back(std::to_string(k + 1));
    auto g = pbtest::Group(std::to_string(100 + n), "Group " + std::to_string(n), members);
    Set(g->Furigana, "ggg");
    ASSERT_EQ(ABIFData_Add_MyFaxGroup(c, 1, g.get()), kAbifSuccess);
  }
}

void ExpectSameBooks(const ABIFDATA* a, const ABIFDATA* b) {
  ASSERT_EQ(ABIFData_GetCount_MyFax(a), ABIFData_GetCount_MyFax(b));
  ASSERT_EQ(ABIFData_GetCount_MyFaxGroup(a), ABIFData_GetCount_MyFaxGroup(b));
  auto ra = pbtest::Zeroed<tag_ABIF_MYFAX>(), rb = pbtest::Zeroed<tag_ABIF_MYFAX>();
  for (int i = 0; i < ABIFData_GetCount_MyFax(a); ++i) {
    ASSERT_EQ(ABIFData_GetAt_MyFax(a, i, ra.get()), kAbifSuccess);
    ASSERT_EQ(ABIFData_GetAt_MyFax(b, i, rb.get()), kAbifSuccess);
    EXPECT_EQ(std::memcmp(ra.get(), rb.get(), sizeof *ra), 0) << "individual " << i;
  }
  auto ga = pbtest::Zeroed<tag_ABIF_MYFAX_GROUP>(), gb = pbtest::Zeroed<tag_ABIF_MYFAX_GROUP>();
  for (int i = 0; i < ABIFData_GetCount_MyFaxGroup(a); ++i) {
    ASSERT_EQ(ABIFData_GetAt_MyFaxGroup(a, i, ga.get()), kAbifSuccess);
    ASSERT_EQ(ABIFData_GetAt_MyFaxGroup(b, i, gb.get()), kAbifSuccess);
    // A group without members is stored with one empty member field; nothing else differs.
    EXPECT_EQ(std::memcmp(ga.get(), gb.get(), sizeof *ga), 0) << "group " << i;
  }
}

TEST(FapFile, RoundTripIsLosslessAndDeterministic) {
  TempDir dir;
  Container book;
  FillRichBook(book);
  const std::string first = dir.File("a.fap"), second = dir.File("b.fap");
  ASSERT_EQ(AbifFAPFile_Write(first.c_str(), book), kAbifSuccess);
  ASSERT_EQ(AbifFAPFile_Write(second.c_str(), book), kAbifSuccess);
  EXPECT_EQ(pbtest::ReadFile(first), pbtest::ReadFile(second));

  Container back;
  ASSERT_EQ(AbifFAPFile_Read(first.c_str(), back), kAbifSuccess);
  ExpectSameBooks(book, back);
  // Rewriting what was read gives the same bytes again.
  ASSERT_EQ(AbifFAPFile_Write(second.c_str(), back), kAbifSuccess);
  EXPECT_EQ(pbtest::ReadFile(first), pbtest::ReadFile(second));
}

TEST(FapFile, PasswordsAreStoredEnciphered) {
  Container c;
  auto r = pbtest::Individual("7", "n", "1");
  Set(r->MailBoxPassword, "1234");
  Set(r->FCodePassword, "12345678901234567890");
  ASSERT_EQ(ABIFData_Add_MyFax(c, 1, r.get()), kAbifSuccess);
  std::string bytes;
  ASSERT_EQ(AbifFAPFile_Build(c, bytes), kAbifSuccess);
  EXPECT_NE(bytes.find("\x03" "JqwPbg==\x03"), std::string::npos);  // 4 characters -> 8
  EXPECT_NE(bytes.find("\x03" "JqwPbiKoC2Iurg1oJKoJbCCmBWo=\x03"), std::string::npos);  // 20 -> 28
  EXPECT_EQ(bytes.find("1234"), std::string::npos);

  Container back;
  ASSERT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), back), kAbifSuccess);
  tag_ABIF_MYFAX out;
  ASSERT_EQ(ABIFData_GetAt_MyFax(back, 0, &out), kAbifSuccess);
  EXPECT_EQ(Get(out.MailBoxPassword), "1234");
  EXPECT_EQ(Get(out.FCodePassword), "12345678901234567890");
}

// ---- Building damaged files --------------------------------------------------------------------

std::string Header(const char* magic = kFapMagic) { return std::string(magic) + '\x04'; }

// An individual record from its 22 fields (relay destinations inserted after field 19).
std::string IndividualBytes(std::vector<std::string> fields,
                            const std::vector<std::string>& relays = {}) {
  fields.resize(21);
  std::string out = "\x01";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    out += fields[i] + '\x03';
    if (i == 18) {
      for (const auto& d : relays) out += d + '\x03';
    }
  }
  return out + '\x04';
}

std::vector<std::string> ValidFields(const std::string& id = "1") {
  return {id, "Name", "123", "", "", "0", "202401010000", "", "0", "", "",
          "", "0", "0", "", "", "0", "", "0", "", ""};
}

TEST(FapFile, EveryTruncationKeepsTheRecordsBeforeIt) {
  // Truncating the example at each byte: whole records survive, a cut record is damage.
  const std::size_t headerEnd = kExampleHeader.size();
  const std::size_t firstEnd = headerEnd + kExampleIndividual.size();
  const std::size_t secondEnd = kExampleBytes.size();
  ASSERT_EQ(headerEnd, 34u);
  for (std::size_t len = 0; len <= kExampleBytes.size(); ++len) {
    Container c;
    const AbifStatus status = AbifFAPData_Read(kExampleBytes.data(), len, c);
    const bool boundary = len == headerEnd || len == firstEnd || len == secondEnd;
    EXPECT_EQ(status, boundary ? kAbifSuccess : kAbifBadFormat) << "length " << len;
    EXPECT_EQ(ABIFData_GetCount_MyFax(c), len >= firstEnd ? 1 : 0) << "length " << len;
    EXPECT_EQ(ABIFData_GetCount_MyFaxGroup(c), len >= secondEnd ? 1 : 0) << "length " << len;
  }
}

TEST(FapFile, HeaderChecks) {
  struct Case {
    std::string bytes;
    AbifStatus fap, gap;
  } cases[] = {
      {Header(), kAbifSuccess, kAbifBadFormat},
      {Header(kGapMagic), kAbifOldPhonebookKind, kAbifSuccess},
      {Header(kGapMagic) + IndividualBytes(ValidFields()), kAbifOldPhonebookKind, kAbifSuccess},
      {std::string(kFapMagic) + "-and-more\x04", kAbifSuccess, kAbifBadFormat},  // prefix match
      {std::string(kFapMagic), kAbifBadFormat, kAbifBadFormat},   // no end byte
      {"NORVALEX_QRL_ADDRESS_BOOK_NX_100\x04", kAbifBadFormat, kAbifBadFormat},
      {"", kAbifBadFormat, kAbifBadFormat},
      {std::string(100000, 'N'), kAbifBadFormat, kAbifBadFormat},
  };
  for (const auto& c : cases) {
    Container fap, gap;
    EXPECT_EQ(AbifFAPData_Read(c.bytes.data(), c.bytes.size(), fap), c.fap) << c.bytes.substr(0, 40);
    EXPECT_EQ(AbifGAPData_Read(c.bytes.data(), c.bytes.size(), gap), c.gap) << c.bytes.substr(0, 40);
    EXPECT_EQ(ABIFData_GetCount_MyFax(fap), 0);
  }
}

TEST(FapFile, DamagedRecordsStopTheReadAndKeepEarlierOnes) {
  const std::string good = IndividualBytes(ValidFields("1"));
  const std::string cases[] = {
      "\x07",                                           // unknown record kind
      good.substr(0, good.size() - 1) + "\x05" + good,  // wrong end byte
      good.substr(0, good.size() - 1),                  // end byte missing at the end of data
      "\x02" "1\x03" "g\x03" "t\x03" "4000000000\x03" "1\x03" "\x03\x04",  // billions of members
      IndividualBytes([] {  // a relay count far beyond the destinations present
        auto f = ValidFields("9");
        f[18] = "4000000000";
        return f;
      }()),
      "\x01" + std::string(50000, 'x'),                 // field without its end byte
  };
  for (const auto& damage : cases) {
    const std::string bytes = Header() + good + damage;
    Container c;
    EXPECT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), c), kAbifBadFormat) << damage.size();
    EXPECT_EQ(ABIFData_GetCount_MyFax(c), 1) << damage.size();
  }
}

TEST(FapFile, OverlongFieldsAreCutAndTheRestStillParses) {
  auto fields = ValidFields("1");
  fields[1] = std::string(100000, 'n');   // name: capacity 121
  fields[15] = std::string(5000, 'A');    // mailbox password field: 20 characters kept
  fields[20] = std::string(5000, 'B');    // F-code password: 28 kept
  const std::string bytes = Header() + IndividualBytes(fields) + IndividualBytes(ValidFields("2"));
  Container c;
  ASSERT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), c), kAbifSuccess);
  ASSERT_EQ(ABIFData_GetCount_MyFax(c), 2);
  tag_ABIF_MYFAX r;
  ASSERT_EQ(ABIFData_GetAt_MyFax(c, 0, &r), kAbifSuccess);
  EXPECT_EQ(Get(r.Name), std::string(120, 'n'));
  EXPECT_EQ(Get(r.Id), "1");
  // The kept base64 text decodes, and what it decodes to is kept within the capacity.
  EXPECT_LE(Get(r.MailBoxPassword).size(), 20u);
  EXPECT_LE(Get(r.FCodePassword).size(), 28u);
  ASSERT_EQ(ABIFData_GetAt_MyFax(c, 1, &r), kAbifSuccess);
  EXPECT_EQ(Get(r.Id), "2");
}

TEST(FapFile, RelayDestinationsBeyondTheSlotsAreConsumed) {
  auto fields = ValidFields("5");
  fields[18] = "200";
  fields[19] = "12#";  // F-code after the destinations
  std::vector<std::string> relays;
  for (int i = 0; i < 200; ++i) relays.push_back(std::to_string(i % 100));
  const std::string bytes = Header() + IndividualBytes(fields, relays);
  Container c;
  ASSERT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), c), kAbifSuccess);
  tag_ABIF_MYFAX r;
  ASSERT_EQ(ABIFData_GetAt_MyFax(c, 0, &r), kAbifSuccess);
  EXPECT_EQ(Get(r.RlyNum), "200");
  EXPECT_EQ(Get(r.RlyDestList[120]), "20");
  EXPECT_EQ(Get(r.FCode), "12#");
  EXPECT_EQ(Get(r.Id), "5");

  // Written back, the count matches the destinations the record holds.
  std::string out;
  ASSERT_EQ(AbifFAPFile_Build(c, out), kAbifSuccess);
  Container again;
  ASSERT_EQ(AbifFAPData_Read(out.data(), out.size(), again), kAbifSuccess);
  ASSERT_EQ(ABIFData_GetAt_MyFax(again, 0, &r), kAbifSuccess);
  EXPECT_EQ(Get(r.RlyNum), "121");
  EXPECT_EQ(Get(r.FCode), "12#");
}

TEST(FapFile, InvalidRecordsAreMarkedAndStillAdded) {
  struct Case {
    int field;
    std::string value;
    bool invalid;
  } cases[] = {
      {0, "12a", true},          {0, "0123456789", false},  {0, "", false},
      {5, "", true},             {5, "12", true},           {8, "4", false},
      {12, "", true},            {13, "22", true},          {16, "", true},
      {19, std::string(20, '1'), false},                    {19, std::string(21, '1'), true},
      {19, std::string(40, '1'), true},
  };
  for (const auto& c : cases) {
    auto fields = ValidFields("42");
    fields[static_cast<std::size_t>(c.field)] = c.value;
    const std::string bytes = Header() + IndividualBytes(fields);
    Container book;
    ASSERT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), book), kAbifSuccess);
    tag_ABIF_MYFAX r;
    ASSERT_EQ(ABIFData_GetAt_MyFax(book, 0, &r), kAbifSuccess);
    const std::string expectedId = c.invalid ? "0" : (c.field == 0 ? c.value : "42");
    EXPECT_EQ(Get(r.Id), expectedId) << "field " << c.field << " = " << c.value;
    if (c.invalid) {
      EXPECT_EQ(std::string(r.Id, sizeof r.Id), std::string("0") + std::string(10, '\0'));
    }
  }
}

TEST(FapFile, InvalidGroupsAreMarked) {
  auto group = [](const std::string& id, const std::string& count,
                  const std::vector<std::string>& members) {
    std::string out = "\x02" + id + '\x03' + "G\x03" "t\x03" + count + '\x03';
    for (const auto& m : members) out += m + '\x03';
    return out + "\x03\x04";
  };
  struct Case {
    std::string bytes;
    std::string id;
  } cases[] = {
      {group("3", "2", {"1", "2"}), "3"},
      {group("3", "1", {""}), "0"},                       // a member is due but missing
      {group("3", "0", {""}), "3"},
      {group("3\x81\x75", "1", {"1"}), "0"},              // bracket code in the id
      {group("3", "2", {"1", "x\x81\x76"}), "0"},         // ... or in a member
      {group("3", "1", {std::string(25, '1') + "\x81\x75"}), "3"},  // beyond the 20 checked
  };
  for (const auto& c : cases) {
    const std::string bytes = Header() + c.bytes;
    Container book;
    ASSERT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), book), kAbifSuccess);
    tag_ABIF_MYFAX_GROUP g;
    ASSERT_EQ(ABIFData_GetAt_MyFaxGroup(book, 0, &g), kAbifSuccess);
    EXPECT_EQ(Get(g.Id), c.id);
  }
}

TEST(FapFile, GroupsKeepFiftyOneMembers) {
  std::string bytes = Header() + "\x02" "9\x03" "G\x03" "t\x03" "60\x03";
  for (int i = 1; i <= 60; ++i) bytes += std::to_string(i) + '\x03';
  bytes += "furi\x03\x04";
  Container c;
  ASSERT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), c), kAbifSuccess);
  tag_ABIF_MYFAX_GROUP g;
  ASSERT_EQ(ABIFData_GetAt_MyFaxGroup(c, 0, &g), kAbifSuccess);
  EXPECT_EQ(Get(g.EntryList[50]), "51");
  EXPECT_EQ(Get(g.Furigana), "furi");
}

TEST(FapFile, AFullContainerDropsTheSurplusAndReadingGoesOn) {
  std::string bytes = Header();
  for (int i = 1; i <= 5; ++i) bytes += IndividualBytes(ValidFields(std::to_string(i)));
  Container c;
  ASSERT_EQ(ABIFData_SetLimit_MyFax(c, 3), kAbifSuccess);
  // The read reaches the end, and says that records were left out.
  EXPECT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), c), kAbifLimitReached);
  EXPECT_EQ(ABIFData_GetCount_MyFax(c), 3);
}

// A book one record beyond the container is no complete book: callers must learn it, or a save
// of what was read destroys the rest. Exactly at the limit the read is a plain success.
TEST(FapFile, ABookBeyondTheContainerSaysSo) {
  struct Case {
    int individuals;
    AbifStatus status;
    int kept;
  };
  for (const Case& k : {Case{9999, kAbifSuccess, 9999}, Case{10000, kAbifLimitReached, 9999},
                        Case{10005, kAbifLimitReached, 9999}}) {
    const std::string bytes = FapWithIndividuals(k.individuals);
    Container c;
    EXPECT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), c), k.status) << k.individuals;
    EXPECT_EQ(ABIFData_GetCount_MyFax(c), k.kept) << k.individuals;
  }
  // Groups too, and damage after the surplus still reports the damage.
  std::string groups = Header();
  Container small;
  ASSERT_EQ(ABIFData_SetLimit_MyFaxGroup(small, 2), kAbifSuccess);
  for (int i = 1; i <= 3; ++i) {
    Container one;
    auto g = pbtest::Group("G" + std::to_string(i), "T", {"1"});
    ABIFData_Add_MyFaxGroup(one, 1, g.get());
    std::string built;
    AbifFAPFile_Build(one, built);
    groups.append(built, Header().size(), std::string::npos);
  }
  EXPECT_EQ(AbifFAPData_Read(groups.data(), groups.size(), small), kAbifLimitReached);
  Container damaged;
  ASSERT_EQ(ABIFData_SetLimit_MyFaxGroup(damaged, 2), kAbifSuccess);
  groups.push_back('\x07');
  EXPECT_EQ(AbifFAPData_Read(groups.data(), groups.size(), damaged), kAbifBadFormat);
}

// Special files are refused at once: a FIFO without a writer would otherwise hold the open
// forever. The alarm ends the program if it does.
TEST(SpecialFiles, AreRefusedWithoutWaiting) {
  TempDir dir;
  const std::string fifo = dir.File("book.fap");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  alarm(20);
  for (const std::string& path : {fifo, dir.path(), std::string("/dev/null")}) {
    Container c;
    EXPECT_EQ(AbifFAPFile_Read(path.c_str(), c), kAbifBadArgument) << path;
    EXPECT_EQ(AbifGAPFile_Read(path.c_str(), c), kAbifBadArgument) << path;
    EXPECT_EQ(AbifGADFile_Read(path.c_str(), c), kAbifBadArgument) << path;
    EXPECT_EQ(Abif_Import(nullptr, path.c_str(), kAbifImportCsv, c, nullptr, nullptr, nullptr, 1),
              kAbifBadArgument)
        << path;
  }
  // A save does not replace a FIFO either.
  Container c;
  EXPECT_EQ(AbifFAPFile_Write(fifo.c_str(), c), kAbifReadWriteFailed);
  alarm(0);
  struct stat st;
  ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(FapFile, ArgumentChecks) {
  TempDir dir;
  Container c;
  EXPECT_EQ(AbifFAPFile_Read(nullptr, c), kAbifBadArgument);
  EXPECT_EQ(AbifFAPFile_Read("", c), kAbifBadArgument);
  EXPECT_EQ(AbifFAPFile_Read(dir.File("x.fap").c_str(), nullptr), kAbifNoContainer);
  EXPECT_EQ(AbifFAPFile_Read(dir.File("missing.fap").c_str(), c), kAbifBadArgument);
  EXPECT_EQ(AbifGAPFile_Read(dir.path().c_str(), c), kAbifBadArgument);  // a folder
  EXPECT_EQ(AbifGADFile_Read(nullptr, c), kAbifBadArgument);
  EXPECT_EQ(AbifFAPFile_Write(nullptr, c), kAbifBadArgument);
  EXPECT_EQ(AbifFAPFile_Write(dir.File("x.fap").c_str(), nullptr), kAbifNoContainer);
  EXPECT_EQ(AbifFAPData_Read("x", 1, nullptr), kAbifNoContainer);
}

// ---- Saving safely ---------------------------------------------------------------------------

// Lets the process write at most `bytes` bytes into any file, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  sighandler_t oldHandler_;
};

TEST(FapFileWrite, AFailedSaveLeavesThePhonebookAsItWas) {
  TempDir dir;
  const std::string path = dir.File("default.fap");
  Example small;
  ASSERT_EQ(AbifFAPFile_Write(path.c_str(), small.c), kAbifSuccess);
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);

  Container big;
  FillRichBook(big);
  {
    FileSizeLimit full(4096);
    EXPECT_EQ(AbifFAPFile_Write(path.c_str(), big), kAbifReadWriteFailed);
  }
  EXPECT_EQ(pbtest::ReadFile(path), kExampleBytes);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"default.fap"}) << "temporary file left";

  // Once the disk has room again the save goes through and keeps the file's permissions.
  ASSERT_EQ(AbifFAPFile_Write(path.c_str(), big), kAbifSuccess);
  Container back;
  ASSERT_EQ(AbifFAPFile_Read(path.c_str(), back), kAbifSuccess);
  ExpectSameBooks(big, back);
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(FapFileWrite, TargetsThatCannotBeReplacedFail) {
  TempDir dir;
  Example ex;
  ASSERT_EQ(mkdir(dir.File("folder.fap").c_str(), 0755), 0);
  EXPECT_EQ(AbifFAPFile_Write(dir.File("folder.fap").c_str(), ex.c), kAbifReadWriteFailed);
  EXPECT_EQ(AbifFAPFile_Write(dir.File("no/such/folder.fap").c_str(), ex.c), kAbifReadWriteFailed);
  EXPECT_EQ(dir.Entries(), std::vector<std::string>{"folder.fap"});
}

// Temporary files of saves that were killed are removed by the next save of the same book; a
// save still running (its process lives), other books' files and names of another form stay.
TEST(FapFileWrite, ASaveRemovesWhatKilledSavesOfThatBookLeft) {
  TempDir dir;
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  waitpid(dead, nullptr, 0);
  const std::string gone = std::to_string(dead);
  const std::string alive = std::to_string(getppid());
  const std::vector<std::string> stale = {".book.fap." + gone + ".1.1f2e",
                                          ".book.fap." + gone + ".17.0"};
  const std::vector<std::string> kept = {
      ".book.fap." + alive + ".1.1f2e",      // a save in progress
      ".other.fap." + gone + ".1.1f2e",      // another book's
      ".book.fap." + gone + ".1.xyz",        // not our form
      ".book.fap." + gone + ".1",            // not our form
      ".book.fap." + gone + ".1.1f.keep",    // not our form
      "book.fap.lock", "book.fap", "notes.txt"};
  for (const auto& name : stale) pbtest::WriteFile(dir.File(name), "torn");
  for (const auto& name : kept) pbtest::WriteFile(dir.File(name), "keep");
  const std::string folder = ".book.fap." + gone + ".2.ab";
  ASSERT_EQ(mkdir(dir.File(folder).c_str(), 0700), 0);

  Example ex;
  ASSERT_EQ(AbifFAPFile_Write(dir.File("book.fap").c_str(), ex.c), kAbifSuccess);
  std::vector<std::string> expected = kept;
  expected.push_back(folder);
  std::vector<std::string> left = dir.Entries();
  std::sort(expected.begin(), expected.end());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, expected);
  for (const auto& name : kept) {
    if (name != "book.fap") {
      EXPECT_EQ(pbtest::ReadFile(dir.File(name)), "keep") << name;
    }
  }
}

TEST(FapFileWrite, ASymbolicLinkStaysALink) {
  TempDir dir;
  Example ex;
  const std::string real = dir.File("real.fap"), link = dir.File("link.fap");
  pbtest::WriteFile(real, "old");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  ASSERT_EQ(AbifFAPFile_Write(link.c_str(), ex.c), kAbifSuccess);
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(pbtest::ReadFile(real), kExampleBytes);
}

TEST(FapFileWrite, FieldEndBytesInsideTextCannotShiftFields) {
  Container c;
  auto r = pbtest::Individual("1", "bad\x03name", "123");
  Set(r->Email, "a\x03@b");
  ASSERT_EQ(ABIFData_Add_MyFax(c, 1, r.get()), kAbifSuccess);
  std::string bytes;
  ASSERT_EQ(AbifFAPFile_Build(c, bytes), kAbifSuccess);
  Container back;
  ASSERT_EQ(AbifFAPData_Read(bytes.data(), bytes.size(), back), kAbifSuccess);
  tag_ABIF_MYFAX out;
  ASSERT_EQ(ABIFData_GetAt_MyFax(back, 0, &out), kAbifSuccess);
  EXPECT_EQ(Get(out.Name), "badname");
  EXPECT_EQ(Get(out.Email), "a@b");
  EXPECT_EQ(Get(out.Address), "123");
}

// ---- Folder ----------------------------------------------------------------------------------

TEST(PhonebookFolder, IsCreatedBelowTheUserDataFolder) {
  TempDir dir;
  const std::string data = dir.File("fresh/share");  // does not exist yet
  pbtest::ScopedEnv env("XDG_DATA_HOME", data.c_str());
  const std::string folder = AbifGAPFile_GetFileDirectory();
  EXPECT_EQ(folder, data + "/NORVALEX/JPN/MFP_D-FAX");
  struct stat st;
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  ASSERT_EQ(stat((data + "/NORVALEX").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0775u);
  EXPECT_EQ(AbifGAPFile_GetFileDirectory(), folder);  // a second call finds it there

  EXPECT_EQ(CreateFolder(folder, "x"), 0);
  EXPECT_EQ(CreateFolder(folder, "x"), 0);
  EXPECT_EQ(CreateFolder(dir.File("missing"), "x"), 0);
  pbtest::WriteFile(folder + "/file", "");
  EXPECT_NE(CreateFolder(folder, "file"), 0);
}

// ---- GAD -------------------------------------------------------------------------------------

// Little-endian 16-bit writer for GAD files.
struct Gad {
  std::string bytes;
  Gad& Unit(unsigned u) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
    return *this;
  }
  Gad& Text(std::u16string_view s) {
    for (char16_t u : s) Unit(u);
    return Unit(3);
  }
  Gad& Num(std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
    return Unit(3);
  }
  Gad& Header(std::string_view magic = kGadMagic) {
    for (char c : magic) Unit(static_cast<unsigned char>(c));
    return Unit(4);
  }
  Gad& Individual(unsigned id, std::u16string_view name, std::int64_t time = 0) {
    Unit(1).Num(id, 2).Text(name).Text(u"0311112222").Text(u"ACME").Text(u"memo");
    return Num(2, 2).Num(static_cast<std::uint64_t>(time), 8).Text(u"kana").Unit(4);
  }
  Gad& GroupOf(unsigned id, const std::vector<unsigned>& members) {
    Unit(2).Num(id, 2).Text(u"Team").Num(1700000000, 8).Num(members.size(), 2);
    for (unsigned m : members) {
      bytes.push_back(static_cast<char>(m & 0xFF));
      bytes.push_back(static_cast<char>(m >> 8));
    }
    return Unit(3).Unit(4);
  }
};

std::u16string U16(const UniChar* s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s), UniCharLength(s));
}

TEST(GadFile, ReadsIndividualsAndGroups) {
  Gad g;
  g.Header().Individual(7, u"\u5c71\u7530", -86400).GroupOf(3, {7, 8, 9});
  Container c;
  ASSERT_EQ(AbifGADData_Read(g.bytes.data(), g.bytes.size(), c), kAbifSuccess);
  ASSERT_EQ(ABIFData_GetCount_GADFax(c), 1);
  ASSERT_EQ(ABIFData_GetCount_GADFaxGroup(c), 1);
  tag_ABIF_GAD r;
  ASSERT_EQ(ABIFData_GetAt_GADFax(c, 0, &r), kAbifSuccess);
  EXPECT_EQ(r.Id, 7);
  EXPECT_EQ(U16(r.Name), u"\u5c71\u7530");
  EXPECT_EQ(U16(r.FaxNumber), u"0311112222");
  EXPECT_EQ(U16(r.Memo), u"memo");
  EXPECT_EQ(r.CommMode, 2);
  EXPECT_EQ(r.Time, -86400);
  EXPECT_EQ(U16(r.Furigana), u"kana");
  tag_ABIF_GAD_GROUP grp;
  ASSERT_EQ(ABIFData_GetAt_GADFaxGroup(c, 0, &grp), kAbifSuccess);
  EXPECT_EQ(grp.Id, 3);
  EXPECT_EQ(U16(grp.GroupName), u"Team");
  EXPECT_EQ(grp.Time, 1700000000);
  ASSERT_EQ(grp.EntryNum, 3);
  EXPECT_EQ(grp.EntryList[2], 9);

  TempDir dir;
  pbtest::WriteFile(dir.File("book.fad"), g.bytes);
  Container fromFile;
  EXPECT_EQ(AbifGADFile_Read(dir.File("book.fad").c_str(), fromFile), kAbifSuccess);
  EXPECT_EQ(ABIFData_GetCount_GADFaxGroup(fromFile), 1);
}

TEST(GadFile, HeaderMustMatchExactly) {
  for (const std::string& magic :
       {std::string(kGadMagic) + "0", std::string(kGadMagic).substr(1), std::string(kFapMagic)}) {
    Gad g;
    g.Header(magic).Individual(1, u"a");
    Container c;
    EXPECT_EQ(AbifGADData_Read(g.bytes.data(), g.bytes.size(), c), kAbifBadFormat) << magic;
    EXPECT_EQ(ABIFData_GetCount_GADFax(c), 0);
  }
  Gad ok;
  ok.Header();
  Container c;
  EXPECT_EQ(AbifGADData_Read(ok.bytes.data(), ok.bytes.size(), c), kAbifSuccess);
}

TEST(GadFile, DamageKeepsEarlierRecords) {
  const std::string good = Gad().Individual(1, u"a").bytes;
  const std::string cases[] = {
      std::string("\x09\x00", 2),                       // unknown record kind
      "\x01",                                            // half a unit
      Gad().Unit(1).Num(5, 2).bytes,                     // record cut short
      Gad().Unit(1).Unit(5).Unit(9).bytes,               // number without its end unit
      Gad().Unit(2).Num(5, 2).Text(u"g").Num(0, 8).Num(65535, 2).Unit(1).Unit(2).bytes,
      good.substr(0, good.size() - 2) + std::string("\x05\x00", 2),  // wrong end unit
  };
  for (const auto& damage : cases) {
    const std::string bytes = Gad().Header().bytes + good + damage;
    Container c;
    EXPECT_EQ(AbifGADData_Read(bytes.data(), bytes.size(), c), kAbifBadFormat);
    EXPECT_EQ(ABIFData_GetCount_GADFax(c), 1);
  }
}

TEST(GadFile, LongTextsAndMemberListsAreCut) {
  std::vector<unsigned> members;
  for (unsigned i = 0; i < 300; ++i) members.push_back(i + 1);
  // A name of 40 units followed by a surrogate pair the 41-unit capacity would split.
  std::u16string name(40, u'n');
  name += u"\U0001F600zz";
  Gad g;
  g.Header().Individual(1, name).GroupOf(2, members).Individual(3, u"x");
  Container c;
  ASSERT_EQ(AbifGADData_Read(g.bytes.data(), g.bytes.size(), c), kAbifSuccess);
  tag_ABIF_GAD r;
  ASSERT_EQ(ABIFData_GetAt_GADFax(c, 0, &r), kAbifSuccess);
  EXPECT_EQ(U16(r.Name), std::u16string(40, u'n'));
  tag_ABIF_GAD_GROUP grp;
  ASSERT_EQ(ABIFData_GetAt_GADFaxGroup(c, 0, &grp), kAbifSuccess);
  EXPECT_EQ(grp.EntryNum, 300);
  EXPECT_EQ(grp.EntryList[201], 202);
  EXPECT_EQ(ABIFData_GetCount_GADFax(c), 2);
}

TEST(GadFile, LoneSurrogatesSurviveAsUnitsAndConvertSafely) {
  Gad g;
  g.Header().Individual(1, std::u16string{u'a', char16_t(0xDC01), u'b', char16_t(0xD801)});
  Container c;
  ASSERT_EQ(AbifGADData_Read(g.bytes.data(), g.bytes.size(), c), kAbifSuccess);
  tag_ABIF_GAD r;
  ASSERT_EQ(ABIFData_GetAt_GADFax(c, 0, &r), kAbifSuccess);
  char utf8[32];
  UTF8FromUniChar(utf8, r.Name, sizeof utf8);
  EXPECT_STREQ(utf8, "a\xef\xbf\xbd" "b\xef\xbf\xbd");
}

// ---- Hostile sizes ---------------------------------------------------------------------------

// Runs `body` in a child process whose address space may grow by at most `headroom` bytes
// beyond what it has now; true when the body returned true there. A reader that tried to hold
// a large file in memory would fail its allocation and answer with another status.
template <typename Body>
bool WithinMemory(std::size_t headroom, Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
      std::fclose(f);
    }
    const rlim_t now = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE));
    rlimit lim{now + headroom, now + headroom};
    setrlimit(RLIMIT_AS, &lim);
    bool ok = false;
    try {
      ok = body();
    } catch (...) {
    }
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A sparse file: `start`, then zero bytes up to `size`.
void SparseFile(const std::string& path, const std::string& start, off_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, start.data(), start.size()), static_cast<ssize_t>(start.size()));
  ASSERT_EQ(ftruncate(fd, size), 0);
  close(fd);
}

TEST(HostileFiles, AGigabyteFileIsReadInBoundedMemory) {
  TempDir dir;
  // The magic, a record start, then a gigabyte of one endless field.
  const std::string path = dir.File("huge.fap");
  SparseFile(path, Header() + "\x01", 1L << 30);
  EXPECT_TRUE(WithinMemory(64 << 20, [&] {
    Container c;
    return AbifFAPFile_Read(path.c_str(), c) == kAbifBadFormat &&
           AbifGADFile_Read(path.c_str(), c) == kAbifBadFormat;
  }));
  // The same file offered as a CSV address book: one endless first line.
  EXPECT_TRUE(WithinMemory(64 << 20, [&] {
    Container c;
    return Abif_Import(nullptr, path.c_str(), kAbifImportCsv, c, nullptr, nullptr, nullptr, 1) ==
           kAbifCsvBadHeader;
  }));
#ifndef __SANITIZE_ADDRESS__
  // The harness itself: holding the file in memory would not have fitted.
  EXPECT_FALSE(WithinMemory(64 << 20, [] { return std::string(1 << 30, 'x').size() > 0; }));
#endif
}

}  // namespace
