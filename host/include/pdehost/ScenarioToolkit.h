// The toolkit of the stand-in print dialog: a scripted toolkit (the headless one unless another
// is given, such as a desktop toolkit under test) plus the checks a scenario asks for when an
// alert is answered (which message it was).
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "nx/platform/headless_toolkit.h"

namespace pdehost {

class ScenarioToolkit final : public nx::platform::ui::Toolkit {
 public:
  // What the next scripted answer expects of its alert.
  struct AlertExpectation {
    size_t step = 0;
    std::optional<std::string> titleKey;
    std::optional<std::string> textKey;
  };
  using FailureSink = std::function<void(size_t step, std::string message)>;

  ScenarioToolkit();  // over the headless toolkit
  explicit ScenarioToolkit(std::unique_ptr<nx::platform::ui::ScriptedToolkit> inner) : inner_(std::move(inner)) {}

  nx::platform::ui::ScriptedToolkit& scripted() { return *inner_; }
  const nx::platform::ui::ScriptedToolkit& scripted() const { return *inner_; }
  // Only for a scenario toolkit over the headless toolkit.
  nx::platform::ui::HeadlessToolkit& headless() { return dynamic_cast<nx::platform::ui::HeadlessToolkit&>(*inner_); }
  // Expectations in the order of the answer steps pushed to the script.
  void ExpectAlert(AlertExpectation expectation) { expectations_.push_back(std::move(expectation)); }
  void ClearExpectations() { expectations_.clear(); }
  void SetFailureSink(FailureSink sink) { sink_ = std::move(sink); }
  // The windows run modally, in order, with the title each showed: what the user read.
  struct ShownWindow {
    std::string name;
    std::string title;
  };
  const std::vector<ShownWindow>& ShownWindows() const { return shown_; }

  std::unique_ptr<nx::platform::ui::View> LoadView(const nx::platform::Bundle& bundle, std::string_view name) override {
    return inner_->LoadView(bundle, name);
  }
  std::unique_ptr<nx::platform::ui::Window> LoadWindow(const nx::platform::Bundle& bundle,
                                                       std::string_view name) override {
    return inner_->LoadWindow(bundle, name);
  }
  std::unique_ptr<nx::platform::ui::View> CreateView(std::string name) override {
    return inner_->CreateView(std::move(name));
  }
  std::unique_ptr<nx::platform::ui::Window> CreateWindow(std::string name, std::string title) override {
    return inner_->CreateWindow(std::move(name), std::move(title));
  }
  int RunModal(nx::platform::ui::Window& window) override {
    shown_.push_back({window.Name(), window.Title()});
    return inner_->RunModal(window);
  }
  void StopModal(nx::platform::ui::Window& window, int response) override { inner_->StopModal(window, response); }
  bool IsRunningModal(const nx::platform::ui::Window& window) const override { return inner_->IsRunningModal(window); }
  // Answered by the script; when an answer step was used, its expectation is checked.
  int RunAlert(const nx::platform::ui::Alert& alert) override;
  void Beep() override { inner_->Beep(); }
  std::optional<std::string> RunOpenPanel(const nx::platform::ui::OpenPanelRequest& request) override {
    return inner_->RunOpenPanel(request);
  }
  std::optional<std::string> RunSavePanel(const nx::platform::ui::SavePanelRequest& request) override {
    return inner_->RunSavePanel(request);
  }

 private:
  std::unique_ptr<nx::platform::ui::ScriptedToolkit> inner_;
  std::deque<AlertExpectation> expectations_;
  FailureSink sink_;
  std::vector<ShownWindow> shown_;
};

}  // namespace pdehost
