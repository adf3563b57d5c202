// The folder scan: breadth first, one folder listing open at a time, each folder listed
// once per side.

#include "engine/FolderScan.h"

#include "engine/CompareEngine.h"
#include "engine/ListingReader.h"
#include "engine/ListingSource.h"
#include "engine/NameForms.h"
#include "engine/ScanReaders.h"
#include "foundation/LanguageKeys.h"
#include "foundation/Paths.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/Path.h"

#include <functional>
#include <vector>

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;

uint64_t wholeSecond(uint64_t fileTime) { return fileTime / kTicksPerSecond * kTicksPerSecond; }

bool isExcluded(const ExcludeSet& excludes, olstring_view name) {
  for (const auto& [pattern, info] : excludes) {
    if (matchesExclude(name, pattern, info.isWildcard)) return true;
  }
  return false;
}

// True when the folder's identity on this side equals that of one of its ancestors.
bool isLoop(const FolderQueue& queue, const CompareItem& folder, int side) {
  const auto own = queue.identities.find(&folder);
  if (own == queue.identities.end() || !own->second[side].known) return false;
  const FolderQueue::Identity& identity = own->second[side];
  for (const CompareItem* above = folder.parent; above != nullptr; above = above->parent) {
    const auto found = queue.identities.find(above);
    if (found == queue.identities.end() || !found->second[side].known) continue;
    if (found->second[side].device == identity.device && found->second[side].inode == identity.inode) return true;
  }
  return false;
}

// A listing compared on a side may lie in the tree of the other: it is no part of the
// tree it stands for.
// Drops what lies below an item that is not a folder on both sides (as a scan of the disk
// never lists it) and counts the items left below item.
int64_t pruneToPairedFolders(CompareItem& item) {
  int64_t count = 0;
  for (auto& [key, child] : item.children) {
    ++count;
    if (child.side[0].isFolder() && child.side[1].isFolder()) {
      count += pruneToPairedFolders(child);
    } else {
      child.children.clear();
    }
  }
  return count;
}

bool isSkipped(const FolderQueue& queue, const platform::FolderEntry& entry) {
  for (const FolderQueue::Identity& skipped : queue.skipped) {
    if (skipped.known && skipped.device == entry.device && skipped.inode == entry.inode) return true;
  }
  return false;
}

void recordRootIdentity(FolderQueue& queue, const CompareItem& root, int side) {
  FolderQueue::Identity& identity = queue.identities[&root][side];
  identity.known = platform::pathIdentity(root.side[side].name, &identity.device, &identity.inode);
}

// Links are followed wherever they lead, except below the folder of an unpacked archive.
platform::LinkPolicy linkPolicy(olstring_view linkBoundary) {
  return linkBoundary.empty() ? platform::LinkPolicy::follow : platform::LinkPolicy::followWithin;
}

// Counts a folder's entries, stopping at two: only "exactly one" matters. A folder that
// cannot be listed, or whose listing breaks off before that is known, gives -1 with the
// error in failure.
int countEntriesUpToTwo(olstring_view folder, platform::FolderEntry* only, olstring_view linkBoundary,
                        ListingFailure& failure) {
  platform::FolderListing listing;
  if (!listing.open(folder, linkPolicy(linkBoundary), linkBoundary)) {
    failure = {listing.error(), olstring(folder)};
    return -1;
  }
  int count = 0;
  platform::FolderEntry entry;
  while (count < 2 && listing.next(entry)) {
    if (count == 0) *only = std::move(entry);
    ++count;
  }
  if (count < 2 && listing.error() != 0) {
    failure = {listing.error(), olstring(folder)};
    return -1;
  }
  return count;
}

}  // namespace

void parseExcludes(olstring_view text, ExcludeSet& set) {
  set.clear();
  olstring token;
  bool inQuotes = false;
  const auto insert = [&set, &token] {
    if (token.empty()) return;
    const bool wildcard = token.find_first_of(u"*?") != olstring::npos;
    set.try_emplace(token, ExcludePattern{wildcard});
    token.clear();
  };
  for (const char16_t unit : text) {
    if (unit == u'"') {
      inQuotes = !inQuotes;
    } else if (unit == u' ' && !inQuotes) {
      insert();
    } else {
      token += unit;
    }
  }
  insert();
}

namespace {

bool sameAsciiIgnoringCase(char16_t a, char16_t b) {
  if (a == b) return true;
  const auto lower = [](char16_t unit) -> char16_t {
    return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit;
  };
  return lower(a) == lower(b) && ((a >= u'A' && a <= u'Z') || (a >= u'a' && a <= u'z'));
}

}  // namespace

bool matchesExclude(olstring_view name, olstring_view pattern, bool isWildcard) {
  if (name.empty()) return false;
  if (pattern.empty()) return true;
  if (!isWildcard) return platform::findNoCase(name, pattern) != olstring_view::npos;

  constexpr size_t kNone = olstring_view::npos;
  size_t n = 0;
  size_t p = 0;
  size_t starPattern = kNone;
  size_t starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      if (p + 1 == pattern.size()) return true;
      starPattern = p++;
      starName = n;
      continue;
    }
    if (p < pattern.size() && (pattern[p] == u'?' || sameAsciiIgnoringCase(pattern[p], name[n]))) {
      ++p;
      ++n;
      continue;
    }
    if (starPattern == kNone) return false;
    // The last "*" absorbs one more code unit and the match resumes after it.
    p = starPattern + 1;
    n = ++starName;
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

olstring adjustSubPath(olstring_view folderPath, olstring_view linkBoundary, ListingFailure* failure) {
  ListingFailure ignored;
  ListingFailure& reported = failure != nullptr ? *failure : ignored;
  reported = {};
  if (absolutePathKind(folderPath) == PathRoot::relative) return {};
  olstring relative;
  olstring current(folderPath);
  // A chain through a link back to a folder of the chain would never end otherwise.
  std::vector<std::pair<uint64_t, uint64_t>> seen;
  uint64_t device = 0;
  uint64_t inode = 0;
  if (platform::pathIdentity(current, &device, &inode)) seen.emplace_back(device, inode);
  int count = 0;
  for (;;) {
    platform::FolderEntry only;
    // A folder that cannot be listed is not empty: taking it for empty would move the root
    // and make up a result, so the compare fails as it would without adjustment.
    count = countEntriesUpToTwo(current, &only, linkBoundary, reported);
    if (count < 0) return {};
    // The chain goes on through folders only; a single file ends it at its folder.
    if (count != 1 || (only.attributes & platform::kAttributeDirectory) == 0) break;
    olstring next = joinPath(current, only.name);
    if (platform::pathIdentity(next, &device, &inode)) {
      bool loop = false;
      for (const auto& identity : seen) loop = loop || (identity.first == device && identity.second == inode);
      if (loop) break;
      seen.emplace_back(device, inode);
    }
    relative = joinPath(relative, only.name);
    current = std::move(next);
  }
  // An empty folder at the end of the chain is no root: the folder holding it is.
  if (count == 0) relative = olstring(folderPart(relative));
  return relative;
}

bool addFolderEntries(CompareEngine& engine, CompareItem& item, int side,
                      const std::vector<platform::FolderEntry>& entries,
                      const std::function<void(CompareItem&, size_t)>& added) {
  const auto add = [&](const platform::FolderEntry& listed, bool exactOnly) {
    const auto size = static_cast<int64_t>(listed.size);
    const uint64_t modified = wholeSecond(listed.writeTime);
    return exactOnly ? addEntryExact(item, side, listed.name, size, modified, listed.attributes, &engine.job)
                     : addEntry(item, side, listed.name, size, modified, listed.attributes, &engine.job);
  };
  // Exact spellings pair first; only then may the rest pair ignoring case, so the outcome
  // does not depend on the order of the listing.
  std::vector<size_t> deferred;
  const bool pairExactFirst = !item.children.empty();
  for (size_t i = 0; i < entries.size(); ++i) {
    CompareItem* child = add(entries[i], pairExactFirst);
    if (child == nullptr) {
      if (!pairExactFirst) return false;
      deferred.push_back(i);
      continue;
    }
    child->side[side].isLink = entries[i].isLink;
    child->side[side].modifiedNanoseconds = entries[i].writeNanoseconds;
    child->side[side].linkLeadsOut = entries[i].leadsOut;
    added(*child, i);
  }
  // Then one name written in two Unicode forms, before letter case.
  std::vector<olstring_view> deferredNames;
  deferredNames.reserve(deferred.size());
  for (const size_t i : deferred) deferredNames.emplace_back(entries[i].name);
  const std::vector<ItemChildren::iterator> partners = findNameFormPartners(item, side, deferredNames);
  for (size_t j = 0; j < deferred.size(); ++j) {
    const size_t i = deferred[j];
    const platform::FolderEntry& listed = entries[i];
    CompareItem* child = partners[j] == item.children.end()
                             ? add(listed, /*exactOnly=*/false)
                             : recordEntry(item, partners[j], side, listed.name, static_cast<int64_t>(listed.size),
                                           wholeSecond(listed.writeTime), listed.attributes, &engine.job);
    if (child == nullptr) return false;
    child->side[side].isLink = entries[i].isLink;
    child->side[side].modifiedNanoseconds = entries[i].writeNanoseconds;
    child->side[side].linkLeadsOut = entries[i].leadsOut;
    added(*child, i);
  }
  return true;
}

bool listFolder(CompareEngine& engine, CompareItem& item, int side, olstring_view folderPath,
                const ExcludeSet& excludes, FolderQueue& queue, IgnoreFiles* ignoreFiles) {
  platform::FolderListing listing;
  const olstring& boundary = engine.result.unpackFolder[side];
  if (!listing.open(folderPath, linkPolicy(boundary), boundary)) {
    engine.job.setError(platform::lastError(), folderPath);
    return false;
  }
  std::vector<platform::FolderEntry> entries;
  platform::FolderEntry entry;
  while (listing.next(entry)) {
    if (!engine.worker.checkpoint()) return false;
    if (ignoreFiles != nullptr) ignoreFiles->noteEntry(entry);
    if (isExcluded(excludes, entry.name) || isSkipped(queue, entry)) continue;
    engine.job.setText(lang::progress::kPrepare, entry.name);
    entries.push_back(std::move(entry));
  }
  // A listing that broke off would leave a silently partial tree: a wrong result.
  if (listing.error() != 0) {
    engine.job.setError(listing.error(), folderPath);
    return false;
  }
  listing.close();
  if (ignoreFiles != nullptr && !ignoreFiles->enterFolder(item, side, folderPath)) {
    engine.job.setError(ignoreFiles->error(), ignoreFiles->errorPath());
    return false;
  }

  return addFolderEntries(engine, item, side, entries, [&](CompareItem& child, size_t i) {
    const platform::FolderEntry& listed = entries[i];
    const bool isFolder = (listed.attributes & platform::kAttributeDirectory) != 0;
    if (ignoreFiles != nullptr) {
      child.side[side].ignored = ignoreFiles->ignores(listed.name, isFolder && !listed.isLink);
    }
    if (!isFolder) return;
    FolderQueue::Identity& identity = queue.identities[&child][side];
    identity = {listed.device, listed.inode, true};
    if (!child.side[0].isFolder() || !child.side[1].isFolder()) return;
    if (child.side[0].ignored && child.side[1].ignored) return;
    // A side that loops is not listed (it counts as empty there), but the other side still
    // is: what it holds must show, not hide behind the loop.
    if (isLoop(queue, child, 0) && isLoop(queue, child, 1)) return;
    queue.items.push_back(&child);
  });
}

void dropIgnored(CompareItem& folder, FolderQueue& queue) {
  for (auto it = folder.children.begin(); it != folder.children.end();) {
    const SideInfo* sides = it->second.side;
    const bool kept = (sides[0].present() && !sides[0].ignored) || (sides[1].present() && !sides[1].ignored);
    if (kept) {
      ++it;
      continue;
    }
    // Its address may come back for a new item, which must not inherit its identity.
    queue.identities.erase(&it->second);
    it = folder.children.erase(it);
  }
}

bool setUpRoot(CompareEngine& engine, int side, RootKind kind, olstring_view path) {
  CompareResult& result = engine.result;
  if (path.empty()) return false;
  if (kind == RootKind::file) {
    const olstring folder(folderPart(path));
    const olstring_view name = fileNamePart(path);
    // Taken from the file itself: a folder that may be entered but not listed still lets
    // its files be compared.
    platform::FolderEntry entry;
    if (!folder.empty() && !name.empty() && !platform::readFileEntry(path, entry)) {
      engine.job.setError(platform::lastError(), path);
      return false;
    }
    if (folder.empty() || name.empty()) return false;
    result.givenPath[side] = folder;
    result.displayRoot[side] = folder;
    result.root.side[side].name = folder;
    engine.job.setText(langText(lang::progress::kPrepare, name));
    const auto size = static_cast<int64_t>(entry.size);
    const uint64_t modified = wholeSecond(entry.writeTime);
    // The two files form one item whatever their names.
    result.timeStep[side] = platform::fileSystemTimeStep(folder);
    CompareItem* item = nullptr;
    if (result.root.children.size() == 1) {
      item = &result.root.children.begin()->second;
      setSide(*item, side, name, size, modified, entry.attributes);
    } else {
      item = addEntry(result.root, side, name, size, modified, entry.attributes, &engine.job);
      if (item == nullptr) return false;
    }
    item->side[side].modifiedNanoseconds = entry.writeNanoseconds;
    return true;
  }

  result.givenPath[side] = olstring(path);
  // A listing's items are read by loadListingSide; its root names the listing itself, so
  // that no path of that side can be opened on this machine by mistake.
  if (kind == RootKind::listing) {
    result.displayRoot[side] = olstring(path);
    result.root.side[side].name = olstring(path);
    return true;
  }
  olstring folder(path);
  if (kind == RootKind::unpack) {
    uint32_t errorCode = kErrorNoArchiveFolder;
    folder = engine.archives != nullptr ? engine.archives->prepareArchive(path, &errorCode) : olstring();
    if (folder.empty()) {
      engine.job.setError(errorCode, path);
      return false;
    }
  }
  if (kind == RootKind::unpack) result.unpackFolder[side] = folder;
  ListingFailure failure;
  const olstring relative =
      engine.options.adjustPath ? adjustSubPath(folder, result.unpackFolder[side], &failure) : olstring();
  if (failure.code != 0) {
    engine.job.setError(failure.code, failure.folder);
    return false;
  }
  result.root.side[side].name = joinPath(folder, relative);
  result.displayRoot[side] = joinPath(result.givenPath[side], relative);
  result.timeStep[side] = platform::fileSystemTimeStep(result.root.side[side].name);
  return true;
}

int64_t scanTrees(CompareEngine& engine) {
  CompareResult& result = engine.result;
  const CompareOptions& options = engine.options;
  resetResult(result);
  result.options = options;
  // The paths are expanded once, so that what is checked is what is listed.
  const olstring paths[2] = {expandPath(options.path0), expandPath(options.path1)};
  const PathType kinds[2] = {pathType(paths[0]), pathType(paths[1])};
  if (kinds[0] == PathType::none || kinds[1] == PathType::none) {
    engine.job.setError(platform::kErrorPathNotFound, kinds[0] != PathType::none ? options.path1 : options.path0);
    return 0;
  }
  // Only the paths that are files are opened, so that an archive compared with a folder
  // works in either order.
  for (int side = 0; side < 2; ++side) {
    if (kinds[side] != PathType::file) continue;
    const platform::File file = openFileForReading(paths[side]);
    if (!file) {
      engine.job.setError(file.error(), side == 0 ? options.path0 : options.path1);
      return 0;
    }
  }

  const bool twoFiles = kinds[0] == PathType::file && kinds[1] == PathType::file && options.forceFile;
  // A listing stands for the tree it lists, recognised by its header; in the two-files
  // mode it is a file like any other.
  bool listing[2] = {false, false};
  for (int side = 0; side < 2; ++side) {
    listing[side] = !twoFiles && kinds[side] == PathType::file && ListingReader::isListing(paths[side]);
  }
  const auto effectiveKind = [twoFiles](PathType kind, bool isListing) {
    if (isListing) return RootKind::listing;
    if (kind == PathType::folder) return RootKind::folder;
    return twoFiles ? RootKind::file : RootKind::unpack;
  };
  ExcludeSet excludes;
  parseExcludes(options.excludes, excludes);

  for (int side = 0; side < 2; ++side) {
    if (!setUpRoot(engine, side, effectiveKind(kinds[side], listing[side]), paths[side])) {
      resetResult(result);
      return 0;
    }
  }
  if (twoFiles) return static_cast<int64_t>(result.root.children.size());

  FolderQueue queue;
  // A listing holds no file's text: its side has no ignore rules.
  const bool unpacked[2] = {!result.unpackFolder[0].empty(), !result.unpackFolder[1].empty()};
  IgnoreFiles ignoreFiles(unpacked);
  IgnoreFiles* const ignores = options.ignoreFiles ? &ignoreFiles : nullptr;
  for (int side = 0; side < 2; ++side) {
    if (!listing[side]) continue;
    if (!loadListingSide(engine, side, paths[side], excludes)) {
      resetResult(result);
      return 0;
    }
    FolderQueue::Identity& file = queue.skipped.emplace_back();
    file.known = platform::pathIdentity(paths[side], &file.device, &file.inode);
  }
  for (int side = 0; side < 2; ++side) {
    if (!listing[side]) recordRootIdentity(queue, result.root, side);
  }
  // The content readers but the worker, which lists meanwhile, read the pairs of each folder
  // listed on both sides. They end before the tree may be reset, and before the walk.
  ScanReaders early(engine, engine.contentReaders - 1);
  const auto fail = [&] {
    early.finish();
    resetResult(result);
    return int64_t{0};
  };
  for (int side = 0; side < 2; ++side) {
    if (listing[side]) continue;
    if (!listFolder(engine, result.root, side, result.root.side[side].name, excludes, queue, ignores)) return fail();
  }
  if (ignores != nullptr) dropIgnored(result.root, queue);
  early.folderListed(result.root);
  auto count = static_cast<int64_t>(result.root.children.size());
  while (!queue.items.empty()) {
    CompareItem* folder = queue.items.front();
    queue.items.pop_front();
    for (int side = 0; side < 2; ++side) {
      if (listing[side] || isLoop(queue, *folder, side)) continue;
      if (!listFolder(engine, *folder, side, itemPath(*folder, side), excludes, queue, ignores)) return fail();
    }
    if (ignores != nullptr) dropIgnored(*folder, queue);
    early.folderListed(*folder);
    count += static_cast<int64_t>(folder->children.size());
  }
  early.finish();
  // A listing brings its whole tree, also below folders the other side lacks.
  if (listing[0] || listing[1]) return pruneToPairedFolders(result.root);
  return count;
}
