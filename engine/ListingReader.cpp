#include "engine/ListingReader.h"

#include "engine/ListingFormat.h"
#include "platform/Error.h"

#include <algorithm>
#include <cstring>

namespace {

// The file is read in pieces of this size; no line the program writes comes near it (a
// path and a link text of 4 KiB each, escaped six times over, stay far below).
constexpr size_t kReadPiece = 1024 * 1024;
constexpr size_t kMaxLine = kReadPiece;

olstring numberText(uint64_t value) { return fromUtf8(std::to_string(value)); }

// A relative path of names joined by "/": none empty, none "." or "..", no zero unit.
bool isRelativePath(olstring_view path) {
  if (path.empty()) return false;
  size_t start = 0;
  for (;;) {
    const size_t slash = path.find(u'/', start);
    const olstring_view name = path.substr(start, slash == olstring_view::npos ? olstring_view::npos : slash - start);
    if (name.empty() || name == u"." || name == u"..") return false;
    if (name.find(u'\0') != olstring_view::npos) return false;
    if (slash == olstring_view::npos) return true;
    start = slash + 1;
  }
}

// A text member with its "_bytes" companion: when the bytes are given they are the text's
// truth, and the two must agree.
bool readLosslessText(const JsonObject& object, std::string_view key, olstring& text) {
  if (!object.getString(key, text)) return false;
  const std::string bytesKey = std::string(key) + "_bytes";
  const JsonObject::Member* bytes = object.find(bytesKey);
  if (bytes == nullptr) return true;
  std::string_view encoded;
  std::string raw;
  return object.getAscii(bytesKey, encoded) && decodeBase64(encoded, raw) && fromUtf8(raw) == text;
}

}  // namespace

ListingReader::ListingReader() = default;
ListingReader::~ListingReader() = default;

bool ListingReader::isListing(olstring_view path) {
  platform::ReadOnlyFile file;
  if (!file.open(path)) return false;
  // The header is the first line; a file that does not start like a JSON object is
  // dismissed after one byte.
  std::string head(static_cast<size_t>(std::min<uint64_t>(file.size(), 64 * 1024)), '\0');
  const uint32_t got = file.read(head.data(), static_cast<uint32_t>(head.size()));
  head.resize(got);
  const size_t first = head.find_first_not_of(" \t\r");
  if (first == std::string::npos || head[first] != '{') return false;
  const size_t end = head.find('\n');
  JsonObject object;
  std::string_view type;
  return object.parse(std::string_view(head).substr(0, end)) && object.getAscii("type", type) &&
         type == listing_format::kHeaderType;
}

bool ListingReader::open(olstring_view path) {
  m_problem = ListingProblem();
  m_header = ListingHeader();
  m_line = 0;
  m_items = 0;
  m_start = m_end = 0;
  m_atEnd = false;
  if (!m_file.open(path)) {
    m_problem.fault = ListingFault::unreadable;
    m_problem.error = platform::lastError();
    return false;
  }
  if (m_file.size() >= 1024 * 1024) m_file.adviseSequential();
  m_buffer.resize(kReadPiece + kMaxLine);
  return readHeader();
}

bool ListingReader::fail(ListingFault fault, uint64_t line, olstring_view detail) {
  m_problem.fault = fault;
  m_problem.line = line;
  m_problem.detail.assign(detail);
  return false;
}

bool ListingReader::failHere(ListingFault fault, olstring_view detail) { return fail(fault, m_line, detail); }

bool ListingReader::readLine(std::string_view& line) {
  for (;;) {
    const char* begin = m_buffer.data() + m_start;
    const void* newline = std::memchr(begin, '\n', m_end - m_start);
    if (newline != nullptr) {
      const size_t length = static_cast<const char*>(newline) - begin;
      line = std::string_view(begin, length);
      m_start += length + 1;
      ++m_line;
      return true;
    }
    if (m_end - m_start >= kMaxLine) {
      ++m_line;
      return failHere(ListingFault::tooLong);
    }
    // Bytes after the last line break are a line cut short: the file ends after the line
    // before them.
    if (m_atEnd) return failHere(ListingFault::truncated);
    // Keep the start of a line that runs over the piece, then read the next piece.
    std::memmove(m_buffer.data(), m_buffer.data() + m_start, m_end - m_start);
    m_end -= m_start;
    m_start = 0;
    const uint32_t got = m_file.read(m_buffer.data() + m_end, static_cast<uint32_t>(kReadPiece));
    if (got == 0 && !m_file.atEnd()) {
      m_problem.fault = ListingFault::unreadable;
      m_problem.error = platform::lastError();
      m_problem.line = m_line;
      return false;
    }
    m_end += got;
    m_atEnd = m_file.atEnd();
  }
}

bool ListingReader::readHeader() {
  std::string_view line;
  if (!readLine(line)) return false;
  if (!m_object.parse(line)) return failHere(ListingFault::notJson);
  std::string_view type;
  if (!m_object.getAscii("type", type) || type != listing_format::kHeaderType) {
    return failHere(ListingFault::badMember, u"type");
  }
  if (!m_object.getInteger("format", m_header.format)) return failHere(ListingFault::badMember, u"format");
  if (m_header.format != listing_format::kVersion) {
    return failHere(ListingFault::unknownFormat, numberText(static_cast<uint64_t>(m_header.format)));
  }
  // The members a compare shows; the others (program, options) are read where present.
  if (!readLosslessText(m_object, "root", m_header.root)) return failHere(ListingFault::badMember, u"root");
  if (!readLosslessText(m_object, "host", m_header.host)) return failHere(ListingFault::badMember, u"host");
  std::string_view started;
  uint32_t ignored = 0;
  if (!m_object.getAscii("started", started) || !parseIsoTime(started, &m_header.started, &ignored)) {
    return failHere(ListingFault::badMember, u"started");
  }
  readLosslessText(m_object, "path", m_header.path);
  m_object.getString("program", m_header.program);
  std::string_view links;
  m_header.linksWithin = m_object.getAscii("links", links) && (links == listing_format::kLinksWithin || links == listing_format::kLinksAsText);
  if (const JsonObject::Member* options = m_object.find("options");
      options != nullptr && options->kind == JsonObject::Kind::object) {
    JsonObject inner;
    if (inner.parse(options->raw)) {
      inner.getString("excludes", m_header.excludes);
      inner.getBool("adjust_path", m_header.adjustPath);
    }
  }
  return true;
}

bool ListingReader::next(ListingEntry& entry) {
  if (m_problem.fault != ListingFault::none) return false;
  std::string_view line;
  if (!readLine(line)) return false;
  if (!m_object.parse(line)) return failHere(ListingFault::notJson);
  std::string_view type;
  if (!m_object.getAscii("type", type)) return failHere(ListingFault::badMember, u"type");
  if (type == listing_format::kItemType) return readItem(entry);
  if (type == listing_format::kSummaryType) {
    readSummary();
    return false;
  }
  if (type == listing_format::kErrorType) {
    olstring path;
    olstring text;
    readLosslessText(m_object, "path", path);
    m_object.getString("error_text", text);
    return failHere(ListingFault::incomplete, path + u": " + text);
  }
  return failHere(ListingFault::unknownType, fromUtf8(type));
}

bool ListingReader::readItem(ListingEntry& entry) {
  ++m_items;
  entry.line = m_line;
  if (!readLosslessText(m_object, "path", entry.path)) return failHere(ListingFault::badMember, u"path");
  if (!isRelativePath(entry.path)) return failHere(ListingFault::badPath, entry.path);
  std::string_view kind;
  if (!m_object.getAscii("kind", kind)) return failHere(ListingFault::badMember, u"kind");
  if (kind == listing_format::kFolder) {
    entry.kind = ListedKind::folder;
  } else if (kind == listing_format::kFile) {
    entry.kind = ListedKind::file;
  } else if (kind == listing_format::kSpecial) {
    entry.kind = ListedKind::special;
  } else {
    return failHere(ListingFault::badMember, u"kind");
  }
  std::string_view time;
  if (!m_object.getAscii("mtime", time) || !parseIsoTime(time, &entry.modified, &entry.nanoseconds)) {
    return failHere(ListingFault::badMember, u"mtime");
  }
  std::string_view mode;
  entry.mode = 0;
  if (!m_object.getAscii("mode", mode) || mode.empty() || mode.size() > 5) {
    return failHere(ListingFault::badMember, u"mode");
  }
  for (const char digit : mode) {
    if (digit < '0' || digit > '7') return failHere(ListingFault::badMember, u"mode");
    entry.mode = entry.mode * 8 + static_cast<uint32_t>(digit - '0');
  }
  if (entry.mode > 07777) return failHere(ListingFault::badMember, u"mode");
  entry.isLink = m_object.find("link") != nullptr;
  entry.linkText.clear();
  if (entry.isLink && !readLosslessText(m_object, "link", entry.linkText)) {
    return failHere(ListingFault::badMember, u"link");
  }
  entry.dangling = false;
  if (m_object.find("dangling") != nullptr && !m_object.getBool("dangling", entry.dangling)) {
    return failHere(ListingFault::badMember, u"dangling");
  }
  entry.leadsOut = false;
  if (m_object.find("leads_out") != nullptr && (!m_object.getBool("leads_out", entry.leadsOut) || !entry.isLink)) {
    return failHere(ListingFault::badMember, u"leads_out");
  }
  entry.size = 0;
  entry.hasDigest = false;
  if (entry.kind != ListedKind::file) return true;

  int64_t size = 0;
  if (!m_object.getInteger("size", size) || size < 0) return failHere(ListingFault::badMember, u"size");
  entry.size = static_cast<uint64_t>(size);
  // A file that could not be read has no hash: the tree was not read in full.
  if (m_object.find("error_code") != nullptr) {
    olstring text;
    m_object.getString("error_text", text);
    return failHere(ListingFault::incomplete, entry.path + u": " + text);
  }
  std::string_view hash;
  if (m_object.getAscii("sha256", hash)) {
    if (!Sha256Digest::fromHex(hash, entry.digest)) return failHere(ListingFault::badMember, u"sha256");
    entry.hasDigest = true;
    return true;
  }
  if (m_object.find("sha256") != nullptr) return failHere(ListingFault::badMember, u"sha256");
  // A link that leads nowhere has no content: it counts as an empty file, as on the disk.
  if (entry.dangling && entry.isLink && entry.size == 0) return true;
  return failHere(ListingFault::noHash, entry.path);
}

bool ListingReader::readSummary() {
  bool succeeded = false;
  if (!m_object.getBool("succeeded", succeeded)) return failHere(ListingFault::badMember, u"succeeded");
  if (!succeeded) {
    olstring text;
    m_object.getString("error_text", text);
    return failHere(ListingFault::incomplete, text);
  }
  int64_t items = 0;
  if (!m_object.getInteger("items", items)) return failHere(ListingFault::badMember, u"items");
  if (items < 0 || static_cast<uint64_t>(items) != m_items) {
    return failHere(ListingFault::countMismatch, numberText(static_cast<uint64_t>(std::max<int64_t>(items, 0))));
  }
  // Nothing may follow: a second listing appended to the first would otherwise be lost.
  const uint64_t summaryLine = m_line;
  std::string_view extra;
  if (readLine(extra)) return fail(ListingFault::afterSummary, summaryLine + 1, {});
  if (m_problem.fault == ListingFault::unreadable) return false;
  // The end of the file right after the summary's line break is the one good ending.
  if (m_problem.fault != ListingFault::truncated || m_end != m_start) {
    return fail(ListingFault::afterSummary, summaryLine + 1, {});
  }
  m_problem = ListingProblem();
  return true;
}
