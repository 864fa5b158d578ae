#pragma once
// Putting the crash reporter's code in front of routines of the program and of system libraries, so
// it sees exceptions raised and threads started. Three ways: a routine's first bytes become a jump to
// its replacement (a trampoline keeps the routine callable as it was); an imported routine's slot in a
// module's global offset table is pointed at the replacement; one slot of a class's virtual table is
// replaced. Every write goes through PatchCode (code_patch.h). Hooks are meant to be put in place
// before other threads run: a patch is not atomic for a thread running the patched bytes.

#include <cstddef>
#include <string>
#include <vector>

#include "platform/classes/unit_init.h"
#include "platform/rtl/exceptions.h"

namespace lab {

LAB_EXCEPTION(EHookError, Exception);
LAB_EXCEPTION(EProcNull, EHookError);      // "Cannot hook a null procedure (\"%s\")."
LAB_EXCEPTION(EHookingError, EHookError);  // "Cannot hook the procedure \"%s\"."

// Makes Proc's first bytes jump to NewProc (both followed through jump thunks first) and answers a
// trampoline that runs Proc as it was. A routine hooked already answers its trampoline again; one
// hooked before and put back gets its trampoline back, now leading to NewProc. Raises
// EProcNull for a null Proc; EHookingError when no hook can be made: the instructions cannot be
// decoded, the routine returns or jumps away within the first 5 bytes (it is too short, and the bytes
// after it belong to another routine), or no memory near it is free.
const void* HookProc(const void* Proc, const void* NewProc, const std::string& Name);
// Writes Proc's first bytes back (their protection as it was); false when Proc is not hooked. The
// trampoline stays: a replacement still running in another thread may call it.
bool UnhookProc(const void* Proc);
// The length of a routine's code up to and including its first return; 0 when it cannot be read.
std::size_t GetProcSize(const void* Proc);

// Points the slot of VMT (the address a vtable pointer holds) at NewCode and answers what it held.
// A table outside every loaded module is not written. Hooked again with the same code, the value it
// had first is answered and one record is kept.
const void* HookVirtualMethod(const void* VMT, int Slot, const void* NewCode);
// Puts the recorded value back (of a slot hooked over again, what the last hook replaced); false
// when the slot was not hooked.
bool UnhookVirtualMethod(const void* VMT, int Slot);

// Points every global-offset-table slot by which the modules named in Modules (file names, or the
// file part of them; an empty name is the program) call ProcName at NewProc, whether the slot is bound
// yet or not (lazy or immediate binding). OldProc gets ProcName's address in the library LibName (an
// empty LibName: the routine of that name the loader finds first, as it binds). A slot already bound
// to another routine of that name is left alone. True when a slot was patched. Raises EProcNull when
// LibName has no ProcName, and, unless Silent, EHookingError when a loaded module named there has no
// slot for it to take.
bool HookImportedProc(const std::vector<std::string>& Modules, const std::string& LibName,
                      const std::string& ProcName, const void* NewProc, const void*& OldProc, bool Silent);
// Puts back every slot pointed at NewProc.
void UnhookImportedProc(const void* NewProc);

// Undoes every hook: imported routines, virtual slots, then code patches, each the last made first.
// The unit "CrHook" runs it at shut-down.
void UnhookAll() noexcept;
extern const TUnit CrHookUnit;

}  // namespace lab
