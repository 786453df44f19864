// One PPD choice as the popups bound to PPD options see it.
#pragma once

#include <cups/ppd.h>

#include <optional>
#include <string>

namespace pdekit {

class PDEChoice {
 public:
  static PDEChoice choiceWithChoice(ppd_choice_t* choice) { return PDEChoice(choice); }
  explicit PDEChoice(ppd_choice_t* choice) : choice_(choice) {}  // initWithChoice:

  // The choice's translated text; made on first request and kept.
  const std::string& userTitle() const;
  // The choice keyword; made on first request and kept.
  const std::string& ppdTitle() const;
  ppd_choice_t* choice() const { return choice_; }  // not owned

 private:
  ppd_choice_t* choice_;
  mutable std::optional<std::string> user_title_;
  mutable std::optional<std::string> ppd_title_;
};

}  // namespace pdekit
