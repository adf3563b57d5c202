// The command line: two paths, an "@" project file, option words with "+" or "-", and the
// words "hide" and "start" that choose how the program runs.
#pragma once

#include "app/ProjectFile.h"
#include "engine/CompareOptions.h"
#include "foundation/olstring.h"

#include <vector>

struct CommandLine;

// What an option word sets: a compare switch, or one of the words that choose how the
// program runs ("hide", "start").
struct OptionWord {
  bool CompareOptions::*option = nullptr;
  bool CommandLine::*flag = nullptr;
};

struct CommandLine {
  CompareOptions options;
  // The option words, matched ignoring case: every compare switch's, then "hide" and "start".
  olstrmap<OptionWord> words;
  bool hide = false;
  bool start = false;
  // At least one token was given and both paths are known.
  bool compareGiven = false;
  // "--help" or "-h", "--version" (before a "--").
  bool help = false;
  bool version = false;
  // "--report=FILE" (an absolute path, or "-" for standard output) and "--report-all": the
  // item report of a console compare. reportGiven also when the file name was left out.
  bool reportGiven = false;
  olstring reportPath;
  bool reportAll = false;
  // "--save-listing=FILE" (an absolute path, or "-" for standard output): list the one path
  // given instead of comparing. saveListingGiven also when the file name was left out.
  bool saveListingGiven = false;
  olstring saveListingPath;
  // How many paths the command line itself gave (a project file may give more).
  int pathCount = 0;
  // "--exit-trouble=N": the exit status of a console run that fails, is cancelled or could
  // not compare a pair of files (2, as diff gives), so that 1 means differences alone; 1 by
  // default, where failures and differences share it. exitTroubleValue keeps a value that
  // is neither, which the run refuses.
  int troubleExitCode = 1;
  bool exitTroubleInvalid = false;
  olstring exitTroubleValue;

  // What the command line held that could not be used, for the console to tell.
  // The "@" project, when one was named and did not load.
  ProjectLoad projectLoad = ProjectLoad::loaded;
  olstring projectPath;
  uint32_t projectError = 0;
  // A "--time-tolerance=" whose value is no whole number of seconds in range (the run
  // refuses to compare rather than guess).
  olstring badTimeTolerance;
  // Words starting with "-" that are no option (they are neither options nor paths).
  std::vector<olstring> unknownOptions;
  // Arguments that were empty, and paths given more than once (each collapses into one).
  bool emptyArgument = false;
  std::vector<olstring> repeatedPaths;
  // Paths after the first two, which are compared; these are not.
  std::vector<olstring> ignoredPaths;

  CommandLine();
};

// Splits a command-line text into tokens the way Windows programs do: spaces separate,
// double quotes group (and are removed), 2n backslashes before a quote give n, 2n+1 give n
// and a literal quote, other backslashes stay. Empty quotes give no token. (On Linux the
// shell has split the command line already; this serves a command-line text given whole.)
std::vector<olstring> tokenizeCommandLine(olstring_view text);

enum class TokenMatch { exact, ignoringCase };

// Tokens equal under the rule become one, at the position of the first occurrence with the
// text of the last.
std::vector<olstring> collapseDuplicateTokens(const std::vector<olstring>& tokens, TokenMatch match);

// Fills the command line from its tokens (the program's arguments, program name left out).
// Duplicates collapse by exact text: on a case-sensitive file system /data/A and /data/a are
// two folders. Option words are recognised ignoring case. "--" ends the options: every
// token after it is a path, whatever it looks like.
void parseCommandLine(const std::vector<olstring>& arguments, CommandLine& commandLine);

// The option words in their order, joined by the separator.
olstring optionWordList(const CommandLine& commandLine, olstring_view separator);

// Copies the switches, the time tolerance, both paths and the exclusions into the current
// options.
void applyCommandLine(const CommandLine& commandLine, CompareOptions& options);
