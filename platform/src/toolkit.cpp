// Toolkit-neutral parts: element kind names, layout descriptions, the short alert form.
#include "nx/platform/toolkit.h"

namespace nx::platform::ui {
namespace {

constexpr std::pair<ElementKind, std::string_view> kKindNames[] = {
    {ElementKind::kButton, "button"},       {ElementKind::kCheckBox, "checkbox"},
    {ElementKind::kRadioButton, "radio"},   {ElementKind::kPopup, "popup"},
    {ElementKind::kTextField, "text"},      {ElementKind::kSecureTextField, "secure-text"},
    {ElementKind::kStaticText, "static-text"}, {ElementKind::kDatePicker, "date"},
    {ElementKind::kGroupBox, "group"},      {ElementKind::kList, "list"},
    {ElementKind::kImage, "image"},         {ElementKind::kCustom, "custom"},
};

// Tags are 32-bit in every toolkit.
bool FitsInt(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

}  // namespace

std::string_view ElementKindName(ElementKind kind) {
  for (auto [k, n] : kKindNames)
    if (k == kind) return n;
  return {};
}

std::optional<ElementKind> ElementKindFromName(std::string_view name) {
  for (auto [k, n] : kKindNames)
    if (n == name) return k;
  return std::nullopt;
}

void ApplyElementSpec(Element& element, const ElementSpec& spec) {
  for (const auto& item : spec.items) {
    if (spec.kind == ElementKind::kList) element.AddRow({item});
    else element.AddItem(item, item);
  }
  element.SetEnabled(spec.enabled);
  element.SetHidden(spec.hidden);
  if (spec.int_value) element.SetIntValue(*spec.int_value);
  if (spec.string_value) element.SetStringValue(*spec.string_value);
}

std::optional<LayoutSpec> ParseLayoutSpec(std::string name, const PropertyValue& root) {
  const auto* dict = root.AsDictionary();
  if (!dict) return std::nullopt;
  LayoutSpec spec;
  spec.name = std::move(name);
  if (auto it = dict->find("Title"); it != dict->end()) {
    if (!it->second.AsString()) return std::nullopt;
    spec.title = *it->second.AsString();
  }
  auto elements = dict->find("Elements");
  if (elements == dict->end()) return spec;
  const auto* list = elements->second.AsArray();
  if (!list) return std::nullopt;
  for (const auto& item : *list) {
    const auto* e = item.AsDictionary();
    if (!e) return std::nullopt;
    ElementSpec es;
    auto tag = e->find("Tag");
    auto kind = e->find("Kind");
    if (tag == e->end() || !tag->second.AsInteger() || !FitsInt(*tag->second.AsInteger())) return std::nullopt;
    if (kind == e->end() || !kind->second.AsString()) return std::nullopt;
    auto k = ElementKindFromName(*kind->second.AsString());
    if (!k) return std::nullopt;
    es.kind = *k;
    es.tag = static_cast<int>(*tag->second.AsInteger());
    for (const auto& [key, value] : *e) {
      if (key == "Tag" || key == "Kind") continue;
      if (key == "Title") {
        if (!value.AsString()) return std::nullopt;
        es.title = *value.AsString();
      } else if (key == "Items") {
        if (!value.AsArray()) return std::nullopt;
        for (const auto& i : *value.AsArray()) {
          if (!i.AsString()) return std::nullopt;
          es.items.push_back(*i.AsString());
        }
      } else if (key == "Enabled" || key == "Hidden") {
        if (!value.AsBool()) return std::nullopt;
        (key == "Enabled" ? es.enabled : es.hidden) = *value.AsBool();
      } else if (key == "Value") {
        if (value.AsInteger() && FitsInt(*value.AsInteger())) es.int_value = static_cast<int>(*value.AsInteger());
        else if (value.AsString()) es.string_value = *value.AsString();
        else return std::nullopt;
      }
      // Other keys (frames, fonts) belong to desktop backends.
    }
    spec.elements.push_back(std::move(es));
  }
  return spec;
}

std::optional<LayoutSpec> LoadLayoutSpec(const Bundle& bundle, std::string_view name) {
  const std::string path = bundle.ResourcePath(name, "nxlayout");
  if (path.empty()) return std::nullopt;
  auto root = ReadPropertyListFile(path, 4u << 20);
  if (!root) return std::nullopt;
  return ParseLayoutSpec(std::string(name), *root);
}

int RunCriticalAlertPanel(Toolkit& toolkit, Alert alert) {
  alert.style = AlertStyle::kCritical;
  std::erase_if(alert.buttons, [](const std::string& b) { return b.empty(); });
  if (alert.buttons.size() > 3) alert.buttons.resize(3);
  const int answer = toolkit.RunAlert(alert) - kAlertFirstButtonReturn;
  switch (answer) {
    case 0: return kAlertDefaultReturn;
    case 1: return kAlertAlternateReturn;
    default: return kAlertOtherReturn;
  }
}

}  // namespace nx::platform::ui
