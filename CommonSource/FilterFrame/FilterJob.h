// One filter job: the names the main flow derives from the arguments, the option records the
// ticket readers fill and the TPJL tables point at, and what the job owns for its whole run: the
// job options parsed once, the queue's PPD opened and marked once, the device key read once,
// the device stream and the job copy file. Initialize (FilterInit.h) sets the job up; every
// step takes it from there, so no step parses the options or opens the PPD again.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FilterState.h"
#include "nx/cups/ppd_file.h"
#include "nx/ticket/option_array.h"

namespace nx::encrypt {
class DeviceKey;
}

namespace nx::filter {

// The job copy file: created new (never an existing file, never through a symbolic link) and
// open for the job; closed with its final permission bits by Finish, else by the destructor.
class JobCopyFile {
 public:
  JobCopyFile() = default;
  ~JobCopyFile();
  JobCopyFile(const JobCopyFile&) = delete;
  JobCopyFile& operator=(const JobCopyFile&) = delete;

  // False (with the system's error text) when the file cannot be created.
  bool Open(const std::string& path, std::string& error);
  std::FILE* get() const { return fp_; }
  // Flushes, sets the permission bits to 0676 and closes. False when the copy is incomplete: it is
  // then removed, so that no copy short of the job's bytes is left looking complete.
  bool Finish(std::string& error);
  // Closes and removes the copy: the job it would have copied was not sent in full.
  void Discard();
  // Closes the copy as it is.
  void Close();

 private:
  std::FILE* fp_ = nullptr;
  std::string path_;
};

// The device key passwords are re-encrypted under, read once per job: a deployment's installed
// key (DeviceKeyFile()) or the built-in one.
class JobDeviceKey {
 public:
  // The key, read and decoded at the first call (with the ticket readers, so that a program
  // without them links no cryptography).
  const encrypt::DeviceKey& Get() const;

 private:
  mutable std::shared_ptr<const encrypt::DeviceKey> key_;
};

// One job. Value-initialise (FilterJob job{} or std::make_unique<FilterJob>()) for the
// zero-filled start the readers and tables expect. About 20 KB: keep it off small stacks.
struct FilterJob {
  char StdUserName[255]{};
  char StdJBAUserName[33]{};
  char StdDocumentName[255]{};
  char PTStdDocumentName[256]{};
  char HostNameStr[33]{};
  char IPAddressStr[48]{};

  PrintTypeOption printType;
  JBAOption jba;
  JBAAdminOption jbaAdmin;
  FeaturesOption features;
  SpecialPageOption specialPage;
  DFaxSettingOption faxSetting;
  // Recipient items of the fax module, in index order; filled by its ticket reader.
  std::vector<std::array<char, kRecipientItemSize>> faxRecipientItems;
  // Set by the same reader; faxRecipientFaultIndex is the item index the fault was found at.
  RecipientListFault faxRecipientFault = RecipientListFault::kNone;
  std::int32_t faxRecipientFaultIndex = 0;

  // --- Set up once by Initialize ---------------------------------------------------------------
  int jobId = 0;                         // argument 1; 0 when it is not a number
  std::string user;                      // argument 2, UTF-8 as given
  std::string title;                     // argument 3, UTF-8 as given
  std::optional<std::string> inputFile;  // argument 6; none: the raster comes on standard input
  // Argument 5 parsed once; the standard options' ticket entries are added to it.
  nx::ticket::OptionArray options;
  // The queue's PPD, its defaults and then the job options marked; null without a usable one.
  nx::cups::PpdFilePtr ppd;
  // Without the PPD: the DEBUG line saying why, for the document step (which needs the PPD).
  std::string ppdFailure;
  JobDeviceKey deviceKey;

  // --- The device stream ------------------------------------------------------------------------
  std::FILE* out = stdout;
  // The job copy file, when the job keeps one: it gets every byte `out` gets (KTOutput.h).
  JobCopyFile copy;
};

}  // namespace nx::filter
