// The fax module's reading and header lines; see FaxSettingModule.h.
#include "FaxSettingModule.h"

#include <strings.h>

#include <array>
#include <bitset>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "DeviceEncoding.h"
#include "FilterLog.h"
#include "QueuePpd.h"
#include "TpjlTables.h"
#include "nx/platform/system_version.h"
#include "nx/platform/text_encoding.h"

namespace nx::filter {
namespace {

constexpr std::size_t kItemKeyPrefixLength = sizeof kRecipientItemKeyPrefix - 1;

// A device-option report pair: the PPD keyword and the field of the fax record it reports.
struct DeviceOptionReport {
  const char* keyword;
  const std::int32_t DFaxSettingOption::*integer;
  std::string_view (*text)(const DFaxSettingOption&);
};

template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
  return {field, strnlen(field, N)};
}

constexpr DeviceOptionReport kDeviceOptionReports[] = {
    {"FaxModuleTypePopupList", &DFaxSettingOption::faxModuleType, nullptr},
    {"PhonebookExpansionKitPopupList", &DFaxSettingOption::phonebookExpansionKit, nullptr},
    {"OutsideExtensionKitPopupList", &DFaxSettingOption::outsideExtensionKit, nullptr},
    {"ISDNG4TypePopupList", &DFaxSettingOption::isdnG4Type, nullptr},
    {"OutlineNumberEtxt", nullptr,
     [](const DFaxSettingOption& o) { return FieldText(o.outlineNumber); }},
    {"InlineNumberEtxt", nullptr,
     [](const DFaxSettingOption& o) { return FieldText(o.inlineNumber); }},
    {"PortSettingOutsideLinePopupList", &DFaxSettingOption::portSettingOutsideLine, nullptr},
    {"PortSettingExtensionPopupList", &DFaxSettingOption::portSettingExtension, nullptr},
};

// A text of the device-option report: no control byte or double quote, backslashes doubled.
std::string ReportText(std::string_view field) {
  std::string clean(field);
  clean.resize(StripHeaderUnsafeBytes(clean.data()));
  std::string quoted;
  for (char c : clean) {
    if (c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted;
}

// The index of a recipient item key, or -1 when `name` is not one or its index is not below
// `limit`. The index is decimal without padding ("0", "1", ... but not "01" or "+1").
std::int32_t RecipientItemIndex(const char* name, std::int32_t limit) {
  if (name == nullptr || strncasecmp(name, kRecipientItemKeyPrefix, kItemKeyPrefixLength) != 0) {
    return -1;
  }
  const char* digits = name + kItemKeyPrefixLength;
  if (*digits == 0 || (digits[0] == '0' && digits[1] != 0)) return -1;
  std::int64_t index = 0;
  for (const char* p = digits; *p != 0; ++p) {
    if (*p < '0' || *p > '9') return -1;
    index = index * 10 + (*p - '0');
    if (index >= limit) return -1;
  }
  return static_cast<std::int32_t>(index);
}

void ReleaseRecipientItems(FilterJob& job) {
  std::vector<std::array<char, kRecipientItemSize>>().swap(job.faxRecipientItems);
}

// The count says how many recipients the panels put into the list and every index below it must
// hold one: the device would take a list with gaps or empty items in part, losing recipients.
// Items at or beyond the count are left over from earlier jobs' settings and do not count.
void FindRecipientListFault(FilterJob& job,
                            const std::vector<std::pair<std::int32_t, const char*>>& present) {
  const std::int32_t count = job.faxSetting.recipientListCount;
  if (count > kMaxRecipientItems) {
    job.faxRecipientFault = RecipientListFault::kTooMany;
    job.faxRecipientFaultIndex = kMaxRecipientItems;
    return;
  }
  std::bitset<kMaxRecipientItems> seen;
  for (const auto& entry : present) seen.set(static_cast<std::size_t>(entry.first));
  for (std::int32_t i = 0; i < count; ++i) {
    if (!seen.test(static_cast<std::size_t>(i))) {
      job.faxRecipientFault = RecipientListFault::kMissing;
      job.faxRecipientFaultIndex = i;
      return;
    }
  }
  for (std::int32_t i = 0; i < count; ++i) {
    if (job.faxRecipientItems[static_cast<std::size_t>(i)][0] == 0) {
      job.faxRecipientFault = RecipientListFault::kEmpty;
      job.faxRecipientFaultIndex = i;
      return;
    }
  }
}

}  // namespace

void DFaxReportDeviceOptions(const FilterJob& job, std::FILE* err) {
  const DFaxSettingOption& o = job.faxSetting;
  for (const DeviceOptionReport& report : kDeviceOptionReports) {
    if (report.integer != nullptr) {
      std::fprintf(err, "PPD: %s=\"%d\"\n", report.keyword, static_cast<int>(o.*report.integer));
    } else {
      const std::string text = ReportText(report.text(o));
      std::fprintf(err, "PPD: %s=\"%s\"\n", report.keyword, text.c_str());
    }
  }
}

bool IsGeneration2Device(const FilterJob& job) {
  return QueuePpdDefaultChoice(job, "NXPlatformGeneration") == "2";
}

bool IsItemUnavailableOnGeneration2(const char* item) {
  if (item == nullptr) return false;
  for (const char* p = item; *p != 0; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (platform::IsShiftJisLeadByte(c) && p[1] != 0) {
      ++p;  // the second byte of a double-byte character
      continue;
    }
    if (c == '\'' || (c == '{' && p[1] == '1')) return true;
  }
  return false;
}

int DFaxSettingGetTicketFromPDE(FilterJob& job, int systemVersion, std::FILE* err) {
  GetTicketFromArray(job, DFaxSettingTicketTable(job));
  if (systemVersion >= kDeviceOptionReportVersion) DFaxReportDeviceOptions(job, err);

  ReleaseRecipientItems(job);
  job.faxRecipientFault = RecipientListFault::kNone;
  job.faxRecipientFaultIndex = 0;
  const std::int32_t count = job.faxSetting.recipientListCount;
  if (count < 1) return 1;

  // Only the item keys the options hold are looked at, so neither the count nor an index can
  // make the list larger than kMaxRecipientItems.
  const TicketOptions& options = job.options;
  const std::int32_t limit = count < kMaxRecipientItems ? count : kMaxRecipientItems;
  std::vector<std::pair<std::int32_t, const char*>> present;
  std::int32_t listSize = 0;
  bool beyondLimit = false;
  try {
    for (int i = 0; i < options.size(); ++i) {
      const std::int32_t index = RecipientItemIndex(options.name(i), limit);
      if (index < 0) {
        if (count > kMaxRecipientItems && RecipientItemIndex(options.name(i), count) >= 0) {
          beyondLimit = true;
        }
        continue;
      }
      present.emplace_back(index, options.name(i));
      if (index + 1 > listSize) listSize = index + 1;
    }
    job.faxRecipientItems.resize(static_cast<std::size_t>(listSize));
  } catch (const std::bad_alloc&) {
    ReleaseRecipientItems(job);
    return 1;
  }
  if (beyondLimit) {
    std::fprintf(err, "##filter debug## recipient items from index %d on are not sent\n",
                 static_cast<int>(kMaxRecipientItems));
  }
  for (const auto& [index, key] : present) {
    std::array<char, kRecipientItemSize>& slot =
        job.faxRecipientItems[static_cast<std::size_t>(index)];
    GetTicketStringConvertedToPrtLang(key, job, slot.data(), slot.size());
  }

  if (!present.empty() && IsGeneration2Device(job)) {
    for (const auto& slot : job.faxRecipientItems) {
      if (IsItemUnavailableOnGeneration2(slot.data())) {
        ReleaseRecipientItems(job);
        return 0;
      }
    }
  }
  FindRecipientListFault(job, present);
  return 1;
}

int DFaxSettingGetTicketFromPDE(FilterJob& job) {
  return DFaxSettingGetTicketFromPDE(job, platform::CurrentSystemVersion(), stderr);
}

bool ShouldCancelJobAndShowError(const FilterJob& job) {
  return job.faxSetting.recipientListCount < 1 ||
         job.faxRecipientFault != RecipientListFault::kNone;
}

std::string RecipientRefusalText(const FilterJob& job) {
  const int count = static_cast<int>(job.faxSetting.recipientListCount);
  const int recipient = static_cast<int>(job.faxRecipientFaultIndex) + 1;
  if (count < 1) return "Please enter a fax number.";
  switch (job.faxRecipientFault) {
    case RecipientListFault::kTooMany:
      return FilterLocalizedMessage("The fax job has %d recipients; a job takes at most %d.", count,
                                    static_cast<int>(kMaxRecipientItems));
    case RecipientListFault::kMissing:
      return FilterLocalizedMessage("Fax recipient %d of %d is missing from the job.", recipient,
                                    count);
    case RecipientListFault::kEmpty:
      return FilterLocalizedMessage("Fax recipient %d of %d is empty.", recipient, count);
    case RecipientListFault::kNone:
      break;
  }
  return {};
}

void InjectTPIFCommandFaxSetting(FilterJob& job, std::FILE* out) {
  OutputTPJLCommandFromArray(job, DFaxSettingCommandTable(), out);
  for (auto& slot : job.faxRecipientItems) {
    slot.back() = 0;
    StripHeaderUnsafeBytes(slot.data());  // the reader's clean-up, kept for any other filler
    std::fprintf(out, "@PJL SET JOBATTR=%c@%s%c%c%c", '"', slot.data(), '"', '\r', '\n');
  }
  ReleaseRecipientItems(job);
  std::fputs("@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n", out);
}

}  // namespace nx::filter
