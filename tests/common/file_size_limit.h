#pragma once
// A disk about to fill, for tests of saving: while the object lives no file of this process grows
// past Bytes, and a write beyond fails (EFBIG) instead of ending the process.

#include <signal.h>
#include <sys/resource.h>

namespace lab::testing {

class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t Bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    old_signal_ = signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{Bytes, old_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, old_signal_);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit old_{};
  sighandler_t old_signal_ = SIG_DFL;
};

}  // namespace lab::testing
