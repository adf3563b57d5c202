// Archives as compare sides: a private per-process work area below the temporary folder,
// 7-Zip run as an outside program to unpack one archive per call, its failure log, and the
// clean-up of work folders left by ended instances.
#pragma once

#include "foundation/olstring.h"
#include "platform/FileLock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Archive extensions: lower case with a leading dot, in plain code-unit order.
using ArchiveExtensions = std::set<olstring>;

// Polled while 7-Zip runs; true stops it (a cancelled compare must not wait for a long unpack).
using StopRequest = std::function<bool()>;
// Told the name of what is unpacked next: the archive, then the tar inside a tarball.
using UnpackStep = std::function<void(olstring_view name)>;

// Why an unpack gave no folder.
enum class UnpackFailure {
  none,
  // 7-Zip is missing, failed, was stopped, or the archive is no archive (see "7z.log").
  failed,
  // The archive would not fit, or filled the work folder's file system up to its reserve.
  noRoom,
};

constexpr char16_t kWorkFolderPrefix[] = u"mrn_";
constexpr char16_t kLockFileName[] = u"Mirrane.lock";
constexpr char16_t kLogFileName[] = u"7z.log";
// How long, and how many, logs of failed unpacks are kept for the user to read.
constexpr int kKeptLogDays = 7;
constexpr size_t kMostKeptLogs = 10;

class ArchiveWorkArea {
public:
  ArchiveWorkArea() = default;
  // Lets go of the lock and removes the lock file; the work folder itself is removed only by
  // removeWorkFolder() or cleanUp().
  ~ArchiveWorkArea();
  ArchiveWorkArea(const ArchiveWorkArea&) = delete;
  ArchiveWorkArea& operator=(const ArchiveWorkArea&) = delete;

  // Makes the work folder (prepareWorkFolder) and looks for 7-Zip. Failures leave
  // unpacking unavailable; nothing is reported here.
  void prepare();
  // Makes the private parent folder, this process's work folder and its lock file, unless
  // they are made already. Unpacking calls it, so a run that unpacks nothing leaves nothing
  // behind. False when there is no folder to unpack into.
  bool prepareWorkFolder();

  // Unpacks an archive into a new folder of the work area and returns that folder; empty on
  // failure, with "7z.log" written when 7-Zip ran and failed (it holds every step of the
  // unpack), and failure (when given) saying why. With autoTarGz, a compressed tarball
  // (isCompressedTarPath) is unpacked in two steps, to the tar and then to the folder of the
  // tar's content; a failure of either step fails the unpack. Any other ".gz" holding a
  // tar is unpacked the same way, but one holding something else gives its single file.
  olstring prepareArchive(olstring_view archivePath, bool autoTarGz, const StopRequest& shouldStop = {},
                          UnpackFailure* failure = nullptr, const UnpackStep& onStep = {});

  // Runs 7-Zip to unpack archivePath into outputFolder (made anew). The archive's declared
  // size must fit in the free space less the reserve, and 7-Zip is stopped when the free
  // space falls under the reserve. On failure the partial unpack is removed, the log is
  // written when 7-Zip ran, and the result is false.
  bool extractArchive(olstring_view outputFolder, olstring_view archivePath, const StopRequest& shouldStop = {},
                      UnpackFailure* failure = nullptr);

  // Removes everything unpacked before; the work folder and its lock file stay.
  void clearWorkFolder();
  // Lets go of the lock and removes this process's work folder with everything in it.
  void removeWorkFolder();
  // As removeWorkFolder, but "7z.log" stays (so a user can read why an unpack failed);
  // returns its path, or empty when there was no log (the folder is then removed whole).
  olstring removeWorkFolderKeepingLog();
  // Where the log of the last failed 7-Zip run is written.
  olstring logPath() const;
  // removeWorkFolder(), then removes what ended instances left in the parent folder; folders
  // of running instances (their lock is held) are kept.
  void cleanUp();
  // At start-up: removes the work folders of processes that no longer run, but for the logs
  // of failed unpacks kept for the user (see removeWorkFolderKeepingLog): those younger than
  // kKeptLogDays stay, at most kMostKeptLogs of them, the newest. A folder whose lock is
  // held, or whose process still runs, is never touched. Makes nothing.
  void removeEndedWorkFolders();

  const olstring& parentFolder() const { return m_parentFolder; }
  const olstring& workFolder() const { return m_workFolder; }
  const olstring& sevenZipPath() const { return m_sevenZipPath; }
  // Tests and the start-up code may point the work area at another 7-Zip.
  void setSevenZipPath(olstring_view path) { m_sevenZipPath = path; }
  // The free space unpacking leaves untouched; by default 5 % of the file system, at most
  // 1 GiB. Tests set it to bring the limit within reach.
  void setSpaceReserve(uint64_t bytes) { m_spaceReserve = bytes; }

private:
  // The parent folder (private, as prepareWorkFolder makes it), or empty when there is none.
  static olstring parentFolderCandidate(bool make);
  olstring tarStep(olstring_view archivePath, const olstring& outputFolder, const StopRequest& shouldStop,
                   UnpackFailure* failure, const UnpackStep& onStep);
  // True when bytes more still leave the reserve free (also when the space cannot be told).
  bool hasRoomFor(uint64_t bytes) const;
  // The unpacked size the archive declares, from 7-Zip's listing; false when it cannot be
  // listed (the unpack then runs guarded by the free-space watch alone).
  bool declaredSize(olstring_view archivePath, const StopRequest& shouldStop, uint64_t* size) const;
  // Writes the time and the steps run so far to "7z.log", and forgets the steps.
  void writeLog();

  platform::FileLock m_lock;
  olstring m_parentFolder;
  olstring m_workFolder;
  olstring m_sevenZipPath;
  bool m_folderMade = false;
  // The command lines, exit codes and output of the current unpack's 7-Zip runs.
  olstring m_stepLog;
  std::optional<uint64_t> m_spaceReserve;
};

// The 7-Zip switch that makes it take every name on its command line literally: no
// wildcards, so an archive called "a?.zip" never unpacks "ab.zip" too.
constexpr char16_t kLiteralNamesSwitch[] = u"-spd";

// "7-Zip/7z" or "7z" in the application folder, then 7zz, 7z and 7za on PATH; empty when none.
olstring locateSevenZip();

// True when the name is that of a compressed tarball: .tar.gz, .tgz, .tar.xz, .txz, .tar.bz2,
// .tbz2, .tbz, .tar.zst, .tzst, .tar.lzma, .tlz or .tar.lz, letters compared ignoring case.
bool isCompressedTarPath(olstring_view path);

// True when the path ends with one of the extensions, letters A to Z compared ignoring case.
bool isArchivePath(olstring_view path, const ArchiveExtensions& extensions);

// "*" + extension for each extension in set order, joined with the separator. Kept once
// built, per separator (the window calls it from one thread).
olstring archiveFilterPattern(olstring_view separator, const ArchiveExtensions& extensions);

// The path without trailing separators when nothing is there, else the first of path_1,
// path_2, ... (with keepExtension, stem_1.ext, ...) at which nothing exists.
olstring makeUniquePath(olstring_view path, bool keepExtension);

// Runs a program (arguments[0]) in a working folder, standard input from /dev/null, and
// returns its exit code (0xFFFFFFFF when it could not be started). With output, what it
// printed on standard output and error is decoded (UTF-16LE when the first ASCII byte is
// followed by a zero byte, else UTF-8).
uint32_t runProcess(const std::vector<olstring>& arguments, olstring_view workingFolder, olstring* output,
                    const StopRequest& shouldStop = {});

// The text of a link in the folder an archive was unpacked into (unpackFolder; empty for a
// folder on disk) as the archive holds it. An unpacker may anchor an archive's absolute link
// in the folder it unpacks into ("/etc/x" becomes "<folder>/etc/x"); the archive's own text
// is the one to compare. False with the last error set when the link cannot be read.
bool readArchiveLinkText(olstring_view path, olstring_view unpackFolder, std::string* text);

// The command line as text for the log: arguments joined by spaces, those holding a space
// in double quotes.
olstring commandLineText(const std::vector<olstring>& arguments);
