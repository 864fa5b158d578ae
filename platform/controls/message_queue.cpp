#include "platform/controls/message_queue.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "platform/controls/clock.h"
#include "platform/controls/window_styles.h"
#include "platform/controls/wm_state.h"
#include "platform/rtl/per_thread.h"

namespace lab::wm {

namespace {

struct QueueRegistry {
  std::mutex mutex;
  std::unordered_map<DWORD, std::weak_ptr<ThreadQueue>> byThread;
};

QueueRegistry& Queues() {
  static QueueRegistry* registry = new QueueRegistry;  // outlives every thread's clean-up
  return *registry;
}

// Fails what other threads sent to this one and marks the queue dead when its thread ends.
void RetireQueue(const std::shared_ptr<ThreadQueue>& queue) {
  std::deque<std::shared_ptr<SentItem>> orphans;
  {
    std::lock_guard lock(queue->mutex);
    queue->dead = true;
    orphans.swap(queue->sent);
    queue->posted.clear();
    queue->input.clear();
    queue->timers.clear();
  }
  for (auto& item : orphans) {
    std::lock_guard lock(item->sender->mutex);
    if (item->state == SentItem::State::Pending) item->state = SentItem::State::Failed;
    item->sender->WakeLocked();
  }
  std::lock_guard lock(Queues().mutex);
  Queues().byThread.erase(queue->threadId);
}

// Each thread's queue, retired when the thread ends. It lasts while the program ends (PerThread),
// as windows freed by exit handlers still post and remove messages.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueHolder() {
    if (queue) RetireQueue(queue);
  }
};

bool InRange(UINT m, UINT min, UINT max) { return (min == 0 && max == 0) || (m >= min && m <= max); }

bool WindowMatches(HWND h, HWND filter) {
  if (!filter) return true;
  if (filter == win::HWND_THREAD) return h == nullptr;
  return h == filter;
}

bool WindowExists(HWND h) {
  std::lock_guard lock(S().mutex);
  return FindLocked(h) != nullptr;
}

// Serves every message other threads sent to this one.
void ServeSentMessages(ThreadQueue& self) {
  for (;;) {
    std::shared_ptr<SentItem> item;
    {
      std::lock_guard lock(self.mutex);
      if (self.sent.empty()) return;
      item = std::move(self.sent.front());
      self.sent.pop_front();
    }
    {
      std::lock_guard lock(item->sender->mutex);
      if (item->state != SentItem::State::Pending) continue;  // the sender gave up
      item->state = SentItem::State::Running;
    }
    LRESULT result = 0;
    try {
      result = CallWindowProcOf(item->hwnd, item->msg, item->wParam, item->lParam);
    } catch (...) {
      // A window procedure that lets an exception out answers 0 to the sender.
    }
    std::lock_guard lock(item->sender->mutex);
    item->result = result;
    item->state = SentItem::State::Done;
    item->sender->WakeLocked();
  }
}

std::chrono::steady_clock::time_point Deadline(std::uint64_t dueMs) {
  const std::uint64_t now = ClockMilliseconds();
  const auto wait = std::chrono::milliseconds(dueMs > now ? dueMs - now : 0);
  return std::chrono::steady_clock::now() + wait;
}

enum class Found { None, Message, Retry };

Found TakePosted(ThreadQueue& q, MSG& msg, HWND filter, UINT min, UINT max, bool remove) {
  std::lock_guard lock(q.mutex);
  for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
    if (!WindowMatches(it->hwnd, filter) || !InRange(it->message, min, max)) continue;
    msg = *it;
    if (remove) q.posted.erase(it);
    return Found::Message;
  }
  return Found::None;
}

Found TakeInput(ThreadQueue& q, MSG& msg, HWND filter, UINT min, UINT max, bool remove) {
  InputEvent event;
  {
    std::lock_guard lock(q.mutex);
    if (q.input.empty()) return Found::None;
    event = q.input.front();
  }
  // Window procedures run while the target is found; a nested loop may have taken the event.
  auto pop = [&] {
    std::lock_guard lock(q.mutex);
    if (!q.input.empty() && q.input.front().seq == event.seq) q.input.pop_front();
  };
  if (!MessageFromInput(event, msg, q)) {
    pop();
    NoteInputRetrieved(event, nullptr);
    return Found::Retry;
  }
  if (!WindowMatches(msg.hwnd, filter) || !InRange(msg.message, min, max)) return Found::None;
  if (remove) {
    pop();
    NoteInputRetrieved(event, &msg);
    if (event.kind == InputEvent::Kind::KeyDown) {
      q.lastKeyMsg = msg;
      q.lastKeyChar = event.ch;
    }
  }
  return Found::Message;
}

Found TakeQuit(ThreadQueue& q, MSG& msg, HWND filter, UINT min, UINT max, bool remove) {
  if (!InRange(win::WM_QUIT, min, max) || (filter && filter != win::HWND_THREAD)) return Found::None;
  std::lock_guard lock(q.mutex);
  if (!q.quitPosted) return Found::None;
  msg = MSG{nullptr, win::WM_QUIT, static_cast<WPARAM>(q.quitCode), 0,
            static_cast<DWORD>(ClockMilliseconds()), {}};
  if (remove) q.quitPosted = false;
  return Found::Message;
}

Found TakePaint(ThreadQueue& q, MSG& msg, HWND filter, UINT min, UINT max) {
  if (!InRange(win::WM_PAINT, min, max) || filter == win::HWND_THREAD) return Found::None;
  HWND h = FindWindowToPaint(q.threadId, filter);
  if (!h) return Found::None;
  msg = MSG{h, win::WM_PAINT, 0, 0, static_cast<DWORD>(ClockMilliseconds()), {}};
  return Found::Message;
}

Found TakeTimer(ThreadQueue& q, MSG& msg, HWND filter, UINT min, UINT max, bool remove) {
  if (!InRange(win::WM_TIMER, min, max)) return Found::None;
  const std::uint64_t now = ClockMilliseconds();
  std::lock_guard lock(q.mutex);
  for (Timer& t : q.timers) {
    if (t.due > now || !WindowMatches(t.hwnd, filter)) continue;
    msg = MSG{t.hwnd, win::WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc),
              static_cast<DWORD>(now), {}};
    // Missed intervals merge into one message, as they do on Windows.
    if (remove) t.due = now + t.interval;
    return Found::Message;
  }
  return Found::None;
}

bool Retrieve(ThreadQueue& q, MSG& msg, HWND filter, UINT min, UINT max, bool remove) {
  for (;;) {
    ServeSentMessages(q);
    Found f = TakePosted(q, msg, filter, min, max, remove);
    if (f == Found::Message) {
      if (msg.hwnd && !WindowExists(msg.hwnd)) {
        // Messages for a destroyed window are dropped.
        if (!remove) {
          std::lock_guard lock(q.mutex);
          auto it = std::find_if(q.posted.begin(), q.posted.end(), [&](const MSG& m) {
            return m.hwnd == msg.hwnd && m.message == msg.message && m.wParam == msg.wParam &&
                   m.lParam == msg.lParam;
          });
          if (it != q.posted.end()) q.posted.erase(it);
        }
        continue;
      }
      return true;
    }
    f = TakeInput(q, msg, filter, min, max, remove);
    if (f == Found::Retry) continue;
    if (f == Found::Message) return true;
    if (TakeQuit(q, msg, filter, min, max, remove) == Found::Message) return true;
    if (TakePaint(q, msg, filter, min, max) == Found::Message) return true;
    if (TakeTimer(q, msg, filter, min, max, remove) == Found::Message) return true;
    return false;
  }
}

// The earliest timer due time, or 0 when there is none.
std::uint64_t NextTimerDue(ThreadQueue& q) {
  std::lock_guard lock(q.mutex);
  std::uint64_t next = 0;
  for (const Timer& t : q.timers)
    if (next == 0 || t.due < next) next = t.due;
  return next;
}

// Waits until the queue's wake count moves past seen or the next timer falls due.
void WaitForNews(ThreadQueue& q, std::uint64_t seen) {
  const std::uint64_t due = NextTimerDue(q);
  std::unique_lock lock(q.mutex);
  if (q.wakeCount != seen) return;
  if (due != 0 && !Clock().IsManual()) {
    q.cv.wait_until(lock, Deadline(due), [&] { return q.wakeCount != seen; });
  } else {
    q.cv.wait(lock, [&] { return q.wakeCount != seen; });
  }
}

std::shared_ptr<ThreadQueue> QueueOfThread(DWORD threadId) {
  std::lock_guard lock(Queues().mutex);
  auto it = Queues().byThread.find(threadId);
  return it == Queues().byThread.end() ? nullptr : it->second.lock();
}

bool PostTo(const std::shared_ptr<ThreadQueue>& q, const MSG& msg) {
  if (!q) return false;
  std::lock_guard lock(q->mutex);
  if (q->dead) return false;
  q->posted.push_back(msg);
  q->WakeLocked();
  return true;
}

MSG MakeMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return MSG{hwnd, message, wParam, lParam, static_cast<DWORD>(ClockMilliseconds()), {}};
}

}  // namespace

DWORD CurrentThreadId() {
  thread_local const DWORD id = static_cast<DWORD>(::syscall(SYS_gettid));
  return id;
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
  QueueHolder& holder = PerThread<QueueHolder>();
  if (!holder.queue) {
    holder.queue = std::make_shared<ThreadQueue>(CurrentThreadId());
    std::lock_guard lock(Queues().mutex);
    Queues().byThread[CurrentThreadId()] = holder.queue;
  }
  return holder.queue;
}

std::vector<std::shared_ptr<ThreadQueue>> AllQueues() {
  std::vector<std::shared_ptr<ThreadQueue>> all;
  std::lock_guard lock(Queues().mutex);
  for (auto& [id, weak] : Queues().byThread)
    if (auto q = weak.lock()) all.push_back(std::move(q));
  return all;
}

void RetireThreadQueue(DWORD threadId) {
  if (auto q = QueueOfThread(threadId)) RetireQueue(q);
}

void WakeAllQueues() {
  for (auto& q : AllQueues()) q->Wake();
}

bool PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) return PostTo(CurrentQueue(), MakeMsg(nullptr, msg, wParam, lParam));
  std::shared_ptr<ThreadQueue> q;
  {
    std::lock_guard lock(S().mutex);
    q = QueueOfWindowLocked(hwnd);
  }
  return PostTo(q, MakeMsg(hwnd, msg, wParam, lParam));
}

bool PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto q = threadId == CurrentThreadId() ? CurrentQueue() : QueueOfThread(threadId);
  return PostTo(q, MakeMsg(nullptr, msg, wParam, lParam));
}

void PostQuitMessage(int exitCode) {
  auto q = CurrentQueue();
  std::lock_guard lock(q->mutex);
  q->quitPosted = true;
  q->quitCode = exitCode;
  q->WakeLocked();
}

namespace {

// Sends across threads; timeoutMs 0 waits for ever.
bool SendAcross(const std::shared_ptr<ThreadQueue>& target, HWND hwnd, UINT msg, WPARAM wParam,
                LPARAM lParam, bool timed, UINT timeoutMs, LRESULT* result) {
  auto self = CurrentQueue();
  auto item = std::make_shared<SentItem>();
  item->hwnd = hwnd;
  item->msg = msg;
  item->wParam = wParam;
  item->lParam = lParam;
  item->sender = self;
  {
    std::lock_guard lock(target->mutex);
    if (target->dead) return false;
    target->sent.push_back(item);
    target->WakeLocked();
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    ServeSentMessages(*self);
    std::unique_lock lock(self->mutex);
    switch (item->state) {
      case SentItem::State::Done:
        if (result) *result = item->result;
        return true;
      case SentItem::State::Failed:
      case SentItem::State::Cancelled:
        return false;
      default:
        break;
    }
    if (!self->sent.empty()) continue;
    const bool expired = timed && std::chrono::steady_clock::now() >= deadline;
    if (expired && item->state == SentItem::State::Pending) {
      item->state = SentItem::State::Cancelled;
      return false;
    }
    auto news = [&] {
      return item->state == SentItem::State::Done || item->state == SentItem::State::Failed ||
             !self->sent.empty();
    };
    if (timed && item->state == SentItem::State::Pending)
      self->cv.wait_until(lock, deadline, news);
    else
      self->cv.wait(lock, news);
  }
}

}  // namespace

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<ThreadQueue> target;
  {
    std::lock_guard lock(S().mutex);
    target = QueueOfWindowLocked(hwnd);
  }
  if (!target) return 0;
  if (target->threadId == CurrentThreadId()) return CallWindowProcOf(hwnd, msg, wParam, lParam);
  LRESULT result = 0;
  SendAcross(target, hwnd, msg, wParam, lParam, false, 0, &result);
  return result;
}

bool SendMessageTimeout(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT /*flags*/,
                        UINT timeoutMs, LRESULT* result) {
  std::shared_ptr<ThreadQueue> target;
  {
    std::lock_guard lock(S().mutex);
    target = QueueOfWindowLocked(hwnd);
  }
  if (result) *result = 0;
  if (!target) return false;
  {
    std::lock_guard lock(target->mutex);
    if (target->dead) return false;
  }
  if (target->threadId == CurrentThreadId()) {
    LRESULT r = CallWindowProcOf(hwnd, msg, wParam, lParam);
    if (result) *result = r;
    return true;
  }
  return SendAcross(target, hwnd, msg, wParam, lParam, true, timeoutMs, result);
}

bool PeekMessage(MSG& msg, HWND filter, UINT min, UINT max, UINT removeFlags) {
  auto q = CurrentQueue();
  if (removeFlags & PM_QS_SENDMESSAGE) {
    ServeSentMessages(*q);
    return false;
  }
  return Retrieve(*q, msg, filter, min, max, (removeFlags & PM_REMOVE) != 0);
}

int GetMessage(MSG& msg, HWND filter, UINT min, UINT max) {
  auto q = CurrentQueue();
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard lock(q->mutex);
      seen = q->wakeCount;
    }
    if (Retrieve(*q, msg, filter, min, max, true)) return msg.message == win::WM_QUIT ? 0 : 1;
    WaitForNews(*q, seen);
  }
}

void WaitMessage() {
  auto q = CurrentQueue();
  std::uint64_t seen;
  {
    std::lock_guard lock(q->mutex);
    seen = q->wakeCount;
  }
  MSG probe;
  if (Retrieve(*q, probe, nullptr, 0, 0, false)) return;
  WaitForNews(*q, seen);
}

bool HasQueuedInput() {
  auto q = CurrentQueue();
  std::lock_guard lock(q->mutex);
  return !q->input.empty();
}

LRESULT DispatchMessage(const MSG& msg) {
  if (msg.message == win::WM_TIMER && msg.lParam != 0) {
    auto proc = reinterpret_cast<win::TIMERPROC>(msg.lParam);
    proc(msg.hwnd, win::WM_TIMER, msg.wParam, static_cast<DWORD>(ClockMilliseconds()));
    return 0;
  }
  if (!msg.hwnd) return 0;
  return CallWindowProcOf(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

bool TranslateMessage(const MSG& msg) {
  if (msg.message != win::WM_KEYDOWN && msg.message != win::WM_SYSKEYDOWN) return false;
  auto q = CurrentQueue();
  std::lock_guard lock(q->mutex);
  const MSG& last = q->lastKeyMsg;
  if (last.hwnd != msg.hwnd || last.message != msg.message || last.wParam != msg.wParam ||
      last.lParam != msg.lParam || q->lastKeyChar == 0)
    return false;
  const UINT charMsg = msg.message == win::WM_SYSKEYDOWN ? win::WM_SYSCHAR : win::WM_CHAR;
  // Posted messages come before queued input, so the character arrives before the key's release.
  q->posted.push_back(MSG{msg.hwnd, charMsg, static_cast<WPARAM>(q->lastKeyChar), msg.lParam,
                          msg.time, msg.pt});
  q->lastKeyChar = 0;
  q->WakeLocked();
  return true;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, win::TIMERPROC proc) {
  std::shared_ptr<ThreadQueue> q;
  if (hwnd) {
    std::lock_guard lock(S().mutex);
    q = QueueOfWindowLocked(hwnd);
    if (!q) return 0;
  } else {
    q = CurrentQueue();
  }
  const UINT interval = std::clamp(elapseMs, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  std::lock_guard lock(q->mutex);
  if (!hwnd) id = q->nextThreadTimerId++;
  Timer t{hwnd, id, interval, ClockMilliseconds() + interval, proc};
  auto it = std::find_if(q->timers.begin(), q->timers.end(),
                         [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
  if (it != q->timers.end())
    *it = t;
  else
    q->timers.push_back(t);
  q->WakeLocked();
  return hwnd ? (id ? id : 1) : id;
}

bool KillTimer(HWND hwnd, UINT_PTR id) {
  std::shared_ptr<ThreadQueue> q;
  if (hwnd) {
    std::lock_guard lock(S().mutex);
    q = QueueOfWindowLocked(hwnd);
  } else {
    q = CurrentQueue();
  }
  if (!q) return false;
  std::lock_guard lock(q->mutex);
  auto it = std::find_if(q->timers.begin(), q->timers.end(),
                         [&](const Timer& x) { return x.hwnd == hwnd && x.id == id; });
  if (it == q->timers.end()) return false;
  q->timers.erase(it);
  return true;
}

}  // namespace lab::wm
