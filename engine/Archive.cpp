// Archive work area and unpacking through 7-Zip.

#include "engine/Archive.h"

#include "engine/CompareTree.h"
#include "foundation/Paths.h"
#include "foundation/TextFile.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/FolderListing.h"
#include "platform/Locale.h"
#include "platform/Path.h"
#include "platform/Process.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <utility>

using platform::kPathSeparator;

namespace {

bool endsWithIgnoringAsciiCase(olstring_view text, olstring_view ending) {
  if (ending.empty() || text.size() < ending.size()) return false;
  return lowerCaseCopy(text.substr(text.size() - ending.size())) == lowerCaseCopy(ending);
}

olstring decodeOutput(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) >= 0x80) continue;
    if (i + 1 < bytes.size() && bytes[i + 1] == '\0') {
      olstring text;
      for (size_t k = 0; k + 1 < bytes.size(); k += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[k]) | static_cast<unsigned char>(bytes[k + 1]) << 8);
      }
      return text;
    }
    break;
  }
  return fromUtf8(bytes);
}

std::vector<platform::FolderEntry> listEntries(olstring_view folder) {
  std::vector<platform::FolderEntry> entries;
  platform::FolderListing listing;
  if (!listing.open(folder, platform::LinkPolicy::listAsFile)) return entries;
  platform::FolderEntry entry;
  while (listing.next(entry)) entries.push_back(std::move(entry));
  return entries;
}

}  // namespace

ArchiveWorkArea::~ArchiveWorkArea() { m_lock.release(/*deleteFile=*/true); }

void ArchiveWorkArea::prepare() {
  prepareWorkFolder();
  m_sevenZipPath = locateSevenZip();
}

olstring ArchiveWorkArea::parentFolderCandidate(bool make) {
  const olstring temp = expandPath(u"%temp%");
  // A shared temporary folder is open to everyone: only a folder that is ours alone may
  // hold what we unpack, or another user could swap files under the compare.
  for (const olstring& name : {olstring(u"Mirrane"), u"Mirrane-" + fromUtf8(std::to_string(platform::currentUserId()))}) {
    const olstring folder = joinPath(temp, name);
    if (make ? platform::preparePrivateFolder(folder) : platform::isPrivateFolder(folder)) return folder;
  }
  return {};
}

bool ArchiveWorkArea::prepareWorkFolder() {
  if (m_folderMade) return true;
  m_parentFolder = parentFolderCandidate(/*make=*/true);
  if (m_parentFolder.empty()) return false;
  const olstring name = kWorkFolderPrefix + fromUtf8(std::to_string(platform::currentProcessId()));
  m_workFolder = makeUniquePath(joinPath(m_parentFolder, name), /*keepExtension=*/false);
  if (!createFolders(m_workFolder)) return false;
  m_lock.acquire(joinPath(m_workFolder, kLockFileName));
  m_folderMade = true;
  return true;
}

olstring ArchiveWorkArea::prepareArchive(olstring_view archivePath, bool autoTarGz, const StopRequest& shouldStop,
                                         UnpackFailure* failure, const UnpackStep& onStep) {
  UnpackFailure ignored;
  UnpackFailure& reason = failure != nullptr ? *failure : ignored;
  reason = UnpackFailure::failed;
  if (m_sevenZipPath.empty() || pathType(archivePath) != PathType::file || !prepareWorkFolder()) return {};
  const olstring name(fileNamePart(archivePath));
  if (name.empty()) return {};
  const olstring outputFolder = makeUniquePath(joinPath(m_workFolder, name), /*keepExtension=*/false);
  m_stepLog.clear();
  if (onStep) onStep(name);
  olstring folder;
  if (extractArchive(outputFolder, archivePath, shouldStop, &reason)) {
    folder = autoTarGz ? tarStep(archivePath, outputFolder, shouldStop, &reason, onStep) : outputFolder;
  }
  m_stepLog.clear();
  return folder;
}

olstring ArchiveWorkArea::tarStep(olstring_view archivePath, const olstring& outputFolder, const StopRequest& shouldStop,
                                  UnpackFailure* failure, const UnpackStep& onStep) {
  // A name that says "compressed tar" must give one; any other ".gz" may hold a single file,
  // which is then compared as it is.
  const bool tarball = isCompressedTarPath(archivePath);
  if (!tarball && !endsWithIgnoringAsciiCase(archivePath, u".gz")) return outputFolder;
  const auto entries = listEntries(outputFolder);
  if (entries.size() != 1 || (entries[0].attributes & platform::kAttributeDirectory) != 0 || entries[0].isLink) {
    return outputFolder;
  }
  const olstring tarName = entries[0].name;
  const olstring tarPath = joinPath(outputFolder, tarName);
  if (!tarball) {
    // Where a tar header keeps its magic; a file too short to hold it is no tar. (For a
    // tarball, 7-Zip decides, and says why in the log.)
    olfile file;
    uint8_t magic[8];
    if (!file.openForReading(tarPath) || !file.setPosition(257) || file.read(magic, 8) != 8) return outputFolder;
  }
  const olstring renamed = makeUniquePath(tarPath, /*keepExtension=*/true);
  if (!platform::renamePath(tarPath, renamed)) {
    if (!tarball) return outputFolder;
    *failure = UnpackFailure::failed;
    writeLog();
    deleteFolder(outputFolder);
    return {};
  }
  if (onStep) onStep(tarName);
  if (extractArchive(tarPath, renamed, shouldStop, failure)) {
    platform::deletePath(renamed);
    return tarPath;
  }
  // Showing the tar file instead would misreport a tarball that is damaged or did not fit.
  if (tarball || *failure == UnpackFailure::noRoom) {
    deleteFolder(outputFolder);
    return {};
  }
  platform::renamePath(renamed, tarPath);
  *failure = UnpackFailure::none;
  return outputFolder;
}

bool ArchiveWorkArea::hasRoomFor(uint64_t bytes) const {
  uint64_t available = 0;
  uint64_t total = 0;
  if (!platform::fileSystemSpace(m_workFolder, &available, &total)) return true;
  constexpr uint64_t kMostReserved = uint64_t{1} << 30;
  const uint64_t reserve = m_spaceReserve.value_or(std::min(total / 20, kMostReserved));
  return available > reserve && bytes <= available - reserve;
}

bool ArchiveWorkArea::declaredSize(olstring_view archivePath, const StopRequest& shouldStop, uint64_t* size) const {
  const std::vector<olstring> arguments = {m_sevenZipPath, u"l", u"-slt", kLiteralNamesSwitch, u"--", fullPath(archivePath)};
  olstring output;
  if (runProcess(arguments, m_workFolder, &output, shouldStop) != 0) return false;
  // The archive's own facts come first; each entry's, with its "Size = ", after the rule.
  constexpr olstring_view kRule = u"\n----------";
  constexpr olstring_view kSize = u"\nSize = ";
  size_t at = output.find(kRule);
  if (at == olstring::npos) return false;
  uint64_t sum = 0;
  while ((at = output.find(kSize, at)) != olstring::npos) {
    at += kSize.size();
    uint64_t value = 0;
    for (; at < output.size() && output[at] >= u'0' && output[at] <= u'9'; ++at) {
      const uint64_t digit = output[at] - u'0';
      value = value > (UINT64_MAX - digit) / 10 ? UINT64_MAX : value * 10 + digit;
    }
    sum = sum > UINT64_MAX - value ? UINT64_MAX : sum + value;
  }
  *size = sum;
  return true;
}

bool ArchiveWorkArea::extractArchive(olstring_view outputFolder, olstring_view archivePath, const StopRequest& shouldStop,
                                     UnpackFailure* failure) {
  UnpackFailure ignored;
  UnpackFailure& reason = failure != nullptr ? *failure : ignored;
  reason = UnpackFailure::failed;
  if (m_sevenZipPath.empty() || outputFolder.empty() || archivePath.empty() || !prepareWorkFolder()) return false;
  // A hostile archive may declare terabytes: refused before a byte is written. What is
  // declared can lie (a gzip keeps its size modulo 4 GiB), so the unpack is watched too.
  uint64_t declared = 0;
  if (declaredSize(archivePath, shouldStop, &declared) && !hasRoomFor(declared)) {
    reason = UnpackFailure::noRoom;
    return false;
  }
  if (shouldStop && shouldStop()) return false;
  if (pathType(outputFolder) == PathType::folder) deleteFolder(outputFolder);
  createFolders(outputFolder);
  bool outOfRoom = false;
  const StopRequest watch = [&] {
    if (shouldStop && shouldStop()) return true;
    outOfRoom = !hasRoomFor(0);
    return outOfRoom;
  };
  // 7-Zip reads a leading "-" as a switch; a full path never starts with one.
  const std::vector<olstring> arguments = {m_sevenZipPath, u"x", u"-y", kLiteralNamesSwitch, fullPath(archivePath)};
  olstring output;
  const uint32_t exitCode = runProcess(arguments, outputFolder, &output, watch);
  // Every step of one unpack goes into the log, so a failed second step shows the first.
  if (!m_stepLog.empty()) m_stepLog += u"\r\n";
  m_stepLog += commandLineText(arguments);
  m_stepLog += u"\r\nError Code " + fromUtf8(std::to_string(exitCode)) + u"\r\n--------\r\n\r\n";
  m_stepLog += output;
  if (exitCode == 0 && !outOfRoom) {
    reason = UnpackFailure::none;
    return true;
  }
  deleteFolder(outputFolder);
  if (outOfRoom) reason = UnpackFailure::noRoom;
  writeLog();
  return false;
}

void ArchiveWorkArea::writeLog() {
  const olstring log = platform::currentDateTimeWithSeconds() + u"\r\n" + m_stepLog;
  m_stepLog.clear();
  // The log is a courtesy to the user: a compare does not fail for want of it.
  platform::File file = openFileForWriting(logPath());
  if (file && writeTextFile(log, file.handle(), TextEncoding::utf16le)) (void)file.close();
}

olstring ArchiveWorkArea::logPath() const { return joinPath(m_workFolder, kLogFileName); }

void ArchiveWorkArea::clearWorkFolder() {
  // The lock file stays: it marks the folder as alive for other instances.
  if (m_folderMade) deleteFolderContent(m_workFolder, kLockFileName);
}

void ArchiveWorkArea::removeWorkFolder() {
  m_lock.release(/*deleteFile=*/true);
  if (m_folderMade) deleteFolderTree(m_workFolder);
  m_folderMade = false;
}

olstring ArchiveWorkArea::removeWorkFolderKeepingLog() {
  if (!m_folderMade || pathType(logPath()) != PathType::file) {
    removeWorkFolder();
    return {};
  }
  m_lock.release(/*deleteFile=*/true);
  deleteFolderContent(m_workFolder, kLogFileName);
  m_folderMade = false;
  return logPath();
}

void ArchiveWorkArea::cleanUp() {
  removeWorkFolder();
  if (m_parentFolder.empty()) return;
  for (const auto& entry : listEntries(m_parentFolder)) {
    const olstring path = joinPath(m_parentFolder, entry.name);
    if ((entry.attributes & platform::kAttributeDirectory) == 0 || entry.isLink) {
      platform::makeWritable(path);
      platform::deletePath(path);
      continue;
    }
    const bool workFolder = entry.name.size() >= 4 && lowerCaseCopy(entry.name.substr(0, 4)) == kWorkFolderPrefix;
    if (workFolder && platform::isLockHeldElsewhere(joinPath(path, kLockFileName))) continue;
    deleteFolderTree(path);
  }
}

namespace {

// The process id a work folder is named after ("mrn_<id>", perhaps with "_<n>" after it); 0
// when the name holds none.
uint32_t workFolderProcess(olstring_view name) {
  uint64_t id = 0;
  size_t at = std::char_traits<char16_t>::length(kWorkFolderPrefix);
  for (; at < name.size() && name[at] >= u'0' && name[at] <= u'9' && id <= UINT32_MAX; ++at) id = id * 10 + (name[at] - u'0');
  return id <= UINT32_MAX ? static_cast<uint32_t>(id) : 0;
}

// The time of the log a work folder holds, or 0 when it holds none.
uint64_t keptLogTime(olstring_view folder) {
  for (const auto& entry : listEntries(folder)) {
    if (entry.name == kLogFileName && !entry.isLink && (entry.attributes & platform::kAttributeDirectory) == 0) {
      return entry.writeTime;
    }
  }
  return 0;
}

uint64_t currentFileTime() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now);
  return platform::fileTimeFromPosix(seconds.count(), std::chrono::duration_cast<std::chrono::nanoseconds>(now - seconds).count());
}

}  // namespace

void ArchiveWorkArea::removeEndedWorkFolders() {
  const olstring parent = m_parentFolder.empty() ? parentFolderCandidate(/*make=*/false) : m_parentFolder;
  if (parent.empty()) return;
  constexpr uint64_t kTicksPerDay = 86400ULL * 10000000ULL;
  const uint64_t now = currentFileTime();
  std::vector<std::pair<uint64_t, olstring>> logs;
  for (const auto& entry : listEntries(parent)) {
    const bool workFolder = entry.name.size() > 4 && lowerCaseCopy(entry.name.substr(0, 4)) == kWorkFolderPrefix;
    if (!workFolder || entry.isLink || (entry.attributes & platform::kAttributeDirectory) == 0) continue;
    const olstring path = joinPath(parent, entry.name);
    // A folder just made has no lock yet, but its process runs.
    if (path == m_workFolder || platform::isLockHeldElsewhere(joinPath(path, kLockFileName)) ||
        platform::isProcessRunning(workFolderProcess(entry.name))) {
      continue;
    }
    const uint64_t logTime = keptLogTime(path);
    if (logTime != 0 && logTime + kKeptLogDays * kTicksPerDay > now) {
      logs.emplace_back(logTime, path);
    } else {
      deleteFolderTree(path);
    }
  }
  std::sort(logs.begin(), logs.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  for (size_t i = 0; i < logs.size(); ++i) {
    if (i < kMostKeptLogs) {
      // What the ended process left beside its log is of no use to anyone.
      deleteFolderContent(logs[i].second, kLogFileName);
    } else {
      deleteFolderTree(logs[i].second);
    }
  }
}

olstring locateSevenZip() {
  const olstring application = platform::applicationFolder();
  if (!application.empty()) {
    for (const char16_t* relative : {u"7-Zip/7z", u"7z"}) {
      const olstring candidate = joinPath(application, relative);
      if (platform::isExecutableFile(candidate)) return candidate;
    }
  }
  for (const char16_t* name : {u"7zz", u"7z", u"7za"}) {
    olstring found = platform::findOnPath(name);
    if (!found.empty()) return found;
  }
  return {};
}

bool isCompressedTarPath(olstring_view path) {
  static constexpr olstring_view kSuffixes[] = {u".tar.gz",  u".tgz",  u".tar.xz",   u".txz", u".tar.bz2", u".tbz2",
                                                u".tbz",     u".tar.zst", u".tzst", u".tar.lzma", u".tlz", u".tar.lz"};
  for (const olstring_view suffix : kSuffixes) {
    if (endsWithIgnoringAsciiCase(path, suffix)) return true;
  }
  return false;
}

bool isArchivePath(olstring_view path, const ArchiveExtensions& extensions) {
  if (path.empty()) return false;
  for (const auto& extension : extensions) {
    if (endsWithIgnoringAsciiCase(path, extension)) return true;
  }
  return false;
}

olstring archiveFilterPattern(olstring_view separator, const ArchiveExtensions& extensions) {
  static std::map<std::pair<olstring, ArchiveExtensions>, olstring> cache;
  const auto key = std::make_pair(olstring(separator), extensions);
  if (const auto found = cache.find(key); found != cache.end()) return found->second;
  olstring pattern;
  for (const auto& extension : extensions) {
    if (!pattern.empty()) pattern += separator;
    pattern += u"*" + extension;
  }
  cache.emplace(key, pattern);
  return pattern;
}

olstring makeUniquePath(olstring_view path, bool keepExtension) {
  olstring stem(path);
  while (stem.size() > 1 && stem.back() == kPathSeparator) stem.pop_back();
  olstring extension;
  if (keepExtension) {
    extension = extensionPart(stem);
    stem.resize(stem.size() - extension.size());
  }
  if (pathType(stem + extension) == PathType::none && !platform::isSymbolicLink(stem + extension)) return stem + extension;
  for (unsigned number = 1;; ++number) {
    olstring candidate = stem + u"_" + fromUtf8(std::to_string(number)) + extension;
    if (pathType(candidate) == PathType::none && !platform::isSymbolicLink(candidate)) return candidate;
  }
}

uint32_t runProcess(const std::vector<olstring>& arguments, olstring_view workingFolder, olstring* output,
                    const StopRequest& shouldStop) {
  if (output != nullptr) output->clear();
  if (arguments.empty()) return 0;
  platform::ProcessRun run;
  run.arguments = arguments;
  run.workingFolder = workingFolder;
  run.captureOutput = output != nullptr;
  run.shouldStop = shouldStop;
  const platform::ProcessResult result = platform::runProgram(run);
  if (output != nullptr) {
    *output = decodeOutput(result.output);
    if (result.outputCut) *output += u"\r\n[...]";
  }
  return result.exitCode;
}

olstring commandLineText(const std::vector<olstring>& arguments) {
  olstring text;
  for (const auto& argument : arguments) {
    if (!text.empty()) text += u' ';
    if (argument.find(u' ') != olstring::npos) {
      text += u'"' + argument + u'"';
    } else {
      text += argument;
    }
  }
  return text;
}

bool readArchiveLinkText(olstring_view path, olstring_view unpackFolder, std::string* text) {
  if (!platform::readLinkTarget(path, text)) return false;
  if (unpackFolder.empty()) return true;
  const std::string folder = toUtf8(unpackFolder);
  if (text->size() > folder.size() + 1 && text->compare(0, folder.size(), folder) == 0 && (*text)[folder.size()] == '/') {
    text->erase(0, folder.size());
  }
  return true;
}
