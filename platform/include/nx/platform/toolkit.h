// The windowing services the panels use, independent of any GUI library: views and windows made
// of elements (integer tag, enabled and hidden state, integer / string / date value, title,
// action), modal runs that nest, alerts, beep, open and save panels, text formatters.
//
// Layouts are resources of the plug-in bundle, "<name>.nxlayout": an XML property list
//   { Title = "..."; Elements = ( { Tag = 3; Kind = "popup"; Title = "..."; Items = (...);
//     Enabled = true; Hidden = false; Value = 1 or "text"; }, ... ); }
// with Kind one of button, checkbox, radio, popup, text, secure-text, static-text, date, group,
// list, image, custom. Each backend builds its widgets from the same description.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nx/platform/bundle.h"

namespace nx::platform::ui {

enum class ElementKind {
  kButton,
  kCheckBox,
  kRadioButton,
  kPopup,
  kTextField,
  kSecureTextField,
  kStaticText,
  kDatePicker,
  kGroupBox,
  kList,
  kImage,
  kCustom,
};

// Layout name of a kind ("popup") and back; empty / nothing for unknown values.
std::string_view ElementKindName(ElementKind kind);
std::optional<ElementKind> ElementKindFromName(std::string_view name);

// A date and time of day as the date pickers hold it (local time, no zone).
struct DateTime {
  int year = 2001, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  auto operator<=>(const DateTime&) const = default;
};

// Consulted on every edit of a text field: may the text, as it would be after the edit, stand?
class TextFormatter {
 public:
  virtual ~TextFormatter() = default;
  // `error` (may be null) receives the refusal's description.
  virtual bool IsPartialStringValid(const std::string& partial, std::string* error) = 0;
};

class Element {
 public:
  using Action = std::function<void(Element&)>;
  virtual ~Element() = default;

  virtual int Tag() const = 0;
  virtual ElementKind Kind() const = 0;

  virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool IsHidden() const = 0;
  virtual void SetHidden(bool hidden) = 0;

  // Check boxes and radio buttons: their state (0 or 1); popups and lists: the selected index
  // (-1 for none); text fields: the text read as a decimal number.
  virtual int IntValue() const = 0;
  virtual void SetIntValue(int value) = 0;
  virtual std::string StringValue() const = 0;
  virtual void SetStringValue(std::string value) = 0;
  virtual DateTime DateValue() const = 0;
  virtual void SetDateValue(const DateTime& value) = 0;
  virtual std::string Title() const = 0;
  virtual void SetTitle(std::string title) = 0;

  // Called when the user operates the element (click, choice, end of editing).
  virtual void SetAction(Action action) = 0;
  // Lists: called on a double click of a row.
  virtual void SetDoubleAction(Action action) = 0;
  // Runs the action as if the user had operated the element.
  virtual void SendAction() = 0;
  virtual void SendDoubleAction() = 0;

  // Menu items of popups, rows of lists (cells: one string per column; the first is the title).
  virtual void RemoveAllItems() = 0;
  virtual void AddItem(std::string title, std::string represented_object = {}) = 0;
  virtual void AddRow(std::vector<std::string> cells) = 0;
  virtual int ItemCount() const = 0;
  virtual std::string ItemTitle(int index) const = 0;                // empty when out of range
  virtual std::vector<std::string> ItemCells(int index) const = 0;   // empty when out of range
  virtual std::string ItemRepresentedObject(int index) const = 0;    // empty when out of range
  virtual void SetItemEnabled(int index, bool enabled) = 0;
  virtual bool IsItemEnabled(int index) const = 0;
  virtual int SelectedIndex() const = 0;
  virtual void SelectItem(int index) = 0;  // out of range: nothing selected
  virtual std::vector<int> SelectedRows() const = 0;
  virtual void SelectRows(std::vector<int> rows) = 0;

  // Text fields.
  virtual void SetFormatter(std::shared_ptr<TextFormatter> formatter) = 0;
  virtual TextFormatter* Formatter() const = 0;
};

// A pane or a window's content: elements addressed by tag.
class View {
 public:
  virtual ~View() = default;
  // The layout name it was loaded from (or created with).
  virtual const std::string& Name() const = 0;
  // The first element with `tag`, or null.
  virtual Element* FindElement(int tag) = 0;
  virtual std::vector<Element*> Elements() = 0;
  virtual Element& AddElement(ElementKind kind, int tag, std::string title = {}) = 0;
};

class Window : public View {
 public:
  virtual std::string Title() const = 0;
  virtual void SetTitle(std::string title) = 0;
  virtual void MakeFirstResponder(Element* element) = 0;
  virtual Element* FirstResponder() const = 0;
  virtual bool IsVisible() const = 0;
  virtual void Show() = 0;
  virtual void Close() = 0;
};

// Modal responses.
inline constexpr int kModalResponseStop = -1000;
inline constexpr int kModalResponseAbort = -1001;
inline constexpr int kModalResponseOK = 1;
inline constexpr int kModalResponseCancel = 0;

enum class AlertStyle { kWarning, kInformational, kCritical };

// What an alert shows. The keys are kept with the texts so that tests can check which message
// appeared whatever the translation.
struct Alert {
  AlertStyle style = AlertStyle::kCritical;
  std::string title_key;               // key of the message text (may be empty)
  std::string text_key;                // key of the informative text (may be empty)
  std::vector<std::string> arguments;  // values put into the texts
  std::string message_text;
  std::string informative_text;
  std::vector<std::string> buttons;  // titles in the order added; the first is the default
};

// RunAlert answers kAlertFirstButtonReturn + the index of the button pressed.
inline constexpr int kAlertFirstButtonReturn = 1000;

// The short form's answers.
inline constexpr int kAlertDefaultReturn = 1;
inline constexpr int kAlertAlternateReturn = 0;
inline constexpr int kAlertOtherReturn = -1;

struct OpenPanelRequest {
  std::string message;
  std::string start_dir;
  std::vector<std::string> allowed_extensions;  // without the dot; empty: any file
};

struct SavePanelRequest {
  std::string message;
  std::string start_dir;
  std::string default_name;
  std::vector<std::string> allowed_extensions;  // the first is added to a name that has none
  std::string title;       // the panel's title (empty: the toolkit's own)
  std::string name_label;  // the label of the file name field (empty: the toolkit's own)
};

// A view or window description read from a layout resource.
struct ElementSpec {
  ElementKind kind = ElementKind::kCustom;
  int tag = 0;
  std::string title;
  std::vector<std::string> items;
  bool enabled = true;
  bool hidden = false;
  std::optional<int> int_value;
  std::optional<std::string> string_value;
};

struct LayoutSpec {
  std::string name;
  std::string title;
  std::vector<ElementSpec> elements;
};

// Reads Resources/<name>.nxlayout; empty when missing or malformed (every element needs an
// integer Tag and a known Kind).
std::optional<LayoutSpec> LoadLayoutSpec(const Bundle& bundle, std::string_view name);
std::optional<LayoutSpec> ParseLayoutSpec(std::string name, const PropertyValue& root);
// Gives a made element what its description says it starts with: items (rows of a list),
// state and value. Every toolkit fills its elements so.
void ApplyElementSpec(Element& element, const ElementSpec& spec);

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Loaded from the bundle's layouts; null when the layout is missing or malformed.
  virtual std::unique_ptr<View> LoadView(const Bundle& bundle, std::string_view name) = 0;
  virtual std::unique_ptr<Window> LoadWindow(const Bundle& bundle, std::string_view name) = 0;
  virtual std::unique_ptr<View> CreateView(std::string name) = 0;
  virtual std::unique_ptr<Window> CreateWindow(std::string name, std::string title) = 0;

  // Runs `window` modally until StopModal is called for it; answers the response given there
  // (kModalResponseAbort when the run could not go on). Runs nest.
  virtual int RunModal(Window& window) = 0;
  // Ends the modal run of `window` (once control comes back to it, when runs are nested).
  virtual void StopModal(Window& window, int response) = 0;
  virtual bool IsRunningModal(const Window& window) const = 0;

  virtual int RunAlert(const Alert& alert) = 0;
  virtual void Beep() = 0;
  // The chosen path, or nothing when cancelled.
  virtual std::optional<std::string> RunOpenPanel(const OpenPanelRequest& request) = 0;
  virtual std::optional<std::string> RunSavePanel(const SavePanelRequest& request) = 0;
};

// The short form: `alert` shown in the critical style with up to three buttons (default,
// alternate, other; further ones are dropped); answers kAlertDefaultReturn,
// kAlertAlternateReturn or kAlertOtherReturn.
int RunCriticalAlertPanel(Toolkit& toolkit, Alert alert);

}  // namespace nx::platform::ui
