// Events over a mutex and a condition variable.

#include "platform/Event.h"

#include <chrono>

namespace platform {

Event::Event(Reset reset, bool initiallySignalled) : m_reset(reset), m_signalled(initiallySignalled) {}

void Event::set() {
  std::shared_ptr<const std::function<void()>> hook;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = true;
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
  m_signalled = false;
}

bool Event::wait(int64_t timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  const auto signalled = [this] { return m_signalled; };
  if (timeoutMs < 0) {
    m_condition.wait(lock, signalled);
  } else if (!m_condition.wait_for(lock, std::chrono::milliseconds(timeoutMs), signalled)) {
    return false;
  }
  if (m_reset == Reset::automatic) m_signalled = false;
  return true;
}

void Event::setWakeHook(std::function<void()> hook) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_hook = hook ? std::make_shared<const std::function<void()>>(std::move(hook)) : nullptr;
}

}  // namespace platform
