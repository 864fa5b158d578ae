#pragma once
// Whether a handler of the program will catch an exception that is being thrown, found the way the
// C++ runtime searches: every frame with exception tables, from the caller outwards, is asked by the
// C++ personality routine in its search phase. A frame that only ends the program (a noexcept
// function) catches nothing, and the search stops there, as the runtime's does.

#include <typeinfo>

#include "crashreport/process_state.h"

namespace lab {

// Object is a thrown object (made by the C++ runtime's throw, or held by a std::exception_ptr).
// True when a catch clause will take it. HandlerKind becomes hkThreadWrapper (and the answer false)
// when the first one is the thread class's own handler, which reports it itself; hkNone otherwise.
// The crash reporter's switches apply: AllExceptionsHandled or ForceHandled make it handled, either
// caller-frame switch makes a single catching frame not count. Answers are cached by class,
// address and stack position.
bool AnalyzeExceptionHandlers(const void* Object, const void* ExceptionAddress, bool ForceHandled,
                              TCrashHandlerKind& HandlerKind);

}  // namespace lab
