// One element of a layout as a Qt widget. Values set by the program never run the element's
// action (signals are blocked while they change); what the user does always does.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "layout_extras.h"
#include "nx/platform/toolkit.h"

class QLabel;
class QLineEdit;

namespace nx::desktop {

class QtElement final : public platform::ui::Element {
 public:
  // The widgets are made children of `parent` at once: a widget without a parent would show as
  // a window of its own.
  QtElement(platform::ui::ElementKind kind, int tag, std::string title, Placement placement, QWidget* parent,
            const platform::Bundle* strings);
  ~QtElement() override;

  // What goes into a layout (a text field with its note below it), and the control itself.
  QWidget* Outer() const { return outer_; }
  QWidget* Control() const { return control_; }
  const Placement& placement() const { return placement_; }
  Placement& placement() { return placement_; }
  // A static text naming `control`: the control's accessible name follows the text.
  void Names(QtElement* control);
  // The note under a text field that says why an edit was refused (null for other kinds).
  QLabel* Note() const { return note_; }

  int Tag() const override { return tag_; }
  platform::ui::ElementKind Kind() const override { return kind_; }
  bool IsEnabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  bool IsHidden() const override { return hidden_; }
  void SetHidden(bool hidden) override;
  int IntValue() const override;
  void SetIntValue(int value) override;
  std::string StringValue() const override;
  void SetStringValue(std::string value) override;
  platform::ui::DateTime DateValue() const override { return date_; }
  void SetDateValue(const platform::ui::DateTime& value) override;
  std::string Title() const override { return title_; }
  void SetTitle(std::string title) override;
  void SetAction(Action action) override { action_ = std::move(action); }
  void SetDoubleAction(Action action) override { double_action_ = std::move(action); }
  void SendAction() override;
  void SendDoubleAction() override;
  void RemoveAllItems() override;
  void AddItem(std::string title, std::string represented_object) override;
  void AddRow(std::vector<std::string> cells) override;
  int ItemCount() const override;
  std::string ItemTitle(int index) const override;
  std::vector<std::string> ItemCells(int index) const override;
  std::string ItemRepresentedObject(int index) const override;
  void SetItemEnabled(int index, bool enabled) override;
  bool IsItemEnabled(int index) const override;
  int SelectedIndex() const override;
  void SelectItem(int index) override;
  std::vector<int> SelectedRows() const override;
  void SelectRows(std::vector<int> rows) override;
  void SetFormatter(std::shared_ptr<platform::ui::TextFormatter> formatter) override;
  platform::ui::TextFormatter* Formatter() const override { return formatter_.get(); }

  // Asked by the text field's validator: may `text` stand? Shows or hides the reason.
  bool Accepts(const std::string& text);

 private:
  bool IsStateful() const;
  bool HasItems() const;
  bool IsText() const;
  void ShowText(const std::string& text);  // the visible text of labels, buttons, boxes
  void UpdateAccessibleName();
  void UserChanged();

  platform::ui::ElementKind kind_;
  int tag_;
  std::string title_;
  std::string text_;  // kinds without a text widget keep their string value here
  Placement placement_;
  QPointer<QWidget> outer_;
  QPointer<QWidget> control_;
  QLabel* note_ = nullptr;
  QtElement* named_ = nullptr;  // the control this static text names
  bool enabled_ = true;
  bool hidden_ = false;
  platform::ui::DateTime date_;
  std::vector<std::string> represented_;  // lists: per row
  Action action_;
  Action double_action_;
  std::shared_ptr<platform::ui::TextFormatter> formatter_;
  std::unique_ptr<QObject> guard_;  // context of the widgets' connections to this element
};

}  // namespace nx::desktop
