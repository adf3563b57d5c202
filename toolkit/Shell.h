// What the windows ask of the desktop: the clipboard, opening items and web pages with
// their default handlers, and showing an item in its folder.
#pragma once

#include "toolkit/Types.h"

#include <functional>
#include <string>

bool setClipboardText(olstring_view text);
olstring clipboardText();
// A web address in the default browser; false when no handler took it.
bool openUrl(olstring_view url);
// A file or folder with the desktop's default handler.
bool openPath(olstring_view path);
// The file manager with the item selected (the desktop's FileManager1 service), or else
// the item's folder opened. False when neither worked.
bool showInFolder(olstring_view path);

// The "file://" address of a local path, every byte of the name kept: bytes that are not
// valid UTF-8 (held in the path as U+DC80 + byte) are percent-encoded as that byte, never
// replaced, so the handler receives the exact name on disk.
std::string fileUrl(olstring_view path);

// What the windows asked of the desktop, as a recorder sees it.
enum class ShellRequest { openItem, showInFolder, openWebPage };
// Tests stand in for the desktop: while a recorder is set, openPath, showInFolder and
// openUrl hand it the request and the exact address they would have sent (the item's file
// address for showInFolder) and return what it returns. An empty recorder restores the
// desktop.
using ShellRecorder = std::function<bool(ShellRequest request, const std::string& url)>;
void setShellRecorder(ShellRecorder recorder);
