// The fixture of the tests that run jobs through a private print server.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <iostream>
#include <memory>
#include <regex>
#include <string>

#include "DeviceStream.h"
#include "E2eSupport.h"
#include "JobTicket.h"
#include "PrivateCupsd.h"

namespace nx::e2e {

// The queue's PPD as shipped.
inline std::string FaxPpd() { return SourcePath("ppd/nxfax.ppd"); }

class E2eTest : public ::testing::Test {
 protected:
  // Starts the server; use with ASSERT_NO_FATAL_FAILURE.
  void StartServer(const ServerSettings& settings = {}) {
    ASSERT_TRUE(work_.ok());
    std::string error;
    server_ = PrivateCupsd::Start(settings, &error);
    ASSERT_TRUE(server_) << error;
  }
  void AddFaxQueue(const std::string& name, const OptionList& settings = {}) {
    std::string error;
    ASSERT_TRUE(server_->AddQueue(name, FaxPpd(), settings, &error)) << error;
  }
  // A marked test document of `pages` A4 pages.
  std::string Document(int pages, const std::string& name = "doc.pdf") {
    const std::string path = work_.path() + "/" + name;
    EXPECT_TRUE(MakeMarkedPdf(path, pages, 595, 842));
    return path;
  }
  // Submits the ticket as a print dialog host would (fitted to the server, FitTicketToServer) and
  // waits for the end; the outcome's id is 0 when the submission failed.
  JobOutcome RunJob(const std::string& queue, const std::string& file, const OptionList& ticket,
                    const std::string& title = "Quarterly report", const std::string& user = "alice") {
    OptionList options = ticket;
    std::string error;
    EXPECT_TRUE(FitTicketToServer(options, &error)) << error;
    return RunJobAsIs(queue, file, options, title, user);
  }
  // The same with the options exactly as given.
  JobOutcome RunJobAsIs(const std::string& queue, const std::string& file, const OptionList& options,
                        const std::string& title = "Quarterly report", const std::string& user = "alice") {
    std::string error;
    const int id = server_->Submit(queue, file, title, user, options, &error);
    EXPECT_GT(id, 0) << error;
    if (id <= 0) return {};
    JobOutcome outcome = server_->WaitForJob(queue, id);
    EXPECT_TRUE(outcome.ended) << "job " << id << " did not end, state " << outcome.state;
    return outcome;
  }

  void TearDown() override {
    if (HasFailure() && server_) {
      // The server's view of the jobs: the last lines of its log.
      const std::string log = server_->ErrorLog();
      const std::size_t keep = 12000;
      std::cerr << "---- print server log (end) ----\n"
                << (log.size() > keep ? log.substr(log.size() - keep) : log) << "\n";
    }
    server_.reset();
  }

  TempDir work_{"nxe2e-work"};
  std::unique_ptr<PrivateCupsd> server_;
};

// The client-identity lines of every job: the host name (its first 32 bytes) and the login user.
// The address line depends on the machine's resolver and is checked by TakeAddressLine instead.
inline std::string IdentityLines(const std::string& user) {
  char host[256] = {};
  std::string name = gethostname(host, sizeof host - 1) == 0 ? std::string(host).substr(0, 32) : "";
  std::string lines = name.empty() ? "@PJL SET JOBATTR=\"@CNAM=UnknownHost\"\n"
                                   : "@PJL SET JOBATTR=\"@CNAM=" + name + "\"\n";
  lines += "@PJL SET JOBATTR=\"@LUNA=" + user + "\"\n";
  return lines;
}
// Pages per sheet of a job submitted with the ticket alone (no number-up: "1"); lp adds the
// queue's default number-up=1, which gives "N1".
inline const std::string kNlppLine = "@PJL SET JOBATTR=\"@NLPP=1\"\n";

// Removes the client address line, if any, from the header; false when the line is there but
// not in the encoded form ("I" + 8 hex digits or "6" + 32 hex digits).
inline bool TakeAddressLine(std::string& header) {
  static const std::regex any("@PJL SET JOBATTR=\"@HOAD=[^\n]*\n");
  static const std::regex good("@PJL SET JOBATTR=\"@HOAD=(I[0-9A-F]{8}|6[0-9a-fA-F]{32})\"\n");
  std::smatch m;
  if (!std::regex_search(header, m, any)) return true;
  const bool ok = std::regex_match(m.str(0), good);
  header.erase(static_cast<std::size_t>(m.position(0)), static_cast<std::size_t>(m.length(0)));
  return ok;
}

}  // namespace nx::e2e
