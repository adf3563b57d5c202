// Links below an untrusted folder: followed while every step stays inside, never past it.

#include "platform/LinkBoundary.h"
#include "platform/Text.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <utility>

using namespace platform;
using testing_support::makeLink;
using testing_support::TempFolder;
using testing_support::writeFileBytes;

namespace {

TEST(LinkBoundary, LinksAreFollowedOnlyWhileEveryStepStaysInside) {
  TempFolder temp;
  const std::string box = temp.path("box");
  writeFileBytes(box + "/file.txt", "file");
  writeFileBytes(box + "/sub/deep/x.txt", "x");
  writeFileBytes(temp.path("outside.txt"), "outside");
  // Each link, named by its path below the box, and its text.
  const std::pair<const char*, const char*> links[] = {
      {"version", "file.txt"},     {"dirlink", "sub"},           {"chain1", "chain2"},
      {"chain2", "sub/deep/x.txt"}, {"sub/up", "../file.txt"},   {"sub/deep/back", "../../dirlink/deep"},
      {"absolute", "/etc/passwd"}, {"escape", "../outside.txt"}, {"via", "escape"},
      {"sub/outAndBack", "../../box/file.txt"}, {"loop", "loop"}, {"notFolder", "file.txt/x"},
  };
  for (const auto& [path, text] : links) makeLink(text, box + "/" + path);

  struct Case {
    const char* path;
    LinkReach reach;
    const char* target;
  };
  const Case cases[] = {
      {"", LinkReach::inside, ""},
      {"/version", LinkReach::inside, "/file.txt"},
      {"/dirlink/deep/x.txt", LinkReach::inside, "/sub/deep/x.txt"},
      {"/chain1", LinkReach::inside, "/sub/deep/x.txt"},
      {"/sub/up", LinkReach::inside, "/file.txt"},
      {"/sub/deep/back/x.txt", LinkReach::inside, "/sub/deep/x.txt"},
      {"/absolute", LinkReach::outside, nullptr},
      {"/escape", LinkReach::outside, nullptr},
      {"/via", LinkReach::outside, nullptr},
      {"/sub/outAndBack", LinkReach::outside, nullptr},
      {"/loop", LinkReach::broken, nullptr},
      {"/notFolder", LinkReach::broken, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::u16string target = u"unchanged";
    EXPECT_EQ(resolveWithin(utf8ToUtf16(box), utf8ToUtf16(box + c.path), &target), c.reach);
    EXPECT_EQ(utf16ToUtf8(target), c.target != nullptr ? box + c.target : "unchanged");
  }
  std::u16string target;
  EXPECT_EQ(resolveWithin(utf8ToUtf16(box), utf8ToUtf16(temp.path("outside.txt")), &target), LinkReach::outside)
      << "a path that does not start inside";
}

}  // namespace
