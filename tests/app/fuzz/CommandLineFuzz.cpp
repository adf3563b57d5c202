// Feeds arbitrary command lines to the command-line parser, both as a whole text (split by
// the quoting rules) and as an argument vector (split at zero bytes). Besides crashes it
// catches tokens that do not survive being quoted and split again, and a parse whose result
// breaks the record's rules: a compare needs two absolute paths, "hide" implies "start",
// only words starting with "-" are unknown options, and parsing the same line twice gives
// the same record.

#include "app/CommandLine.h"
#include "foundation/Paths.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const std::vector<olstring>& tokens) {
  std::fprintf(stderr, "%s\n", what);
  for (const auto& token : tokens) std::fprintf(stderr, "  [%s]\n", toUtf8(token).c_str());
  std::abort();
}

// The inverse of the quoting rules: a token that holds a space, a tab or a quote is put in
// quotes, with the backslashes before a quote (its own or the closing one) doubled.
olstring quoted(const olstring& token) {
  if (token.find_first_of(u" \t\"") == olstring::npos) return token;
  olstring out = u"\"";
  size_t backslashes = 0;
  for (const char16_t c : token) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') {
      out.append(2 * backslashes + 1, u'\\');
    } else {
      out.append(backslashes, u'\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, u'\\');
  out += u'"';
  return out;
}

olstring joined(const std::vector<olstring>& tokens) {
  olstring text;
  for (const auto& token : tokens) {
    if (!text.empty()) text += u' ';
    text += quoted(token);
  }
  return text;
}

bool sameRecord(const CommandLine& a, const CommandLine& b) {
  const CompareOptions& x = a.options;
  const CompareOptions& y = b.options;
  return x.path0 == y.path0 && x.path1 == y.path1 && x.excludes == y.excludes && x.compareCase == y.compareCase &&
         x.modifyTime == y.modifyTime && x.attr == y.attr && x.textMode == y.textMode && x.adjustPath == y.adjustPath &&
         x.autoSkip == y.autoSkip && x.forceFile == y.forceFile && a.hide == b.hide && a.start == b.start &&
         a.compareGiven == b.compareGiven && a.help == b.help && a.version == b.version &&
         a.projectLoad == b.projectLoad && a.unknownOptions == b.unknownOptions && a.emptyArgument == b.emptyArgument &&
         a.repeatedPaths == b.repeatedPaths;
}

void checkParse(const std::vector<olstring>& arguments) {
  CommandLine first;
  parseCommandLine(arguments, first);
  const CompareOptions& options = first.options;
  if (first.compareGiven && (absolutePathKind(options.path0) == PathRoot::relative || absolutePathKind(options.path1) == PathRoot::relative)) {
    fail("a compare without two absolute paths", arguments);
  }
  if (first.compareGiven && first.hide && !first.start) fail("hide without start", arguments);
  for (const auto& option : first.unknownOptions) {
    if (option.empty() || option.front() != u'-') fail("an unknown option that is no option", arguments);
  }
  CommandLine second;
  parseCommandLine(arguments, second);
  if (!sameRecord(first, second)) fail("two parses of one line differ", arguments);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) {
    const std::vector<olstring> tokens = tokenizeCommandLine(fromUtf8(bytes));
    for (const auto& token : tokens) {
      if (token.empty()) fail("an empty token", tokens);
    }
    if (tokenizeCommandLine(joined(tokens)) != tokens) fail("quoted tokens split differently", tokens);
    checkParse(tokens);
  } else {
    std::vector<olstring> arguments;
    size_t start = 0;
    for (size_t zero; (zero = bytes.find('\0', start)) != std::string::npos; start = zero + 1) {
      arguments.push_back(fromUtf8(bytes.substr(start, zero - start)));
    }
    arguments.push_back(fromUtf8(bytes.substr(start)));
    checkParse(arguments);
  }
  return 0;
}
