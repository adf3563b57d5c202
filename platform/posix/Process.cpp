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

class SpawnActions {
public:
  SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
  posix_spawn_file_actions_t* get() { return &m_actions; }

private:
  posix_spawn_file_actions_t m_actions;
};

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

}  // namespace

ProcessResult runProgram(const ProcessRun& run) {
  ProcessResult result;
  if (run.arguments.empty() || run.arguments[0].empty()) {
    setLastError(kErrorInvalidParameter);
    return result;
  }
  std::vector<std::string> storage;
  for (const auto& argument : run.arguments) storage.push_back(utf16ToUtf8(argument));
  std::vector<char*> argv;
  for (auto& argument : storage) argv.push_back(argument.data());
  argv.push_back(nullptr);

  Descriptor readEnd;
  Descriptor writeEnd;
  if (run.captureOutput) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
      setLastErrorFromErrno(errno);
      return result;
    }
    readEnd.reset(ends[0]);
    writeEnd.reset(ends[1]);
  }
  SpawnActions actions;
  posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  if (run.captureOutput) {
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), 1);
    posix_spawn_file_actions_adddup2(actions.get(), writeEnd.get(), 2);
  }
  const std::string folder = utf16ToUtf8(run.workingFolder);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(actions.get(), folder.c_str());

  // The child starts with no signal blocked and default handlers, whatever this thread holds
  // back (a console compare blocks Ctrl+C to turn it into a cancel).
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t child = -1;
  const int spawned = posix_spawn(&child, argv[0], actions.get(), &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    setLastErrorFromErrno(spawned);
    return result;
  }
  // Only the child writes now; our copy of the write end would keep the pipe from ever
  // reporting its end.
  writeEnd.reset();

  int status = 0;
  bool ended = false;
  bool pipeOpen = run.captureOutput;
  char buffer[16384];
  while (!ended) {
    if (!result.stopped && run.shouldStop && run.shouldStop()) {
      kill(child, SIGKILL);
      result.stopped = true;
    }
    if (pipeOpen) {
      pollfd wait{readEnd.get(), POLLIN, 0};
      // A bounded wait: a grandchild that keeps the pipe open must not hang us once the
      // child itself has ended.
      if (poll(&wait, 1, 100) > 0) {
        const ssize_t got = ::read(readEnd.get(), buffer, sizeof buffer);
        if (got > 0) {
          appendOutput(result, buffer, static_cast<size_t>(got), run.outputLimit);
          continue;
        }
        if (got == 0 || (errno != EINTR && errno != EAGAIN)) pipeOpen = false;
      }
    }
    const bool polling = pipeOpen || static_cast<bool>(run.shouldStop);
    const pid_t waited = waitpid(child, &status, polling ? WNOHANG : 0);
    if (waited == child) {
      ended = true;
    } else if (waited < 0 && errno != EINTR) {
      ended = true;
      status = -1;
    } else if (waited == 0 && !pipeOpen) {
      usleep(100000);
    }
  }
  if (run.captureOutput) {
    // What the child wrote just before it ended is still in the pipe.
    fcntl(readEnd.get(), F_SETFL, O_NONBLOCK);
    ssize_t got;
    while ((got = ::read(readEnd.get(), buffer, sizeof buffer)) > 0) {
      appendOutput(result, buffer, static_cast<size_t>(got), run.outputLimit);
    }
  }
  result.exitCode = status == -1 ? kProcessNotStarted : exitCodeOf(status);
  setLastError(kErrorSuccess);
  return result;
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
