// What steers one compare: the user's choices for it (CompareOptions) and the engine's
// process-wide switches and limits (AdvancedSettings). Storing them is other code's job.
#pragma once

#include "foundation/olstring.h"

#include <cstdint>
#include <set>

struct CompareOptions {
  // Names are also compared with letter case; a pair differing only in case gets NameCase.
  // (Stored under the key "case".)
  bool compareCase = true;
  // Modification times are compared.
  bool modifyTime = false;
  // The read-only, hidden and system attributes are compared.
  bool attr = false;
  // Small text files are compared as text, ignoring line-ending differences.
  bool textMode = true;
  // Each root moves down a chain of single-entry folders.
  bool adjustPath = true;
  // Content is not read when a pair already differs, and large files are sampled.
  bool autoSkip = false;
  // Two file paths are compared as two files instead of being unpacked.
  bool forceFile = false;
  // What the compared trees' ignore files (".gitignore") leave out is not compared.
  // (Stored under the key "ignore_files".)
  bool ignoreFiles = false;
  // With modifyTime: times exactly one hour apart (within the tolerance) count as equal, as
  // a FAT drive's local times move by an hour across a daylight-saving change.
  bool ignoreHourShift = false;
  // With modifyTime: two times are equal when they differ by less than this many seconds;
  // 0 takes the step of the coarser side's file system instead.
  uint32_t timeTolerance = 0;
  olstring path0;
  olstring path1;
  // Space-separated patterns; double quotes keep spaces inside one pattern.
  olstring excludes;

  void reset() { *this = CompareOptions(); }
};

// The largest time tolerance taken, in seconds (one day).
constexpr uint32_t kMaxTimeTolerance = 86400;

struct AdvancedSettings {
  static constexpr uint32_t kDefaultTextModeMaxSize = 16u * 1024 * 1024;
  static constexpr uint32_t kMinTextModeMaxSize = 1u * 1024 * 1024;
  static constexpr uint32_t kMaxTextModeMaxSize = 256u * 1024 * 1024;

  // The settings file has been read (it is read at most once).
  bool loaded = false;
  // The platform's scroll bars replace the toolkit's own.
  bool noCustomScroll = false;
  // In bytes, always 1 to 256 MiB: the size limit of text comparison and the block size of
  // binary comparison.
  uint32_t textModeMaxSize = kDefaultTextModeMaxSize;
  // Lower-case extensions with their leading dot; such files are unpacked as archives.
  std::set<olstring> archiveExtensions{u".zip", u".7z", u".rar", u".cab", u".exe", u".gz", u".msu", u".iso"};
  // A gzip archive holding a tar archive is unpacked in one go.
  bool autoTarGz = false;
  // The differences-only list is flat instead of a tree.
  bool flatMode = false;
  // The default project is loaded at start and saved at exit.
  bool autoSaveLoad = false;

  // The block size of content comparison, clamped to the allowed range so that a bad value
  // can never make a zero-sized or huge buffer.
  uint64_t blockSize() const {
    if (textModeMaxSize < kMinTextModeMaxSize) return kMinTextModeMaxSize;
    if (textModeMaxSize > kMaxTextModeMaxSize) return kMaxTextModeMaxSize;
    return textModeMaxSize;
  }
};
