// What the windows ask of the desktop: the clipboard, opening items and web pages with
// their default handlers, and showing an item in its folder.
#pragma once

#include "toolkit/Types.h"

bool setClipboardText(olstring_view text);
olstring clipboardText();
// A web address in the default browser; false when no handler took it.
bool openUrl(olstring_view url);
// A file or folder with the desktop's default handler.
bool openPath(olstring_view path);
// The file manager with the item selected (the desktop's FileManager1 service), or else
// the item's folder opened. False when neither worked.
bool showInFolder(olstring_view path);
