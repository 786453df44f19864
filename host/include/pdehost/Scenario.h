// A scenario: what the user of the stand-in print dialog does, read from a JSON file (format in
// docs/dialog-host.md). Parsing checks every step once, so that running it needs no further
// validation; a bad file is refused with the step number and the field at fault.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "nx/platform/toolkit.h"

namespace pdehost {

// What one step expects of an element; only the fields given are checked.
struct ElementExpectation {
  std::optional<int> intValue;              // state, selected index
  std::optional<std::string> text;          // string value (text fields, selected item title)
  std::optional<bool> enabled;
  std::optional<bool> hidden;
  std::optional<std::string> title;
  std::optional<int> itemCount;
  std::optional<std::vector<bool>> itemsEnabled;
  std::optional<nx::platform::ui::DateTime> time;  // hour and minute only
};

struct ScenarioStep {
  enum class Action {
    kClick,
    kSetState,
    kSelect,
    kSelectRows,
    kDoubleClick,
    kType,
    kPaste,
    kClear,
    kEndEditing,
    kEnter,
    kSetDate,
    kSet,          // by the element's kind: state, item (index or title), text, time
    kAnswerAlert,  // the next alert; optionally checks its keys
    kChooseFile,   // the next open or save panel
    kCancelPanel,
    kExpect,       // checks an element
    kShow,         // the user picks a panel
    kPrint,        // the Print button
    kCancel,       // the Cancel button
  };

  size_t number = 0;  // 1-based position in "steps"
  Action action = Action::kClick;
  std::string panel;   // pane target: panel kind, name or "#index"
  std::string window;  // window target: its layout name
  int tag = 0;
  int index = 0;  // state, item, row, alert button
  std::optional<std::string> itemTitle;
  std::vector<int> rows;
  std::string text;  // typed text, chosen path
  nx::platform::ui::DateTime date;
  std::variant<int, std::string> value;  // of kSet
  std::optional<std::string> expectTitleKey;
  std::optional<std::string> expectTextKey;
  ElementExpectation expect;

  bool TargetsElement() const;
  // "step 4 (click tag 5 in panel Fax)"; typed text only by its length.
  std::string Describe() const;
};

struct Scenario {
  std::optional<std::string> queue;
  std::optional<std::string> ppd;  // absolute, or relative to the scenario file
  std::optional<int> destination;  // PMDestinationType
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> refuseOptions;
  std::vector<std::string> bundles;  // bundle folder names, in load order
  std::optional<std::vector<std::string>> show;
  std::vector<ScenarioStep> steps;
  // Final job options: a value, or nullopt for "absent".
  std::vector<std::pair<std::string, std::optional<std::string>>> expectSettings;
};

// Destination names: "printer", "file", "fax", "preview", "pdf"; empty when unknown.
std::optional<int> DestinationFromName(const std::string& name);

// Parses `text`; relative paths are taken from `baseDir`. False with a message naming the step
// and field on any error.
bool ParseScenario(const std::string& text, const std::string& baseDir, Scenario* out, std::string* error);
bool LoadScenarioFile(const std::string& path, Scenario* out, std::string* error);

}  // namespace pdehost
