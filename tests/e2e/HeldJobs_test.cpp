// Any application's print to the fax queue, completed in our own dialog: the queue holds a plain
// `lp` job, the agent notices it, the job survives a restart of the print server, and the agent
// completes it with two recipients chosen in the fax plug-in's windows. And the administrator's
// set-up: the operation policy refuses another user's forged edit and release and hides the
// job's values from them while the owner's requests work, and its undo gives back cupsd.conf
// byte for byte.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <regex>
#include <thread>

#include "E2eFixture.h"
#include "FaxDialog.h"
#include "nx/heldjobs/follower.h"
#include "nx/heldjobs/held_jobs.h"

namespace nx::e2e {
namespace {

#if defined(NX_AGENT_PATH) && defined(NX_SETUP_PATH) && defined(NX_FAXPDE_BUNDLES_DIR)

using namespace std::chrono_literals;
using nx::heldjobs::HeldJob;
using nx::heldjobs::LocalServer;

class E2eHeldJobs : public E2eTest {
 protected:
  // `lp -d QUEUE doc.pdf` as the current user; the job id.
  int Lp(const std::string& queue) {
    const CommandResult lp = RunCommand({"lp", "-d", queue, Document(1)}, {server_->client_env()});
    std::smatch id;
    EXPECT_TRUE(std::regex_search(lp.output, id, std::regex("request id is [^ ]+-([0-9]+)")))
        << lp.output;
    return id.empty() ? 0 : std::stoi(id.str(1));
  }
  std::unique_ptr<LocalServer> Local() {
    std::string error;
    auto local = LocalServer::ConnectSocket(server_->socket_path(), &error);
    EXPECT_TRUE(local) << error;
    return local;
  }
  std::vector<HeldJob> Held() {
    std::vector<HeldJob> jobs;
    std::string error;
    auto local = Local();
    EXPECT_TRUE(local && local->ListHeldJobs(&jobs, &error)) << error;
    return jobs;
  }
  std::vector<std::string> AgentEnv() {
    std::filesystem::create_directories(work_.path() + "/prefs/user");
    std::filesystem::create_directories(work_.path() + "/prefs/any");
    return {server_->client_env(), "NX_USER_PREFS_DIR=" + work_.path() + "/prefs/user",
            "NX_ANY_USER_PREFS_DIR=" + work_.path() + "/prefs/any", "NX_KERNEL_RELEASE=9.8.0"};
  }
};

TEST_F(E2eHeldJobs, LpJobIsHeldNoticedSurvivesARestartAndTheAgentCompletesItWithTwoRecipients) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {{"job-hold-until-default", "indefinite"}}));

  // Follow mode, polling once a second as the agent does: how long from `lp` to the notice.
  std::mutex mutex;
  std::vector<std::pair<int, std::chrono::steady_clock::time_point>> noticed;
  nx::heldjobs::FollowEvents events;
  events.needs_recipients = [&](const HeldJob& job) {
    std::lock_guard lock(mutex);
    noticed.emplace_back(job.id, std::chrono::steady_clock::now());
  };
  const std::string socket = server_->socket_path();
  nx::heldjobs::Follower follower(
      events, [&](std::string* e) { return LocalServer::ConnectSocket(socket, e); }, 3600s);
  std::atomic<bool> stop{false};
  std::thread follow([&] { follower.Run(stop, 1000ms); });
  std::vector<int> ids;
  std::vector<double> delays;
  for (int i = 0; i < 3; ++i) {
    std::this_thread::sleep_for(
        std::chrono::milliseconds(300 * i + 150));  // spread over the poll phase
    const auto before = std::chrono::steady_clock::now();
    const int id = Lp("fax");
    ASSERT_GT(id, 0);
    ids.push_back(id);
    const auto until = before + 5s;
    for (bool seen = false; !seen && std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(5ms)) {
      std::lock_guard lock(mutex);
      for (const auto& [job, at] : noticed) {
        if (job == id) {
          seen = true;
          delays.push_back(std::chrono::duration<double, std::milli>(at - before).count());
        }
      }
    }
  }
  stop = true;
  follow.join();
  ASSERT_EQ(delays.size(), 3u) << "a held job was not noticed within 5 s";
  std::cout << "[ notice ] lp to the agent's notice (1 s poll):";
  for (double d : delays) std::cout << " " << static_cast<int>(d) << " ms";
  std::cout << "\n";
  for (double d : delays) EXPECT_LT(d, 2500);

  // Held, with its document, without a ticket; the others are cancelled by their owner.
  std::vector<HeldJob> held = Held();
  ASSERT_EQ(held.size(), 3u);
  EXPECT_TRUE(held[0].NeedsRecipients());
  EXPECT_EQ(held[0].documents, 1);
  EXPECT_EQ(held[0].queue, "fax");
  std::string error;
  EXPECT_TRUE(Local()->Cancel(ids[1], &error)) << error;
  EXPECT_TRUE(Local()->Cancel(ids[2], &error)) << error;

  // With no agent running, the job is still held after the server restarts.
  ASSERT_TRUE(server_->Restart(&error)) << error;
  held = Held();
  ASSERT_EQ(held.size(), 1u);
  EXPECT_EQ(held[0].id, ids[0]);
  const CommandResult list = RunCommand({NX_AGENT_PATH, "--list"}, AgentEnv());
  EXPECT_NE(list.output.find("fax-" + std::to_string(ids[0]) + "  \"doc.pdf\""), std::string::npos)
      << list.output;
  EXPECT_NE(list.output.find("waiting for recipients"), std::string::npos) << list.output;

  const std::string scenario = work_.path() + "/scenario.json";
  ASSERT_TRUE(WriteFile(
      scenario,
      FaxScenario({R"({"action": "print"})", Rec(R"("action": "enter", "tag": 2, "text": "Abc")"),
                   Rec(R"("action": "enter", "tag": 7, "text": "0312345678")"),
                   Rec(R"("action": "click", "tag": 5)"),
                   Rec(R"("action": "enter", "tag": 2, "text": "Def")"),
                   Rec(R"("action": "enter", "tag": 7, "text": "0398765432")"),
                   Rec(R"("action": "click", "tag": 5)"), Rec(R"("action": "click", "tag": 19)"),
                   Job(R"("action": "click", "tag": 16)")})));
  const CommandResult agent = RunCommand(
      {NX_AGENT_PATH, "--complete", held[0].uri, "--scenario", scenario, NX_FAXPDE_BUNDLES_DIR},
      AgentEnv());
  ASSERT_EQ(agent.status, 0) << agent.output;
  const JobOutcome outcome = server_->WaitForJob("fax", ids[0]);
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.state, IPP_JSTATE_COMPLETED) << outcome.job_message;

  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  std::vector<std::string> recipients;
  for (const std::string& line : HeaderLines(stream.header))
    if (line.starts_with("@PJL SET JOBATTR=\"@FAEN=")) recipients.push_back(line);
  EXPECT_EQ(recipients, (std::vector<std::string>{
                            "@PJL SET JOBATTR=\"@FAEN=0312345678{20}{30}{7QWJj}{}comment\"\r\n",
                            "@PJL SET JOBATTR=\"@FAEN=0398765432{20}{30}{7RGVm}{}comment\"\r\n"}))
      << Visible(stream.header);
  const PdfReport pdf = ExaminePdf(stream.pdf, work_.path() + "/device.pdf");
  EXPECT_TRUE(pdf.check_passed) << pdf.check_output;
  EXPECT_EQ(pdf.pages, 1);
  EXPECT_TRUE(Held().empty());
}

// A free loopback port for the server's network listener.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  close(fd);
  return port;
}

struct HttpClose {
  void operator()(http_t* h) const { httpClose(h); }
};

// A request over the network listener in someone's name, without a password.
ipp_status_t Forged(int port, ipp_op_t op, int job, const std::string& user,
                    const OptionList& values, std::vector<std::string>* names = nullptr) {
  std::unique_ptr<http_t, HttpClose> http(
      httpConnect2("127.0.0.1", port, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 10000, nullptr));
  if (!http) return IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
  ipp_t* request = ippNewRequest(op);
  const std::string uri = "ipp://localhost/jobs/" + std::to_string(job);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               user.c_str());
  for (const auto& [k, v] : values)
    ippAddString(request, IPP_TAG_JOB, IPP_TAG_TEXT, k.c_str(), nullptr, v.c_str());
  // No password to give: the client library's prompt is answered with none.
  cupsSetPasswordCB2(
      [](const char*, http_t*, const char*, const char*, void*) -> const char* { return nullptr; },
      nullptr);
  ipp_t* response = cupsDoRequest(http.get(), request, "/");
  if (names && response) {
    for (ipp_attribute_t* a = ippFirstAttribute(response); a; a = ippNextAttribute(response))
      if (ippGetName(a) && ippGetGroupTag(a) == IPP_TAG_JOB) names->push_back(ippGetName(a));
  }
  ippDelete(response);
  return cupsLastError();
}

TEST_F(E2eHeldJobs,
       SetupPolicyRefusesForgedEditsHidesValuesKeepsTheOwnersAndUndoGivesBackCupsdConf) {
  const int port = FreePort();
  ASSERT_GT(port, 0);
  ServerSettings settings;
  settings.tcp_port = port;
  settings.default_auth_type = "Basic";
  ASSERT_NO_FATAL_FAILURE(StartServer(settings));
  const std::string conf_path = server_->root() + "/etc/cupsd.conf";
  const std::string conf_before = ReadFile(conf_path);
  ASSERT_FALSE(conf_before.empty());

  // The administrator creates the queue; its jobs are then held by default.
  const CommandResult setup = RunCommand({NX_SETUP_PATH, "--queue", "fax", "--device",
                                          "file:" + server_->DeviceFile("fax"), "--ppd", FaxPpd()},
                                         {server_->client_env()});
  ASSERT_EQ(setup.status, 0) << setup.output;
  const std::string conf_setup = ReadFile(conf_path);
  EXPECT_TRUE(conf_setup.starts_with(conf_before));
  EXPECT_NE(conf_setup.find("<Policy nxfax>"), std::string::npos);
  const int id = Lp("fax");
  ASSERT_GT(id, 0);
  ASSERT_EQ(Held().size(), 1u);

  // Someone claiming the owner's name over the network is refused; the job keeps no entry of
  // theirs.
  const std::string owner = Held()[0].user;
  const std::string key = TicketKey("DFaxSendHeaderTicket");
  EXPECT_GE(Forged(port, IPP_OP_SET_JOB_ATTRIBUTES, id, owner, {{key, "0"}}),
            IPP_STATUS_ERROR_BAD_REQUEST);
  EXPECT_GE(Forged(port, IPP_OP_RELEASE_JOB, id, owner, {}), IPP_STATUS_ERROR_BAD_REQUEST);
  EXPECT_GE(Forged(port, IPP_OP_CANCEL_JOB, id, owner, {}), IPP_STATUS_ERROR_BAD_REQUEST);
  ASSERT_EQ(Held().size(), 1u);
  EXPECT_FALSE(Held()[0].has_ticket);

  // A ticket the server refuses part way leaves nothing of itself: the job is still one to
  // complete.
  nx::heldjobs::CompletionResult refused =
      Local()->Complete(id, {{key, "1"}, {"job-sheets", std::string(300, 'x')}}, {});
  EXPECT_EQ(refused.outcome, nx::heldjobs::Completion::kRefused) << refused.message;
  refused = Local()->Complete(id, {{key, "1"}, {"job-priority", "urgent"}}, {});
  EXPECT_EQ(refused.outcome, nx::heldjobs::Completion::kRefused) << refused.message;
  ASSERT_EQ(Held().size(), 1u);
  EXPECT_TRUE(Held()[0].NeedsRecipients());

  // The owner, over the local socket, writes the ticket and keeps a timed hold; another user
  // reads none of the job's values, the owner all of them.
  nx::heldjobs::CompleteOptions timed;
  timed.hold_until = "23:59";
  const nx::heldjobs::CompletionResult result =
      Local()->Complete(id, {{key, "1"}, {"phone", "0312345678"}}, timed);
  EXPECT_EQ(result.outcome, nx::heldjobs::Completion::kKeptHeld) << result.message;
  std::vector<std::string> seen;
  EXPECT_EQ(Forged(port, IPP_OP_GET_JOB_ATTRIBUTES, id, "mallory", {}, &seen), IPP_STATUS_OK);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), key), 0);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), "job-name"), 0);
  nx::heldjobs::JobDetails details;
  std::string error;
  ASSERT_TRUE(Local()->GetJob(id, &details, &error)) << error;
  EXPECT_TRUE(details.job.has_ticket);
  EXPECT_EQ(details.job.hold_until, "23:59");

  // Undo: cupsd.conf as it was, byte for byte. The queue set-up created still has a job, so it is
  // kept (deleting it would cancel the job) and no longer holds new ones.
  const CommandResult undo = RunCommand({NX_SETUP_PATH, "--undo"}, {server_->client_env()});
  ASSERT_EQ(undo.status, 0) << undo.output;
  EXPECT_EQ(ReadFile(conf_path), conf_before);
  // The server reloads its configuration after the change: ask until it answers.
  std::vector<HeldJob> still;
  for (int i = 0; i < 50; ++i, std::this_thread::sleep_for(100ms)) {
    auto local = LocalServer::ConnectSocket(server_->socket_path(), &error);
    if (local && local->ListHeldJobs(&still, &error)) break;
  }
  ASSERT_EQ(still.size(), 1u) << error;
  EXPECT_TRUE(Local()->Cancel(id, &error)) << error;
  EXPECT_NE(undo.output.find("Queue fax is kept"), std::string::npos) << undo.output;
}

#endif

}  // namespace
}  // namespace nx::e2e
