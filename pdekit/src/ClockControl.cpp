// Time-of-day picker; see ClockControl.h.
#include "pdekit/ClockControl.h"

#include <cstdio>
#include <cstring>

namespace pdekit {
namespace {

constexpr std::time_t kOneDay = 86400;

bool LocalTime(std::time_t t, std::tm* out) { return localtime_r(&t, out) != nullptr; }

LongDateRec RecordOf(const std::tm& tm) {
  LongDateRec r;
  r.year = static_cast<int16_t>(tm.tm_year + 1900);
  r.month = static_cast<int16_t>(tm.tm_mon + 1);
  r.day = static_cast<int16_t>(tm.tm_mday);
  r.hour = static_cast<int16_t>(tm.tm_hour);
  r.minute = static_cast<int16_t>(tm.tm_min);
  r.second = static_cast<int16_t>(tm.tm_sec);
  r.dayOfWeek = static_cast<int16_t>(tm.tm_wday + 1);
  r.dayOfYear = static_cast<int16_t>(tm.tm_yday + 1);
  return r;
}

// One or two decimal digits.
bool TakeNumber(std::string_view& text, int* value) {
  size_t n = 0;
  int v = 0;
  while (n < text.size() && n < 2 && text[n] >= '0' && text[n] <= '9') v = v * 10 + (text[n++] - '0');
  if (n == 0) return false;
  text.remove_prefix(n);
  *value = v;
  return true;
}

}  // namespace

ClockControl::ClockControl(nx::platform::ui::Element* element, const ClockIniData* ini,
                           const ConstrainTable* constrain, const DataAccessInfo* access, nx::platform::PrefUser user,
                           const char* summaryKey)
    : BaseControl(element, constrain, access, user),
      ini_(ini),
      summaryKey_(summaryKey),
      clock_([] { return std::time(nullptr); }) {}

bool ClockControl::InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) {
  BaseControl::InitializeCtrl(bundle, ppd);
  if (AllocateDataBlocks(sizeof(LongDateRec))) SetControlValueToDefault();  // until a stored value comes
  return true;
}

void ClockControl::Capture() {
  absoluteTime_ = clock_();
  std::tm tm{};
  if (LocalTime(absoluteTime_, &tm)) datetimerec = RecordOf(tm);
  captured_ = true;
}

LongDateRec ClockControl::GetControlTime() const {
  LongDateRec r;
  if (const uint8_t* block = GetControlBlkPtr()) std::memcpy(&r, block, sizeof r);
  return r;
}

uint8_t* ClockControl::GetValueFromUI() {
  uint8_t* ui = GetValueFromUIDataBlk();
  if (!ui || !ControlPtr) return nullptr;
  LongDateRec r;
  std::memcpy(&r, ui, sizeof r);
  const nx::platform::ui::DateTime shown = ControlPtr->DateValue();
  r.hour = static_cast<int16_t>(shown.hour);
  r.minute = static_cast<int16_t>(shown.minute);
  std::memcpy(ui, &r, sizeof r);
  ctrlDataSize = sizeof r;
  Capture();
  return ui;
}

void ClockControl::SetControlValueToUI() {
  if (!GetControlBlkPtr()) return;
  SetExternalValueToUI(GetControlBlkPtr(), sizeof(LongDateRec));
}

void ClockControl::SetExternalValueToUI(const void* value, uint32_t size) {
  if (!ControlPtr || !value || size < sizeof(LongDateRec)) return;
  LongDateRec r;
  std::memcpy(&r, value, sizeof r);
  nx::platform::ui::DateTime shown = ControlPtr->DateValue();
  shown.hour = r.hour;
  shown.minute = r.minute;
  shown.second = 0;
  ControlPtr->SetDateValue(shown);
}

bool ClockControl::ConvertToTickectData(std::string& out) {
  if (!GetControlBlkPtr()) return false;
  if (!captured_) Capture();
  const LongDateRec chosen = GetControlTime();
  std::time_t day = absoluteTime_;
  if (chosen.hour * 60 + chosen.minute < datetimerec.hour * 60 + datetimerec.minute) day += kOneDay;
  std::tm tm{};
  if (!LocalTime(day, &tm)) return false;
  char text[64];
  std::snprintf(text, sizeof text, "%d:%02d:%02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                chosen.hour, chosen.minute);
  out = text;
  return true;
}

bool ClockControl::ConvertToPreferenceString(std::string& out) {
  if (!GetControlBlkPtr()) return false;
  const LongDateRec r = GetControlTime();
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d", r.hour, r.minute);
  out = text;
  return true;
}

bool ClockControl::ConvertFromPreferenceString(std::string_view text) {
  uint8_t* block = GetControlBlkPtr();
  if (!block) return false;
  int hour = 0, minute = 0;
  std::string_view rest = text;
  if (!TakeNumber(rest, &hour) || rest.empty() || rest.front() != ':') return false;
  rest.remove_prefix(1);
  if (!TakeNumber(rest, &minute) || !rest.empty() || hour > 23 || minute > 59) return false;
  LongDateRec r = GetControlTime();
  r.hour = static_cast<int16_t>(hour);
  r.minute = static_cast<int16_t>(minute);
  std::memcpy(block, &r, sizeof r);
  return true;
}

void ClockControl::GetSummaryText(SummaryInfo& summary) {
  if (!summaryKey_ || !GetControlBlkPtr() || !ToGetSummaryText()) return;
  std::string value;
  ConvertToPreferenceString(value);
  AddSummaryLine(summary, LocalizedOrKey(summaryKey_), value);
}

}  // namespace pdekit
