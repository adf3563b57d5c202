#include "results/ItemPaths.h"

#include "platform/File.h"

namespace {

// The paths here came from the disk (or were expanded when the compare began): a name that
// looks like %NAME% is that name, so they are looked up as they stand, never expanded.
bool somethingAt(olstring_view path) { return platform::queryPath(path) != platform::PathType::none; }

}  // namespace

olstring itemShownPath(const CompareResult& result, const CompareItem& item, int side) {
  const olstring relative = itemRelativePath(item, side);
  if (relative.empty()) return {};
  return joinPath(result.displayRoot[side], relative);
}

olstring itemOpenPath(const CompareResult& result, const CompareItem& item, int side) {
  olstring path = itemShownPath(result, item, side);
  if (path.empty()) return {};
  if (somethingAt(path)) return path;
  const olstring& given = result.givenPath[side];
  if (!given.empty() && somethingAt(given)) return given;
  return {};
}
