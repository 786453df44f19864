// The fax queue's PPD: it passes the print system's own conformance test, carries every NX
// option and attribute with the choices the filter and panels read, and makes the print system
// render 8-bit raster in its black colour space at the fax resolution.
#include <cups/ppd.h>
#include <cups/raster.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "E2eFixture.h"
#include "nx/cups/ppd_file.h"

namespace nx::e2e {
namespace {

using PpdPtr = nx::cups::PpdFilePtr;

PpdPtr OpenFaxPpd() {
  PpdPtr ppd(ppdOpenFile(FaxPpd().c_str()));
  EXPECT_TRUE(ppd) << ppdErrorString(ppdLastError(nullptr));
  return ppd;
}

TEST(E2ePpd, PassesTheConformanceTestWithTheFilterInstalled) {
  const std::string filter = JobFilterPath();
  ASSERT_FALSE(filter.empty()) << "jobfilter is not built";
  TempDir root("nxppd");
  ASSERT_TRUE(root.ok());
  // cupstestppd looks for the filter under <root>/usr/lib/cups/filter.
  const CommandResult serverbin = RunCommand({"cups-config", "--serverbin"});
  ASSERT_EQ(serverbin.status, 0);
  const std::string dir = root.path() + serverbin.output.substr(0, serverbin.output.find('\n')) + "/filter";
  ASSERT_EQ(RunCommand({"mkdir", "-p", dir}).status, 0);
  ASSERT_EQ(RunCommand({"install", "-m", "0755", filter, dir + "/jobfilter"}).status, 0);

  const CommandResult r = RunCommand({"cupstestppd", "-W", "all", "-R", root.path(), FaxPpd()});
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find(": PASS"), std::string::npos) << r.output;
}

struct OptionCase {
  const char* keyword;
  std::vector<std::string> choices;  // in PPD order: the panels use the index + 1
  const char* default_choice;
};
void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.keyword; }

class E2ePpdOption : public ::testing::TestWithParam<OptionCase> {};

TEST_P(E2ePpdOption, HasTheChoicesInOrderAndTheDefault) {
  const OptionCase& c = GetParam();
  PpdPtr ppd = OpenFaxPpd();
  ASSERT_TRUE(ppd);
  ppd_option_t* option = ppdFindOption(ppd.get(), c.keyword);
  ASSERT_NE(option, nullptr) << c.keyword;
  std::vector<std::string> choices;
  for (int i = 0; i < option->num_choices; ++i) choices.emplace_back(option->choices[i].choice);
  EXPECT_EQ(choices, c.choices);
  EXPECT_STREQ(option->defchoice, c.default_choice);
}

INSTANTIATE_TEST_SUITE_P(
    Options, E2ePpdOption,
    ::testing::Values(
        OptionCase{"NXEncryptionSetting", {"Old", "New"}, "New"},
        OptionCase{"NXPlatformGeneration", {"1", "2"}, "1"},
        OptionCase{"NXFaxResolution", {"Normal", "Fine", "SuperFine", "UltraFine"}, "Normal"},
        OptionCase{"NXReEnter", {"Off", "On"}, "Off"},
        OptionCase{"NXResAddress", {"Normal", "FaxAndPhonebook", "SpeedDial", "Phonebook"}, "Normal"},
        OptionCase{"NXResMulAd", {"Off", "On"}, "Off"},
        OptionCase{"NXSelectID", {"UserID_AccountID", "UserID", "AccountID", "None"}, "UserID_AccountID"},
        OptionCase{"NXFaxModule", {"PCCFaxCard", "FaxMini", "SIPFax", "SIPFaxAndFaxMini"}, "FaxMini"},
        OptionCase{"NXHardDisk", {"True", "False"}, "True"},
        OptionCase{"ColorModel", {"Gray"}, "Gray"},
        OptionCase{"PageSize", {"A4", "Letter", "Legal", "B4", "B5", "Tabloid", "A3"}, "A4"}),
    [](const auto& info) { return std::string(info.param.keyword); });

TEST(E2ePpd, PanelAttributesHaveTheirFirstAndSecondParts) {
  PpdPtr ppd = OpenFaxPpd();
  ASSERT_TRUE(ppd);
  for (const char* name : {"NXSettingType", "NXXAccountingSettings", "NXXPrintTypeSettings"}) {
    ppd_attr_t* a = ppdFindAttr(ppd.get(), name, nullptr);
    ASSERT_NE(a, nullptr) << name;
    const std::string v = a->value ? a->value : "";
    const std::size_t dash = v.find('-');
    EXPECT_TRUE(dash != std::string::npos && dash > 0 && dash + 1 < v.size()) << name << "=" << v;
  }
  // The variants the panels have layouts for.
  EXPECT_STREQ(ppdFindAttr(ppd.get(), "NXSettingType", nullptr)->value, "Default00-Default00");
  ppd_attr_t* index = ppdFindAttr(ppd.get(), "NXLocalizableFileIndex", nullptr);
  ASSERT_NE(index, nullptr);
  ppd_attr_t* filter = ppdFindAttr(ppd.get(), "cupsFilter2", nullptr);
  ASSERT_NE(filter, nullptr);
  EXPECT_STREQ(filter->value, "application/vnd.cups-raster application/vnd.cups-raw 0 jobfilter");
}

struct SizeCase {
  const char* name;
  float width, length;  // points
};
void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class E2ePpdSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(E2ePpdSize, IsTheWholeSheet) {
  PpdPtr ppd = OpenFaxPpd();
  ASSERT_TRUE(ppd);
  ppd_size_t* size = ppdPageSize(ppd.get(), GetParam().name);
  ASSERT_NE(size, nullptr);
  EXPECT_FLOAT_EQ(size->width, GetParam().width);
  EXPECT_FLOAT_EQ(size->length, GetParam().length);
  EXPECT_FLOAT_EQ(size->left, 0);
  EXPECT_FLOAT_EQ(size->bottom, 0);
  EXPECT_FLOAT_EQ(size->right, GetParam().width);
  EXPECT_FLOAT_EQ(size->top, GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(Sizes, E2ePpdSize,
                         ::testing::Values(SizeCase{"A4", 595, 842}, SizeCase{"Letter", 612, 792},
                                           SizeCase{"Legal", 612, 1008}, SizeCase{"B4", 729, 1032},
                                           SizeCase{"B5", 516, 729}, SizeCase{"Tabloid", 792, 1224},
                                           SizeCase{"A3", 842, 1191}),
                         [](const auto& info) { return std::string(info.param.name); });

struct RasterCase {
  const char* resolution;  // NXFaxResolution choice
  const char* size;
  unsigned dpi;
  unsigned width_px, height_px;
};
void PrintTo(const RasterCase& c, std::ostream* os) { *os << c.resolution << " " << c.size; }

class E2ePpdRaster : public ::testing::TestWithParam<RasterCase> {};

// What the print system's raster filters are told to produce for a job with these choices.
TEST_P(E2ePpdRaster, IsEightBitBlackAtTheFaxResolution) {
  const RasterCase& c = GetParam();
  PpdPtr ppd = OpenFaxPpd();
  ASSERT_TRUE(ppd);
  ppdMarkDefaults(ppd.get());
  ppdMarkOption(ppd.get(), "NXFaxResolution", c.resolution);
  ppdMarkOption(ppd.get(), "PageSize", c.size);
  cups_page_header2_t h;
  ASSERT_EQ(cupsRasterInterpretPPD(&h, ppd.get(), 0, nullptr, nullptr), 0) << cupsRasterErrorString();
  EXPECT_EQ(h.cupsColorSpace, CUPS_CSPACE_K);
  EXPECT_EQ(h.cupsBitsPerColor, 8u);
  EXPECT_EQ(h.cupsBitsPerPixel, 8u);
  EXPECT_EQ(h.cupsColorOrder, CUPS_ORDER_CHUNKED);
  EXPECT_EQ(h.HWResolution[0], c.dpi);
  EXPECT_EQ(h.HWResolution[1], c.dpi);
  EXPECT_EQ(h.cupsWidth, c.width_px);
  EXPECT_EQ(h.cupsHeight, c.height_px);
  EXPECT_EQ(h.Margins[0], 0u);
  EXPECT_EQ(h.Margins[1], 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Resolutions, E2ePpdRaster,
    ::testing::Values(RasterCase{"Normal", "A4", 200, 1653, 2339},
                      RasterCase{"Fine", "Letter", 200, 1700, 2200},
                      RasterCase{"SuperFine", "B4", 400, 4050, 5733},
                      RasterCase{"UltraFine", "A3", 600, 7017, 9925}),
    [](const auto& info) { return std::string(info.param.resolution); });

}  // namespace
}  // namespace nx::e2e
