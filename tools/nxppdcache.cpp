// nxppdcache: writes the constraint cache file of a PPD, one section per panel, for packaging
// the PPD (the plug-ins only read such files, through the attribute that names them).
//
//   nxppdcache PPD OUTPUT SECTION=KEYWORD[,KEYWORD...] [SECTION=...]
//
// Example: nxppdcache fax.ppd fax.cache PrintFeaturePDETiger=Duplex,InputSlot
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "nx/platform/property_list.h"
#include "pdekit/CQuickXPPD.h"
#include "pdekit/PDEHost.h"

namespace {

int Usage() {
  std::fputs("usage: nxppdcache PPD OUTPUT SECTION=KEYWORD[,KEYWORD...] [SECTION=...]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string ppdPath = argv[1];
  const std::string output = argv[2];
  if (static_cast<size_t>(argc - 3) > pdekit::kMaxPDEConstr) {
    std::fprintf(stderr, "nxppdcache: at most %zu sections\n", pdekit::kMaxPDEConstr);
    return 2;
  }
  std::vector<std::string> names;
  std::vector<std::vector<std::string>> keywords;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t eq = arg.find('=');
    if (eq == 0 || eq == std::string::npos || eq + 1 == arg.size()) return Usage();
    std::string name = arg.substr(0, eq);
    // A section name is one line of the file.
    if (name.find_first_of("\n\r") != std::string::npos) return Usage();
    std::vector<std::string> list;
    std::stringstream ss(arg.substr(eq + 1));
    for (std::string k; std::getline(ss, k, ',');)
      if (!k.empty()) list.push_back(k);
    if (list.empty()) return Usage();
    names.push_back(std::move(name));
    keywords.push_back(std::move(list));
  }

  pdekit::PpdFilePtr ppd = pdekit::OpenPPDFile(ppdPath);
  if (!ppd) {
    std::fprintf(stderr, "nxppdcache: cannot read the PPD %s\n", ppdPath.c_str());
    return 1;
  }
  std::vector<pdekit::x_PDEConstr> table;
  for (size_t i = 0; i < names.size(); ++i) table.push_back({names[i].c_str(), &keywords[i]});

  pdekit::ConstraintIndex index;
  pdekit::CQuickXPPD writer(ppd.get(), &index, table.data(), table.size(), ppdPath.c_str());
  std::ostringstream text;
  text << writer;
  if (!text || !nx::platform::WriteFileAtomically(output, text.str(), 0644)) {
    std::fprintf(stderr, "nxppdcache: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}
