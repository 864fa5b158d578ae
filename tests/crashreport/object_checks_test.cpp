#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <thread>

#include "crashreport/crashlog.h"
#include "crashreport/report/object_checks.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

struct TPlainBase {
  virtual ~TPlainBase() = default;
  int Value = 1;
};
struct TSecondBase {
  virtual ~TSecondBase() = default;
};
struct TBoth : TPlainBase, TSecondBase {};

TEST(ObjectChecks, SoundObjectsTellTheirClassAndAncestors) {
  EConvertError error("bad");
  EXPECT_TRUE(IsValidObject(&error));
  EXPECT_EQ(ObjectClass(&error), &typeid(EConvertError));
  EXPECT_EQ(ObjectClassName(&error), "EConvertError");
  EXPECT_TRUE(ObjectInheritsFromName(&error, "econverterror"));
  EXPECT_TRUE(ObjectInheritsFromName(&error, "Exception"));
  EXPECT_TRUE(ObjectInheritsFromName(&error, "TOBJECT"));         // the first of two bases
  EXPECT_TRUE(ObjectInheritsFromName(&error, "std::exception"));  // the second, by qualified name
  EXPECT_TRUE(ObjectInheritsFromName(&error, "lab::Exception"));
  EXPECT_FALSE(ObjectInheritsFromName(&error, "EAbort"));
  EXPECT_FALSE(ObjectInheritsFromName(&error, "lab::EConvert"));
  EXPECT_TRUE(ObjectInheritsFromClass(&error, typeid(Exception)));
  EXPECT_TRUE(ObjectInheritsFromClass(&error, typeid(std::exception)));
  EXPECT_FALSE(ObjectInheritsFromClass(&error, typeid(EListError)));
  EXPECT_TRUE(ObjectInheritsFromAny(&error, {&typeid(EListError), &typeid(EConvertError)}));
  EXPECT_FALSE(ObjectInheritsFromAny(&error, {&typeid(EListError), nullptr}));
  EXPECT_TRUE(ClassInheritsFromName(typeid(EConvertError), "Exception"));
  EXPECT_TRUE(ClassInheritsFromClass(typeid(TBoth), typeid(TSecondBase)));

  // The pointer to a second base still leads to the whole object's class.
  TBoth both;
  const TSecondBase* second = &both;
  EXPECT_EQ(ObjectClass(second), &typeid(TBoth));
  EXPECT_EQ(ObjectClassName(second), "TBoth");
}

TEST(ObjectChecks, AbortsAndFaultsAreToldApart) {
  EAbort abort("quiet");
  EExternal fault("fault");
  EConvertError error("loud");
  EXPECT_FALSE(IsValidNonAbortException(&abort));
  EXPECT_TRUE(IsValidNonAbortException(&error));
  EXPECT_TRUE(IsValidNonAbortException(&fault));
  EXPECT_FALSE(IsNotExternalException(&fault));
  EXPECT_TRUE(IsNotExternalException(&error));
  EXPECT_FALSE(IsValidNonAbortException(nullptr));
  EXPECT_TRUE(IsNotExternalException(nullptr));
}

TEST(ObjectChecks, GarbageNeverPassesNorFaults) {
  EXPECT_FALSE(IsValidObject(nullptr));
  EXPECT_EQ(ObjectClassName(nullptr), "");

  // Bytes that are no object: a readable "virtual table" that leads nowhere sensible.
  alignas(8) unsigned char garbage[64];
  for (std::size_t i = 0; i < sizeof garbage; ++i) garbage[i] = static_cast<unsigned char>(i * 37 + 11);
  EXPECT_FALSE(IsValidObject(garbage));
  EXPECT_FALSE(IsValidObject(garbage + 3));  // misaligned
  const void* fake_table[4] = {nullptr, garbage, nullptr, nullptr};
  const void* fake_object = &fake_table[2];
  EXPECT_FALSE(IsValidObject(&fake_object));
  // An object whose class information is another object's.
  EConvertError error("x");
  const void* borrowed[3] = {nullptr, &error, nullptr};
  const void* borrowed_object = &borrowed[2];
  EXPECT_FALSE(IsValidObject(&borrowed_object));
  EXPECT_FALSE(ObjectInheritsFromName(&borrowed_object, "Exception"));

  // Unmapped and unreadable memory.
  const long page = ::sysconf(_SC_PAGESIZE);
  void* map = ::mmap(nullptr, static_cast<std::size_t>(page) * 2, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(map, MAP_FAILED);
  auto* bytes = static_cast<unsigned char*>(map);
  std::memcpy(bytes + page - 8, static_cast<const void*>(&error), 8);  // a real virtual table pointer, then a locked page
  ::mprotect(bytes + page, static_cast<std::size_t>(page), PROT_NONE);
  EXPECT_FALSE(IsValidObject(bytes + page));
  EXPECT_TRUE(IsValidObject(bytes + page - 8));  // only the pointer is read
  ::munmap(map, static_cast<std::size_t>(page) * 2);
  EXPECT_FALSE(IsValidObject(map));
  EXPECT_FALSE(ObjectInheritsFromClass(map, typeid(Exception)));
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(ObjectChecks, FreedObjectsDoNotPass) {
  auto* error = new EConvertError("gone");
  const void* address = error;
  delete error;
  // The allocator keeps its own links where the virtual table pointer was.
  EXPECT_FALSE(IsValidObject(address));
}
#endif

TEST(ObjectChecks, HandlesAndThreads) {
  const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  EXPECT_TRUE(IsValidHandle(fd));
  ::close(fd);
  EXPECT_FALSE(IsValidHandle(fd));
  EXPECT_FALSE(IsValidHandle(-1));

  EXPECT_TRUE(IsThreadRunning(GetCurrentThreadID()));
  EXPECT_FALSE(IsThreadRunning(0));
  std::uint32_t id = 0;
  std::thread([&] { id = GetCurrentThreadID(); }).join();
  // The kernel lets go of an ended thread a moment after join returns (sooner or later on a busy
  // machine): until then it still takes signals.
  bool ended = false;
  for (int i = 0; i < 2000 && !ended; ++i) {
    ended = !IsThreadRunning(id);
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace lab
