// Scenario files; see Scenario.h and docs/dialog-host.md.
#include "pdehost/Scenario.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "pdekit/PDEHost.h"

namespace pdehost {
namespace {

using json = nlohmann::json;
using Action = ScenarioStep::Action;

struct ActionSpec {
  const char* name;
  Action action;
  std::set<std::string> keys;  // allowed besides "action"
  bool element;                // needs a panel or window and a tag
};

const std::vector<ActionSpec>& Actions() {
  static const std::vector<ActionSpec> specs = {
      {"click", Action::kClick, {"tag"}, true},
      {"setState", Action::kSetState, {"tag", "state"}, true},
      {"select", Action::kSelect, {"tag", "index", "item"}, true},
      {"selectRows", Action::kSelectRows, {"tag", "rows"}, true},
      {"doubleClick", Action::kDoubleClick, {"tag", "row"}, true},
      {"type", Action::kType, {"tag", "text"}, true},
      {"paste", Action::kPaste, {"tag", "text"}, true},
      {"clear", Action::kClear, {"tag"}, true},
      {"endEditing", Action::kEndEditing, {"tag"}, true},
      {"enter", Action::kEnter, {"tag", "text"}, true},
      {"setDate", Action::kSetDate, {"tag", "time", "date"}, true},
      {"set", Action::kSet, {"tag", "value"}, true},
      {"expect", Action::kExpect,
       {"tag", "value", "text", "enabled", "hidden", "title", "itemCount", "itemsEnabled", "time"}, true},
      {"answerAlert", Action::kAnswerAlert, {"button", "titleKey", "textKey"}, false},
      {"chooseFile", Action::kChooseFile, {"path"}, false},
      {"cancelPanel", Action::kCancelPanel, {}, false},
      {"show", Action::kShow, {}, false},
      {"print", Action::kPrint, {}, false},
      {"cancel", Action::kCancel, {}, false},
  };
  return specs;
}

const char* ActionName(Action action) {
  for (const auto& s : Actions())
    if (s.action == action) return s.name;
  return "?";
}

// Thrown inside the parser only; ParseScenario turns it into its error text.
struct Bad {
  std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) { throw Bad{where + ": " + what}; }

const char* TypeName(const json& v) {
  if (v.is_string()) return "a string";
  if (v.is_boolean()) return "true or false";
  if (v.is_number_integer()) return "an integer";
  if (v.is_number()) return "a number";
  if (v.is_array()) return "a list";
  if (v.is_object()) return "an object";
  return "null";
}

std::string GetString(const json& obj, const char* key, const std::string& where) {
  const json& v = obj.at(key);
  if (!v.is_string()) Fail(where, std::string("\"") + key + "\" must be a string, not " + TypeName(v));
  return v.get<std::string>();
}

int GetInt(const json& obj, const char* key, const std::string& where) {
  const json& v = obj.at(key);
  if (!v.is_number_integer() || v.get<int64_t>() < INT32_MIN || v.get<int64_t>() > INT32_MAX)
    Fail(where, std::string("\"") + key + "\" must be an integer, not " + TypeName(v));
  return v.get<int>();
}

bool GetBool(const json& obj, const char* key, const std::string& where) {
  const json& v = obj.at(key);
  if (!v.is_boolean()) Fail(where, std::string("\"") + key + "\" must be true or false, not " + TypeName(v));
  return v.get<bool>();
}

std::vector<std::string> GetStringList(const json& obj, const char* key, const std::string& where) {
  const json& v = obj.at(key);
  if (!v.is_array()) Fail(where, std::string("\"") + key + "\" must be a list of strings");
  std::vector<std::string> out;
  for (const auto& e : v) {
    if (!e.is_string()) Fail(where, std::string("\"") + key + "\" must be a list of strings");
    out.push_back(e.get<std::string>());
  }
  return out;
}

// "HH:MM" with hour 0-23 and minute 0-59.
bool ParseTime(const std::string& text, nx::platform::ui::DateTime* out) {
  if (text.size() != 5 || text[2] != ':') return false;
  for (size_t i : {0u, 1u, 3u, 4u})
    if (text[i] < '0' || text[i] > '9') return false;
  const int h = (text[0] - '0') * 10 + (text[1] - '0');
  const int m = (text[3] - '0') * 10 + (text[4] - '0');
  if (h > 23 || m > 59) return false;
  out->hour = h;
  out->minute = m;
  return true;
}

// "YYYY-MM-DD".
bool ParseDate(const std::string& text, nx::platform::ui::DateTime* out) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  int v[3] = {0, 0, 0};
  const size_t starts[3] = {0, 5, 8}, lens[3] = {4, 2, 2};
  for (int k = 0; k < 3; ++k)
    for (size_t i = starts[k]; i < starts[k] + lens[k]; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      v[k] = v[k] * 10 + (text[i] - '0');
    }
  if (v[1] < 1 || v[1] > 12 || v[2] < 1 || v[2] > 31) return false;
  out->year = v[0];
  out->month = v[1];
  out->day = v[2];
  return true;
}

std::string Resolve(const std::string& path, const std::string& baseDir) {
  if (path.empty() || path.front() == '/' || baseDir.empty()) return path;
  return (std::filesystem::path(baseDir) / path).lexically_normal().string();
}

ScenarioStep ParseStep(const json& j, size_t number, const std::string& baseDir) {
  const std::string where = "step " + std::to_string(number);
  if (!j.is_object()) Fail(where, "must be an object");
  if (!j.contains("action")) Fail(where, "\"action\" is missing");
  const std::string name = GetString(j, "action", where);
  const ActionSpec* spec = nullptr;
  for (const auto& s : Actions())
    if (name == s.name) spec = &s;
  if (!spec) Fail(where, "unknown action \"" + name + "\"");

  ScenarioStep step;
  step.number = number;
  step.action = spec->action;
  const std::string at = where + " (" + name + ")";
  for (auto it = j.begin(); it != j.end(); ++it) {
    const std::string& key = it.key();
    if (key == "action" || key == "comment") continue;
    if ((key == "panel" || key == "window") && (spec->element || spec->action == Action::kShow)) continue;
    if (!spec->keys.count(key)) Fail(at, "unexpected field \"" + key + "\"");
  }
  if (j.contains("panel")) step.panel = GetString(j, "panel", at);
  if (j.contains("window")) step.window = GetString(j, "window", at);
  if (spec->element) {
    if (step.panel.empty() == step.window.empty()) Fail(at, "needs exactly one of \"panel\" and \"window\"");
    if (!j.contains("tag")) Fail(at, "\"tag\" is missing");
    step.tag = GetInt(j, "tag", at);
  }
  if (spec->action == Action::kShow && step.panel.empty()) Fail(at, "\"panel\" is missing");

  auto require = [&](const char* key) {
    if (!j.contains(key)) Fail(at, std::string("\"") + key + "\" is missing");
  };
  switch (spec->action) {
    case Action::kSetState:
      require("state");
      step.index = GetInt(j, "state", at);
      break;
    case Action::kSelect:
      if (j.contains("index") == j.contains("item")) Fail(at, "needs exactly one of \"index\" and \"item\"");
      if (j.contains("index")) step.index = GetInt(j, "index", at);
      else step.itemTitle = GetString(j, "item", at);
      break;
    case Action::kSelectRows: {
      require("rows");
      const json& rows = j.at("rows");
      if (!rows.is_array()) Fail(at, "\"rows\" must be a list of integers");
      for (const auto& r : rows) {
        if (!r.is_number_integer()) Fail(at, "\"rows\" must be a list of integers");
        step.rows.push_back(r.get<int>());
      }
      break;
    }
    case Action::kDoubleClick:
      require("row");
      step.index = GetInt(j, "row", at);
      break;
    case Action::kType:
    case Action::kPaste:
    case Action::kEnter:
      require("text");
      step.text = GetString(j, "text", at);
      break;
    case Action::kSetDate:
      require("time");
      if (!ParseTime(GetString(j, "time", at), &step.date)) Fail(at, "\"time\" must be \"HH:MM\"");
      if (j.contains("date") && !ParseDate(GetString(j, "date", at), &step.date))
        Fail(at, "\"date\" must be \"YYYY-MM-DD\"");
      break;
    case Action::kSet: {
      require("value");
      const json& v = j.at("value");
      if (v.is_boolean()) step.value = v.get<bool>() ? 1 : 0;
      else if (v.is_number_integer()) step.value = GetInt(j, "value", at);
      else if (v.is_string()) step.value = v.get<std::string>();
      else Fail(at, std::string("\"value\" must be an integer, a string or true/false, not ") + TypeName(v));
      break;
    }
    case Action::kExpect: {
      ElementExpectation& e = step.expect;
      if (j.contains("value")) e.intValue = GetInt(j, "value", at);
      if (j.contains("text")) e.text = GetString(j, "text", at);
      if (j.contains("enabled")) e.enabled = GetBool(j, "enabled", at);
      if (j.contains("hidden")) e.hidden = GetBool(j, "hidden", at);
      if (j.contains("title")) e.title = GetString(j, "title", at);
      if (j.contains("itemCount")) e.itemCount = GetInt(j, "itemCount", at);
      if (j.contains("itemsEnabled")) {
        const json& list = j.at("itemsEnabled");
        if (!list.is_array()) Fail(at, "\"itemsEnabled\" must be a list of true/false");
        std::vector<bool> flags;
        for (const auto& f : list) {
          if (!f.is_boolean()) Fail(at, "\"itemsEnabled\" must be a list of true/false");
          flags.push_back(f.get<bool>());
        }
        e.itemsEnabled = std::move(flags);
      }
      if (j.contains("time")) {
        nx::platform::ui::DateTime t;
        if (!ParseTime(GetString(j, "time", at), &t)) Fail(at, "\"time\" must be \"HH:MM\"");
        e.time = t;
      }
      if (!e.intValue && !e.text && !e.enabled && !e.hidden && !e.title && !e.itemCount && !e.itemsEnabled && !e.time)
        Fail(at, "names nothing to check");
      break;
    }
    case Action::kAnswerAlert:
      step.index = j.contains("button") ? GetInt(j, "button", at) : 0;
      if (step.index < 0) Fail(at, "\"button\" must not be negative");
      if (j.contains("titleKey")) step.expectTitleKey = GetString(j, "titleKey", at);
      if (j.contains("textKey")) step.expectTextKey = GetString(j, "textKey", at);
      break;
    case Action::kChooseFile:
      require("path");
      step.text = Resolve(GetString(j, "path", at), baseDir);
      break;
    default:
      break;
  }
  return step;
}

std::string OptionValueText(const json& v, const std::string& where, const std::string& key) {
  if (v.is_string()) return v.get<std::string>();
  if (v.is_number_integer()) return std::to_string(v.get<int64_t>());
  if (v.is_boolean()) return v.get<bool>() ? "true" : "false";
  Fail(where, "option \"" + key + "\" must be a string, an integer or true/false");
}

}  // namespace

bool ScenarioStep::TargetsElement() const {
  for (const auto& s : Actions())
    if (s.action == action) return s.element;
  return false;
}

std::string ScenarioStep::Describe() const {
  std::ostringstream s;
  s << "step " << number << " (" << ActionName(action);
  if (TargetsElement()) s << " tag " << tag;
  switch (action) {
    case Action::kSelect:
      if (itemTitle) s << " item \"" << *itemTitle << "\"";
      else s << " index " << index;
      break;
    case Action::kSetState: s << " " << index; break;
    case Action::kType:
    case Action::kPaste:
    case Action::kEnter: s << " of " << text.size() << " bytes"; break;  // typed text may be a password
    case Action::kAnswerAlert: s << " with button " << index; break;
    default: break;
  }
  if (!panel.empty()) s << " in panel " << panel;
  if (!window.empty()) s << " in window " << window;
  s << ")";
  return s.str();
}

std::optional<int> DestinationFromName(const std::string& name) {
  if (name == "printer") return pdekit::kPMDestinationPrinter;
  if (name == "file") return pdekit::kPMDestinationFile;
  if (name == "fax") return pdekit::kPMDestinationFax;
  if (name == "preview") return pdekit::kPMDestinationPreview;
  if (name == "pdf") return pdekit::kPMDestinationProcessPDF;
  return std::nullopt;
}

bool ParseScenario(const std::string& text, const std::string& baseDir, Scenario* out, std::string* error) {
  json root;
  try {
    root = json::parse(text);
  } catch (const json::parse_error& e) {
    if (error) *error = std::string("not valid JSON: ") + e.what();
    return false;
  }
  try {
    const std::string where = "scenario";
    if (!root.is_object()) Fail(where, "must be a JSON object");
    static const std::set<std::string> kTop = {"description", "queue", "ppd", "destination", "options",
                                               "refuseOptions", "bundles", "show", "steps", "expectSettings"};
    for (auto it = root.begin(); it != root.end(); ++it)
      if (!kTop.count(it.key())) Fail(where, "unexpected field \"" + it.key() + "\"");
    Scenario s;
    if (root.contains("queue")) s.queue = GetString(root, "queue", where);
    if (root.contains("ppd")) s.ppd = Resolve(GetString(root, "ppd", where), baseDir);
    if (root.contains("destination")) {
      const std::string d = GetString(root, "destination", where);
      s.destination = DestinationFromName(d);
      if (!s.destination) Fail(where, "unknown destination \"" + d + "\" (printer, file, fax, preview, pdf)");
    }
    if (root.contains("options")) {
      const json& o = root.at("options");
      if (!o.is_object()) Fail(where, "\"options\" must be an object of option names and values");
      for (auto it = o.begin(); it != o.end(); ++it)
        s.options.emplace_back(it.key(), OptionValueText(it.value(), where, it.key()));
    }
    if (root.contains("refuseOptions")) s.refuseOptions = GetStringList(root, "refuseOptions", where);
    if (root.contains("bundles")) s.bundles = GetStringList(root, "bundles", where);
    if (root.contains("show")) s.show = GetStringList(root, "show", where);
    if (root.contains("steps")) {
      const json& steps = root.at("steps");
      if (!steps.is_array()) Fail(where, "\"steps\" must be a list");
      size_t n = 0;
      for (const auto& j : steps) s.steps.push_back(ParseStep(j, ++n, baseDir));
    }
    if (root.contains("expectSettings")) {
      const json& e = root.at("expectSettings");
      if (!e.is_object()) Fail(where, "\"expectSettings\" must be an object of keys and values (null: absent)");
      for (auto it = e.begin(); it != e.end(); ++it) {
        if (it.value().is_null()) s.expectSettings.emplace_back(it.key(), std::nullopt);
        else s.expectSettings.emplace_back(it.key(), OptionValueText(it.value(), "expectSettings", it.key()));
      }
    }
    *out = std::move(s);
    return true;
  } catch (const Bad& b) {
    if (error) *error = b.message;
    return false;
  } catch (const json::exception& e) {
    if (error) *error = std::string("scenario: ") + e.what();
    return false;
  }
}

bool LoadScenarioFile(const std::string& path, Scenario* out, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read scenario file " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const std::string dir = std::filesystem::path(path).parent_path().string();
  if (!ParseScenario(text.str(), dir.empty() ? "." : dir, out, error)) {
    if (error) *error = path + ": " + *error;
    return false;
  }
  return true;
}

}  // namespace pdehost
