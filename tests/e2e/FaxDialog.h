// Steps of the stand-in print dialog for the fax plug-in's panels and windows, and the part of
// the device's job header they decide.
#pragma once

#include <string>
#include <vector>

namespace nx::e2e {

inline std::string Fax(const std::string& body) {
  return R"({"panel": "com.norvalex.nb.q21.pde.DirectFaxKind", )" + body + "}";
}
inline std::string Rec(const std::string& body) {
  return R"({"window": "RecipientSetting_Default00", )" + body + "}";
}
inline std::string Job(const std::string& body) {
  return R"({"window": "FaxJobConfirmation", )" + body + "}";
}

// The header's fax lines: from the fax card line to the closing line.
inline std::string FaxLines(const std::string& header) {
  const std::size_t from = header.find("@PJL SET JOBATTR=\"@FCRD");
  const std::string closing = "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n";
  const std::size_t to = header.find(closing);
  if (from == std::string::npos || to == std::string::npos || to < from) return {};
  return header.substr(from, to + closing.size() - from);
}

// A scenario of the fax bundle with these steps.
inline std::string FaxScenario(const std::vector<std::string>& steps) {
  std::string scenario = R"({"bundles": ["faxpde.plugin"], "steps": [)";
  for (std::size_t i = 0; i < steps.size(); ++i) scenario += (i ? ",\n" : "") + steps[i];
  return scenario + "]}";
}

}  // namespace nx::e2e
