#include "platform/rtl/scope_exit.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

TEST(ScopeExit, RunsOnEveryWayOutAndFailOnlyOnErrors) {
  std::string log;
  {
    TScopeExit a([&] { log += "exit;"; });
    TScopeFail b([&] { log += "fail;"; });
  }
  EXPECT_EQ(log, "exit;");

  log.clear();
  EXPECT_THROW(
      {
        TScopeExit a([&] { log += "exit;"; });
        TScopeFail b([&] { log += "fail;"; });
        throw EAbort("");
      },
      EAbort);
  EXPECT_EQ(log, "fail;exit;");  // the later guard first, as the scope unwinds

  log.clear();
  {
    TScopeExit a([&] { log += "exit;"; });
    a.Release();
  }
  EXPECT_EQ(log, "");
}

TEST(ScopeExit, CleanupErrorReachesTheCallerUnlessAnotherIsOnItsWay) {
  // On the normal way out the cleanup's own error is the caller's, as it would be for a plain call.
  EXPECT_THROW({ TScopeExit a([] { throw EInvalidOperation("cleanup"); }); }, EInvalidOperation);
  // While unwinding, the first error is kept and the cleanup's is dropped (no terminate).
  try {
    TScopeExit a([] { throw EInvalidOperation("cleanup"); });
    throw EReadError("first");
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "first");
  }
}

TEST(ScopeExit, AGuardInsideACleanupRunningDuringUnwindingIsNotAFailure) {
  // A cleanup that itself uses a guard while an outer exception unwinds: the inner scope ends
  // normally, so its TScopeFail stays quiet and its TScopeExit runs.
  std::string log;
  try {
    TScopeExit outer([&] {
      TScopeExit inner_exit([&] { log += "inner-exit;"; });
      TScopeFail inner_fail([&] { log += "inner-fail;"; });
    });
    throw EAbort("");
  } catch (const EAbort&) {
  }
  EXPECT_EQ(log, "inner-exit;");
}

}  // namespace
}  // namespace lab
