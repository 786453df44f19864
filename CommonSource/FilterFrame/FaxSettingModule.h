// The fax module of the filter: its ticket reading (the fax table, the recipient items, the
// device-option report, the refusal rules) and its header lines (the fax command table, one line
// per recipient, the closing line).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "FilterJob.h"
#include "TicketReader.h"

namespace nx::filter {

// Recipient item keys: this prefix followed by the item index in decimal, without padding.
inline constexpr const auto& kRecipientItemKeyPrefix = nx::ticket::key::DFRecipientListItemKeyTicket;

// Item keys at this index or above are not read. Every item names at least one recipient and a
// job takes at most 600, so no job the panels write comes near it; a hostile count or index
// cannot make the filter allocate or write without bound.
inline constexpr std::int32_t kMaxRecipientItems = 600;

// From this system version on, the device options are reported to the print system.
inline constexpr int kDeviceOptionReportVersion = 0x1070;

// Reads the fax module's keys into job.faxSetting and the recipient items into
// job.faxRecipientItems, and reports the device options ("PPD:" lines) to `err` when
// `systemVersion` is at least kDeviceOptionReportVersion.
//
// Items are read only for the item keys the job options hold, at indices below both the
// recipient count and kMaxRecipientItems; the list runs up to the highest index present, an
// index without a key giving an empty item. Result 0 (refuse the job) when the queue's PPD is for
// a generation-2 device and an item holds an apostrophe or "{1"; the items are then released.
// Otherwise 1, also when the count is below 1 and when the list cannot be allocated (the header
// then has no recipient line).
//
// With a count of 1 or more, every index below the count must hold a non-empty item and the
// count must not exceed kMaxRecipientItems; otherwise job.faxRecipientFault says which rule the
// list breaks (first at job.faxRecipientFaultIndex), and ShouldCancelJobAndShowError refuses it.
// Items at or above the count are not part of the list.
//
// The options are the job's.
int DFaxSettingGetTicketFromPDE(FilterJob& job, int systemVersion, std::FILE* err);
// The same for the running system, reporting to standard error.
int DFaxSettingGetTicketFromPDE(FilterJob& job);

// Writes the eight device-option lines: "PPD: %s=\"%d\"\n" for an integer (-1 when absent) and
// "PPD: %s=\"%s\"\n" for a text. The print system rewrites the queue's PPD from these lines, so a
// text loses control bytes and double quotes, and a backslash is doubled (the print system reads
// the value as a quoted string, in which a lone backslash would take the closing quote away).
void DFaxReportDeviceOptions(const FilterJob& job, std::FILE* err);

// True when the job's PPD has the option "NXPlatformGeneration" with the default choice "2". A
// missing or unreadable PPD is not generation 2.
bool IsGeneration2Device(const FilterJob& job);

// True when a generation-2 device cannot take `item` (device encoding): it holds an apostrophe or
// the characters "{1". The second byte of a double-byte character never counts as one of them.
bool IsItemUnavailableOnGeneration2(const char* item);

// True when the job has no recipient (count below 1) or a recipient list the device would take
// only in part (job.faxRecipientFault).
bool ShouldCancelJobAndShowError(const FilterJob& job);

// The reason for the main flow's "ERROR:<...>" line of a job ShouldCancelJobAndShowError refuses:
// "Please enter a fax number." without a recipient, else the localized text of the list's fault
// with the recipient's number and the count. Never an item's text: items carry mailbox and
// F-code passwords.
std::string RecipientRefusalText(const FilterJob& job);

// Writes the fax lines of the header to `out`: the fax command table, one
// "@PJL SET JOBATTR=\"@<item>\"" line (CR LF) per recipient item in index order, then
// "@PJL SET JOBATTR=\"@IEXT=STANDARD\"" (CR LF). The items are released afterwards.
void InjectTPIFCommandFaxSetting(FilterJob& job, std::FILE* out);

}  // namespace nx::filter
