// Helpers shared by the ticket and engine tests: a job set up from an option string, a
// temporary folder, environment overrides and stream capture.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "FilterInit.h"
#include "FilterJob.h"
#include "TicketReader.h"

namespace nx::filter::test {

// The job options (argument 5 of the filter) of a test job.
class TestArgs {
 public:
  explicit TestArgs(std::string options) : options_(std::move(options)) {}
  // Sets `job` up with these options and the queue's PPD (environment PPD), as Initialize does.
  FilterJob& Into(FilterJob& job) const {
    job.options = TicketOptions(options_.c_str());
    OpenQueuePpd(job);
    return job;
  }

 private:
  std::string options_;
};

inline std::string Key(const char* name) { return std::string(kTicketKeyPrefix) + name; }

// The form in which a panel writes a text value: a byte list when the text starts with "/" or
// holds an apostrophe, a comma or a backslash.
inline std::string TicketForm(const std::string& text) {
  if (!text.empty() && text[0] != '/' && text.find_first_of("',\\") == std::string::npos) {
    return text;
  }
  std::string list;
  for (unsigned char c : text) list += "/" + std::to_string(c);
  return list;
}

inline std::unique_ptr<FilterJob> FreshJob() { return std::make_unique<FilterJob>(); }

// A fresh job with `options` and the queue's PPD, for the readers.
inline std::unique_ptr<FilterJob> JobWith(const std::string& options) {
  auto job = FreshJob();
  TestArgs(options).Into(*job);
  return job;
}

// A folder removed with everything in it at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nxticketXXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or with nullopt unsets) an environment variable for the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

inline std::string ReadStream(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string s;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  return s;
}

// A temporary stream that collects what a writer sends.
class CapturedStream {
 public:
  CapturedStream() : f_(std::tmpfile()) {}
  ~CapturedStream() {
    if (f_) std::fclose(f_);
  }
  std::FILE* get() const { return f_; }
  std::string Contents() const { return ReadStream(f_); }

 private:
  std::FILE* f_;
};

}  // namespace nx::filter::test
