// Fax jobs several tests set up, and the fax lines of the device header they give.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>

namespace nx::testing {

// A delayed send two hours after `now`, local time.
struct DelayedSend {
  int hour = 0;
  int minute = 0;
  std::string hhmm;  // "HH:MM", as typed into the job window
};

inline DelayedSend TwoHoursAfter(std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  DelayedSend send;
  send.hour = (local.tm_hour + 2) % 24;
  send.minute = local.tm_min;
  char hhmm[16];
  std::snprintf(hhmm, sizeof hhmm, "%02d:%02d", send.hour, send.minute);
  send.hhmm = hhmm;
  return send;
}

// The fax lines every example job of the fax kit queue starts with: the fax card, the outside
// line and IP fax kits, fine resolution and the report on error.
inline std::string FineFaxHeadLines() {
  return "@PJL SET JOBATTR=\"@FCRD=3\"\r\n"
         "@PJL SET JOBATTR=\"@OLEK=1\"\r\n"
         "@PJL SET JOBATTR=\"@IPFK=1\"\r\n"
         "@PJL SET RESOLUTION=200\r\n"
         "@PJL SET JOBATTR=\"@FARE=FINE\"\r\n"
         "@PJL SET JOBATTR=\"@TRRE=ONERROR\"\r\n";
}

// The fax lines of the header, from the fax card line to the closing line, for the job that the
// dialog-to-device tests set up in the panels: two typed recipients, a speed dial, fine
// resolution, report on error, a send delayed to `hhmm`; `dated` is that time as the panels date
// it ("YYYY:MM:DD:HH:MM").
inline std::string DelayedFaxJobLines(const std::string& hhmm, const std::string& dated) {
  return FineFaxHeadLines() + "@PJL SET JOBATTR=\"@DESE=" +
         hhmm +
         "\"\r\n"
         "@PJL SET JOBATTR=\"@FATM=" +
         dated +
         "\"\r\n"
         "@PJL SET JOBATTR=\"@TXHE=ON\"\r\n"
         "@PJL SET PAPER=A4\r\n"
         "@PJL SET JOBATTR=\"@FAEN=0312345678{20}{30}{7QWJj}{}comment\"\r\n"
         "@PJL SET JOBATTR=\"@FAEN=0398765432{20}{30}{7RGVm}{}comment\"\r\n"
         "@PJL SET JOBATTR=\"@FAEN='0012'{}comment\"\r\n"
         "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n";
}

// The fax lines of the header, from the fax card line to the closing line, for the direct fax
// example: fax kit, fine resolution, report on error, send header on, A4, a typed-in number and
// a speed dial.
inline std::string ExampleFaxLines() {
  return FineFaxHeadLines() +
         "@PJL SET JOBATTR=\"@TXHE=ON\"\r\n"
         "@PJL SET PAPER=A4\r\n"
         "@PJL SET JOBATTR=\"@FAEN=90312345678{20}{30}{7QWJj}{}comment\"\r\n"
         "@PJL SET JOBATTR=\"@FAEN='0012'{}comment\"\r\n"
         "@PJL SET JOBATTR=\"@IEXT=STANDARD\"\r\n";
}

// The whole header of the direct fax example, language switch included, for a job of alice from
// host mac1 at 192.168.1.10 with one page per sheet.
inline std::string ExampleFaxHeaderFromMac1() {
  return "\x1b%-12345X@PJL JOB MODE=DIRECTFAX\r\n"
         "@PJL SET JOBATTR=\"@CNAM=mac1\"\n"
         "@PJL SET JOBATTR=\"@LUNA=alice\"\n"
         "@PJL SET JOBATTR=\"@HOAD=IC0A8010A\"\n"
         "@PJL SET JOBATTR=\"@NLPP=1\"\n" +
         ExampleFaxLines() + "@PJL ENTER LANGUAGE=PDF\n";
}

}  // namespace nx::testing
