#include "engine/ContentExplanation.h"

#include "engine/CompareTree.h"
#include "platform/Error.h"
#include "platform/FolderListing.h"

#include <algorithm>

namespace {

constexpr uint32_t kOtherDifferences = ItemFlags::kNameCase | ItemFlags::kTimeDiffers | ItemFlags::kAttrDiffers;

ContentWay wayOf(ContentMode mode) {
  switch (mode) {
    case ContentMode::text: return ContentWay::text;
    case ContentMode::sampled: return ContentWay::sampled;
    case ContentMode::hashed: return ContentWay::hash;
    case ContentMode::binary: break;
  }
  return ContentWay::bytes;
}

ContentExplanation notRead(ContentReason reason) {
  ContentExplanation explanation;
  explanation.way = ContentWay::notRead;
  explanation.reason = reason;
  return explanation;
}

}  // namespace

bool ContentExplanation::isTrouble() const {
  return reason == ContentReason::unreadable || reason == ContentReason::changed || reason == ContentReason::noMemory ||
         reason == ContentReason::notHashed;
}

void ContentExplanation::readFailed(int failedSide, uint64_t compared) {
  const uint32_t error = platform::lastError();
  reason = error != platform::kErrorSuccess ? ContentReason::unreadable : ContentReason::changed;
  errorCode = error;
  side = static_cast<int8_t>(failedSide);
  bytesCompared = {compared, compared};
}

void ContentExplanation::differsAt(uint64_t first, uint64_t second, uint64_t firstSize, uint64_t secondSize) {
  differenceFound = true;
  firstDifference = {first, second};
  bytesCompared = {std::min(first + 1, firstSize), std::min(second + 1, secondSize)};
}

void ContentExplanations::keep(const CompareItem& item, const ContentExplanation& explanation) {
  std::lock_guard<std::mutex> lock(m_lock);
  const auto [where, added] = m_kept.insert_or_assign(&item, explanation);
  (void)where;
  if (added && explanation.isTrouble()) ++m_trouble;
}

bool ContentExplanations::find(const CompareItem& item, ContentExplanation& explanation) const {
  std::lock_guard<std::mutex> lock(m_lock);
  const auto found = m_kept.find(&item);
  if (found == m_kept.end()) return false;
  explanation = found->second;
  return true;
}

void ContentExplanations::clear() {
  std::lock_guard<std::mutex> lock(m_lock);
  // The memory goes too: a huge compare's differences must not weigh on the next one.
  std::unordered_map<const CompareItem*, ContentExplanation>().swap(m_kept);
  m_trouble = 0;
}

int64_t ContentExplanations::troubleCount() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_trouble;
}

size_t ContentExplanations::size() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_kept.size();
}

ContentExplanation impliedExplanation(const CompareResult& result, const CompareItem& item) {
  const SideInfo& first = item.side[0];
  const SideInfo& second = item.side[1];
  const uint32_t flags = item.flags;
  // In the order the compare job decides: a special file and a size tell before the quick
  // compare looks at the other differences, and only a text compare reads files whose sizes
  // differ.
  if (((first.attributes | second.attributes) & platform::kAttributeSystem) != 0) {
    return notRead(ContentReason::specialFile);
  }
  const bool differs = (flags & ItemFlags::kContentDiffers) != 0;
  if (differs && first.size != second.size && item.contentMode != ContentMode::text) {
    return notRead(ContentReason::sizesDiffer);
  }
  if (!differs && result.options.autoSkip && (flags & kOtherDifferences) != 0) {
    return notRead(ContentReason::alreadyDiffers);
  }
  ContentExplanation explanation;
  explanation.way = wayOf(item.contentMode);
  for (int side = 0; side < 2; ++side) {
    // A side from a listing gives its hash; nothing of it is read.
    const bool read = explanation.way != ContentWay::hash || !result.isListing(side);
    explanation.bytesCompared[side] = read && item.side[side].size > 0 ? static_cast<uint64_t>(item.side[side].size) : 0;
  }
  return explanation;
}

void recordExplanation(CompareResult& result, const CompareItem& item, const ContentExplanation& explanation) {
  if (explanation == impliedExplanation(result, item)) return;
  result.explanations.keep(item, explanation);
}

ContentExplanation explainContent(const CompareResult& result, const CompareItem& item) {
  ContentExplanation explanation;
  if (result.explanations.find(item, explanation)) return explanation;
  return impliedExplanation(result, item);
}

uint64_t lineEndsBetween(const uint8_t* bytes, uint64_t size, uint64_t from, uint64_t to) {
  to = std::min(to, size);
  uint64_t ends = 0;
  uint64_t i = from;
  // Whole chunks with two bytes after them, counted without a branch so that the compiler
  // can count many bytes at a time: only pairs that differ come here, but a pair that
  // differs late in a large text must not cost more than reading it did. The counts of a
  // chunk fit in a byte each.
  constexpr uint64_t kChunk = 128;
  for (; i + kChunk <= to && i + kChunk + 2 <= size; i += kChunk) {
    const uint8_t* chunk = bytes + i;
    uint8_t lf = 0;
    uint8_t cr = 0;
    uint8_t crlf = 0;
    for (uint64_t j = 0; j < kChunk; ++j) {
      const bool isCr = chunk[j] == '\r';
      lf += static_cast<uint8_t>(chunk[j] == '\n');
      cr += static_cast<uint8_t>(isCr);
      crlf += static_cast<uint8_t>(isCr & ((chunk[j + 1] == '\n') | ((chunk[j + 1] == 0) & (chunk[j + 2] == '\n'))));
    }
    ends += static_cast<uint64_t>(lf) + cr - crlf;
  }
  for (; i < to; ++i) {
    if (bytes[i] == '\n') {
      ++ends;
    } else if (bytes[i] == '\r') {
      uint64_t next = i + 1;
      if (next < size && bytes[next] == 0) ++next;
      if (next >= size || bytes[next] != '\n') ++ends;
    }
  }
  return ends;
}

uint64_t lineAt(const uint8_t* bytes, uint64_t size, uint64_t position) {
  return 1 + lineEndsBetween(bytes, size, 0, position);
}
