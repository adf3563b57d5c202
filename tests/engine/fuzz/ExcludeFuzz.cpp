// Feeds arbitrary exclusion texts and names to the exclusion parser and matcher. Besides
// crashes it catches a set that does not survive being written back as text and parsed
// again, and a wildcard match that disagrees with a plain reference matcher.

#include "engine/FolderScan.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const olstring& a, const olstring& b) {
  std::fprintf(stderr, "%s\n  [%s]\n  [%s]\n", what, toUtf8(a).c_str(), toUtf8(b).c_str());
  std::abort();
}

bool sameLetter(char16_t a, char16_t b) {
  const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return a == b || (lower(a) == lower(b) && ((a | 32) >= u'a' && (a | 32) <= u'z'));
}

// The wildcard rule written the slow, obvious way: "*" any run, "?" one code unit, ASCII
// letters ignoring case, everything else exactly.
bool referenceMatch(const olstring& name, const olstring& pattern) {
  std::vector<std::vector<char>> matches(name.size() + 1, std::vector<char>(pattern.size() + 1, 0));
  matches[name.size()][pattern.size()] = 1;
  for (size_t p = pattern.size(); p-- > 0;) {
    for (size_t n = name.size() + 1; n-- > 0;) {
      if (pattern[p] == u'*') {
        matches[n][p] = matches[n][p + 1] || (n < name.size() && matches[n + 1][p]);
      } else if (n < name.size() && (pattern[p] == u'?' || sameLetter(pattern[p], name[n]))) {
        matches[n][p] = matches[n + 1][p + 1];
      }
    }
  }
  return matches[0][0] != 0;
}

// The set as a user would type it: patterns holding a space in double quotes.
olstring written(const ExcludeSet& set) {
  olstring text;
  for (const auto& [pattern, info] : set) {
    if (!text.empty()) text += u' ';
    text += pattern.find(u' ') == olstring::npos ? pattern : u"\"" + pattern + u"\"";
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const size_t cut = bytes.find('\n');
  const olstring text = fromUtf8(bytes.substr(0, cut));
  const olstring name = cut == std::string::npos ? olstring() : fromUtf8(bytes.substr(cut + 1));

  ExcludeSet set;
  parseExcludes(text, set);
  for (const auto& [pattern, info] : set) {
    if (pattern.empty() || pattern.find(u'"') != olstring::npos) fail("a pattern the parser cannot make", text, pattern);
    if (info.isWildcard != (pattern.find_first_of(u"*?") != olstring::npos)) fail("wrong wildcard flag", text, pattern);
    // A pattern always matches a name spelled like itself.
    if (!matchesExclude(pattern, pattern, info.isWildcard)) fail("a pattern misses itself", text, pattern);
    if (!name.empty() && info.isWildcard && matchesExclude(name, pattern, true) != referenceMatch(name, pattern)) {
      fail("the wildcard match disagrees with the reference", name, pattern);
    }
  }
  ExcludeSet again;
  parseExcludes(written(set), again);
  if (again.size() != set.size()) fail("the written set parses into another", text, written(set));
  for (auto a = set.begin(), b = again.begin(); a != set.end(); ++a, ++b) {
    if (a->first != b->first || a->second.isWildcard != b->second.isWildcard) fail("a pattern changed", a->first, b->first);
  }
  // The raw text as a pattern of its own, against the name: no crash, no endless match.
  if (!text.empty()) (void)matchesExclude(name, text, text.find_first_of(u"*?") != olstring::npos);
  return 0;
}
