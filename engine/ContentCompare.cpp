// Content comparison. Equal content is the common case (and the expensive one), so the
// inner loops find the first mismatch with memcmp and read large blocks in pieces that stay
// in the processor's cache.

#include "engine/ContentCompare.h"

#include "engine/CompareEngine.h"
#include "platform/Error.h"
#include "platform/FolderListing.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

constexpr uint32_t kTextProbeSize = 65536;
// A block is read in pieces of this size: both pieces and the comparison stay in the
// processor's cache, which a whole 16 MiB block would not.
constexpr uint32_t kReadPiece = 128 * 1024;
constexpr uint64_t kMebibyte = 1024 * 1024;
// Below this size the kernel's read-ahead needs no hint.
constexpr uint64_t kSequentialHintSize = 1024 * 1024;
constexpr size_t kBufferAlignment = 4096;

// The offset of the first differing byte of two ranges, or n when they are equal.
size_t firstMismatch(const uint8_t* a, const uint8_t* b, size_t n) {
  constexpr size_t kChunk = 4096;
  size_t i = 0;
  while (n - i >= kChunk && std::memcmp(a + i, b + i, kChunk) == 0) i += kChunk;
  const size_t end = std::min(n, i + kChunk);
  // The loop above stopped at the last (short) chunk or at one that differs.
  if (std::memcmp(a + i, b + i, end - i) == 0) return end;
  for (; i + 8 <= end; i += 8) {
    uint64_t x;
    uint64_t y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) {
      if constexpr (std::endian::native == std::endian::little) return i + std::countr_zero(x ^ y) / 8;
      break;
    }
  }
  while (i < end && a[i] == b[i]) ++i;
  return i;
}

// True when the bytes hold a 16-bit zero word at an even offset. Most text holds no zero
// byte at all and most binary data a zero word early, so the C library's memchr, the fastest
// scan there is, looks first; a text of many lone zero bytes (UTF-16) goes on in 8-byte
// lanes, 64 bytes at a time so that the compiler can keep it branch-free.
bool hasZeroWord(const uint8_t* bytes, size_t wordCount) {
  constexpr int kLoneZerosBeforeLanes = 8;
  constexpr uint64_t kOnes = 0x0001000100010001ULL;
  constexpr uint64_t kHighs = 0x8000800080008000ULL;
  const size_t byteCount = wordCount * 2;
  size_t i = 0;
  for (int lone = 0; lone < kLoneZerosBeforeLanes; ++lone) {
    const void* zero = std::memchr(bytes + i, 0, byteCount - i);
    if (zero == nullptr) return false;
    const size_t word = static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes) & ~size_t{1};
    if (bytes[word] == 0 && bytes[word + 1] == 0) return true;
    i = word + 2;
  }
  for (; i + 64 <= byteCount; i += 64) {
    uint64_t any = 0;
    for (size_t lane = 0; lane < 64; lane += 8) {
      uint64_t x;
      std::memcpy(&x, bytes + i + lane, 8);
      any |= (x - kOnes) & ~x & kHighs;
    }
    if (any != 0) return true;
  }
  for (; i + 1 < byteCount; i += 2) {
    if (bytes[i] == 0 && bytes[i + 1] == 0) return true;
  }
  return false;
}

bool looksLikeTextBytes(const uint8_t* bytes, size_t n) {
  if (n < 1) return false;
  if (hasZeroWord(bytes, n / 2)) return false;
  if (n > 2 && n % 2 == 1 && bytes[n - 1] == 0 && bytes[n - 2] == 0) return false;
  return true;
}

// Text detection that reads into the block buffer, so that a small file's content is
// already there when the comparison runs.
bool detectText(ContentBuffers& buffers, int index, ContentReader& reader) {
  uint8_t* buffer = index == 0 ? buffers.first() : buffers.second();
  if (buffer == nullptr || buffers.capacity() < kTextProbeSize) return looksLikeText(reader);
  if (reader.position() != 0 && !reader.setPosition(0)) return false;
  const uint32_t n = reader.read(buffer, kTextProbeSize);
  buffers.prefetched[index] = n;
  buffers.prefetchedFor[index] = reader.openSerial();
  if (n < reader.size()) reader.setPosition(0);
  return looksLikeTextBytes(buffer, n);
}

bool isLineBreak(uint8_t byte) { return byte == 13 || byte == 10; }

// Skips a run of line-break bytes (CR or LF, each perhaps followed by a zero byte, which
// lets UTF-16 line breaks through).
size_t skipLineBreaks(const uint8_t* bytes, size_t position, size_t size) {
  while (position < size && isLineBreak(bytes[position])) {
    ++position;
    if (position < size && bytes[position] == 0) ++position;
  }
  return position;
}

// True when the position lies at a line's edge: the start or end of the text, on a line
// break, or right after one (a UTF-16 break is followed by its zero byte). Only there may
// line breaks be skipped; a break that one side has inside a line is a difference.
bool atLineEdge(const uint8_t* bytes, size_t position, size_t size) {
  if (position == 0 || position == size || isLineBreak(bytes[position])) return true;
  if (isLineBreak(bytes[position - 1])) return true;
  return position >= 2 && bytes[position - 1] == 0 && isLineBreak(bytes[position - 2]);
}

bool rewind(ContentReader& reader) { return reader.position() == 0 || reader.setPosition(0); }

// Makes the first n bytes of the file sit in buffer, of which the first `have` are already
// there; one read request for the rest. Returns the count now in the buffer.
uint64_t readPrefix(ContentReader& reader, uint8_t* buffer, uint64_t have, uint64_t n) {
  if (have >= n) return n;
  if (!reader.setPosition(have)) return 0;
  const uint32_t got = reader.read(buffer + have, static_cast<uint32_t>(n - have));
  return have + got;
}

// The bytes read of one pair in the job's progress: published at a block's end, so a pair
// that fits in one block (nearly every pair) never touches the job's lock for it.
class PairBytes {
public:
  PairBytes(JobState& job, olstring_view name, uint64_t size) : m_job(job), m_name(name), m_size(size) {}
  ~PairBytes() {
    if (m_published) m_job.endPairBytes(this);
  }
  PairBytes(const PairBytes&) = delete;
  PairBytes& operator=(const PairBytes&) = delete;

  void blockRead(uint64_t position) {
    m_job.setPairBytes(this, m_name, position, m_size);
    m_published = true;
  }

private:
  JobState& m_job;
  olstring_view m_name;
  uint64_t m_size;
  bool m_published = false;
};

// Reads a piece of want bytes from each file at the same position. Both files have the
// size taken at open, so both must yield exactly this much; a shorter read is a read error
// or a file that shrank, and the same short count on both sides proves nothing about the
// bytes not read. On failure the explanation says which side, with compared bytes before.
bool readPieces(ContentReader& first, ContentReader& second, uint8_t* firstPiece, uint8_t* secondPiece, uint32_t want,
                uint64_t compared, ContentExplanation& explanation) {
  if (first.read(firstPiece, want) != want) {
    explanation.readFailed(0, compared);
    return false;
  }
  if (second.read(secondPiece, want) != want) {
    explanation.readFailed(1, compared);
    return false;
  }
  return true;
}

// Two pieces that differ, read from offset: records the first differing byte.
void pieceDiffers(ContentExplanation& explanation, const uint8_t* firstPiece, const uint8_t* secondPiece, uint32_t want,
                  uint64_t offset, uint64_t size) {
  const uint64_t at = offset + firstMismatch(firstPiece, secondPiece, want);
  explanation.differsAt(at, at, size, size);
}

// The sampled comparison of two files of the same size: blocks with gaps between them.
bool binaryCompare(CompareEngine& engine, ContentBuffers& buffers, ContentReader& first, ContentReader& second,
                   ContentExplanation& explanation, PairBytes& bytes) {
  const uint64_t blockSize = engine.settings.blockSize();
  const uint64_t size = first.size();
  const uint64_t stride = sampleStride(size, engine.options.autoSkip, blockSize);
  explanation.blocksTotal = (size + blockSize - 1) / blockSize;
  uint64_t compared = 0;
  uint64_t offset = 0;
  while (!first.atEnd() && !second.atEnd()) {
    if (offset != 0) bytes.blockRead(first.position());
    if (!engine.worker.checkpoint()) break;
    uint64_t blockRead = 0;
    while (blockRead < blockSize && !first.atEnd()) {
      const uint64_t at = first.position();
      const auto want = static_cast<uint32_t>(std::min<uint64_t>({kReadPiece, blockSize - blockRead, size - at}));
      if (!readPieces(first, second, buffers.first(), buffers.second(), want, compared, explanation)) return false;
      if (std::memcmp(buffers.first(), buffers.second(), want) != 0) {
        pieceDiffers(explanation, buffers.first(), buffers.second(), want, at, size);
        ++explanation.blocksCompared;
        const uint64_t upTo = compared + (explanation.firstDifference[0] - at) + 1;
        explanation.bytesCompared = {upTo, upTo};
        return false;
      }
      blockRead += want;
      compared += want;
    }
    ++explanation.blocksCompared;
    explanation.bytesCompared = {compared, compared};
    offset += blockRead;
    // No skip starts when fewer than two blocks remain, so the first block and the end of
    // the file are always read.
    if (stride != 0 && offset + 2 * blockSize <= size) {
      if (offset + stride * blockSize < size) {
        offset += stride * blockSize;
      } else {
        offset += (size - blockSize - offset) / blockSize * blockSize;
      }
      first.setPosition(std::min(offset, first.size()));
      second.setPosition(std::min(offset, second.size()));
    }
  }
  return first.atEnd() && second.atEnd();
}

enum class RawOutcome { equal, differs, failed };

// Compares two files of the same size in full, in pieces that stay in the processor's cache.
// The first `have` bytes of both already sit at the start of the buffers; they stay there,
// and the pieces go after the text probe's room, so that a text comparison that must follow
// a difference still finds them. Failed: a read error, a file that shrank, or a cancel.
RawOutcome rawCompare(CompareEngine& engine, ContentBuffers& buffers, ContentReader& first, ContentReader& second,
                      uint64_t have, ContentExplanation& explanation, PairBytes& bytes) {
  if (!engine.worker.checkpoint()) return RawOutcome::failed;
  const uint64_t size = first.size();
  have = std::min(have, size);
  if (have != 0 && std::memcmp(buffers.first(), buffers.second(), have) != 0) {
    pieceDiffers(explanation, buffers.first(), buffers.second(), static_cast<uint32_t>(have), 0, size);
    return RawOutcome::differs;
  }
  if (have == size) {
    explanation.bytesCompared = {size, size};
    return RawOutcome::equal;
  }
  if (!first.setPosition(have) || !second.setPosition(have)) return RawOutcome::failed;
  const uint64_t blockSize = engine.settings.blockSize();
  uint8_t* const pieces[2] = {buffers.first() + kTextProbeSize, buffers.second() + kTextProbeSize};
  uint64_t blockRead = have;
  while (!first.atEnd()) {
    if (blockRead >= blockSize) {
      bytes.blockRead(first.position());
      if (!engine.worker.checkpoint()) return RawOutcome::failed;
      blockRead = 0;
    }
    const uint64_t at = first.position();
    const auto want = static_cast<uint32_t>(std::min<uint64_t>(kReadPiece, size - at));
    if (!readPieces(first, second, pieces[0], pieces[1], want, at, explanation)) return RawOutcome::failed;
    if (std::memcmp(pieces[0], pieces[1], want) != 0) {
      pieceDiffers(explanation, pieces[0], pieces[1], want, at, size);
      return RawOutcome::differs;
    }
    blockRead += want;
  }
  explanation.bytesCompared = {size, size};
  return RawOutcome::equal;
}

}  // namespace

bool openContentReader(ContentReader& reader, const CompareItem& item, int side, const OpenFolders* folders,
                       olstring_view linkBoundary) {
  // Below an unpack folder a link is never followed by name: by path it is, while it stays
  // inside that folder.
  const auto links = linkBoundary.empty() ? ContentReader::Links::follow : ContentReader::Links::asText;
  // By name in the open folder first; whatever fails there (a link below an unpack folder
  // among others) is tried again by path, which also tells why it failed. Paths from a
  // listing are opened as they are: a name holding "%" is not a variable.
  // The folder's listing told the size and that it is a regular file: no status call again.
  const bool opened = folders != nullptr && folders->side[side].isOpen() &&
                      reader.openListed(folders->side[side], item.side[side].name,
                                        static_cast<uint64_t>(item.side[side].size), links);
  if (!opened && !reader.openWithin(itemPath(item, side), linkBoundary)) return false;
  if (reader.size() >= kSequentialHintSize) reader.adviseSequential();
  return true;
}

void ReaderThreads::start(int count, const std::function<void(ContentBuffers&)>& loop) {
  for (int i = 0; i < count; ++i) {
    auto buffers = std::make_unique<ContentBuffers>();
    auto thread = std::make_unique<platform::Thread>();
    ContentBuffers& own = *buffers;
    if (!thread->start([loop, &own] {
          loop(own);
          return 0u;
        })) {
      break;
    }
    m_buffers.push_back(std::move(buffers));
    m_threads.push_back(std::move(thread));
  }
}

bool ContentBuffers::ensure(uint64_t bytes) {
  if (m_capacity >= bytes && m_first && m_second) return true;
  m_first.reset();
  m_second.reset();
  m_capacity = 0;
  forgetPrefetched();
  // Page-aligned: the kernel copies into a page-aligned destination several times faster on
  // some processors than into one a few bytes off. Large blocks come as fresh pages that
  // cost memory only once they are touched.
  const uint64_t rounded = (bytes + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment;
  if (rounded < bytes || rounded > SIZE_MAX) return false;
  m_first.reset(static_cast<uint8_t*>(std::aligned_alloc(kBufferAlignment, static_cast<size_t>(rounded))));
  m_second.reset(static_cast<uint8_t*>(std::aligned_alloc(kBufferAlignment, static_cast<size_t>(rounded))));
  if (!m_first || !m_second) {
    m_first.reset();
    m_second.reset();
    return false;
  }
  m_capacity = bytes;
  return true;
}

uint64_t sampleStride(uint64_t size, bool autoSkip, uint64_t blockSize) {
  if (!autoSkip || blockSize == 0 || size <= blockSize) return 0;
  uint64_t m = size / kMebibyte - 1;
  int digits = 0;
  while (m != 0) {
    m /= 10;
    ++digits;
  }
  double factor = 1.0;
  for (int i = 0; i < digits; ++i) factor *= 0.5;
  const uint64_t remainder = size % blockSize;
  const uint64_t blocks = remainder != 0 ? (size - remainder - blockSize) / blockSize : size / blockSize;
  double wanted = static_cast<double>(blocks) * factor;
  uint64_t kept = static_cast<uint64_t>(wanted);
  if (static_cast<double>(kept) < wanted) ++kept;
  if (kept < 1) kept = 1;
  if (blocks == kept) return 0;
  // A file between one and two blocks long that is not a whole number of blocks counts as
  // sampled, although nothing in it is ever skipped.
  if (blocks == 0) return 1;
  const uint64_t stride = (blocks - kept) / kept;
  return stride == 0 ? 1 : stride;
}

bool looksLikeText(ContentReader& reader) {
  thread_local std::vector<uint8_t> scratch;
  if (reader.position() != 0 && !reader.setPosition(0)) return false;
  if (scratch.size() < kTextProbeSize) {
    try {
      scratch.resize(kTextProbeSize);
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  const uint32_t n = reader.read(scratch.data(), kTextProbeSize);
  reader.setPosition(0);
  return looksLikeTextBytes(scratch.data(), n);
}

bool textEqual(const uint8_t* first, size_t firstSize, const uint8_t* second, size_t secondSize,
               ContentExplanation* explanation) {
  size_t a = 0;
  size_t b = 0;
  const auto equal = [&] {
    if (explanation != nullptr) {
      // A byte compare before may have found where the bytes differ; as text they do not.
      explanation->differenceFound = false;
      explanation->firstDifference = {};
      explanation->line = {};
      explanation->bytesCompared = {firstSize, secondSize};
    }
    return true;
  };
  // Lines are counted only here, once the texts are known to differ, and the bytes the two
  // hold in common before the difference (most of them, as a rule) only once. The last two
  // of those are counted per side: a CR there looks at the bytes after it.
  const auto differs = [&] {
    if (explanation != nullptr) {
      explanation->differsAt(a, b, firstSize, secondSize);
      const size_t common = firstMismatch(first, second, std::min(a, b));
      const size_t shared = common >= 2 ? common - 2 : 0;
      const uint64_t before = 1 + lineEndsBetween(first, firstSize, 0, shared);
      explanation->line = {before + lineEndsBetween(first, firstSize, shared, a),
                           before + lineEndsBetween(second, secondSize, shared, b)};
    }
    return false;
  };
  for (;;) {
    const size_t same = firstMismatch(first + a, second + b, std::min(firstSize - a, secondSize - b));
    a += same;
    b += same;
    if (a == firstSize && b == secondSize) return equal();
    // A mismatch: one text ended while the other goes on, or the bytes differ.
    if (!atLineEdge(first, a, firstSize) || !atLineEdge(second, b, secondSize)) return differs();
    a = skipLineBreaks(first, a, firstSize);
    b = skipLineBreaks(second, b, secondSize);
    if (a == firstSize && b == secondSize) return equal();
    if (a == firstSize || b == secondSize) return differs();
    if (first[a] != second[b]) return differs();
    ++a;
    ++b;
  }
}

PrepareResult prepareContentCompare(CompareEngine& engine, const CompareItem& item, ContentMode& mode, ContentReader& first,
                                    ContentReader& second) {
  return prepareContentCompare(engine, engine.buffers, item, mode, first, second);
}

PrepareResult prepareContentCompare(CompareEngine& engine, ContentBuffers& buffers, const CompareItem& item,
                                    ContentMode& mode, ContentReader& first, ContentReader& second,
                                    const OpenFolders* folders, ContentExplanation* explanation) {
  mode = ContentMode::binary;
  buffers.forgetPrefetched();
  const SideInfo& side0 = item.side[0];
  const SideInfo& side1 = item.side[1];
  if (!side0.present() || !side1.present()) return PrepareResult::notApplicable;
  // A FIFO, socket or device is never opened (it could block or never end) and lists with
  // size 0; it must not pass as an empty file.
  if (((side0.attributes | side1.attributes) & platform::kAttributeSystem) != 0) return PrepareResult::different;
  if (side0.size == 0 && side1.size == 0) return PrepareResult::bothEmpty;
  for (int side = 0; side < 2; ++side) {
    if (openContentReader(side == 0 ? first : second, item, side, folders, engine.result.unpackFolder[side])) continue;
    if (explanation != nullptr) {
      explanation->way = ContentWay::notRead;
      explanation->readFailed(side, 0);
    }
    return PrepareResult::different;
  }

  const uint64_t blockSize = engine.settings.blockSize();
  const bool autoSkip = engine.options.autoSkip;
  const auto size0 = static_cast<uint64_t>(side0.size);
  const auto size1 = static_cast<uint64_t>(side1.size);
  if (engine.options.textMode && size0 <= blockSize && size1 <= blockSize) {
    // The buffers are needed by the comparison anyway; detection reads straight into them.
    buffers.ensure(blockSize);
    if (detectText(buffers, 0, first) && detectText(buffers, 1, second)) {
      mode = ContentMode::text;
      return PrepareResult::compare;
    }
  }
  if (sampleStride(size0, autoSkip, blockSize) != 0 || sampleStride(size1, autoSkip, blockSize) != 0) {
    mode = ContentMode::sampled;
  }
  return size0 == size1 ? PrepareResult::compare : PrepareResult::different;
}

bool compareContent(CompareEngine& engine, bool text, ContentReader& first, ContentReader& second) {
  return compareContent(engine, engine.buffers, text, first, second);
}

bool compareContent(CompareEngine& engine, ContentBuffers& buffers, bool text, ContentReader& first,
                    ContentReader& second, ContentExplanation* explanation, olstring_view name) {
  ContentExplanation unused;
  ContentExplanation& explain = explanation != nullptr ? *explanation : unused;
  const uint64_t blockSize = engine.settings.blockSize();
  const bool sampled = sampleStride(first.size(), engine.options.autoSkip, blockSize) != 0;
  explain.way = text ? ContentWay::text : sampled ? ContentWay::sampled : ContentWay::bytes;
  if (!buffers.ensure(blockSize)) {
    explain.reason = ContentReason::noMemory;
    return false;
  }
  // A read that comes up short tells a read error (which sets it) from a file that shrank.
  platform::setLastError(platform::kErrorSuccess);
  const uint64_t size0 = first.size();
  const uint64_t size1 = second.size();
  // What the text detection left in the buffers counts only for these very readers, and
  // only once.
  uint64_t have0 = first.openSerial() != 0 && buffers.prefetchedFor[0] == first.openSerial() ? buffers.prefetched[0] : 0;
  uint64_t have1 = second.openSerial() != 0 && buffers.prefetchedFor[1] == second.openSerial() ? buffers.prefetched[1] : 0;
  buffers.forgetPrefetched();
  if (size0 == 0 && size1 == 0) return true;

  PairBytes bytes(engine.job, name, size0);
  if (size0 == size1 && (text || !sampled)) {
    // Equal bytes are equal text as well: the line-break rule is needed only once the bytes
    // differ, which for most pairs they never do.
    const RawOutcome raw = rawCompare(engine, buffers, first, second, std::min(have0, have1), explain, bytes);
    if (raw == RawOutcome::equal) return true;
    if (raw == RawOutcome::failed || !text) return false;
  } else if (!text) {
    if (size0 != size1) return false;
    if (!rewind(first) || !rewind(second)) {
      explain.readFailed(first.position() == 0 ? 1 : 0, 0);
      return false;
    }
    return binaryCompare(engine, buffers, first, second, explain, bytes);
  }

  const uint64_t wanted0 = std::min(size0, buffers.capacity());
  const uint64_t wanted1 = std::min(size1, buffers.capacity());
  // A short read would compare only a part of the text: a failure, not a verdict.
  if (readPrefix(first, buffers.first(), have0, wanted0) != wanted0 || wanted0 == 0) {
    explain.readFailed(0, 0);
    return false;
  }
  if (readPrefix(second, buffers.second(), have1, wanted1) != wanted1 || wanted1 == 0) {
    explain.readFailed(1, 0);
    return false;
  }
  return textEqual(buffers.first(), wanted0, buffers.second(), wanted1, &explain);
}
