#include "engine/HashedContent.h"

#include "engine/CompareEngine.h"
#include "platform/Error.h"
#include "platform/FolderListing.h"

#include <algorithm>

namespace {

// Pieces of this size stay in the processor's cache while they are hashed.
constexpr size_t kHashPiece = 256 * 1024;
// How often the hashing of a large file asks whether to go on.
constexpr uint64_t kCheckEvery = 16 * 1024 * 1024;

}  // namespace

bool comparesByHash(const CompareResult& result) { return result.isListing(0) || result.isListing(1); }

PrepareResult prepareHashedCompare(const CompareItem& item, ContentMode& mode) {
  mode = ContentMode::binary;
  const SideInfo& side0 = item.side[0];
  const SideInfo& side1 = item.side[1];
  if (!side0.present() || !side1.present()) return PrepareResult::notApplicable;
  // A FIFO, socket or device has no content to compare, on the disk or in a listing.
  if (((side0.attributes | side1.attributes) & platform::kAttributeSystem) != 0) return PrepareResult::different;
  mode = ContentMode::hashed;
  if (side0.size == 0 && side1.size == 0) return PrepareResult::bothEmpty;
  return side0.size == side1.size ? PrepareResult::compare : PrepareResult::different;
}

bool hashFile(ContentReader& reader, uint8_t* buffer, size_t bufferSize, const std::function<bool()>& keepGoing,
              Sha256Digest& digest) {
  if (buffer == nullptr || bufferSize == 0) return false;
  const auto piece = static_cast<uint32_t>(std::min(bufferSize, kHashPiece));
  Sha256 hash;
  uint64_t sinceCheck = 0;
  if (reader.position() != 0 && !reader.setPosition(0)) return false;
  while (!reader.atEnd()) {
    if (sinceCheck >= kCheckEvery) {
      if (!keepGoing()) return false;
      sinceCheck = 0;
    }
    const auto want = static_cast<uint32_t>(std::min<uint64_t>(piece, reader.size() - reader.position()));
    // The size was taken at open: a shorter read is a read error or a file that shrank.
    if (reader.read(buffer, want) != want) return false;
    hash.update(buffer, want);
    sinceCheck += want;
  }
  return keepGoing() && hash.finish(digest);
}

bool compareByHash(CompareEngine& engine, ContentBuffers& buffers, const CompareItem& item, const OpenFolders* folders,
                   ContentExplanation* explanation) {
  ContentExplanation unused;
  ContentExplanation& explain = explanation != nullptr ? *explanation : unused;
  explain.way = ContentWay::hash;
  const CompareResult& result = engine.result;
  const Sha256Digest* listed[2] = {result.hashes.find(item, 0), result.hashes.find(item, 1)};
  // A listed file without a hash could not be read when the listing was saved.
  for (int side = 0; side < 2; ++side) {
    if (result.isListing(side) && listed[side] == nullptr) {
      explain.reason = ContentReason::notHashed;
      explain.side = static_cast<int8_t>(side);
      return false;
    }
  }
  if (result.isListing(0) && result.isListing(1)) return *listed[0] == *listed[1];
  const int live = result.isListing(0) ? 1 : 0;
  const Sha256Digest* expected = listed[1 - live];
  ContentReader reader;
  if (!openContentReader(reader, item, live, folders, result.unpackFolder[live])) {
    explain.readFailed(live, 0);
    return false;
  }
  // Grown or shrunk since it was listed: different, whatever its first bytes hold.
  if (reader.size() != static_cast<uint64_t>(item.side[live].size)) {
    explain.reason = ContentReason::changed;
    explain.side = static_cast<int8_t>(live);
    return false;
  }
  if (!buffers.ensure(std::min<uint64_t>(kHashPiece, engine.settings.blockSize()))) {
    explain.reason = ContentReason::noMemory;
    return false;
  }
  Sha256Digest digest;
  // A read that comes up short tells a read error (which sets it) from a file that shrank.
  platform::setLastError(platform::kErrorSuccess);
  const bool hashed = hashFile(reader, buffers.first(), static_cast<size_t>(buffers.capacity()),
                               [&engine] { return engine.worker.checkpoint(); }, digest);
  if (!hashed) {
    explain.readFailed(live, 0);
    return false;
  }
  explain.bytesCompared[live] = reader.size();
  return digest == *expected;
}
