// Worker threads over std::thread, joined by their owner; the shared state outlives
// whichever of the thread and its owner ends last, for the one case where the owner is
// destroyed on the thread itself.

#include "platform/Thread.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace platform {

namespace {

std::atomic<uint64_t> g_nextThreadId{1};
thread_local uint64_t t_threadId = 0;

// A new thread starts with a copy of its starter's vector registers. Once the window
// system's libraries have run AVX code on the main thread, the upper halves of those
// registers stay in use, and in a thread started from there every SSE instruction then
// pays for a merge with them: a compare started from the window ran 10 to 15 % slower than
// the same compare from the console. Marking the upper halves unused costs one instruction.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx"))) void clearUpperVectorHalves() { _mm256_zeroupper(); }

void startWithCleanVectorState() {
  if (__builtin_cpu_supports("avx")) clearUpperVectorHalves();
}
#else
void startWithCleanVectorState() {}
#endif

}  // namespace

uint64_t currentThreadId() {
  if (t_threadId == 0) t_threadId = g_nextThreadId.fetch_add(1);
  return t_threadId;
}

struct Thread::State {
  std::atomic<bool> finished{false};
  // Set after the finish hook has returned: only then is the thread done with everything
  // its owner holds.
  bool completed = false;
  std::atomic<uint32_t> exitCode{kStillActive};
  uint64_t id = 0;
  mutable std::mutex mutex;
  mutable std::condition_variable condition;
};

Thread::Thread() = default;

Thread::~Thread() {
  if (!m_thread.joinable()) return;
  if (m_thread.get_id() == std::this_thread::get_id()) {
    m_thread.detach();
  } else {
    m_thread.join();
  }
}

bool Thread::start(std::function<uint32_t()> body, std::function<void()> onFinished) {
  if (m_state) return false;
  auto state = std::make_shared<State>();
  state->id = g_nextThreadId.fetch_add(1);
  try {
    m_thread = std::thread([state, body = std::move(body), onFinished = std::move(onFinished)] {
      startWithCleanVectorState();
      t_threadId = state->id;
      const uint32_t code = body();
      state->exitCode.store(code);
      state->finished.store(true);
      if (onFinished) onFinished();
      {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->completed = true;
      }
      state->condition.notify_all();
    });
  } catch (const std::system_error&) {
    return false;
  }
  m_state = std::move(state);
  return true;
}

bool Thread::started() const { return m_state != nullptr; }

bool Thread::isFinished() const { return !m_state || m_state->finished.load(); }

uint32_t Thread::exitCode() const { return m_state ? m_state->exitCode.load() : kStillActive; }

uint64_t Thread::id() const { return m_state ? m_state->id : 0; }

bool Thread::waitFinished(int64_t timeoutMs) const {
  if (!m_state) return true;
  std::unique_lock<std::mutex> lock(m_state->mutex);
  const auto finished = [this] { return m_state->completed; };
  if (timeoutMs < 0) {
    m_state->condition.wait(lock, finished);
    return true;
  }
  return m_state->condition.wait_for(lock, std::chrono::milliseconds(timeoutMs), finished);
}

}  // namespace platform
