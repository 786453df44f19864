// Property-list values through libplist; see property_list.h.
#include "nx/platform/property_list.h"

#include <fcntl.h>
#include <plist/plist.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>

#include "nx/platform/save_faults.h"
#include "nx/platform/unique_fd.h"

namespace nx::platform {
namespace {

struct PlistDeleter {
  void operator()(void* p) const { plist_free(static_cast<plist_t>(p)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

// libplist hands out malloc'ed strings and buffers.
struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <class T>
using Malloced = std::unique_ptr<T, FreeDeleter>;

// Containers nest; a hostile file must not exhaust the stack.
constexpr int kMaxDepth = 64;

std::optional<PropertyValue> FromNode(plist_t node, int depth) {
  if (!node || depth > kMaxDepth) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return PropertyValue(b != 0);
    }
    case PLIST_UINT: {
      // libplist keeps integers as 64-bit patterns; negative numbers round-trip through it.
      uint64_t u = 0;
      plist_get_uint_val(node, &u);
      return PropertyValue(static_cast<int64_t>(u));
    }
    case PLIST_REAL: {
      double d = 0;
      plist_get_real_val(node, &d);
      return PropertyValue(d);
    }
    case PLIST_STRING:
    case PLIST_KEY: {
      char* raw = nullptr;
      plist_get_string_val(node, &raw);
      Malloced<char> s(raw);
      return PropertyValue(std::string(s ? s.get() : ""));
    }
    case PLIST_DATE: {
      int32_t sec = 0, usec = 0;
      plist_get_date_val(node, &sec, &usec);
      return PropertyValue(PropertyValue::Date{sec + usec / 1e6});
    }
    case PLIST_DATA: {
      char* raw = nullptr;
      uint64_t len = 0;
      plist_get_data_val(node, &raw, &len);
      Malloced<char> d(raw);
      const auto* b = reinterpret_cast<const uint8_t*>(d.get());
      return PropertyValue(b ? PropertyValue::Data(b, b + len) : PropertyValue::Data());
    }
    case PLIST_ARRAY: {
      PropertyValue::Array out;
      const uint32_t n = plist_array_get_size(node);
      out.reserve(n);
      for (uint32_t i = 0; i < n; ++i) {
        auto item = FromNode(plist_array_get_item(node, i), depth + 1);
        if (!item) return std::nullopt;
        out.push_back(std::move(*item));
      }
      return PropertyValue(std::move(out));
    }
    case PLIST_DICT: {
      PropertyValue::Dictionary out;
      plist_dict_iter it = nullptr;
      plist_dict_new_iter(node, &it);
      Malloced<void> iter(it);
      if (!it) return std::nullopt;
      for (;;) {
        char* rawkey = nullptr;
        plist_t val = nullptr;
        plist_dict_next_item(node, it, &rawkey, &val);
        Malloced<char> key(rawkey);
        if (!val) break;
        auto item = FromNode(val, depth + 1);
        if (!item || !key) return std::nullopt;
        out.insert_or_assign(key.get(), std::move(*item));
      }
      return PropertyValue(std::move(out));
    }
    default:
      return std::nullopt;  // UIDs and unknown node types have no place in our files
  }
}

PlistPtr ToNode(const PropertyValue& v) {
  if (auto* s = v.AsString()) return PlistPtr(plist_new_string(s->c_str()));
  if (auto* b = v.AsBool()) return PlistPtr(plist_new_bool(*b ? 1 : 0));
  if (auto* i = v.AsInteger()) return PlistPtr(plist_new_uint(static_cast<uint64_t>(*i)));
  if (auto* d = v.AsReal()) return PlistPtr(plist_new_real(*d));
  if (auto* dt = v.AsDate()) {
    const double whole = std::floor(dt->seconds_since_2001);
    if (!(whole >= std::numeric_limits<int32_t>::min() && whole <= std::numeric_limits<int32_t>::max()))
      return nullptr;
    const auto usec = static_cast<int32_t>(std::lround((dt->seconds_since_2001 - whole) * 1e6));
    return PlistPtr(plist_new_date(static_cast<int32_t>(whole), usec));
  }
  if (auto* data = v.AsData()) {
    return PlistPtr(plist_new_data(reinterpret_cast<const char*>(data->data()), data->size()));
  }
  if (auto* a = v.AsArray()) {
    PlistPtr node(plist_new_array());
    if (!node) return nullptr;
    for (const auto& item : *a) {
      PlistPtr child = ToNode(item);
      if (!child) return nullptr;
      plist_array_append_item(node.get(), child.release());  // the array owns it now
    }
    return node;
  }
  if (auto* dict = v.AsDictionary()) {
    PlistPtr node(plist_new_dict());
    if (!node) return nullptr;
    for (const auto& [key, item] : *dict) {
      PlistPtr child = ToNode(item);
      if (!child) return nullptr;
      plist_dict_set_item(node.get(), key.c_str(), child.release());
    }
    return node;
  }
  return nullptr;
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

std::optional<PropertyValue> ParsePropertyList(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<uint32_t>::max()) return std::nullopt;
  plist_t raw = nullptr;
  plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &raw);
  PlistPtr root(raw);
  if (!root) return std::nullopt;
  return FromNode(root.get(), 0);
}

std::string ToXmlPropertyList(const PropertyValue& value) {
  PlistPtr root = ToNode(value);
  if (!root) return {};
  char* xml = nullptr;
  uint32_t len = 0;
  plist_to_xml(root.get(), &xml, &len);
  if (!xml) return {};
  std::string out(xml, len);
  plist_to_xml_free(xml);
  return out;
}

std::optional<PropertyValue> ReadPropertyListFile(const std::string& path, size_t max_bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char buf[8192];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    bytes.append(buf, static_cast<size_t>(in.gcount()));
    if (bytes.size() > max_bytes) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return ParsePropertyList(bytes);
}

bool WritePropertyListFile(const std::string& path, const PropertyValue& value, unsigned mode) {
  const std::string xml = ToXmlPropertyList(value);
  if (xml.empty()) return false;
  return WriteFileAtomically(path, xml, mode);
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, unsigned mode) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  if (target.filename().empty()) return false;
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return false;

  std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  UniqueFd fd(SaveStepFault(SaveStep::kOpen) ? -1 : ::mkstemp(tmpl.data()));
  if (fd.get() < 0) return false;
  const std::string tmp = tmpl;
  const bool ok = ::fchmod(fd.get(), static_cast<mode_t>(mode)) == 0 && !SaveStepFault(SaveStep::kWrite) &&
                  WriteAll(fd.get(), contents) && !SaveStepFault(SaveStep::kSync) && ::fsync(fd.get()) == 0 &&
                  !SaveStepFault(SaveStep::kClose) && fd.Close() && !SaveStepFault(SaveStep::kRename) &&
                  ::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    return false;
  }
  // The rename itself must reach the disk too.
  UniqueFd dirfd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirfd.get() >= 0) ::fsync(dirfd.get());
  return true;
}

}  // namespace nx::platform
