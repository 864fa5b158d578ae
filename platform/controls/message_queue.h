#pragma once
// Per-thread message queues: posted and sent messages, queued input, WM_QUIT, WM_PAINT and WM_TIMER,
// retrieved in the Win32 order (sent messages are served first, then posted messages, input, quit,
// paint and timers). Everything here may be called from any thread.

#include <cstdint>

#include "platform/controls/messages.h"

namespace lab::wm {

using win::DWORD;
using win::HWND;
using win::LPARAM;
using win::LRESULT;
using win::MSG;
using win::UINT;
using win::UINT_PTR;
using win::WPARAM;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
inline constexpr UINT PM_NOYIELD = 0x0002;
// With it PeekMessage serves the messages other threads sent to this one and takes nothing else.
inline constexpr UINT PM_QS_SENDMESSAGE = 0x00400000;

inline constexpr UINT SMTO_NORMAL = 0x0000;
inline constexpr UINT SMTO_BLOCK = 0x0001;
inline constexpr UINT SMTO_ABORTIFHUNG = 0x0002;
inline constexpr UINT SMTO_NOTIMEOUTIFNOTHUNG = 0x0008;

inline constexpr UINT USER_TIMER_MINIMUM = 0x0000000A;
inline constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// The id of the calling thread as the kernel numbers it (gettid), so it matches other reports.
DWORD CurrentThreadId();

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
bool PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Same thread: the window procedure runs at once. Another thread: the message waits in that
// thread's queue until it pumps; meanwhile this thread serves messages sent to it. Answers 0 when the
// window is gone or its thread has ended.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// As SendMessage, but gives up after timeoutMs when the receiver does not serve the message in time
// (a message it has not begun is then dropped; one it has begun is waited for, since it may use the
// sender's memory). Answers false on time-out or failure.
bool SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT flags,
                        UINT timeoutMs, LRESULT* result);

// filter: nullptr for any window of this thread and thread messages; HWND_THREAD (-1) for thread
// messages only; else that window. min = max = 0 takes every message.
bool PeekMessage(MSG& msg, HWND filter, UINT min, UINT max, UINT removeFlags);
// Blocks until a message arrives; answers 0 for WM_QUIT, else 1.
int GetMessage(MSG& msg, HWND filter, UINT min, UINT max);
LRESULT DispatchMessage(const MSG& msg);
// Queues the character of a key-down taken from input (WM_CHAR, or WM_SYSCHAR while Alt is held).
bool TranslateMessage(const MSG& msg);
// Waits until something new is in this thread's queue.
void WaitMessage();
// True while this thread's queue holds input (keys or mouse) not yet retrieved.
bool HasQueuedInput();

// Timers. A null window makes a thread timer whose id is chosen here and returned.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, win::TIMERPROC proc);
bool KillTimer(HWND hwnd, UINT_PTR id);

// Takes the queue of a thread that will never take messages again (stopped for good, as a thread is
// whose fault ends the program) out of service, as the thread's end would: what was and is sent to
// its windows fails at once, and nothing is posted to it any more.
void RetireThreadQueue(DWORD threadId);

// Wakes every thread waiting for messages (the manual clock moved; a back-end event arrived).
void WakeAllQueues();

}  // namespace lab::wm
