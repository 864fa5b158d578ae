#include "platform/controls/backend.h"

#include <mutex>

namespace lab {

namespace {

std::mutex g_backendMutex;
std::unique_ptr<TBackend> g_backend;

}  // namespace

TBackend& Backend() {
  std::lock_guard lock(g_backendMutex);
  if (!g_backend) g_backend = CreateDefaultBackend();
  return *g_backend;
}

void SetBackend(std::unique_ptr<TBackend> backend) {
  std::lock_guard lock(g_backendMutex);
  g_backend = std::move(backend);
}

}  // namespace lab
