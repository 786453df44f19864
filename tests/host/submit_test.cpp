// One real submission: pdehost sends a job to a queue of a private print server
// (scripts/e2e-cupsd.sh) whose filter writes out the job options it was started with and the
// document; the panel's ticket entries arrive both as job attributes and as filter options.
#include <cups/cups.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "../platform/temp_dir.h"
#include "host_fixture.h"

namespace {

using namespace pdehost::testing;

int Shell(const std::string& command) {
  const int rc = std::system(command.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// The private server, stopped when the test ends whatever happens.
class PrivateServer {
 public:
  explicit PrivateServer(const std::string& root) : root_(root) {}
  ~PrivateServer() {
    if (started_) Shell(Script() + " stop " + root_ + " >/dev/null 2>&1");
  }
  bool Start(const std::string& filter) {
    if (Shell(Script() + " setup " + root_ + " " + filter + " >" + root_ + ".log 2>&1") != 0) return false;
    started_ = Shell(Script() + " start " + root_ + " >>" + root_ + ".log 2>&1") == 0;
    return started_;
  }
  std::string Socket() const { return root_ + "/run/cups.sock"; }
  std::string Env() const { return "CUPS_SERVER=" + Socket(); }

 private:
  static std::string Script() { return std::string("bash ") + NX_SOURCE_DIR + "/scripts/e2e-cupsd.sh"; }
  std::string root_;
  bool started_ = false;
};

struct HttpCloser {
  void operator()(http_t* h) const { httpClose(h); }
};
struct IppDeleter {
  void operator()(ipp_t* i) const { ippDelete(i); }
};

// The job's attributes once it has ended (or what there is at the deadline).
std::unique_ptr<ipp_t, IppDeleter> EndedJob(const std::string& socket, int id) {
  std::unique_ptr<http_t, HttpCloser> http(
      httpConnect2(socket.c_str(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_NEVER, 1, 10000, nullptr));
  if (!http) return nullptr;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const std::string uri = "ipp://localhost/jobs/" + std::to_string(id);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
    std::unique_ptr<ipp_t, IppDeleter> response(cupsDoRequest(http.get(), request, "/"));
    ipp_attribute_t* state = response ? ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM) : nullptr;
    if ((state && ippGetInteger(state, 0) >= IPP_JSTATE_STOPPED) || std::chrono::steady_clock::now() > deadline)
      return response;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

TEST(Submission, JobReachesTheQueueWithTheTicketEntries) {
  if (Shell("command -v cupsd >/dev/null 2>&1 || test -x /usr/sbin/cupsd") != 0) GTEST_SKIP() << "no cupsd";
  nx::testing::TempDir dir;
  chmod(dir.path().c_str(), 0755);  // the server's filters and backends run as another user
  // Stands in for jobfilter: the options of argument 5, then the document.
  nx::testing::WriteText(dir / "echofilter", "#!/bin/sh\nprintf '%s\\n' \"$5\"\nexec cat ${6:+\"$6\"}\n");
  chmod((dir / "echofilter").c_str(), 0755);
  nx::testing::WriteText(dir / "queue.ppd", nx::testing::ReadText(Scenarios("TestQueue.ppd")) +
                                                "*cupsFilter2: \"text/plain application/vnd.cups-raw 0 jobfilter\"\n");
  PrivateServer server(dir / "cups");
  ASSERT_TRUE(server.Start(dir / "echofilter")) << nx::testing::ReadText(dir / "cups.log");
  const std::string device = dir / "cups/out/Test_Queue.prn";
  // A queue that holds jobs for their recipients: a job with its ticket is not held.
  ASSERT_EQ(Shell(server.Env() + " lpadmin -p Test_Queue -E -o job-hold-until-default=indefinite -v file:" + device +
                  " -P " + dir / "queue.ppd" + " >" +
                  dir / "lpadmin.log" + " 2>&1"),
            0)
      << nx::testing::ReadText(dir / "lpadmin.log");

  nx::testing::WriteText(dir / "page.txt", "fax page\n");
  const std::string command = "env " + server.Env() + " NX_USER_PREFS_DIR=" + dir / "prefs" +
                              " NX_KERNEL_RELEASE=9.8 " + NX_PDEHOST + " -q Test_Queue -s " +
                              Scenarios("print_details.json") + " --submit " + dir / "page.txt" + " " +
                              NX_TEST_BUNDLES + " >" + dir / "out" + " 2>" + dir / "err";
  ASSERT_EQ(Shell(command), 0) << nx::testing::ReadText(dir / "err");
  const std::string out = nx::testing::ReadText(dir / "out");
  ASSERT_THAT(out, ::testing::StartsWith("request id is Test_Queue-"));
  const int id = std::atoi(out.c_str() + std::string("request id is Test_Queue-").size());
  ASSERT_GT(id, 0);

  auto job = EndedJob(server.Socket(), id);
  ASSERT_TRUE(job);
  ipp_attribute_t* state = ippFindAttribute(job.get(), "job-state", IPP_TAG_ENUM);
  ASSERT_TRUE(state);
  EXPECT_EQ(ippGetInteger(state, 0), IPP_JSTATE_COMPLETED) << nx::testing::ReadText(dir / "cups/log/error_log");
  ipp_attribute_t* note = ippFindAttribute(job.get(), Key("TestNoteTicket").c_str(), IPP_TAG_ZERO);
  ASSERT_TRUE(note);
  EXPECT_STREQ(ippGetString(note, 0, nullptr), "/97/44/98");
  ipp_attribute_t* user = ippFindAttribute(job.get(), Key("TestUserTicket").c_str(), IPP_TAG_ZERO);
  ASSERT_TRUE(user);
  EXPECT_STREQ(ippGetString(user, 0, nullptr), "alice");
  // The filter saw the same entries as its job options.
  const std::string written = nx::testing::ReadText(device);
  EXPECT_THAT(written, ::testing::HasSubstr(Key("TestNoteTicket") + "=/97/44/98"));
  EXPECT_THAT(written, ::testing::HasSubstr(Key("TestUserTicket") + "=alice"));
  EXPECT_THAT(written, ::testing::EndsWith("\nfax page\n")) << nx::testing::ReadText(dir / "cups/log/error_log");
}

}  // namespace
