#include "engine/Archive.h"
#include "engine/CompareEngine.h"
#include "foundation/Paths.h"
#include "foundation/TextFile.h"
#include "platform/FileLock.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <optional>
#include <vector>
#include <cstdio>
#include <cstdlib>

using testing_support::TempFolder;

namespace {

uint32_t crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void put16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}
void put32(std::string& out, uint32_t value) {
  put16(out, static_cast<uint16_t>(value & 0xFFFF));
  put16(out, static_cast<uint16_t>(value >> 16));
}

void put64(std::string& out, uint64_t value) {
  put32(out, static_cast<uint32_t>(value & 0xFFFFFFFF));
  put32(out, static_cast<uint32_t>(value >> 32));
}

// A stored zip whose single entry has whatever name we like, "../" included, and, with a
// declared size, zip64 sizes that claim it unpacks to that many bytes: no archiver would
// make either on purpose.
std::string zipWithEntry(const std::string& name, const std::string& content, std::optional<uint64_t> declared = {}) {
  const auto size = static_cast<uint32_t>(content.size());
  std::string extra;
  if (declared) {
    put16(extra, 1);  // zip64 extended information
    put16(extra, 16);
    put64(extra, *declared);
    put64(extra, content.size());
  }
  const uint16_t version = declared ? 45 : 10;
  const auto header = [&](std::string& out) {
    put16(out, 0);  // flags
    put16(out, 0);  // stored
    put32(out, 0);  // time and date
    put32(out, crc32(content));
    put32(out, declared ? 0xFFFFFFFF : size);
    put32(out, declared ? 0xFFFFFFFF : size);
    put16(out, static_cast<uint16_t>(name.size()));
    put16(out, static_cast<uint16_t>(extra.size()));
  };
  std::string local;
  put32(local, 0x04034b50);
  put16(local, version);
  header(local);
  local += name + extra + content;
  std::string central;
  put32(central, 0x02014b50);
  put16(central, declared ? 45 : 20);
  put16(central, version);
  header(central);
  put16(central, 0);  // comment
  put16(central, 0);  // disk
  put16(central, 0);  // internal attributes
  put32(central, 0);  // external attributes
  put32(central, 0);  // local header offset
  central += name + extra;
  std::string end;
  put32(end, 0x06054b50);
  put32(end, 0);
  put16(end, 1);
  put16(end, 1);
  put32(end, static_cast<uint32_t>(central.size()));
  put32(end, static_cast<uint32_t>(local.size()));
  put16(end, 0);
  return local + central + end;
}

// What the work folder holds besides its lock file.
std::string workFolderContent(const ArchiveWorkArea& area) {
  std::string names;
  testing_support::runCommand("ls -A " + testing_support::shellQuote(toUtf8(area.workFolder())) + " | grep -v '^Mirrane.lock$'",
                              &names);
  return names;
}

class ArchiveTest : public ::testing::Test {
protected:
  void SetUp() override {
    // Everything the work area does happens below this test's own temporary folder.
    setenv("TMPDIR", m_temp.path().c_str(), 1);
    testing_support::makeFolders(m_files.path());
  }
  void TearDown() override { unsetenv("TMPDIR"); }

  std::string fakeSevenZip() const { return std::string(MIRRANE_BUILD_DIR) + "/tests/fake7z"; }

  TempFolder m_temp;
  TempFolder m_files;
};

}  // namespace

TEST_F(ArchiveTest, WorkAreaIsPrivateLockedAndFindsSevenZip) {
  ArchiveWorkArea area;
  area.prepare();
  EXPECT_EQ(area.parentFolder(), m_temp.widePath("Mirrane"));
  EXPECT_EQ(area.workFolder(), m_temp.widePath("Mirrane/mrn_" + std::to_string(getpid())));
  std::string mode;
  testing_support::runCommand("stat -c %a " + testing_support::shellQuote(m_temp.path("Mirrane")), &mode);
  EXPECT_EQ(mode, "700\n");
  EXPECT_TRUE(platform::isLockHeldElsewhere(area.workFolder() + u"/Mirrane.lock"));
  EXPECT_FALSE(area.sevenZipPath().empty()) << "7zz from Debian's 7zip package is expected on PATH";

  // A second work area of the same process gets its own folder.
  ArchiveWorkArea second;
  second.prepare();
  EXPECT_EQ(second.workFolder(), area.workFolder() + u"_1");
}

TEST_F(ArchiveTest, ParentFolderThatIsALinkOrOpenToOthersIsNotTrusted) {
  TempFolder elsewhere;
  testing_support::makeLink(elsewhere.path(), m_temp.path("Mirrane"));
  ArchiveWorkArea area;
  area.prepare();
  EXPECT_EQ(area.parentFolder(), m_temp.widePath("Mirrane-" + std::to_string(getuid())));
  EXPECT_FALSE(testing_support::exists(elsewhere.path("mrn_" + std::to_string(getpid()))));
}

TEST_F(ArchiveTest, UnpacksIntoUniqueFoldersWhateverTheArchiveIsCalled) {
  testing_support::writeFileBytes(m_files.path("src/a.txt"), "alpha");
  testing_support::writeFileBytes(m_files.path("src/sub/b.txt"), "beta");
  ArchiveWorkArea area;
  area.prepare();
  const std::string names[] = {"plain.zip", "with space.7z", "quote\"and'.zip", "$(touch pwned).zip",
                               "bad\xFF\xFEname.zip", "-dash.zip"};
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    testing_support::packWithSevenZip(m_files.path(name), m_files.path("src"));
    const olstring folder = area.prepareArchive(fromUtf8(m_files.path(name)), true);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder, area.workFolder() + u"/" + fromUtf8(name));
    EXPECT_EQ(testing_support::readFileBytes(toUtf8(folder) + "/sub/b.txt"), "beta");
  }
  EXPECT_FALSE(testing_support::exists(m_files.path("src/pwned")));
  EXPECT_FALSE(testing_support::exists(toUtf8(area.workFolder()) + "/pwned"));
  // The same archive again: a second folder beside the first.
  EXPECT_EQ(area.prepareArchive(fromUtf8(m_files.path("plain.zip")), true), area.workFolder() + u"/plain.zip_1");

  area.clearWorkFolder();
  EXPECT_FALSE(testing_support::exists(toUtf8(area.workFolder()) + "/plain.zip"));
  EXPECT_TRUE(platform::isLockHeldElsewhere(area.workFolder() + u"/Mirrane.lock")) << "the lock survives clearing";
}

TEST_F(ArchiveTest, CorruptArchiveFailsAndWritesTheLog) {
  testing_support::writeFileBytes(m_files.path("broken.zip"), "PK\x03\x04 this is no zip at all");
  ArchiveWorkArea area;
  area.prepare();
  EXPECT_EQ(area.prepareArchive(fromUtf8(m_files.path("broken.zip")), true), u"");
  const std::string raw = testing_support::readFileBytes(toUtf8(area.workFolder()) + "/7z.log");
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ(raw.substr(0, 2), "\xFF\xFE") << "the log is UTF-16LE with a byte order mark";
  const olstring log = readTextFile(area.workFolder() + u"/7z.log");
  EXPECT_NE(log.find(area.sevenZipPath() + u" x -y -spd " + fromUtf8(m_files.path("broken.zip"))), olstring::npos);
  EXPECT_EQ(workFolderContent(area), "7z.log\n") << "the partial unpack is removed";
  EXPECT_NE(log.find(u"\r\nError Code 2\r\n--------\r\n\r\n"), olstring::npos);
  EXPECT_NE(findNoCase(log, u"broken.zip"), olstring::npos);
  // The first line is the time: something before the first line break.
  EXPECT_GT(log.find(u"\r\n"), 4u);
}

TEST_F(ArchiveTest, NamesWithWildcardCharactersUnpackOnlyThemselves) {
  testing_support::writeFileBytes(m_files.path("one/one.txt"), "one");
  testing_support::writeFileBytes(m_files.path("other/other.txt"), "other");
  testing_support::packWithSevenZip(m_files.path("ab.zip"), m_files.path("other"));
  testing_support::packWithSevenZip(m_files.path("a]b.zip"), m_files.path("other"));
  ArchiveWorkArea area;
  area.prepare();
  for (const char* name : {"a?.zip", "a*.zip", "a[b].zip", "a[]b.zip"}) {
    SCOPED_TRACE(name);
    testing_support::packWithSevenZip(m_files.path(name), m_files.path("one"));
    const olstring folder = area.prepareArchive(fromUtf8(m_files.path(name)), false);
    ASSERT_FALSE(folder.empty());
    std::string listing;
    testing_support::runCommand("ls -A " + testing_support::shellQuote(toUtf8(folder)), &listing);
    EXPECT_EQ(listing, "one.txt\n");
    std::remove(m_files.path(name).c_str());
  }
}

TEST_F(ArchiveTest, AnArchiveThatWouldFillTheDiskIsRefusedOrStopped) {
  ArchiveWorkArea area;
  area.prepare();
  // It declares a petabyte: refused before anything is written, without a log.
  testing_support::writeFileBytes(m_files.path("huge.zip"), zipWithEntry("huge.bin", "small", uint64_t{1} << 50));
  UnpackFailure failure = UnpackFailure::none;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(area.prepareArchive(fromUtf8(m_files.path("huge.zip")), false, {}, &failure).empty());
  EXPECT_EQ(failure, UnpackFailure::noRoom);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(workFolderContent(area), "");

  // It declares half the free space, which is there, but only 1 MiB lies above the reserve:
  // refused before anything is written as well.
  uint64_t free = 0;
  uint64_t capacity = 0;
  ASSERT_TRUE(platform::fileSystemSpace(area.workFolder(), &free, &capacity));
  area.setSpaceReserve(free - (uint64_t{1} << 20));
  testing_support::writeFileBytes(m_files.path("reserve.zip"), zipWithEntry("half.bin", "small", free / 2));
  EXPECT_TRUE(area.prepareArchive(fromUtf8(m_files.path("reserve.zip")), false, {}, &failure).empty());
  EXPECT_EQ(failure, UnpackFailure::noRoom) << "the reserve is kept free";
  EXPECT_EQ(workFolderContent(area), "");

  // A gzip keeps the size of its last member only: 32 members of 16 MiB of zeros declare
  // 16 MiB and unpack 512 MiB. With 64 MiB of room above the reserve, the unpack is
  // stopped on its way, and what it wrote is removed.
  std::string output;
  ASSERT_EQ(testing_support::runCommand("cd " + testing_support::shellQuote(m_files.path()) +
                                            " && head -c 16777216 /dev/zero | gzip -9 > m.gz && for i in $(seq 32); do "
                                            "cat m.gz; done > zeros.gz 2>&1",
                                        &output),
            0)
      << output;
  uint64_t available = 0;
  uint64_t total = 0;
  ASSERT_TRUE(platform::fileSystemSpace(area.workFolder(), &available, &total));
  ASSERT_GT(available, uint64_t{1} << 30) << "the test needs 1 GiB of free space";
  area.setSpaceReserve(available - (uint64_t{64} << 20));
  EXPECT_TRUE(area.prepareArchive(fromUtf8(m_files.path("zeros.gz")), false, {}, &failure).empty());
  EXPECT_EQ(failure, UnpackFailure::noRoom);
  EXPECT_EQ(workFolderContent(area), "7z.log\n");

  // With room enough, the same archive unpacks.
  area.setSpaceReserve(0);
  area.clearWorkFolder();
  const olstring folder = area.prepareArchive(fromUtf8(m_files.path("zeros.gz")), false, {}, &failure);
  EXPECT_FALSE(folder.empty());
  EXPECT_EQ(failure, UnpackFailure::none);
  uint64_t size = 0;
  EXPECT_EQ(pathType(folder + u"/zeros", &size), PathType::file);
  EXPECT_EQ(size, uint64_t{512} << 20);
}

TEST_F(ArchiveTest, StandInExitCodesOutputFloodsAndCrashesAreFailures) {
  testing_support::writeFileBytes(m_files.path("x.zip"), "anything");
  ArchiveWorkArea area;
  area.prepare();
  area.setSevenZipPath(fromUtf8(fakeSevenZip()));
  struct Case {
    const char* mode;
    const char16_t* logHolds;
  };
  const Case cases[] = {{"exit1", u"Error Code 1"},   {"flood", u"Error Code 1"}, {"crash", u"Error Code 134"},
                        {"utf16", u"Err"},            {"success", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    setenv("MRN_FAKE7Z_MODE", c.mode, 1);
    const auto start = std::chrono::steady_clock::now();
    const olstring folder = area.prepareArchive(fromUtf8(m_files.path("x.zip")), false);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    if (c.logHolds == nullptr) {
      EXPECT_FALSE(folder.empty());
      continue;
    }
    EXPECT_TRUE(folder.empty());
    EXPECT_NE(readTextFile(area.workFolder() + u"/7z.log").find(c.logHolds), olstring::npos);
  }
  unsetenv("MRN_FAKE7Z_MODE");

  // A program that cannot be started is a failure with code 4294967295.
  area.setSevenZipPath(m_files.widePath("no-such-7z"));
  EXPECT_TRUE(area.prepareArchive(fromUtf8(m_files.path("x.zip")), false).empty());
  EXPECT_NE(readTextFile(area.workFolder() + u"/7z.log").find(u"Error Code 4294967295"), olstring::npos);
}

TEST_F(ArchiveTest, StopRequestEndsALongRun) {
  testing_support::writeFileBytes(m_files.path("x.zip"), "anything");
  ArchiveWorkArea area;
  area.prepare();
  area.setSevenZipPath(fromUtf8(fakeSevenZip()));
  setenv("MRN_FAKE7Z_MODE", "sleep", 1);
  const auto start = std::chrono::steady_clock::now();
  const auto stop = [start] { return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(300); };
  EXPECT_TRUE(area.prepareArchive(fromUtf8(m_files.path("x.zip")), false, stop).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  unsetenv("MRN_FAKE7Z_MODE");
}

TEST_F(ArchiveTest, EncryptedArchiveFailsAtOnce) {
  testing_support::writeFileBytes(m_files.path("src/secret.txt"), "hidden");
  testing_support::packWithSevenZip(m_files.path("locked.7z"), m_files.path("src"), "-pSECRET -mhe=on");
  ArchiveWorkArea area;
  area.prepare();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(area.prepareArchive(fromUtf8(m_files.path("locked.7z")), false).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(ArchiveTest, TarInsideGzip) {
  testing_support::writeFileBytes(m_files.path("src/inner/one.txt"), "one");
  std::string output;
  ASSERT_EQ(testing_support::runCommand("cd " + testing_support::shellQuote(m_files.path("src")) + " && tar cf ../x.tar inner && cd .. && gzip -k x.tar && "
                                        "printf 'just text' > plain.txt && gzip -k plain.txt 2>&1", &output), 0) << output;
  ArchiveWorkArea area;
  area.prepare();
  // With the tar step: a folder named like the tar, holding the tar's content.
  olstring folder = area.prepareArchive(fromUtf8(m_files.path("x.tar.gz")), true);
  EXPECT_EQ(folder, area.workFolder() + u"/x.tar.gz/x.tar");
  EXPECT_EQ(testing_support::readFileBytes(toUtf8(folder) + "/inner/one.txt"), "one");
  EXPECT_EQ(testing_support::runCommand("ls " + testing_support::shellQuote(toUtf8(area.workFolder()) + "/x.tar.gz") + " | wc -l", &output), 0);
  // Without it: the single tar file.
  folder = area.prepareArchive(fromUtf8(m_files.path("x.tar.gz")), false);
  EXPECT_EQ(folder, area.workFolder() + u"/x.tar.gz_1");
  EXPECT_EQ(pathType(folder + u"/x.tar"), PathType::file);
  // A .gz of plain text: the second unpack fails and the single file stays as it was.
  folder = area.prepareArchive(fromUtf8(m_files.path("plain.txt.gz")), true);
  EXPECT_EQ(folder, area.workFolder() + u"/plain.txt.gz");
  EXPECT_EQ(testing_support::readFileBytes(toUtf8(folder) + "/plain.txt"), "just text");
}

TEST_F(ArchiveTest, CompressedTarballsUnpackInTwoStepsWhateverTheirSuffix) {
  testing_support::writeFileBytes(m_files.path("src/inner/one.txt"), "one");
  testing_support::writeFileBytes(m_files.path("src/two.txt"), "two");
  struct Case {
    const char* name;
    const char* tarSwitch;  // how tar compresses it
  };
  const Case cases[] = {{"p.tar.gz", "-z"},    {"p.TGZ", "-z"},        {"p.tar.xz", "-J"},      {"p.txz", "-J"},
                        {"p.tar.bz2", "-j"},   {"p.tbz2", "-j"},       {"p.tbz", "-j"},         {"p.tar.zst", "--zstd"},
                        {"p.tzst", "--zstd"},  {"p.tar.lzma", "--lzma"}, {"p.tlz", "--lzma"}};
  ArchiveWorkArea area;
  area.prepare();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string output;
    ASSERT_EQ(testing_support::runCommand("tar -C " + testing_support::shellQuote(m_files.path("src")) + " " + c.tarSwitch +
                                              " -cf " + testing_support::shellQuote(m_files.path(c.name)) + " . 2>&1",
                                          &output),
              0)
        << output;
    std::vector<olstring> steps;
    UnpackFailure failure = UnpackFailure::failed;
    const olstring folder = area.prepareArchive(fromUtf8(m_files.path(c.name)), true, {}, &failure,
                                                [&steps](olstring_view name) { steps.emplace_back(name); });
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(failure, UnpackFailure::none);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0], fromUtf8(c.name));
    EXPECT_EQ(folder, area.workFolder() + u"/" + fromUtf8(c.name) + u"/" + steps[1]);
    EXPECT_EQ(testing_support::readFileBytes(toUtf8(folder) + "/inner/one.txt"), "one");
    EXPECT_EQ(testing_support::readFileBytes(toUtf8(folder) + "/two.txt"), "two");
    // Nothing but the unpacked tar's folder: the tar file itself is gone.
    std::string listing;
    testing_support::runCommand("ls -A " + testing_support::shellQuote(toUtf8(area.workFolder() + u"/" + fromUtf8(c.name))), &listing);
    EXPECT_EQ(listing, toUtf8(steps[1]) + "\n");
    // Without the tar step, the single tar file.
    const olstring single = area.prepareArchive(fromUtf8(m_files.path(c.name)), false);
    EXPECT_EQ(pathType(single + u"/" + steps[1]), PathType::file);
  }
  EXPECT_TRUE(isCompressedTarPath(u"/x/Backup.Tar.Lz"));
  EXPECT_FALSE(isCompressedTarPath(u"/x/backup.gz"));
  EXPECT_FALSE(isCompressedTarPath(u"/x/backup.tar"));
  EXPECT_FALSE(isCompressedTarPath(u"/x/backuptgz"));
}

TEST_F(ArchiveTest, ATarballThatFailsInEitherStepFailsWholeAndLeavesOnlyTheLog) {
  std::string output;
  ASSERT_EQ(testing_support::runCommand("cd " + testing_support::shellQuote(m_files.path()) +
                                            " && mkdir src && echo data > src/f.txt && tar -cJf good.tar.xz src"
                                            " && head -c $(( $(stat -c %s good.tar.xz) / 2 )) good.tar.xz > cut.tar.xz"
                                            " && printf 'no tar in here' | xz > notar.tar.xz 2>&1",
                                        &output),
            0)
      << output;
  ArchiveWorkArea area;
  area.prepare();
  struct Case {
    const char* name;
    size_t runsInLog;
  };
  for (const Case c : {Case{"cut.tar.xz", 1}, Case{"notar.tar.xz", 2}}) {
    SCOPED_TRACE(c.name);
    UnpackFailure failure = UnpackFailure::none;
    EXPECT_TRUE(area.prepareArchive(fromUtf8(m_files.path(c.name)), true, {}, &failure).empty());
    EXPECT_EQ(failure, UnpackFailure::failed);
    EXPECT_EQ(workFolderContent(area), "7z.log\n") << "the partial unpack is removed";
    // The log names every step that ran: the unpack of the file, then that of its tar.
    const olstring log = readTextFile(area.workFolder() + u"/7z.log");
    size_t runs = 0;
    for (size_t at = log.find(u"\r\nError Code "); at != olstring::npos; at = log.find(u"\r\nError Code ", at + 1)) ++runs;
    EXPECT_EQ(runs, c.runsInLog);
    EXPECT_NE(log.find(fromUtf8(m_files.path(c.name))), olstring::npos);
    area.clearWorkFolder();
  }
}

TEST_F(ArchiveTest, NamesThatClimbOutAndLinksStayInside) {
  testing_support::writeFileBytes(m_files.path("climb.zip"), zipWithEntry("../../escaped.txt", "gotcha"));
  testing_support::writeFileBytes(m_files.path("links/real.txt"), "real");
  testing_support::makeLink("/", m_files.path("links/to-root"));
  testing_support::makeLink("../..", m_files.path("links/up-up"));
  testing_support::packWithSevenZip(m_files.path("links.7z"), m_files.path("links"), "-snl");
  ArchiveWorkArea area;
  area.prepare();
  area.prepareArchive(fromUtf8(m_files.path("climb.zip")), false);
  std::string found;
  testing_support::runCommand("find " + testing_support::shellQuote(m_temp.path()) + " " + testing_support::shellQuote(m_files.path()) +
                                  " -name escaped.txt -not -path " + testing_support::shellQuote(toUtf8(area.workFolder()) + "/*"),
                              &found);
  EXPECT_EQ(found, "") << "nothing may be written outside the work folder";

  // 7-Zip refuses links that point out of the archive (a failed unpack, with the log), or
  // leaves them as links; never is what they name copied in.
  const olstring folder = area.prepareArchive(fromUtf8(m_files.path("links.7z")), false);
  if (folder.empty()) {
    EXPECT_NE(findNoCase(readTextFile(area.workFolder() + u"/7z.log"), u"Error Code"), olstring::npos);
  } else {
    for (const char* name : {"/to-root", "/up-up"}) {
      const olstring path = folder + fromUtf8(name);
      if (!platform::isSymbolicLink(path)) {
        EXPECT_NE(pathType(path), PathType::folder) << toUtf8(path);
      }
    }
  }

  // A link that stays inside the archive is unpacked as a link.
  TempFolder inner;
  testing_support::writeFileBytes(inner.path("real.txt"), "real");
  testing_support::makeLink("real.txt", inner.path("alias"));
  testing_support::packWithSevenZip(m_files.path("inner.7z"), inner.path(), "-snl");
  const olstring innerFolder = area.prepareArchive(fromUtf8(m_files.path("inner.7z")), false);
  ASSERT_FALSE(innerFolder.empty());
  EXPECT_TRUE(platform::isSymbolicLink(innerFolder + u"/alias"));
}

TEST_F(ArchiveTest, CleanUpKeepsRunningInstancesAndRemovesEndedOnes) {
  // Two other instances: one that keeps running and one killed without a chance to clean up.
  auto startInstance = [](int readyPipe) {
    const pid_t child = fork();
    if (child == 0) {
      ArchiveWorkArea area;
      area.prepare();
      testing_support::writeFileBytes(toUtf8(area.workFolder()) + "/unpacked.txt", "data");
      const char ready = 'r';
      if (write(readyPipe, &ready, 1) != 1) _exit(2);
      for (;;) pause();
    }
    return child;
  };
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t running = startInstance(ready[1]);
  const pid_t crashed = startInstance(ready[1]);
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  kill(crashed, SIGKILL);
  waitpid(crashed, nullptr, 0);
  const std::string runningFolder = m_temp.path("Mirrane/mrn_" + std::to_string(running));
  const std::string crashedFolder = m_temp.path("Mirrane/mrn_" + std::to_string(crashed));
  ASSERT_TRUE(testing_support::exists(crashedFolder));
  testing_support::writeFileBytes(m_temp.path("Mirrane/stray.txt"), "x");

  {
    ArchiveWorkArea area;
    area.prepare();
    area.cleanUp();
    EXPECT_FALSE(testing_support::exists(toUtf8(area.workFolder())));
  }
  EXPECT_TRUE(testing_support::exists(runningFolder + "/unpacked.txt"));
  EXPECT_FALSE(testing_support::exists(crashedFolder));
  EXPECT_FALSE(testing_support::exists(m_temp.path("Mirrane/stray.txt")));
  kill(running, SIGKILL);
  waitpid(running, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
}

TEST_F(ArchiveTest, AtStartUpEndedWorkFoldersGoAndOnlyRecentKeptLogsStay) {
  const std::string parent = m_temp.path("Mirrane");
  testing_support::makeFolders(parent);
  testing_support::setMode(parent, 0700);
  // A process that runs but has not yet locked its new folder.
  const pid_t running = fork();
  if (running == 0) {
    for (;;) pause();
  }
  const auto hoursAgo = [](int hours) { return static_cast<int64_t>(std::time(nullptr)) - hours * 3600; };
  enum Outcome { untouched, logOnly, gone };
  struct Case {
    std::string name;
    int logAgeHours;  // -1: no log
    Outcome outcome;
  };
  std::vector<Case> cases = {
      {"mrn_4000000001", -1, gone},                          // ended, nothing kept
      {"mrn_4000000002_1", 8 * 24, gone},                    // its log is older than seven days
      {"mrn_" + std::to_string(running), 9 * 24, untouched}, // its process runs
      {"mrn_locked", 9 * 24, untouched},                     // its lock is held
      {"other", -1, untouched},                              // not a work folder
  };
  // Twelve recent logs: the ten newest stay.
  for (int hours = 1; hours <= 12; ++hours) cases.push_back({"mrn_40000001" + std::to_string(10 + hours), hours, hours <= 10 ? logOnly : gone});
  for (const Case& c : cases) {
    testing_support::writeFileBytes(parent + "/" + c.name + "/unpacked/data.txt", "data");
    if (c.logAgeHours < 0) continue;
    testing_support::writeFileBytes(parent + "/" + c.name + "/7z.log", "log");
    testing_support::setModifiedTime(parent + "/" + c.name + "/7z.log", hoursAgo(c.logAgeHours));
  }
  platform::FileLock lock;
  ASSERT_TRUE(lock.acquire(fromUtf8(parent + "/mrn_locked/Mirrane.lock")));
  testing_support::makeLink(parent + "/other", parent + "/mrn_4000000099");

  CompareEngine engine;
  engine.prepareArchives();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = parent + "/" + c.name;
    EXPECT_EQ(testing_support::exists(folder), c.outcome != gone);
    EXPECT_EQ(testing_support::exists(folder + "/unpacked/data.txt"), c.outcome == untouched);
    EXPECT_EQ(testing_support::exists(folder + "/7z.log"), c.outcome != gone && c.logAgeHours >= 0);
  }
  EXPECT_TRUE(platform::isSymbolicLink(fromUtf8(parent + "/mrn_4000000099"))) << "a link is no work folder";
  EXPECT_FALSE(testing_support::exists(parent + "/mrn_" + std::to_string(getpid()))) << "a start-up makes nothing";
  lock.release();
  kill(running, SIGKILL);
  waitpid(running, nullptr, 0);
}

TEST(ArchiveNames, RecognisedExtensionsPatternsAndUniquePaths) {
  const ArchiveExtensions defaults = {u".7z", u".cab", u".exe", u".gz", u".iso", u".msu", u".rar", u".zip"};
  EXPECT_TRUE(isArchivePath(u"BACKUP.ZIP", defaults));
  EXPECT_TRUE(isArchivePath(u"backup.Zip", defaults));
  EXPECT_FALSE(isArchivePath(u"backupzip", defaults));
  EXPECT_FALSE(isArchivePath(u"a.zip.txt", defaults));
  EXPECT_FALSE(isArchivePath(u"", defaults));
  EXPECT_EQ(archiveFilterPattern(u";", defaults), u"*.7z;*.cab;*.exe;*.gz;*.iso;*.msu;*.rar;*.zip");
  EXPECT_EQ(commandLineText({u"/usr/bin/7zz", u"x", u"-y", u"/a b/c.zip"}), u"/usr/bin/7zz x -y \"/a b/c.zip\"");

  TempFolder folder;
  testing_support::writeFileBytes(folder.path("data.tar"), "");
  testing_support::writeFileBytes(folder.path("data_1.tar"), "");
  EXPECT_EQ(makeUniquePath(folder.widePath("data.tar"), true), folder.widePath("data_2.tar"));
  EXPECT_EQ(makeUniquePath(folder.widePath("data.tar"), false), folder.widePath("data.tar_1"));
  EXPECT_EQ(makeUniquePath(folder.widePath("fresh") + u"//", false), folder.widePath("fresh"));
}

TEST(SevenZipLocation, BesideTheProgramFirstThenOnPath) {
  TempFolder application;
  const olstring saved = platform::applicationFolder();
  platform::setApplicationFolder(application.widePath());
  EXPECT_NE(locateSevenZip().find(u"7z"), olstring::npos) << "found on PATH";
  testing_support::makeFolders(application.path("7-Zip"));
  const std::string stand = std::string(MIRRANE_BUILD_DIR) + "/tests/fake7z";
  ASSERT_EQ(testing_support::runCommand("cp '" + stand + "' '" + application.path("7z") + "'"), 0);
  EXPECT_EQ(locateSevenZip(), application.widePath("7z"));
  ASSERT_EQ(testing_support::runCommand("cp '" + stand + "' '" + application.path("7-Zip/7z") + "'"), 0);
  EXPECT_EQ(locateSevenZip(), application.widePath("7-Zip/7z"));
  // A file that may not be run is no program.
  testing_support::setMode(application.path("7-Zip/7z"), 0644);
  EXPECT_EQ(locateSevenZip(), application.widePath("7z"));
  platform::setApplicationFolder(saved);
}
