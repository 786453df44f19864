// The FAP writer and the phonebook folder.
//
// A save never touches the existing phonebook until the new one is complete on disk: the bytes
// go to a temporary file in the same folder, which is synced and then renamed over the target.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "nx/phonebook/abif_file.h"
#include "nx/platform/paths.h"
#include "nx/platform/save_faults.h"
#include "phonebook_cipher.h"
#include "text_util.h"

namespace nx::phonebook {
namespace {

using detail::FieldText;

constexpr char kFieldEnd = 0x03;
constexpr char kRecordEnd = 0x04;

// A field's text and its end byte. The end byte cannot be escaped, so it is left out of the
// text: one stray control byte would otherwise shift every later field of the file.
void GAPWriteField(std::string& out, std::string_view text) {
  for (char c : text) {
    if (c != kFieldEnd) out.push_back(c);
  }
  out.push_back(kFieldEnd);
}

template <std::size_t N>
void WriteField(std::string& out, const char (&field)[N]) {
  GAPWriteField(out, FieldText(field));
}

template <std::size_t N>
bool WriteEnciphered(std::string& out, const char (&field)[N]) {
  auto text = detail::XspEncodeText(FieldText(field));
  if (!text) return false;
  GAPWriteField(out, *text);
  return true;
}

// How many slots a count field stands for; counts beyond the slots are written as the slot
// count so that the file stays readable.
long long SlotCount(std::string_view count, long long slots) {
  const long long n = detail::ParseLeadingInt(count);
  return n < 0 ? 0 : (n > slots ? slots : n);
}

bool GAPWriteRecord(std::string& out, const tag_ABIF_MYFAX& r) {
  out.push_back(0x01);
  WriteField(out, r.Id);
  WriteField(out, r.Name);
  WriteField(out, r.Address);
  WriteField(out, r.Company);
  WriteField(out, r.Memo);
  WriteField(out, r.CommMode);
  WriteField(out, r.TimeStamp);
  WriteField(out, r.Furigana);
  WriteField(out, r.AddressType);
  WriteField(out, r.SIPFAXAddress);
  WriteField(out, r.Tel);
  WriteField(out, r.Email);
  WriteField(out, r.LineType);
  WriteField(out, r.SecureorRelay);
  WriteField(out, r.MailBoxId);
  if (!WriteEnciphered(out, r.MailBoxPassword)) return false;
  WriteField(out, r.Rlyprn);
  WriteField(out, r.RlyID);
  const long long relays = SlotCount(FieldText(r.RlyNum), kMyFaxRelaySlots);
  if (detail::ParseLeadingInt(FieldText(r.RlyNum)) > kMyFaxRelaySlots) {
    GAPWriteField(out, std::to_string(relays));
  } else {
    WriteField(out, r.RlyNum);
  }
  for (long long i = 0; i < relays; ++i) WriteField(out, r.RlyDestList[i]);
  WriteField(out, r.FCode);
  if (!WriteEnciphered(out, r.FCodePassword)) return false;
  out.push_back(kRecordEnd);
  return true;
}

void GAPWriteRecord(std::string& out, const tag_ABIF_MYFAX_GROUP& g) {
  out.push_back(0x02);
  WriteField(out, g.Id);
  WriteField(out, g.GroupName);
  WriteField(out, g.TimeStamp);
  const long long members = SlotCount(FieldText(g.EntryNum), kMyFaxGroupMemberSlots);
  if (detail::ParseLeadingInt(FieldText(g.EntryNum)) > kMyFaxGroupMemberSlots) {
    GAPWriteField(out, std::to_string(members));
  } else {
    WriteField(out, g.EntryNum);
  }
  if (members == 0) {
    GAPWriteField(out, {});
  } else {
    for (long long i = 0; i < members; ++i) WriteField(out, g.EntryList[i]);
  }
  WriteField(out, g.Furigana);
  out.push_back(kRecordEnd);
}

// ---- Writing to disk ------------------------------------------------------------------------

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  // Closes and reports whether the close succeeded (a failed close may mean lost data).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The file a save replaces: a symbolic link is followed so that the link stays a link.
std::string ResolveTarget(const char* path) {
  struct stat st;
  if (::lstat(path, &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path, nullptr)) {
      std::string resolved(real);
      std::free(real);
      return resolved;
    }
  }
  return path;
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Creates an empty temporary file beside `target`; mode 0666 less the umask, like any new file.
int CreateTemporary(const std::string& target, std::string& tmpPath) {
  static unsigned counter = 0;
  const std::string dir = DirectoryOf(target);
  const auto slash = target.rfind('/');
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  for (int attempt = 0; attempt < 100; ++attempt) {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, ".%ld.%u.%lx", static_cast<long>(::getpid()), ++counter,
                  static_cast<unsigned long>(ts.tv_nsec));
    tmpPath = dir + "/." + base + suffix;
    if (nx::platform::SaveStepFault(nx::platform::SaveStep::kOpen)) return -1;
    const int fd = ::open(tmpPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The temporary name's tail after ".<base>.": "<pid>.<n>.<x>" (decimal, decimal, hex). The pid
// when `tail` has exactly that form, else 0.
long TemporaryOwner(std::string_view tail) {
  auto digits = [&](bool hex) {
    std::size_t n = 0;
    while (n < tail.size() && (hex ? std::isxdigit(static_cast<unsigned char>(tail[n])) != 0
                                   : (tail[n] >= '0' && tail[n] <= '9'))) {
      ++n;
    }
    return n;
  };
  const std::size_t pidLen = digits(false);
  if (pidLen == 0 || pidLen > 9 || pidLen >= tail.size() || tail[pidLen] != '.') return 0;
  const long pid = std::strtol(std::string(tail.substr(0, pidLen)).c_str(), nullptr, 10);
  tail.remove_prefix(pidLen + 1);
  const std::size_t counterLen = digits(false);
  if (counterLen == 0 || counterLen >= tail.size() || tail[counterLen] != '.') return 0;
  tail.remove_prefix(counterLen + 1);
  const std::size_t hexLen = digits(true);
  return hexLen > 0 && hexLen == tail.size() ? pid : 0;
}

// Removes the temporary files that earlier saves of `target` left when they were killed: files
// of this user named as CreateTemporary names them, whose process is gone. Saves in progress
// (their process lives) and every other file are left alone.
void RemoveStaleTemporaries(const std::string& target) {
  const std::string dir = DirectoryOf(target);
  const auto slash = target.rfind('/');
  const std::string prefix =
      "." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".";
  DIR* folder = ::opendir(dir.c_str());
  if (folder == nullptr) return;
  const long self = static_cast<long>(::getpid());
  while (const dirent* entry = ::readdir(folder)) {
    const std::string_view name(entry->d_name);
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const long pid = TemporaryOwner(name.substr(prefix.size()));
    if (pid <= 0 || pid == self) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    struct stat st;
    const std::string path = dir + "/" + std::string(name);
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
      continue;
    }
    ::unlink(path.c_str());
  }
  ::closedir(folder);
}

void SyncDirectory(const std::string& dir) {
  Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) return;
  if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != EROFS) {
    // The file itself is complete and synced; only the rename may not yet be durable.
    std::fprintf(stderr, "##Plugin debug## phonebook folder sync failed (errno %d)\n", errno);
  }
}

AbifStatus ReplaceFile(const char* path, const std::string& bytes) {
  const std::string target = ResolveTarget(path);
  // First, so that what killed saves left cannot fill the disk for this one.
  RemoveStaleTemporaries(target);
  std::string tmpPath;
  Fd fd(CreateTemporary(target, tmpPath));
  if (fd.get() < 0) return kAbifReadWriteFailed;

  struct stat old;
  bool ok = true;
  if (::stat(target.c_str(), &old) == 0) {
    // Keeping the old permission bits is a courtesy: a save with the default mode is still good.
    if (!S_ISREG(old.st_mode)) {
      ok = false;
    } else if (::fchmod(fd.get(), old.st_mode & 07777) != 0) {
      std::fprintf(stderr, "##Plugin debug## phonebook file mode not kept (errno %d)\n", errno);
    }
  }
  using nx::platform::SaveStep;
  using nx::platform::SaveStepFault;
  ok = ok && !SaveStepFault(SaveStep::kWrite) && WriteAll(fd.get(), bytes) &&
       !SaveStepFault(SaveStep::kSync) && ::fsync(fd.get()) == 0;
  const bool closeFault = ok && SaveStepFault(SaveStep::kClose) != 0;
  ok = fd.Close() && ok && !closeFault;
  ok = ok && !SaveStepFault(SaveStep::kRename) && ::rename(tmpPath.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(tmpPath.c_str());
    return kAbifReadWriteFailed;
  }
  SyncDirectory(DirectoryOf(target));
  return kAbifSuccess;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// mkdir -p for the user's data folder, which a fresh account may not have yet.
void MakeParents(const std::string& path) {
  for (std::size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == '/') {
      const std::string prefix = path.substr(0, pos);
      if (!IsDirectory(prefix)) ::mkdir(prefix.c_str(), 0700);
    }
  }
}

}  // namespace

AbifStatus AbifFAPFile_Build(const ABIFDATA* data, std::string& out) {
  if (data == nullptr) return kAbifNoContainer;
  out.clear();
  try {
    // About what a record of a typical book takes, so that the text rarely moves as it grows.
    out.reserve(64 + 96 * static_cast<std::size_t>(ABIFData_GetCount_MyFax(data)) +
                64 * static_cast<std::size_t>(ABIFData_GetCount_MyFaxGroup(data)));
    out.append(kFapMagic);
    out.push_back(kRecordEnd);
    auto individual = std::make_unique<tag_ABIF_MYFAX>();
    for (int i = 0, n = ABIFData_GetCount_MyFax(data); i < n; ++i) {
      if (ABIFData_GetAt_MyFax(data, i, individual.get()) != kAbifSuccess ||
          !GAPWriteRecord(out, *individual)) {
        out.clear();
        return kAbifReadWriteFailed;
      }
    }
    auto group = std::make_unique<tag_ABIF_MYFAX_GROUP>();
    for (int i = 0, n = ABIFData_GetCount_MyFaxGroup(data); i < n; ++i) {
      if (ABIFData_GetAt_MyFaxGroup(data, i, group.get()) != kAbifSuccess) {
        out.clear();
        return kAbifReadWriteFailed;
      }
      GAPWriteRecord(out, *group);
    }
  } catch (const std::bad_alloc&) {
    out.clear();
    return kAbifReadWriteFailed;
  }
  return kAbifSuccess;
}

AbifStatus AbifFAPFile_Write(const char* path, const ABIFDATA* data) {
  if (path == nullptr || *path == '\0') return kAbifBadArgument;
  if (data == nullptr) return kAbifNoContainer;
  std::string bytes;
  const AbifStatus status = AbifFAPFile_Build(data, bytes);
  if (status != kAbifSuccess) return status;
  try {
    return ReplaceFile(path, bytes);
  } catch (const std::bad_alloc&) {
    return kAbifReadWriteFailed;
  }
}

int CreateFolder(const std::string& parent, const std::string& name) {
  if (!IsDirectory(parent)) return 0;
  const std::string path = parent + "/" + name;
  if (::mkdir(path.c_str(), 0777) == 0) return 0;
  const int err = errno;
  if (err == EEXIST && IsDirectory(path)) return 0;
  return err == EEXIST ? ENOTDIR : err;
}

std::string AbifGAPFile_GetFileDirectory() {
  const std::string base = nx::platform::ApplicationSupportDir();
  if (base.empty()) return {};
  MakeParents(base);
  const std::string maker = base + "/NORVALEX";
  CreateFolder(base, "NORVALEX");
  // Group members share the maker's folder; a folder owned by someone else keeps its mode.
  if (::chmod(maker.c_str(), 0775) != 0 && errno != EPERM) {
    std::fprintf(stderr, "##Plugin debug## phonebook folder mode not set (errno %d)\n", errno);
  }
  CreateFolder(maker, "JPN");
  CreateFolder(maker + "/JPN", "MFP_D-FAX");
  return maker + "/JPN/MFP_D-FAX";
}

}  // namespace nx::phonebook
