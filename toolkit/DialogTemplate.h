// The in-memory dialog template in the platform's binary layout: a 64-byte header and one
// 28-byte record per control, sizes in dialog units. Private to the toolkit; dialogs build
// templates through olDialog's beginTemplate and addTemplateItem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "toolkit/Messages.h"

namespace dialog_template {

// The header: style, extended style, item count, position, size, menu, then the class
// name, the title, the font's point size and face, all within its fixed size.
constexpr size_t kHeaderBytes = 64;
constexpr size_t kHeaderStyle = 0;
constexpr size_t kHeaderExStyle = 4;
constexpr size_t kHeaderItemCount = 8;
constexpr size_t kHeaderX = 10;
constexpr size_t kHeaderY = 12;
constexpr size_t kHeaderWidth = 14;
constexpr size_t kHeaderHeight = 16;
constexpr size_t kHeaderMenu = 18;
constexpr size_t kHeaderStrings = 20;

// One control: style, extended style, position, size, id, the class as an atom behind its
// 0xFFFF marker, an empty title and no creation data. 26 bytes used, aligned to 4.
constexpr size_t kItemBytes = 28;
constexpr size_t kItemUsedBytes = 26;
constexpr size_t kItemStyle = 0;
constexpr size_t kItemExStyle = 4;
constexpr size_t kItemX = 8;
constexpr size_t kItemY = 10;
constexpr size_t kItemWidth = 12;
constexpr size_t kItemHeight = 14;
constexpr size_t kItemId = 16;
constexpr size_t kItemClassMarker = 18;
constexpr size_t kItemClassAtom = 20;
constexpr size_t kItemTitle = 22;
constexpr size_t kItemCreationData = 24;
constexpr uint16_t kAtomMarker = 0xFFFF;
// Items are added in groups of four when the block grows.
constexpr size_t kItemsPerGroup = 4;
constexpr size_t kItemAlignment = 4;

// The header styles of a popup and of a child dialog.
constexpr uint32_t kPopupStyle = WS_POPUP | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr uint32_t kChildStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | DS_CONTROL | DS_SETFONT;
static_assert(kPopupStyle == 0x82C800C0 && kChildStyle == 0x46000440, "the stored template styles");

struct Header {
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int itemCount = 0;
  int width = 0;
  int height = 0;
  olstring className;
  olstring title;
  uint16_t pointSize = 0;
  olstring fontFace;
  size_t firstItem = 0;  // offset of the first item
};

struct Item {
  uint32_t style = 0;
  uint32_t exStyle = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int id = 0;
  uint16_t kind = 0;  // the class atom: kTemplateButton to kTemplateComboBox
};

// A fresh block with the header filled in and room for itemCapacity items.
std::vector<uint8_t> begin(uint32_t style, int width, int height, int itemCapacity, const olstring& className,
                           uint16_t pointSize, const olstring& fontFace);
// Appends one item at the used end (growing the block); returns the new used size.
size_t appendItem(std::vector<uint8_t>& block, size_t used, const Item& item);
void addStyle(std::vector<uint8_t>& block, uint32_t styleBits);

// Reads the header of the block's first used bytes; false when it is cut short.
bool readHeader(const std::vector<uint8_t>& block, size_t used, Header& header);
// Reads the item at offset at and moves at to the next one; false past the used end.
bool readItem(const std::vector<uint8_t>& block, size_t used, size_t& at, Item& item);

}  // namespace dialog_template
