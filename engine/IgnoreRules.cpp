// Ignore patterns: parsing a file's lines and matching the wildcards the way version control
// does, including its quirks, so that what is left out is what it leaves out.

#include "engine/IgnoreRules.h"

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isWildcardByte(char c) { return c == '*' || c == '?' || c == '[' || c == '\\'; }

size_t literalLength(std::string_view text) {
  size_t length = 0;
  while (length < text.size() && !isWildcardByte(text[length])) ++length;
  return length;
}

// Trailing spaces go, unless escaped: "\" keeps the byte after it, and a line that ends in
// a lone "\" keeps all its spaces.
std::string_view withoutTrailingSpaces(std::string_view line) {
  size_t firstTrailingSpace = std::string_view::npos;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == ' ') {
      if (firstTrailingSpace == std::string_view::npos) firstTrailingSpace = i;
      continue;
    }
    if (line[i] == '\\' && ++i == line.size()) return line;
    firstTrailingSpace = std::string_view::npos;
  }
  return line.substr(0, firstTrailingSpace);
}

// The POSIX classes of "[[:name:]]", ASCII only.
enum class NamedClass { unknown, alnum, alpha, blank, cntrl, digit, graph, lower, print, punct, space, upper, xdigit };

NamedClass namedClass(std::string_view name) {
  static constexpr std::pair<std::string_view, NamedClass> kClasses[] = {
      {"alnum", NamedClass::alnum}, {"alpha", NamedClass::alpha}, {"blank", NamedClass::blank},
      {"cntrl", NamedClass::cntrl}, {"digit", NamedClass::digit}, {"graph", NamedClass::graph},
      {"lower", NamedClass::lower}, {"print", NamedClass::print}, {"punct", NamedClass::punct},
      {"space", NamedClass::space}, {"upper", NamedClass::upper}, {"xdigit", NamedClass::xdigit},
  };
  for (const auto& [known, value] : kClasses) {
    if (known == name) return value;
  }
  return NamedClass::unknown;
}

bool inNamedClass(NamedClass named, unsigned char c) {
  const bool digit = c >= '0' && c <= '9';
  const bool upper = c >= 'A' && c <= 'Z';
  const bool lower = c >= 'a' && c <= 'z';
  const bool graph = c > 0x20 && c < 0x7F;
  switch (named) {
    case NamedClass::alnum: return digit || upper || lower;
    case NamedClass::alpha: return upper || lower;
    case NamedClass::blank: return c == ' ' || c == '\t';
    case NamedClass::cntrl: return c < 0x20 || c == 0x7F;
    case NamedClass::digit: return digit;
    case NamedClass::graph: return graph;
    case NamedClass::lower: return lower;
    case NamedClass::print: return graph || c == ' ';
    case NamedClass::punct: return graph && !digit && !upper && !lower;
    // Vertical tab and form feed are no space there.
    case NamedClass::space: return c == ' ' || c == '\t' || c == '\n' || c == '\r';
    case NamedClass::upper: return upper;
    case NamedClass::xdigit: return digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    case NamedClass::unknown: return false;
  }
  return false;
}

enum class Outcome : uint8_t {
  match,
  noMatch,
  // The pattern cannot match this text from any later start either: stop trying.
  abortAll,
  // No later start within this name can match; only a "**" before may still move on.
  abortToDoubleStar,
};

// One wildcard match. The start of the pattern counts as the start of a name for "**".
// In path mode "/" separates names: "*", "?" and "[...]" stay within one name, and "**"
// between separators (or at either end) spans any number of names.
class Glob {
public:
  Glob(std::string_view pattern, std::string_view text, bool pathMode)
      : m_pattern(pattern), m_text(text), m_pathMode(pathMode) {}

  bool matches() const { return from(0, 0) == Outcome::match; }

private:
  // The pattern byte at i, or -1 past its end.
  int at(size_t i) const { return i < m_pattern.size() ? static_cast<unsigned char>(m_pattern[i]) : -1; }

  Outcome from(size_t p, size_t t) const {
    for (; p < m_pattern.size(); ++p, ++t) {
      const char wanted = m_pattern[p];
      if (wanted == '*') return star(p, t);
      if (t == m_text.size()) return Outcome::abortAll;
      const auto c = static_cast<unsigned char>(m_text[t]);
      switch (wanted) {
        case '\\':
          // The next byte stands for itself; a "\" that ends the pattern matches nothing.
          if (++p == m_pattern.size() || c != static_cast<unsigned char>(m_pattern[p])) return Outcome::noMatch;
          break;
        case '?':
          if (m_pathMode && c == '/') return Outcome::noMatch;
          break;
        case '[': {
          const Outcome inSet = bracket(p, c);
          if (inSet != Outcome::match) return inSet;
          break;
        }
        default:
          if (c != static_cast<unsigned char>(wanted)) return Outcome::noMatch;
      }
    }
    return t == m_text.size() ? Outcome::match : Outcome::noMatch;
  }

  // p is at the first "*" of a run.
  Outcome star(size_t p, size_t t) const {
    size_t next = p + 1;
    bool crossesSlash = !m_pathMode;
    if (at(next) == '*') {
      while (at(next) == '*') ++next;
      const bool startsName = p == 0 || m_pattern[p - 1] == '/';
      const bool endsName = at(next) < 0 || at(next) == '/' || (at(next) == '\\' && at(next + 1) == '/');
      // Only a "**" that is a whole name spans names; "a**b" is one "*" (in either mode).
      crossesSlash = startsName && endsName;
      // "**/" may also stand for no name at all.
      if (crossesSlash && at(next) == '/' && from(next + 1, t) == Outcome::match) return Outcome::match;
    }
    if (next == m_pattern.size()) {
      if (!crossesSlash && m_text.find('/', t) != std::string_view::npos) return Outcome::noMatch;
      return Outcome::match;
    }
    if (!crossesSlash && m_pattern[next] == '/') {
      // The star takes the rest of this name.
      const size_t slash = m_text.find('/', t);
      if (slash == std::string_view::npos) return Outcome::noMatch;
      return from(next, slash);
    }
    for (; t < m_text.size(); ++t) {
      const char wanted = m_pattern[next];
      if (!isWildcardByte(wanted)) {
        // Where a literal follows, the star can only end just before that byte.
        while (t < m_text.size() && m_text[t] != wanted && (crossesSlash || m_text[t] != '/')) ++t;
        if (t == m_text.size() || m_text[t] != wanted) return Outcome::noMatch;
      }
      const Outcome rest = from(next, t);
      if (rest != Outcome::noMatch) {
        if (!crossesSlash || rest != Outcome::abortToDoubleStar) return rest;
      } else if (!crossesSlash && m_text[t] == '/') {
        return Outcome::abortToDoubleStar;
      }
    }
    return Outcome::abortAll;
  }

  // p is at the "["; on a match it is left at the closing "]". A set that is never closed,
  // or names an unknown class, ends the whole match.
  Outcome bracket(size_t& p, unsigned char c) const {
    ++p;
    bool negated = false;
    if (at(p) == '!' || at(p) == '^') {
      negated = true;
      ++p;
    }
    bool matched = false;
    // The single byte before, which may start a range; 0 after a range or a class.
    int previous = 0;
    // A "]" right at the start is a member, not the end.
    int member = at(p);
    do {
      if (member < 0) return Outcome::abortAll;
      if (member == '\\') {
        member = at(++p);
        if (member < 0) return Outcome::abortAll;
        matched = matched || c == member;
      } else if (member == '-' && previous != 0 && at(p + 1) >= 0 && at(p + 1) != ']') {
        int high = at(++p);
        if (high == '\\') {
          high = at(++p);
          if (high < 0) return Outcome::abortAll;
        }
        matched = matched || (c >= previous && c <= high);
        member = 0;
      } else if (member == '[' && at(p + 1) == ':') {
        const size_t nameStart = p + 2;
        size_t close = nameStart;
        while (at(close) >= 0 && at(close) != ']') ++close;
        if (at(close) < 0) return Outcome::abortAll;
        if (close == nameStart || m_pattern[close - 1] != ':') {
          // No ":]": the "[" is a plain member, and the ":" after it the next one.
          matched = matched || c == '[';
        } else {
          const NamedClass named = namedClass(m_pattern.substr(nameStart, close - 1 - nameStart));
          if (named == NamedClass::unknown) return Outcome::abortAll;
          matched = matched || inNamedClass(named, c);
          p = close;
          member = 0;
        }
      } else {
        matched = matched || c == member;
      }
      previous = member;
      member = at(++p);
    } while (member != ']');
    if (matched == negated || (m_pathMode && c == '/')) return Outcome::noMatch;
    return Outcome::match;
  }

  std::string_view m_pattern;
  std::string_view m_text;
  bool m_pathMode;
};

}  // namespace

IgnoreRules IgnoreRules::parse(std::string_view text) {
  IgnoreRules rules;
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    if (line.back() == '\r') line.remove_suffix(1);
    // Lines are C strings there: a zero byte ends one.
    line = line.substr(0, line.find('\0'));
    line = withoutTrailingSpaces(line);

    Pattern pattern;
    if (!line.empty() && line[0] == '!') {
      pattern.negated = true;
      line.remove_prefix(1);
    }
    if (!line.empty() && line.back() == '/') {
      pattern.foldersOnly = true;
      line.remove_suffix(1);
    }
    pattern.anchored = line.find('/') != std::string_view::npos;
    if (pattern.anchored && line[0] == '/') line.remove_prefix(1);
    // An empty pattern names nothing ("!", "/" and lines of spaces among others).
    if (line.empty()) continue;
    pattern.text.assign(line);
    pattern.literalLength = static_cast<uint32_t>(literalLength(line));
    if (pattern.literalLength == line.size()) {
      pattern.form = Form::literal;
    } else if (line[0] == '*' && literalLength(line.substr(1)) == line.size() - 1) {
      pattern.form = Form::endsWith;
    }
    rules.m_patterns.push_back(std::move(pattern));
  }
  return rules;
}

bool IgnoreRules::matches(const Pattern& pattern, std::string_view path, std::string_view name) {
  const std::string_view text = pattern.text;
  if (!pattern.anchored) {
    switch (pattern.form) {
      case Form::literal: return name == text;
      case Form::endsWith:
        return name.size() >= text.size() - 1 && name.substr(name.size() - (text.size() - 1)) == text.substr(1);
      case Form::wildcard: return Glob(text, name, /*pathMode=*/false).matches();
    }
  }
  // The literal start is compared first and the wildcards matched after it as a pattern of
  // their own, so a "**" right after it counts as starting a name ("a**/b" matches "ab").
  const size_t literal = pattern.literalLength;
  if (path.size() < literal || path.substr(0, literal) != text.substr(0, literal)) return false;
  if (literal == text.size()) return path.size() == literal;
  return Glob(text.substr(literal), path.substr(literal), /*pathMode=*/true).matches();
}

IgnoreVerdict IgnoreRules::decide(std::string_view path, size_t nameStart, bool isFolder) const {
  const std::string_view name = path.substr(nameStart);
  for (auto it = m_patterns.rbegin(); it != m_patterns.rend(); ++it) {
    if (it->foldersOnly && !isFolder) continue;
    if (matches(*it, path, name)) return it->negated ? IgnoreVerdict::included : IgnoreVerdict::ignored;
  }
  return IgnoreVerdict::none;
}

bool isIgnoredBy(const IgnoreLayer* innermost, std::string_view path, bool isFolder) {
  const size_t lastSlash = path.rfind('/');
  const size_t nameStart = lastSlash == std::string_view::npos ? 0 : lastSlash + 1;
  for (const IgnoreLayer* layer = innermost; layer != nullptr; layer = layer->above.get()) {
    if (layer->rules.empty()) continue;
    const size_t below = layer->folderLength == 0 ? 0 : layer->folderLength + 1;
    if (below > nameStart) continue;  // not a path below this layer's folder
    const IgnoreVerdict verdict = layer->rules.decide(path.substr(below), nameStart - below, isFolder);
    if (verdict != IgnoreVerdict::none) return verdict == IgnoreVerdict::ignored;
  }
  return false;
}
