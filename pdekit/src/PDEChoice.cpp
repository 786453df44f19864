// PPD choice wrapper; see PDEChoice.h.
#include "pdekit/PDEChoice.h"

namespace pdekit {

const std::string& PDEChoice::userTitle() const {
  if (!user_title_) user_title_ = choice_ ? std::string(choice_->text) : std::string();
  return *user_title_;
}

const std::string& PDEChoice::ppdTitle() const {
  if (!ppd_title_) ppd_title_ = choice_ ? std::string(choice_->choice) : std::string();
  return *ppd_title_;
}

}  // namespace pdekit
