// Alert checks of the scenario toolkit; see ScenarioToolkit.h.
#include "pdehost/ScenarioToolkit.h"

namespace pdehost {

ScenarioToolkit::ScenarioToolkit() : ScenarioToolkit(std::make_unique<nx::platform::ui::HeadlessToolkit>()) {}

int ScenarioToolkit::RunAlert(const nx::platform::ui::Alert& alert) {
  const size_t before = inner_->PendingSteps();
  const int answer = inner_->RunAlert(alert);
  // A scripted toolkit takes an answer step only from the front of the script, so answered
  // alerts meet the answer steps, and thus their expectations, in script order.
  if (inner_->PendingSteps() < before && !expectations_.empty()) {
    AlertExpectation e = std::move(expectations_.front());
    expectations_.pop_front();
    auto mismatch = [&](const char* what, const std::string& want, const std::string& got) {
      if (sink_)
        sink_(e.step, std::string("expected an alert with ") + what + " \"" + want + "\", but the alert shown has \"" +
                          got + "\"");
    };
    if (e.titleKey && *e.titleKey != alert.title_key) mismatch("title key", *e.titleKey, alert.title_key);
    if (e.textKey && *e.textKey != alert.text_key) mismatch("text key", *e.textKey, alert.text_key);
  }
  return answer;
}

}  // namespace pdehost
