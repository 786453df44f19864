#include "accountpde/ClientIdentity.h"

#include <cctype>
#include <vector>

#include "nx/platform/identity.h"
#include "nx/platform/network.h"
#include "pdekit/BaseControl.h"
#include "pdekit/UtilityFunction.h"

namespace accountpde {

namespace {

constexpr size_t kKeptBytes = 32;
constexpr size_t kHostNameBytes = 64;
constexpr size_t kNumericAddressBytes = 46;

std::string EncodeIPv4(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out = "I";
  int parts = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t end = std::min(text.find('.', pos), text.size());
    const std::string_view part = text.substr(pos, end - pos);
    if (part.empty() || part.size() > 3 || ++parts > 4) return {};
    int value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return {};
      value = value * 10 + (c - '0');
    }
    if (value > 255) return {};
    out += kHex[value >> 4];
    out += kHex[value & 15];
    pos = end + 1;
  }
  return parts == 4 ? out : std::string{};
}

bool SplitGroups(std::string_view text, std::vector<std::string_view>& groups) {
  if (text.empty()) return true;
  size_t pos = 0;
  while (true) {
    const size_t end = text.find(':', pos);
    const std::string_view group = text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
    if (group.empty() || group.size() > 4) return false;
    for (char c : group)
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    groups.push_back(group);
    if (end == std::string_view::npos) return true;
    pos = end + 1;
  }
}

std::string EncodeIPv6(std::string_view text) {
  text = text.substr(0, text.find('%'));
  std::vector<std::string_view> head, tail;
  const size_t gap = text.find("::");
  if (gap == std::string_view::npos) {
    if (!SplitGroups(text, head) || head.size() != 8) return {};
  } else {
    if (text.find("::", gap + 1) != std::string_view::npos) return {};
    if (!SplitGroups(text.substr(0, gap), head) || !SplitGroups(text.substr(gap + 2), tail)) return {};
    if (head.size() + tail.size() > 7) return {};
  }
  std::string out = "6";
  auto append = [&out](std::string_view group) { out.append(4 - group.size(), '0').append(group); };
  for (auto g : head) append(g);
  for (size_t i = head.size() + tail.size(); i < 8; ++i) out += "0000";
  for (auto g : tail) append(g);
  return out;
}

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

std::string EncodeClientAddress(std::string_view numeric) {
  if (numeric.find(':') != std::string_view::npos) return EncodeIPv6(numeric);
  if (numeric.find('.') != std::string_view::npos) return EncodeIPv4(numeric);
  return {};
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
  if (!numeric.empty()) address = EncodeClientAddress(numeric);
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
