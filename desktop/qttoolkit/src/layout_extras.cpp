// Desktop layout keys; see layout_extras.h.
#include "layout_extras.h"

#include <algorithm>

namespace nx::desktop {
namespace {

using platform::PropertyValue;

// Grids of dialogs stay small; anything beyond these bounds is a broken file.
constexpr int kMaxCell = 64;
constexpr int kMaxRows = 100;
constexpr int kMaxWidth = 4000;
constexpr size_t kMaxColumns = 16;

bool ReadInt(const PropertyValue::Dictionary& d, const char* key, int lo, int hi, int* out) {
  auto it = d.find(key);
  if (it == d.end() || !it->second.AsInteger()) return false;
  const int64_t v = *it->second.AsInteger();
  if (v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

bool ReadBool(const PropertyValue::Dictionary& d, const char* key) {
  auto it = d.find(key);
  return it != d.end() && it->second.AsBool() && *it->second.AsBool();
}

std::string ReadString(const PropertyValue::Dictionary& d, const char* key) {
  auto it = d.find(key);
  return it != d.end() && it->second.AsString() ? *it->second.AsString() : std::string();
}

ButtonRole RoleFromName(const std::string& name) {
  if (name == "default") return ButtonRole::kDefault;
  if (name == "cancel") return ButtonRole::kCancel;
  if (name == "help") return ButtonRole::kHelp;
  if (name == "reset") return ButtonRole::kReset;
  return ButtonRole::kNone;
}

Placement ReadPlacement(const PropertyValue::Dictionary& d) {
  Placement p;
  ReadInt(d, "Row", 0, kMaxCell, &p.row);
  ReadInt(d, "Column", 0, kMaxCell, &p.column);
  ReadInt(d, "RowSpan", 1, kMaxCell, &p.row_span);
  ReadInt(d, "ColumnSpan", 1, kMaxCell, &p.column_span);
  ReadInt(d, "Group", INT32_MIN, INT32_MAX, &p.group);
  ReadInt(d, "Buddy", INT32_MIN, INT32_MAX, &p.buddy);
  ReadInt(d, "Strip", 1, kMaxCell, &p.strip);
  ReadInt(d, "Rows", 1, kMaxRows, &p.rows);
  ReadInt(d, "MinWidth", 0, kMaxWidth, &p.min_width);
  p.role = RoleFromName(ReadString(d, "Role"));
  p.multiple = ReadBool(d, "Multiple");
  p.time_only = ReadString(d, "Style") == "time";
  p.align_right = ReadString(d, "Align") == "right";
  p.align_top = ReadString(d, "Align") == "top";
  p.wrap = ReadBool(d, "Wrap");
  p.name_key = ReadString(d, "Name");
  if (auto it = d.find("Columns"); it != d.end() && it->second.AsArray()) {
    for (const auto& c : *it->second.AsArray()) {
      if (p.column_keys.size() == kMaxColumns) break;
      p.column_keys.push_back(c.AsString() ? *c.AsString() : std::string());
    }
  }
  return p;
}

}  // namespace

LayoutExtras ParseLayoutExtras(const PropertyValue& root, size_t count) {
  LayoutExtras extras;
  extras.elements.resize(count);
  const auto* dict = root.AsDictionary();
  if (!dict) return extras;
  extras.title_key = ReadString(*dict, "TitleKey");
  auto it = dict->find("Elements");
  if (it == dict->end() || !it->second.AsArray()) return extras;
  const auto& list = *it->second.AsArray();
  for (size_t i = 0; i < std::min(count, list.size()); ++i)
    if (const auto* e = list[i].AsDictionary()) extras.elements[i] = ReadPlacement(*e);
  return extras;
}

LayoutExtras LoadLayoutExtras(const platform::Bundle& bundle, std::string_view name, size_t count) {
  const std::string path = bundle.ResourcePath(name, "nxlayout");
  auto root = path.empty() ? std::nullopt : platform::ReadPropertyListFile(path, 4u << 20);
  return ParseLayoutExtras(root ? *root : PropertyValue(), count);
}

}  // namespace nx::desktop
