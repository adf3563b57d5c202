// Text files and the file object.

#include "foundation/TextFile.h"

#include "foundation/Paths.h"
#include "platform/Error.h"

#include <cstring>
#include <limits>
#include <vector>

bool olfile::openForReading(olstring_view path) {
  if (path.empty()) {
    reset();
    return false;
  }
  return attach(openFileForReading(path));
}

bool olfile::attach(platform::File file) {
  uint64_t size = 0;
  if (!file || !platform::fileSize(file.handle(), &size)) return false;
  m_file = std::move(file);
  m_buffer = olbuffer();
  m_size = size;
  m_position = 0;
  // The holder may have read from it: reads start at the beginning.
  return platform::seekFile(m_file.handle(), 0);
}

platform::File olfile::detach() {
  platform::File file = std::move(m_file);
  reset();
  return file;
}

void olfile::attachMemory(olbuffer buffer) {
  reset();
  m_buffer = std::move(buffer);
  m_size = m_buffer.size;
  m_position = 0;
}

uint32_t olfile::read(void* destination, uint32_t n) {
  if (destination == nullptr || n == 0 || m_position >= m_size) return 0;
  const uint64_t remaining = m_size - m_position;
  if (remaining <= std::numeric_limits<uint32_t>::max() && n > remaining) n = static_cast<uint32_t>(remaining);
  if (m_file) {
    size_t got = 0;
    if (!platform::readFile(m_file.handle(), destination, n, &got)) return 0;
    m_position += got;
    return static_cast<uint32_t>(got);
  }
  if (!m_buffer.data) return 0;
  std::memcpy(destination, m_buffer.data.get() + m_position, n);
  m_position += n;
  return n;
}

bool olfile::write(const void* data, uint32_t n) {
  if (n == 0) return true;
  if (data == nullptr) return false;
  if (m_file) {
    if (!platform::writeFile(m_file.handle(), data, n)) return false;
    m_position += n;
    m_size += n;
    return true;
  }
  if (!m_buffer.data || m_position >= m_size || m_size - m_position < n) return false;
  std::memcpy(m_buffer.data.get() + m_position, data, n);
  m_position += n;
  return true;
}

bool olfile::setPosition(uint64_t offset) {
  if (m_file) {
    if (!platform::seekFile(m_file.handle(), offset)) return false;
    m_position = offset;
    return true;
  }
  if (!m_buffer.data) return false;
  m_position = offset;
  return true;
}

void olfile::reset() {
  m_buffer = olbuffer();
  m_file = platform::File();
  m_size = 0;
  m_position = 0;
}

olstring toWide(const char* text, size_t byteCount, unsigned /*codePage*/) {
  if (text == nullptr) return {};
  if (byteCount == 0) byteCount = std::strlen(text);
  if (byteCount == 0) return {};
  // Both code pages the program uses are UTF-8 here.
  return fromUtf8(std::string_view(text, byteCount));
}

std::string toMultiByte(olstring_view text, unsigned /*codePage*/) { return toUtf8(text); }

olstring lowerCaseCopy(olstring_view text) {
  olstring copy(text);
  for (char16_t& unit : copy) {
    if (unit >= u'A' && unit <= u'Z') unit += 32;
  }
  return copy;
}

olstring byteSwappedCopy(olstring_view text) {
  olstring copy(text);
  for (char16_t& unit : copy) unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
  return copy;
}

olstring numberToText(int64_t value) { return fromUtf8(std::to_string(value)); }

uint32_t textToNumber(olstring_view text) {
  unsigned base = 10;
  size_t i = 0;
  if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    base = 16;
    i = 2;
  }
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    unsigned digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else break;
    value = value * base + digit;
    // Like strtoul, an overlong number saturates instead of wrapping.
    if (value > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
  }
  return static_cast<uint32_t>(value);
}

uint32_t hexToBytes(olstring_view text, uint8_t* output) {
  constexpr size_t kMaximumBytes = 92;
  olstring lower = lowerCaseCopy(text);
  for (size_t found; (found = lower.find(u"0x")) != olstring::npos;) lower.erase(found, 2);
  olstring digits;
  for (char16_t c : lower) {
    if ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')) digits += c;
  }
  if (digits.size() % 2 != 0) digits.insert(digits.begin(), u'0');
  if (digits.size() / 2 > kMaximumBytes) return 0;
  auto value = [](char16_t c) -> uint8_t { return c <= u'9' ? c - u'0' : c - u'a' + 10; };
  for (size_t i = 0; i < digits.size(); i += 2) output[i / 2] = static_cast<uint8_t>(value(digits[i]) << 4 | value(digits[i + 1]));
  return static_cast<uint32_t>(digits.size() / 2);
}

namespace {

enum class Utf16Order { none, little, big };

// Text in UTF-16 without a byte-order mark shows itself by its zero bytes: most characters
// of settings and project files are ASCII, whose high byte is 0, at odd offsets in little-
// endian order and at even ones in big-endian order. Eight-bit text holds no zero byte at
// all, so a stray one (a damaged file) does not make it UTF-16: more than half the code
// units must show it.
Utf16Order bomLessUtf16Order(const uint8_t* bytes, size_t size) {
  size_t even = 0;
  size_t odd = 0;
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] == 0) ++(i % 2 == 0 ? even : odd);
  }
  const size_t units = (size + 1) / 2;
  if (odd > 2 * even && odd * 2 > units) return Utf16Order::little;
  if (even > 2 * odd && even * 2 > units) return Utf16Order::big;
  return Utf16Order::none;
}

bool onlyZerosFrom(const uint8_t* bytes, size_t size, size_t from) {
  for (size_t i = from; i < size; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

// UTF-16 from byte `start` up to the first zero code unit; an odd last byte is read as if
// a zero byte followed it.
olstring decodeUtf16(const uint8_t* bytes, size_t size, size_t start, Utf16Order order, bool* complete) {
  auto at = [&](size_t i) -> uint8_t { return i < size ? bytes[i] : 0; };
  olstring text;
  size_t i = start;
  for (; i < size; i += 2) {
    const char16_t unit = order == Utf16Order::little ? static_cast<char16_t>(at(i) | at(i + 1) << 8)
                                                      : static_cast<char16_t>(at(i) << 8 | at(i + 1));
    if (unit == 0) break;
    text += unit;
  }
  *complete = i >= size || onlyZerosFrom(bytes, size, i);
  return text;
}

}  // namespace

olstring decodeText(const uint8_t* bytes, size_t size, bool* complete) {
  bool ignored = true;
  bool& whole = complete != nullptr ? *complete : ignored;
  whole = true;
  if (size == 0) return {};
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return decodeUtf16(bytes, size, 2, Utf16Order::little, &whole);
  if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return decodeUtf16(bytes, size, 2, Utf16Order::big, &whole);
  size_t start = 0;
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    start = 3;
  } else if (const Utf16Order order = bomLessUtf16Order(bytes, size); order != Utf16Order::none) {
    return decodeUtf16(bytes, size, 0, order, &whole);
  }
  const void* zero = std::memchr(bytes + start, 0, size - start);
  const size_t end = zero == nullptr ? size : static_cast<const uint8_t*>(zero) - bytes;
  whole = onlyZerosFrom(bytes, size, end);
  return toWide(reinterpret_cast<const char*>(bytes + start), end - start, start == 3 ? kCodePageUtf8 : kCodePageAnsi);
}

olstring readTextFile(platform::FileHandle handle, bool* complete) {
  bool ignored = true;
  bool& whole = complete != nullptr ? *complete : ignored;
  whole = false;
  uint64_t size = 0;
  // The holder may have read from it already: the text starts at the beginning.
  if (!platform::fileSize(handle, &size) || !platform::seekFile(handle, 0)) return {};
  if (size == 0) {
    whole = true;
    return {};
  }
  if (size > kMaximumTextFileSize) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  size_t got = 0;
  if (!platform::readFile(handle, bytes.data(), bytes.size(), &got) || got != bytes.size()) return {};
  return decodeText(bytes.data(), bytes.size(), &whole);
}

olstring readTextFile(olstring_view path, bool* complete) {
  if (complete != nullptr) *complete = false;
  const platform::File file = openFileForReading(path);
  return file ? readTextFile(file.handle(), complete) : olstring();
}

std::string encodeText(olstring_view text, TextEncoding encoding) {
  if (text.empty()) return {};
  if (static_cast<unsigned>(encoding) > 3) encoding = TextEncoding::utf16le;
  switch (encoding) {
    case TextEncoding::ansi: return toMultiByte(text, kCodePageAnsi);
    case TextEncoding::utf8: return "\xEF\xBB\xBF" + toMultiByte(text, kCodePageUtf8);
    case TextEncoding::utf16le:
    case TextEncoding::utf16be: break;
  }
  const bool big = encoding == TextEncoding::utf16be;
  std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
  bytes.reserve(2 + text.size() * 2);
  for (char16_t unit : text) {
    const auto low = static_cast<char>(unit & 0xFF);
    const auto high = static_cast<char>(unit >> 8);
    bytes += big ? high : low;
    bytes += big ? low : high;
  }
  return bytes;
}

bool writeTextFile(olstring_view text, platform::FileHandle handle, TextEncoding encoding) {
  const std::string bytes = encodeText(text, encoding);
  return platform::writeFile(handle, bytes.data(), bytes.size());
}
