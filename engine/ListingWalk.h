// Saving a listing: one tree walked with the scan's own rules (exclusions, path adjustment,
// links, loops, archives unpacked), each entry handed on with the SHA-256 of its content
// as the walk goes, so that memory stays the same whatever the size of the tree. The files
// are hashed by the worker and helper threads at once; the entries still come out in the
// order of the walk: a folder's entries one after the other (folders first, then names
// ignoring case), then the content of each of its folders in that order.
#pragma once

#include "engine/ListingFormat.h"
#include "foundation/olstring.h"

#include <cstdint>
#include <vector>

struct CompareEngine;

// What the walk is about to list.
struct ListingStart {
  // The path as given, and the folder listed (after path adjustment; for an archive its own
  // path joined with the adjustment, not the folder it was unpacked to).
  olstring path;
  olstring root;
  olstring host;
  // When the walk began: 100 ns units since 1601 UTC, and the nanoseconds of the second.
  uint64_t started = 0;
  uint32_t startedNanoseconds = 0;
  olstring excludes;
  bool adjustPath = true;
  // An archive: its links are followed only while they stay inside it.
  bool linksWithin = false;
};

// Where the walk's entries go, in order, on the worker thread.
class ListingSink {
public:
  virtual ~ListingSink() = default;
  virtual void started(const ListingStart& start) = 0;
  virtual void listed(const ListingEntry& entry) = 0;
  // A folder (listed just before) whose content could not be listed.
  virtual void folderUnreadable(olstring_view path, uint32_t error) = 0;
};

struct ListingTotals {
  int64_t items = 0;
  int64_t files = 0;
  int64_t folders = 0;
  // Files whose content could not be read and folders whose content could not be listed.
  int64_t unreadable = 0;
  uint64_t bytes = 0;
};

struct ListingRequest {
  // The folder or archive to list (made absolute), with the engine's current options.
  olstring path;
  // Files that are no part of the tree (the listing being written, the file it replaces):
  // device and inode.
  std::vector<std::pair<uint64_t, uint64_t>> skipped;
};

// The job on the worker: walks the request's path and hands every entry to the sink. True
// when the walk ran to its end (the totals say whether anything could not be read); false
// when it could not start or was cancelled, with the error in the job's record.
bool runListingWalk(CompareEngine& engine, const ListingRequest& request, ListingSink& sink, ListingTotals& totals);
