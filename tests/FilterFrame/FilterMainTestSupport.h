// Helpers of the main-flow tests: the filter's argument vector, an in-process run of the whole
// flow with captured streams and doubles, and the byte strings of the header frame.
#pragma once

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FilterMain.h"
#include "KTOutput.h"
#include "OutputPDFStream.h"
#include "TicketTestSupport.h"
#include "nx/platform/network.h"
#include "nx/platform/system_version.h"

namespace nx::filter::test {

inline const std::string kHeadLine = "\x1b%-12345X@PJL JOB MODE=DIRECTFAX\r\n";
inline const std::string kEnterPdf = "@PJL ENTER LANGUAGE=PDF\n";
inline const std::string kTrailer = "\x1b%-12345X@PJL EOJ\n";
inline const std::string kFakeDocument = "%PDF-fake document\n";

// A ticket with `count` recipients (count 0: the count key is left out).
inline std::string RecipientOptions(int count) {
  if (count == 0) return Key("DFRecipientPaperSizeTicket") + "=A4";
  std::string options = Key("DFRecipientListCountTicket") + "=" + std::to_string(count) + " " +
                        Key("DFRecipientPaperSizeTicket") + "=A4";
  for (int i = 0; i < count; ++i) {
    options += " " + Key("DFRecipientListItemKeyTicket") + std::to_string(i) + "=ITEM" +
               std::to_string(i);
  }
  return options;
}

// argv of the filter: job user title copies options [file].
class FilterArgs {
 public:
  FilterArgs(std::string user, std::string title, std::string options,
             std::optional<std::string> file = std::nullopt)
      : strings_{"jobfilter", "7", std::move(user), std::move(title), "1", std::move(options)} {
    if (file) strings_.push_back(*file);
    for (std::string& s : strings_) pointers_.push_back(s.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(strings_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};

struct FlowRun {
  int status = -1;
  std::string out;
  std::string err;
  int documentCalls = 0;
  int dumpableDuringDocument = -1;  // PR_GET_DUMPABLE while the document step ran
  std::unique_ptr<FilterJob> job = std::make_unique<FilterJob>();
};

struct FlowSetup {
  std::string hostName = "faxhost";
  std::vector<std::string> addresses = {"192.168.1.10"};
  std::optional<std::string> kernelRelease = "6.1.0";
  std::time_t now = 1700000000;
  int documentResult = 0;
  std::FILE* out = nullptr;  // the device stream; nullptr: a captured temporary file
  bool realDocument = false;  // OutputPDFStream instead of the stand-in below
};

// Runs FilterMain in-process; the document step writes kFakeDocument through KTfwrite, unless
// the setup asks for the real one.
inline FlowRun RunFlow(FilterArgs& args, const FlowSetup& setup = {}) {
  FlowRun run;
  CapturedStream out;
  CapturedStream err;
  const platform::FixedNetwork network(setup.hostName, setup.addresses);
  const platform::FixedKernelRelease release(setup.kernelRelease);
  FilterMainServices services;
  services.out = setup.out ? setup.out : out.get();
  services.err = err.get();
  services.network = &network;
  services.kernelRelease = &release;
  services.now = [&] { return setup.now; };
  if (!setup.realDocument) {
    services.document = [&](FilterJob& job, std::string_view header) {
      ++run.documentCalls;
      EXPECT_EQ(&job, run.job.get());
      EXPECT_EQ(job.out, services.out);
      run.dumpableDuringDocument = ::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0);
      // A failed step writes nothing, as OutputPDFStream does.
      if (setup.documentResult == kDocumentFailed) return setup.documentResult;
      KTfwrite(header.data(), 1, header.size(), job);
      KTfwrite(kFakeDocument.data(), 1, kFakeDocument.size(), job);
      return setup.documentResult;
    };
  }
  run.status = FilterMain(args.argc(), args.argv(), *run.job, services);
  if (!setup.out) run.out = out.Contents();
  run.err = err.Contents();
  return run;
}

// The environment every flow test starts from: a document job, no PPD, private folders.
class FlowEnvironment {
 public:
  FlowEnvironment()
      : fileType_("CUPS_FILETYPE", "document"),
        ppd_("PPD", std::nullopt),
        tmp_("TMPDIR", folder_.path()),
        privateTmp_("NX_PRIVATE_TMP", folder_.path()),
        system_("NX_SYSTEM_DIR", folder_.path()),
        lang_("LANG", std::nullopt),
        appleLanguage_("APPLE_LANGUAGE", std::nullopt) {}
  const TempFolder& folder() const { return folder_; }
  void EnableJobCopy() const { WriteFile(folder_.File("nxjobcopy"), ""); }

 private:
  TempFolder folder_;
  ScopedEnv fileType_, ppd_, tmp_, privateTmp_, system_, lang_, appleLanguage_;
};

inline std::string ReadFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return "<missing>";
  std::string s = ReadStream(f);
  std::fclose(f);
  return s;
}

inline unsigned PermissionBits(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return 07777 + 1;
  return st.st_mode & 07777;
}

}  // namespace nx::filter::test
