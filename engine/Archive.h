// Archives as compare sides: a private per-process work area below the temporary folder,
// 7-Zip run as an outside program to unpack one archive per call, its failure log, and the
// clean-up of work folders left by ended instances.
#pragma once

#include "foundation/olstring.h"
#include "platform/FileLock.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

// Archive extensions: lower case with a leading dot, in plain code-unit order.
using ArchiveExtensions = std::set<olstring>;

// Polled while 7-Zip runs; true stops it (a cancelled compare must not wait for a long unpack).
using StopRequest = std::function<bool()>;

constexpr char16_t kWorkFolderPrefix[] = u"mrn_";
constexpr char16_t kLockFileName[] = u"Mirrane.lock";
constexpr char16_t kLogFileName[] = u"7z.log";

class ArchiveWorkArea {
public:
  ArchiveWorkArea() = default;
  // Lets go of the lock and removes the lock file; the work folder itself is removed only by
  // removeWorkFolder() or cleanUp().
  ~ArchiveWorkArea();
  ArchiveWorkArea(const ArchiveWorkArea&) = delete;
  ArchiveWorkArea& operator=(const ArchiveWorkArea&) = delete;

  // Makes the private parent folder, this process's work folder and its lock file, and
  // looks for 7-Zip. Failures leave unpacking unavailable; nothing is reported here.
  void prepare();

  // Unpacks an archive into a new folder of the work area and returns that folder (for a
  // .gz holding a tar, with autoTarGz, the folder of the tar's content); empty on failure,
  // with "7z.log" written when 7-Zip ran and failed.
  olstring prepareArchive(olstring_view archivePath, bool autoTarGz, const StopRequest& shouldStop = {});

  // Runs 7-Zip once to unpack archivePath into outputFolder (made anew). On failure the log
  // is written and the result is false.
  bool extractArchive(olstring_view outputFolder, olstring_view archivePath, const StopRequest& shouldStop = {});

  // Removes everything unpacked before; the work folder and its lock file stay.
  void clearWorkFolder();
  // Lets go of the lock and removes this process's work folder with everything in it.
  void removeWorkFolder();
  // removeWorkFolder(), then removes what ended instances left in the parent folder; folders
  // of running instances (their lock is held) are kept.
  void cleanUp();

  const olstring& parentFolder() const { return m_parentFolder; }
  const olstring& workFolder() const { return m_workFolder; }
  const olstring& sevenZipPath() const { return m_sevenZipPath; }
  // Tests and the start-up code may point the work area at another 7-Zip.
  void setSevenZipPath(olstring_view path) { m_sevenZipPath = path; }

private:
  olstring tarStep(olstring_view archivePath, const olstring& outputFolder, const StopRequest& shouldStop);

  platform::FileLock m_lock;
  olstring m_parentFolder;
  olstring m_workFolder;
  olstring m_sevenZipPath;
};

// "7-Zip/7z" or "7z" in the application folder, then 7zz, 7z and 7za on PATH; empty when none.
olstring locateSevenZip();

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

// The command line as text for the log: arguments joined by spaces, those holding a space
// in double quotes.
olstring commandLineText(const std::vector<olstring>& arguments);
