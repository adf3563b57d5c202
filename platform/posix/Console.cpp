// Console streams and stop signals on POSIX.

#include "platform/Console.h"

#include "platform/Error.h"
#include "platform/Text.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {
namespace {

int descriptorOf(StandardStream stream) { return stream == StandardStream::output ? STDOUT_FILENO : STDERR_FILENO; }

sigset_t stopSignalSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

bool writeConsole(StandardStream stream, std::u16string_view text) {
  std::u16string unixText;
  unixText.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
    unixText += text[i];
  }
  return writeStandardBytes(stream, utf16ToUtf8(unixText));
}

bool writeStandardBytes(StandardStream stream, std::string_view bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t put = ::write(descriptorOf(stream), bytes.data() + written, bytes.size() - written);
    if (put < 0) {
      if (errno == EINTR) continue;
      setLastErrorFromErrno(errno);
      return false;
    }
    written += static_cast<size_t>(put);
  }
  return true;
}

void ignoreBrokenPipe() { signal(SIGPIPE, SIG_IGN); }

bool isTerminal(StandardStream stream) { return isatty(descriptorOf(stream)) == 1; }

int terminalColumns(StandardStream stream) {
  winsize size{};
  if (ioctl(descriptorOf(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

static_assert(sizeof(sigset_t) <= 128, "the saved mask must fit");

StopSignals::StopSignals() {
  const sigset_t set = stopSignalSet();
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &set, &previous);
  std::memcpy(m_previousMask, &previous, sizeof previous);
}

StopSignals::~StopSignals() {
  // A signal still pending would end the process the moment it is unblocked; take it here.
  arrived();
  sigset_t previous;
  std::memcpy(&previous, m_previousMask, sizeof previous);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

bool StopSignals::arrived() {
  const sigset_t set = stopSignalSet();
  const timespec noWait{0, 0};
  while (sigtimedwait(&set, nullptr, &noWait) > 0) m_arrived = true;
  return m_arrived;
}

}  // namespace platform
