#include "app/SaveListing.h"

#include "app/ListingWriter.h"
#include "app/ConsoleRun.h"
#include "foundation/LanguageKeys.h"
#include "foundation/TextFile.h"
#include "platform/Console.h"
#include "platform/Error.h"
#include "platform/File.h"

#include <cstdio>

using platform::StandardStream;

namespace {

void printLine(StandardStream stream, olstring_view line) { platform::writeConsole(stream, olstring(line) + u"\r\n"); }

bool samePlace(olstring_view first, olstring_view second) {
  uint64_t device[2] = {0, 0};
  uint64_t inode[2] = {0, 0};
  return platform::pathIdentity(first, &device[0], &inode[0]) && platform::pathIdentity(second, &device[1], &inode[1]) &&
         device[0] == device[1] && inode[0] == inode[1];
}

}  // namespace

bool saveListingRequestUsable(const CommandLine& commandLine) {
  namespace keys = lang::console;
  const olstring& file = commandLine.saveListingPath;
  if (file.empty()) {
    printErrorLine(langText(keys::kSaveNoFile));
  } else if (commandLine.reportGiven || commandLine.reportAll) {
    printErrorLine(langText(keys::kSaveWithReport));
  } else if (commandLine.pathCount < 1) {
    printErrorLine(langText(keys::kSaveNoPath));
  } else if (commandLine.pathCount > 1) {
    printErrorLine(langText(keys::kSaveTwoPaths, commandLine.options.path1));
  } else if (file != LineOutput::kStandardOutput && samePlace(file, commandLine.options.path0)) {
    // Listing an archive into itself would lose the archive.
    printErrorLine(langText(keys::kSaveReplacesInput, file));
  } else {
    return true;
  }
  return false;
}

int runSaveListing(MirraneCore& core) {
  namespace keys = lang::console;
  const CommandLine& commandLine = core.commandLine;
  applyCommandLine(commandLine, core.engine.options);
  platform::ignoreBrokenPipe();
  const olstring& file = commandLine.saveListingPath;
  ListingWriter writer(core.engine);
  if (!writer.open(file)) {
    printErrorLine(langText(keys::kSaveUnwritable, errorText(platform::lastError()), file));
    return 1;
  }
  // The listing may be written into the tree it lists: neither the new file nor the one it
  // replaces is part of that tree.
  ListingRequest request;
  request.path = commandLine.options.path0;
  uint64_t device = 0;
  uint64_t inode = 0;
  if (writer.identity(&device, &inode)) request.skipped.emplace_back(device, inode);
  if (file != LineOutput::kStandardOutput && platform::pathIdentity(file, &device, &inode)) {
    request.skipped.emplace_back(device, inode);
  }
  ListingTotals totals;
  const uint32_t exitCode = runJobInConsole(
      core, [&](CompareEngine& engine) { return runListingWalk(engine, request, writer, totals); },
      [&writer] { return writer.writeFailed(); });
  const bool walked = exitCode == 0;
  const bool written = writer.finish(walked, totals);
  core.engine.removeArchiveWorkFolder();

  for (const auto& item : writer.unreadable()) printErrorLine(langText(keys::kUnreadableItem, item.path, errorText(item.error)));
  if (!written) {
    printErrorLine(langText(keys::kSaveFailed, errorText(writer.writeError()), file));
    return 1;
  }
  if (!walked) {
    olstring errorText;
    const uint32_t code = core.engine.job.getError(errorText, u": ");
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%.8x", code);
    printErrorLine(langText(keys::kSaveNotSaved, fromUtf8(hex), errorText));
    return 1;
  }
  if (totals.unreadable != 0) {
    printErrorLine(langText(keys::kSavedIncomplete, numberToText(totals.unreadable), file));
    return 1;
  }
  // The outcome is the program's output, unless the listing is.
  const StandardStream stream = file == LineOutput::kStandardOutput ? StandardStream::error : StandardStream::output;
  printLine(stream, langText(keys::kSaved, numberToText(totals.items), numberToText(totals.files),
                             numberToText(totals.folders), file));
  return 0;
}
