#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Text.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <thread>

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
