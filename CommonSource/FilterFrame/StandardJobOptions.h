// Jobs from applications that know nothing of the plug-ins. Such a job carries only the print
// system's standard options: the fax number ("phone", "faxPrefix", "destination-uris"), the
// accounting IDs ("job-account-id", "job-accounting-user-id"), the secure print PIN
// ("job-password"), and the queue's PPD choices. This module turns them into the ticket entries
// the panels would have written for the same input, so the rest of the filter reads one ticket
// whichever way the job came. A ticket entry the panels did write always wins.
#pragma once

#include <cups/ppd.h>

#include <string>
#include <string_view>
#include <vector>

#include "TicketReader.h"

namespace nx::filter {

// The longest fax number the recipient window takes, and the most numbers one job takes.
inline constexpr std::size_t kMaxStandardFaxNumberLength = 100;
inline constexpr std::size_t kMaxStandardFaxNumbers = 200;
// Outside line prefix (the device options' outside line number is at most 5 characters) and
// sub-address (sent as the F-code, at most 20 characters).
inline constexpr std::size_t kMaxStandardPrefixLength = 5;
inline constexpr std::size_t kMaxStandardSubAddressLength = 20;
// Secure print PIN: the print type panel's limit, digits only.
inline constexpr std::size_t kMaxSecurePrintPinLength = 12;

// One typed-in recipient from the standard options.
struct StandardFaxNumber {
  std::string number;      // digits, "*", "#", "+" and the pause ","
  std::string prefix;      // dialled first (the outside line prefix)
  std::string subAddress;  // sent as the F-code; empty for none
};

// A ticket entry: the full key and its value as a panel writes it (integers in decimal).
struct TicketEntry {
  std::string key;
  std::string value;
};

// What the filter needs beside the job options.
struct StandardJobContext {
  std::string userName;  // the job's user (argument 2, UTF-8)
  std::string ppdPath;   // the queue's PPD; empty when there is none
};

// Checks a fax number as typed into a standard dialog. Visual separators (space, "-", ".", "(",
// ")") are dropped; what remains must be 1 to `maxLength` characters of digits, "*", "#", "+"
// and ",". False with a reason (never quoting the text) otherwise.
bool NormalizeFaxNumber(std::string_view text, std::size_t maxLength, std::string* number,
                        std::string* reason);

// The fax numbers of the standard options, in this order: each tel: URI of "destination-uris"
// (plain "tel:A,tel:B" or collections "{destination-uri=tel:A pre-dial-string=9
// t33-subaddress=12}"), then "phone". The prefix is the entry's "pre-dial-string", else the
// job option "pre-dial-string", else "faxPrefix"; the sub-address is the entry's
// "t33-subaddress", else the job option of that name. False with a refusal text when any number,
// prefix or sub-address is unusable or there are more than kMaxStandardFaxNumbers.
bool CollectStandardFaxNumbers(const TicketOptions& options, std::vector<StandardFaxNumber>* numbers,
                               std::string* refusal);

// The ticket entries the standard options and the PPD's marked choices stand for, only for keys
// the job options lack:
// - without "DFRecipientListCountTicket": the recipient list of the standard fax numbers (count,
//   paper name of the marked PageSize, one item each, built by the recipient ticket encoder),
//   and for such a job the fax settings from the marked choices of "NXFaxResolution",
//   "NXTransmissionReport", "NXSendHeader" and the device's "NXFaxModule";
// - without any accounting key of the panels: user-mode accounting with the stored details,
//   "job-accounting-user-id" as the entered user ID (else the login name) and "job-account-id"
//   as the account ID;
// - without "PrintTypeTicketKey": secure print for "job-password", under the user ID
//   "job-accounting-user-id" or else the job's user, the PIN protected as the panels protect it.
// `ppd` is the queue's PPD with its defaults and the job options marked (null without one).
// False with a refusal text for input the device cannot take.
bool BuildStandardTicketEntries(const TicketOptions& options, ppd_file_t* ppd,
                                std::string_view userName, std::vector<TicketEntry>* entries,
                                std::string* refusal);
// The same for an option text and a PPD file, which it parses and opens (and marks) itself.
bool BuildStandardTicketEntries(std::string_view optionString, const StandardJobContext& context,
                                std::vector<TicketEntry>* entries, std::string* refusal);

// `optionString` followed by the entries in the option-string syntax. Text values go in the
// byte-list form, so no character of a value can be taken for option syntax; the readers
// decode it. Integer keys get plain decimal. Whatever the option string ends in (an open quote,
// a backslash) can still swallow what follows it: the filter itself uses AddTicketEntries.
std::string AppendTicketEntries(std::string_view optionString, const std::vector<TicketEntry>& entries);

// Adds the entries to the parsed options, each value in the form AppendTicketEntries gives it.
// False when one could not be added.
bool AddTicketEntries(TicketOptions* options, const std::vector<TicketEntry>& entries);

// For the main flow: adds the standard entries to the job's options, from those options, its
// PPD and its user. Result 1 go on, 0 refuse the job (`refusal` says why, fit for an "ERROR:"
// line).
int ApplyStandardJobOptions(FilterJob& job, std::string* refusal);

}  // namespace nx::filter
