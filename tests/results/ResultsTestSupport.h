// Support for the results tests: a real compare of two generated folders holding every kind
// of difference, and a window that holds the results list as the main window will.
#pragma once

#include "app/Settings.h"
#include "engine/CompareEngine.h"
#include "results/ListView.h"
#include "tests/support/SettingsSandbox.h"
#include "tests/support/TestSupport.h"
#include "toolkit/Dialog.h"
#include "toolkit/Edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace results_test {

// Two folders "a" and "b" compared with the real engine (times, attributes and the quick
// mode on). Root children in tree order: the folders deep (three levels down: changed.txt
// differing late in its content, new.txt only in b; beside them deep/one/untouched.txt),
// onlysecond (second side only), same (no difference), thing (a file in a, a folder in b);
// then the files alpha.txt, Beta.txt, bravo.txt (equal), Case.txt (case.txt in b),
// onlyfirst.txt, readonly.txt (read-only in a), sizeonly.bin (binary, sizes differ),
// touched.txt (times differ).
class ComparedTrees {
public:
  ComparedTrees();
  // Runs the compare; true when the job succeeded.
  bool compare();
  std::string first() const { return temp.path("a"); }
  std::string second() const { return temp.path("b"); }

  testing_support::TempFolder temp;
  CompareEngine engine;
};

// A tree of many items built in memory (no disk): folders of files, every tenth file
// differing, for lists of many rows.
void buildWideTree(CompareResult& result, int folders, int filesPerFolder);

// The shown name of an item: the first side's, else the second's.
std::string itemName(const CompareItem& item);
// The names of the rows, as "name" or "name@depth" when withDepth.
std::vector<std::string> rowNames(const ResultRows& rows, bool withDepth = false);
int rowOf(const mrnListView& list, const std::string& name);

// A dialog that holds the list (id 1001), an edit and a default button "Compare" (IDOK),
// and records the list's notifications and the commands it receives.
class ListHarness : public olBaseDlg {
public:
  ListHarness();
  ~ListHarness() override;
  // Creates the window, shows it and gives the list the result.
  bool open(const CompareResult* result, int width = 900, int height = 420);

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void attachControls() override;
  void layoutControls() override;

  mrnListView list;
  olEdit edit;
  std::vector<UINT> notifications;
  int compareCommands = 0;
  int listHeight = 360;
};

// The settings kept private while a test changes them ("viewmode"), so the build folder's
// config.ini stays untouched.
using PrivateSettings = testing_support::SettingsSandbox;

// A fixture whose tests share one compare of the generated trees.
class SharedTreesTest : public ::testing::Test {
protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  static ComparedTrees* trees;
};

// A fixture with the list open in its harness over the shared compare, in the all-items
// view, and the settings kept private.
class ListTest : public SharedTreesTest {
protected:
  void SetUp() override;
  mrnListView& list() { return harness.list; }
  int row(const char* name) { return rowOf(list(), name); }
  std::vector<int> selectedRows();

  PrivateSettings settings;
  ListHarness harness;
};

}  // namespace results_test
