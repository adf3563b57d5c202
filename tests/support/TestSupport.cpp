#include "tests/support/TestSupport.h"

#include "platform/Text.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testing_support {

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/mrntest-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  // Let a child that drops to an unprivileged user work in here too.
  chmod(pattern.c_str(), 0777);
  m_path = pattern;
}

TempFolder::~TempFolder() {
  runCommand("chmod -R u+rwx '" + m_path + "' 2>/dev/null; rm -rf '" + m_path + "'");
}

std::u16string TempFolder::widePath(const std::string& relative) const {
  return platform::utf8ToUtf16(relative.empty() ? m_path : path(relative));
}

void makeFolders(const std::string& path) {
  std::string partial;
  std::stringstream parts(path);
  std::string part;
  while (std::getline(parts, part, '/')) {
    partial += part;
    if (!partial.empty()) mkdir(partial.c_str(), 0777);
    partial += '/';
  }
}

void writeFileBytes(const std::string& path, const std::string& bytes) {
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) makeFolders(path.substr(0, slash));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void makeLink(const std::string& target, const std::string& linkPath) {
  if (symlink(target.c_str(), linkPath.c_str()) != 0) ADD_FAILURE() << "symlink failed: " << linkPath;
}

void makeFifo(const std::string& path) {
  if (mkfifo(path.c_str(), 0666) != 0) ADD_FAILURE() << "mkfifo failed: " << path;
}

void setModifiedTime(const std::string& path, int64_t seconds, long nanoseconds) {
  timespec times[2];
  times[0].tv_sec = seconds;
  times[0].tv_nsec = nanoseconds;
  times[1] = times[0];
  if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) ADD_FAILURE() << "utimensat failed";
}

void setMode(const std::string& path, unsigned mode) { chmod(path.c_str(), mode); }

bool exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

bool runningAsRoot() { return geteuid() == 0; }

int runInChild(const std::function<bool()>& body, bool dropPrivileges) {
  fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (dropPrivileges && geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      const uid_t uid = nobody != nullptr ? nobody->pw_uid : 65534;
      const gid_t gid = nobody != nullptr ? nobody->pw_gid : 65534;
      if (setgid(gid) != 0 || setuid(uid) != 0) _exit(99);
    }
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void packWithSevenZip(const std::string& archive, const std::string& folder, const std::string& switches) {
  std::string output;
  const int status =
      runCommand("cd " + shellQuote(folder) + " && 7zz a -bd " + switches + " " + shellQuote(archive) + " . 2>&1", &output);
  if (status != 0) ADD_FAILURE() << "7zz failed: " << output;
}

void packWithTar(const std::string& archive, const std::string& folder) {
  std::string output;
  const int status = runCommand("tar --sort=name -caf " + shellQuote(archive) + " -C " + shellQuote(folder) + " . 2>&1", &output);
  if (status != 0) ADD_FAILURE() << "tar failed: " << output;
}

void makePackageTree(const std::string& root, const std::string& secret) {
  writeFileBytes(root + "/usr/lib/libdemo.so.1.2.3", std::string(3000, 'L'));
  makeLink("libdemo.so.1.2.3", root + "/usr/lib/libdemo.so.1");
  makeLink("libdemo.so.1", root + "/usr/lib/libdemo.so");
  writeFileBytes(root + "/usr/share/doc/demo/readme", "read me");
  makeLink("usr/share/doc", root + "/docs");
  makeLink("/etc/alternatives/demo-editor", root + "/usr/editor");
  if (secret.empty()) return;
  makeLink("../../../../etc/passwd", root + "/usr/passwd");
  makeLink(secret, root + "/usr/secret-absolute");
  makeLink("../../secret/only-root", root + "/usr/secret-relative");
}

int runCommand(const std::string& commandLine, std::string* output) {
  FILE* pipe = popen(commandLine.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    if (output != nullptr) output->append(buffer, got);
  }
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void makeDeepFiles(const std::string& root, const std::vector<std::string>& folders,
                   const std::vector<std::pair<std::string, std::string>>& files) {
  makeFolders(root);
  int folder = open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(folder, 0) << root;
  for (const std::string& name : folders) {
    ASSERT_TRUE(mkdirat(folder, name.c_str(), 0777) == 0 || errno == EEXIST) << name;
    const int next = openat(folder, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    close(folder);
    ASSERT_GE(next, 0) << name;
    folder = next;
  }
  for (const auto& [name, bytes] : files) {
    const int file = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    EXPECT_GE(file, 0) << name;
    if (file < 0) continue;
    EXPECT_EQ(write(file, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(file);
  }
  close(folder);
}

ScopedEnvironment::ScopedEnvironment(const std::string& name, const std::string& value) : m_name(name) {
  if (const char* previous = std::getenv(name.c_str())) m_previous = previous;
  setenv(name.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
  if (m_previous) {
    setenv(m_name.c_str(), m_previous->c_str(), 1);
  } else {
    unsetenv(m_name.c_str());
  }
}

ScopedLocale::ScopedLocale(int category, const char* name) : m_category(category), m_previous(std::setlocale(category, nullptr)) {
  if (std::setlocale(category, name) != nullptr) {
    active = true;
    return;
  }
  // Warnings about the sources give a non-zero status though the locale is made: the
  // attempt to switch tells.
  runCommand("localedef -c -i de_DE -f UTF-8 " + shellQuote(m_folder.path("de_DE.UTF-8")) + " >/dev/null 2>&1");
  setenv("LOCPATH", m_folder.path().c_str(), 1);
  active = std::setlocale(category, name) != nullptr;
}

ScopedLocale::~ScopedLocale() {
  std::setlocale(m_category, m_previous.c_str());
  unsetenv("LOCPATH");
}

void writeTimedCopies(const std::string& folder, const std::string& copyFolder, const std::vector<TimedCopy>& files) {
  for (const TimedCopy& file : files) {
    writeFileBytes(folder + "/" + file.name, "same");
    writeFileBytes(copyFolder + "/" + file.name, "same");
    setModifiedTime(folder + "/" + file.name, file.seconds, file.nanoseconds);
    setModifiedTime(copyFolder + "/" + file.name, file.copySeconds);
  }
}

void Milestones::reach(const std::string& name) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_reached.insert(name);
  }
  m_changed.notify_all();
}

bool Milestones::reached(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_reached.count(name) != 0;
}

bool Milestones::await(const std::string& name, int failsafeSeconds) {
  std::unique_lock<std::mutex> lock(m_lock);
  if (m_changed.wait_for(lock, std::chrono::seconds(failsafeSeconds), [&] { return m_reached.count(name) != 0; })) {
    return true;
  }
  ADD_FAILURE() << "never reached: " << name;
  return false;
}

}  // namespace testing_support
