// Reading and comparing the content of two files: full binary, text (line breaks may
// differ) and sampled binary for large files.
#pragma once

#include "engine/CompareTree.h"
#include "engine/ContentExplanation.h"
#include "platform/ReadOnlyFile.h"
#include "platform/Thread.h"

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

struct CompareEngine;

// The reader of one side's file.
using ContentReader = platform::ReadOnlyFile;

// A pair of block buffers of one content reader (the worker and each helper reader have
// their own). Each grows to the block size before a comparison and is never shrunk.
class ContentBuffers {
public:
  // Makes both buffers at least `bytes` long (page-aligned; the content is
  // undefined). False when memory is short.
  bool ensure(uint64_t bytes);

  uint8_t* first() { return m_first.get(); }
  uint8_t* second() { return m_second.get(); }
  uint64_t capacity() const { return m_capacity; }

  // How many bytes from the start of each file of the current pair already sit at the start
  // of the buffers (read while detecting text), so that small files are read only once;
  // valid for the opening of the file recorded beside the count.
  uint64_t prefetched[2] = {0, 0};
  uint64_t prefetchedFor[2] = {0, 0};
  void forgetPrefetched() {
    prefetched[0] = prefetched[1] = 0;
    prefetchedFor[0] = prefetchedFor[1] = 0;
  }

private:
  struct FreeDeleter {
    void operator()(uint8_t* block) const { std::free(block); }
  };
  std::unique_ptr<uint8_t, FreeDeleter> m_first;
  std::unique_ptr<uint8_t, FreeDeleter> m_second;
  uint64_t m_capacity = 0;
};

// Helper threads that read pairs, each with block buffers of its own.
class ReaderThreads {
public:
  // Starts up to count threads, each running loop on its own buffers; where one cannot be
  // started, the caller works on with those that were.
  void start(int count, const std::function<void(ContentBuffers&)>& loop);
  bool empty() const { return m_threads.empty(); }
  size_t size() const { return m_threads.size(); }
  // Waits for each thread's end (the caller has told them to stop), then frees the buffers.
  void join() {
    m_threads.clear();
    m_buffers.clear();
  }

private:
  std::vector<std::unique_ptr<ContentBuffers>> m_buffers;
  std::vector<std::unique_ptr<platform::Thread>> m_threads;
};

// The folders of a pair of files, held open on both sides (either may have failed to open),
// so that the pair is opened by name; a file the open folder does not give is opened by its
// path.
struct OpenFolders {
  platform::OpenFolder side[2];
};

// Opens one side's file of an item for reading, by name in the open folder when given, else
// by its path; below the folder of an unpacked archive (linkBoundary) a link is followed
// only while it stays inside it. False with the last error set when it cannot be opened.
bool openContentReader(ContentReader& reader, const CompareItem& item, int side, const OpenFolders* folders,
                       olstring_view linkBoundary);

enum class PrepareResult {
  notApplicable = 0,  // the file is missing on one side
  compare = 1,        // the content must be read
  different = 2,      // known to differ without reading
  bothEmpty = 3,      // both files have size 0
};

// Decides whether the pair's content must be read and how; opens both readers on the
// item's full paths (by name in folders when given). A file that cannot be opened, or a
// special file (FIFO, socket, device), makes the pair different; a file that cannot be
// opened is recorded in the explanation when one is given. Without buffers, the worker's
// own are used.
PrepareResult prepareContentCompare(CompareEngine& engine, ContentBuffers& buffers, const CompareItem& item,
                                    ContentMode& mode, ContentReader& first, ContentReader& second,
                                    const OpenFolders* folders = nullptr, ContentExplanation* explanation = nullptr);
PrepareResult prepareContentCompare(CompareEngine& engine, const CompareItem& item, ContentMode& mode, ContentReader& first,
                                    ContentReader& second);

// True when the content counts as equal; false when it differs, cannot be read, or the job
// was cancelled before both files were read to their end. The buffers must be those the
// pair was prepared with. What decided it goes into the explanation when one is given. A pair
// larger than one block publishes its bytes read under its name in the job's progress, once
// per block (JobState::setPairBytes).
bool compareContent(CompareEngine& engine, ContentBuffers& buffers, bool text, ContentReader& first,
                    ContentReader& second, ContentExplanation* explanation = nullptr, olstring_view name = {});
bool compareContent(CompareEngine& engine, bool text, ContentReader& first, ContentReader& second);

// True when the file's first 64 KiB hold no zero 16-bit word (8-bit or UTF-16 text).
// Leaves the reader at position 0.
bool looksLikeText(ContentReader& reader);

// How many blocks to skip after each compared block of a file of this size; 0 means the
// file is read in full.
uint64_t sampleStride(uint64_t size, bool autoSkip, uint64_t blockSize);

// The text rule on two byte ranges: equal when they differ only in runs of line breaks
// (CR, LF, each optionally followed by a zero byte) where a line ends on both sides (or
// before the first line or after the last). A line break inside a line is a difference.
// The explanation, when given, gets the bytes compared and, for a difference, where the
// texts disagree and on which lines.
bool textEqual(const uint8_t* first, size_t firstSize, const uint8_t* second, size_t secondSize,
               ContentExplanation* explanation = nullptr);
