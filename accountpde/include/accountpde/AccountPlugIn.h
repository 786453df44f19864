// The account plug-in's principal object: decides from the printer's PPD which panels the
// print dialog gets, and only offers a panel whose layout and help page the bundle has.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <cups/ppd.h>

#include "pdekit/PDEHost.h"

namespace accountpde {

inline constexpr const char* kBundleIdentifier = "com.norvalex.nb.qm08.pde.Account";
inline constexpr const char* kAppClientID = "com.norvalex.nb.qm08.AccountKind";

// Product type of an accounting variant ("Default00" ... "Printer01"); 0 for any other text.
int ProductTypeForVariant(std::string_view variant);
// Layout loaded for a product type (types outside 0..5 are taken as 0).
const char* JBALayoutForProductType(int type);

// False only when the PPD has the attribute with the value "False".
bool CheckLoadCondition(ppd_file_t* ppd, const char* keyword);

// Registers the plug-in's password preference keys with the framework (stored protected). The
// principal object and both panels call it, so panels built without the bundle have them too.
void RegisterAccountKeys();

class PrintAccountPDEPlugInnxbiqm08 : public pdekit::PDEPlugIn {
 public:
  // Keeps the first bundle it is given.
  bool initWithBundle(const nx::platform::Bundle& bundle, nx::platform::Services& services) override;
  std::vector<std::unique_ptr<pdekit::PDEPanel>> PDEPanelsForType(std::string_view type,
                                                                  pdekit::PDEHostCallback* host) override;
  const nx::platform::Bundle* GetAppBundleRef() const { return bundle_; }
  static const char* GetAppClientID() { return kAppClientID; }

 private:
  const nx::platform::Bundle* bundle_ = nullptr;
  nx::platform::Services* services_ = nullptr;
};

}  // namespace accountpde
