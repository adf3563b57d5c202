// The names a listing file is written with and read by (JSON Lines: a header, a line per
// item, a summary), and the item it records. The format is described for its readers in
// docs/listing-format.md.
#pragma once

#include "engine/Sha256.h"
#include "foundation/olstring.h"

#include <cstdint>
#include <string_view>

namespace listing_format {

// Raised when a line changes in a way an existing reader could misread.
constexpr int kVersion = 1;

// The "type" of each line.
constexpr std::string_view kHeaderType = "listing";
constexpr std::string_view kItemType = "item";
// A folder whose content could not be listed (it follows the folder's own line).
constexpr std::string_view kErrorType = "error";
constexpr std::string_view kSummaryType = "summary";

// An item's "kind". A special file is a FIFO, socket or device: never read.
constexpr std::string_view kFolder = "folder";
constexpr std::string_view kFile = "file";
constexpr std::string_view kSpecial = "special";

// How links were treated by the walk: followed; or, inside an unpacked archive (which is
// untrusted), followed only while they stay inside it, one that leads out listed as a file
// holding its target text. "text" (every link a file holding its text) is read as well.
constexpr std::string_view kLinksFollowed = "follow";
constexpr std::string_view kLinksWithin = "within";
constexpr std::string_view kLinksAsText = "text";

// The file name suffix the program suggests; a listing is recognised by its header alone.
constexpr char16_t kSuffix[] = u".mrnl";

}  // namespace listing_format

enum class ListedKind { folder, file, special };

// One item as a listing keeps it, as the walk makes it and the reader reads it back.
struct ListingEntry {
  // The line it was read from (counted from 1); 0 for an entry made by the walk.
  uint64_t line = 0;
  // Below the root, names joined by "/", spelled exactly as on the disk.
  olstring path;
  ListedKind kind = ListedKind::file;
  // Bytes, for a file.
  uint64_t size = 0;
  // 100 ns units since 1601 UTC, and the part below the second in nanoseconds.
  uint64_t modified = 0;
  uint32_t nanoseconds = 0;
  // Permission bits, 07777 at most.
  uint32_t mode = 0;
  // The entry is a symbolic link (kind and size are what it leads to); dangling: it leads
  // nowhere, and counts as an empty file.
  bool isLink = false;
  bool dangling = false;
  // A link of an archive that leads out of it: a file whose content is its text.
  bool leadsOut = false;
  olstring linkText;
  bool hasDigest = false;
  Sha256Digest digest;
  // Why a file's content could not be read (0: it was, or it is no file).
  uint32_t readError = 0;
};
