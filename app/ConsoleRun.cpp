#include "app/ConsoleRun.h"

#include "app/ReportWriter.h"
#include "app/Settings.h"
#include "foundation/LanguageKeys.h"
#include "foundation/Language.h"
#include "foundation/TextFile.h"
#include "platform/Console.h"
#include "platform/Error.h"
#include "platform/File.h"

#include <chrono>
#include <cstdio>
#include <optional>

using platform::StandardStream;

namespace {

olstring hex8(uint32_t code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%.8x", code);
  return fromUtf8(buffer);
}

// The one-line progress display on a terminal's standard error.
class ProgressLine {
public:
  ProgressLine() : m_enabled(platform::isTerminal(StandardStream::error)) {}
  ~ProgressLine() { clear(); }

  void show(const JobState::Progress& progress) {
    if (!m_enabled) return;
    const auto now = std::chrono::steady_clock::now();
    if (m_shown && now - m_last < std::chrono::milliseconds(100)) return;
    m_last = now;
    // The counts and the phase in the texts the progress dialog shows; the counts first, so
    // that a long name is what a narrow terminal cuts.
    olstring line = langText(progress.total <= 0 ? lang::progress::kPrepareCount : lang::progress::kCount,
                             numberToText(progress.done), numberToText(progress.total));
    const olstring text = progressText(progress, steadyMilliseconds());
    if (!text.empty()) line += u"  " + text;
    for (char16_t& c : line) {
      if (c < u' ') c = u' ';
    }
    const size_t width = static_cast<size_t>(platform::terminalColumns(StandardStream::error));
    if (width > 1 && line.size() >= width) {
      line.resize(width - 1);
      if (line.back() >= 0xD800 && line.back() <= 0xDBFF) line.pop_back();
    }
    if (m_shown && line == m_line) return;
    platform::writeConsole(StandardStream::error, u"\r\x1b[K" + line);
    m_line = std::move(line);
    m_shown = true;
  }

  void clear() {
    if (m_enabled && m_shown) platform::writeConsole(StandardStream::error, u"\r\x1b[K");
    m_shown = false;
  }

private:
  bool m_enabled;
  bool m_shown = false;
  olstring m_line;
  std::chrono::steady_clock::time_point m_last;
};

// The report would take the place of a file being compared (or of the archive or file a
// link leads to), which would be lost.
bool reportReplacesComparedFile(const CommandLine& commandLine) {
  uint64_t device = 0;
  uint64_t inode = 0;
  if (commandLine.reportPath == ReportWriter::kStandardOutput ||
      !platform::pathIdentity(commandLine.reportPath, &device, &inode)) {
    return false;
  }
  for (const olstring* path : {&commandLine.options.path0, &commandLine.options.path1}) {
    uint64_t otherDevice = 0;
    uint64_t otherInode = 0;
    if (platform::pathIdentity(*path, &otherDevice, &otherInode) && otherDevice == device && otherInode == inode) {
      return true;
    }
  }
  return false;
}

// A line of the language table without the blanks a missing argument leaves at its end.
olstring withoutTrailingBlanks(olstring text) {
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
  return text;
}

}  // namespace

void printErrorLine(olstring_view line) { platform::writeConsole(StandardStream::error, olstring(line) + u"\r\n"); }

bool reportRequestUsable(const CommandLine& commandLine) {
  const LanguageKey* refusal = nullptr;
  if (commandLine.reportGiven && commandLine.reportPath.empty()) {
    refusal = &lang::console::kReportNoFile;
  } else if (commandLine.reportAll && !commandLine.reportGiven) {
    refusal = &lang::console::kReportAllAlone;
  } else if (commandLine.reportGiven && !commandLine.hide) {
    refusal = &lang::console::kReportNeedsHide;
  } else if (commandLine.reportGiven && reportReplacesComparedFile(commandLine)) {
    refusal = &lang::console::kReportReplacesInput;
  }
  if (refusal != nullptr) printErrorLine(langText(*refusal, commandLine.reportPath));
  return refusal == nullptr;
}

uint32_t runJobInConsole(MirraneCore& core, WorkerThread::Job job, const std::function<bool()>& stopWanted) {
  // Blocked before the worker exists, so that the worker inherits it and a Ctrl+C reaches
  // only this loop, which turns it into a cancel at the worker's next checkpoint.
  platform::StopSignals stopSignals;
  if (!core.engine.worker.startWorker(core.engine, std::move(job))) return 1;
  ProgressLine progress;
  while (!core.engine.worker.waitFinished(100)) {
    if (stopSignals.arrived() || stopWanted()) core.engine.worker.requestStop();
    progress.show(core.engine.job.readProgress());
  }
  progress.clear();
  // A Ctrl+C reaches 7-Zip as well, which may die of it and end the job with an unpack
  // failure before this loop has seen the signal: a stop asked for is a cancel whatever the
  // job ended with.
  if (stopSignals.arrived()) {
    core.engine.job.setError(kErrorCancelled, {});
    return 1;
  }
  return core.engine.worker.exitCode();
}

olstring consoleVerdictText(MirraneCore& core, uint32_t exitCode) {
  olstring text;
  if (exitCode != 0) {
    olstring errorText;
    const uint32_t code = core.engine.job.getError(errorText, u": ");
    // Code 0 is a compare that found nothing to compare; it has a text of its own.
    if (code == 0 && errorText.empty()) errorText = nothingToCompareText();
    text += withoutTrailingBlanks(langText(lang::console::kFail, hex8(code), errorText));
  } else {
    const CompareResult& result = core.engine.result;
    text += u"\r\n";
    text += langText(lang::console::kSuccess, numberToText(exitCode));
    text += u"\r\n";
    text += langText(result.differing == 0 ? lang::console::kNoDiff : lang::console::kDiff,
                     numberToText(result.missingSecond), numberToText(result.differing), numberToText(result.missingFirst));
  }
  text += u"\r\n";
  return text;
}

int runConsoleCompare(MirraneCore& core) {
  const CommandLine& commandLine = core.commandLine;
  const int trouble = commandLine.troubleExitCode;
  applyCommandLine(commandLine, core.engine.options);
  platform::ignoreBrokenPipe();
  std::optional<ReportWriter> report;
  if (commandLine.reportGiven) {
    report.emplace(core.engine, commandLine.reportAll ? ReportScope::allItems : ReportScope::differences);
    if (!report->open(commandLine.reportPath)) {
      printErrorLine(langText(lang::console::kReportUnwritable, errorText(platform::lastError()), commandLine.reportPath));
      return trouble;
    }
    core.engine.verdictHook = &*report;
  }
  const bool reportToOutput = report && commandLine.reportPath == ReportWriter::kStandardOutput;
  // A report that can no longer be written makes the rest of the compare pointless.
  uint32_t exitCode = runJobInConsole(core, runCompareJob, [&report] { return report && report->writeFailed(); });
  core.engine.verdictHook = nullptr;
  // In place before the verdict is out, so that whoever waits for the verdict finds it.
  const bool reportWritten = !report || report->finish(exitCode == 0);
  // The verdict is the program's output (unless the report is); a failure is a message.
  const StandardStream stream = exitCode == 0 && !reportToOutput ? StandardStream::output : StandardStream::error;
  const bool written = platform::writeConsole(stream, consoleVerdictText(core, exitCode));
  if (!reportWritten) {
    printErrorLine(langText(lang::console::kReportFailed, errorText(report->writeError()), commandLine.reportPath));
  }
  // Unpacked archives are of no use once the verdict is out; left behind they would fill
  // the temporary folder run after run. Only the log of a failed unpack stays to be read.
  if (exitCode != 0 && core.engine.job.errorCode() == kErrorNoArchiveFolder) {
    const olstring log = core.engine.archiveArea.removeWorkFolderKeepingLog();
    if (!log.empty()) printErrorLine(langText(lang::console::kLogKept, log));
  }
  core.engine.removeArchiveWorkFolder();
  if (exitCode != 0) return trouble;
  // A verdict nobody could read (the reader of a pipe went away) is no "no difference".
  if ((!written && stream == StandardStream::output) || !reportWritten) return trouble;
  // Where failures have a status of their own, a pair of files that could not be read is
  // one: a file that was never compared is no difference found.
  const int64_t unreadable = core.engine.result.explanations.troubleCount();
  if (trouble != 1 && unreadable != 0) {
    printErrorLine(langText(lang::console::kPairsUnreadable, numberToText(unreadable)));
    return trouble;
  }
  return core.engine.result.differing != 0 ? 1 : 0;
}

