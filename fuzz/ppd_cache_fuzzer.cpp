// Fuzz target: the PPD constraint cache reader over any cache file, and the look-ups the popups
// make with what it read.
//
// Input: the cache file. Its first line is also tried as a section name, besides the panels'
// own section names, so that the search reaches the data lines of any section.
//
// Checked on every run: the index holds what it reports (size, records, look-up of each key);
// every stored position, whatever it says, is looked up against the queue's PPD without reading
// outside it (conflict tests for every choice of every option, and for every key in the index).
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "pdekit/CQuickXPPD.h"
#include "pdekit/PDEHost.h"
#include "pdekit/XPPD.h"

namespace {

using pdekit::ConstraintIndex;

// Three groups with options of several sizes, constraints among them, and defaults marked.
constexpr char kPpd[] =
    "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n*PCFileName: \"NXFUZZ.PPD\"\n*Manufacturer: \"Norvalex\"\n"
    "*Product: \"(NX Fuzz)\"\n*ModelName: \"NX Fuzz\"\n*NickName: \"NX Fuzz\"\n*ShortNickName: \"NX Fuzz\"\n"
    "*% Last Edit Date: 2024/05/06\n"
    "*OpenGroup: General/General\n"
    "*OpenUI *InputSlot/Paper Source: PickOne\n*DefaultInputSlot: Tray2\n*InputSlot Auto/Auto: \"\"\n"
    "*InputSlot Tray1/Tray 1: \"\"\n*InputSlot Tray2/Tray 2: \"\"\n*CloseUI: *InputSlot\n"
    "*CloseGroup: General\n"
    "*OpenGroup: Finishing/Finishing\n"
    "*OpenUI *Duplex/2-Sided: PickOne\n*DefaultDuplex: DuplexTumble\n*Duplex None/Off: \"\"\n"
    "*Duplex DuplexNoTumble/Long Edge: \"\"\n*Duplex DuplexTumble/Short Edge: \"\"\n*CloseUI: *Duplex\n"
    "*OpenUI *NXStaple/Staple: Boolean\n*DefaultNXStaple: True\n*NXStaple False/Off: \"\"\n"
    "*NXStaple True/On: \"\"\n*CloseUI: *NXStaple\n"
    "*CloseGroup: Finishing\n"
    "*OpenGroup: Media/Media\n"
    "*OpenUI *MediaType: PickOne\n*DefaultMediaType: Envelope\n*MediaType Plain: \"\"\n"
    "*MediaType Envelope: \"\"\n*CloseUI: *MediaType\n"
    "*CloseGroup: Media\n"
    "*UIConstraints: *MediaType Envelope *Duplex\n*UIConstraints: *Duplex *InputSlot Tray2\n"
    "*UIConstraints: *NXStaple True *MediaType Envelope\n";

pdekit::PpdFilePtr gPpd;
std::vector<std::pair<std::string, std::string>> gChoices;  // every option:choice of the PPD

void CheckIndex(const ConstraintIndex& index) {
  const auto records = index.records();
  FUZZ_CHECK(records.size() == index.size());
  for (const auto& [key, value] : records) {
    const std::vector<pdekit::x_constraints> found = index.find(key);
    FUZZ_CHECK(std::find(found.begin(), found.end(), value) != found.end());
    const std::size_t colon = key.find(':');
    const std::string option = key.substr(0, colon);
    const std::string choice = colon == std::string::npos ? std::string() : key.substr(colon + 1);
    pdekit::IsPPDChoiceConflicted(gPpd.get(), &index, option.c_str(), choice.c_str());
  }
  for (const auto& [option, choice] : gChoices) pdekit::IsPPDChoiceConflicted(gPpd.get(), &index, option.c_str(), choice.c_str());
  std::vector<pdekit::PPDChoiceRow> rows;
  std::uint16_t count = 0;
  for (const char* option : {"InputSlot", "Duplex", "NXStaple", "MediaType"}) {
    pdekit::GetUIListFromPPD(gPpd.get(), &index, option, &rows, &count);
  }
  FUZZ_CHECK(rows.size() == count && count == 10);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const std::string path = nx::fuzz::PrivateDir() + "/queue.ppd";
  FUZZ_CHECK(nx::fuzz::WriteWholeFile(path, kPpd));
  gPpd = pdekit::OpenPPDFile(path);
  FUZZ_CHECK(gPpd != nullptr);
  ppdMarkDefaults(gPpd.get());
  for (int g = 0; g < gPpd->num_groups; ++g) {
    for (int o = 0; o < gPpd->groups[g].num_options; ++o) {
      const ppd_option_t& option = gPpd->groups[g].options[o];
      for (int c = 0; c < option.num_choices; ++c) gChoices.emplace_back(option.keyword, option.choices[c].choice);
    }
  }
  FUZZ_CHECK(gChoices.size() == 10);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(data), size);
  const std::string firstLine = file.substr(0, file.find('\n'));
  for (const std::string& section : {std::string("PrintFeaturePDETiger"), std::string("PrintFeaturePDEPanther"), firstLine}) {
    ConstraintIndex index;
    std::istringstream stream(file);
    pdekit::CQuickXPPD reader(&index, section.c_str());
    stream >> reader;
    CheckIndex(index);
  }
  return 0;
}
