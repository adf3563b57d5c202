#include "engine/ListingSide.h"

#include "engine/CompareTree.h"

#include <limits>

ListedHashes::ListedHashes() = default;
ListedHashes::~ListedHashes() = default;
ListedHashes::ListedHashes(ListedHashes&&) noexcept = default;
ListedHashes& ListedHashes::operator=(ListedHashes&&) noexcept = default;

bool ListedHashes::set(CompareItem& item, int side, const Sha256Digest& digest) {
  if (item.hashSlot == 0) {
    if (m_slots == std::numeric_limits<uint32_t>::max()) return false;
    item.hashSlot = ++m_slots;
  }
  const size_t index = item.hashSlot - 1;
  std::vector<std::unique_ptr<Block>>& blocks = m_blocks[side];
  if (blocks.size() <= index / kBlockSlots) blocks.resize(index / kBlockSlots + 1);
  std::unique_ptr<Block>& block = blocks[index / kBlockSlots];
  if (!block) block = std::make_unique<Block>();
  block->digest[index % kBlockSlots] = digest;
  block->known.set(index % kBlockSlots);
  return true;
}

const Sha256Digest* ListedHashes::find(const CompareItem& item, int side) const {
  if (item.hashSlot == 0) return nullptr;
  const size_t index = item.hashSlot - 1;
  const std::vector<std::unique_ptr<Block>>& blocks = m_blocks[side];
  if (blocks.size() <= index / kBlockSlots || !blocks[index / kBlockSlots]) return nullptr;
  const Block& block = *blocks[index / kBlockSlots];
  return block.known.test(index % kBlockSlots) ? &block.digest[index % kBlockSlots] : nullptr;
}

void ListedHashes::clear() {
  m_blocks[0].clear();
  m_blocks[1].clear();
  m_blocks[0].shrink_to_fit();
  m_blocks[1].shrink_to_fit();
  m_slots = 0;
}
