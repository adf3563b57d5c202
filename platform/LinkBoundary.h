// Links inside a folder that is not trusted, the folder of an unpacked archive: a link is
// followed only while its target, resolved one step at a time, stays inside that folder.
// Whatever an archive's links point at outside its folder (/etc/shadow, ../../home) is
// never reached.
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class LinkReach {
  inside,   // every step stays inside; *target is the path with all links resolved
  outside,  // an absolute link, ".." above the boundary, or a link on the way that does so
  broken,   // something on the way is missing, no folder, unreadable, or links loop
};

// Where the path (the boundary itself or a path below it, links anywhere in it) leads.
// Each link is read and its text followed by name, ".." included, without ever stepping
// above the boundary; the path's own links are resolved the same way.
LinkReach resolveWithin(std::u16string_view boundary, std::u16string_view path, std::u16string* target);

}  // namespace platform
