// Writing and reading the in-memory dialog template.
#include "toolkit/DialogTemplate.h"

#include <algorithm>
#include <cstring>

namespace dialog_template {

namespace {

// The class name is cut to keep the header at its fixed size.
constexpr size_t kClassNameUnits = 10;

void put16(std::vector<uint8_t>& block, size_t at, uint16_t value) { std::memcpy(&block[at], &value, 2); }
void put32(std::vector<uint8_t>& block, size_t at, uint32_t value) { std::memcpy(&block[at], &value, 4); }
uint16_t get16(const std::vector<uint8_t>& block, size_t at) {
  uint16_t v;
  std::memcpy(&v, &block[at], 2);
  return v;
}
uint32_t get32(const std::vector<uint8_t>& block, size_t at) {
  uint32_t v;
  std::memcpy(&v, &block[at], 4);
  return v;
}
int16_t getSigned16(const std::vector<uint8_t>& block, size_t at) { return static_cast<int16_t>(get16(block, at)); }

size_t aligned(size_t at) { return (at + kItemAlignment - 1) & ~(kItemAlignment - 1); }

// Writes a zero-terminated UTF-16 string; returns the offset after it.
size_t putString(std::vector<uint8_t>& block, size_t at, const olstring& text) {
  for (char16_t c : text) {
    put16(block, at, c);
    at += 2;
  }
  put16(block, at, 0);
  return at + 2;
}

// Reads a zero-terminated UTF-16 string; advances the offset. False past the end.
bool readString(const std::vector<uint8_t>& block, size_t end, size_t& at, olstring& out) {
  out.clear();
  while (at + 2 <= end) {
    const char16_t c = get16(block, at);
    at += 2;
    if (c == 0) return true;
    out.push_back(c);
  }
  return false;
}

}  // namespace

std::vector<uint8_t> begin(uint32_t style, int width, int height, int itemCapacity, const olstring& className,
                           uint16_t pointSize, const olstring& fontFace) {
  const size_t groups = (static_cast<size_t>(std::max(itemCapacity, 0)) + kItemsPerGroup - 1) / kItemsPerGroup;
  std::vector<uint8_t> block(kHeaderBytes + groups * kItemsPerGroup * kItemBytes, 0);
  put32(block, kHeaderStyle, style);
  put32(block, kHeaderExStyle, 0);
  put16(block, kHeaderItemCount, 0);
  put16(block, kHeaderX, 0);
  put16(block, kHeaderY, 0);
  put16(block, kHeaderWidth, static_cast<uint16_t>(width));
  put16(block, kHeaderHeight, static_cast<uint16_t>(height));
  put16(block, kHeaderMenu, 0);
  size_t at = putString(block, kHeaderStrings, className.substr(0, kClassNameUnits));
  at = putString(block, at, u"");
  put16(block, at, pointSize);
  at += 2;
  // The face gets what is left of the header, its terminator included.
  putString(block, at, fontFace.substr(0, (kHeaderBytes - at) / 2 - 1));
  return block;
}

size_t appendItem(std::vector<uint8_t>& block, size_t used, const Item& item) {
  const size_t at = aligned(used);
  if (at + kItemBytes > block.size()) block.resize(at + kItemsPerGroup * kItemBytes, 0);
  put32(block, at + kItemStyle, item.style);
  put32(block, at + kItemExStyle, item.exStyle);
  put16(block, at + kItemX, static_cast<uint16_t>(item.x));
  put16(block, at + kItemY, static_cast<uint16_t>(item.y));
  put16(block, at + kItemWidth, static_cast<uint16_t>(item.width));
  put16(block, at + kItemHeight, static_cast<uint16_t>(item.height));
  put16(block, at + kItemId, static_cast<uint16_t>(item.id));
  put16(block, at + kItemClassMarker, kAtomMarker);
  put16(block, at + kItemClassAtom, item.kind);
  put16(block, at + kItemTitle, 0);
  put16(block, at + kItemCreationData, 0);
  put16(block, kHeaderItemCount, static_cast<uint16_t>(get16(block, kHeaderItemCount) + 1));
  return at + kItemUsedBytes;
}

void addStyle(std::vector<uint8_t>& block, uint32_t styleBits) {
  if (block.size() < kHeaderBytes) return;
  put32(block, kHeaderStyle, get32(block, kHeaderStyle) | styleBits);
}

bool readHeader(const std::vector<uint8_t>& block, size_t used, Header& header) {
  if (used < kHeaderBytes || block.size() < used) return false;
  header.style = get32(block, kHeaderStyle);
  header.exStyle = get32(block, kHeaderExStyle);
  header.itemCount = get16(block, kHeaderItemCount);
  header.width = getSigned16(block, kHeaderWidth);
  header.height = getSigned16(block, kHeaderHeight);
  size_t at = kHeaderStrings;
  if (!readString(block, used, at, header.className) || !readString(block, used, at, header.title)) return false;
  header.pointSize = get16(block, at);
  at += 2;
  if (!readString(block, used, at, header.fontFace)) return false;
  header.firstItem = aligned(at);
  return true;
}

bool readItem(const std::vector<uint8_t>& block, size_t used, size_t& at, Item& item) {
  at = aligned(at);
  if (at + kItemUsedBytes > used) return false;
  item.style = get32(block, at + kItemStyle);
  item.exStyle = get32(block, at + kItemExStyle);
  item.x = getSigned16(block, at + kItemX);
  item.y = getSigned16(block, at + kItemY);
  item.width = get16(block, at + kItemWidth);
  item.height = get16(block, at + kItemHeight);
  item.id = get16(block, at + kItemId);
  item.kind = get16(block, at + kItemClassAtom);
  at += kItemUsedBytes;
  return true;
}

}  // namespace dialog_template
