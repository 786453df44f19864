// In-process named notifications; see notifications.h.
#include "nx/platform/notifications.h"

#include <algorithm>

namespace nx::platform {

NotificationCenter::Token NotificationCenter::AddObserver(std::string name, Observer observer,
                                                          const void* sender) {
  const Token token = next_token_++;
  observers_.push_back(Entry{token, std::move(name), sender, std::move(observer)});
  return token;
}

void NotificationCenter::RemoveObserver(Token token) {
  std::erase_if(observers_, [token](const Entry& e) { return e.token == token; });
}

void NotificationCenter::Post(std::string_view name, const void* sender) {
  const Notification note{std::string(name), sender};
  // Observers may add or remove observers (or post) while being called: walk a snapshot of the
  // tokens and look each one up again before calling it.
  std::vector<Token> tokens;
  tokens.reserve(observers_.size());
  for (const auto& e : observers_) tokens.push_back(e.token);
  for (Token t : tokens) {
    auto it = std::find_if(observers_.begin(), observers_.end(), [t](const Entry& e) { return e.token == t; });
    if (it == observers_.end()) continue;
    if (!it->name.empty() && it->name != name) continue;
    if (it->sender && it->sender != sender) continue;
    Observer call = it->observer;  // the entry may vanish while it runs
    call(note);
  }
}

}  // namespace nx::platform
