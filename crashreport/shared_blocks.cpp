#include "crashreport/shared_blocks.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace lab {
namespace {

struct TBlock {
  std::unique_ptr<std::uint32_t[]> words;  // word 0: total size in bytes, the size word included
  std::size_t openings = 0;
};

struct TRegistry {
  std::mutex lock;
  std::map<std::string, TBlock, std::less<>> blocks;
  std::map<TSharedBlockHandle, std::string> handles;
  TSharedBlockHandle next_handle = 1;
};

TRegistry& Registry() {
  static TRegistry* registry = new TRegistry;  // never destroyed: modules may close blocks late
  return *registry;
}

}  // namespace

std::string SharedBlockName(std::string_view Name, std::uint32_t ID) {
  char digits[17];
  std::snprintf(digits, sizeof digits, "%08X%08X", static_cast<unsigned>(::getpid()), static_cast<unsigned>(ID));
  std::string name(Name);
  name += digits;
  return name;
}

TSharedBlockHandle CreateSharedBlock(std::string_view Name, std::uint32_t ID, std::uint32_t Size, void*& Data) {
  Data = nullptr;
  const std::string name = SharedBlockName(Name, ID);
  TRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  auto it = r.blocks.find(name);
  if (it == r.blocks.end()) {
    if (Size == 0 || Size > UINT32_MAX - 4) return 0;
    const std::uint32_t total = Size + 4;
    std::unique_ptr<std::uint32_t[]> words(new (std::nothrow) std::uint32_t[(total + 3) / 4]());
    if (!words) return 0;
    words[0] = total;
    it = r.blocks.emplace(name, TBlock{std::move(words), 0}).first;
  }
  const TSharedBlockHandle handle = r.next_handle++;
  r.handles.emplace(handle, name);
  ++it->second.openings;
  Data = it->second.words.get() + 1;
  return handle;
}

void CloseSharedBlock(TSharedBlockHandle& Handle, void*& Data) {
  if (Handle == 0) return;
  TRegistry& r = Registry();
  {
    std::lock_guard guard(r.lock);
    auto h = r.handles.find(Handle);
    if (h != r.handles.end()) {
      auto b = r.blocks.find(h->second);
      if (b != r.blocks.end() && --b->second.openings == 0) r.blocks.erase(b);
      r.handles.erase(h);
    }
  }
  Handle = 0;
  Data = nullptr;
}

}  // namespace lab
