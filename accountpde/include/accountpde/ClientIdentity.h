// The client identity the accounting panel puts into the settings ticket: the computer's name,
// the host name and the host's address in the device's compact hexadecimal form.
#pragma once

#include <string>
#include <string_view>

#include "nx/ticket/keys.h"
#include "pdekit/PDEHost.h"

namespace nx::platform {
class Identity;
class Network;
}  // namespace nx::platform

namespace accountpde {

inline constexpr const char* kMacHostNameTicketKey = nx::ticket::key::JBAMacHostNameStringTicket;
inline constexpr const char* kHostNameTicketKey = nx::ticket::key::JBAHostNameStringTicket;
inline constexpr const char* kIPAddressTicketKey = nx::ticket::key::JBAIPAddressStringTicket;

// Stores `text` under `key`: at most `maxBytes` bytes are read (256 when `maxBytes` <= 0) and at
// most 32 kept, cut at a character boundary; spaces only become empty; bytes outside
// [low, high] become "_" and each U+2019 becomes "___". True when the store succeeded.
bool SetCFStringToTicketWithByteFilter(pdekit::PrintSettings* settings, std::string_view text, const char* key,
                                       bool locked, int low, int high, int maxBytes);
// Stores at most 255 bytes of `text` under `key`, directly and through the ticket writer; true
// when the ticket writer succeeded.
bool SetCStringToTicket(pdekit::PrintSettings* settings, std::string_view text, const char* key, bool locked);

// The first of `network`'s addresses for `host` that is IPv4 or IPv6 text of at most 46 bytes.
std::string getHostAddress(const nx::platform::Network& network, std::string_view host);
// Host name (at most 64 bytes) and encoded address (nx::platform::EncodeClientAddress); both empty when the host name cannot be
// read, the address empty when it does not resolve.
void GetClientIPAddress(const nx::platform::Network& network, std::string& hostName, std::string& address);

// Writes the computer name, host name and address; true when all three writes succeed.
bool SetInformationToTicket(pdekit::PrintSettings* settings, bool locked, const nx::platform::Identity& identity,
                            const nx::platform::Network& network);

}  // namespace accountpde
