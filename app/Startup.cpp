#include "app/Startup.h"

#include "app/ConsoleRun.h"
#include "app/SaveListing.h"
#include "app/Settings.h"
#include "app/SettingsValues.h"
#include "app/Version.h"
#include "foundation/LanguageKeys.h"
#include "foundation/Language.h"
#include "platform/Console.h"

#include <clocale>

using platform::StandardStream;

namespace {

constexpr char16_t kLanguageFailure[] = u"Failed to load language file!\r\n\r\nPlease re-download Mirrane.";

void printHelp(MirraneCore& core) {
  olstring text = langText(lang::global::kCmdlineInfo, u"mirrane", optionWordList(core.commandLine, u", "));
  if (text.empty() || text.back() != u'\n') text += u"\r\n";
  platform::writeConsole(StandardStream::output, text);
}

// Tells on standard error what the command line held that could not be used.
void reportUnusable(const CommandLine& commandLine) {
  for (const auto& option : commandLine.unknownOptions) printErrorLine(langText(lang::console::kUnknownOption, option));
  for (const auto& path : commandLine.ignoredPaths) printErrorLine(langText(lang::console::kIgnoredPath, path));
  const olstring_view project = commandLine.projectPath.empty() ? olstring_view(u"@") : commandLine.projectPath;
  switch (commandLine.projectLoad) {
    case ProjectLoad::loaded: break;
    case ProjectLoad::notAbsolute: printErrorLine(langText(lang::console::kProjectNotAbsolute, project)); break;
    case ProjectLoad::notFound: printErrorLine(langText(lang::console::kProjectNotFound, project)); break;
    case ProjectLoad::unreadable:
      printErrorLine(langText(lang::console::kProjectUnreadable, project, errorText(commandLine.projectError)));
      break;
    case ProjectLoad::nothingUsable: printErrorLine(langText(lang::console::kProjectNothingUsable, project)); break;
  }
}

// Why a command line with arguments compares nothing; returns the exit code of a failure.
int refuseToCompare(const CommandLine& commandLine) {
  if (commandLine.emptyArgument) printErrorLine(langText(lang::console::kEmptyArgument));
  for (const auto& path : commandLine.repeatedPaths) printErrorLine(langText(lang::console::kSamePath, path));
  const CompareOptions& options = commandLine.options;
  if (commandLine.compareGiven) {
    printErrorLine(langText(lang::console::kNoWindow));
  } else if (options.path0.empty() && options.path1.empty()) {
    printErrorLine(langText(lang::console::kNoPath));
  } else {
    printErrorLine(langText(lang::console::kOnePath, options.path0.empty() ? options.path1 : options.path0));
  }
  return commandLine.troubleExitCode;
}

}  // namespace

MirraneCore::MirraneCore(const std::vector<olstring>& arguments) : engine(ensureAdvancedSettingsLoaded) {
  engine.prepareArchives();
  languageLoaded = loadDefaultLanguage();
  parseCommandLine(arguments, commandLine);
}

// Whatever way the run ends, nothing it unpacked stays in the temporary folder.
MirraneCore::~MirraneCore() { engine.removeArchiveWorkFolder(); }

int runMirrane(const std::vector<olstring>& arguments, const WindowedRun& windowedRun) {
  std::setlocale(LC_ALL, "");
  for (const auto& argument : arguments) {
    if (argument == u"--") break;
    if (argument == u"--version") {
      platform::writeConsole(StandardStream::output, olstring(kMirraneNameLine) + u"\n");
      return 0;
    }
  }
  MirraneCore core(arguments);
  // The chosen language goes on top of English, which keeps the texts a translation lacks.
  // Only a plain file name is taken from the settings: it names a file in "lang", nowhere else.
  const olstring configured = readLanguageSetting();
  if (!configured.empty()) switchLanguage(configured);
  core.languageLoaded = !currentLanguageFile().empty();
  const CommandLine& commandLine = core.commandLine;
  const bool console = commandLine.compareGiven && commandLine.hide && commandLine.start;
  if (!core.languageLoaded) {
    platform::writeConsole(StandardStream::error, olstring(kLanguageFailure) + u"\r\n");
    // A console run that compared nothing must not report "no difference".
    return console || commandLine.hide ? commandLine.troubleExitCode : 0;
  }
  reportUnusable(commandLine);
  if (commandLine.help) {
    printHelp(core);
    return 0;
  }
  const int trouble = commandLine.troubleExitCode;
  if (commandLine.exitTroubleInvalid) {
    printErrorLine(langText(lang::console::kExitTroubleValue, commandLine.exitTroubleValue));
    return trouble;
  }
  if (!commandLine.badTimeTolerance.empty()) {
    printErrorLine(langText(lang::console::kBadTimeTolerance, commandLine.badTimeTolerance,
                            writeNumber(kMaxTimeTolerance)));
    return trouble;
  }
  // A listing has no differences to tell: whatever does not save it whole is trouble.
  if (commandLine.saveListingGiven) {
    return saveListingRequestUsable(commandLine) && runSaveListing(core) == 0 ? 0 : trouble;
  }
  if (!reportRequestUsable(commandLine)) return trouble;
  if (console) return runConsoleCompare(core);
  if (windowedRun && !commandLine.hide) return windowedRun(core);
  if (arguments.empty()) {
    printHelp(core);
    return 0;
  }
  return refuseToCompare(commandLine);
}
