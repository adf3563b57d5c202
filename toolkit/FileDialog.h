// The platform's file, folder and font dialogs.
#pragma once

#include <vector>

#include "toolkit/Types.h"

struct olFileFilter {
  olstring description;  // "Archives"
  olstring pattern;      // "*.zip;*.7z"
};

class olFileDialog {
public:
  // One existing file; empty when cancelled. The dialog starts in startFolder (or the folder
  // of a file path given there, or its nearest existing parent).
  static olstring openFile(HWND owner, const std::vector<olFileFilter>& filters, olstring_view startFolder);
  // A file to save to; the default extension (without its dot) is added to a bare name.
  static olstring saveFile(HWND owner, const std::vector<olFileFilter>& filters, olstring_view defaultExtension,
                           olstring_view startFolder);
  // One existing folder; empty when cancelled.
  static olstring pickFolder(HWND owner, olstring_view startFolder);

  // The filters in the platform dialog's form: "Archives (*.zip *.7z);;All files (*)".
  static olstring filterText(const std::vector<olFileFilter>& filters);
  // The folder a dialog starts in for the path (an existing folder, else "").
  static olstring startFolderFor(olstring_view path);
};

// The platform font dialog, initialised from the description, offering sizes from
// minimumPoints to maximumPoints; on OK the description is replaced and true returned.
bool chooseFont(LOGFONTW& description, HWND owner, int minimumPoints = 5, int maximumPoints = 16);
