// The compare tree: the union of the two compared trees, one item per name, with what each
// side knows of it and the verdict of the comparison; and the process-wide result around
// it with its counters and result categories.
#pragma once

#include "engine/CompareOptions.h"
#include "engine/ContentExplanation.h"
#include "engine/ItemName.h"
#include "engine/ListingSide.h"
#include "foundation/Paths.h"
#include "foundation/olstring.h"

#include <cstdint>
#include <map>
#include <memory>

class JobState;

// The verdict bits of an item; 0 means no difference was found.
namespace ItemFlags {
constexpr uint32_t kNameCase = 0x00001;
constexpr uint32_t kTypeDiffers = 0x00002;
constexpr uint32_t kContentDiffers = 0x00004;
constexpr uint32_t kTimeDiffers = 0x00008;
constexpr uint32_t kAttrDiffers = 0x00010;
constexpr uint32_t kMissing = 0x00020;
constexpr uint32_t kMissingSecond = 0x10000;
constexpr uint32_t kContentSkipped = 0x20000;
// Both names are one name written in different Unicode forms (composed against decomposed).
constexpr uint32_t kNameForm = 0x40000;
}  // namespace ItemFlags

// Attribute bits kept in an item: read-only, hidden, system, folder.
constexpr uint32_t kKeptAttributes = 0x17;
constexpr uint32_t kFolderAttribute = 0x10;

// How an item's content was compared. hashed: a side comes from a listing, so the content
// was compared by SHA-256, always as bytes (a listing holds no text to compare).
enum class ContentMode : uint8_t { binary = 0, text = 1, sampled = 2, hashed = 3 };

// What one side knows of an item. Present when the name is not empty.
struct SideInfo {
  // As spelled on this side; for the root item the root folder path on disk.
  ItemName name;
  int64_t size = 0;
  // 100 ns units since 1601 UTC, a whole number of seconds.
  uint64_t modified = 0;
  // The part of the modification time below the second, in nanoseconds; 0 where the
  // source keeps whole seconds only.
  uint32_t modifiedNanoseconds = 0;
  // Masked with kKeptAttributes, which fit in a byte.
  uint8_t attributes = 0;
  // The listed entry itself is a symbolic link (size, time and kind are what it leads to
  // when links are followed). Set by the folder scan.
  bool isLink = false;
  // A link of an unpacked archive that leads out of it: never followed, so size, time and
  // kind are the link's own, and it is compared by its text.
  bool linkLeadsOut = false;
  // This side's ignore rules leave the entry out; it stays only because the other side's
  // keep it (an item that every side leaves out is dropped). Set by the folder scan.
  bool ignored = false;

  bool present() const { return !name.empty(); }
  bool isFolder() const { return (attributes & kFolderAttribute) != 0; }
  void clear();
};

// The display texts of a side. They are computed when asked for rather than stored, which
// keeps a huge tree small; they come out the same as if recorded with the side.
// Digits grouped in threes with a space: 1234567 gives "1 234 567".
olstring sizeText(int64_t size);
// The local short date and the time without seconds.
olstring timeText(uint64_t modified);
// "R", "H", "S" for read-only, hidden and system, in that order.
olstring attrText(uint32_t attributes);

struct ItemKey {
  // The name as spelled by the side that keyed the item. Inside a tree it views that side's
  // name in the item itself (one copy of the name instead of two), so it is repointed once
  // the item holds the name; the text never changes while it keys the item.
  mutable olstring_view name;
  bool isFolder = false;
};

// Folders before files, then names compared ignoring case. Names equal ignoring case are
// told apart by their exact spelling, so one side's "a.txt" and "A.txt" (a case-sensitive
// folder can hold both) each keep an item of their own.
struct ItemKeyLess {
  using is_transparent = void;
  bool operator()(const ItemKey& a, const ItemKey& b) const;
};

struct CompareItem;

// The children of an item in key order. Most items are files and never have any, so the map
// is made only when an item becomes a folder on a side (or gets a first child), and a file
// costs one pointer instead of an empty map. Iterators stay valid as a map's do, except that
// end() of an item without its map is not end() once the map is made: an item that is listed
// is a folder, so its map exists before anyone holds its iterators.
class ItemChildren {
public:
  using Map = std::map<ItemKey, CompareItem, ItemKeyLess>;
  using iterator = Map::iterator;
  using const_iterator = Map::const_iterator;
  using node_type = Map::node_type;
  using insert_return_type = Map::insert_return_type;

  // Makes the map, if not made yet.
  void prepare();

  iterator begin();
  iterator end();
  const_iterator begin() const;
  const_iterator end() const;
  bool empty() const;
  size_t size() const;

  template <typename Key>
  iterator find(const Key& key) { return map().find(key); }
  template <typename Key>
  iterator lower_bound(const Key& key) { return map().lower_bound(key); }
  template <typename Key>
  const_iterator lower_bound(const Key& key) const { return map().lower_bound(key); }

  std::pair<iterator, bool> try_emplace(const ItemKey& key);
  node_type extract(const_iterator position);
  insert_return_type insert(node_type&& node);
  iterator erase(iterator position);
  // Keeps the map itself, so iterators held to end() stay valid.
  void clear();

private:
  Map& map();
  const Map& map() const;
  // Shared by every item without a map; never changed.
  static Map& emptyMap();

  std::unique_ptr<Map> m_map;
};

struct CompareItem {
  // Owned children in key order; empty for files.
  ItemChildren children;
  SideInfo side[2];
  CompareItem* parent = nullptr;
  uint32_t flags = 0;
  // 0 for the root and its children, parent's depth + 1 below.
  int32_t depth = 0;
  ContentMode contentMode = ContentMode::binary;
  // A pair of files whose verdict was given while the scan listed on (ScanReaders); the
  // compare walk passes it as given, and clears the mark. In room the members leave.
  bool readEarly = false;
  // Where the result keeps the hashes of this item's listed files (ListedHashes); 0 for
  // none. It fills room the other members leave, so an item is no bigger for it.
  uint32_t hashSlot = 0;

  CompareItem() = default;
  // Items stay where they were made: their keys and their children's parent links point
  // into them.
  CompareItem(const CompareItem&) = delete;
  CompareItem& operator=(const CompareItem&) = delete;
};

inline ItemChildren::Map& ItemChildren::map() { return m_map ? *m_map : emptyMap(); }
inline const ItemChildren::Map& ItemChildren::map() const { return m_map ? *m_map : emptyMap(); }
inline ItemChildren::iterator ItemChildren::begin() { return map().begin(); }
inline ItemChildren::iterator ItemChildren::end() { return map().end(); }
inline ItemChildren::const_iterator ItemChildren::begin() const { return map().begin(); }
inline ItemChildren::const_iterator ItemChildren::end() const { return map().end(); }
inline bool ItemChildren::empty() const { return map().empty(); }
inline size_t ItemChildren::size() const { return map().size(); }
inline ItemChildren::node_type ItemChildren::extract(const_iterator position) { return m_map->extract(position); }
inline ItemChildren::insert_return_type ItemChildren::insert(node_type&& node) {
  return m_map->insert(std::move(node));
}
inline ItemChildren::iterator ItemChildren::erase(iterator position) { return m_map->erase(position); }
inline void ItemChildren::clear() {
  if (m_map) m_map->clear();
}

// Times in the same second count as one where nothing finer is known of a side.
constexpr uint32_t kDefaultTimeStep = 1000000000;

struct CompareResult {
  CompareItem root;
  // Each side's path as the user gave it (in the two-files mode the file's folder).
  olstring givenPath[2];
  // givenPath joined with the sub-path chosen by path adjustment.
  olstring displayRoot[2];
  // Items with flags != 0, the root excluded.
  int64_t differing = 0;
  // Items present only on the first side.
  int64_t missingSecond = 0;
  // Items present only on the second side.
  int64_t missingFirst = 0;
  // The folder the side's archive was unpacked into; empty for a folder on disk. An
  // unpacked archive is untrusted: a link in it is followed only while it stays inside this
  // folder, and one that leads out is compared by its text.
  olstring unpackFolder[2];
  // The options this tree was compared with. Rows, highlights and descriptions read this
  // copy: the user may change or reset the current options (or load a project) without
  // running a compare, and the tree must still be described as it was made.
  CompareOptions options;
  // The side stands for a tree saved in a listing (null for a side read from the disk);
  // its files' hashes are in hashes.
  std::shared_ptr<const ListingOrigin> listing[2];
  ListedHashes hashes;
  // What decided the content verdicts that the items cannot tell by themselves.
  ContentExplanations explanations;

  // How finely each side's file system keeps modification times, in nanoseconds.
  uint32_t timeStep[2] = {kDefaultTimeStep, kDefaultTimeStep};

  bool isListing(int side) const { return listing[side] != nullptr; }
};

// Finds or creates parent's child for a listed entry and records this side's facts in it.
// Returns null when name is empty. A new item counts one unit of progress on job (may be
// null). An entry is paired with a child that lacks this side and whose name matches
// ignoring case, preferring one whose other side is spelled exactly the same; a file-keyed
// child that meets a folder is re-keyed as a folder.
CompareItem* addEntry(CompareItem& parent, int side, olstring_view name, int64_t size, uint64_t modified,
                      uint32_t attributes, JobState* job = nullptr);

// As addEntry, but only pairs with a child whose other side is spelled exactly like name;
// returns null (and records nothing) when there is none. The folder scan pairs exact
// spellings first, so that which item an entry joins does not depend on listing order.
CompareItem* addEntryExact(CompareItem& parent, int side, olstring_view name, int64_t size, uint64_t modified,
                           uint32_t attributes, JobState* job = nullptr);

// Records a listed entry in parent's child found (a child that lacks this side), or in a new
// child when found is parent.children.end(). As addEntry otherwise (a file-keyed child that
// meets a folder is re-keyed); returns null when name is empty.
CompareItem* recordEntry(CompareItem& parent, ItemChildren::iterator found, int side, olstring_view name,
                         int64_t size, uint64_t modified, uint32_t attributes, JobState* job = nullptr);

// The child of parent that holds exactly this name on a side, or null.
CompareItem* findChildOnSide(CompareItem& parent, int side, olstring_view name);

// Records one side's facts on an existing item. The name of a side that keys the item
// (the one that created it) must not change.
void setSide(CompareItem& item, int side, olstring_view name, int64_t size, uint64_t modified,
             uint32_t attributes);

// The item's full path on a side, or empty when the chain lacks a name on that side.
olstring itemPath(const CompareItem& item, int side);
// The same without the root part; empty for the root.
olstring itemRelativePath(const CompareItem& item, int side);

// Clears both sides, deletes all children, zeroes flags, contentMode and depth; the parent
// stays.
void clearItem(CompareItem& item);

// Empties the result for a new compare: both root sides carry the folder attribute.
void resetResult(CompareResult& result);

// "first_missing", "second_missing", "diff" or "no_diff".
olstring_view verdictKey(const CompareItem& item);
// "data_ignore", "data_diff", "data_same_bin", "data_same_txt", "data_same_binpart", or empty
// when the item is not a file present on both sides. autoSkip is the current option value.
olstring_view dataCategory(const CompareItem& item, bool autoSkip);
