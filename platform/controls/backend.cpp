#include "platform/controls/backend.h"

#include <mutex>

#include "platform/graphics/system_metrics.h"

namespace lab {

namespace {

std::mutex g_backendMutex;

// Never destroyed: windows freed by exit handlers and static destructors still leave the display,
// and its event thread keeps running until the process is gone.
std::unique_ptr<TBackend>& Current() {
  static auto* backend = new std::unique_ptr<TBackend>;
  return *backend;
}

}  // namespace

TBackend& Backend() {
  std::lock_guard lock(g_backendMutex);
  std::unique_ptr<TBackend>& backend = Current();
  if (!backend) {
    backend = CreateDefaultBackend();
    win::SetScreenSize(backend->ScreenSize());
  }
  return *backend;
}

void SetBackend(std::unique_ptr<TBackend> backend) {
  {
    std::lock_guard lock(g_backendMutex);
    if (backend) win::SetScreenSize(backend->ScreenSize());
    Current().swap(backend);
  }
  // The old one goes outside the lock: its event thread may be asking for it.
  backend.reset();
}

void TBackend::ScreenSizeChanged() {
  std::lock_guard lock(g_backendMutex);
  if (Current().get() == this) win::SetScreenSize(ScreenSize());
}

}  // namespace lab
