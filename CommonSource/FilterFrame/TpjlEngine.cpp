// The TPJL command table engine and the header frame; see TpjlEngine.h.
#include "TpjlEngine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <string>
#include <string_view>

#include "FaxSettingModule.h"
#include "KTOutput.h"
#include "TpjlTables.h"
#include "nx/platform/paths.h"
#include "nx/platform/unique_fd.h"

namespace nx::filter {
namespace {

constexpr std::size_t kSpecialPageBlock = 2048;

constexpr CommandRow kHeadRow = {
    "%c%c-12345X@PJL JOB MODE=DIRECTFAX%c%c", {kESCValue, kPercentValue, kCRValue, kLFValue}, {}};
// Four values for two symbols: the last two are never used.
constexpr CommandRow kTrailerRow = {
    "%c%c-12345X@PJL EOJ\n", {kESCValue, kPercentValue, kCRValue, kLFValue}, {}};
constexpr char kEnterLanguageLine[] = "@PJL ENTER LANGUAGE=PDF\n";

// Appends up to `length` bytes to the command, never past the buffer.
void Append(char (&out)[kTpjlCommandSize], std::size_t& used, const char* text,
            std::size_t length) {
  const std::size_t room = kTpjlCommandSize - 1 - used;
  if (length > room) length = room;
  std::memcpy(out + used, text, length);
  used += length;
  out[used] = 0;
}

// The value kinds a compare function needs, so that a mistyped row is skipped rather than read
// out of bounds.
bool KindsFit(const ConditionItem& item) {
  using Kind = TpjlValue::Kind;
  if (item.compare == IntCampareFunc || item.compare == IntNoEqualCampareFunc) {
    return item.left.kind() == Kind::Int && item.right.kind() == Kind::Int;
  }
  if (item.compare == StrEqualCampareFunc) {
    return item.left.kind() == Kind::Text && item.right.kind() == Kind::Text;
  }
  if (item.compare == StrNoNULLCampareFunc || item.compare == StrIsNULLCampareFunc) {
    return item.left.kind() == Kind::Text;
  }
  return false;
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

}  // namespace

const void* TpjlValue::Resolve(const FilterJob& job) const {
  switch (source_) {
    case Source::IntField:
      return intField_ ? static_cast<const void*>(intField_(job)) : nullptr;
    case Source::TextField:
      return textField_ ? static_cast<const void*>(textField_(job)) : nullptr;
    case Source::IntConstant:
      return &int_;
    case Source::CharConstant:
      return &char_;
    case Source::TextConstant:
      return text_;
  }
  return nullptr;
}

bool IntCampareFunc(const void* left, const void* right) {
  if (left == nullptr || right == nullptr) return false;
  return *static_cast<const std::int32_t*>(left) == *static_cast<const std::int32_t*>(right);
}

bool IntNoEqualCampareFunc(const void* left, const void* right) {
  if (left == nullptr || right == nullptr) return false;
  return *static_cast<const std::int32_t*>(left) != *static_cast<const std::int32_t*>(right);
}

bool StrEqualCampareFunc(const void* left, const void* right) {
  const char* l = left ? static_cast<const char*>(left) : "";
  const char* r = right ? static_cast<const char*>(right) : "";
  return std::strcmp(l, r) == 0;
}

bool StrNoNULLCampareFunc(const void* left, const void*) {
  return left != nullptr && *static_cast<const char*>(left) != 0;
}

bool StrIsNULLCampareFunc(const void* left, const void*) {
  return left == nullptr || *static_cast<const char*>(left) == 0;
}

int IsCtrlSym(const char* text) {
  if (text == nullptr || text[0] == 0 || text[1] == 0) return -1;
  for (const CtrlSym& sym : ctrlSymTalbe) {
    if (text[0] == sym.symbol[0] && text[1] == sym.symbol[1]) return sym.kind;
  }
  return -1;
}

const char* GetNextCtrlSym(const char* text, int* kind) {
  if (text == nullptr) return nullptr;
  for (const char* p = std::strchr(text, '%'); p != nullptr; p = std::strchr(p + 1, '%')) {
    const int k = IsCtrlSym(p);
    if (k >= 0) {
      if (kind != nullptr) *kind = k;
      return p;
    }
  }
  return nullptr;
}

std::size_t getCtrlSym(int kind, TpjlValue::Kind valueKind, const void* value, char* out,
                       std::size_t size) {
  if (out == nullptr || size == 0) return 0;
  out[0] = 0;
  if (value == nullptr) return 0;
  std::size_t length = 0;
  switch (kind) {
    case 0: {
      if (valueKind != TpjlValue::Kind::Int) return 0;
      const int n = std::snprintf(out, size, "%" PRId32, *static_cast<const std::int32_t*>(value));
      length = n > 0 ? std::min(static_cast<std::size_t>(n), size - 1) : 0;
      break;
    }
    case 1: {
      if (valueKind != TpjlValue::Kind::Char || size < 2) return 0;
      const char c = *static_cast<const char*>(value);
      if (c == 0) return 0;
      out[0] = c;
      out[1] = 0;
      length = 1;
      break;
    }
    case 2: {
      if (valueKind != TpjlValue::Kind::Text) return 0;
      const char* text = static_cast<const char*>(value);
      length = strnlen(text, size - 1);
      std::memcpy(out, text, length);
      out[length] = 0;
      break;
    }
    default:
      return 0;
  }
  return length;
}

bool BuildPrintComand(const char* format, const CmdParaList& params, const FilterJob& job,
                      char (&out)[kTpjlCommandSize]) {
  out[0] = 0;
  if (format == nullptr) return false;
  char work[kTpjlCommandSize];
  const std::size_t formatLength = strnlen(format, kTpjlCommandSize - 1);
  std::memcpy(work, format, formatLength);
  work[formatLength] = 0;

  char expansion[kTpjlCommandSize];
  std::size_t used = 0;
  const char* literal = work;
  int index = 0;
  int kind = -1;
  for (const char* sym = GetNextCtrlSym(literal, &kind); sym != nullptr;
       sym = GetNextCtrlSym(literal, &kind)) {
    std::size_t length = 0;
    if (index < params.count && index < kMaxCommandParams) {
      const TpjlValue& value = params.values[index];
      length = getCtrlSym(kind, value.kind(), value.Resolve(job), expansion, sizeof expansion);
    }
    // An empty expansion ends the command before the literal text that leads up to it.
    if (length == 0) return false;
    Append(out, used, literal, static_cast<std::size_t>(sym - literal));
    Append(out, used, expansion, length);
    literal = sym + 2;
    ++index;
  }
  Append(out, used, literal, std::strlen(literal));
  return true;
}

bool ConditionCompare(const ConditionList& conditions, const FilterJob& job) {
  if (conditions.count < 1) return true;
  const int count = std::min<int>(conditions.count, kMaxConditionItems);
  for (int i = 0; i < count; ++i) {
    const ConditionItem& item = conditions.items[i];
    if (!KindsFit(item)) return false;
    if (!item.compare(item.left.Resolve(job), item.right.Resolve(job))) return false;
  }
  return true;
}

namespace {

// Hands `write` the command of every row of `table` whose conditions hold, in order.
template <class Write>
void ForEachCommand(const FilterJob& job, CommandTable table, Write write) {
  char command[kTpjlCommandSize];
  for (const CommandRow& row : table) {
    if (row.conditions.count > 0 && !ConditionCompare(row.conditions, job)) continue;
    if (!BuildPrintComand(row.format, row.params, job, command)) continue;
    write(command);
  }
}

}  // namespace

void OutputTPJLCommandFromArray(const FilterJob& job, CommandTable table, std::FILE* out) {
  ForEachCommand(job, table, [out](const char* command) { std::fputs(command, out); });
}

bool ValidateCommandTable(CommandTable table) {
  for (const CommandRow& row : table) {
    if (row.format == nullptr || row.params.count < 0 || row.params.count > kMaxCommandParams ||
        row.conditions.count < 0 || row.conditions.count > kMaxConditionItems) {
      return false;
    }
    int index = 0;
    int kind = -1;
    for (const char* sym = GetNextCtrlSym(row.format, &kind); sym != nullptr;
         sym = GetNextCtrlSym(sym + 2, &kind), ++index) {
      if (index >= row.params.count) return false;
      const TpjlValue::Kind valueKind = row.params.values[index].kind();
      const TpjlValue::Kind wanted = kind == 0   ? TpjlValue::Kind::Int
                                     : kind == 1 ? TpjlValue::Kind::Char
                                                 : TpjlValue::Kind::Text;
      if (valueKind != wanted) return false;
    }
    for (int i = 0; i < row.conditions.count; ++i) {
      if (!KindsFit(row.conditions.items[i])) return false;
    }
  }
  return true;
}

void InializeDescriptionTable(FilterJob& job) {
  std::memset(job.specialPage.commandFileName, 0, sizeof job.specialPage.commandFileName);
}

bool OutputSpecialPageFile(const FilterJob& job, std::FILE* out) {
  const std::string_view path(
      job.specialPage.commandFileName,
      strnlen(job.specialPage.commandFileName, sizeof job.specialPage.commandFileName));
  if (path.empty()) return false;
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string_view::npos ? std::string(".")
                          : slash == 0                    ? std::string("/")
                                                          : std::string(path.substr(0, slash));
  const std::string base(slash == std::string_view::npos ? path : path.substr(slash + 1));
  if (base.empty() || base == "." || base == "..") return false;

  // The folder must be the print system's temporary folder itself; identity by device and inode
  // accepts any spelling of it and no other place.
  const platform::UniqueFd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dirFd.ok()) return false;
  struct stat dirStat {};
  struct stat tempStat {};
  if (::fstat(dirFd.get(), &dirStat) != 0 || ::stat(platform::TempDir().c_str(), &tempStat) != 0 ||
      !SameFile(dirStat, tempStat)) {
    return false;
  }

  // O_NONBLOCK keeps a FIFO from stalling the job; fstat then refuses it like any other
  // non-regular file. A second link would let a caller reach a file kept elsewhere.
  platform::UniqueFd fd(::openat(dirFd.get(), base.c_str(),
                             O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd.ok()) return false;
  struct stat fileStat {};
  if (::fstat(fd.get(), &fileStat) != 0 || !S_ISREG(fileStat.st_mode) || fileStat.st_nlink != 1) {
    return false;
  }

  char block[kSpecialPageBlock];
  for (;;) {
    const ssize_t n = ::read(fd.get(), block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    std::fwrite(block, 1, static_cast<std::size_t>(n), out);
  }
  fd.Close();
  ::unlinkat(dirFd.get(), base.c_str(), 0);
  return true;
}

void OutputTPJLCommand(FilterJob& job, std::FILE* out) {
  OutputSpecialPageFile(job, out);
  OutputTPJLCommandFromArray(job, CommandTable(&kHeadRow, 1), out);
  OutputTPJLCommandFromArray(job, PrintTypeCommandTable(), out);
  OutputTPJLCommandFromArray(job, JBAAdminCommandTable(), out);
  OutputTPJLCommandFromArray(job, JBACommandTable(), out);
  OutputTPJLCommandFromArray(job, FeaturesCommandTable(), out);
  InjectTPIFCommandFaxSetting(job, out);
  std::fputs(kEnterLanguageLine, out);
}

void OutputTPJLTrailer(const FilterJob& job) {
  ForEachCommand(job, CommandTable(&kTrailerRow, 1), [&job](const char* command) { KTfputs(command, job); });
}

}  // namespace nx::filter
