// Path rules of the platform: the separator, what is absolute, the lexical full path,
// environment and known-folder expansion, and the folders the program lives in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

constexpr char16_t kPathSeparator = u'/';

// True when the path is absolute on this platform (it starts with the separator).
bool isAbsolutePath(std::u16string_view path);

// The current folder joined with a relative path, "." and ".." resolved lexically; no
// disk access and links are not resolved. Returns empty when the current folder is unknown.
std::u16string lexicalFullPath(std::u16string_view path);

// Replaces every %NAME% whose NAME is a known variable (names ignore case; Windows names map
// to their XDG meaning). Unknown names stay as written. Also expands a leading "~/".
std::u16string expandEnvironment(std::u16string_view text);

// The folder behind a known-folder GUID in braces ("{5E6C858F-...}"), or empty when the
// GUID is not one this platform knows.
std::u16string knownFolderPath(std::u16string_view guidInBraces);

// $HOME (or the password database's home), without a trailing separator.
std::u16string homeFolder();
// $TMPDIR or /tmp.
std::u16string tempFolder();
// $XDG_CONFIG_HOME or ~/.config.
std::u16string configHomeFolder();
// $XDG_DATA_HOME or ~/.local/share.
std::u16string dataHomeFolder();

// The folder that holds lang/, config/ and a private 7-Zip: the executable's folder when it
// holds "lang", else <prefix>/share/mirrane of an installed program.
std::u16string applicationFolder();

// The folder that holds the program's modules: the application folder when that is the
// executable's, else <prefix>/lib/mirrane/modules of an installed program.
std::u16string moduleFolder();

// How the application folder was found. An installed program's folder belongs to its
// package and is shared by every user of the machine, so the program never writes there.
enum class ApplicationFolderKind { besideExecutable, installed };
ApplicationFolderKind applicationFolderKind();

// Tests point the program at a folder of their own.
void setApplicationFolder(std::u16string_view folder,
                          ApplicationFolderKind kind = ApplicationFolderKind::besideExecutable);

// The per-user settings folder: configHomeFolder() + "/Mirrane".
std::u16string userSettingsFolder();

// The current process id.
uint32_t currentProcessId();

// The machine's host name as the system knows it; empty when it cannot be told.
std::u16string hostName();

}  // namespace platform
