// A time-of-day picker: the value is a 28-byte date-time record of which the hour and minute
// count. Its ticket text is the date and time at which the job should run: today, or tomorrow
// when the chosen time is earlier than the time at which the value was read.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "pdekit/BaseControl.h"

namespace pdekit {

class ClockControl : public BaseControl {
 public:
  using Clock = std::function<std::time_t()>;

  // CreateControl:IniData:ConstrainArray:AccessInfo:usernamein:SummaryStr:
  ClockControl(nx::platform::ui::Element* element, const ClockIniData* ini, const ConstrainTable* constrain,
               const DataAccessInfo* access, nx::platform::PrefUser user, const char* summaryKey);

  // The source of "now" (the system clock by default).
  void SetClock(Clock clock) { clock_ = std::move(clock); }

  bool InitializeCtrl(const nx::platform::Bundle* bundle, ppd_file_t* ppd) override;
  uint32_t GetCtrlDataSize() const override { return sizeof(LongDateRec); }
  const void* GetDefaultDataBlk() const override { return ini_; }
  uint32_t GetDefaultDataSize() const override { return ini_ ? sizeof(LongDateRec) : 0; }
  // Reads the picker's hour and minute and captures the current date and time.
  uint8_t* GetValueFromUI() override;
  void SetControlValueToUI() override;
  void SetExternalValueToUI(const void* value, uint32_t size) override;
  // "YYYY:MM:DD:HH:MM" of the chosen time, dated tomorrow when it is earlier than the captured
  // time of day.
  bool ConvertToTickectData(std::string& out) override;
  // "HH:MM".
  bool ConvertToPreferenceString(std::string& out) override;
  // "H:M" or "HH:MM" within a day; anything else is refused.
  bool ConvertFromPreferenceString(std::string_view text) override;
  // Localized summary key -> "HH:MM", while neither hidden nor disabled.
  void GetSummaryText(SummaryInfo& summary) override;

  LongDateRec GetControlTime() const;
  // The date and time captured at the last read.
  const LongDateRec& GetCapturedDateTime() const { return datetimerec; }

 private:
  void Capture();
  const ClockIniData* ini_;
  const char* summaryKey_;
  Clock clock_;
  LongDateRec datetimerec;
  std::time_t absoluteTime_ = 0;
  bool captured_ = false;
};

}  // namespace pdekit
