#include "platform/Error.h"
#include "platform/File.h"
#include "platform/ReadOnlyFile.h"
#include "platform/Text.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

using namespace platform;
using testing_support::TempFolder;

namespace {

uint32_t openFailure(const std::string& path) {
  FileHandle handle = openFile(utf8ToUtf16(path), FileAccess::read);
  if (handle != nullptr) {
    closeFile(handle);
    return 0;
  }
  return lastError();
}

size_t leftoverTemporaries(const TempFolder& folder) {
  std::string listing;
  testing_support::runCommand("ls -A '" + folder.path() + "' | grep -c '\\.mrn' || true", &listing);
  return std::stoul(listing);
}

}  // namespace

TEST(File, ReadingRefusesWhatIsNoRegularFileWithTheRightCode) {
  TempFolder folder;
  testing_support::makeFifo(folder.path("fifo"));
  testing_support::makeFolders(folder.path("sub"));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(openFailure(folder.path("fifo")), kErrorAccessDenied);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "opening a FIFO must not block";
  EXPECT_EQ(openFailure(folder.path("sub")), kErrorAccessDenied);
  EXPECT_EQ(openFailure(folder.path("missing.txt")), kErrorFileNotFound);
  EXPECT_EQ(openFailure(folder.path("nofolder/missing.txt")), kErrorPathNotFound);
  EXPECT_EQ(openFailure("/dev/null"), kErrorAccessDenied);
}

TEST(File, ReadingWithoutPermissionIsAccessDenied) {
  TempFolder folder;
  testing_support::writeFileBytes(folder.path("secret"), "x");
  testing_support::setMode(folder.path("secret"), 0000);
  const std::string path = folder.path("secret");
  // Root reads anything, so the check runs as an unprivileged user.
  const int status = testing_support::runInChild([&] { return openFailure(path) == kErrorAccessDenied; }, true);
  EXPECT_EQ(status, 0);
}

TEST(File, WriteReplacesOnCloseAndKeepsModeAndLinks) {
  TempFolder folder;
  const std::string target = folder.path("settings.ini");
  testing_support::writeFileBytes(target, "old");
  testing_support::setMode(target, 0444);  // read-only targets are replaced too
  FileHandle handle = openFile(utf8ToUtf16(target), FileAccess::write);
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(writeFile(handle, "new content", 11));
  EXPECT_EQ(testing_support::readFileBytes(target), "old") << "nothing is replaced before the close";
  ASSERT_TRUE(closeFile(handle));
  EXPECT_EQ(testing_support::readFileBytes(target), "new content");
  EXPECT_EQ(leftoverTemporaries(folder), 0u);
  // The replacement keeps the permission bits the file had, whatever the umask says.
  for (const unsigned mode : {0444u, 0600u, 0640u, 0755u}) {
    testing_support::setMode(target, mode);
    handle = openFile(utf8ToUtf16(target), FileAccess::write);
    ASSERT_NE(handle, nullptr);
    ASSERT_TRUE(writeFile(handle, "new content", 11));
    ASSERT_TRUE(closeFile(handle));
    struct stat info;
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, mode);
  }

  // Writing through a link replaces the file it points to and keeps the link.
  testing_support::makeLink("settings.ini", folder.path("link.ini"));
  handle = openFile(utf8ToUtf16(folder.path("link.ini")), FileAccess::write);
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(writeFile(handle, "via link", 8));
  ASSERT_TRUE(closeFile(handle));
  EXPECT_TRUE(isSymbolicLink(utf8ToUtf16(folder.path("link.ini"))));
  EXPECT_EQ(testing_support::readFileBytes(target), "via link");

  // An abandoned write leaves the old content.
  handle = openFile(utf8ToUtf16(target), FileAccess::write);
  ASSERT_TRUE(writeFile(handle, "x", 1));
  abandonFile(handle);
  EXPECT_EQ(testing_support::readFileBytes(target), "via link");
  EXPECT_EQ(leftoverTemporaries(folder), 0u);
}

TEST(File, AnotherUsersFileIsNotReplacedJustBecauseItsFolderIsOpen) {
  if (!testing_support::runningAsRoot()) {
    GTEST_SKIP() << "needs a file of another user: as root, the test makes one and drops to an ordinary user";
  }
  TempFolder folder;
  const std::string target = folder.path("theirs.ini");
  testing_support::writeFileBytes(target, "theirs");
  testing_support::setMode(target, 0644);
  const int status = testing_support::runInChild(
      [&] {
        FileHandle handle = openFile(utf8ToUtf16(target), FileAccess::write);
        if (handle != nullptr) {
          writeFile(handle, "mine", 4);
          closeFile(handle);
          return false;
        }
        return lastError() == kErrorAccessDenied;
      },
      true);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(testing_support::readFileBytes(target), "theirs");
}

TEST(File, WriteThatFailsPartWayLeavesTheOldFileIntact) {
  TempFolder folder;
  const std::string target = folder.path("project.mirrane");
  const std::string old(3000, 'o');
  testing_support::writeFileBytes(target, old);
  const int status = testing_support::runInChild(
      [&] {
        // The file size limit makes write() fail with EFBIG part-way through.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        FileHandle handle = openFile(utf8ToUtf16(target), FileAccess::write);
        if (handle == nullptr) return false;
        const std::string big(10000, 'n');
        const bool wrote = writeFile(handle, big.data(), big.size());
        const bool closed = closeFile(handle);
        return !wrote && !closed;
      },
      false);
  EXPECT_EQ(status, 0) << "the failed write must be reported";
  EXPECT_EQ(testing_support::readFileBytes(target), old);
  EXPECT_EQ(leftoverTemporaries(folder), 0u);
}

TEST(File, AFifoIsWrittenInPlaceAndFailsAtOnceWithoutAReader) {
  TempFolder folder;
  const std::string fifo = folder.path("pipe");
  testing_support::makeFifo(fifo);
  struct stat info;

  // Nobody reads: a clear failure instead of a hang, and the FIFO is not replaced by a file.
  EXPECT_EQ(openFile(utf8ToUtf16(fifo), FileAccess::write), nullptr);
  EXPECT_NE(lastError(), kErrorSuccess);
  ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));

  std::string received;
  std::thread reader([&] { received = testing_support::readFileBytes(fifo); });
  FileHandle handle = nullptr;
  // The reader opens its end at its own pace.
  for (int attempt = 0; attempt < 500 && handle == nullptr; ++attempt) {
    handle = openFile(utf8ToUtf16(fifo), FileAccess::write);
    if (handle == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(writeFile(handle, "streamed", 8));
  EXPECT_TRUE(closeFile(handle));
  reader.join();
  EXPECT_EQ(received, "streamed");
  ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "a FIFO must stay a FIFO";
  EXPECT_EQ(leftoverTemporaries(folder), 0u);
}

TEST(File, ReadsSeeksAndSizes) {
  TempFolder folder;
  testing_support::writeFileBytes(folder.path("data"), "0123456789");
  FileHandle handle = openFile(utf8ToUtf16(folder.path("data")), FileAccess::read);
  ASSERT_NE(handle, nullptr);
  uint64_t size = 0;
  ASSERT_TRUE(fileSize(handle, &size));
  EXPECT_EQ(size, 10u);
  ASSERT_TRUE(seekFile(handle, 7));
  char buffer[16] = {};
  size_t got = 0;
  ASSERT_TRUE(readFile(handle, buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "789");
  EXPECT_TRUE(closeFile(handle));
}

TEST(File, ErrorCodesAndTexts) {
  EXPECT_EQ(errorFromErrno(ENOENT), 2u);
  EXPECT_EQ(errorFromErrno(ENOTDIR), 3u);
  EXPECT_EQ(errorFromErrno(EISDIR), 5u);
  EXPECT_EQ(errorFromErrno(ELOOP), 1921u);
  EXPECT_EQ(errorFromErrno(ENOSPC), 112u);
  EXPECT_EQ(errorFromErrno(EXDEV), 0x20000000u + EXDEV);
  EXPECT_FALSE(systemErrorText(3).empty());
  EXPECT_FALSE(systemErrorText(0x20000000u + EXDEV).empty());
  EXPECT_TRUE(systemErrorText(0xF0000001u).empty());
}

namespace {

size_t openDescriptors() {
  const std::filesystem::directory_iterator listing("/proc/self/fd");
  return static_cast<size_t>(std::distance(listing, std::filesystem::directory_iterator()));
}

}  // namespace

TEST(File, AnOwnedFileClosesOrAbandonsItselfAndKeepsTheLastError) {
  TempFolder folder;
  const std::string target = folder.path("settings.ini");
  const std::u16string wideTarget = utf8ToUtf16(target);
  testing_support::writeFileBytes(target, "old");

  {
    File unfinished = File::open(wideTarget, FileAccess::write);
    ASSERT_TRUE(unfinished.isOpen());
    ASSERT_TRUE(writeFile(unfinished.handle(), "half", 4));
    setLastError(kErrorDiskFull);
  }
  EXPECT_EQ(testing_support::readFileBytes(target), "old") << "only close() commits";
  EXPECT_EQ(leftoverTemporaries(folder), 0u);
  EXPECT_EQ(lastError(), kErrorDiskFull) << "the reason a caller gave up stays readable";

  File first = File::open(wideTarget, FileAccess::write);
  ASSERT_TRUE(writeFile(first.handle(), "new", 3));
  File moved = std::move(first);
  EXPECT_FALSE(first.isOpen());
  EXPECT_TRUE(moved.close());
  EXPECT_FALSE(moved.isOpen());
  EXPECT_FALSE(moved.close()) << "a second close has nothing to close";
  EXPECT_EQ(lastError(), kErrorInvalidParameter);
  EXPECT_EQ(testing_support::readFileBytes(target), "new");

  const File missing = File::open(utf8ToUtf16(folder.path("no/such")), FileAccess::read);
  EXPECT_FALSE(missing);
  EXPECT_EQ(missing.error(), kErrorPathNotFound);
  EXPECT_EQ(lastError(), kErrorPathNotFound);
  EXPECT_EQ(File::open(u"", FileAccess::read).error(), kErrorPathNotFound);

  // Files read and dropped leave no descriptor behind, also when replaced by assignment.
  const size_t before = openDescriptors();
  {
    std::vector<File> files;
    for (int i = 0; i < 40; ++i) files.push_back(File::open(wideTarget, FileAccess::read));
    files[0] = File::open(wideTarget, FileAccess::read);
    EXPECT_GE(openDescriptors(), before + 40);
  }
  EXPECT_EQ(openDescriptors(), before);
}

// Every call of File.h tells its outcome through the last error: kErrorSuccess when it
// succeeds (a stale failure must not survive a success), the reason when it fails.
TEST(File, EveryCallSetsTheLastError) {
  TempFolder folder;
  const auto path = [&folder](const char* name) { return utf8ToUtf16(folder.path(name)); };
  testing_support::writeFileBytes(folder.path("data"), "0123456789");
  testing_support::writeFileBytes(folder.path("to-delete"), "x");
  testing_support::writeFileBytes(folder.path("to-rename"), "x");
  testing_support::writeFileBytes(folder.path("read-only"), "x");
  testing_support::setMode(folder.path("read-only"), 0444);
  testing_support::makeFolders(folder.path("empty"));
  testing_support::makeLink("data", folder.path("link"));
  FileHandle reading = openFile(path("data"), FileAccess::read);
  FileHandle writing = openFile(path("written"), FileAccess::write);
  FileHandle toClose = openFile(path("data"), FileAccess::read);
  ASSERT_TRUE(reading != nullptr && writing != nullptr && toClose != nullptr);
  char buffer[4];
  size_t got = 0;
  uint64_t number = 0;
  uint64_t other = 0;
  std::string text;

  struct Case {
    const char* call;
    std::function<bool()> run;
    uint32_t expected;
  };
  const Case cases[] = {
      {"File::open read", [&] { return File::open(path("data"), FileAccess::read).isOpen(); }, kErrorSuccess},
      {"File::open write", [&] { return File::open(path("new"), FileAccess::write).isOpen(); }, kErrorSuccess},
      {"File::open missing", [&] { return File::open(path("missing"), FileAccess::read).isOpen(); }, kErrorFileNotFound},
      {"File::open folder", [&] { return File::open(path("empty"), FileAccess::write).isOpen(); }, kErrorAccessDenied},
      {"readFile", [&] { return readFile(reading, buffer, sizeof buffer, &got); }, kErrorSuccess},
      {"readFile null", [&] { return readFile(nullptr, buffer, sizeof buffer, &got); }, kErrorInvalidParameter},
      {"writeFile", [&] { return writeFile(writing, "abc", 3); }, kErrorSuccess},
      {"writeFile null", [&] { return writeFile(nullptr, "abc", 3); }, kErrorInvalidParameter},
      {"fileSize", [&] { return fileSize(reading, &number); }, kErrorSuccess},
      {"fileSize null", [&] { return fileSize(nullptr, &number); }, kErrorInvalidParameter},
      {"seekFile", [&] { return seekFile(reading, 3); }, kErrorSuccess},
      {"seekFile null", [&] { return seekFile(nullptr, 3); }, kErrorInvalidParameter},
      {"fileWriteTime", [&] { return fileWriteTime(reading, &number); }, kErrorSuccess},
      {"fileWriteTime null", [&] { return fileWriteTime(nullptr, &number); }, kErrorInvalidParameter},
      {"closeFile read", [&] { return closeFile(toClose); }, kErrorSuccess},
      {"closeFile write", [&] { return closeFile(writing); }, kErrorSuccess},
      {"closeFile null", [&] { return closeFile(nullptr); }, kErrorInvalidParameter},
      {"queryPath file", [&] { return queryPath(path("data")) == PathType::file; }, kErrorSuccess},
      {"queryPath folder", [&] { return queryPath(path("empty")) == PathType::folder; }, kErrorSuccess},
      {"queryPath missing", [&] { return queryPath(path("missing")) != PathType::none; }, kErrorFileNotFound},
      {"pathIdentity", [&] { return pathIdentity(path("data"), &number, &other); }, kErrorSuccess},
      {"pathIdentity missing", [&] { return pathIdentity(path("missing"), &number, &other); }, kErrorFileNotFound},
      {"isSymbolicLink link", [&] { return isSymbolicLink(path("link")); }, kErrorSuccess},
      {"isSymbolicLink file", [&] { return !isSymbolicLink(path("data")); }, kErrorSuccess},
      {"isSymbolicLink missing", [&] { return isSymbolicLink(path("missing")); }, kErrorFileNotFound},
      {"readLinkTarget", [&] { return readLinkTarget(path("link"), &text) && text == "data"; }, kErrorSuccess},
      {"readLinkTarget no link", [&] { return readLinkTarget(path("data"), &text); }, kErrorInvalidParameter},
      {"makeFolder", [&] { return makeFolder(path("made")); }, kErrorSuccess},
      {"makeFolder existing", [&] { return makeFolder(path("made")); }, kErrorAlreadyExists},
      {"removeFolder", [&] { return removeFolder(path("empty")); }, kErrorSuccess},
      {"removeFolder missing", [&] { return removeFolder(path("empty")); }, kErrorFileNotFound},
      {"deletePath", [&] { return deletePath(path("to-delete")); }, kErrorSuccess},
      {"deletePath missing", [&] { return deletePath(path("to-delete")); }, kErrorFileNotFound},
      {"makeWritable", [&] { return makeWritable(path("read-only")); }, kErrorSuccess},
      {"makeWritable missing", [&] { return makeWritable(path("missing")); }, kErrorFileNotFound},
      {"renamePath", [&] { return renamePath(path("to-rename"), path("renamed")); }, kErrorSuccess},
      {"renamePath missing", [&] { return renamePath(path("to-rename"), path("renamed")); }, kErrorFileNotFound},
      {"fileSystemSpace", [&] { return fileSystemSpace(path("data"), &number, &other); }, kErrorSuccess},
      {"fileSystemSpace missing", [&] { return fileSystemSpace(path("no/where"), &number, &other); }, kErrorPathNotFound},
      {"currentFolder", [&] { return !currentFolder().empty(); }, kErrorSuccess},
  };
  constexpr uint32_t kStale = 0x2000DEAD;
  for (const Case& entry : cases) {
    SCOPED_TRACE(entry.call);
    setLastError(kStale);
    EXPECT_EQ(entry.run(), entry.expected == kErrorSuccess);
    EXPECT_EQ(lastError(), entry.expected);
  }
  closeFile(reading);

  // Giving up is the one call that keeps the failure it gives up on.
  FileHandle abandoned = openFile(path("written"), FileAccess::write);
  setLastError(kStale);
  abandonFile(abandoned);
  EXPECT_EQ(lastError(), kStale);
}

TEST(ReadOnlyFile, OpensByNameInAnOpenFolderAsByPath) {
  TempFolder temp;
  testing_support::writeFileBytes(temp.path("dir/data.bin"), "0123456789");
  testing_support::makeLink("data.bin", temp.path("dir/link.bin"));
  testing_support::makeFifo(temp.path("dir/fifo"));
  OpenFolder folder;
  ASSERT_TRUE(folder.open(temp.widePath("dir"), false));
  ReadOnlyFile file;
  ASSERT_TRUE(file.open(folder, u"data.bin"));
  EXPECT_EQ(file.size(), 10u);
  char bytes[10];
  ASSERT_EQ(file.read(bytes, 10), 10u);
  EXPECT_EQ(std::string(bytes, 10), "0123456789");

  EXPECT_TRUE(file.open(folder, u"link.bin")) << "a link is followed unless read as text";
  EXPECT_EQ(file.size(), 10u);
  EXPECT_FALSE(file.open(folder, u"link.bin", ReadOnlyFile::Links::asText)) << "by name, a link is never followed";
  EXPECT_TRUE(file.open(temp.widePath("dir/link.bin"), ReadOnlyFile::Links::asText));
  EXPECT_EQ(file.size(), 8u) << "by path, its text";
  EXPECT_TRUE(file.openWithin(temp.widePath("dir/link.bin"), temp.widePath("dir"))) << "or, inside its boundary, its target";
  EXPECT_EQ(file.size(), 10u);

  // Refused at once, without waiting for a writer.
  EXPECT_FALSE(file.open(folder, u"fifo"));
  EXPECT_EQ(lastError(), kErrorAccessDenied);
  EXPECT_FALSE(file.open(folder, u"missing"));
  EXPECT_EQ(lastError(), kErrorFileNotFound);
  EXPECT_FALSE(file.isOpen());

  OpenFolder none;
  EXPECT_FALSE(none.open(temp.widePath("absent"), false));
  EXPECT_FALSE(file.open(none, u"data.bin"));
  OpenFolder notAFolder;
  EXPECT_FALSE(notAFolder.open(temp.widePath("dir/data.bin"), false));
  testing_support::makeLink("dir", temp.path("dirlink"));
  OpenFolder throughLink;
  EXPECT_TRUE(throughLink.open(temp.widePath("dirlink"), false));
  EXPECT_FALSE(throughLink.open(temp.widePath("dirlink"), true)) << "no link, where links are untrusted";
  EXPECT_TRUE(throughLink.openWithin(temp.widePath("dirlink"), temp.widePath())) << "a link that stays inside its boundary";
  EXPECT_FALSE(throughLink.openWithin(temp.widePath("dirlink"), temp.widePath("dir"))) << "none that leads out of it";
}

// A file opened on what its folder's listing said is read without a status call; whatever
// took its place since must fail at the first read, never pass as the listed content.
TEST(ReadOnlyFile, AFileOpenedOnItsListingFailsWhenItsPlaceWasTakenMeanwhile) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> replace;
    bool opens;
  };
  const Case cases[] = {
      {"unchanged", [](const std::string&) {}, true},
      {"shrunk", [](const std::string& path) { testing_support::writeFileBytes(path, "0123"); }, true},
      {"a FIFO", [](const std::string& path) { std::filesystem::remove(path); testing_support::makeFifo(path); }, true},
      {"gone", [](const std::string& path) { std::filesystem::remove(path); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder temp;
    testing_support::writeFileBytes(temp.path("dir/data.bin"), "0123456789");
    OpenFolder folder;
    ASSERT_TRUE(folder.open(temp.widePath("dir"), false));
    c.replace(temp.path("dir/data.bin"));
    ReadOnlyFile file;
    ASSERT_EQ(file.openListed(folder, u"data.bin", 10), c.opens);
    if (!c.opens) continue;
    EXPECT_EQ(file.size(), 10u) << "the listed size stands";
    char bytes[10];
    const bool whole = file.read(bytes, 10) == 10;
    EXPECT_EQ(whole, std::string(c.what) == "unchanged");
    if (whole) {
      EXPECT_EQ(std::string(bytes, 10), "0123456789");
    }
  }
}
