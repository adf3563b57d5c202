// What a compare holds for a side that comes from a listing instead of the disk: where and
// when the listing was saved, and the SHA-256 of its files, which stand in for their content.
#pragma once

#include "engine/Sha256.h"
#include "foundation/olstring.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

struct CompareItem;

// The listing a side was read from, as its header gives it.
struct ListingOrigin {
  // The listing file itself.
  olstring file;
  // The machine it was saved on and the folder it lists there.
  olstring host;
  olstring root;
  // When the walk began, in 100 ns units since 1601 UTC.
  uint64_t started = 0;
};

// The hashes of the listed files of both sides. An item with a hash gets a slot
// (CompareItem::hashSlot), which holds the hash of each side that has one: the hashes live
// beside the tree, 32 bytes for each listed file, and a compare without listings holds none.
class ListedHashes {
public:
  ListedHashes();
  ~ListedHashes();
  ListedHashes(ListedHashes&&) noexcept;
  ListedHashes& operator=(ListedHashes&&) noexcept;

  // Records the hash of the item's file on a side. False when the slots have run out.
  bool set(CompareItem& item, int side, const Sha256Digest& digest);
  // The hash of the item's file on a side, or null when there is none.
  const Sha256Digest* find(const CompareItem& item, int side) const;
  void clear();

private:
  // Blocks of a fixed size, so that growing never moves what is there nor needs room for
  // two copies at once.
  static constexpr size_t kBlockSlots = 4096;
  struct Block {
    Sha256Digest digest[kBlockSlots];
    std::bitset<kBlockSlots> known;
  };
  std::vector<std::unique_ptr<Block>> m_blocks[2];
  uint32_t m_slots = 0;
};
