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
  // No later start can match either (the text ran out): every star before may stop trying.
  abortAll,
  // No later start within this name can match; only a "**" before may still move on.
  abortToDoubleStar,
};

// Reads a "[...]" at p (just after the "[") into the bytes it stands for, and moves p past
// its "]". False when the set is never closed or names an unknown class: such a pattern
// ends every match that reaches it. A "]" right at the start is a member; "!" or "^" there
// negates; "a-z" is a range; "\" escapes; "[:alpha:]" and the like are classes, and a "[:"
// without ":]" is a plain "[". In path mode no set ever matches "/".
bool readByteSet(std::string_view pattern, size_t& p, bool pathMode, std::bitset<256>& set) {
  const auto at = [&pattern](size_t i) { return i < pattern.size() ? static_cast<unsigned char>(pattern[i]) : -1; };
  bool negated = false;
  if (at(p) == '!' || at(p) == '^') {
    negated = true;
    ++p;
  }
  // The single byte before, which may start a range; 0 after a range or a class.
  int previous = 0;
  int member = at(p);
  do {
    if (member < 0) return false;
    if (member == '\\') {
      member = at(++p);
      if (member < 0) return false;
      set.set(member);
    } else if (member == '-' && previous != 0 && at(p + 1) >= 0 && at(p + 1) != ']') {
      int high = at(++p);
      if (high == '\\') {
        high = at(++p);
        if (high < 0) return false;
      }
      for (int byte = previous; byte <= high; ++byte) set.set(byte);
      member = 0;
    } else if (member == '[' && at(p + 1) == ':') {
      const size_t nameStart = p + 2;
      size_t close = nameStart;
      while (at(close) >= 0 && at(close) != ']') ++close;
      if (at(close) < 0) return false;
      if (close == nameStart || pattern[close - 1] != ':') {
        // No ":]": the "[" is a plain member, and the ":" after it the next one.
        set.set('[');
      } else {
        const NamedClass named = namedClass(pattern.substr(nameStart, close - 1 - nameStart));
        if (named == NamedClass::unknown) return false;
        for (int byte = 0; byte < 256; ++byte) {
          if (inNamedClass(named, static_cast<unsigned char>(byte))) set.set(byte);
        }
        p = close;
        member = 0;
      }
    } else {
      set.set(member);
    }
    previous = member;
    member = at(++p);
  } while (member != ']');
  ++p;
  if (negated) set.flip();
  if (pathMode) set.reset('/');
  return true;
}

}  // namespace

// Wildcards become pieces once, so that matching never parses: a set is a table of bytes,
// and escapes are resolved.
void IgnoreRules::compile(Pattern& pattern, std::string_view wildcards) {
  using Kind = Piece::Kind;
  const bool pathMode = pattern.anchored;
  pattern.firstPiece = static_cast<uint32_t>(m_pieces.size());
  // Literal bytes go on extending the last piece unless it must stay alone.
  bool extendable = false;
  const auto addByte = [&](char byte) {
    if (!extendable) {
      m_pieces.push_back({Kind::bytes, false, false, static_cast<uint32_t>(m_literals.size()), 0});
      extendable = true;
    }
    m_literals += byte;
    ++m_pieces.back().length;
  };
  const auto add = [&](Piece piece) {
    m_pieces.push_back(piece);
    extendable = false;
  };
  size_t p = 0;
  while (p < wildcards.size()) {
    const char c = wildcards[p];
    if (c == '*') {
      size_t next = p + 1;
      while (next < wildcards.size() && wildcards[next] == '*') ++next;
      Piece star{Kind::star, !pathMode, false, 0, 0};
      if (next - p > 1) {
        // Only a "**" that is a whole name spans names (and the start of what is matched
        // counts as the start of a name); "a**b" is one "*".
        const bool startsName = p == 0 || wildcards[p - 1] == '/';
        const bool endsName = next == wildcards.size() || wildcards[next] == '/' ||
                              (wildcards[next] == '\\' && next + 1 < wildcards.size() && wildcards[next + 1] == '/');
        star.crossesSlash = startsName && endsName;
        star.mayBeNoFolder = star.crossesSlash && next < wildcards.size() && wildcards[next] == '/';
      }
      // "**/**/" stands for no more than "**/" does, and each repetition would multiply the
      // work of a match that fails: a few of them would hang the compare.
      const size_t made = m_pieces.size() - pattern.firstPiece;
      if (star.mayBeNoFolder && made >= 2 && m_pieces.end()[-2].mayBeNoFolder) {
        p = next + 1;
        continue;
      }
      star.index = pattern.stars++;
      add(star);
      p = next;
      if (star.mayBeNoFolder) {
        addByte('/');
        extendable = false;
        ++p;
      }
    } else if (c == '?') {
      add({Kind::anyByte, false, false, 0, 0});
      ++p;
    } else if (c == '[') {
      std::bitset<256> set;
      if (!readByteSet(wildcards, ++p, pathMode, set)) {
        add({Kind::never, false, false, 0, 0});
        break;
      }
      add({Kind::byteSet, false, false, static_cast<uint32_t>(m_sets.size()), 0});
      m_sets.push_back(set);
    } else if (c == '\\') {
      if (++p == wildcards.size()) {
        add({Kind::never, false, false, 0, 0});
        break;
      }
      addByte(wildcards[p++]);
    } else {
      addByte(c);
      ++p;
    }
  }
  pattern.pieceCount = static_cast<uint32_t>(m_pieces.size()) - pattern.firstPiece;

  // What every match needs: its fixed width, the bytes of the last piece at the end (unless
  // "**/" before may skip them), and the longest run of bytes somewhere.
  const Piece* first = m_pieces.data() + pattern.firstPiece;
  const Piece* last = first + pattern.pieceCount;
  const Piece* longest = nullptr;
  for (const Piece* piece = first; piece != last; ++piece) {
    if (piece->kind == Kind::anyByte || piece->kind == Kind::byteSet) ++pattern.shortest;
    if (piece->kind != Kind::bytes) continue;
    const bool skippable = piece != first && piece[-1].mayBeNoFolder;
    if (!skippable) pattern.shortest += piece->length;
    if (!skippable && (longest == nullptr || piece->length > longest->length)) longest = piece;
  }
  if (pattern.pieceCount != 0 && last[-1].kind == Kind::bytes && !(last - 1 != first && last[-2].mayBeNoFolder)) {
    pattern.ending = m_literals.substr(last[-1].index, last[-1].length);
  }
  if (longest != nullptr && longest->length > 1) pattern.inside = m_literals.substr(longest->index, longest->length);
}

// One wildcard match over the pieces of a pattern.
class IgnoreRules::PieceMatch {
public:
  PieceMatch(const Pattern& pattern, const IgnoreRules& rules, std::string_view text)
      : m_pieces(rules.m_pieces.data() + pattern.firstPiece), m_count(pattern.pieceCount), m_stars(pattern.stars),
        m_literals(rules.m_literals), m_sets(rules.m_sets), m_text(text), m_pathMode(pattern.anchored) {}

  bool matches() { return from(0, 0) == Outcome::match; }

private:
  // A match whose stars keep trying starts can take time that grows as a power of the text's
  // length. Past this many tries each star's outcome at each start is remembered, which
  // bounds the work by pieces x length squared; the outcomes are the same.
  static constexpr uint32_t kTriesBeforeMemo = 4096;
  static constexpr size_t kLargestMemo = size_t{1} << 24;
  enum : uint8_t { kUnknown = 0xFF };

  std::string_view bytesOf(const Piece& piece) const { return m_literals.substr(piece.index, piece.length); }

  Outcome from(size_t i, size_t t) {
    for (; i < m_count; ++i) {
      const Piece& piece = m_pieces[i];
      switch (piece.kind) {
        case Piece::Kind::star: return star(i, t);
        case Piece::Kind::bytes: {
          const std::string_view wanted = bytesOf(piece);
          if (m_text.size() - t < wanted.size()) return Outcome::abortAll;
          if (m_text.compare(t, wanted.size(), wanted) != 0) return Outcome::noMatch;
          t += wanted.size();
          break;
        }
        case Piece::Kind::anyByte:
          if (t == m_text.size()) return Outcome::abortAll;
          if (m_pathMode && m_text[t] == '/') return Outcome::noMatch;
          ++t;
          break;
        case Piece::Kind::byteSet:
          if (t == m_text.size()) return Outcome::abortAll;
          if (!m_sets[piece.index].test(static_cast<unsigned char>(m_text[t]))) return Outcome::noMatch;
          ++t;
          break;
        case Piece::Kind::never: return Outcome::abortAll;
      }
    }
    return t == m_text.size() ? Outcome::match : Outcome::noMatch;
  }

  Outcome star(size_t i, size_t t) {
    const size_t width = m_text.size() + 1;
    if (++m_tries <= kTriesBeforeMemo || m_stars * width > kLargestMemo) return tryStar(i, t);
    thread_local std::vector<uint8_t> memo;
    if (m_tries == kTriesBeforeMemo + 1) memo.assign(m_stars * width, kUnknown);
    uint8_t& known = memo[m_pieces[i].index * width + t];
    if (known == kUnknown) known = static_cast<uint8_t>(tryStar(i, t));
    return static_cast<Outcome>(known);
  }

  Outcome tryStar(size_t i, size_t t) {
    const Piece& star = m_pieces[i];
    const size_t next = i + 1;
    if (star.mayBeNoFolder && from(next + 1, t) == Outcome::match) return Outcome::match;
    if (next == m_count) {
      if (!star.crossesSlash && m_text.find('/', t) != std::string_view::npos) return Outcome::noMatch;
      return Outcome::match;
    }
    const Piece& after = m_pieces[next];
    const bool literalAfter = after.kind == Piece::Kind::bytes;
    const char firstAfter = literalAfter ? m_literals[after.index] : '\0';
    if (!star.crossesSlash && firstAfter == '/') {
      // The star takes the rest of this name.
      const size_t slash = m_text.find('/', t);
      return slash == std::string_view::npos ? Outcome::noMatch : from(next, slash);
    }
    for (; t < m_text.size(); ++t) {
      if (literalAfter) {
        // The star can only end just before the byte that follows it.
        while (t < m_text.size() && m_text[t] != firstAfter && (star.crossesSlash || m_text[t] != '/')) ++t;
        if (t == m_text.size() || m_text[t] != firstAfter) return Outcome::noMatch;
      }
      const Outcome rest = from(next, t);
      if (rest != Outcome::noMatch) {
        if (!star.crossesSlash || rest != Outcome::abortToDoubleStar) return rest;
      } else if (!star.crossesSlash && m_text[t] == '/') {
        return Outcome::abortToDoubleStar;
      }
    }
    return Outcome::abortAll;
  }

  const Piece* m_pieces;
  size_t m_count;
  size_t m_stars;
  std::string_view m_literals;
  const std::vector<std::bitset<256>>& m_sets;
  std::string_view m_text;
  bool m_pathMode;
  uint32_t m_tries = 0;
};

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
    } else if (!pattern.anchored && line[0] == '*' && literalLength(line.substr(1)) == line.size() - 1) {
      pattern.form = Form::endsWith;
    } else {
      // A path pattern's literal start is compared first and the wildcards matched after it
      // as a pattern of their own, so a "**" right after it counts as starting a name
      // ("a**/b" matches "ab").
      rules.compile(pattern, pattern.anchored ? line.substr(pattern.literalLength) : line);
    }
    const std::string_view ending = pattern.form == Form::literal   ? line
                                    : pattern.form == Form::endsWith ? line.substr(1)
                                                                     : std::string_view(pattern.ending);
    if (!ending.empty()) pattern.lastByte = static_cast<unsigned char>(ending.back());
    rules.m_patterns.push_back(std::move(pattern));
  }
  rules.sortByLastByte();
  return rules;
}

void IgnoreRules::sortByLastByte() {
  for (const Pattern& pattern : m_patterns) {
    if (pattern.lastByte >= 0) ++m_lastByteStart[pattern.lastByte + 1];
  }
  for (size_t byte = 1; byte < m_lastByteStart.size(); ++byte) m_lastByteStart[byte] += m_lastByteStart[byte - 1];
  m_byLastByte.resize(m_lastByteStart.back());
  std::array<uint32_t, 256> next{};
  for (uint32_t i = 0; i < m_patterns.size(); ++i) {
    const int lastByte = m_patterns[i].lastByte;
    if (lastByte < 0) {
      m_anyLastByte.push_back(i);
    } else {
      m_byLastByte[m_lastByteStart[lastByte] + next[lastByte]++] = i;
    }
  }
}

bool IgnoreRules::matchesPieces(const Pattern& pattern, std::string_view text) const {
  if (text.size() < pattern.shortest || !text.ends_with(pattern.ending)) return false;
  if (!pattern.inside.empty() && text.find(pattern.inside) == std::string_view::npos) return false;
  return PieceMatch(pattern, *this, text).matches();
}

bool IgnoreRules::matches(const Pattern& pattern, std::string_view path, std::string_view name) const {
  const std::string_view text = pattern.text;
  if (!pattern.anchored) {
    switch (pattern.form) {
      case Form::literal: return name == text;
      case Form::endsWith: return name.ends_with(text.substr(1));
      case Form::wildcard: return matchesPieces(pattern, name);
    }
  }
  const size_t literal = pattern.literalLength;
  if (!path.starts_with(text.substr(0, literal))) return false;
  if (literal == text.size()) return path.size() == literal;
  return matchesPieces(pattern, path.substr(literal));
}

IgnoreVerdict IgnoreRules::decide(std::string_view path, size_t nameStart, bool isFolder) const {
  const std::string_view name = path.substr(nameStart);
  const auto lastByte = static_cast<unsigned char>(path.back());
  // The last pattern that matches decides: both lists are walked from their ends at once,
  // the later pattern first.
  const uint32_t* fixed = m_byLastByte.data() + m_lastByteStart[lastByte];
  size_t fixedLeft = m_lastByteStart[lastByte + 1] - m_lastByteStart[lastByte];
  size_t anyLeft = m_anyLastByte.size();
  while (fixedLeft != 0 || anyLeft != 0) {
    const bool takeFixed = fixedLeft != 0 && (anyLeft == 0 || fixed[fixedLeft - 1] > m_anyLastByte[anyLeft - 1]);
    const Pattern& pattern = m_patterns[takeFixed ? fixed[--fixedLeft] : m_anyLastByte[--anyLeft]];
    if (pattern.foldersOnly && !isFolder) continue;
    if (matches(pattern, path, name)) return pattern.negated ? IgnoreVerdict::included : IgnoreVerdict::ignored;
  }
  return IgnoreVerdict::none;
}

bool isIgnoredBy(const IgnoreLayer* innermost, std::string_view path, bool isFolder) {
  const size_t lastSlash = path.rfind('/');
  const size_t nameStart = lastSlash == std::string_view::npos ? 0 : lastSlash + 1;
  for (const IgnoreLayer* layer = innermost; layer != nullptr; layer = layer->above.get()) {
    const size_t below = layer->folderLength == 0 ? 0 : layer->folderLength + 1;
    if (below > nameStart) continue;  // not a path below this layer's folder
    const IgnoreVerdict verdict = layer->rules->decide(path.substr(below), nameStart - below, isFolder);
    if (verdict != IgnoreVerdict::none) return verdict == IgnoreVerdict::ignored;
  }
  return false;
}
