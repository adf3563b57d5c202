// The ignore files of the two compared trees, as the folder scan meets them: each listed
// folder's ".gitignore" on each side, and "info/exclude" of the repository whose top is a
// root. The scan asks, for each entry of the folder it lists, whether that side leaves it out.
#pragma once

#include "engine/CompareTree.h"
#include "engine/IgnoreRules.h"
#include "foundation/olstring.h"
#include "platform/FolderListing.h"
#include "platform/ReadOnlyFile.h"

#include <array>
#include <memory>
#include <string>
#include <unordered_map>

class IgnoreFiles {
public:
  // unpacked per side: the side is an unpacked archive, whose ignore files are never read
  // through a link.
  explicit IgnoreFiles(const bool (&unpacked)[2]) : m_unpacked{unpacked[0], unpacked[1]} {}

  // Called for every entry of the folder being listed, before exclusions: the rules of an
  // ignore file count even where the file itself is excluded from the compare.
  void noteEntry(const platform::FolderEntry& entry);

  // Takes up the rules in force in the folder just listed on one side: those of the folders
  // above it, then its own ".gitignore" if one was noted (at a root holding a ".git" folder,
  // the repository's "info/exclude" below them all). Folders are entered after their
  // parents. Nothing is read in a folder this side leaves out: nothing below it can be taken
  // back, so everything in it is left out. False when an ignore file cannot be read or is a
  // link (kErrorIgnoreFileIsLink): error() and errorPath() tell why and which.
  bool enterFolder(const CompareItem& folder, int side, olstring_view folderPath);

  // Whether this side's rules leave out an entry of the folder entered last. A link is no
  // folder to the rules, whatever it leads to.
  bool ignores(olstring_view name, bool isFolder);

  uint32_t error() const { return m_error; }
  const olstring& errorPath() const { return m_errorPath; }

private:
  // The rules of a file's text, null when it holds none; shared with every file of the
  // same text.
  std::shared_ptr<const IgnoreRules> rulesOf(const std::string& text);
  // Reads an ignore file's rules (null when it holds none). links says whether a link is
  // followed; a missing file may count as empty.
  bool readRules(olstring_view path, platform::ReadOnlyFile::Links links, bool missingIsEmpty,
                 std::shared_ptr<const IgnoreRules>& rules);
  bool fail(uint32_t code, olstring_view path);

  // The innermost layer in force in each folder entered, per side; null where no rules are.
  std::unordered_map<const CompareItem*, std::array<std::shared_ptr<const IgnoreLayer>, 2>> m_layers;
  // The rules of every file text met, parsed once: trees often repeat an ignore file.
  std::unordered_map<std::string, std::shared_ptr<const IgnoreRules>> m_parsed;
  // What the listing showed of the folder's ignore file and repository folder.
  struct Noted {
    bool present = false;
    bool isFolder = false;
    bool isLink = false;
  };
  Noted m_ignoreFile;
  Noted m_repository;
  const IgnoreLayer* m_current = nullptr;
  bool m_excluded = false;
  // The entered folder's path below the root; each entry's name is put after it in turn.
  std::string m_path;
  size_t m_folderLength = 0;
  bool m_unpacked[2];
  uint32_t m_error = 0;
  olstring m_errorPath;
};
