#include "engine/ListingSource.h"

#include "engine/CompareEngine.h"
#include "foundation/LanguageKeys.h"
#include "platform/Error.h"
#include "platform/FolderListing.h"

#include <algorithm>
#include <memory>
#include <numeric>

namespace {

constexpr uint64_t kTicksPerSecond = 10000000;

// The attribute bits the folder listing of the saving machine gave the entry (see
// platform/FolderListing.h), made again from what the listing keeps.
uint32_t listedAttributes(const ListingEntry& entry, olstring_view name) {
  if (entry.dangling) return 0;
  uint32_t attributes = 0;
  if (entry.kind == ListedKind::folder) attributes |= platform::kAttributeDirectory;
  if (entry.kind == ListedKind::special) attributes |= platform::kAttributeSystem;
  constexpr uint32_t kOwnerWrite = 0200;
  if ((entry.mode & kOwnerWrite) == 0) attributes |= platform::kAttributeReadOnly;
  if (!name.empty() && name.front() == u'.') attributes |= platform::kAttributeHidden;
  return attributes;
}

bool isExcludedName(const ExcludeSet& excludes, olstring_view name) {
  for (const auto& [pattern, info] : excludes) {
    if (matchesExclude(name, pattern, info.isWildcard)) return true;
  }
  return false;
}

// Reads the listing's items into one side of the tree, a folder's entries at a time: the
// listing gives each folder's entries one after the other, and they pair with the other
// side as the entries of a listed folder do.
class ListingLoader {
public:
  ListingLoader(CompareEngine& engine, int side, const ExcludeSet& excludes, ListingReader& reader)
      : m_engine(engine), m_side(side), m_excludes(excludes), m_reader(reader) {}

  bool load() {
    ListingEntry entry;
    while (m_reader.next(entry)) {
      if (!m_engine.worker.checkpoint()) return false;
      if (!take(entry)) return false;
    }
    if (m_reader.problem().fault == ListingFault::unreadable) return false;
    // The last folder's entries lie before whatever ended the reading: a problem with them
    // is the first one.
    const bool flushed = flush();
    return flushed && m_reader.problem().fault == ListingFault::none;
  }

private:
  struct Extra {
    uint64_t line = 0;
    bool hasDigest = false;
    Sha256Digest digest;
  };

  bool take(const ListingEntry& entry) {
    const size_t slash = entry.path.rfind(u'/');
    const olstring_view folder = slash == olstring::npos ? olstring_view() : olstring_view(entry.path).substr(0, slash);
    const olstring_view name = slash == olstring::npos ? olstring_view(entry.path) : olstring_view(entry.path).substr(slash + 1);
    if (!m_started || folder != m_folder) {
      if (!flush() || !startGroup(folder, entry.line)) return false;
    }
    // Below an excluded folder, and excluded names, are left out as a scan leaves them out.
    if (m_folderExcluded || isExcludedName(m_excludes, name)) return true;
    m_engine.job.setText(lang::progress::kPrepare, name);
    platform::FolderEntry& listed = m_entries.emplace_back();
    listed.name.assign(name);
    listed.size = entry.kind == ListedKind::file ? entry.size : 0;
    listed.writeTime = entry.modified / kTicksPerSecond * kTicksPerSecond;
    listed.writeNanoseconds = entry.nanoseconds;
    listed.attributes = listedAttributes(entry, name);
    listed.isLink = entry.isLink;
    listed.leadsOut = entry.leadsOut;
    m_extras.push_back(Extra{entry.line, entry.hasDigest, entry.digest});
    return true;
  }

  bool startGroup(olstring_view folder, uint64_t line) {
    m_started = true;
    m_folder.assign(folder);
    m_folderExcluded = false;
    m_folderItem = &m_engine.result.root;
    size_t start = 0;
    while (start < folder.size()) {
      const size_t slash = std::min(folder.find(u'/', start), folder.size());
      const olstring_view name = folder.substr(start, slash - start);
      if (isExcludedName(m_excludes, name)) {
        m_folderExcluded = true;
        return true;
      }
      CompareItem* child = findChildOnSide(*m_folderItem, m_side, name);
      if (child == nullptr || !child->side[m_side].isFolder()) {
        return m_reader.fail(ListingFault::noFolder, line, m_folder);
      }
      m_folderItem = child;
      start = slash + 1;
    }
    return true;
  }

  // Adds the entries gathered for one folder.
  bool flush() {
    if (m_entries.empty()) return true;
    if (!checkRepeats()) return false;
    bool stored = true;
    CompareResult& result = m_engine.result;
    const bool added = addFolderEntries(m_engine, *m_folderItem, m_side, m_entries, [&](CompareItem& child, size_t i) {
      if (m_extras[i].hasDigest) stored = result.hashes.set(child, m_side, m_extras[i].digest) && stored;
    });
    m_entries.clear();
    m_extras.clear();
    if (!stored) m_engine.job.setError(platform::kErrorNotEnoughMemory, {});
    return added && stored;
  }

  // A path given twice, in this group or in an earlier one for the same folder.
  bool checkRepeats() {
    std::vector<size_t> order(m_entries.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [this](size_t a, size_t b) { return m_entries[a].name < m_entries[b].name; });
    for (size_t k = 0; k < order.size(); ++k) {
      const size_t i = order[k];
      const bool again = k > 0 && m_entries[order[k - 1]].name == m_entries[i].name;
      if (again || findChildOnSide(*m_folderItem, m_side, m_entries[i].name) != nullptr) {
        const uint64_t line = again ? std::max(m_extras[i].line, m_extras[order[k - 1]].line) : m_extras[i].line;
        const olstring path = m_folder.empty() ? m_entries[i].name : m_folder + u"/" + m_entries[i].name;
        return m_reader.fail(ListingFault::repeatedPath, line, path);
      }
    }
    return true;
  }

  CompareEngine& m_engine;
  int m_side;
  const ExcludeSet& m_excludes;
  ListingReader& m_reader;
  bool m_started = false;
  olstring m_folder;
  CompareItem* m_folderItem = nullptr;
  bool m_folderExcluded = false;
  std::vector<platform::FolderEntry> m_entries;
  std::vector<Extra> m_extras;
};

void recordProblem(CompareEngine& engine, olstring_view path, const ListingProblem& problem) {
  if (problem.fault == ListingFault::unreadable) {
    engine.job.setError(problem.error, path);
    return;
  }
  engine.job.setError(kErrorBadListing, path, errorText(kErrorBadListing) + u": " + listingProblemText(problem));
}

}  // namespace

olstring listingProblemText(const ListingProblem& problem) {
  namespace keys = lang::listing;
  const LanguageKey* key = nullptr;
  switch (problem.fault) {
    case ListingFault::none: return {};
    case ListingFault::unreadable: return errorText(problem.error);
    case ListingFault::notJson: key = &keys::kNotJson; break;
    case ListingFault::tooLong: key = &keys::kTooLong; break;
    case ListingFault::unknownType: key = &keys::kUnknownType; break;
    case ListingFault::unknownFormat: key = &keys::kUnknownFormat; break;
    case ListingFault::badMember: key = &keys::kBadMember; break;
    case ListingFault::badPath: key = &keys::kBadPath; break;
    case ListingFault::repeatedPath: key = &keys::kRepeatedPath; break;
    case ListingFault::noHash: key = &keys::kNoHash; break;
    case ListingFault::noFolder: key = &keys::kNoFolder; break;
    case ListingFault::incomplete: key = &keys::kIncomplete; break;
    case ListingFault::truncated: key = &keys::kTruncated; break;
    case ListingFault::afterSummary: key = &keys::kAfterSummary; break;
    case ListingFault::countMismatch: key = &keys::kCountMismatch; break;
  }
  return langText(*key, fromUtf8(std::to_string(problem.line)), problem.detail);
}

bool loadListingSide(CompareEngine& engine, int side, olstring_view listingPath, const ExcludeSet& excludes) {
  ListingReader reader;
  if (!reader.open(listingPath)) {
    recordProblem(engine, listingPath, reader.problem());
    return false;
  }
  const ListingHeader& header = reader.header();
  auto origin = std::make_shared<ListingOrigin>();
  origin->file.assign(listingPath);
  origin->host = header.host;
  origin->root = header.root;
  origin->started = header.started;
  engine.result.listing[side] = std::move(origin);

  ListingLoader loader(engine, side, excludes, reader);
  if (loader.load()) return true;
  // A cancel is the job's to report; anything else is the listing's.
  if (reader.problem().fault != ListingFault::none) recordProblem(engine, listingPath, reader.problem());
  return false;
}
