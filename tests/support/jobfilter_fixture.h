// A private folder with a one-page raster, and the built jobfilter (NX_JOBFILTER) run on it as a
// print system would: the plug-in tests check what the dialog's job options become on the device.
#pragma once

#include <cups/raster.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace nx::testing {

class JobfilterTest : public ::testing::Test {
 protected:
  // The folder /tmp/<prefix>-XXXXXX with "page.ras": 32 x 16 gray pixels at 200 dpi, with an A4
  // page size and one copy when `a4`. Use with ASSERT_NO_FATAL_FAILURE.
  void MakeJobFolder(const std::string& prefix, bool a4) {
    std::string tmpl = "/tmp/" + prefix + "-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    raster_ = dir_ + "/page.ras";
    const int fd = ::open(raster_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_WRITE);
    cups_page_header2_t header{};
    header.cupsWidth = 32;
    header.cupsHeight = 16;
    header.HWResolution[0] = header.HWResolution[1] = 200;
    if (a4) {
      header.PageSize[0] = 595;
      header.PageSize[1] = 842;
      header.NumCopies = 1;
    }
    header.cupsBitsPerColor = header.cupsBitsPerPixel = 8;
    header.cupsBytesPerLine = 32;
    header.cupsColorOrder = CUPS_ORDER_CHUNKED;
    header.cupsColorSpace = CUPS_CSPACE_K;
    header.cupsNumColors = 1;
    ASSERT_TRUE(cupsRasterWriteHeader2(raster, &header));
    std::vector<unsigned char> line(32, 0x80);
    for (int y = 0; y < 16; ++y) ASSERT_EQ(cupsRasterWritePixels(raster, line.data(), 32), 32u);
    cupsRasterClose(raster);
    ::close(fd);
  }
  void TearDown() override {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  // What the filter wrote for job `id` of alice titled `title` with `options`, its temporary and
  // system folders in the job folder, `env` added ("NAME=value"); its standard error in errors_.
  // A filter that fails is a test failure.
  std::string RunJobfilter(const char* id, const char* title, const std::string& options,
                           const std::vector<std::string>& env = {}) {
    const std::string out = dir_ + "/out", err = dir_ + "/err";
    const std::string tmp = "TMPDIR=" + dir_, sys = "NX_SYSTEM_DIR=" + dir_, priv = "NX_PRIVATE_TMP=" + dir_;
    std::vector<const char*> envp{"CUPS_FILETYPE=document"};
    for (const std::string& e : env) envp.push_back(e.c_str());
    for (const std::string* e : {&tmp, &sys, &priv}) envp.push_back(e->c_str());
    envp.push_back(nullptr);
    const char* argv[] = {NX_JOBFILTER, id, "alice", title, "1", options.c_str(), raster_.c_str(), nullptr};
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(o, 1);
      ::dup2(e, 2);
      ::execve(NX_JOBFILTER, const_cast<char* const*>(argv), const_cast<char* const*>(envp.data()));
      ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::ifstream in(out, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::ifstream errIn(err);
    std::stringstream es;
    es << errIn.rdbuf();
    errors_ = es.str();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << errors_;
    return ss.str();
  }

  std::string dir_, raster_, errors_;
};

}  // namespace nx::testing
