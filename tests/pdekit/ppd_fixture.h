// PPD texts for the framework tests, written to a temporary folder and parsed by CUPS.
#pragma once

#include <string>

#include "../platform/temp_dir.h"
#include "pdekit/PDEHost.h"

namespace pdekit::testing {

inline std::string PpdHeader(const std::string& encoding = "ISOLatin1") {
  return "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
         "*LanguageEncoding: " + encoding + "\n*PCFileName: \"NXTEST.PPD\"\n*Manufacturer: \"Norvalex\"\n"
         "*Product: \"(NX Test)\"\n*ModelName: \"NX Test\"\n*NickName: \"NX Test\"\n*ShortNickName: \"NX Test\"\n";
}

inline const char* kInputSlot =
    "*OpenUI *InputSlot/Paper Source: PickOne\n*DefaultInputSlot: Auto\n*InputSlot Auto/Auto Select: \"\"\n"
    "*InputSlot Tray1/Tray 1: \"\"\n*InputSlot Tray2/Tray 2: \"\"\n*CloseUI: *InputSlot\n";
inline const char* kDuplex =
    "*OpenUI *Duplex/2-Sided Printing: PickOne\n*DefaultDuplex: None\n*Duplex None/Off: \"\"\n"
    "*Duplex DuplexNoTumble/Long-Edge binding: \"\"\n*Duplex DuplexTumble/Short-Edge binding: \"\"\n"
    "*CloseUI: *Duplex\n";

// General (group 0): InputSlot (option 0), Duplex (option 1), then `extra` lines at the end.
inline std::string SimplePpd(const std::string& extra) {
  return PpdHeader() + "*% Last Edit Date: 2024/05/06\n*OpenGroup: General/General\n" + kInputSlot + kDuplex +
         "*CloseGroup: General\n" + extra;
}

// Writes `text` to `name` in `dir` and parses it.
inline PpdFilePtr Ppd(const nx::testing::TempDir& dir, const std::string& text, const std::string& name = "t.ppd") {
  nx::testing::WriteText(dir / name, text);
  return OpenPPDFile(dir / name);
}

}  // namespace pdekit::testing
