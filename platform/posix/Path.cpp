// Paths on POSIX: lexical full paths, %NAME% and known-folder expansion, program folders.

#include "platform/Path.h"

#include "platform/Text.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

extern char** environ;

namespace platform {
namespace {

std::u16string fromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return (value != nullptr && *value != '\0') ? utf8ToUtf16(value) : std::u16string();
}

std::u16string withoutTrailingSeparators(std::u16string path) {
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  return path;
}

// The folder holding an absolute path's last name ("/" for a name right below the root).
// The program's path module lives above this layer; the platform needs only this one split.
std::u16string parentFolder(std::u16string_view path) {
  const size_t slash = path.rfind(kPathSeparator);
  if (slash == std::u16string_view::npos) return {};
  return slash == 0 ? std::u16string(1, kPathSeparator) : std::u16string(path.substr(0, slash));
}

// The value of an environment variable whose name matches ignoring case; the exact
// spelling wins when both exist.
bool lookUpVariable(std::u16string_view name, std::u16string& value) {
  if (equalsNoCase(name, u"TEMP") || equalsNoCase(name, u"TMP")) {
    value = tempFolder();
    return true;
  }
  if (equalsNoCase(name, u"APPDATA")) {
    value = configHomeFolder();
    return true;
  }
  if (equalsNoCase(name, u"LOCALAPPDATA")) {
    value = dataHomeFolder();
    return true;
  }
  if (equalsNoCase(name, u"USERPROFILE")) {
    value = homeFolder();
    return true;
  }
  const std::string exact = utf16ToUtf8(name);
  if (!exact.empty() && exact.find('=') == std::string::npos) {
    if (const char* found = std::getenv(exact.c_str())) {
      value = utf8ToUtf16(found);
      return true;
    }
  }
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (equals == nullptr) continue;
    const std::u16string entryName = utf8ToUtf16(std::string_view(*entry, equals - *entry));
    if (equalsNoCase(entryName, name)) {
      value = utf8ToUtf16(equals + 1);
      return true;
    }
  }
  return false;
}

// Reads XDG_<KEY>_DIR from ~/.config/user-dirs.dirs, with $HOME expanded.
std::u16string xdgUserFolder(const char* key, const char16_t* fallbackName) {
  const std::string file = utf16ToUtf8(configHomeFolder() + u"/user-dirs.dirs");
  std::ifstream in(file);
  const std::string wanted = std::string("XDG_") + key + "_DIR=";
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(wanted, 0) != 0) continue;
    std::string value = line.substr(wanted.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    std::u16string result;
    if (value.rfind("$HOME", 0) == 0) {
      result = homeFolder() + utf8ToUtf16(value.substr(5));
    } else if (!value.empty() && value[0] == '/') {
      result = utf8ToUtf16(value);
    }
    if (!result.empty()) return withoutTrailingSeparators(result);
  }
  return homeFolder() + u"/" + fallbackName;
}

std::mutex g_applicationFolderLock;
std::u16string g_applicationFolder;
ApplicationFolderKind g_applicationFolderKind = ApplicationFolderKind::besideExecutable;

std::u16string executableFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) {
      return parentFolder(utf8ToUtf16(std::string_view(buffer.data(), length)));
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

bool isAbsolutePath(std::u16string_view path) { return !path.empty() && path[0] == kPathSeparator; }

std::u16string lexicalFullPath(std::u16string_view path) {
  std::u16string joined;
  if (isAbsolutePath(path)) {
    joined = path;
  } else {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) return {};
      buffer.resize(buffer.size() * 2);
    }
    joined = utf8ToUtf16(buffer.data());
    joined += kPathSeparator;
    joined += path;
  }
  const bool trailing = joined.size() > 1 && joined.back() == kPathSeparator;
  std::vector<std::u16string_view> parts;
  std::u16string_view rest(joined);
  while (!rest.empty()) {
    const size_t slash = rest.find(kPathSeparator);
    const std::u16string_view part = rest.substr(0, slash);
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::u16string result;
  for (const auto& part : parts) {
    result += kPathSeparator;
    result += part;
  }
  if (result.empty()) return std::u16string(1, kPathSeparator);
  if (trailing) result += kPathSeparator;
  return result;
}

std::u16string expandEnvironment(std::u16string_view text) {
  std::u16string out;
  size_t i = 0;
  if (text.size() >= 2 && text[0] == u'~' && text[1] == kPathSeparator) {
    out = homeFolder();
    i = 1;
  }
  while (i < text.size()) {
    const size_t open = text.find(u'%', i);
    if (open == std::u16string_view::npos) {
      out += text.substr(i);
      break;
    }
    out += text.substr(i, open - i);
    const size_t close = text.find(u'%', open + 1);
    if (close == std::u16string_view::npos) {
      out += text.substr(open);
      break;
    }
    std::u16string value;
    if (close > open + 1 && lookUpVariable(text.substr(open + 1, close - open - 1), value)) {
      out += value;
      i = close + 1;
    } else {
      // Unknown: keep "%NAME" and let the closing "%" start the next reference, as the
      // Windows expansion does.
      out += text.substr(open, close - open);
      i = close;
    }
  }
  return out;
}

std::u16string knownFolderPath(std::u16string_view guid) {
  struct KnownFolder {
    const char16_t* guid;
    int kind;
  };
  static const KnownFolder kFolders[] = {
      {u"{5E6C858F-0E22-4760-9AFE-EA3317B67173}", 0},  // Profile
      {u"{B4BFCC3A-DB2C-424C-B029-7FE99A87C641}", 1},  // Desktop
      {u"{FDD39AD0-238F-46AF-ADB4-6C85480369C7}", 2},  // Documents
      {u"{374DE290-123F-4565-9164-39C4925E467B}", 3},  // Downloads
      {u"{3EB685DB-65F9-4CF6-A03A-E3EF65729F3D}", 4},  // RoamingAppData
      {u"{F1B32785-6FBA-4FCF-9D55-7B8E7F157091}", 5},  // LocalAppData
  };
  for (const auto& folder : kFolders) {
    if (!equalsNoCase(guid, folder.guid)) continue;
    switch (folder.kind) {
      case 0: return homeFolder();
      case 1: return xdgUserFolder("DESKTOP", u"Desktop");
      case 2: return xdgUserFolder("DOCUMENTS", u"Documents");
      case 3: return xdgUserFolder("DOWNLOAD", u"Downloads");
      case 4: return configHomeFolder();
      case 5: return dataHomeFolder();
    }
  }
  return {};
}

std::u16string homeFolder() {
  std::u16string home = fromEnvironment("HOME");
  if (home.empty()) {
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
      home = utf8ToUtf16(entry->pw_dir);
    }
  }
  return home.empty() ? std::u16string(u"/") : withoutTrailingSeparators(home);
}

std::u16string tempFolder() {
  const std::u16string temp = fromEnvironment("TMPDIR");
  return temp.empty() ? std::u16string(u"/tmp") : withoutTrailingSeparators(temp);
}

std::u16string configHomeFolder() {
  const std::u16string config = fromEnvironment("XDG_CONFIG_HOME");
  return isAbsolutePath(config) ? withoutTrailingSeparators(config) : homeFolder() + u"/.config";
}

std::u16string dataHomeFolder() {
  const std::u16string data = fromEnvironment("XDG_DATA_HOME");
  return isAbsolutePath(data) ? withoutTrailingSeparators(data) : homeFolder() + u"/.local/share";
}

namespace {

// <prefix> of an installed program, whose <prefix>/bin holds it; a program right below the
// root has the empty prefix.
std::u16string installPrefix(std::u16string_view executableFolder) {
  const std::u16string prefix = parentFolder(executableFolder);
  return prefix.size() > 1 ? prefix : u"";
}

// Finds the application folder once; the caller holds g_applicationFolderLock.
void findApplicationFolder() {
  if (!g_applicationFolder.empty()) return;
  const std::u16string folder = executableFolder();
  if (folder.empty()) return;
  if (access(utf16ToUtf8(folder + u"/lang").c_str(), F_OK) == 0) {
    g_applicationFolder = folder;
    g_applicationFolderKind = ApplicationFolderKind::besideExecutable;
  } else {
    g_applicationFolder = installPrefix(folder) + u"/share/mirrane";
    g_applicationFolderKind = ApplicationFolderKind::installed;
  }
}

}  // namespace

std::u16string applicationFolder() {
  std::lock_guard<std::mutex> lock(g_applicationFolderLock);
  findApplicationFolder();
  return g_applicationFolder;
}

std::u16string moduleFolder() {
  std::lock_guard<std::mutex> lock(g_applicationFolderLock);
  findApplicationFolder();
  if (g_applicationFolderKind == ApplicationFolderKind::besideExecutable) return g_applicationFolder;
  return installPrefix(executableFolder()) + u"/lib/mirrane/modules";
}

ApplicationFolderKind applicationFolderKind() {
  std::lock_guard<std::mutex> lock(g_applicationFolderLock);
  findApplicationFolder();
  return g_applicationFolderKind;
}

void setApplicationFolder(std::u16string_view folder, ApplicationFolderKind kind) {
  std::lock_guard<std::mutex> lock(g_applicationFolderLock);
  g_applicationFolder = folder;
  g_applicationFolderKind = kind;
}

std::u16string userSettingsFolder() { return configHomeFolder() + u"/Mirrane"; }

uint32_t currentProcessId() { return static_cast<uint32_t>(getpid()); }

std::u16string hostName() {
  // Large enough for any host name the system allows; a name cut to fit would end
  // without its terminating zero, which the explicit zero below guards against.
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return utf8ToUtf16(name);
}

}  // namespace platform
