// An office with a fax print server: a desktop's queue, made by nxfax-setup --client with the
// desktop PPD, sends PDF on to the server's fax queue, where the filter makes the fax job and the
// server counts it. Two private print servers play desktop and server; the desktop reaches the
// server through this machine's outside address, so the server sees the job come from another
// computer (without such an address, through loopback: then the job counts as the server's own).
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <regex>
#include <thread>
#include <string>
#include <vector>

#include "DeviceStream.h"
#include "E2eFixture.h"
#include "FaxDialog.h"

namespace nx::e2e {
namespace {

#if defined(NX_SETUP_PATH) && defined(NX_CLIENT_PPD)

// This machine's first IPv4 address outside the loopback network; "" when it has none.
std::string OutsideAddress() {
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return {};
  std::string found;
  for (ifaddrs* a = list; a && found.empty(); a = a->ifa_next) {
    if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
    if ((ntohl(in->sin_addr.s_addr) >> 24) == 127) continue;
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) found = text;
  }
  freeifaddrs(list);
  return found;
}

int FreePortOn(const std::string& address) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  inet_pton(AF_INET, address.c_str(), &addr.sin_addr);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  close(fd);
  return port;
}

int RequestId(const std::string& lpOutput) {
  std::smatch id;
  return std::regex_search(lpOutput, id, std::regex("request id is [^ ]+-([0-9]+)")) ? std::stoi(id.str(1)) : 0;
}

// The header without the lines that name the computer the job came from.
std::vector<std::string> LinesNotNamingTheComputer(const std::string& header) {
  std::vector<std::string> kept;
  for (const std::string& line : HeaderLines(header)) {
    if (line.find("@CNAM=") == std::string::npos && line.find("@HOAD=") == std::string::npos) kept.push_back(line);
  }
  return kept;
}

std::string HeaderLine(const std::string& header, const std::string& attribute) {
  for (const std::string& line : HeaderLines(header)) {
    if (line.find(attribute) != std::string::npos) return line;
  }
  return {};
}

class E2eOfficeDeployment : public E2eTest {
 protected:
  void TearDown() override {
    if (HasFailure() && desktop_) {
      const std::string log = desktop_->ErrorLog();
      std::cerr << "--- desktop log ---\n" << (log.size() > 6000 ? log.substr(log.size() - 6000) : log) << "\n";
    }
    desktop_.reset();
    E2eTest::TearDown();
  }

  // The server with its shared fax queue "fax", reachable on this machine's outside address;
  // the desktop with both PPDs in its driver index and the queue "Fax" that nxfax-setup makes in
  // front of the server's. Use with ASSERT_NO_FATAL_FAILURE.
  void SetUpOffice() {
    outside_ = OutsideAddress();
    const std::string address = outside_.empty() ? "127.0.0.1" : outside_;
    ServerSettings serverSettings;
    serverSettings.tcp_address = address;
    serverSettings.tcp_port = FreePortOn(address);
    ASSERT_GT(serverSettings.tcp_port, 0);
    ASSERT_NO_FATAL_FAILURE(StartServer(serverSettings));
    // Jobs from other computers reach shared queues only.
    ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {{"printer-is-shared", "true"}}));

    std::filesystem::create_directories(models_.path() + "/norvalex");
    std::filesystem::copy_file(FaxPpd(), models_.path() + "/norvalex/nxfax.ppd");
    std::filesystem::copy_file(NX_CLIENT_PPD, models_.path() + "/norvalex/nxfax-client.ppd");
    ServerSettings desktopSettings;
    desktopSettings.model_dir = models_.path();
    std::string error;
    desktop_ = PrivateCupsd::Start(desktopSettings, &error);
    ASSERT_TRUE(desktop_) << error;
    const CommandResult listed = RunCommand({"lpinfo", "-m"}, {desktop_->client_env()});
    EXPECT_NE(listed.output.find("norvalex/nxfax.ppd Norvalex MFP Fax\n"), std::string::npos) << listed.output;
    EXPECT_NE(listed.output.find("norvalex/nxfax-client.ppd Norvalex MFP Fax Client"), std::string::npos);

    const std::string server = address + ":" + std::to_string(serverSettings.tcp_port);
    const CommandResult setup =
        RunCommand({NX_SETUP_PATH, "--client", "--server", server, "--remote-queue", "fax"}, {desktop_->client_env()});
    ASSERT_EQ(setup.status, 0) << setup.output;
    const CommandResult device = RunCommand({"lpstat", "-v", "Fax"}, {desktop_->client_env()});
    EXPECT_NE(device.output.find("ipp://" + server + "/printers/fax"), std::string::npos) << device.output;
    EXPECT_NE(desktop_->QueuePpd("Fax").find("*cupsFilter2: \"application/pdf application/pdf 0 -\""),
              std::string::npos);
  }

  // Both jobs are alice's: the server would take a root job from another computer as its
  // RemoteRoot user ("remroot").
  static std::vector<std::string> UserEnv(std::vector<std::string> env) {
    env.push_back("CUPS_USER=alice");
    return env;
  }

  // Runs `submit` (a command with its job id in the output) against the desktop and waits for the
  // server's job; returns the device stream the server's queue wrote. Use with
  // ASSERT_NO_FATAL_FAILURE.
  void ThroughDesktop(const std::vector<std::string>& submit, const std::vector<std::string>& env, std::string* stream) {
    std::vector<std::string> all = UserEnv(env);
    all.push_back(desktop_->client_env());
    const CommandResult sent = RunCommand(submit, all);
    ASSERT_EQ(sent.status, 0) << sent.output;
    ASSERT_GT(RequestId(sent.output), 0) << sent.output;
    // The server's job appears once the desktop sent it on.
    const JobOutcome forwarded = server_->WaitForJob("fax", ++serverJobs_);
    ASSERT_EQ(forwarded.state, IPP_JSTATE_COMPLETED) << forwarded.job_message;
    *stream = server_->DeviceOutput("fax");
    ASSERT_TRUE(std::filesystem::remove(server_->DeviceFile("fax")));
  }
  // The same on the server itself, to its queue "fax".
  void OnServer(const std::vector<std::string>& submit, const std::vector<std::string>& env, std::string* stream) {
    std::vector<std::string> all = UserEnv(env);
    all.push_back(server_->client_env());
    const CommandResult sent = RunCommand(submit, all);
    ASSERT_EQ(sent.status, 0) << sent.output;
    ++serverJobs_;
    ASSERT_EQ(server_->WaitForJob("fax", RequestId(sent.output)).state, IPP_JSTATE_COMPLETED);
    *stream = server_->DeviceOutput("fax");
    ASSERT_TRUE(std::filesystem::remove(server_->DeviceFile("fax")));
  }

  // The job sent on by the desktop has the header of the same job printed on the server, except
  // the lines that name the computer it was printed on: the desktop's address, not the server.
  void ExpectSameJobFromTheDesktop(const std::string& viaDesktop, const std::string& onServer) {
    const DeviceStream remote = SplitDeviceStream(viaDesktop);
    const DeviceStream local = SplitDeviceStream(onServer);
    ASSERT_TRUE(remote.ok) << remote.problem;
    ASSERT_TRUE(local.ok) << local.problem;
    EXPECT_EQ(LinesNotNamingTheComputer(remote.header), LinesNotNamingTheComputer(local.header));
    if (outside_.empty()) {
      EXPECT_EQ(remote.header, local.header);
      return;
    }
    in_addr in{};
    ASSERT_EQ(inet_pton(AF_INET, outside_.c_str(), &in), 1);
    const std::uint32_t a = ntohl(in.s_addr);
    char hex[16] = {};
    std::snprintf(hex, sizeof hex, "I%02X%02X%02X%02X", a >> 24, (a >> 16) & 0xFF, (a >> 8) & 0xFF, a & 0xFF);
    EXPECT_EQ(HeaderLine(remote.header, "@CNAM="), "@PJL SET JOBATTR=\"@CNAM=" + outside_ + "\"\n");
    EXPECT_EQ(HeaderLine(remote.header, "@HOAD="), std::string("@PJL SET JOBATTR=\"@HOAD=") + hex + "\"\n");
    EXPECT_NE(HeaderLine(local.header, "@CNAM="), HeaderLine(remote.header, "@CNAM="));
  }

  std::unique_ptr<PrivateCupsd> desktop_;
  TempDir models_{"nxmodels"};
  std::string outside_;
  int serverJobs_ = 0;
};

TEST_F(E2eOfficeDeployment, LpFromTheDesktopIsFaxedAndCountedByTheServer) {
  ASSERT_NO_FATAL_FAILURE(SetUpOffice());
  const std::string doc = Document(2);
  const std::vector<std::string> job = {"-o", "phone=0312345678", "-o", "job-billing=dept7", doc};
  std::vector<std::string> fromDesktop = {"lp", "-d", "Fax", "-o", "job-hold-until=no-hold"};
  fromDesktop.insert(fromDesktop.end(), job.begin(), job.end());
  std::string viaDesktop, here;
  ASSERT_NO_FATAL_FAILURE(ThroughDesktop(fromDesktop, {}, &viaDesktop));
  std::vector<std::string> onServer = {"lp", "-d", "fax"};
  onServer.insert(onServer.end(), job.begin(), job.end());
  ASSERT_NO_FATAL_FAILURE(OnServer(onServer, {}, &here));
  ExpectSameJobFromTheDesktop(viaDesktop, here);

  // The server counted the forwarded job's pages and its account.
  const std::string pageLog = ReadFile(server_->root() + "/log/page_log");
  EXPECT_TRUE(std::regex_search(pageLog, std::regex("(^|\n)fax alice 1 \\S+ \\S+ total 2 dept7 "))) << pageLog;

  // The desktop queue was nxfax-setup's own: undoing the set-up deletes it once its job is done
  // (the desktop's backend follows the server's job to its end).
  for (int i = 0; i < 100 && !RunCommand({"lpstat", "-o", "Fax"}, {desktop_->client_env()}).output.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const CommandResult undo = RunCommand({NX_SETUP_PATH, "--undo"}, {desktop_->client_env()});
  ASSERT_EQ(undo.status, 0) << undo.output;
  EXPECT_EQ(RunCommand({"lpstat", "-v"}, {desktop_->client_env()}).output.find("Fax"), std::string::npos)
      << undo.output;
}

#if defined(NX_PDEHOST_PATH) && defined(NX_FAXPDE_BUNDLES_DIR)

TEST_F(E2eOfficeDeployment, DialogOnTheDesktopGivesTheServersFaxJob) {
  ASSERT_NO_FATAL_FAILURE(SetUpOffice());
  const std::string scenario = work_.path() + "/scenario.json";
  ASSERT_TRUE(WriteFile(scenario, FaxScenario({R"({"action": "print"})",
                                               Rec(R"("action": "enter", "tag": 2, "text": "Abc")"),
                                               Rec(R"("action": "enter", "tag": 7, "text": "0312345678")"),
                                               Rec(R"("action": "click", "tag": 5)"),
                                               Rec(R"("action": "click", "tag": 19)"),
                                               Job(R"("action": "click", "tag": 16)")})));
  std::filesystem::create_directories(work_.path() + "/prefs/user");
  std::filesystem::create_directories(work_.path() + "/prefs/any");
  const std::vector<std::string> env{"NX_USER_PREFS_DIR=" + work_.path() + "/prefs/user",
                                     "NX_ANY_USER_PREFS_DIR=" + work_.path() + "/prefs/any",
                                     "NX_KERNEL_RELEASE=9.8.0"};
  const std::string doc = Document(1);
  const auto dialog = [&](const std::string& queue) {
    return std::vector<std::string>{NX_PDEHOST_PATH, "--queue", queue,    "--submit", doc, "--title",
                                    "Invoice",       "--scenario", scenario, NX_FAXPDE_BUNDLES_DIR};
  };
  std::string viaDesktop, here;
  ASSERT_NO_FATAL_FAILURE(ThroughDesktop(dialog("Fax"), env, &viaDesktop));
  ASSERT_NO_FATAL_FAILURE(OnServer(dialog("fax"), env, &here));
  ExpectSameJobFromTheDesktop(viaDesktop, here);
  EXPECT_NE(viaDesktop.find("FAEN="), std::string::npos);
}

#endif

#endif

}  // namespace
}  // namespace nx::e2e
