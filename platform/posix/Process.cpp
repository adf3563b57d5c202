// Child processes on POSIX: posix_spawn with an argument vector and one output pipe.

#include "platform/Process.h"

#include "platform/Error.h"
#include "platform/Text.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

extern char** environ;

namespace platform {
namespace {

// Owns a descriptor so that every early return closes it.
class Descriptor {
public:
  explicit Descriptor(int fd = -1) : m_fd(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return m_fd; }
  void reset(int fd = -1) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
  }

private:
  int m_fd;
};

// Owns one of posix_spawn's setup records: made on construction, destroyed with its owner,
// so that no early return leaks one.
template <typename Record, int (*initialise)(Record*), int (*destroy)(Record*)>
class SpawnRecord {
public:
  SpawnRecord() { initialise(&m_record); }
  ~SpawnRecord() { destroy(&m_record); }
  SpawnRecord(const SpawnRecord&) = delete;
  SpawnRecord& operator=(const SpawnRecord&) = delete;
  Record* get() { return &m_record; }

private:
  Record m_record;
};

using SpawnActions =
    SpawnRecord<posix_spawn_file_actions_t, posix_spawn_file_actions_init, posix_spawn_file_actions_destroy>;
using SpawnAttributes = SpawnRecord<posix_spawnattr_t, posix_spawnattr_init, posix_spawnattr_destroy>;

// The child's files: standard input from /dev/null, standard output and error into the
// pipe's write end (when output is captured, outputFd >= 0), and the working folder.
void setUpFiles(SpawnActions& actions, const std::string& workingFolder, int outputFd) {
  posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  if (outputFd >= 0) {
    posix_spawn_file_actions_adddup2(actions.get(), outputFd, 1);
    posix_spawn_file_actions_adddup2(actions.get(), outputFd, 2);
  }
  if (!workingFolder.empty()) posix_spawn_file_actions_addchdir_np(actions.get(), workingFolder.c_str());
}

// The child's signals: it starts with none blocked and default handlers, whatever this
// thread holds back (a console compare blocks Ctrl+C to turn it into a cancel).
void setUpSignals(SpawnAttributes& attributes) {
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(attributes.get(), &none);
  posix_spawnattr_setsigdefault(attributes.get(), &defaults);
  posix_spawnattr_setflags(attributes.get(), POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

// The arguments as the NUL-terminated byte strings execve() takes, ending with a null.
class ArgumentVector {
public:
  explicit ArgumentVector(const std::vector<std::u16string>& arguments) {
    for (const auto& argument : arguments) m_storage.push_back(utf16ToUtf8(argument));
    for (auto& argument : m_storage) m_pointers.push_back(argument.data());
    m_pointers.push_back(nullptr);
  }
  char* const* get() { return m_pointers.data(); }

private:
  std::vector<std::string> m_storage;
  std::vector<char*> m_pointers;
};

// Opens the output pipe; false with the last error set.
bool openPipe(Descriptor& readEnd, Descriptor& writeEnd) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) {
    setLastErrorFromErrno(errno);
    return false;
  }
  readEnd.reset(ends[0]);
  writeEnd.reset(ends[1]);
  return true;
}

// Starts the child; -1 with the last error set when it cannot start.
pid_t spawnChild(const ProcessRun& run, int outputFd) {
  ArgumentVector argv(run.arguments);
  SpawnActions actions;
  setUpFiles(actions, utf16ToUtf8(run.workingFolder), outputFd);
  SpawnAttributes attributes;
  setUpSignals(attributes);
  pid_t child = -1;
  const int spawned = posix_spawn(&child, argv.get()[0], actions.get(), attributes.get(), argv.get(), environ);
  if (spawned != 0) {
    setLastErrorFromErrno(spawned);
    return -1;
  }
  return child;
}

uint32_t exitCodeOf(int status) {
  if (WIFEXITED(status)) return static_cast<uint32_t>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return 128u + static_cast<uint32_t>(WTERMSIG(status));
  return kProcessNotStarted;
}

void appendOutput(ProcessResult& result, const char* bytes, size_t count, size_t limit) {
  const size_t room = result.output.size() < limit ? limit - result.output.size() : 0;
  if (count > room) result.outputCut = true;
  result.output.append(bytes, count < room ? count : room);
}

constexpr size_t kReadChunk = 16384;

// Waits for the child to end while reading what it prints (readFd -1: nothing captured) and
// killing it once shouldStop asks for it. Returns the wait status, -1 when it was lost. The
// child is looked for before each read, so what it printed last may still be in the pipe
// when it has ended: drainPipe takes it.
int waitWhileReading(pid_t child, const ProcessRun& run, int readFd, ProcessResult& result) {
  int status = 0;
  bool pipeOpen = readFd >= 0;
  char buffer[kReadChunk];
  for (;;) {
    if (!result.stopped && run.shouldStop && run.shouldStop()) {
      kill(child, SIGKILL);
      result.stopped = true;
    }
    const bool polling = pipeOpen || static_cast<bool>(run.shouldStop);
    const pid_t waited = waitpid(child, &status, polling ? WNOHANG : 0);
    if (waited == child) return status;
    if (waited < 0 && errno != EINTR) return -1;
    if (!pipeOpen) {
      if (waited == 0) usleep(100000);
      continue;
    }
    pollfd wait{readFd, POLLIN, 0};
    // A bounded wait: a grandchild that keeps the pipe open must not hang us once the child
    // itself has ended.
    if (poll(&wait, 1, 100) <= 0) continue;
    const ssize_t got = ::read(readFd, buffer, sizeof buffer);
    if (got > 0) {
      appendOutput(result, buffer, static_cast<size_t>(got), run.outputLimit);
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
      pipeOpen = false;
    }
  }
}

// Reads what the child wrote just before it ended, which is still in the pipe.
void drainPipe(int readFd, const ProcessRun& run, ProcessResult& result) {
  fcntl(readFd, F_SETFL, O_NONBLOCK);
  char buffer[kReadChunk];
  ssize_t got;
  while ((got = ::read(readFd, buffer, sizeof buffer)) > 0) {
    appendOutput(result, buffer, static_cast<size_t>(got), run.outputLimit);
  }
}

}  // namespace

ProcessResult runProgram(const ProcessRun& run) {
  ProcessResult result;
  if (run.arguments.empty() || run.arguments[0].empty()) {
    setLastError(kErrorInvalidParameter);
    return result;
  }
  Descriptor readEnd;
  Descriptor writeEnd;
  if (run.captureOutput && !openPipe(readEnd, writeEnd)) return result;
  const pid_t child = spawnChild(run, writeEnd.get());
  if (child < 0) return result;
  // Only the child writes now; our copy of the write end would keep the pipe from ever
  // reporting its end.
  writeEnd.reset();
  const int status = waitWhileReading(child, run, readEnd.get(), result);
  if (run.captureOutput) drainPipe(readEnd.get(), run, result);
  result.exitCode = status == -1 ? kProcessNotStarted : exitCodeOf(status);
  setLastError(kErrorSuccess);
  return result;
}

bool isProcessRunning(uint32_t processId) {
  if (processId == 0 || processId > static_cast<uint32_t>(INT32_MAX)) return false;
  return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

bool isExecutableFile(std::u16string_view path) {
  const std::string native = utf16ToUtf8(path);
  struct stat info;
  return stat(native.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(native.c_str(), X_OK) == 0;
}

std::u16string findOnPath(std::u16string_view name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr || name.empty()) return {};
  const std::u16string folders = utf8ToUtf16(path);
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(u':', start);
    if (end == std::u16string::npos) end = folders.size();
    std::u16string folder = folders.substr(start, end - start);
    // An empty entry or a relative one means the current folder, which is no place to pick
    // up a program from.
    if (!folder.empty() && folder[0] == u'/') {
      const std::u16string candidate = folder + u"/" + std::u16string(name);
      if (isExecutableFile(candidate)) return candidate;
    }
    start = end + 1;
  }
  return {};
}

}  // namespace platform
