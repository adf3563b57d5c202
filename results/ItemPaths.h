// Where a compared item is, as the result views show it and hand it to the desktop.
#pragma once

#include "engine/CompareTree.h"

// The item's path on a side as the user knows it: the side's display root (for an archive
// the archive's own path, never the folder it was unpacked to) joined with the item's path
// below the root. Empty when the side has no such item.
olstring itemShownPath(const CompareResult& result, const CompareItem& item, int side);

// What opening the item on a side opens: its shown path when something exists there, else
// the side's given path (the archive holding an item that exists only unpacked), else
// nothing (empty).
olstring itemOpenPath(const CompareResult& result, const CompareItem& item, int side);
