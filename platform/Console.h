// The standard streams of a console program: text out as UTF-8, whether a stream is a
// terminal, and the signals that ask a running console compare to stop.
#pragma once

#include <string_view>

namespace platform {

enum class StandardStream { output, error };

// Writes the text as UTF-8. CR LF pairs become LF, the line end of this platform, so output
// redirected to a file reads as any other text file here. False when not all was written.
bool writeConsole(StandardStream stream, std::u16string_view text);

// Writes the bytes unchanged (output that is data, not text for a person). False with the
// last error set when not all were written.
bool writeStandardBytes(StandardStream stream, std::string_view bytes);

// A reader that went away (a pipe into "head") must not end the process with a signal: it
// could not clean up after itself. Writes then fail, and writeConsole returns false.
void ignoreBrokenPipe();

bool isTerminal(StandardStream stream);

// The terminal's width in columns, or 80 when it cannot be told.
int terminalColumns(StandardStream stream);

// While an object lives, Ctrl+C (SIGINT) and SIGTERM do not end the process: they are held
// for arrived() to report. Create it before starting threads, which inherit the blocking.
class StopSignals {
public:
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // True once a stop signal has arrived (it stays true).
  bool arrived();

private:
  bool m_arrived = false;
  unsigned char m_previousMask[128];
};

}  // namespace platform
