// Helpers for tests that work on the real file system: private temporary folders, files
// with given bytes, and running a piece of a test as an unprivileged user.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A fresh folder below $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempFolder {
public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path as bytes; path(name) joins a relative name.
  const std::string& path() const { return m_path; }
  std::string path(const std::string& relative) const { return m_path + "/" + relative; }
  std::u16string widePath(const std::string& relative = {}) const;

private:
  std::string m_path;
};

// An environment variable set for as long as this lives; then it is as it was before, also
// when the test ends early.
class ScopedEnvironment {
public:
  ScopedEnvironment(const std::string& name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
  std::string m_name;
  std::optional<std::string> m_previous;
};

// A locale of the C library switched on for one category while the object lives. Locales
// other than C are seldom installed, so a German one is compiled into a private folder
// from the system's locale sources (package "locales") when it is not there.
class ScopedLocale {
public:
  ScopedLocale(int category, const char* name);
  ~ScopedLocale();
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;
  bool active = false;

private:
  TempFolder m_folder;
  int m_category;
  std::string m_previous;
};

// Writes bytes to a file, creating missing folders; fails the test on error.
void writeFileBytes(const std::string& path, const std::string& bytes);
// The whole content of a file ("" when it cannot be read).
std::string readFileBytes(const std::string& path);
void makeFolders(const std::string& path);
// Makes root, then the folders one below the other, each made and entered relative to the
// one before (so that depth is no limit), and writes the files (name, bytes) into the last.
void makeDeepFiles(const std::string& root, const std::vector<std::string>& folders,
                   const std::vector<std::pair<std::string, std::string>>& files);
void makeLink(const std::string& target, const std::string& linkPath);
void makeFifo(const std::string& path);
// Sets the file's modification time (seconds since 1970, plus nanoseconds).
void setModifiedTime(const std::string& path, int64_t seconds, long nanoseconds = 0);
// A file and its copy as a copy made elsewhere keeps it: the same bytes, the copy's time
// in whole seconds (rounded, or moved by an hour).
struct TimedCopy {
  std::string name;
  int64_t seconds;
  long nanoseconds;
  int64_t copySeconds;
};
// Writes each file into folder and its copy into copyFolder.
void writeTimedCopies(const std::string& folder, const std::string& copyFolder, const std::vector<TimedCopy>& files);
void setMode(const std::string& path, unsigned mode);
bool exists(const std::string& path);

// Runs body in a child process; the child drops to the user "nobody" first when the test
// runs as root. Returns the child's exit status (0 when body returned true), or -1.
int runInChild(const std::function<bool()>& body, bool dropPrivileges);
bool runningAsRoot();

// The text in single quotes for /bin/sh, whatever it holds.
std::string shellQuote(const std::string& text);

// Packs the content of a folder into an archive with the real 7-Zip (7zz), with extra
// switches; fails the test when 7-Zip does.
void packWithSevenZip(const std::string& archive, const std::string& folder, const std::string& switches = "");

// Packs the content of a folder with tar, compressed as the archive's name says, in name
// order as packages are made (so that an unpacker meets a chain of links in the same order
// every time); fails the test when tar does.
void packWithTar(const std::string& archive, const std::string& folder);
// A package's tree below root: a library with its version links (the development link a
// chain of two), a link to a folder, an absolute link; given a secret file, also links that
// lead out of the tree, one of them to the secret.
void makePackageTree(const std::string& root, const std::string& secret = "");

// Runs a command line through /bin/sh, returning the exit status and the captured output.
int runCommand(const std::string& commandLine, std::string* output = nullptr);

// Named points that threads of a test reach and wait for, so that a test brings about an
// exact order of events instead of sleeping and hoping. A wait that outlasts its failsafe
// (a fault that would otherwise hang the test) fails the test and returns false.
class Milestones {
public:
  void reach(const std::string& name);
  bool reached(const std::string& name) const;
  bool await(const std::string& name, int failsafeSeconds = 120);

private:
  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  std::set<std::string> m_reached;
};

}  // namespace testing_support
