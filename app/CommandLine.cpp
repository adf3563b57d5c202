#include "app/CommandLine.h"

#include "app/CompareSwitches.h"
#include "app/ProjectFile.h"
#include "app/SettingsValues.h"
#include "foundation/Paths.h"
#include "platform/Error.h"

#include <algorithm>

#include <map>

std::vector<olstring> tokenizeCommandLine(olstring_view text) {
  const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  std::vector<olstring> tokens;
  olstring token;
  bool inQuotes = false;
  size_t i = 0;
  while (i < text.size()) {
    const char16_t c = text[i];
    if (c == u'\\') {
      size_t run = 0;
      while (i + run < text.size() && text[i + run] == u'\\') ++run;
      i += run;
      if (i < text.size() && text[i] == u'"') {
        token.append(run / 2, u'\\');
        if (run % 2 == 1) {
          token += u'"';
          ++i;
        }
      } else {
        token.append(run, u'\\');
      }
      continue;
    }
    if (c == u'"') {
      inQuotes = !inQuotes;
    } else if (c == u' ' && !inQuotes) {
      if (!token.empty()) tokens.push_back(std::move(token));
      token.clear();
    } else {
      token += c;
    }
    ++i;
  }
  if (!token.empty()) tokens.push_back(std::move(token));
  return tokens;
}

std::vector<olstring> collapseDuplicateTokens(const std::vector<olstring>& tokens, TokenMatch match) {
  // Indexed, so that an absurdly long command line stays quick.
  std::map<olstring, size_t> exact;
  olstrmap<size_t> ignoringCase;
  std::vector<olstring> result;
  for (const auto& token : tokens) {
    size_t position;
    bool added;
    if (match == TokenMatch::exact) {
      const auto inserted = exact.try_emplace(token, result.size());
      position = inserted.first->second;
      added = inserted.second;
    } else {
      const auto inserted = ignoringCase.try_emplace(token, result.size());
      position = inserted.first->second;
      added = inserted.second;
    }
    if (added) {
      result.push_back(token);
    } else {
      result[position] = token;
    }
  }
  return result;
}

CommandLine::CommandLine() {
  for (const CompareSwitch& entry : kCompareSwitches) words.emplace(olstring(entry.word), OptionWord{entry.option, nullptr});
  words.emplace(u"hide", OptionWord{nullptr, &CommandLine::hide});
  words.emplace(u"start", OptionWord{nullptr, &CommandLine::start});
}

namespace {

void setWord(CommandLine& commandLine, const OptionWord& word, bool on) {
  if (word.option) commandLine.options.*word.option = on;
  else commandLine.*word.flag = on;
}

// "NAME=FILE" or a bare "NAME" (which names no file: the run refuses it): given is set and
// path gets the file made absolute ("-" stays). False for any other token.
bool parseFileOption(const olstring& token, olstring_view name, bool& given, olstring& path) {
  if (token.compare(0, name.size(), name) != 0) return false;
  const olstring_view rest = olstring_view(token).substr(name.size());
  if (!rest.empty() && rest.front() != u'=') return false;
  given = true;
  const olstring_view file = rest.empty() ? rest : rest.substr(1);
  path = file.empty() || file == u"-" ? olstring(file) : fullPath(file);
  return true;
}

// "--exit-trouble=1" or "=2"; any other value (or none) is kept to be refused. False for any
// other token.
bool parseExitTrouble(const olstring& token, CommandLine& commandLine) {
  constexpr olstring_view kName = u"--exit-trouble";
  if (token.compare(0, kName.size(), kName) != 0) return false;
  const olstring_view rest = olstring_view(token).substr(kName.size());
  if (!rest.empty() && rest.front() != u'=') return false;
  const olstring_view value = rest.empty() ? rest : rest.substr(1);
  commandLine.exitTroubleInvalid = value != u"1" && value != u"2";
  commandLine.exitTroubleValue.assign(value);
  // A value that is refused still says what a failure is to return: the run fails with it.
  commandLine.troubleExitCode = value == u"1" ? 1 : 2;
  return true;
}

// "--report=FILE", "--report-all" and "--save-listing=FILE". False for any other token.
bool parseFileOptions(const olstring& token, CommandLine& commandLine) {
  if (token == u"--report-all") {
    commandLine.reportAll = true;
    return true;
  }
  return parseFileOption(token, u"--report", commandLine.reportGiven, commandLine.reportPath) ||
         parseFileOption(token, u"--save-listing", commandLine.saveListingGiven, commandLine.saveListingPath);
}

// "--time-tolerance=SECONDS". False for any other token.
bool parseTimeTolerance(const olstring& token, CommandLine& commandLine) {
  if (token.compare(0, kTimeToleranceOption.size(), kTimeToleranceOption) != 0) return false;
  const olstring_view rest = olstring_view(token).substr(kTimeToleranceOption.size());
  if (!rest.empty() && rest.front() != u'=') return false;
  if (rest.empty() || !readWholeSeconds(rest.substr(1), kMaxTimeTolerance, &commandLine.options.timeTolerance)) {
    commandLine.badTimeTolerance = token;
  }
  return true;
}

}  // namespace

void parseCommandLine(const std::vector<olstring>& arguments, CommandLine& commandLine) {
  commandLine = CommandLine();

  // An empty argument is no token, as an empty pair of quotes is none on a command line.
  // After "--" every argument is a path, so that a folder called "--help" can be compared.
  std::vector<olstring> given;
  std::vector<olstring> literal;
  bool optionsEnded = false;
  for (const auto& argument : arguments) {
    if (!optionsEnded && argument == u"--") {
      optionsEnded = true;
    } else if (argument.empty()) {
      commandLine.emptyArgument = true;
    } else {
      (optionsEnded ? literal : given).push_back(argument);
    }
  }
  std::vector<olstring> tokens = collapseDuplicateTokens(given, TokenMatch::exact);
  const std::vector<olstring> literalPaths = collapseDuplicateTokens(literal, TokenMatch::exact);
  const bool anyToken = !tokens.empty() || !literalPaths.empty();

  // Only the first "@" token names a project; a later one stays a token.
  for (auto token = tokens.begin(); token != tokens.end(); ++token) {
    if (token->front() != u'@') continue;
    commandLine.projectPath = token->substr(1);
    tokens.erase(token);
    if (commandLine.projectPath.empty()) {
      commandLine.projectLoad = ProjectLoad::notFound;
    } else {
      commandLine.projectLoad = loadProjectFileWithReason(commandLine.projectPath, commandLine.options);
      if (commandLine.projectLoad == ProjectLoad::unreadable) commandLine.projectError = platform::lastError();
    }
    break;
  }

  std::vector<olstring> paths;
  for (const auto& token : tokens) {
    if (token == u"--help" || token == u"-h") {
      commandLine.help = true;
      continue;
    }
    if (token == u"--version") {
      commandLine.version = true;
      continue;
    }
    if (parseFileOptions(token, commandLine) || parseTimeTolerance(token, commandLine) ||
        parseExitTrouble(token, commandLine)) {
      continue;
    }
    // "--WORD" turns a switch on, as "+WORD" does ("--ignore-hour-shift").
    const bool doubleDash = token.starts_with(u"--");
    const bool hasSign = token.front() == u'+' || token.front() == u'-';
    const olstring_view name = olstring_view(token).substr(doubleDash ? 2 : hasSign ? 1 : 0);
    const auto word = commandLine.words.find(name);
    if (word != commandLine.words.end() && (!doubleDash || word->second.option != nullptr)) {
      setWord(commandLine, word->second, doubleDash || token.front() != u'-');
    } else if (token.front() == u'-') {
      commandLine.unknownOptions.push_back(token);
    } else {
      paths.push_back(token);
    }
  }
  paths.insert(paths.end(), literalPaths.begin(), literalPaths.end());
  for (const auto& path : paths) {
    const auto times = std::count(given.begin(), given.end(), path) + std::count(literal.begin(), literal.end(), path);
    if (times > 1) commandLine.repeatedPaths.push_back(path);
  }
  commandLine.pathCount = static_cast<int>(paths.size());
  if (paths.size() >= 1) commandLine.options.path0 = paths[0];
  if (paths.size() >= 2) commandLine.options.path1 = paths[1];
  if (paths.size() > 2) commandLine.ignoredPaths.assign(paths.begin() + 2, paths.end());

  CompareOptions& options = commandLine.options;
  // The one path to list is made absolute, as the listing records it.
  if (commandLine.saveListingGiven && !options.path0.empty()) options.path0 = fullPath(options.path0);
  if (!options.path0.empty() && !options.path1.empty()) {
    options.path0 = fullPath(options.path0);
    options.path1 = fullPath(options.path1);
    commandLine.compareGiven = anyToken;
    if (commandLine.compareGiven && commandLine.hide) commandLine.start = true;
  }
}

olstring optionWordList(const CommandLine& commandLine, olstring_view separator) {
  olstring list;
  for (const auto& [word, meaning] : commandLine.words) {
    if (!list.empty()) list += separator;
    list += word;
  }
  return list;
}

void applyCommandLine(const CommandLine& commandLine, CompareOptions& options) {
  const CompareOptions& given = commandLine.options;
  copySwitches(given, options);
  options.timeTolerance = given.timeTolerance;
  options.path0 = given.path0;
  options.path1 = given.path1;
  options.excludes = given.excludes;
}
