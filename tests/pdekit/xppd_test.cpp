#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "pdekit/CQuickXPPD.h"
#include "pdekit/XPPD.h"
#include "ppd_fixture.h"

namespace {

using namespace pdekit;
using pdekit::testing::Ppd;
using pdekit::testing::SimplePpd;
using nx::testing::TempDir;

using Records = std::vector<std::pair<std::string, x_constraints>>;

Records Sorted(Records r) {
  std::sort(r.begin(), r.end(), [](const auto& a, const auto& b) {
    return std::tie(a.first, a.second.group, a.second.option, a.second.choice) <
           std::tie(b.first, b.second.group, b.second.option, b.second.choice);
  });
  return r;
}

// Expands the constraints touching `keywords` into a fresh index.
Records Expand(ppd_file_t* ppd, std::vector<std::string> keywords) {
  ConstraintIndex index;
  CQuickXPPD x;
  x.setKeywords(std::move(keywords));
  EXPECT_EQ(x.SetXppd(ppd, &index), 0);
  return Sorted(index.records());
}

TEST(ConstraintExpansion, DuplexAgainstInputSlotYieldsExactlyFourRecords) {
  TempDir dir;
  auto ppd = Ppd(dir, SimplePpd("*UIConstraints: *Duplex *InputSlot\n"));
  ASSERT_TRUE(ppd);
  // InputSlot is option 0 and Duplex option 1 of group 0; Auto (index 0) and None are never
  // expanded.
  const Records want = {{"InputSlot:Tray1", {0, 1, 1}}, {"InputSlot:Tray1", {0, 1, 2}},
                        {"InputSlot:Tray2", {0, 1, 1}}, {"InputSlot:Tray2", {0, 1, 2}}};
  EXPECT_EQ(Expand(ppd.get(), {"Duplex"}), want);
  EXPECT_EQ(Expand(ppd.get(), {"InputSlot"}), want);  // either option takes the entry
  EXPECT_TRUE(Expand(ppd.get(), {"duplex"}).empty());  // the keyword list compares exactly
}

TEST(ConstraintExpansion, OptionsAndChoicesMatchIgnoringCase) {
  TempDir dir;
  auto ppd = Ppd(dir, SimplePpd("*UIConstraints: *inputslot TRAY2 *DUPLEX\n"));
  ASSERT_TRUE(ppd);
  ConstraintIndex index;
  xConst2Hash_O1C1O2(ppd.get(), &index, 0);
  EXPECT_EQ(Sorted(index.records()), (Records{{"Duplex:DuplexNoTumble", {0, 0, 2}}, {"Duplex:DuplexTumble", {0, 0, 2}}}));
  xConst2Hash_O1C1O2(ppd.get(), &index, 1);  // past the last constraint: nothing
  xConst2Hash_O1O2(nullptr, &index, 0);
  EXPECT_EQ(index.size(), 2u);
}

struct ExpansionCase {
  const char* name;
  const char* constraint;
  Records records;
};

class ConstraintRuleTest : public ::testing::TestWithParam<ExpansionCase> {};

TEST_P(ConstraintRuleTest, ExpandsAsItsRuleSays) {
  TempDir dir;
  auto ppd = Ppd(dir, SimplePpd(std::string(GetParam().constraint) + "\n"));
  ASSERT_TRUE(ppd);
  EXPECT_EQ(Expand(ppd.get(), {"Duplex", "InputSlot"}), Sorted(GetParam().records));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConstraintRuleTest,
    ::testing::Values(
        // Both choices named: one record keyed by the constraint's own text, even for a choice
        // the PPD does not have; the named choice may be index 0.
        ExpansionCase{"O1C1O2C2", "*UIConstraints: *Duplex None *InputSlot Tray9", {{"InputSlot:Tray9", {0, 1, 0}}}},
        ExpansionCase{"O1C1O2C2_unknown_choice1", "*UIConstraints: *Duplex Nope *InputSlot Tray1", {}},
        // Second choice only: key from the text, one record per expanded Option1 choice.
        ExpansionCase{"O1O2C2",
                      "*UIConstraints: *Duplex *InputSlot Tray9",
                      {{"InputSlot:Tray9", {0, 1, 1}}, {"InputSlot:Tray9", {0, 1, 2}}}},
        // First choice only: keys as the PPD spells Option2 and its expanded choices.
        ExpansionCase{"O1C1O2",
                      "*UIConstraints: *InputSlot tray2 *Duplex",
                      {{"Duplex:DuplexNoTumble", {0, 0, 2}}, {"Duplex:DuplexTumble", {0, 0, 2}}}},
        ExpansionCase{"MissingOption", "*UIConstraints: *Staple *InputSlot", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Group 2, option 4, choice 1 is MediaType Envelope: the layout of the worked example.
std::string ExamplePpd() {
  std::string media = "*OpenGroup: Media/Media\n";
  for (int i = 0; i < 4; ++i) {
    const std::string k = "Opt" + std::to_string(i);
    media += "*OpenUI *" + k + ": PickOne\n*Default" + k + ": A\n*" + k + " A: \"\"\n*CloseUI: *" + k + "\n";
  }
  media += "*OpenUI *MediaType: PickOne\n*DefaultMediaType: Plain\n*MediaType Plain: \"\"\n"
           "*MediaType Envelope: \"\"\n*CloseUI: *MediaType\n*CloseGroup: Media\n";
  return pdekit::testing::PpdHeader() + "*% Last Edit Date: 2024/05/06\n*OpenGroup: General/General\n" +
         pdekit::testing::kInputSlot + "*CloseGroup: General\n*OpenGroup: Finishing/Finishing\n" +
         pdekit::testing::kDuplex + "*CloseGroup: Finishing\n" + media +
         "*UIConstraints: *MediaType Envelope *Duplex\n*UIConstraints: *Duplex *InputSlot Tray2\n";
}

TEST(CacheFile, WriterOutputIsByteExact) {
  TempDir dir;
  auto ppd = Ppd(dir, ExamplePpd());
  ASSERT_TRUE(ppd);
  const std::string path = dir / "t.ppd";
  const std::vector<std::string> duplexOnly = {"Duplex"};
  const std::vector<std::string> mediaOnly = {"Opt0"};
  const x_PDEConstr table[] = {{"PrintFeaturePDETiger", &duplexOnly}, {"ImageOptionPDETiger", &mediaOnly},
                               {"NeverWritten", nullptr}, {"AfterTheEnd", &duplexOnly}};
  ConstraintIndex index;
  CQuickXPPD writer(ppd.get(), &index, table, std::size(table), path.c_str());
  std::ostringstream out;
  out << writer;
  // The first section holds the example's records (Option1 MediaType Envelope at 2/4/1) and
  // those of the second constraint, in bucket order; the table ends at the entry without
  // keywords.
  EXPECT_EQ(out.str(),
            "PrintFeaturePDETiger\n"
            "InputSlot:Tray2@1@0@1@InputSlot:Tray2@1@0@2@Duplex:DuplexTumble@2@4@1@Duplex:DuplexNoTumble@2@4@1@\n"
            "ImageOptionPDETiger\n"
            "\n"
            "*% Last Edit Date: 2024/05/06");
  EXPECT_TRUE(index.empty());

  // The example section alone, as the worked example shows it.
  ASSERT_TRUE(ppd = Ppd(dir, ExamplePpd().substr(0, ExamplePpd().rfind("*UIConstraints: *Duplex"))));
  CQuickXPPD one(ppd.get(), &index, table, 1, nullptr);  // no PPD path: no stamp
  std::ostringstream first;
  first << one;
  EXPECT_EQ(first.str(), "PrintFeaturePDETiger\nDuplex:DuplexTumble@2@4@1@Duplex:DuplexNoTumble@2@4@1@\n");

  CQuickXPPD none(ppd.get(), &index, table, 0, path.c_str());
  std::ostringstream stampOnly;
  stampOnly << none;
  EXPECT_EQ(stampOnly.str(), "*% Last Edit Date: 2024/05/06");
}

TEST(CacheFile, StampIsTheMarkerLineWhateverTheLineEnds) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"*PPD-Adobe: \"4.3\"\r*% Last Edit Date: 1/2/03\r*X: y\r", "*% Last Edit Date: 1/2/03"},
      {"*PPD-Adobe: \"4.3\"\r\n*% Last Edit Date: 1/2/03\r\n*X: y\r\n", "*% Last Edit Date: 1/2/03"},
      {"*PPD-Adobe: \"4.3\"\n*% Last Edit Date: 1/2/03\n*X: y\n", "*% Last Edit Date: 1/2/03"},
      {"*PPD-Adobe: \"4.3\"\n*X: y\n", ""},
  };
  for (const auto& [text, want] : cases) {
    nx::testing::WriteText(dir / "s.ppd", text);
    const std::string path = dir / "s.ppd";
    CQuickXPPD x(nullptr, nullptr, nullptr, 0, path.c_str());
    std::ostringstream out;
    x.SetFileStamp(out);
    EXPECT_EQ(out.str(), want);
  }
}

ConstraintIndex Read(const std::string& file, const char* section) {
  ConstraintIndex index;
  std::istringstream in(file);
  CQuickXPPD reader(&index, section);
  in >> reader;
  return index;
}

TEST(CacheFile, ReaderTakesOnlyItsOwnSection) {
  const std::string file = "Other\nX:Y@9@9@9@\nPrintFeaturePDETiger\nA:B@1@2@3@C:D@70000@-1@0@\nTail\n";
  ConstraintIndex index = Read(file, "PrintFeaturePDETiger");
  EXPECT_EQ(index.size(), 2u);
  EXPECT_EQ(index.find("A:B"), (std::vector<x_constraints>{{1, 2, 3}}));
  EXPECT_EQ(index.find("C:D"), (std::vector<x_constraints>{{70000 % 65536, 65535, 0}}));
  EXPECT_TRUE(index.find("X:Y").empty());

  for (const char* other : {"printfeaturepdetiger", "PrintFeaturePDETiger ", "PrintFeature"})
    EXPECT_TRUE(Read(file, other).empty()) << other;
  EXPECT_TRUE(Read("PrintFeaturePDETiger\n\nA:B@1@2@3@\n", "PrintFeaturePDETiger").empty());
  EXPECT_TRUE(Read("PrintFeaturePDETiger", "PrintFeaturePDETiger").empty());
}

TEST(CacheFile, DamagedDataLinesNeverInventRecords) {
  struct Case {
    const char* data;
    size_t records;
  } cases[] = {
      {"A:B@1@2@3@", 1},
      {"A:B@1@2@3@C:D@4@", 1},    // cut record dropped
      {"A:B@1@2@3@trailing", 1},  // a remainder without "@" ends the line
      {"@1@2@3@A:B@4@5@6@", 1},   // empty key skipped
      {"A:B@x@@3@", 1},           // non-numbers read as 0, like atoi
      {"A:B@1@2@3", 0},
  };
  for (const auto& c : cases) {
    ConstraintIndex index = Read(std::string("S\n") + c.data + "\n", "S");
    EXPECT_EQ(index.size(), c.records) << c.data;
  }
  EXPECT_EQ(Read("S\nA:B@x@@3@\n", "S").find("A:B"), (std::vector<x_constraints>{{0, 0, 3}}));

  ConstraintIndex untouched;
  std::istringstream failed("S\nA:B@1@2@3@\n");
  failed.setstate(std::ios::failbit);
  CQuickXPPD reader(&untouched, "S");
  failed >> reader;
  EXPECT_TRUE(untouched.empty());
}

TEST(CacheFile, WrittenSectionsReadBackToTheSameRecords) {
  TempDir dir;
  auto ppd = Ppd(dir, ExamplePpd());
  ASSERT_TRUE(ppd);
  const std::vector<std::string> kws = {"Duplex", "InputSlot"};
  const x_PDEConstr table[] = {{"A", &kws}};
  ConstraintIndex expected;
  CQuickXPPD expander;
  expander.setKeywords(kws);
  expander.SetXppd(ppd.get(), &expected);

  ConstraintIndex scratch;
  CQuickXPPD writer(ppd.get(), &scratch, table, 1, nullptr);
  std::ostringstream out;
  out << writer;
  EXPECT_EQ(Sorted(Read(out.str(), "A").records()), Sorted(expected.records()));
}

TEST(ConstraintIndex, GrowsAlongThePrimeLadderAndKeepsEqualKeysTogether) {
  EXPECT_EQ(ConstraintIndex().bucket_count(), 5u);
  EXPECT_EQ(ConstraintIndex(100).bucket_count(), 193u);
  EXPECT_EQ(constraintHash("AB"), 5u * 'A' + 'B');
  EXPECT_EQ(constraintHash("\xE9"), static_cast<size_t>(-23));  // bytes are signed chars

  ConstraintIndex index;
  for (int i = 0; i < 200; ++i) index.insert("K" + std::to_string(i % 17), {static_cast<uint16_t>(i), 0, 0});
  EXPECT_EQ(index.size(), 200u);
  EXPECT_EQ(index.bucket_count(), 389u);
  for (int k = 0; k < 17; ++k) {
    auto values = index.find("K" + std::to_string(k));
    EXPECT_EQ(values.size(), k < 200 % 17 ? 12u : 11u);
  }
  const auto records = index.records();
  for (size_t i = 1; i < records.size(); ++i) {  // a key's records are adjacent
    if (records[i].first != records[i - 1].first) {
      for (size_t j = i + 1; j < records.size(); ++j) EXPECT_NE(records[j].first, records[i - 1].first);
    }
  }
  index.clear();
  EXPECT_TRUE(index.find("K1").empty());
}

TEST(ConflictTest, FollowsTheMarkedChoiceOfTheCondition) {
  TempDir dir;
  auto ppd = Ppd(dir, SimplePpd("*UIConstraints: *Duplex *InputSlot\n"));
  ASSERT_TRUE(ppd);
  ConstraintIndex index;
  CQuickXPPD x;
  x.setKeywords({"Duplex"});
  x.SetXppd(ppd.get(), &index);

  EXPECT_FALSE(IsPPDChoiceConflicted(ppd.get(), &index, "InputSlot", "Tray1"));  // Duplex None marked
  ppdMarkOption(ppd.get(), "Duplex", "DuplexTumble");
  EXPECT_TRUE(IsPPDChoiceConflicted(ppd.get(), &index, "InputSlot", "Tray1"));
  EXPECT_FALSE(IsPPDChoiceConflicted(ppd.get(), &index, "InputSlot", "Auto"));
  EXPECT_FALSE(IsPPDChoiceConflicted(ppd.get(), "InputSlot", "Tray1"));  // no index, no conflict

  std::vector<PPDChoiceRow> rows;
  uint16_t count = 3;
  EXPECT_EQ(GetUIListFromPPD(ppd.get(), &index, "InputSlot", &rows, &count), 0);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(count, 6);
  EXPECT_EQ(rows[0], (PPDChoiceRow{"InputSlot", "Auto", "Auto Select", "ConflictFalse"}));
  EXPECT_EQ(rows[1], (PPDChoiceRow{"InputSlot", "Tray1", "Tray 1", "ConflictTrue"}));
  EXPECT_EQ(rows[2][3], "ConflictTrue");
  rows.clear();
  EXPECT_TRUE(InitializeValueFromPPD(ppd.get(), &rows, "InputSlot"));
  EXPECT_EQ(rows[1][3], "ConflictFalse");
  EXPECT_TRUE(InitializeValueFromPPD(ppd.get(), &rows, "NoSuchOption"));
  EXPECT_EQ(rows.size(), 3u);
  EXPECT_EQ(GetUIListFromPPD(ppd.get(), "InputSlot", nullptr, &count), 0);
  EXPECT_EQ(FindPPDKeyPairsMatch(&rows, "InputSlot", "Tray2"), 2);
  EXPECT_EQ(FindPPDKeyPairsMatch(&rows, "InputSlot", "tray2"), -1);
  std::vector<PPDChoiceRow> empty;
  EXPECT_EQ(FindPPDKeyPairsMatch(&empty, "InputSlot", "Tray2"), -1);

  // Positions read from a cache file are checked against the PPD.
  ConstraintIndex hostile;
  hostile.insert("InputSlot:Tray1", {0, 1, 9});
  hostile.insert("InputSlot:Tray1", {7, 0, 0});
  hostile.insert("InputSlot:Tray1", {0, 60000, 0});
  EXPECT_FALSE(IsPPDChoiceConflicted(ppd.get(), &hostile, "InputSlot", "Tray1"));
}

TEST(PPDLookups, DefaultsTitlesIndicesAndEncodings) {
  TempDir dir;
  auto ppd = Ppd(dir, SimplePpd("*NXQuickConstraintCache: \"/nonexistent\"\n"));
  ASSERT_TRUE(ppd);
  std::optional<std::string> text;
  GetUIDefaultFromPPD(ppd.get(), "Duplex", &text);
  EXPECT_EQ(text, "None");
  GetUIDefaultFromPPD(ppd.get(), "Missing", &text);
  EXPECT_FALSE(text.has_value());
  GetUITitleFromPPD(ppd.get(), "Duplex", &text);
  EXPECT_EQ(text, "2-Sided Printing");
  EXPECT_EQ(GetUIDefaultValueFromPPD(ppd.get(), "InputSlot"), 0);
  EXPECT_EQ(GetUIDefaultValueFromPPD(ppd.get(), "Missing"), -1);
  EXPECT_EQ(GetChoiceIndex(ppd.get(), "InputSlot", "Tray2"), 2);
  EXPECT_EQ(GetChoiceIndex(ppd.get(), "InputSlot", "tray2"), 3);  // none matches: one past the last
  EXPECT_EQ(GetChoiceIndex(ppd.get(), "Missing", "Tray2"), 0);
  EXPECT_TRUE(CDFKeyExist(ppd.get(), "NXQuickConstraintCacheIsLonger"));  // 19 bytes take part
  EXPECT_FALSE(CDFKeyExist(ppd.get(), "NXQuickZ"));
  EXPECT_FALSE(CDFKeyExist(ppd.get(), ""));

  const std::pair<const char*, uint32_t> encodings[] = {
      {"ISOLatin1", 0x0201}, {"WindowsANSI", 0x0500}, {"JIS83-RKSJ", 1},
      {"UTF-8", 0x08000100}, {"UTF8", 0x08000100},    {"isolatin1", 0}};
  for (auto [name, want] : encodings) {
    auto p = Ppd(dir, pdekit::testing::PpdHeader(name) + pdekit::testing::kDuplex);
    ASSERT_TRUE(p) << name;
    uint32_t got = 99;
    GetCFStringEncodingFromPPD(p.get(), &got);
    EXPECT_EQ(got, want) << name;
  }
  uint32_t none = 99;
  GetCFStringEncodingFromPPD(nullptr, &none);
  EXPECT_EQ(none, 0u);
}

TEST(GetXPPD, ReadsThePanelSectionOfTheNamedFile) {
  TempDir dir;
  nx::testing::WriteText(dir / "cache.txt", "PrintFeaturePDEPanther\nP:Q@0@0@1@\nPrintFeaturePDETiger\nT:U@0@1@2@\n");
  auto ppd = Ppd(dir, SimplePpd("*NXQuickConstraintCacheFile: \"" + (dir / "cache.txt") + "\"\n*NXBroken: \"" +
                                (dir / "absent.txt") + "\"\n"));
  ASSERT_TRUE(ppd);
  ConstraintIndex tiger, panther, untouched;
  EXPECT_EQ(GetXPPD(ppd.get(), &tiger, "PrintFeaturePDE", "NXQuickConstraint", 0x10A5), 0);
  EXPECT_EQ(tiger.find("T:U").size(), 1u);
  EXPECT_EQ(tiger.size(), 1u);
  EXPECT_EQ(GetXPPD(ppd.get(), &panther, "PrintFeaturePDE", "NXQuickConstraint", 0x1039), 0);
  EXPECT_EQ(panther.find("P:Q").size(), 1u);
  EXPECT_EQ(GetXPPD(ppd.get(), &untouched, "NoSuchPanel", "NXQuickConstraint", 0x1040), 0);
  EXPECT_EQ(GetXPPD(ppd.get(), &untouched, "PrintFeaturePDE", "NXBroken", 0x1040), 1);
  EXPECT_EQ(GetXPPD(ppd.get(), &untouched, "PrintFeaturePDE", "NXAbsent", 0x1040), 1);
  EXPECT_TRUE(untouched.empty());
}

TEST(CacheTool, WritesTheCacheOfAPpd) {
  TempDir dir;
  nx::testing::WriteText(dir / "t.ppd", ExamplePpd());
  const std::string tool = std::string(NX_BINARY_DIR) + "/tools/nxppdcache";
  const std::string cmd = tool + " " + (dir / "t.ppd") + " " + (dir / "out/cache.txt") +
                          " PrintFeaturePDETiger=Duplex ImageOptionPDETiger=Opt0,Opt1 2>" + (dir / "err");
  ASSERT_EQ(std::system(cmd.c_str()), 0) << nx::testing::ReadText(dir / "err");
  EXPECT_EQ(nx::testing::ReadText(dir / "out/cache.txt"),
            "PrintFeaturePDETiger\n"
            "InputSlot:Tray2@1@0@1@InputSlot:Tray2@1@0@2@Duplex:DuplexTumble@2@4@1@Duplex:DuplexNoTumble@2@4@1@\n"
            "ImageOptionPDETiger\n\n*% Last Edit Date: 2024/05/06");
  EXPECT_NE(std::system((tool + " " + (dir / "missing.ppd") + " " + (dir / "x") + " A=B 2>/dev/null").c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "x"));
  EXPECT_NE(std::system((tool + " " + (dir / "t.ppd") + " " + (dir / "x") + " =B 2>/dev/null").c_str()), 0);
}

}  // namespace
