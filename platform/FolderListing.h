// Listing one folder: name, size, last-write time and attribute bits of each entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

constexpr uint32_t kAttributeReadOnly = 0x1;   // the owner write bit is clear
constexpr uint32_t kAttributeHidden = 0x2;     // the name starts with "."
constexpr uint32_t kAttributeSystem = 0x4;     // neither a regular file nor a folder: never opened
constexpr uint32_t kAttributeDirectory = 0x10;

// Seconds between 1601-01-01 and 1970-01-01, the offset of the program's file times.
constexpr int64_t kEpochDifferenceSeconds = 11644473600LL;

// Converts a POSIX time to 100 ns units since 1601 (times before 1601 give 0).
uint64_t fileTimeFromPosix(int64_t seconds, int64_t nanoseconds);

enum class LinkPolicy {
  // Links are followed, as `diff -r` does; a dangling link is a file of size 0 with the
  // link's own time and attributes 0.
  follow,
  // Links are never followed: a link is a file whose size is the length of its target text.
  listAsFile,
  // Inside an unpacked archive (untrusted), whose folder is the boundary given: a link is
  // followed only while it stays inside the boundary (see platform/LinkBoundary.h); one that
  // leads out is listed as with listAsFile and marked leadsOut.
  followWithin,
};

struct FolderEntry {
  std::u16string name;
  uint64_t size = 0;
  uint64_t writeTime = 0;  // 100 ns units since 1601 UTC
  // The last-write time's part below the second, in nanoseconds (0 to 999,999,999): a
  // listing keeps the time as precisely as the file system does.
  uint32_t writeNanoseconds = 0;
  // The permission bits (07777) of what the entry stands for (of the link itself when it
  // leads nowhere or is listed as a file).
  uint32_t mode = 0;
  uint32_t attributes = 0;
  bool isLink = false;          // the entry itself is a symbolic link
  bool leadsOut = false;        // a link not followed because it leads out of the boundary
  uint64_t device = 0;          // of what the entry stands for (after following a link)
  uint64_t inode = 0;
};

// The listing data of one regular file taken from the file itself (opened for reading,
// then its status), so that its folder need not be listable. The name is the path's last
// part. False with the last error set when it cannot be opened (anything but a regular
// file gives error 5).
bool readFileEntry(std::u16string_view path, FolderEntry& entry);

// One open folder listing; the listing is closed when the object goes away.
class FolderListing {
public:
  FolderListing();
  ~FolderListing();
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  // Starts listing a folder. False (with the last error set) when it cannot be listed; under
  // followWithin also when the folder's own path leads out of the boundary (error 5).
  bool open(std::u16string_view folder, LinkPolicy policy = LinkPolicy::follow, std::u16string_view boundary = {});

  // The next entry ("." and ".." skipped). False at the end of the listing (last error 0)
  // or when the listing broke off (last error set, error() returns it).
  bool next(FolderEntry& entry);

  // The error that ended the listing, 0 when it ended normally.
  uint32_t error() const { return m_error; }

  void close();

private:
  struct State;
  std::unique_ptr<State> m_state;
  uint32_t m_error = 0;
};

// For tests of what callers do when a listing breaks off, as one on a failing disk does:
// from now on every listing fails with a read error (1117) after the given number of
// entries, until kNoListingFailure is set again.
constexpr size_t kNoListingFailure = SIZE_MAX;
void simulateListingFailure(size_t afterEntries);

}  // namespace platform
