// Where a JSON Lines file of the console goes (the item report, a listing): standard output
// for "-", otherwise a temporary file beside the path that takes its place only when the
// file is finished, so that a reader never sees half of one. A FIFO or a device is written
// in place. Lines gather in a buffer that is handed on in large pieces.
#pragma once

#include "foundation/olstring.h"
#include "platform/File.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

class LineOutput {
public:
  // The destination that stands for standard output.
  static constexpr char16_t kStandardOutput[] = u"-";

  LineOutput();
  // An output opened and never committed is abandoned: its temporary file goes.
  ~LineOutput();
  LineOutput(const LineOutput&) = delete;
  LineOutput& operator=(const LineOutput&) = delete;

  // False with the last error set when the file cannot be created.
  [[nodiscard]] bool open(olstring_view destination);
  bool isOpen() const { return m_opened; }
  bool toStandardOutput() const { return m_toStandardOutput; }

  // Lines are appended here and handed on by flush.
  std::string& buffer() { return m_buffer; }
  // Hands the buffer on once it is big enough, or at once when forced.
  void flush(bool force);

  // A write has failed (a full disk, a reader of standard output that went away): nothing
  // more will be written. Safe from any thread.
  bool writeFailed() const { return m_failed.load(); }
  uint32_t writeError() const { return m_error.load(); }

  // Device and inode of the file being written (which becomes the file at the destination);
  // false for standard output.
  bool identity(uint64_t* device, uint64_t* inode) const;

  // Hands on the rest and puts the file in place. False with the last error set when the
  // file could not be written in full (the old file, if any, is then left as it was).
  [[nodiscard]] bool commit();
  // Drops the file unfinished: the old file, if any, stays as it was.
  void abandon();

private:
  platform::File m_file;
  bool m_toStandardOutput = false;
  bool m_opened = false;
  std::string m_buffer;
  std::atomic<bool> m_failed{false};
  std::atomic<uint32_t> m_error{0};
};

// How a summary line ends: ,"error_code":N,"error_text":"...","error_path":"..." (null
// without a path), ,"elapsed_seconds":S since started, the closing brace and the line break.
void appendSummaryEnd(std::string& out, uint32_t errorCode, olstring_view errorText, olstring_view errorPath,
                      std::chrono::steady_clock::time_point started);
