#include "platform/File.h"
#include "platform/FolderListing.h"
#include "platform/Text.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace platform;
using testing_support::TempFolder;

namespace {

std::map<std::u16string, FolderEntry> listAll(const std::string& folder, LinkPolicy policy = LinkPolicy::follow) {
  std::map<std::u16string, FolderEntry> entries;
  FolderListing listing;
  EXPECT_TRUE(listing.open(utf8ToUtf16(folder), policy));
  FolderEntry entry;
  while (listing.next(entry)) entries[entry.name] = entry;
  EXPECT_EQ(listing.error(), 0u);
  return entries;
}

}  // namespace

TEST(FolderListing, OddNamesRoundTripAndOpenByTheirListedName) {
  TempFolder folder;
  // Only "." and ".." themselves are skipped, not names that start like them.
  const std::string names[] = {"bad\xFF\xFEname", "back\\slash", "new\nline", "smile\xF0\x9F\x98\x80",
                               "caf\xC3\xA9",     "...",          "..x",       ".x"};
  for (const auto& name : names) testing_support::writeFileBytes(folder.path(name), "content of " + name);
  const auto entries = listAll(folder.path());
  ASSERT_EQ(entries.size(), std::size(names));
  for (const auto& [wide, entry] : entries) {
    const std::string bytes = utf16ToUtf8(wide);
    SCOPED_TRACE(bytes);
    FileHandle handle = openFile(utf8ToUtf16(folder.path()) + u"/" + wide, FileAccess::read);
    ASSERT_NE(handle, nullptr);
    char buffer[128];
    size_t got = 0;
    ASSERT_TRUE(readFile(handle, buffer, sizeof buffer, &got));
    EXPECT_EQ(std::string(buffer, got), "content of " + bytes);
    EXPECT_EQ(entry.size, got);
    closeFile(handle);
  }
}

TEST(FolderListing, AttributesTimesLinksAndSpecialFiles) {
  TempFolder folder;
  testing_support::writeFileBytes(folder.path("plain"), "12345");
  testing_support::writeFileBytes(folder.path(".hidden"), "");
  testing_support::writeFileBytes(folder.path("readonly"), "");
  testing_support::setMode(folder.path("readonly"), 0444);
  testing_support::makeFolders(folder.path("sub"));
  testing_support::makeFifo(folder.path("fifo"));
  testing_support::makeLink("plain", folder.path("to-plain"));
  testing_support::makeLink("sub", folder.path("to-sub"));
  testing_support::makeLink("nowhere", folder.path("dangling"));
  testing_support::makeLink("loop", folder.path("loop"));
  testing_support::setModifiedTime(folder.path("plain"), 1700000000, 123456789);

  auto entries = listAll(folder.path());
  EXPECT_EQ(entries[u"plain"].size, 5u);
  EXPECT_EQ(entries[u"plain"].attributes, 0u);
  EXPECT_EQ(entries[u"plain"].writeTime, (1700000000ULL + 11644473600ULL) * 10000000ULL + 1234567ULL);
  EXPECT_EQ(entries[u".hidden"].attributes, kAttributeHidden);
  EXPECT_EQ(entries[u"readonly"].attributes, kAttributeReadOnly);
  EXPECT_EQ(entries[u"sub"].attributes, kAttributeDirectory);
  EXPECT_EQ(entries[u"fifo"].attributes, kAttributeSystem);
  // Links are followed.
  EXPECT_EQ(entries[u"to-plain"].size, 5u);
  EXPECT_EQ(entries[u"to-sub"].attributes, kAttributeDirectory);
  EXPECT_EQ(entries[u"to-sub"].inode, entries[u"sub"].inode);
  // Dangling and looping links are empty files with attributes 0.
  for (const auto* name : {u"dangling", u"loop"}) {
    EXPECT_EQ(entries[name].size, 0u);
    EXPECT_EQ(entries[name].attributes, 0u);
    EXPECT_TRUE(entries[name].isLink);
  }

  // Never following: a link is a file sized by its target text.
  entries = listAll(folder.path(), LinkPolicy::listAsFile);
  EXPECT_EQ(entries[u"to-sub"].attributes, 0u);
  EXPECT_EQ(entries[u"to-sub"].size, 3u);
  EXPECT_EQ(entries[u"dangling"].size, 7u);
}

TEST(FolderListing, FailsClearlyOnWhatCannotBeListed) {
  TempFolder folder;
  testing_support::writeFileBytes(folder.path("file"), "x");
  FolderListing listing;
  EXPECT_FALSE(listing.open(utf8ToUtf16(folder.path("missing"))));
  EXPECT_EQ(listing.error(), 2u);
  EXPECT_FALSE(listing.open(utf8ToUtf16(folder.path("file"))));
  EXPECT_EQ(listing.error(), 3u);
  testing_support::makeLink(".", folder.path("self"));
  EXPECT_FALSE(listing.open(utf8ToUtf16(folder.path("self")), LinkPolicy::listAsFile));
}

TEST(FolderListing, TimesBefore1970AndBefore1601) {
  EXPECT_EQ(fileTimeFromPosix(0, 0), 11644473600ULL * 10000000ULL);
  EXPECT_EQ(fileTimeFromPosix(-11644473600LL, 0), 0u);
  EXPECT_EQ(fileTimeFromPosix(-11644473601LL - 5, 0), 0u);
}
