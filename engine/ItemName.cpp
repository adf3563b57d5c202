#include "engine/ItemName.h"

#include <cstring>
#include <utility>

ItemName::ItemName(ItemName&& other) noexcept {
  std::memcpy(m_units, other.m_units, sizeof m_units);
  other.m_units[kTagUnit] = 0;
}

ItemName& ItemName::operator=(const ItemName& other) {
  if (this != &other) *this = other.view();
  return *this;
}

ItemName& ItemName::operator=(ItemName&& other) noexcept {
  if (this != &other) {
    release();
    std::memcpy(m_units, other.m_units, sizeof m_units);
    other.m_units[kTagUnit] = 0;
  }
  return *this;
}

ItemName& ItemName::operator=(olstring_view text) {
  // The text may view this very name, so the new one is made before the old one goes.
  ItemName fresh(text);
  return *this = std::move(fresh);
}

void ItemName::clear() noexcept {
  release();
}

void ItemName::set(olstring_view text) {
  if (text.size() <= kInlineUnits) {
    if (!text.empty()) std::memcpy(m_units, text.data(), text.size() * sizeof(char16_t));
    m_units[kTagUnit] = static_cast<char16_t>(text.size());
    return;
  }
  LongName held{new char16_t[text.size()], static_cast<uint32_t>(text.size())};
  std::memcpy(held.data, text.data(), text.size() * sizeof(char16_t));
  std::memcpy(m_units, &held, sizeof held);
  m_units[kTagUnit] = kLongTag;
}

void ItemName::release() noexcept {
  if (isLong()) {
    delete[] longName().data;
  }
  m_units[kTagUnit] = 0;
}
