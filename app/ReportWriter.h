// The item report of a console compare: JSON Lines (one object a line) for every item that
// differs, or every item, written while the verdicts are made. A header line opens it, a
// summary line closes it, also when the compare fails or is cancelled. The format is
// described for its readers in docs/report-format.md.
#pragma once

#include "app/LineOutput.h"
#include "engine/CompareEngine.h"
#include "engine/VerdictHook.h"
#include "foundation/olstring.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// Raised when a line changes in a way an existing reader could misread.
constexpr int kReportFormatVersion = 1;

enum class ReportScope { differences, allItems };

// Follows the verdicts through the engine's verdict hook and streams them out. Its memory
// is one output buffer, whatever the size of the tree.
class ReportWriter final : public VerdictHook {
public:
  // The destination that stands for standard output.
  static constexpr const char16_t* kStandardOutput = LineOutput::kStandardOutput;

  ReportWriter(const CompareEngine& engine, ReportScope scope);
  // A report that was opened and never finished is abandoned: its temporary file goes.
  ~ReportWriter() override;
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Opens the destination before the compare starts: standard output for "-"; otherwise a
  // temporary file beside the path, which replaces it when the report is finished (a FIFO
  // or a device is written in place). False with the last error set when it cannot be
  // created.
  [[nodiscard]] bool open(olstring_view destination);

  // On the worker, for each verdict (see engine/VerdictHook.h).
  void itemJudged(const CompareItem& item) override;

  // Once the worker has ended: writes the header if no item did, the summary line with
  // the job's outcome, and puts the file in place. False with the last error set when the
  // report could not be written in full (the old file, if any, is then left as it was).
  [[nodiscard]] bool finish(bool succeeded);

  // A write has failed (a full disk, a reader of standard output that went away): nothing
  // more will be written, so the compare may as well stop. Safe from any thread.
  bool writeFailed() const { return m_output.writeFailed(); }
  // The error of that write.
  uint32_t writeError() const { return m_output.writeError(); }

private:
  void writeHeader();
  void writeItem(const CompareItem& item);
  void writeSummary(bool succeeded);

  const CompareEngine& m_engine;
  ReportScope m_scope;
  LineOutput m_output;
  bool m_headerWritten = false;
  // Reused for every item: the names from below the root down to the item, per side.
  std::vector<olstring_view> m_names[2];
  int64_t m_items = 0;
  int64_t m_differing = 0;
  int64_t m_onlyFirst = 0;
  int64_t m_onlySecond = 0;
  std::chrono::steady_clock::time_point m_started;
};
