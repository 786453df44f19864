#include "accountpde/ClientIdentity.h"

#include "nx/platform/identity.h"
#include "nx/platform/network.h"
#include "pdekit/BaseControl.h"
#include "pdekit/UtilityFunction.h"

namespace accountpde {

namespace {

constexpr size_t kKeptBytes = 32;
constexpr size_t kHostNameBytes = 64;
constexpr size_t kNumericAddressBytes = 46;

}  // namespace

bool SetCFStringToTicketWithByteFilter(pdekit::PrintSettings* settings, std::string_view text, const char* key,
                                       bool locked, int low, int high, int maxBytes) {
  const size_t readable = maxBytes <= 0 ? 256 : static_cast<size_t>(maxBytes);
  // One byte of the conversion buffer is the terminator.
  std::string_view kept = pdekit::CutUtf8(text, readable - 1);
  // Cut at a character boundary: a split sequence would make the value unstorable.
  kept = pdekit::CutUtf8(kept, kKeptBytes);
  std::string out;
  if (kept.find_first_not_of(' ') != std::string_view::npos) {
    for (size_t i = 0; i < kept.size(); ++i) {
      if (kept.substr(i, 3) == "\xE2\x80\x99") {
        out += "___";
        i += 2;
        continue;
      }
      const int byte = static_cast<unsigned char>(kept[i]);
      out += (byte < low || byte > high) ? '_' : kept[i];
    }
  }
  return pdekit::SetValueToSettingsWithTicketKeyAndLock(out.c_str(), settings, key, locked) == pdekit::noErr;
}

bool SetCStringToTicket(pdekit::PrintSettings* settings, std::string_view text, const char* key, bool locked) {
  if (!settings || !key) return false;
  const std::string value(pdekit::CutUtf8(text, 255));
  settings->SetValue(key, value, locked);
  return pdekit::SetValueToSettingsWithTicketKeyAndLock(value.c_str(), settings, key, locked) == pdekit::noErr;
}

std::string getHostAddress(const nx::platform::Network& network, std::string_view host) {
  for (const auto& address : network.HostAddresses(host)) {
    if (address.empty() || address.size() > kNumericAddressBytes) continue;
    if (address.find(':') != std::string::npos || address.find('.') != std::string::npos) return address;
  }
  return {};
}

void GetClientIPAddress(const nx::platform::Network& network, std::string& hostName, std::string& address) {
  hostName.clear();
  address.clear();
  const auto local = network.HostName();
  if (!local || local->empty()) return;
  hostName = std::string(pdekit::CutUtf8(*local, kHostNameBytes));
  const std::string numeric = getHostAddress(network, *local);
  if (!numeric.empty()) address = nx::platform::EncodeClientAddress(numeric);
}

bool SetInformationToTicket(pdekit::PrintSettings* settings, bool locked, const nx::platform::Identity& identity,
                            const nx::platform::Network& network) {
  const bool computer =
      SetCFStringToTicketWithByteFilter(settings, identity.ComputerName(), kMacHostNameTicketKey, locked, 0x20, 0xFE, 64);
  std::string hostName, address;
  GetClientIPAddress(network, hostName, address);
  bool written = SetCStringToTicket(settings, hostName, kHostNameTicketKey, locked);
  if (written) written = SetCStringToTicket(settings, address, kIPAddressTicketKey, locked);
  return computer && written;
}

}  // namespace accountpde
