// Byte-at-a-time input for the file parsers, over memory or over a file read in chunks.
//
// The parsers never hold more of a file than one chunk, so a damaged or huge file costs time
// proportional to its size and a fixed amount of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace nx::phonebook::detail {

class ByteSource {
 public:
  static constexpr int kEnd = -1;

  virtual ~ByteSource() = default;

  // The next byte (0-255), or kEnd at the end of the data or after a read failure.
  int Get() {
    if (cur_ < end_) return *cur_++;
    return Refill() ? *cur_++ : kEnd;
  }
  // The bytes available without reading, refilling first when there are none; empty at the end
  // of the data. Skip(n) consumes n of them.
  std::pair<const std::uint8_t*, std::size_t> Buffered() {
    if (cur_ == end_ && !Refill()) return {nullptr, 0};
    return {cur_, static_cast<std::size_t>(end_ - cur_)};
  }
  void Skip(std::size_t n) { cur_ += n; }
  // Steps back over the byte the last successful Get returned.
  void Unget() { --cur_; }
  // True once reading failed (as opposed to reaching the end).
  bool failed() const { return failed_; }
  // Starts again from the first byte. False when that is impossible.
  virtual bool Rewind() = 0;

 protected:
  // Makes cur_ < end_ true, or answers false at the end (setting failed_ on an error).
  virtual bool Refill() = 0;

  const std::uint8_t* cur_ = nullptr;
  const std::uint8_t* end_ = nullptr;
  bool failed_ = false;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size);
  bool Rewind() override;

 private:
  bool Refill() override { return false; }
  const std::uint8_t* begin_;
  std::size_t size_;
};

// Opens a regular file for reading. Null when the path is missing, cannot be opened or is not a
// regular file.
class FileSource final : public ByteSource {
 public:
  static std::unique_ptr<FileSource> Open(const char* path);
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  bool Rewind() override;

 private:
  explicit FileSource(int fd);
  bool Refill() override;
  int fd_;
  std::vector<std::uint8_t> buffer_;
};

}  // namespace nx::phonebook::detail
