// PPD choice rows, defaults, titles and the constraint cache look-up; see XPPD.h.
#include "pdekit/XPPD.h"

#include <cstring>
#include <fstream>

#include "nx/platform/services.h"
#include "pdekit/UtilityFunction.h"

namespace pdekit {
namespace {

ppd_option_t* FindOption(ppd_file_t* ppd, const char* keyword) {
  return ppd && keyword ? ppdFindOption(ppd, keyword) : nullptr;
}

// At most 19 bytes of a name take part, as the name buffers hold 20.
std::string Name19(const char* text) { return text ? std::string(text).substr(0, 19) : std::string(); }

// The choice a stored constraint names, or null when the positions do not fit this PPD (a
// cache file is outside data).
const ppd_choice_t* ChoiceAt(ppd_file_t* ppd, const x_constraints& v) {
  if (!ppd || v.group >= ppd->num_groups) return nullptr;
  const ppd_group_t& g = ppd->groups[v.group];
  if (v.option >= g.num_options) return nullptr;
  const ppd_option_t& o = g.options[v.option];
  if (v.choice >= o.num_choices) return nullptr;
  return &o.choices[v.choice];
}

}  // namespace

int GetXPPD(ppd_file_t* ppd, ConstraintIndex* index, const char* panelName, const char* attrKeyword,
            int systemVersion) {
  if (!attrKeyword || !*attrKeyword || !panelName) return 1;  // an empty prefix would match any attribute
  const int version = systemVersion & 0xFFF0;
  const std::string panel = Name19(panelName);
  const std::string attr = Name19(attrKeyword);
  ppd_attr_t* a = ppdFindAttr_ALT(ppd, attr.c_str());
  if (!a || !a->value) return 1;
  const std::string section = panel + (version == 0x1030 ? "Panther" : "Tiger");
  std::ifstream file(a->value, std::ios::binary);
  if (!file) return 1;
  CQuickXPPD reader(index, section.c_str());
  file >> reader;
  return 0;
}

int GetXPPD(ppd_file_t* ppd, ConstraintIndex* index, const char* panelName, const char* attrKeyword,
            const nx::platform::Services& services) {
  return GetXPPD(ppd, index, panelName, attrKeyword, services.SystemVersion());
}

bool IsPPDChoiceConflicted(ppd_file_t* ppd, const ConstraintIndex* index, const char* keyword, const char* choice) {
  if (!ppd || !index || !keyword || !choice) return false;
  std::string key(keyword);
  key += ':';
  key += choice;
  for (const x_constraints& v : index->find(key)) {
    const ppd_choice_t* c = ChoiceAt(ppd, v);
    if (c && c->marked) return true;
  }
  return false;
}

bool IsPPDChoiceConflicted(ppd_file_t*, const char*, const char*) { return false; }

int GetUIListFromPPD(ppd_file_t* ppd, const ConstraintIndex* index, const char* keyword,
                     std::vector<PPDChoiceRow>* rows, uint16_t* count) {
  uint32_t encoding = 0;
  GetCFStringEncodingFromPPD(ppd, &encoding);  // CUPS has already made the texts UTF-8
  ppd_option_t* o = FindOption(ppd, keyword);
  if (!rows || !o || o->num_choices <= 0) return 0;
  for (int i = 0; i < o->num_choices; ++i) {
    const ppd_choice_t& c = o->choices[i];
    const bool conflicted = index && IsPPDChoiceConflicted(ppd, index, keyword, c.choice);
    rows->push_back(PPDChoiceRow{o->keyword, c.choice, c.text, conflicted ? kConflictTrue : kConflictFalse});
    if (count) ++*count;
  }
  return 0;
}

int GetUIListFromPPD(ppd_file_t* ppd, const char* keyword, std::vector<PPDChoiceRow>* rows, uint16_t* count) {
  return GetUIListFromPPD(ppd, nullptr, keyword, rows, count);
}

bool InitializeValueFromPPD(ppd_file_t* ppd, const ConstraintIndex* index, std::vector<PPDChoiceRow>* rows,
                            const char* keyword) {
  uint16_t count = 0;
  if (FindOption(ppd, keyword)) GetUIListFromPPD(ppd, index, keyword, rows, &count);
  return true;
}

bool InitializeValueFromPPD(ppd_file_t* ppd, std::vector<PPDChoiceRow>* rows, const char* keyword) {
  return InitializeValueFromPPD(ppd, nullptr, rows, keyword);
}

void GetCFStringEncodingFromPPD(ppd_file_t* ppd, uint32_t* encoding) {
  if (!encoding) return;
  *encoding = kCFStringEncodingMacRoman;
  ppd_attr_t* a = ppd ? ppdFindAttr(ppd, "LanguageEncoding", nullptr) : nullptr;
  const char* e = a && a->value ? a->value : nullptr;
  if (!e) return;
  if (std::strcmp(e, "ISOLatin1") == 0) *encoding = kCFStringEncodingISOLatin1;
  else if (std::strcmp(e, "WindowsANSI") == 0) *encoding = kCFStringEncodingWindowsLatin1;
  else if (std::strcmp(e, "JIS83-RKSJ") == 0) *encoding = kCFStringEncodingMacJapanese;
  else if (std::strcmp(e, "UTF-8") == 0 || std::strcmp(e, "UTF8") == 0) *encoding = kCFStringEncodingUTF8;
}

int GetUIDefaultFromPPD(ppd_file_t* ppd, const char* keyword, std::optional<std::string>* out) {
  if (!out) return 0;
  ppd_option_t* o = FindOption(ppd, keyword);
  *out = o ? std::optional<std::string>(o->defchoice) : std::nullopt;
  return 0;
}

int GetUIDefaultValueFromPPD(ppd_file_t* ppd, const char* keyword) {
  ppd_option_t* o = FindOption(ppd, keyword);
  if (!o) return -1;
  for (int i = 0; i < o->num_choices; ++i)
    if (std::strcmp(o->choices[i].choice, o->defchoice) == 0) return i;
  return -1;
}

int GetChoiceIndex(ppd_file_t* ppd, const char* keyword, const char* choice) {
  ppd_option_t* o = FindOption(ppd, keyword);
  if (!o || o->num_choices <= 0) return 0;
  for (int i = 0; i < o->num_choices; ++i)
    if (choice && std::strcmp(o->choices[i].choice, choice) == 0) return i;
  return o->num_choices;
}

int GetUITitleFromPPD(ppd_file_t* ppd, const char* keyword, std::optional<std::string>* out) {
  if (!out) return 0;
  ppd_option_t* o = FindOption(ppd, keyword);
  *out = o ? std::optional<std::string>(o->text) : std::nullopt;
  return 0;
}

int FindPPDKeyPairsMatch(const std::vector<PPDChoiceRow>* rows, const char* key, const char* value) {
  if (!rows || !key || !value) return -1;
  for (size_t i = 0; i < rows->size(); ++i)
    if ((*rows)[i][0] == key && (*rows)[i][1] == value) return static_cast<int>(i);
  return -1;
}

bool CDFKeyExist(ppd_file_t* ppd, const char* name) {
  if (!name || !*name) return false;
  const std::string n = Name19(name);
  return ppdFindAttr_ALT(ppd, n.c_str()) != nullptr;
}

}  // namespace pdekit
