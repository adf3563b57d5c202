// Archives as compare sides, with the real 7-Zip.

#include "engine/CompareEngine.h"
#include "foundation/TextFile.h"
#include "platform/File.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

using engine_test::child;
using engine_test::flatten;
using engine_test::runJob;
using testing_support::TempFolder;

namespace {

class ArchiveCompareTest : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("TMPDIR", m_temp.path().c_str(), 1);
    testing_support::writeFileBytes(m_files.path("tree/a.txt"), "alpha");
    testing_support::writeFileBytes(m_files.path("tree/sub/b.txt"), "beta");
    testing_support::writeFileBytes(m_files.path("tree/sub/c.txt"), "gamma");
    m_engine.prepareArchives();
  }
  void TearDown() override {
    m_engine.removeArchiveWorkFolder();
    unsetenv("TMPDIR");
  }

  TempFolder m_temp;
  TempFolder m_files;
  CompareEngine m_engine;
};

}  // namespace

TEST_F(ArchiveCompareTest, TwoZipsWithOneDifferingMember) {
  testing_support::packWithSevenZip(m_files.path("a.zip"), m_files.path("tree"));
  testing_support::writeFileBytes(m_files.path("tree/sub/b.txt"), "BETA");
  testing_support::packWithSevenZip(m_files.path("b.zip"), m_files.path("tree"));
  ASSERT_EQ(runJob(m_engine, m_files.path("a.zip"), m_files.path("b.zip")), 0u);
  const auto tree = flatten(m_engine.result.root);
  EXPECT_EQ(tree.at("sub/b.txt") & ItemFlags::kContentDiffers, ItemFlags::kContentDiffers);
  EXPECT_EQ(tree.at("a.txt"), 0u);
  EXPECT_EQ(tree.at("sub/c.txt"), 0u);
  EXPECT_EQ(m_engine.result.missingFirst + m_engine.result.missingSecond, 0);
  // Each archive in its own folder of the work area.
  EXPECT_EQ(m_engine.result.root.side[0].name, m_engine.archiveArea.workFolder() + u"/a.zip");
  EXPECT_EQ(m_engine.result.root.side[1].name, m_engine.archiveArea.workFolder() + u"/b.zip");
}

TEST_F(ArchiveCompareTest, ArchiveAgainstFolderInBothOrdersAndAgainstItself) {
  testing_support::packWithSevenZip(m_files.path("tree.7z"), m_files.path("tree"));
  ASSERT_EQ(runJob(m_engine, m_files.path("tree.7z"), m_files.path("tree")), 0u);
  EXPECT_EQ(m_engine.result.differing, 0);
  ASSERT_NE(child(m_engine.result.root, "sub"), nullptr);
  ASSERT_EQ(runJob(m_engine, m_files.path("tree"), m_files.path("tree.7z")), 0u);
  EXPECT_EQ(m_engine.result.differing, 0);
  ASSERT_NE(child(m_engine.result.root, "a.txt"), nullptr);

  ASSERT_EQ(runJob(m_engine, m_files.path("tree.7z"), m_files.path("tree.7z")), 0u);
  EXPECT_EQ(m_engine.result.differing, 0);
  EXPECT_EQ(m_engine.result.root.side[1].name, m_engine.archiveArea.workFolder() + u"/tree.7z_1");
  EXPECT_EQ(m_engine.result.root.children.size(), 2u);
}

TEST_F(ArchiveCompareTest, CorruptArchiveFailsTheCompareWithItsPath) {
  testing_support::writeFileBytes(m_files.path("broken.zip"), "PK\x03\x04 no zip");
  EXPECT_EQ(runJob(m_engine, m_files.path("broken.zip"), m_files.path("tree")), 1u);
  EXPECT_EQ(m_engine.job.errorCode(), kErrorNoArchiveFolder);
  EXPECT_EQ(m_engine.job.errorPath(), fromUtf8(m_files.path("broken.zip")));
  EXPECT_TRUE(m_engine.result.root.children.empty());
  EXPECT_NE(findNoCase(readTextFile(m_engine.archiveArea.workFolder() + u"/7z.log"), u"Error Code"), olstring::npos);
}

TEST_F(ArchiveCompareTest, AnArchiveTooLargeForTheDiskFailsTheCompareNamingIt) {
  testing_support::packWithSevenZip(m_files.path("big.7z"), m_files.path("tree"));
  uint64_t available = 0;
  uint64_t total = 0;
  ASSERT_TRUE(platform::fileSystemSpace(m_temp.widePath(), &available, &total));
  // A reserve above what is free leaves no room at all.
  m_engine.archiveArea.setSpaceReserve(available + (uint64_t{1} << 30));
  EXPECT_EQ(runJob(m_engine, m_files.path("big.7z"), m_files.path("tree")), 1u);
  EXPECT_EQ(m_engine.job.errorCode(), kErrorNoRoomToUnpack);
  EXPECT_EQ(m_engine.job.errorPath(), fromUtf8(m_files.path("big.7z")));
  olstring text;
  m_engine.job.getError(text, u": ");
  EXPECT_EQ(text, u"There is not enough free space in the temporary folder to unpack the archive: " +
                      fromUtf8(m_files.path("big.7z")));
  EXPECT_TRUE(m_engine.result.root.children.empty());
}

TEST_F(ArchiveCompareTest, CompressedTarballsCompareAsTheFolderTheyWereMadeFrom) {
  m_engine.settings.autoTarGz = true;
  // Made by tar, holding the single top folder "tree", as a release tarball does.
  std::vector<std::pair<std::string, std::string>> kinds = {
      {"p.tar.gz", "-z"}, {"p.tgz", "-z"}, {"p.tar.xz", "-J"}, {"p.tar.bz2", "-j"}};
  if (testing_support::runCommand("command -v zstd >/dev/null") == 0) kinds.emplace_back("p.tar.zst", "--zstd");
  for (const auto& [name, compression] : kinds) {
    std::string output;
    ASSERT_EQ(testing_support::runCommand("tar -C " + testing_support::shellQuote(m_files.path()) + " " + compression + " -cf " +
                                              testing_support::shellQuote(m_files.path(name)) + " tree 2>&1",
                                          &output),
              0)
        << output;
  }
  for (const auto& [name, compression] : kinds) {
    SCOPED_TRACE(name);
    for (const bool archiveFirst : {true, false}) {
      const std::string archive = m_files.path(name);
      const std::string folder = m_files.path("tree");
      ASSERT_EQ(runJob(m_engine, archiveFirst ? archive : folder, archiveFirst ? folder : archive), 0u);
      EXPECT_EQ(m_engine.result.differing, 0);
      EXPECT_NE(child(m_engine.result.root, "sub"), nullptr) << "the tar's content, not the tar file";
    }
  }
  // A .tgz and a .tar.gz of the same folder are equal to each other.
  ASSERT_EQ(runJob(m_engine, m_files.path("p.tgz"), m_files.path("p.tar.gz")), 0u);
  EXPECT_EQ(m_engine.result.differing, 0);
  EXPECT_EQ(m_engine.result.root.children.size(), 2u);

  // One file changed in the folder is found.
  testing_support::writeFileBytes(m_files.path("tree/sub/b.txt"), "BETA");
  ASSERT_EQ(runJob(m_engine, m_files.path("p.tar.xz"), m_files.path("tree")), 0u);
  EXPECT_EQ(m_engine.result.differing, 1);
  EXPECT_EQ(flatten(m_engine.result.root).at("sub/b.txt"), ItemFlags::kContentDiffers);
}

TEST_F(ArchiveCompareTest, ACorruptTarballFailsTheCompareAndLeavesNothingUnpacked) {
  m_engine.settings.autoTarGz = true;
  std::string output;
  ASSERT_EQ(testing_support::runCommand("cd " + testing_support::shellQuote(m_files.path()) +
                                            " && tar -cJf good.tar.xz tree && head -c $(( $(stat -c %s good.tar.xz) / 2 )) good.tar.xz > broken.tar.xz 2>&1",
                                        &output),
            0)
      << output;
  for (const bool archiveFirst : {true, false}) {
    SCOPED_TRACE(archiveFirst);
    const std::string archive = m_files.path("broken.tar.xz");
    EXPECT_EQ(runJob(m_engine, archiveFirst ? archive : m_files.path("tree"), archiveFirst ? m_files.path("tree") : archive), 1u);
    EXPECT_EQ(m_engine.job.errorCode(), kErrorNoArchiveFolder);
    EXPECT_EQ(m_engine.job.errorPath(), fromUtf8(archive));
    std::string left;
    testing_support::runCommand("ls -A " + testing_support::shellQuote(toUtf8(m_engine.archiveArea.workFolder())), &left);
    EXPECT_EQ(left, "7z.log\nMirrane.lock\n");
  }
}

namespace {

using testing_support::makePackageTree;
using testing_support::packWithTar;

// The items that differ, with their flags, in both orders of archive and folder.
std::string differencesBothWays(CompareEngine& engine, const std::string& archive, const std::string& folder) {
  std::string found;
  for (const bool archiveFirst : {true, false}) {
    const uint32_t exitCode = archiveFirst ? runJob(engine, archive, folder) : runJob(engine, folder, archive);
    if (exitCode != 0) return "the compare failed with " + std::to_string(engine.job.errorCode());
    for (const auto& [path, flags] : flatten(engine.result.root)) {
      if (flags != 0) found += path + " " + std::to_string(flags) + "\n";
    }
    if (child(engine.result.root, "docs") == nullptr || child(*child(engine.result.root, "docs"), "demo") == nullptr) {
      found += "the link to a folder was not followed\n";
    }
  }
  return found;
}

}  // namespace

TEST_F(ArchiveCompareTest, APackagesLinksAreThoseOfTheFolderItWasMadeFrom) {
  m_engine.settings.autoTarGz = true;
  // What 7-Zip unpacks: links inside the tree are followed on both sides, the absolute one is
  // compared by its text.
  makePackageTree(m_files.path("pkg"));
  packWithTar(m_files.path("pkg.tar.xz"), m_files.path("pkg"));
  EXPECT_EQ(differencesBothWays(m_engine, m_files.path("pkg.tar.xz"), m_files.path("pkg")), "");

  // Links that lead out of the tree, which 7-Zip refuses to unpack, through an unpacker that
  // keeps them; run as an ordinary user, to whom the secret cannot be read, so that a
  // difference would show had either side opened it.
  const std::string secret = m_files.path("secret/only-root");
  testing_support::writeFileBytes(secret, "root only");
  testing_support::setMode(secret, 0600);
  makePackageTree(m_files.path("full/pkg"), secret);
  packWithTar(m_files.path("full.tar.gz"), m_files.path("full/pkg"));
  // The same links with other texts, or as plain files, differ.
  makePackageTree(m_files.path("other/pkg"));
  testing_support::writeFileBytes(m_files.path("other/pkg/usr/passwd"), "../../../../etc/passwd");
  testing_support::makeLink("/elsewhere", m_files.path("other/pkg/usr/secret-absolute"));
  testing_support::makeLink("../../secret/other", m_files.path("other/pkg/usr/secret-relative"));
  testing_support::ScopedEnvironment mode("MRN_FAKE7Z_MODE", "tar");
  const int status = testing_support::runInChild(
      [&] {
        CompareEngine engine;
        engine.prepareArchives();
        engine.archiveArea.setSevenZipPath(fromUtf8(std::string(MIRRANE_BUILD_DIR) + "/tests/fake7z"));
        engine.settings.autoTarGz = true;
        const bool secretUnreadable = !testing_support::runningAsRoot() || readTextFile(fromUtf8(secret)).empty();
        const std::string same = differencesBothWays(engine, m_files.path("full.tar.gz"), m_files.path("full/pkg"));
        const std::string other = differencesBothWays(engine, m_files.path("full.tar.gz"), m_files.path("other/pkg"));
        const std::string expected = "usr/passwd 4\nusr/secret-absolute 4\nusr/secret-relative 4\n";
        std::fprintf(stderr, "unreadable: %d\nsame:\n%sother:\n%s", secretUnreadable, same.c_str(), other.c_str());
        engine.removeArchiveWorkFolder();
        return secretUnreadable && same.empty() && other == expected + expected;
      },
      /*dropPrivileges=*/true);
  EXPECT_EQ(status, 0);
}

TEST_F(ArchiveCompareTest, IgnoreFilesInsideAnArchiveCountAndTheirLinksAreNeverFollowed) {
  TempFolder outside;
  testing_support::writeFileBytes(outside.path("exclude"), "*.txt\n");
  // The second time the repository's exclude file is a link, which is refused, not followed.
  for (const bool linked : {false, true}) {
    SCOPED_TRACE(linked);
    TempFolder inner;
    testing_support::writeFileBytes(inner.path(".gitignore"), "*.log\n");
    testing_support::writeFileBytes(inner.path("run.log"), "archived");
    testing_support::writeFileBytes(inner.path("a.txt"), "alpha");
    testing_support::makeFolders(inner.path(".git/info"));
    if (linked) testing_support::makeLink(outside.path("exclude"), inner.path(".git/info/exclude"));
    const std::string archive = m_files.path(linked ? "linked.7z" : "plain.7z");
    testing_support::packWithSevenZip(archive, inner.path(), "-snl");
    m_engine.options.ignoreFiles = true;
    ASSERT_EQ(runJob(m_engine, archive, inner.path()), linked ? 1u : 0u);
    EXPECT_EQ(m_engine.job.errorCode(), linked ? kErrorIgnoreFileIsLink : 0u);
    const auto tree = flatten(m_engine.result.root);
    EXPECT_EQ(tree.count("run.log"), 0u);
    EXPECT_EQ(tree.count("a.txt"), linked ? 0u : 1u);
  }
}
