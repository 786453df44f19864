// The ready-made host side of the print dialog protocol; see PDEHost.h.
#include "pdekit/PDEHost.h"

#include <clocale>
#include <cstdlib>

namespace pdekit {

OSStatus BasicPrintSettings::SetValue(std::string_view key, std::string_view value, bool locked) {
  if (key.empty()) return paramErr;
  auto it = entries_.find(key);
  if (it != entries_.end()) {
    if (it->second.locked) return kPMKeyLocked;
    it->second = Entry{std::string(value), locked};
  } else {
    entries_.emplace(std::string(key), Entry{std::string(value), locked});
  }
  return noErr;
}

OSStatus BasicPrintSettings::GetValue(std::string_view key, std::string& value) const {
  auto it = entries_.find(key);
  if (it == entries_.end()) return kPMKeyNotFound;
  value = it->second.value;
  return noErr;
}

bool BasicPrintSettings::IsLocked(std::string_view key) const {
  auto it = entries_.find(key);
  return it != entries_.end() && it->second.locked;
}

std::vector<std::pair<std::string, std::string>> BasicPrintSettings::Entries() const {
  std::vector<std::pair<std::string, std::string>> out;
  out.reserve(entries_.size());
  for (const auto& [k, e] : entries_) out.emplace_back(k, e.value);
  return out;
}

OSStatus BasicPrintSession::GetCurrentPrinterID(std::string& id) const {
  if (printer_id_.empty()) return kPMInvalidPrinter;
  id = printer_id_;
  return noErr;
}

OSStatus BasicPrintSession::GetSessionData(std::string_view key, SessionValue& value) const {
  auto it = data_.find(key);
  if (it == data_.end()) return kPMKeyNotFound;
  value = it->second;
  return noErr;
}

OSStatus BasicPrintSession::SetSessionData(std::string_view key, SessionValue value) {
  if (key.empty()) return paramErr;
  data_.insert_or_assign(std::string(key), std::move(value));
  return noErr;
}

OSStatus BasicPrintSession::GetDestinationType(const PrintSettings*, int& type) const {
  type = destination_type_;
  return noErr;
}

bool BasicHostCallback::willChangePPDOptionKeyValue(std::string_view option, std::string_view choice) {
  if (refused_.count(option)) return false;
  if (!ppd_) return true;
  const std::string o(option), c(choice);
  if (!ppdFindChoice(ppdFindOption(ppd_, o.c_str()), c.c_str())) return false;
  ppdMarkOption(ppd_, o.c_str(), c.c_str());
  return true;
}

namespace {

// The PPD reader keeps the translations of one language only, and ppdLocalize applies them: both
// take the language from the C library's message locale, or, while that is "C", from LC_ALL.
// The session's language may be neither (LANGUAGE, or a locale that is not installed): while the
// PPD is read and localized, the language sits where they look; both come back after.
class ScopedCupsLanguage {
 public:
  explicit ScopedCupsLanguage(const std::string& language) {
    if (const char* m = std::setlocale(LC_MESSAGES, nullptr)) messages_ = m;
    if (const char* all = std::getenv("LC_ALL")) all_ = all;
    std::setlocale(LC_MESSAGES, "C");
    setenv("LC_ALL", language.c_str(), 1);
  }
  ~ScopedCupsLanguage() {
    if (all_) setenv("LC_ALL", all_->c_str(), 1);
    else unsetenv("LC_ALL");
    if (!messages_.empty()) std::setlocale(LC_MESSAGES, messages_.c_str());
  }
  ScopedCupsLanguage(const ScopedCupsLanguage&) = delete;
  ScopedCupsLanguage& operator=(const ScopedCupsLanguage&) = delete;

 private:
  std::string messages_;
  std::optional<std::string> all_;
};

}  // namespace

PpdFilePtr OpenPPDFile(const std::string& path, const std::string& language) {
  std::optional<ScopedCupsLanguage> scoped;
  if (!language.empty()) scoped.emplace(language);
  PpdFilePtr ppd(ppdOpenFile(path.c_str()));
  if (!ppd) return ppd;
  if (scoped) ppdLocalize(ppd.get());
  ppdMarkDefaults(ppd.get());
  return ppd;
}

}  // namespace pdekit
