// The folder scan: turns the two paths of the current options into the compare tree,
// listing both trees level by level and pairing entries by name.
#pragma once

#include "platform/FolderListing.h"

#include "engine/CompareTree.h"
#include "engine/IgnoreFiles.h"
#include "foundation/olstring.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <unordered_map>
#include <vector>

struct CompareEngine;

struct ExcludePattern {
  bool isWildcard = false;
};
// Patterns keyed ignoring case: two that differ only in case are one.
using ExcludeSet = olstrmap<ExcludePattern>;

// Folders still to be listed on both sides, first in first out, with the device and inode
// of every folder item per side: a folder that is its own ancestor on a side (reached
// through a link) is recorded but never listed on that side, so link loops end; it counts
// as empty there, and the other side's content shows as present on one side only.
struct FolderQueue {
  struct Identity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool known = false;
  };
  std::deque<CompareItem*> items;
  std::unordered_map<const CompareItem*, Identity[2]> identities;
  // Files that are never part of a listed tree (the listings being compared).
  std::vector<Identity> skipped;
};

// Kinds of a side's path.
enum class RootKind { unpack = 0, file = 1, folder = 2, listing = 3 };

// Builds the tree. Returns the number of items found; 0 on failure (error recorded in the
// job state, the tree reset) or when nothing was found (no error).
int64_t scanTrees(CompareEngine& engine);

// Sets up one side's root: the two-files mode (kind file), a folder, or a file to unpack.
bool setUpRoot(CompareEngine& engine, int side, RootKind kind, olstring_view path);

// Lists one side of a folder item into the tree, queueing folders present on both sides.
// With ignore files (null when the option is off), each entry is marked with whether this
// side's rules leave it out; see dropIgnored. False when the listing failed or an ignore
// file could not be read (error recorded), or the job was cancelled.
bool listFolder(CompareEngine& engine, CompareItem& item, int side, olstring_view folderPath,
                const ExcludeSet& excludes, FolderQueue& queue, IgnoreFiles* ignoreFiles = nullptr);

// Once a folder is listed on both sides: drops its children that each side holding them
// leaves out by its ignore rules. An item that one side keeps stays, on both sides.
void dropIgnored(CompareItem& folder, FolderQueue& queue);

// Adds one folder's entries on a side to item, as listing the folder would: exact
// spellings pair first, only then may the rest pair ignoring case, so the outcome does not
// depend on the entries' order. added is told each entry's item (by its index). False when
// an entry could not be added.
bool addFolderEntries(CompareEngine& engine, CompareItem& item, int side,
                      const std::vector<platform::FolderEntry>& entries,
                      const std::function<void(CompareItem&, size_t)>& added);

// A folder that could not be listed, and why.
struct ListingFailure {
  uint32_t code = 0;
  olstring folder;
};

// The relative path of the chain of single-entry folders below folderPath (empty if none).
// A folder of the chain that cannot be listed ends it with a failure, not as if empty: the
// result is then empty and failure (when given) holds the error and that folder. Below an
// unpack folder (linkBoundary) only links that stay inside it lead the chain on.
olstring adjustSubPath(olstring_view folderPath, olstring_view linkBoundary = {}, ListingFailure* failure = nullptr);

// Splits the exclusion text at spaces outside double quotes into the set.
void parseExcludes(olstring_view text, ExcludeSet& set);

// Wildcard patterns match the whole name ("*", "?", ASCII letters ignoring case); plain
// patterns match anywhere in the name ignoring case. An empty name never matches.
bool matchesExclude(olstring_view name, olstring_view pattern, bool isWildcard);
