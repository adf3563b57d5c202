// Events in the sense the compare job needs them: manual-reset (a gate that stays open,
// such as "running, not paused") and auto-reset (a pulse that one waiter consumes, such
// as "progress changed"). A wake-up hook lets an event loop that cannot block on the event
// (the GUI's) be told that the event was set.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

class Event {
public:
  enum class Reset { manual, automatic };

  Event(Reset reset, bool initiallySignalled);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  // Signals the event, wakes the waiters, then calls the wake-up hook (outside the lock).
  void set();
  // Clears the signal.
  void reset();

  // Waits until the event is signalled or timeoutMs passed (a negative value waits without
  // limit). True when signalled; an auto-reset event is cleared by the successful wait.
  bool wait(int64_t timeoutMs = -1);

  // Called on the setting thread after every set(); an empty function removes it. The hook
  // must not wait on this event.
  void setWakeHook(std::function<void()> hook);

private:
  const Reset m_reset;
  // Written only under the mutex; read without it when a manual event is open, which is
  // what every checkpoint of a running job asks.
  std::atomic<bool> m_signalled;
  std::mutex m_mutex;
  std::condition_variable m_condition;
  // Shared, so that each set() takes the hook for its call without copying the function.
  std::shared_ptr<const std::function<void()>> m_hook;
};

}  // namespace platform
