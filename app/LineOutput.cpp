#include "app/LineOutput.h"

#include "foundation/JsonLines.h"
#include "platform/Console.h"
#include "platform/Error.h"

#include <cstdio>

namespace {

// Big enough that writing costs little next to the work that makes the lines, small enough
// to be no burden.
constexpr size_t kFlushSize = 64 * 1024;

}  // namespace

LineOutput::LineOutput() = default;

LineOutput::~LineOutput() = default;

bool LineOutput::open(olstring_view destination) {
  m_buffer.reserve(kFlushSize + 4096);
  if (destination == kStandardOutput) {
    m_toStandardOutput = true;
  } else {
    m_file = platform::File::open(destination, platform::FileAccess::write);
    if (!m_file) return false;
  }
  m_opened = true;
  return true;
}

void LineOutput::flush(bool force) {
  if (m_buffer.empty() || (!force && m_buffer.size() < kFlushSize)) return;
  if (!m_failed.load(std::memory_order_relaxed)) {
    const bool written = m_toStandardOutput
                             ? platform::writeStandardBytes(platform::StandardStream::output, m_buffer)
                             : platform::writeFile(m_file.handle(), m_buffer.data(), m_buffer.size());
    if (!written) {
      m_error.store(platform::lastError());
      m_failed.store(true);
    }
  }
  m_buffer.clear();
}

bool LineOutput::identity(uint64_t* device, uint64_t* inode) const {
  return m_file && platform::fileIdentity(m_file.handle(), device, inode);
}

bool LineOutput::commit() {
  if (!m_opened) {
    platform::setLastError(platform::kErrorInvalidParameter);
    return false;
  }
  m_opened = false;
  flush(true);
  // A failed file is abandoned as it goes out of scope.
  platform::File file = std::move(m_file);
  if (m_failed.load()) {
    platform::setLastError(m_error.load());
    return false;
  }
  if (file && !file.close()) {
    m_error.store(platform::lastError());
    m_failed.store(true);
    return false;
  }
  return true;
}

void LineOutput::abandon() {
  m_opened = false;
  m_buffer.clear();
  // The temporary file goes with the handle; the target keeps its old content.
  platform::File dropped = std::move(m_file);
}

void appendSummaryEnd(std::string& out, uint32_t errorCode, olstring_view errorText, olstring_view errorPath,
                      std::chrono::steady_clock::time_point started) {
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
  appendCount(out, "error_code", errorCode);
  out += ",\"error_text\":";
  appendJsonString(out, errorText);
  appendPathField(out, "error_path", errorPath);
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, ",\"elapsed_seconds\":%.3f}\n", elapsed.count());
  out += seconds;
}
