// The compare tree's operations and result categories.

#include "engine/CompareTree.h"

#include "engine/CompareJob.h"
#include "platform/Locale.h"
#include "platform/Path.h"

#include <iterator>
#include <vector>

using platform::kPathSeparator;

namespace {

// Looks up the run of children whose names equal a name ignoring case, of one kind, without
// the exact-spelling tie-break of the key order.
struct NoCaseProbe {
  olstring_view name;
  bool isFolder;
};

int compareKinds(bool aFolder, bool bFolder) {
  if (aFolder == bFolder) return 0;
  return aFolder ? -1 : 1;
}

}  // namespace

bool ItemKeyLess::operator()(const ItemKey& a, const ItemKey& b) const {
  if (const int kind = compareKinds(a.isFolder, b.isFolder)) return kind < 0;
  if (const int noCase = platform::compareNoCase(a.name, b.name)) return noCase < 0;
  return a.name < b.name;
}

namespace {

struct ProbeLess {
  using is_transparent = void;
  bool operator()(const ItemKey& a, const NoCaseProbe& b) const {
    if (const int kind = compareKinds(a.isFolder, b.isFolder)) return kind < 0;
    return platform::compareNoCase(a.name, b.name) < 0;
  }
  bool operator()(const NoCaseProbe& a, const ItemKey& b) const {
    if (const int kind = compareKinds(a.isFolder, b.isFolder)) return kind < 0;
    return platform::compareNoCase(a.name, b.name) < 0;
  }
};

// The first child of one kind, equal to name ignoring case, that has no entry on this side.
ItemChildren::iterator firstFreeNoCase(ItemChildren& children, olstring_view name, bool isFolder, int side) {
  const NoCaseProbe probe{name, isFolder};
  // The map's comparator cannot take the probe, so walk the ordered run by hand.
  auto it = children.lower_bound(ItemKey{name, isFolder});
  // lower_bound on the exact key lands inside the run; step back to its start.
  while (it != children.begin()) {
    auto previous = std::prev(it);
    if (ProbeLess()(previous->first, probe)) break;
    it = previous;
  }
  for (; it != children.end() && !ProbeLess()(probe, it->first); ++it) {
    if (!it->second.side[side].present()) return it;
  }
  return children.end();
}

}  // namespace

void SideInfo::clear() {
  name.clear();
  size = 0;
  modified = 0;
  attributes = 0;
  modifiedNanoseconds = 0;
  isLink = false;
  linkLeadsOut = false;
  ignored = false;
}

olstring sizeText(int64_t size) {
  const bool negative = size < 0;
  // Unsigned arithmetic so that the most negative value has a magnitude too.
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(size) : static_cast<uint64_t>(size);
  olstring reversed;
  int digits = 0;
  do {
    if (digits != 0 && digits % 3 == 0) reversed += u' ';
    reversed += static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
    ++digits;
  } while (magnitude != 0);
  if (negative) reversed += u'-';
  return olstring(reversed.rbegin(), reversed.rend());
}

olstring timeText(uint64_t modified) { return platform::shortDateTimeText(modified); }

olstring attrText(uint32_t attributes) {
  olstring text;
  if ((attributes & 0x1) != 0) text += u'R';
  if ((attributes & 0x2) != 0) text += u'H';
  if ((attributes & 0x4) != 0) text += u'S';
  return text;
}

void ItemChildren::prepare() {
  if (!m_map) m_map = std::make_unique<Map>();
}

std::pair<ItemChildren::iterator, bool> ItemChildren::try_emplace(const ItemKey& key) {
  prepare();
  return m_map->try_emplace(key);
}

ItemChildren::Map& ItemChildren::emptyMap() {
  static Map empty;
  return empty;
}

namespace {

CompareItem* pairEntry(CompareItem& parent, int side, olstring_view name, int64_t size, uint64_t modified,
                       uint32_t attributes, JobState* job, bool exactOnly) {
  if (name.empty()) return nullptr;
  ItemChildren& children = parent.children;
  ItemKey key{name, true};

  // An item that lacks this side was created by the other side, so its key holds the other
  // side's exact spelling: an exact key hit is the preferred partner.
  auto found = children.find(key);
  if (found != children.end() && found->second.side[side].present()) found = children.end();
  if (found == children.end()) {
    key.isFolder = false;
    found = children.find(key);
    if (found != children.end() && found->second.side[side].present()) found = children.end();
  }
  if (found == children.end()) {
    if (exactOnly) return nullptr;
    found = firstFreeNoCase(children, name, /*isFolder=*/true, side);
    if (found == children.end()) found = firstFreeNoCase(children, name, /*isFolder=*/false, side);
  }
  return recordEntry(parent, found, side, name, size, modified, attributes, job);
}

}  // namespace

CompareItem* recordEntry(CompareItem& parent, ItemChildren::iterator found, int side, olstring_view name,
                         int64_t size, uint64_t modified, uint32_t attributes, JobState* job) {
  if (name.empty()) return nullptr;
  const bool entryIsFolder = (attributes & kFolderAttribute) != 0;
  ItemChildren& children = parent.children;
  ItemKey key{name, entryIsFolder};
  CompareItem* child = nullptr;
  // The key that must be repointed at this side's name once the item holds it.
  const ItemKey* newKey = nullptr;
  if (found == children.end()) {
    key.isFolder = entryIsFolder;
    auto [created, inserted] = children.try_emplace(key);
    child = &created->second;
    if (inserted) {
      newKey = &created->first;
      if (job != nullptr) job->stepDone();
    }
  } else if (!found->first.isFolder && entryIsFolder) {
    // A folder meets a file-keyed item: it is re-keyed as a folder. Moving the map node
    // keeps the item at its address, so pointers to it and its children's parent links stay.
    auto node = children.extract(found);
    const ItemKey previous = node.key();
    node.key() = ItemKey{name, true};
    auto result = children.insert(std::move(node));
    if (result.inserted) {
      newKey = &result.position->first;
    } else {
      result.node.key() = previous;
      result = children.insert(std::move(result.node));
    }
    child = &result.position->second;
  } else {
    child = &found->second;
  }

  child->parent = &parent;
  setSide(*child, side, name, size, modified, attributes);
  if (newKey != nullptr) newKey->name = child->side[side].name;
  if (parent.parent != nullptr) child->depth = parent.depth + 1;
  return child;
}

CompareItem* addEntry(CompareItem& parent, int side, olstring_view name, int64_t size, uint64_t modified,
                      uint32_t attributes, JobState* job) {
  return pairEntry(parent, side, name, size, modified, attributes, job, /*exactOnly=*/false);
}

// Used by the folder scan to pair exact spellings before anything is paired ignoring case.
CompareItem* addEntryExact(CompareItem& parent, int side, olstring_view name, int64_t size, uint64_t modified,
                           uint32_t attributes, JobState* job) {
  return pairEntry(parent, side, name, size, modified, attributes, job, /*exactOnly=*/true);
}

CompareItem* findChildOnSide(CompareItem& parent, int side, olstring_view name) {
  if (name.empty()) return nullptr;
  // The item may be keyed by the other side's spelling: look through the names equal
  // ignoring case, of both kinds.
  for (const bool isFolder : {true, false}) {
    const NoCaseProbe probe{name, isFolder};
    auto it = parent.children.lower_bound(ItemKey{name, isFolder});
    while (it != parent.children.begin() && !ProbeLess()(std::prev(it)->first, probe)) --it;
    for (; it != parent.children.end() && !ProbeLess()(probe, it->first); ++it) {
      if (it->second.side[side].name == name) return &it->second;
    }
  }
  return nullptr;
}

void setSide(CompareItem& item, int side, olstring_view name, int64_t size, uint64_t modified,
             uint32_t attributes) {
  SideInfo& info = item.side[side];
  // Unchanged text is left alone: the item's key may be viewing it.
  if (info.name != name) info.name.assign(name);
  info.size = size;
  info.modified = modified;
  // Known only to callers that have it; they set it after this.
  info.modifiedNanoseconds = 0;
  info.attributes = static_cast<uint8_t>(attributes & kKeptAttributes);
  if (info.isFolder()) item.children.prepare();
}

namespace {

olstring buildPath(const CompareItem& item, int side, bool withRoot) {
  std::vector<olstring_view> names;
  size_t length = 0;
  for (const CompareItem* current = &item; current != nullptr; current = current->parent) {
    if (!withRoot && current->parent == nullptr) break;
    const olstring_view name = current->side[side].name;
    if (name.empty()) return {};
    names.push_back(name);
    length += name.size() + 1;
  }
  olstring path;
  path.reserve(length);
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    // A root such as "/" already ends with the separator; doubling it would only be noise.
    if (!path.empty() && path.back() != kPathSeparator) path += kPathSeparator;
    path += *it;
  }
  return path;
}

}  // namespace

olstring itemPath(const CompareItem& item, int side) { return buildPath(item, side, /*withRoot=*/true); }

olstring itemRelativePath(const CompareItem& item, int side) { return buildPath(item, side, /*withRoot=*/false); }

void clearItem(CompareItem& item) {
  item.side[0].clear();
  item.side[1].clear();
  item.children.clear();
  item.flags = 0;
  item.contentMode = ContentMode::binary;
  item.depth = 0;
  item.hashSlot = 0;
  item.readEarly = false;
}

void resetResult(CompareResult& result) {
  clearItem(result.root);
  result.root.side[0].attributes = kFolderAttribute;
  result.root.side[1].attributes = kFolderAttribute;
  result.root.children.prepare();
  for (int side = 0; side < 2; ++side) {
    result.givenPath[side].clear();
    result.displayRoot[side].clear();
    result.unpackFolder[side].clear();
    result.listing[side].reset();
    result.timeStep[side] = kDefaultTimeStep;
  }
  result.hashes.clear();
  result.explanations.clear();
  result.differing = 0;
  result.missingSecond = 0;
  result.missingFirst = 0;
  result.options = CompareOptions();
}

olstring_view verdictKey(const CompareItem& item) {
  if ((item.flags & ItemFlags::kMissing) != 0) {
    return (item.flags & ItemFlags::kMissingSecond) != 0 ? u"second_missing" : u"first_missing";
  }
  return item.flags != 0 ? u"diff" : u"no_diff";
}

olstring_view dataCategory(const CompareItem& item, bool autoSkip) {
  if (!item.side[0].present() || !item.side[1].present()) return {};
  if ((item.flags & (ItemFlags::kMissing | ItemFlags::kTypeDiffers)) != 0) return {};
  if (item.side[0].isFolder() || item.side[1].isFolder()) return {};
  if ((item.flags & ItemFlags::kContentDiffers) != 0) {
    return (item.flags & ItemFlags::kContentSkipped) != 0 ? u"data_ignore" : u"data_diff";
  }
  constexpr uint32_t kOtherDifferences =
      ItemFlags::kNameCase | ItemFlags::kNameForm | ItemFlags::kTimeDiffers | ItemFlags::kAttrDiffers;
  if ((item.flags & kOtherDifferences) != 0 && autoSkip) return u"data_ignore";
  if (item.contentMode == ContentMode::text) return u"data_same_txt";
  if (item.contentMode == ContentMode::sampled) return u"data_same_binpart";
  return u"data_same_bin";
}
