// Events over a mutex and a condition variable.

#include "platform/Event.h"

#include <chrono>

namespace platform {

Event::Event(Reset reset, bool initiallySignalled) : m_reset(reset), m_signalled(initiallySignalled) {}

void Event::set() {
  std::shared_ptr<const std::function<void()>> hook;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled.store(true, std::memory_order_release);
    hook = m_hook;
  }
  if (m_reset == Reset::manual) {
    m_condition.notify_all();
  } else {
    m_condition.notify_one();
  }
  if (hook) (*hook)();
}

void Event::reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_signalled.store(false, std::memory_order_relaxed);
}

bool Event::wait(int64_t timeoutMs) {
  // An open gate is passed at every checkpoint of a job, by the worker and its helpers at
  // once: taking the mutex there made them queue on each other.
  if (m_reset == Reset::manual && m_signalled.load(std::memory_order_acquire)) return true;
  std::unique_lock<std::mutex> lock(m_mutex);
  const auto signalled = [this] { return m_signalled.load(std::memory_order_relaxed); };
  if (timeoutMs < 0) {
    m_condition.wait(lock, signalled);
  } else if (timeoutMs == 0) {
    // A look, not a wait: no clock to read.
    if (!signalled()) return false;
  } else if (!m_condition.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled)) {
    return false;
  }
  if (m_reset == Reset::automatic) m_signalled.store(false, std::memory_order_relaxed);
  return true;
}

void Event::setWakeHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_hook = hook ? std::make_shared<const std::function<void()>>(std::move(hook)) : nullptr;
}

}  // namespace platform
