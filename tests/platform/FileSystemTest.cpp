#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace platform;
using testing_support::TempFolder;

TEST(FileSystem, TimeStepOfEachFileSystemType) {
  constexpr uint32_t kOne = kNanosecondsPerSecond;
  constexpr uint32_t kTwo = 2 * kNanosecondsPerSecond;
  const struct {
    uint64_t type;
    const char* name;
    uint32_t step;
  } cases[] = {
      {0x4d44, "vfat/msdos", kTwo}, {0x2011bab0, "exfat", kTwo}, {0xef53, "ext4", kOne}, {0x12345678, "unknown", kOne},
  };
  for (const auto& entry : cases) {
    SCOPED_TRACE(entry.name);
    EXPECT_EQ(timeStepOfFileSystemType(entry.type), entry.step);
  }
}

TEST(FileSystem, TheStepOfARealFolderComesFromItsFileSystemAndAMissingPathKeepsTheDefault) {
  TempFolder temp;
  uint64_t type = 0;
  ASSERT_TRUE(fileSystemType(temp.widePath(), &type));
  EXPECT_NE(type, 0u);
  EXPECT_EQ(fileSystemTimeStep(temp.widePath()), timeStepOfFileSystemType(type));

  const std::u16string missing = temp.widePath("missing/below");
  EXPECT_FALSE(fileSystemType(missing, &type));
  EXPECT_EQ(lastError(), kErrorPathNotFound);
  EXPECT_EQ(fileSystemTimeStep(missing), kDefaultTimeStepNanoseconds);
}
