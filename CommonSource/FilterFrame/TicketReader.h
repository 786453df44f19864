// Reading the settings ticket: the job options that the print dialog extensions wrote, read back
// by one table of keys per module into the job's option records.
//
// Values arrive as decimal integers, as UTF-8 text (plain or in the byte-list form "/195/169"),
// or as protected passwords. Every text value is converted into the device encoding, cut to its
// field's width and cleaned of bytes that could break a header line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "FilterJob.h"
#include "nx/ticket/keys.h"
#include "nx/ticket/option_array.h"

namespace nx::filter {

// Every key of the panels is this prefix + the setting name ("number-up" and the layout keys
// are the print system's own); the keys themselves are nx::ticket::key.
using nx::ticket::kTicketKeyPrefix;

// The job options parsed by the print system's own parser (FilterJob::options).
using TicketOptions = nx::ticket::OptionArray;

// A reader fills `destination` (`size` bytes; 4 for an integer) from the value of `key`.
// Result 1 when the key is present, else 0 (the password reader also returns 0 when a
// re-encryption step fails).
// The job gives its options (FilterJob::options) and, to the password reader, its PPD and device
// key.
using TicketReader = int (*)(const char* key, const FilterJob& job, void* destination,
                             std::size_t size);

struct TicketReadRow {
  const char* key;
  void* destination;
  std::size_t size;
  TicketReader reader;
};

// Runs each row's reader in order over the job's options. Returns 1.
int GetTicketFromArray(const FilterJob& job, std::span<const TicketReadRow> table);

// Integer (destination: std::int32_t): decimal with leading blanks and a sign, reading stops at
// the first non-digit, no digits give 0, out-of-range values saturate; -1 when absent.
int GetTicketInteger(const char* key, const FilterJob& job, void* destination,
                     std::size_t size);

// Text: byte-list decoding, then at most 2 x size - 1 bytes of the UTF-8 text (cut at a character
// boundary), converted into the device encoding and cut to `size` bytes with the NUL.
int GetTicketStringConvertedToPrtLang(const char* key, const FilterJob& job,
                                      void* destination, std::size_t size);

// Pages per sheet for "@NLPP" (10-byte destination): "N" + the "number-up" value; else "N" +
// rows x columns from the print system's layout keys when both are present and the product is
// not 1; else "1". Always returns 1.
int GetNumberUpTicketString(const char* key, const FilterJob& job, void* destination,
                            std::size_t size);

// Password: at most 1023 bytes of the decoded text, converted like a text value into the
// destination (kTicketPasswordSize bytes). When the job's PPD has the option
// "NXEncryptionSetting" with the default choice "New", the value is taken as base64 of
// storage-encrypted bytes and re-encrypted under the job's device key; the destination then
// holds base64 of the device-key blob. Result 0 when the key is absent or a re-encryption step fails (the
// destination then keeps the converted text), else 1.
int GetTicketPasswordStringConvertedToEncryption(const char* key, const FilterJob& job,
                                                 void* destination, std::size_t size);

// A deployment's device public key (SystemDir()/device_public_key.pem, PEM or the bare base64
// text). When the file exists, passwords are re-encrypted under that key instead of the
// built-in one; the job reads it once (JobDeviceKey).
std::string DeviceKeyFile();

// Byte-list decoding in place (nx::ticket::DecodeTicketText): a text starting with "/" becomes
// the bytes of its "/"-separated signed decimal fields (low 8 bits; a value of 256 or more gives
// 0, which ends the text). Other texts are left unchanged. Returns the resulting length.
std::size_t numstrtochar(char* text);

// The reader tables of the key catalogue, one per module, pointing into `job`.
std::vector<TicketReadRow> PrintTypeTicketTable(FilterJob& job);
std::vector<TicketReadRow> JBATicketTable(FilterJob& job);
std::vector<TicketReadRow> JBAAdminTicketTable(FilterJob& job);
std::vector<TicketReadRow> FeaturesTicketTable(FilterJob& job);
std::vector<TicketReadRow> SpecialPageTicketTable(FilterJob& job);
std::vector<TicketReadRow> DFaxSettingTicketTable(FilterJob& job);

// Module readers. Each returns 1.
int PrintTypeGetTicketFromPDE(FilterJob& job);
int JBAGetTicketFromPDE(FilterJob& job);  // common, then administrator
int FeaturesGetTicketFromPDE(FilterJob& job);
int SpecialPageGetTicketFromPDE(FilterJob& job);

// "PrintTypeProductTypeTicketKey" into job.printType.productType, for the document-name rule.
// Result 1 when present.
int PrintTypeGetProductTypeTicket(FilterJob& job);

// All modules in order: print type, accounting, features, special page, fax setting. The result
// is the fax setting reader's: 1 go on, 0 the job must be refused.
int GetTicketFromPDE(FilterJob& job);

}  // namespace nx::filter
