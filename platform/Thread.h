// The one kind of thread the program starts: a worker that runs one function, reports
// whether it has finished and with which exit code, and carries a process-unique 64-bit
// id that the worker itself can compare against.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace platform {

// The exit code of a thread that is still running (as Windows reports it).
constexpr uint32_t kStillActive = 259;

// A process-unique id of the calling thread; never 0.
uint64_t currentThreadId();

class Thread {
public:
  Thread();
  // Waits for the thread to end, so that nothing it uses can go away under it. Whoever
  // destroys a running thread first makes it stop. On the thread itself (which cannot wait
  // for its own end) the thread goes on alone and frees its own state.
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts body on a new thread. onFinished (optional) runs on that thread after the
  // finished flag and the exit code are set, so whoever it wakes sees the thread as ended.
  // False when the thread could not be created or this object already started one.
  bool start(std::function<uint32_t()> body, std::function<void()> onFinished = {});

  bool started() const;
  bool isFinished() const;
  // kStillActive while running (or never started), else the body's result.
  uint32_t exitCode() const;
  // The id the thread has as currentThreadId(); 0 when none was started.
  uint64_t id() const;

  // Waits until the thread has finished, its finish hook included, or timeoutMs passed
  // (negative: no limit). True when it has finished; also true when none was started.
  bool waitFinished(int64_t timeoutMs = -1) const;

private:
  struct State;
  std::shared_ptr<State> m_state;
  std::thread m_thread;
};

}  // namespace platform
