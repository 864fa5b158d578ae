#include "editor/method_chain.h"

#include <string>

namespace lab {

void TCodeMethodChain::Add(const TNotifyMethod& AEvent) {
  if (!AEvent) throw ECodeMethodChain("%s.Entry : the parameter `AEvent' must be specified.", std::string(ClassName()));
  entries_.push_back(AEvent);
}

void TCodeMethodChain::Remove(const TNotifyMethod& AEvent) {
  if (!AEvent) throw ECodeMethodChain("%s.Remove: the parameter `AEvent' must be specified.", std::string(ClassName()));
  for (std::size_t i = entries_.size(); i-- > 0;)
    if (entries_[i] == AEvent) {
      entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

void TCodeMethodChain::Fire() {
  // By index and on a copy: a handler may add or remove entries while the chain fires.
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TNotifyMethod entry = entries_[i];
    try {
      FireEvent(entry);
    } catch (Exception& e) {
      if (!DoHandleException(e)) break;
    }
  }
}

bool TCodeMethodChain::DoHandleException(Exception& E) {
  if (!OnException) throw;
  bool do_continue = true;
  OnException(this, E, do_continue);
  return do_continue;
}

}  // namespace lab
