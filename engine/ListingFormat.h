// The names a listing file is written with and read by (JSON Lines: a header, a line per
// item, a summary). The format is described for its readers in docs/listing-format.md.
#pragma once

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

// How links were treated by the walk: followed, or (inside an unpacked archive, which is
// untrusted) listed as files holding their target text.
constexpr std::string_view kLinksFollowed = "follow";
constexpr std::string_view kLinksAsText = "text";

// The file name suffix the program suggests; a listing is recognised by its header alone.
constexpr char16_t kSuffix[] = u".mrnl";

}  // namespace listing_format
