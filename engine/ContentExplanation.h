// What decided the content verdict of a pair of files: how the content was compared, how
// much of each side was compared, where the two first differ, how many blocks a sampled
// compare read, or why the content was not read. The content compare fills one record per
// pair; the result keeps it beside the tree only where the item itself cannot tell it
// again (a difference found by reading, a sampled compare, a file that could not be read),
// so that an item whose content is equal in full costs nothing more.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <unordered_map>

struct CompareItem;
struct CompareResult;

// How the content was compared.
enum class ContentWay : uint8_t {
  bytes,    // byte for byte, in full
  text,     // as text, runs of line breaks forgiven where a line ends
  sampled,  // byte for byte, some blocks of a huge file
  hash,     // by SHA-256, a side coming from a listing
  notRead,  // not read at all (reason says why)
};

// Why the content did not decide the verdict by itself.
enum class ContentReason : uint8_t {
  none,            // the content was read and decided
  sizesDiffer,     // not read: compared as bytes, a size tells
  alreadyDiffers,  // not read: the quick compare skips a pair whose name case, time or attributes differ
  specialFile,     // not read: a FIFO, socket or device is never opened
  unreadable,      // a file could not be opened or read (side, errorCode)
  changed,         // a file held fewer or more bytes than its size when it was opened (side)
  noMemory,        // the block buffers could not be had
  notHashed,       // a listing holds no hash of the file: it could not be read when listed (side)
};

struct ContentExplanation {
  ContentWay way = ContentWay::bytes;
  ContentReason reason = ContentReason::none;
  // The side a reason concerns (unreadable, changed, notHashed); -1 for none.
  int8_t side = -1;
  // A first difference was found at firstDifference (and, as text, on line).
  bool differenceFound = false;
  // The platform's error code of an unreadable file.
  uint32_t errorCode = 0;
  // Bytes of each side compared before the verdict: the whole file when equal, up to and
  // including the first differing byte when not.
  std::array<uint64_t, 2> bytesCompared{};
  // Offset of the first differing byte on each side: the same on both as bytes; as text
  // where the texts disagree once line breaks are forgiven.
  std::array<uint64_t, 2> firstDifference{};
  // As text: the line (1 for the first) of the first difference on each side.
  std::array<uint64_t, 2> line{};
  // Sampled: the blocks compared, of the blocks the file has.
  uint64_t blocksCompared = 0;
  uint64_t blocksTotal = 0;

  bool operator==(const ContentExplanation&) const = default;

  // The reason is a file that could not be compared, not a difference found.
  bool isTrouble() const;
  // Records a file that failed while being read: unreadable when the thread's last error
  // says why, else changed (it ended early); compared is what was compared before.
  void readFailed(int failedSide, uint64_t compared);
  // A first difference at these offsets; compares up to and including it.
  void differsAt(uint64_t first, uint64_t second, uint64_t firstSize, uint64_t secondSize);
};

// The explanations of one compare that its items cannot tell by themselves. Filled by the
// content readers while the compare runs (any thread), read by the report meanwhile and by
// the window afterwards.
class ContentExplanations {
public:
  void keep(const CompareItem& item, const ContentExplanation& explanation);
  // False when the item has none kept.
  bool find(const CompareItem& item, ContentExplanation& explanation) const;
  void clear();
  // Pairs kept whose files could not be compared (isTrouble).
  int64_t troubleCount() const;
  size_t size() const;

private:
  mutable std::mutex m_lock;
  std::unordered_map<const CompareItem*, ContentExplanation> m_kept;
  int64_t m_trouble = 0;
};

// What the item itself tells of how its content was compared, from its verdict, sizes and
// content mode and the options of the result: right for every pair the compare read in
// full and found equal, and for every pair it did not read for its sizes, kind or quick
// compare.
ContentExplanation impliedExplanation(const CompareResult& result, const CompareItem& item);

// Keeps the compare's explanation of an item whose verdict is final, unless the item tells
// the same by itself.
void recordExplanation(CompareResult& result, const CompareItem& item, const ContentExplanation& explanation);

// How the content of a pair of files present on both sides was compared: the one kept, or
// the one the item implies.
ContentExplanation explainContent(const CompareResult& result, const CompareItem& item);

// The line ends in [from, to) of bytes holding size bytes: each LF, and each CR that no LF
// follows (after a UTF-16 zero byte), so that a CR LF counts once. A CR's next bytes are
// looked at up to size, also beyond to.
uint64_t lineEndsBetween(const uint8_t* bytes, uint64_t size, uint64_t from, uint64_t to);

// The line (1 for the first) on which the byte at position lies: one more than the line
// ends before it.
uint64_t lineAt(const uint8_t* bytes, uint64_t size, uint64_t position);
