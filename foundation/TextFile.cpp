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
  platform::FileHandle handle = openFile(path, false);
  if (handle == nullptr) return false;
  if (!attach(handle)) {
    platform::closeFile(handle);
    return false;
  }
  return true;
}

bool olfile::attach(platform::FileHandle handle) {
  if (handle == nullptr) return false;
  uint64_t size = 0;
  if (!platform::fileSize(handle, &size)) return false;
  if (m_handle != nullptr && m_handle != handle) platform::closeFile(m_handle);
  m_handle = handle;
  m_buffer = olbuffer();
  m_size = size;
  m_position = 0;
  platform::seekFile(handle, 0);
  return true;
}

platform::FileHandle olfile::detach() {
  platform::FileHandle handle = m_handle;
  m_handle = nullptr;
  reset();
  return handle;
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
  if (m_handle != nullptr) {
    size_t got = 0;
    if (!platform::readFile(m_handle, destination, n, &got)) return 0;
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
  if (m_handle != nullptr) {
    if (!platform::writeFile(m_handle, data, n)) return false;
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
  if (m_handle != nullptr) {
    if (!platform::seekFile(m_handle, offset)) return false;
    m_position = offset;
    return true;
  }
  if (!m_buffer.data) return false;
  m_position = offset;
  return true;
}

void olfile::reset() {
  m_buffer = olbuffer();
  if (m_handle != nullptr) platform::closeFile(m_handle);
  m_handle = nullptr;
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

olstring numberToText(unsigned value) { return fromUtf8(std::to_string(value)); }

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

olstring decodeText(const uint8_t* bytes, size_t size) {
  if (size == 0 || bytes[0] == 0) return {};
  // The file's bytes are read as if two zero bytes followed them.
  auto at = [&](size_t i) -> uint8_t { return i < size ? bytes[i] : 0; };
  const bool littleEndian = size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const bool bigEndian = size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
  if (littleEndian || bigEndian) {
    olstring text;
    for (size_t i = 2; i + 1 < size + 2; i += 2) {
      const char16_t unit = littleEndian ? static_cast<char16_t>(at(i) | at(i + 1) << 8)
                                         : static_cast<char16_t>(at(i) << 8 | at(i + 1));
      if (unit == 0) break;
      text += unit;
    }
    return text;
  }
  size_t start = 0;
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) start = 3;
  const void* zero = std::memchr(bytes + start, 0, size - start);
  const size_t end = zero == nullptr ? size : static_cast<const uint8_t*>(zero) - bytes;
  return toWide(reinterpret_cast<const char*>(bytes + start), end - start, start == 3 ? kCodePageUtf8 : kCodePageAnsi);
}

olstring readTextFile(platform::FileHandle handle) {
  olfile file;
  if (!file.attach(handle)) return {};
  olstring text;
  const uint64_t size = file.size();
  if (size > 0 && size <= std::numeric_limits<uint32_t>::max()) {
    std::vector<uint8_t> bytes(static_cast<size_t>(size) + 2, 0);
    if (file.read(bytes.data(), static_cast<uint32_t>(size)) == size) text = decodeText(bytes.data(), static_cast<size_t>(size));
  }
  file.detach();
  return text;
}

olstring readTextFile(olstring_view path) {
  platform::FileHandle handle = openFile(path, false);
  if (handle == nullptr) return {};
  olstring text = readTextFile(handle);
  platform::closeFile(handle);
  return text;
}

bool writeTextFile(olstring_view text, platform::FileHandle handle, TextEncoding encoding) {
  olfile file;
  if (!file.attach(handle)) return false;
  bool ok = true;
  if (!text.empty()) {
    if (static_cast<unsigned>(encoding) > 3) encoding = TextEncoding::utf16le;
    switch (encoding) {
      case TextEncoding::ansi: {
        const std::string bytes = toMultiByte(text, kCodePageAnsi);
        ok = file.write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        break;
      }
      case TextEncoding::utf8: {
        static const uint8_t kBom[] = {0xEF, 0xBB, 0xBF};
        const std::string bytes = toMultiByte(text, kCodePageUtf8);
        ok = file.write(kBom, 3) && file.write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        break;
      }
      case TextEncoding::utf16le:
      case TextEncoding::utf16be: {
        const bool big = encoding == TextEncoding::utf16be;
        const uint8_t bom[] = {static_cast<uint8_t>(big ? 0xFE : 0xFF), static_cast<uint8_t>(big ? 0xFF : 0xFE)};
        std::vector<uint8_t> bytes;
        bytes.reserve(text.size() * 2);
        for (char16_t unit : text) {
          const auto low = static_cast<uint8_t>(unit & 0xFF);
          const auto high = static_cast<uint8_t>(unit >> 8);
          bytes.push_back(big ? high : low);
          bytes.push_back(big ? low : high);
        }
        ok = file.write(bom, 2) && file.write(bytes.data(), static_cast<uint32_t>(bytes.size()));
        break;
      }
    }
  }
  file.detach();
  return ok;
}
