// Tests whose code looks texts up see the English table of the build folder, as the
// program does beside its executable.

#include "foundation/Language.h"
#include "platform/Path.h"

#include <gtest/gtest.h>

namespace {

class LanguageEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    platform::setApplicationFolder(fromUtf8(MIRRANE_BUILD_DIR));
    ASSERT_TRUE(loadDefaultLanguage()) << "lang/english.ini must be in the build folder";
  }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new LanguageEnvironment);

}  // namespace
