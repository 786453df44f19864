// The desktop program on a real X server: a user opens a PDF in nxfax, types a fax number into
// the recipient window, adds it, confirms, and the private print server's device receives the
// job with that recipient. And an application's held job: the agent's notification on a private
// session bus, its action opening nxfax for the job, the recipient chosen there.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "E2eFixture.h"

extern char** environ;

namespace nx::e2e {
namespace {

#ifdef NX_NXFAX_PATH

bool OnPath(const std::string& program) { return RunCommand({"sh", "-c", "command -v " + program}).status == 0; }

// A program running beside the test, stopped (and waited for) when the object goes.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& extra_env, const std::string& out) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), extra_env.begin(), extra_env.end());
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() {
    if (pid_ <= 0 || reaped_) return;
    kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 50 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  bool started() const { return pid_ > 0; }
  bool running() const {
    if (pid_ <= 0 || reaped_) return false;
    if (waitpid(pid_, nullptr, WNOHANG) == 0) return true;
    reaped_ = true;
    return false;
  }

 private:
  pid_t pid_ = -1;
  mutable bool reaped_ = false;
};

class E2eDesktop : public E2eTest {
 protected:
  // A display number whose socket is free.
  static int FreeDisplay() {
    for (int n = 90 + getpid() % 50; n < 400; ++n)
      if (!FileExists("/tmp/.X11-unix/X" + std::to_string(n)) && !FileExists("/tmp/.X" + std::to_string(n) + "-lock"))
        return n;
    return -1;
  }
  // xdotool on the test's display; its output, or empty when it failed.
  std::string Xdo(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"timeout", "30", "xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    const CommandResult r = RunCommand(argv, {display_});
    EXPECT_EQ(r.status, 0) << "xdotool";
    return r.status == 0 ? r.output : std::string();
  }
  // Waits for a window whose title starts with `title`; its id, or empty.
  std::string Find(const std::string& title) {
    std::string id = Xdo({"search", "--sync", "--onlyvisible", "--name", "^" + title});
    id = id.substr(0, id.find('\n'));
    EXPECT_FALSE(id.empty()) << "no window " << title << "; " << Windows();
    // Let the toolkit finish showing it.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    return id;
  }
  // The titles of the windows on the screen, for failure messages.
  std::string Windows() {
    const CommandResult ids = RunCommand({"timeout", "10", "xdotool", "search", "--onlyvisible", "--name", "."}, {display_});
    std::string out = "windows:";
    size_t start = 0;
    for (size_t end; (end = ids.output.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string id = ids.output.substr(start, end - start);
      const CommandResult name = RunCommand({"timeout", "10", "xdotool", "getwindowname", id}, {display_});
      out += " [" + name.output.substr(0, name.output.find('\n')) + "]";
    }
    return out;
  }
  // The X server and the toolkit settle between the user's acts, as they would for a person.
  static void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(1200)); }
  // Without a window manager the toolkit does not make a new dialog its active window, and
  // drops the keys sent to it, until the user clicks a control in it, as a person would. The
  // point is given as a fraction of the window's size.
  void ClickAt(const std::string& id, double fx, double fy) {
    const std::string geometry = Xdo({"getwindowgeometry", "--shell", id});
    std::smatch x, y, w, h;
    ASSERT_TRUE(std::regex_search(geometry, x, std::regex("X=(-?[0-9]+)")) &&
                std::regex_search(geometry, y, std::regex("Y=(-?[0-9]+)")) &&
                std::regex_search(geometry, w, std::regex("WIDTH=([0-9]+)")) &&
                std::regex_search(geometry, h, std::regex("HEIGHT=([0-9]+)")))
        << geometry;
    const int cx = std::stoi(x[1]) + static_cast<int>(std::stoi(w[1]) * fx);
    const int cy = std::stoi(y[1]) + static_cast<int>(std::stoi(h[1]) * fy);
    Xdo({"mousemove", "--sync", std::to_string(cx), std::to_string(cy), "click", "1"});
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
  }
  void Key(const std::string& key) {
    Xdo({"key", key});
    Pause();
  }
  // Characters by their key names (xdotool type would remap keys for them, and a toolkit that
  // reads the events after the mapping is restored would see other keys).
  void Type(const std::string& text) {
    std::vector<std::string> args{"key", "--delay", "150"};
    for (char c : text) args.emplace_back(1, c);
    Xdo(args);
    Pause();
  }

  // A virtual X server on a free display, which display_ then names.
  void StartX(std::unique_ptr<Child>* x) {
    const int n = FreeDisplay();
    ASSERT_GT(n, 0);
    display_ = "DISPLAY=:" + std::to_string(n);
    *x = std::make_unique<Child>(
        std::vector<std::string>{"Xvfb", ":" + std::to_string(n), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
        std::vector<std::string>{}, work_.path() + "/xvfb.log");
    ASSERT_TRUE((*x)->started());
    for (int i = 0; i < 100 && !FileExists("/tmp/.X11-unix/X" + std::to_string(n)); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(FileExists("/tmp/.X11-unix/X" + std::to_string(n))) << ReadFile(work_.path() + "/xvfb.log");
  }

  std::string display_;
};

TEST_F(E2eDesktop, TypedFaxNumberReachesTheDevice) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax"));
  const std::string pdf = Document(1);

  std::unique_ptr<Child> x;
  ASSERT_NO_FATAL_FAILURE(StartX(&x));

  const std::string out = work_.path() + "/nxfax.out";
  const std::string runtime = work_.path() + "/runtime";
  ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
  Child nxfax({NX_NXFAX_PATH, "--bundles", NX_FAXPDE_BUNDLES_DIR, pdf},
              {display_, server_->client_env(), "QT_QPA_PLATFORM=xcb", "LANGUAGE=en", "LANG=C.UTF-8",
               "NX_USER_PREFS_DIR=" + work_.path() + "/prefs", "NX_ANY_USER_PREFS_DIR=" + work_.path() + "/anyprefs",
               "XDG_DATA_HOME=" + work_.path() + "/data", "XDG_RUNTIME_DIR=" + runtime},
              out);
  ASSERT_TRUE(nxfax.started());

  // The window found the queue with our PPD by itself; Send. (The program's first window does
  // become active.)
  const std::string main = Find("Send Fax$");
  ASSERT_FALSE(main.empty()) << ReadFile(out);
  Xdo({"windowfocus", "--sync", main});
  Pause();
  Key("alt+s");
  // The recipient window: a click into the fax number field (left column, third row), the
  // number, Tab to Add To List, Space, then Return for OK.
  const std::string recipients = Find("Fax Recipients");
  ASSERT_FALSE(recipients.empty()) << ReadFile(out);
  ASSERT_NO_FATAL_FAILURE(ClickAt(recipients, 0.30, 0.245));
  Type("0312345678");
  Key("Tab");
  Key("space");
  Key("Return");
  // The job confirmation: a click into its recipient list, then Return for OK.
  const std::string confirmation = Find("Job Confirmation");
  ASSERT_FALSE(confirmation.empty()) << Windows() << "\n" << ReadFile(out);
  ASSERT_NO_FATAL_FAILURE(ClickAt(confirmation, 0.5, 0.3));
  Key("Return");

  std::smatch m;
  std::string printed;
  for (int i = 0; i < 100; ++i) {
    printed = ReadFile(out);
    if (std::regex_search(printed, m, std::regex("request id is fax-([0-9]+)"))) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ASSERT_FALSE(m.empty()) << printed;
  const JobOutcome job = server_->WaitForJob("fax", std::stoi(m[1]));
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message;
  const std::string device = server_->DeviceOutput("fax");
  EXPECT_NE(device.find("@PJL SET JOBATTR=\"@FAEN=0312345678{"), std::string::npos) << Visible(device.substr(0, 2000));
  // The window follows the job to its end.
  EXPECT_TRUE(nxfax.running());
}

#if defined(NX_AGENT_PATH) && defined(NX_NOTIFICATION_STANDIN)

// Ends the processes whose ids a file names (programs that others started) when the object goes,
// then waits a moment for `parent`, when given, to end by itself.
class KillByPidFile {
 public:
  explicit KillByPidFile(std::string path, const Child* parent = nullptr) : path_(std::move(path)), parent_(parent) {}
  ~KillByPidFile() {
    std::ifstream in(path_);
    for (pid_t pid = 0; in >> pid;)
      if (pid > 1) kill(pid, SIGTERM);
    for (int i = 0; parent_ && parent_->running() && i < 50; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }

 private:
  std::string path_;
  const Child* parent_;
};

struct Notice {
  unsigned id = 0;
  long long micros = 0;  // the wall clock when the service got it
  std::string text;      // summary, body and actions, tab-separated
};

// The Notify calls the stand-in service recorded.
std::vector<Notice> Notices(const std::string& record) {
  std::vector<Notice> out;
  std::istringstream in(ReadFile(record));
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_match(line, m, std::regex("notify ([0-9]+) ([0-9]+) (.*)")))
      out.push_back({static_cast<unsigned>(std::stoul(m[1])), std::stoll(m[2]), m[3]});
  }
  return out;
}

long long NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

TEST_F(E2eDesktop, HeldJobIsNotifiedOnceItsActionOpensNxfaxAndTheChosenRecipientReachesTheDevice) {
  if (!OnPath("Xvfb") || !OnPath("xdotool") || !OnPath("dbus-run-session"))
    GTEST_SKIP() << "Xvfb, xdotool or dbus-run-session is not installed";
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {{"job-hold-until-default", "indefinite"}}));
  const std::string pdf = Document(1);
  std::unique_ptr<Child> x;
  ASSERT_NO_FATAL_FAILURE(StartX(&x));

  // A private session bus whose program is the notification service; it takes the action of the
  // sixth notification. The bus's address comes from the service's environment.
  const std::string record = work_.path() + "/notices";
  const std::string address_file = work_.path() + "/bus";
  Child bus({"dbus-run-session", "--", "sh", "-c",
             "echo $$ > \"$0\"; echo \"$DBUS_SESSION_BUS_ADDRESS\" > \"$1\"; exec \"$2\" \"$3\" choose 6",
             work_.path() + "/service.pid", address_file, NX_NOTIFICATION_STANDIN, record},
            {}, work_.path() + "/bus.log");
  ASSERT_TRUE(bus.started());
  // The service goes first: the session then takes its bus down and ends.
  KillByPidFile stop_service(work_.path() + "/service.pid", &bus);
  for (int i = 0; i < 100 && ReadFile(record).find("ready") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_NE(ReadFile(record).find("ready"), std::string::npos) << ReadFile(work_.path() + "/bus.log");
  std::string address = ReadFile(address_file);
  address = address.substr(0, address.find('\n'));

  // The dialog the action starts: nxfax with the built plug-ins; its id is kept to end it.
  const std::string runtime = work_.path() + "/runtime";
  ASSERT_EQ(mkdir(runtime.c_str(), 0700), 0);
  const std::string dialog = work_.path() + "/dialog.sh";
  const std::string dialog_out = work_.path() + "/nxfax.out";
  KillByPidFile stop_dialog(work_.path() + "/dialog.pid");
  ASSERT_TRUE(WriteFile(dialog, "#!/bin/sh\necho $$ >> '" + work_.path() + "/dialog.pid'\nexec '" NX_NXFAX_PATH
                                    "' --bundles '" NX_FAXPDE_BUNDLES_DIR "' \"$@\" >> '" + dialog_out + "' 2>&1\n"));
  ASSERT_EQ(chmod(dialog.c_str(), 0755), 0);
  const std::string agent_out = work_.path() + "/agent.out";
  Child agent({NX_AGENT_PATH, "--follow", "--dialog", dialog},
              {display_, server_->client_env(), "DBUS_SESSION_BUS_ADDRESS=" + address, "QT_QPA_PLATFORM=xcb",
               "LANGUAGE=en", "LANG=C.UTF-8", "NX_USER_PREFS_DIR=" + work_.path() + "/prefs",
               "NX_ANY_USER_PREFS_DIR=" + work_.path() + "/anyprefs", "XDG_DATA_HOME=" + work_.path() + "/data",
               "XDG_RUNTIME_DIR=" + runtime},
              agent_out);
  ASSERT_TRUE(agent.started());
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));

  // Five jobs, one at a time: from `lp` returning to the service's Notify. Each is cancelled
  // before the next, and its notification is taken back.
  auto lp = [&] {
    const CommandResult r = RunCommand({"lp", "-d", "fax", pdf}, {server_->client_env()});
    std::smatch id;
    EXPECT_TRUE(std::regex_search(r.output, id, std::regex("request id is fax-([0-9]+)"))) << r.output;
    return id.empty() ? 0 : std::stoi(id.str(1));
  };
  std::vector<double> delays;
  for (size_t run = 1; run <= 5; ++run) {
    std::this_thread::sleep_for(std::chrono::milliseconds(170 * run));  // over the poll's phase
    const int id = lp();
    const long long returned = NowMicros();
    ASSERT_GT(id, 0);
    std::vector<Notice> notices;
    for (int i = 0; i < 500 && (notices = Notices(record)).size() < run; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(notices.size(), run) << ReadFile(agent_out);
    delays.push_back((notices.back().micros - returned) / 1000.0);
    EXPECT_EQ(notices.back().text,
              "Fax: choose recipients for doc.pdf\tfax \u2013 ipp://localhost/jobs/" + std::to_string(id) +
                  "\tdefault,Choose recipients,choose,Choose recipients");
    const CommandResult cancel = RunCommand({"cancel", "fax-" + std::to_string(id)}, {server_->client_env()});
    ASSERT_EQ(cancel.status, 0) << cancel.output;
    const std::string closed = "close " + std::to_string(notices.back().id);
    for (int i = 0; i < 300 && ReadFile(record).find(closed) == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(ReadFile(record).find(closed), std::string::npos) << ReadFile(record);
  }
  std::vector<double> sorted = delays;
  std::sort(sorted.begin(), sorted.end());
  std::cout << "[ notice ] lp to the desktop notification:";
  for (double d : delays) std::cout << " " << static_cast<int>(d) << " ms";
  std::cout << " (median " << static_cast<int>(sorted[2]) << " ms)\n";
  EXPECT_LT(sorted[2], 1000);

  // The sixth: the service takes its action, nxfax opens on the job, the user sends it with a
  // typed number.
  const int id = lp();
  ASSERT_GT(id, 0);
  const std::string main = Find("Send Fax: doc.pdf$");
  ASSERT_FALSE(main.empty()) << ReadFile(record) << ReadFile(agent_out) << ReadFile(dialog_out);
  EXPECT_EQ(Notices(record).size(), 6u) << "a job is notified once";
  Xdo({"windowfocus", "--sync", main});
  Pause();
  Key("alt+s");
  const std::string recipients = Find("Fax Recipients");
  ASSERT_FALSE(recipients.empty()) << ReadFile(dialog_out);
  ASSERT_NO_FATAL_FAILURE(ClickAt(recipients, 0.30, 0.245));
  Type("0312345678");
  Key("Tab");
  Key("space");
  Key("Return");
  const std::string confirmation = Find("Job Confirmation");
  ASSERT_FALSE(confirmation.empty()) << Windows() << "\n" << ReadFile(dialog_out);
  ASSERT_NO_FATAL_FAILURE(ClickAt(confirmation, 0.5, 0.3));
  Key("Return");

  const JobOutcome job = server_->WaitForJob("fax", id);
  EXPECT_EQ(job.state, IPP_JSTATE_COMPLETED) << job.job_message << ReadFile(dialog_out);
  const std::string device = server_->DeviceOutput("fax");
  EXPECT_NE(device.find("@PJL SET JOBATTR=\"@FAEN=0312345678{"), std::string::npos) << Visible(device.substr(0, 2000));
  // The preview came from the held document, and the job's notification was taken back.
  EXPECT_EQ(ReadFile(dialog_out).find("cannot read the document"), std::string::npos) << ReadFile(dialog_out);
  const std::string closed = "close " + std::to_string(Notices(record).back().id);
  for (int i = 0; i < 300 && ReadFile(record).find(closed) == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(ReadFile(record).find(closed), std::string::npos) << ReadFile(record);
}

#endif

#endif

}  // namespace
}  // namespace nx::e2e
