#define POINTERHOLDER_TRANSITION 4
#include "PdfTestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "FilterInit.h"
#include "FilterJob.h"
#include "OutputPDFStream.h"

namespace nx::filter::test {
namespace {

volatile std::sig_atomic_t gPipeBroken = 0;
extern "C" void OnPipe(int) { gPipeBroken = 1; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

[[noreturn]] void RunChild(const StepOptions& o, const std::string& tmpdir, const std::string& copy_path, int out_fd,
                           int err_fd) {
  setenv("TMPDIR", tmpdir.c_str(), 1);
  setenv("PPD", NX_SOURCE_DIR "/tests/FilterFrame/FilterInitTest.ppd", 1);
  setenv("NX_DATA_DIR", NX_SOURCE_DIR "/CommonSource/FilterFrame/Resources", 1);
  unsetenv("LANG");
  unsetenv("APPLE_LANGUAGE");
  for (const auto& [name, value] : o.env) {
    if (value.empty()) {
      unsetenv(name.c_str());
    } else {
      setenv(name.c_str(), value.c_str(), 1);
    }
  }
  const int in = ::open(o.stdin_path.c_str(), O_RDONLY);
  ::dup2(in, 0);
  ::dup2(out_fd, 1);
  ::dup2(err_fd, 2);
  for (const int fd : {in, out_fd, err_fd}) {
    if (fd > 2) ::close(fd);
  }
  std::signal(SIGPIPE, OnPipe);
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit fsize{o.file_size_limit, o.file_size_limit};
  setrlimit(RLIMIT_FSIZE, &fsize);
  if (o.extra_open_files >= 0) {
    const int next = ::dup(0);  // the lowest free descriptor
    ::close(next);
    const rlimit files{static_cast<rlim_t>(next + o.extra_open_files), static_cast<rlim_t>(next + o.extra_open_files)};
    setrlimit(RLIMIT_NOFILE, &files);
  }
  std::vector<std::string> args = {"jobfilter"};
  args.insert(args.end(), o.args.begin(), o.args.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  // The job as the main flow sets it up; with the wrong argument count it stays without a PPD.
  auto job = std::make_unique<FilterJob>();
  (void)Initialize(static_cast<int>(args.size()), argv.data(), *job);
  std::string error;
  if (o.job_copy && !job->copy.Open(copy_path, error)) ::_exit(0x0f);
  const int result = OutputPDFStream(*job);
  std::fflush(stdout);
  job->copy.Close();
  ::_exit((result & 0x0f) | (gPipeBroken ? 0x10 : 0));
}

}  // namespace

// Folders made by PdfTestDir, removed when the test program ends (children leave with _exit).
struct PdfTestDirs {
  std::vector<std::string> dirs;
  ~PdfTestDirs() {
    std::error_code ignored;
    for (const auto& d : dirs) std::filesystem::remove_all(d, ignored);
  }
};

std::string PdfTestDir() {
  static PdfTestDirs made;
  char name[] = "/tmp/nxpdftest.XXXXXX";
  const char* dir = ::mkdtemp(name);
  EXPECT_NE(dir, nullptr);
  if (!dir) return "/tmp";
  made.dirs.push_back(dir);
  return dir;
}

std::vector<std::string> StepArgs(const std::string& raster_path) {
  return {"42", "alice", "Quarterly report", "1", "", raster_path};
}

StepResult RunDocumentStep(const StepOptions& o) {
  const std::string dir = PdfTestDir();
  const std::string tmpdir = dir + "/tmp";
  ::mkdir(tmpdir.c_str(), 0700);
  const std::string copy_path = dir + "/job.copy";
  int out_pipe[2], err_pipe[2];
  EXPECT_EQ(::pipe(out_pipe), 0);
  EXPECT_EQ(::pipe(err_pipe), 0);
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    RunChild(o, tmpdir, copy_path, out_pipe[1], err_pipe[1]);
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  if (o.close_stdout_reader) ::close(out_pipe[0]);

  StepResult r;
  pollfd fds[2] = {{o.close_stdout_reader ? -1 : out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    if (::poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buf[65536];
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
      }
    }
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status)) << "document step died: " << r.err;
  if (WIFEXITED(status)) {
    r.result = WEXITSTATUS(status) & 0x0f;
    r.pipe_broken = (WEXITSTATUS(status) & 0x10) != 0;
  }
  r.job_copy = ReadFile(copy_path);
  if (DIR* d = ::opendir(tmpdir.c_str())) {
    while (const dirent* e = ::readdir(d)) {
      if (e->d_name[0] != '.') r.temp_left.push_back(e->d_name);
    }
    ::closedir(d);
  }
  return r;
}

std::vector<PdfPageInfo> InspectPdf(const std::string& pdf) {
  std::vector<PdfPageInfo> pages;
  QPDF doc;
  doc.processMemoryFile("output", pdf.data(), pdf.size());
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(doc).getAllPages()) {
    PdfPageInfo info;
    for (auto& v : page.getObjectHandle().getKey("/MediaBox").getArrayAsVector()) {
      info.media_box.push_back(v.getNumericValue());
    }
    const auto images = page.getImages();
    info.image_count = static_cast<int>(images.size());
    if (!images.empty()) {
      QPDFObjectHandle image = images.begin()->second;
      QPDFObjectHandle dict = image.getDict();
      info.width = dict.getKey("/Width").getIntValue();
      info.height = dict.getKey("/Height").getIntValue();
      info.bits = dict.getKey("/BitsPerComponent").getIntValue();
      info.color_space = dict.getKey("/ColorSpace").unparse();
      if (dict.hasKey("/Decode")) info.decode = dict.getKey("/Decode").unparse();
      auto data = image.getStreamData(qpdf_dl_all);
      info.samples.assign(data->getBuffer(), data->getBuffer() + data->getSize());
    }
    pages.push_back(std::move(info));
  }
  return pages;
}

bool QpdfCheck(const std::string& pdf, std::string& output) {
  const std::string dir = PdfTestDir();
  WriteFile(dir + "/check.pdf", pdf);
  std::FILE* p = ::popen(("qpdf --check " + dir + "/check.pdf 2>&1").c_str(), "r");
  if (!p) return false;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
  return ::pclose(p) == 0;
}

std::vector<std::uint8_t> RenderPage(const std::string& pdf, int page, unsigned width, unsigned height) {
  const std::string dir = PdfTestDir();
  WriteFile(dir + "/render.pdf", pdf);
  std::ostringstream cmd;
  cmd << "pdftoppm -gray -aa no -aaVector no -singlefile -f " << page << " -l " << page << " -scale-to-x "
      << width << " -scale-to-y " << height << " " << dir << "/render.pdf " << dir << "/page";
  EXPECT_EQ(std::system(cmd.str().c_str()), 0);
  // P5, width, height, maxval, one whitespace, then the samples.
  std::ifstream in(dir + "/page.pgm", std::ios::binary);
  std::string magic;
  unsigned w = 0, h = 0, maxval = 0;
  in >> magic >> w >> h >> maxval;
  in.get();
  EXPECT_EQ(magic, "P5");
  EXPECT_EQ(w, width);
  EXPECT_EQ(h, height);
  std::vector<std::uint8_t> samples(static_cast<std::size_t>(w) * h);
  in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size()));
  return samples;
}

std::string CaptureStderr(const std::function<void()>& fn) {
  std::fflush(stderr);
  const int saved = ::dup(2);
  std::FILE* log = std::tmpfile();
  ::dup2(fileno(log), 2);
  fn();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  const std::string text = ReadFile("/proc/self/fd/" + std::to_string(fileno(log)));
  std::fclose(log);
  return text;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) lines.push_back(line);
  }
  return lines;
}

}  // namespace nx::filter::test
