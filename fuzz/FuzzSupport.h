// What the fuzz targets share: a check that ends the run with a message (assertions are compiled
// out of optimised builds), a private temporary folder per process, and paths into the source
// tree. Header-only, used by the libFuzzer programs and the replay programs alike.
#pragma once

#include <ftw.h>
#include <sys/stat.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#ifndef NX_SOURCE_DIR
#error "NX_SOURCE_DIR must name the source tree"
#endif

// Ends the process with the failed condition; libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(cond)                                                                     \
  do {                                                                                       \
    if (!(cond)) ::nx::fuzz::Fail(__FILE__, __LINE__, #cond);                                \
  } while (0)

namespace nx::fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
  std::fflush(stderr);
  std::abort();
}

inline std::string SourcePath(std::string_view relative) {
  return std::string(NX_SOURCE_DIR) + "/" + std::string(relative);
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

namespace detail {
inline std::string& PrivateDirPath() {
  static std::string path;
  return path;
}
inline int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }
inline void RemovePrivateDir() {
  if (!PrivateDirPath().empty()) ::nftw(PrivateDirPath().c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}
}  // namespace detail

// A folder of this process's own, made once (in /dev/shm when it exists, for speed) and removed
// at exit. Targets point TMPDIR and the system's folders into it, so that nothing an input
// names can reach a file outside it.
inline const std::string& PrivateDir() {
  std::string& path = detail::PrivateDirPath();
  if (path.empty()) {
    for (const char* base : {"/dev/shm", "/tmp"}) {
      std::string pattern = std::string(base) + "/nxfuzz.XXXXXX";
      if (::mkdtemp(pattern.data()) != nullptr) {
        path = pattern;
        break;
      }
    }
    FUZZ_CHECK(!path.empty());
    std::atexit(detail::RemovePrivateDir);
  }
  return path;
}

// Reads little pieces off the front of an input.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() {
    if (pos_ >= size_) return 0;
    return data_[pos_++];
  }
  // The bytes up to the next `separator` (consumed), or the rest.
  std::string_view Until(char separator) {
    const std::string_view rest = Rest();
    const std::size_t at = rest.find(separator);
    const std::string_view piece = rest.substr(0, at);
    pos_ += piece.size() + (at == std::string_view::npos ? 0 : 1);
    return piece;
  }
  std::string_view Rest() const {
    return {reinterpret_cast<const char*>(data_) + pos_, size_ - pos_};
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A stream into memory (what a job writes to standard output or its log), freed with the object.
class MemoryStream {
 public:
  MemoryStream() : file_(::open_memstream(&buffer_, &size_)) { FUZZ_CHECK(file_ != nullptr); }
  ~MemoryStream() {
    if (file_) std::fclose(file_);
    std::free(buffer_);
  }
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;
  std::FILE* get() const { return file_; }
  std::string Contents() {
    FUZZ_CHECK(std::fflush(file_) == 0);
    return std::string(buffer_, size_);
  }

 private:
  char* buffer_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

}  // namespace nx::fuzz
