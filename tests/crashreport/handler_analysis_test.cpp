#include <gtest/gtest.h>

#include <exception>
#include <thread>

#include "crashreport/capture/handler_analysis.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

// The thrown object an exception_ptr holds, with the C++ runtime's header in front of it.
const void* ThrownObject(const std::exception_ptr& E) { return *reinterpret_cast<const void* const*>(&E); }

struct TAnswer {
  bool Handled = false;
  TCrashHandlerKind Kind = hkNone;
};

__attribute__((noinline)) TAnswer Analyze(const std::exception_ptr& E, const void* Address) {
  TAnswer a;
  a.Handled = AnalyzeExceptionHandlers(ThrownObject(E), Address, false, a.Kind);
  return a;
}

// Each case runs in a thread of its own, whose start catches nothing (the test runner would).
template <class F>
TAnswer InThread(F Case) {
  TAnswer answer;
  std::thread([&] { answer = Case(); }).join();
  return answer;
}

TEST(HandlerAnalysis, AMatchingCatchClauseHandles) {
  const std::exception_ptr e = std::make_exception_ptr(EConvertError("bad"));
  static int site1, site2, site3;
  TAnswer a = InThread([&] {
    try {
      return Analyze(e, &site1);
    } catch (const Exception&) {  // a base class catches
      return TAnswer{};
    }
  });
  EXPECT_TRUE(a.Handled);
  EXPECT_EQ(a.Kind, hkNone);

  a = InThread([&] {
    try {
      return Analyze(e, &site2);
    } catch (const EListError&) {  // another class does not
      return TAnswer{};
    }
  });
  EXPECT_FALSE(a.Handled);

  // The crash reporter's switches.
  CrashState().AllExceptionsHandled = true;
  a = InThread([&] { return Analyze(e, &site3); });
  EXPECT_TRUE(a.Handled);
  CrashState().AllExceptionsHandled = false;
}

// The runtime ends the program at a noexcept function: a catch clause further out never sees it.
// Called through a pointer (as a callback would be), so the caller keeps its catch clause.
__attribute__((noinline)) TAnswer AnalyzeInNoexcept(const std::exception_ptr& E, const void* Address) noexcept {
  return Analyze(E, Address);
}
TAnswer (*volatile g_analyze_in_noexcept)(const std::exception_ptr&, const void*) = &AnalyzeInNoexcept;

TEST(HandlerAnalysis, ANoexceptFunctionOnTheWayCatchesNothing) {
  const std::exception_ptr e = std::make_exception_ptr(EConvertError("bad"));
  static int site;
  const TAnswer a = InThread([&] {
    try {
      return g_analyze_in_noexcept(e, &site);
    } catch (const Exception&) {
      return TAnswer{};
    }
  });
  EXPECT_FALSE(a.Handled);
  EXPECT_EQ(a.Kind, hkNone);
}

TEST(HandlerAnalysis, ACatchingFrameOfItsOwnCallerCanBeLeftOut) {
  const std::exception_ptr e = std::make_exception_ptr(EConvertError("bad"));
  static int site;
  CrashState().IgnoreCallerFrame = true;
  const TAnswer a = InThread([&] {
    try {
      return Analyze(e, &site);
    } catch (...) {
      return TAnswer{};
    }
  });
  CrashState().IgnoreCallerFrame = false;
  EXPECT_FALSE(a.Handled);  // exactly one frame handles: it does not count
}

class TAnalyzingThread : public TThread {
 public:
  explicit TAnalyzingThread(const std::exception_ptr& E) : TThread(true), e_(E) {}
  TAnswer answer;

 protected:
  void Execute() override { answer = Analyze(e_, this); }

 private:
  std::exception_ptr e_;
};

TEST(HandlerAnalysis, TheThreadClassCatchesWhatExecuteLetsOut) {
  TAnalyzingThread thread(std::make_exception_ptr(EConvertError("in a thread")));
  thread.Start();
  thread.WaitFor();
  EXPECT_FALSE(thread.answer.Handled);
  EXPECT_EQ(thread.answer.Kind, hkThreadWrapper);
}

}  // namespace
}  // namespace lab
