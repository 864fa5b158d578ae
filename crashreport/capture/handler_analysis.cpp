#include "crashreport/capture/handler_analysis.h"

#include <unwind.h>

#include <cstdint>
#include <exception>
#include <string>

#include "crashreport/report/call_stack.h"
#include "crashreport/capture/handler_cache.h"
#include "crashreport/report/memory_probe.h"

extern "C" _Unwind_Reason_Code __gxx_personality_v0(int, _Unwind_Action, _Unwind_Exception_Class,
                                                    struct _Unwind_Exception*, struct _Unwind_Context*);

namespace lab {
namespace {

// The C++ runtime's header in front of every thrown object (the Itanium C++ ABI's __cxa_exception,
// as GCC's runtime lays it out); the search phase leaves what it found in it.
struct TThrownHeader {
  std::type_info* ExceptionType;
  void (*ExceptionDestructor)(void*);
  void (*UnexpectedHandler)();
  std::terminate_handler TerminateHandler;
  TThrownHeader* NextException;
  int HandlerCount;
  int HandlerSwitchValue;  // > 0: a catch clause; < 0: a noexcept boundary (terminate)
  const unsigned char* ActionRecord;
  const unsigned char* LanguageSpecificData;
  _Unwind_Ptr CatchTemp;
  void* AdjustedPtr;
  _Unwind_Exception UnwindHeader;
};

struct TSearch {
  _Unwind_Exception* Exception;
  TThrownHeader* Header;
  int Handling = 0;
  std::uintptr_t FirstHandler = 0;  // the first catching frame's code address
};

_Unwind_Reason_Code AskFrame(_Unwind_Context* context, void* argument) {
  auto& search = *static_cast<TSearch*>(argument);
  if (!_Unwind_GetLanguageSpecificData(context)) return _URC_NO_REASON;
  search.Header->HandlerSwitchValue = 0;
  const _Unwind_Reason_Code answer = __gxx_personality_v0(1, _UA_SEARCH_PHASE, search.Exception->exception_class,
                                                          search.Exception, context);
  if (answer != _URC_HANDLER_FOUND) return _URC_NO_REASON;
  // Found without a catch clause: a noexcept function (or a dynamic throw() list) ends the
  // program here, and no frame further out sees the exception.
  if (search.Header->HandlerSwitchValue <= 0) return _URC_END_OF_STACK;
  if (search.Handling++ == 0) search.FirstHandler = _Unwind_GetIP(context);
  return _URC_NO_REASON;
}

// The thread class's thread procedure or its body, where it catches what Execute lets out.
bool InThreadWrapper(std::uintptr_t Code) {
  TCrashDebugInfo info;
  GetAddressDebugInfo(Code - 1, 0, info, 0);
  return info.ClassName == "lab::TThread" && (info.ProcedureName == "Run" || info.ProcedureName == "RunInThread");
}

}  // namespace

bool AnalyzeExceptionHandlers(const void* Object, const void* ExceptionAddress, bool ForceHandled,
                              TCrashHandlerKind& HandlerKind) {
  HandlerKind = hkNone;
  if (!Object) return false;
  auto* header = reinterpret_cast<TThrownHeader*>(const_cast<void*>(Object)) - 1;
  if (!IsMemoryReadable(header, sizeof *header)) return false;
  TCrashProcessState& state = CrashState();
  int here = 0;
  const THandlerAnalysisKey key{header->ExceptionType, ExceptionAddress, reinterpret_cast<std::uintptr_t>(&here)};
  THandlerAnalysis analysis;
  if (!state.HandlerAnalyses.Find(key, analysis)) {
    TSearch search{&header->UnwindHeader, header};
    // What the search phase leaves in the header is the throw's to keep.
    const int switch_value = header->HandlerSwitchValue;
    const unsigned char* action = header->ActionRecord;
    const unsigned char* data = header->LanguageSpecificData;
    const _Unwind_Ptr temp = header->CatchTemp;
    void* adjusted = header->AdjustedPtr;
    _Unwind_Backtrace(&AskFrame, &search);
    header->HandlerSwitchValue = switch_value;
    header->ActionRecord = action;
    header->LanguageSpecificData = data;
    header->CatchTemp = temp;
    header->AdjustedPtr = adjusted;
    analysis.HandlingFrames = search.Handling;
    analysis.FirstIsThreadFrame = search.Handling > 0 && InThreadWrapper(search.FirstHandler);
    analysis.Handled = search.Handling > 0 && !analysis.FirstIsThreadFrame;
    state.HandlerAnalyses.Add(key, analysis);
  }
  if (analysis.FirstIsThreadFrame) {
    HandlerKind = hkThreadWrapper;
    return false;
  }
  bool handled = analysis.Handled;
  if ((state.IgnoreCallerFrame || state.IgnoreCallerFrameEx) && analysis.HandlingFrames == 1) handled = false;
  if (state.AllExceptionsHandled || ForceHandled) handled = true;
  return handled;
}

}  // namespace lab
