// Reading the ignore files folder by folder and keeping, per folder and side, the layers in
// force there, so that each entry is matched without building anything but its path.

#include "engine/IgnoreFiles.h"

#include "engine/CompareJob.h"
#include "foundation/Paths.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Path.h"

#include <algorithm>
#include <utility>

namespace {

constexpr olstring_view kIgnoreFileName = u".gitignore";
constexpr olstring_view kRepositoryFolderName = u".git";
constexpr olstring_view kRepositoryExcludeFile = u"info/exclude";

}  // namespace

bool IgnoreFiles::fail(uint32_t code, olstring_view path) {
  m_error = code;
  m_errorPath.assign(path);
  return false;
}

std::shared_ptr<const IgnoreRules> IgnoreFiles::rulesOf(const std::string& text) {
  auto& parsed = m_parsed[text];
  if (!parsed) {
    IgnoreRules fresh = IgnoreRules::parse(text);
    if (!fresh.empty()) parsed = std::make_shared<const IgnoreRules>(std::move(fresh));
  }
  return parsed;
}

bool IgnoreFiles::readRules(olstring_view path, platform::ReadOnlyFile::Links links, bool missingIsEmpty,
                            std::shared_ptr<const IgnoreRules>& rules) {
  rules.reset();
  platform::ReadOnlyFile file;
  if (!file.open(path, links)) {
    const uint32_t error = platform::lastError();
    const bool missing = error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound;
    return (missing && missingIsEmpty) || fail(error, path);
  }
  std::string text(static_cast<size_t>(file.size()), '\0');
  size_t got = 0;
  while (got < text.size()) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(text.size() - got, 1u << 30));
    platform::setLastError(platform::kErrorSuccess);
    const uint32_t read = file.read(text.data() + got, chunk);
    if (read == 0) {
      // A file that shrank since its size was taken ends early; anything else is an error.
      if (platform::lastError() != platform::kErrorSuccess) return fail(platform::lastError(), path);
      text.resize(got);
      break;
    }
    got += read;
  }
  rules = rulesOf(text);
  return true;
}

void IgnoreFiles::noteEntry(const platform::FolderEntry& entry) {
  Noted* noted = nullptr;
  if (entry.name == kIgnoreFileName) noted = &m_ignoreFile;
  if (entry.name == kRepositoryFolderName) noted = &m_repository;
  if (noted != nullptr) *noted = {true, (entry.attributes & platform::kAttributeDirectory) != 0, entry.isLink};
}

bool IgnoreFiles::enterFolder(const CompareItem& folder, int side, olstring_view folderPath) {
  const Noted ignoreFile = std::exchange(m_ignoreFile, {});
  const Noted repository = std::exchange(m_repository, {});
  m_current = nullptr;
  m_excluded = false;
  std::shared_ptr<const IgnoreLayer> layer;
  if (folder.parent == nullptr) {
    if (repository.present && repository.isFolder) {
      std::shared_ptr<const IgnoreRules> rules;
      const olstring excludePath = joinPath(joinPath(folderPath, kRepositoryFolderName), kRepositoryExcludeFile);
      // Version control follows a link here: the file is the repository's own, not the
      // tree's. An unpacked archive's is never read through a link.
      const bool followLinks = !m_unpacked[side];
      if (!followLinks && platform::isSymbolicLink(excludePath)) return fail(kErrorIgnoreFileIsLink, excludePath);
      const auto links = followLinks ? platform::ReadOnlyFile::Links::follow : platform::ReadOnlyFile::Links::asText;
      if (!readRules(excludePath, links, /*missingIsEmpty=*/true, rules)) return false;
      if (rules) layer = std::make_shared<IgnoreLayer>(IgnoreLayer{std::move(rules), 0, nullptr});
    }
  } else if (folder.side[side].ignored) {
    m_excluded = true;
    return true;
  } else if (const auto above = m_layers.find(folder.parent); above != m_layers.end()) {
    layer = above->second[side];
  }

  m_path = toUtf8(itemRelativePath(folder, side));
  if constexpr (platform::kPathSeparator != u'/') {
    for (char& byte : m_path) byte = byte == static_cast<char>(platform::kPathSeparator) ? '/' : byte;
  }
  m_folderLength = m_path.size();

  if (ignoreFile.present) {
    const olstring path = joinPath(folderPath, kIgnoreFileName);
    // Version control does not follow such a link (it might lead anywhere); its rules are
    // unknown, and taking none would show what it leaves out.
    if (ignoreFile.isLink) return fail(kErrorIgnoreFileIsLink, path);
    // A folder of that name holds no rules, there as here.
    if (!ignoreFile.isFolder) {
      // Never through a link, not even one put there since the listing.
      std::shared_ptr<const IgnoreRules> rules;
      if (!readRules(path, platform::ReadOnlyFile::Links::asText, /*missingIsEmpty=*/false, rules)) return false;
      if (rules) layer = std::make_shared<IgnoreLayer>(IgnoreLayer{std::move(rules), m_folderLength, layer});
    }
  }
  m_current = layer.get();
  m_layers[&folder][side] = std::move(layer);
  return true;
}

bool IgnoreFiles::ignores(olstring_view name, bool isFolder) {
  if (m_excluded) return true;
  if (m_current == nullptr) return false;
  m_path.resize(m_folderLength);
  if (m_folderLength != 0) m_path += '/';
  platform::appendAsUtf8(m_path, name);
  return isIgnoredBy(m_current, m_path, isFolder);
}
