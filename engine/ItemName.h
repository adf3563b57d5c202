// The name a compare item keeps for one side: most names fit in the object itself, so a tree
// of a million items keeps no heap block per name, and the object is smaller than a string's.
#pragma once

#include "foundation/olstring.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

class ItemName {
public:
  ItemName() noexcept { m_units[kTagUnit] = 0; }
  ItemName(olstring_view text) { set(text); }
  ItemName(const olstring& text) : ItemName(olstring_view(text)) {}
  ItemName(const char16_t* text) : ItemName(olstring_view(text)) {}
  ItemName(const ItemName& other) : ItemName(other.view()) {}
  ItemName(ItemName&& other) noexcept;
  ItemName& operator=(const ItemName& other);
  ItemName& operator=(ItemName&& other) noexcept;
  ItemName& operator=(olstring_view text);
  ItemName& operator=(const olstring& text) { return *this = olstring_view(text); }
  ItemName& operator=(const char16_t* text) { return *this = olstring_view(text); }
  ~ItemName() { release(); }

  // text may view this name itself.
  void assign(olstring_view text) { *this = text; }
  void clear() noexcept;

  // Inline: every key comparison of the tree goes through these.
  olstring_view view() const noexcept {
    if (!isLong()) return {m_units, m_units[kTagUnit]};
    const LongName held = longName();
    return {held.data, held.size};
  }
  operator olstring_view() const noexcept { return view(); }
  olstring str() const { return olstring(view()); }
  bool empty() const noexcept { return size() == 0; }
  size_t size() const noexcept { return isLong() ? longName().size : m_units[kTagUnit]; }

  friend bool operator==(const ItemName& a, const ItemName& b) noexcept { return a.view() == b.view(); }
  friend bool operator==(const ItemName& a, olstring_view b) noexcept { return a.view() == b; }
  friend bool operator==(const ItemName& a, const olstring& b) noexcept { return a.view() == olstring_view(b); }
  friend bool operator==(const ItemName& a, const char16_t* b) noexcept { return a.view() == olstring_view(b); }

private:
  // Up to kInlineUnits units are kept in place, their count in the last unit; a longer name
  // keeps its heap block's address and length at the front and kLongTag in the last unit.
  static constexpr size_t kInlineUnits = 11;
  static constexpr size_t kTagUnit = kInlineUnits;
  static constexpr char16_t kLongTag = 0xFFFF;

  struct LongName {
    char16_t* data;
    uint32_t size;
  };
  static_assert(sizeof(LongName) <= kInlineUnits * sizeof(char16_t));

  bool isLong() const noexcept { return m_units[kTagUnit] == kLongTag; }
  LongName longName() const noexcept {
    LongName held;
    std::memcpy(&held, m_units, sizeof held);
    return held;
  }
  // Only on a name that holds nothing (just made, released or moved from).
  void set(olstring_view text);
  void release() noexcept;

  alignas(8) char16_t m_units[kInlineUnits + 1];
};

static_assert(sizeof(ItemName) == 24);
