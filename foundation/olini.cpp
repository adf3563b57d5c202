// INI text: logical lines, key/value splitting, escapes, and the written form.

#include "foundation/olini.h"

#include "foundation/Paths.h"
#include "foundation/TextFile.h"

namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\r' || c == u'\n' || c == u'\t'; }
bool isQuote(char16_t c) { return c == u'"' || c == u'\''; }

olstring_view trimmed(olstring_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool isHeader(olstring_view line) { return line.size() >= 2 && line.front() == u'[' && line.back() == u']'; }
bool isComment(olstring_view line) { return line.empty() || line.front() == u'#' || line.front() == u';'; }

size_t trailingBackslashes(olstring_view text, size_t end) {
  size_t count = 0;
  while (end > count && text[end - count - 1] == u'\\') ++count;
  return count;
}

// Backslashes pair up from the left of a run, so the character at `position` is escaped
// exactly when the run right before it is odd.
bool isEscapedAt(olstring_view text, size_t position) { return trailingBackslashes(text, position) % 2 == 1; }

// Hands out the logical lines of a text: physical lines trimmed, comments skipped, joined
// by a trailing odd backslash run or because the next line is neither a header nor holds "=".
class LogicalLines {
public:
  explicit LogicalLines(olstring_view text) : m_text(text) { skipBlank(); }

  bool next(olstring& line) {
    line.clear();
    bool started = false;
    bool forced = false;
    while (m_position < m_text.size()) {
      const size_t lineStart = m_position;
      olstring_view piece = takePhysical();
      if (isComment(piece)) continue;
      if (started && !forced && (isHeader(piece) || piece.find(u'=') != olstring_view::npos)) {
        m_position = lineStart;
        break;
      }
      forced = trailingBackslashes(piece, piece.size()) % 2 == 1;
      if (forced) piece.remove_suffix(1);
      join(line, trimmed(piece));
      started = true;
    }
    return started;
  }

private:
  olstring_view takePhysical() {
    size_t end = m_text.find(u'\n', m_position);
    if (end == olstring_view::npos) end = m_text.size();
    const olstring_view line = trimmed(m_text.substr(m_position, end - m_position));
    m_position = end < m_text.size() ? end + 1 : end;
    skipBlank();
    return line;
  }

  void skipBlank() {
    while (m_position < m_text.size() && isBlank(m_text[m_position])) ++m_position;
  }

  // An escaped line break or tab written at a seam is meant literally, so it gets no space.
  static void join(olstring& line, olstring_view piece) {
    const bool seamEscape = (line.size() >= 2 && line[line.size() - 2] == u'\\' && line.back() == u'n') ||
                            (piece.size() >= 2 && piece[0] == u'\\' && piece[1] == u't');
    if (!line.empty() && !piece.empty() && !seamEscape) line += u' ';
    line += piece;
  }

  olstring_view m_text;
  size_t m_position = 0;
};

// The value part of a line: trimmed, and one pair of surrounding quotes removed so that
// spaces inside them survive.
olstring_view valuePart(olstring_view rest) {
  olstring_view value = trimmed(rest);
  if (value.size() > 2 && isQuote(value.front()) && value.back() == value.front() &&
      !isEscapedAt(value, value.size() - 1)) {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// Splits a logical line into its raw (still escaped) key and value. False when the line
// holds no usable key.
bool splitKeyValue(olstring_view line, olstring_view& key, olstring_view& value) {
  line = trimmed(line);
  const size_t firstEquals = line.find(u'=');
  if (firstEquals == olstring_view::npos || firstEquals == 0) return false;
  const olstring_view firstKey = trimmed(line.substr(0, firstEquals));
  if (!isQuote(firstKey.front())) {
    key = firstKey;
    value = valuePart(line.substr(firstEquals + 1));
    return true;
  }

  const char16_t quote = firstKey.front();
  size_t fallbackEquals = olstring_view::npos;
  olstring_view fallbackKey;
  for (size_t equals = firstEquals; equals != olstring_view::npos; equals = line.find(u'=', equals + 1)) {
    const olstring_view candidate = trimmed(line.substr(0, equals));
    const bool endsInQuote = candidate.size() >= 2 && candidate.back() == quote;
    const bool escapedQuote = endsInQuote && isEscapedAt(candidate, candidate.size() - 1);
    if (endsInQuote && !escapedQuote) {
      if (candidate.size() == 2) return false;
      key = candidate.substr(1, candidate.size() - 2);
      value = valuePart(line.substr(equals + 1));
      return true;
    }
    if (fallbackEquals == olstring_view::npos) {
      fallbackEquals = equals;
      fallbackKey = escapedQuote ? candidate.substr(1, candidate.size() - 2) : candidate.substr(1);
    }
  }
  if (fallbackEquals == olstring_view::npos || fallbackKey.empty()) return false;
  key = fallbackKey;
  value = valuePart(line.substr(fallbackEquals + 1));
  return true;
}

enum class QuoteEscape { ends, all };

// Backslashes are doubled only where a reader would otherwise take them for an escape, so
// a path such as /data\files reads and writes unchanged.
void appendEscaped(olstring& out, olstring_view text, QuoteEscape quotes) {
  const bool quotedEnds = quotes == QuoteEscape::ends && text.size() > 1 && isQuote(text.front()) &&
                          text.back() == text.front();
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'\r': out += u"\\r"; continue;
      case u'\n': out += u"\\n"; continue;
      case u'\t': out += u"\\t"; continue;
      default: break;
    }
    if (c == u'\\') {
      const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
      const bool doubled = i + 1 == text.size() || next == u'\\' || next == u'\r' || next == u'\n' ||
                           next == u'\t' || next == u'r' || next == u'n' || next == u't' || isQuote(next);
      out += doubled ? u"\\\\" : u"\\";
      continue;
    }
    const bool escapeQuote = quotes == QuoteEscape::all ? c == u'"' : quotedEnds && (i == 0 || i + 1 == text.size());
    if (escapeQuote) out += u'\\';
    out += c;
  }
}

bool hasOuterBlank(olstring_view text) { return !text.empty() && (text.front() == u' ' || text.back() == u' '); }

// A key that the plain form would not read back as itself is written between double
// quotes: one holding "=", with spaces at its ends, or looking like the start of a header.
void appendKey(olstring& out, olstring_view key) {
  if (key.find(u'=') != olstring_view::npos || hasOuterBlank(key) || key.front() == u'[') {
    out += u'"';
    appendEscaped(out, key, QuoteEscape::all);
    out += u'"';
    return;
  }
  // A leading "#" or ";" would make the line a comment, a leading backslash before them
  // would be taken for that escape, and a lone leading quote would start a quoted key.
  const bool commentStart = key.front() == u'#' || key.front() == u';';
  const bool escapedCommentStart = key.size() >= 2 && key[0] == u'\\' && (key[1] == u'#' || key[1] == u';');
  const bool loneQuote = isQuote(key.front()) && !(key.size() > 1 && key.back() == key.front());
  if (commentStart || loneQuote) out += u'\\';
  if (escapedCommentStart) out += u'\\';
  appendEscaped(out, key, QuoteEscape::ends);
}

// Spaces at the ends of a value would be trimmed away on reading, so such a value is
// written between double quotes.
void appendValue(olstring& out, olstring_view value) {
  const bool wrap = hasOuterBlank(value);
  if (wrap) out += u'"';
  appendEscaped(out, value, QuoteEscape::ends);
  if (wrap) out += u'"';
}

}  // namespace

olstring unescapeIniText(olstring_view text) {
  olstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    switch (text[i + 1]) {
      case u'\\': out += u'\\'; break;
      case u'n': out += u'\n'; break;
      case u'r': out += u'\r'; break;
      case u't': out += u'\t'; break;
      case u'"': out += u'"'; break;
      case u'\'': out += u'\''; break;
      default: out += c; continue;
    }
    ++i;
  }
  return out;
}

olstring escapeIniText(olstring_view text) {
  olstring out;
  appendEscaped(out, text, QuoteEscape::ends);
  return out;
}

olini::olini(olstring_view sectionName) : m_sectionName(sectionName) {}

void olini::valueHook(olstring_view, olstring_view, olstring&) {}

bool olini::loadFile(olstring_view path) {
  m_sections.clear();
  if (path.empty()) return false;
  return parseText(readTextFile(path));
}

bool olini::parseText(olstring_view text) {
  m_sections.clear();
  LogicalLines lines(text);
  olstring line;
  olstring section;  // empty: no current section, lines are dropped
  while (lines.next(line)) {
    if (isHeader(line)) {
      const olstring_view name = olstring_view(line).substr(1, line.size() - 2);
      section = name.empty() ? olstring() : unescapeIniText(name);
      // A header makes its section current even before it holds a key; sections that
      // never get one are removed below.
      if (!section.empty()) m_sections.try_emplace(section);
      continue;
    }
    if (section.empty()) continue;
    olstring_view body = line;
    if (body.size() >= 2 && body[0] == u'\\' && (body[1] == u';' || body[1] == u'#')) body.remove_prefix(1);
    olstring_view key;
    olstring_view value;
    if (!splitKeyValue(body, key, value)) continue;
    store(section, unescapeIniText(key), unescapeIniText(value));
  }
  std::erase_if(m_sections, [](const auto& entry) { return entry.second.empty(); });
  return !m_sections.empty();
}

void olini::store(olstring_view section, olstring_view key, olstring value) {
  if (section.empty() || key.empty()) return;
  valueHook(section, key, value);
  auto sectionEntry = m_sections.find(section);
  if (sectionEntry == m_sections.end()) sectionEntry = m_sections.try_emplace(olstring(section)).first;
  KeyMap& keys = sectionEntry->second;
  // A later value replaces the earlier one under the key's first spelling.
  auto keyEntry = keys.find(key);
  if (keyEntry != keys.end()) {
    keyEntry->second = std::move(value);
  } else {
    keys.emplace(olstring(key), std::move(value));
  }
}

olstring olini::formatText() const {
  olstring text;
  for (const auto& [section, keys] : m_sections) {
    if (keys.empty()) continue;
    text += u'[';
    appendEscaped(text, section, QuoteEscape::ends);
    text += u"]\r\n";
    for (const auto& [key, value] : keys) {
      appendKey(text, key);
      text += u" = ";
      appendValue(text, value);
      text += u"\r\n";
    }
    text += u"\r\n";
  }
  return text;
}

bool olini::saveFile(olstring_view path) const {
  if (path.empty()) return false;
  platform::File file = openFileForWriting(path);
  return file && writeTextFile(formatText(), file.handle(), TextEncoding::utf16le) && file.close();
}

const olstring* olini::find(olstring_view section, olstring_view key) const {
  const auto sectionEntry = m_sections.find(section);
  if (sectionEntry == m_sections.end()) return nullptr;
  const auto keyEntry = sectionEntry->second.find(key);
  return keyEntry == sectionEntry->second.end() ? nullptr : &keyEntry->second;
}

olstring olini::get(olstring_view section, olstring_view key) const {
  const olstring* value = find(section, key);
  return value == nullptr ? olstring() : *value;
}

bool olini::set(olstring_view section, olstring_view key, olstring_view value) {
  if (section.empty() || key.empty()) return false;
  store(section, key, olstring(value));
  return true;
}
