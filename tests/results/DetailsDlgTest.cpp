// The details dialog over real compares of generated trees: its lines and marks for each
// kind of item and option, an archive's items, opening the paths, and its looks.

#include "engine/Sha256.h"
#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "platform/Locale.h"
#include "results/DetailsDlg.h"
#include "results/ItemPaths.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/Geometry.h"
#include "toolkit/Theme.h"
#include "toolkit/ToolTip.h"
#include "toolkit/WindowInternal.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

using engine_test::child;
using engine_test::runJob;
using gui_test::later;
using gui_test::RecordedShell;
using gui_test::Reaper;
using testing_support::TempFolder;
using testing_support::writeFileBytes;

namespace {

// 2024-01-23 12:34:56 UTC, and a day and a second later.
constexpr int64_t kTime = 1706013296;
constexpr int64_t kLater = kTime + 86401;

uint64_t fileTime(int64_t seconds) { return static_cast<uint64_t>(seconds + 11644473600LL) * 10000000ULL; }
std::string shownTime(int64_t seconds) { return toUtf8(platform::dateTimeWithSecondsText(fileTime(seconds))); }

// The lines as "mark | first | second", so that a failure shows the whole dialog's content.
std::vector<std::string> dump(const DetailsRecord& record) {
  std::vector<std::string> lines;
  for (const DetailLine& line : record.lines)
    lines.push_back(std::to_string(static_cast<int>(line.mark)) + " | " + toUtf8(line.text[0]) + " | " +
                    toUtf8(line.text[1]));
  return lines;
}

void moveMouse(HWND hwnd, POINT at) {
  QWidget* widget = widgetOf(hwnd);
  QMouseEvent move(QEvent::MouseMove, QPoint(at.x, at.y), widget->mapToGlobal(QPoint(at.x, at.y)), Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

// Archives unpack below a work folder of the test's own while the object lives.
class PrivateTempFolder {
public:
  PrivateTempFolder() { setenv("TMPDIR", m_folder.path().c_str(), 1); }
  ~PrivateTempFolder() { unsetenv("TMPDIR"); }

private:
  TempFolder m_folder;
};

// One file of an archive's tree and of the plain folder it is compared with.
struct TreeFile {
  std::string path;
  std::string packed;
  std::string plain;
};

// Packs the files' "packed" contents into the zip and compares it with a folder of their
// "plain" contents; false when the compare fails.
bool compareZipWithFolder(CompareEngine& engine, const TempFolder& temp, const std::string& zip,
                          const std::vector<TreeFile>& files) {
  for (const TreeFile& file : files) {
    writeFileBytes(temp.path("tree/" + file.path), file.packed);
    writeFileBytes(temp.path("plain/" + file.path), file.plain);
  }
  testing_support::packWithSevenZip(temp.path(zip), temp.path("tree"));
  engine.prepareArchives();
  return runJob(engine, temp.path(zip), temp.path("plain")) == 0u;
}

POINT centreOf(const RECT& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// Two trees, "a" and "b", with one pair (or single item) for each case the dialog shows.
class DetailsTest : public ::testing::Test {
protected:
  void SetUp() override {
    both("same.txt", "hello\n", "hello\n");
    both("crlf.txt", "one\r\ntwo\r\n", "one\ntwo\n");
    both("differs.txt", "abcd", "abce");
    // A zero word makes content binary.
    both("sizeonly.bin", std::string("\0\0\1\2", 4), std::string("\0\0\1\2\3", 5));
    both("same.bin", std::string("\0\0bin", 5), std::string("\0\0bin", 5));
    one(a("onlyfirst.txt"), "x");
    both("sub/inner.txt", "inner\n", "inner\n");
    one(a("mixed"), "m");
    one(b("mixed/inside.txt"), "i");
    one(a("Readme.TXT"), "r\n");
    one(b("readme.txt"), "r\n");
    both(".hidden", "h\n", "h\n");
    both("locked.txt", "l\n", "l\n");
    testing_support::setMode(a("locked.txt"), 0444);
    both("timed.txt", "t\n", "t\n");
    testing_support::setModifiedTime(a("timed.txt"), kLater);
    // One pair that differs in every way at once, for the pictures.
    both("report.txt", "Quarterly report\r\n", "Quarterly report\nwith an appendix\n");
    testing_support::setMode(a("report.txt"), 0444);
    testing_support::setModifiedTime(a("report.txt"), kLater);
    // Names that are not UTF-8, and a folder whose name looks like a variable.
    both("caf\xE9-\xFF.txt", "c\n", "c\n");
    both("%HOME%/note.txt", "n\n", "n\n");
  }

  static void one(const std::string& path, const std::string& content) {
    writeFileBytes(path, content);
    testing_support::setModifiedTime(path, kTime);
  }
  void both(const std::string& relative, const std::string& first, const std::string& second) const {
    one(a(relative), first);
    one(b(relative), second);
  }
  std::string a(const std::string& relative) const { return m_temp.path("a/" + relative); }
  std::string b(const std::string& relative) const { return m_temp.path("b/" + relative); }

  // Compares the two trees with these options; fails the test when the compare fails.
  void compare(const CompareOptions& options) {
    m_engine.options = options;
    ASSERT_EQ(runJob(m_engine, m_temp.path("a"), m_temp.path("b")), 0u);
  }
  const CompareItem* item(const std::string& name) const {
    const CompareItem* found = &m_engine.result.root;
    for (size_t start = 0; found && start <= name.size();) {
      const size_t slash = std::min(name.find('/', start), name.size());
      found = child(*found, name.substr(start, slash - start));
      start = slash + 1;
    }
    return found;
  }
  // A listing of a's files, saved on "studio" at kTime, as the program writes one.
  std::string writeListing(const std::vector<std::string>& names) const {
    const std::string time = "\"2024-01-23T12:34:56.000000000Z\"";
    std::string text = R"({"type":"listing","format":1,"path":")" + m_temp.path("a") + R"(","root":")" +
                       m_temp.path("a") + R"(","host":"studio","started":)" + time + "}\n";
    for (const std::string& name : names) {
      const std::string content = testing_support::readFileBytes(a(name));
      Sha256 hash;
      hash.update(content.data(), content.size());
      Sha256Digest digest;
      EXPECT_TRUE(hash.finish(digest));
      text += R"({"type":"item","path":")" + name + R"(","kind":"file","size":)" + std::to_string(content.size()) +
              R"(,"mtime":)" + time + R"(,"mode":"0644","sha256":")" + digest.hex() + "\"}\n";
    }
    text += R"({"type":"summary","succeeded":true,"items":)" + std::to_string(names.size()) + "}\n";
    const std::string path = m_temp.path("a.mrnl");
    writeFileBytes(path, text);
    return path;
  }

  DetailsRecord details(const std::string& name) const {
    DetailsRecord record;
    EXPECT_TRUE(buildDetails(m_engine.result, item(name), record)) << name;
    return record;
  }

  TempFolder m_temp;
  CompareEngine m_engine;
};

// What runDialog returns when the action left the dialog open.
constexpr int kLeftOpen = 1000;

// Runs the dialog modally for a record and hands it to the action once it shows; returns
// the dialog's end code.
int runDialog(const CompareResult& result, DetailsRecord record, const std::function<void(CDetailsDlg&)>& action) {
  CDetailsDlg dialog(result, std::move(record));
  later(100, [&] {
    pumpMessages(30);
    action(dialog);
    // An end asked for by the action stands; the loop ends only once this returns.
    if (dialog.isModalRunning() && dialog.endCode() == 0) dialog.endDialog(kLeftOpen);
  });
  return dialog.runModal();
}

}  // namespace

TEST_F(DetailsTest, EachKindOfItemWithTheDefaultOptions) {
  compare(CompareOptions());
  const std::string t = shownTime(kTime);
  const std::string text = "Plain text document";
  const std::string asText = "0 | Content identical as text (line ends ignored) | !data";
  // Under the content line, what decided it.
  const std::string inFull = "0 | Equal: 2 bytes compared in full | !data";
  struct Case {
    std::string name;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      // Times are not compared: grey even where they are equal.
      {"same.txt",
       {"0 | " + a("same.txt") + " | " + b("same.txt"), "0 | " + text + " | " + text,
        "0 | 6 bytes (6) | 6 bytes (6)", "1 | " + t + " | " + t, asText, "0 | Equal: 6 bytes compared in full | !data"}},
      // Sizes differ, the text does not: the size difference is one the compare ignores.
      {"crlf.txt", {"0 | " + a("crlf.txt") + " | " + b("crlf.txt"), "0 | " + text + " | " + text,
                    "1 | 10 bytes (10) | 8 bytes (8)", "1 | " + t + " | " + t, asText,
                    "0 | Equal as text: 10 bytes and 8 bytes compared in full | !data"}},
      {"differs.txt", {"0 | " + a("differs.txt") + " | " + b("differs.txt"), "0 | " + text + " | " + text,
                       "0 | 4 bytes (4) | 4 bytes (4)", "1 | " + t + " | " + t, "2 | Content differs | !data",
                       "2 | First difference at line 1 (offset 3) | !data"}},
      {"sizeonly.bin", {"0 | " + a("sizeonly.bin") + " | " + b("sizeonly.bin"), "0 | BIN file | BIN file",
                        "2 | 4 bytes (4) | 5 bytes (5)", "1 | " + t + " | " + t, "2 | Content differs | !data",
                        "2 | Content not read: sizes differ | !data"}},
      {"same.bin", {"0 | " + a("same.bin") + " | " + b("same.bin"), "0 | BIN file | BIN file",
                    "0 | 5 bytes (5) | 5 bytes (5)", "1 | " + t + " | " + t, "0 | Content identical | !data",
                    "0 | Equal: 5 bytes compared in full | !data"}},
      // Present on one side: nothing to compare, so no grey and no content line.
      {"onlyfirst.txt", {"2 | " + a("onlyfirst.txt") + " | Missing in second", "0 | " + text + " | ",
                         "0 | 1 byte (1) | ", "0 | " + t + " | "}},
      {"sub", {"0 | " + a("sub") + " | " + b("sub"), "0 | Folder | Folder"}},
      {"mixed", {"0 | " + a("mixed") + " | " + b("mixed"), "2 | File | Folder", "0 | 1 byte (1) | ", "0 | " + t + " | "}},
      {"Readme.TXT", {"2 | " + a("Readme.TXT") + " | " + b("readme.txt"), "0 | " + text + " | " + text,
                      "0 | 2 bytes (2) | 2 bytes (2)", "1 | " + t + " | " + t, asText, inFull}},
      // Attributes are not compared: grey, and shown only because a side has some.
      {".hidden", {"0 | " + a(".hidden") + " | " + b(".hidden"), "0 | File | File", "0 | 2 bytes (2) | 2 bytes (2)",
                   "1 | " + t + " | " + t, "1 | H | H", asText, inFull}},
      {"locked.txt", {"0 | " + a("locked.txt") + " | " + b("locked.txt"), "0 | " + text + " | " + text,
                      "0 | 2 bytes (2) | 2 bytes (2)", "1 | " + t + " | " + t, "1 | R | ", asText, inFull}},
      {"timed.txt", {"0 | " + a("timed.txt") + " | " + b("timed.txt"), "0 | " + text + " | " + text,
                     "0 | 2 bytes (2) | 2 bytes (2)", "1 | " + shownTime(kLater) + " | " + t,
                     "1 | First side 1 d 1 s newer | !data", asText, inFull}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const DetailsRecord record = details(test.name);
    EXPECT_EQ(dump(record), test.lines);
    EXPECT_EQ(record.item, item(test.name));
  }
  // Icons for the sides that have the item, all at one size; none for a missing side.
  const DetailsRecord single = details("onlyfirst.txt");
  EXPECT_FALSE(single.icon[0].isNull());
  EXPECT_TRUE(single.icon[1].isNull());
  EXPECT_EQ(single.iconWidth, smallIconSize());
  DetailsRecord none;
  EXPECT_FALSE(buildDetails(m_engine.result, nullptr, none));
  EXPECT_FALSE(runDetailsDialog(m_engine.result, nullptr)) << "no dialog without an item";
}

TEST(DetailsTimeDelta, ByHowMuchInDaysHoursMinutesAndSeconds) {
  const std::string point = toUtf8(platform::decimalSeparator());
  const struct {
    int64_t nanoseconds;
    std::string text;
  } cases[] = {
      {-2000000000, "2 s"},
      {250000000, "0" + point + "25 s"},
      {1, "0" + point + "000000001 s"},
      {3603LL * 1000000000 + 500000000, "1 h 3" + point + "5 s"},
      {(86400LL + 60) * 1000000000, "1 d 1 min"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(toUtf8(timeDeltaText(c.nanoseconds)), c.text);
  }
}

TEST_F(DetailsTest, MarksFollowTheOptionsTheResultWasComparedWithNotTodaysOptions) {
  CompareOptions options;
  options.compareCase = false;
  options.modifyTime = true;
  options.attr = true;
  options.autoSkip = true;
  compare(options);
  const std::string t = shownTime(kTime);
  const std::string skipped = "1 | Content not compared | !data";
  struct Case {
    std::string name;
    size_t line;
    std::string text;
  };
  const Case cases[] = {
      // Names that differ only in letter case, with case not compared: grey.
      {"Readme.TXT", 0, "1 | " + a("Readme.TXT") + " | " + b("readme.txt")},
      {"same.txt", 3, "0 | " + t + " | " + t},
      {"timed.txt", 3, "2 | " + shownTime(kLater) + " | " + t},
      // By how much, and which side is newer; marked as the time line is.
      {"timed.txt", 4, "2 | First side 1 d 1 s newer | !data"},
      // A quick compare does not read the content of a pair that already differs.
      {"timed.txt", 5, skipped},
      {"locked.txt", 4, "2 | R | "},
      {"locked.txt", 5, skipped},
      {".hidden", 4, "0 | H | H"},
      // Sizes differ and the content was never read: the size is the difference found.
      {"sizeonly.bin", 2, "2 | 4 bytes (4) | 5 bytes (5)"},
      {"sizeonly.bin", 4, skipped},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name + " line " + std::to_string(test.line));
    const auto lines = dump(details(test.name));
    ASSERT_GT(lines.size(), test.line);
    EXPECT_EQ(lines[test.line], test.text);
  }

  // The user resets the options (quick compare off, times and attributes off, case on)
  // without comparing again: the result is still described as it was made.
  const auto before = dump(details("timed.txt"));
  const auto lockedBefore = dump(details("locked.txt"));
  m_engine.options.reset();
  EXPECT_EQ(dump(details("timed.txt")), before);
  EXPECT_EQ(dump(details("locked.txt")), lockedBefore);
  EXPECT_EQ(dump(details("Readme.TXT"))[0], "1 | " + a("Readme.TXT") + " | " + b("readme.txt"));
  // Read with today's options, the never-read pair would claim identical content.
  EXPECT_EQ(dataCategory(*item("timed.txt"), m_engine.options.autoSkip), u"data_same_txt");
}

TEST_F(DetailsTest, TwoFilesComparedAsFilesAndALanguageWithoutAContentText) {
  CompareOptions options;
  options.forceFile = true;
  m_engine.options = options;
  ASSERT_EQ(runJob(m_engine, a("differs.txt"), b("same.txt")), 0u);
  ASSERT_EQ(m_engine.result.root.children.size(), 1u);
  const CompareItem& pair = m_engine.result.root.children.begin()->second;
  DetailsRecord record;
  ASSERT_TRUE(buildDetails(m_engine.result, &pair, record));
  // Whatever their names, two files given as files are compared: their names are not.
  EXPECT_EQ(dump(record).front(), "1 | " + a("differs.txt") + " | " + b("same.txt"));

  compare(CompareOptions());
  TempFolder folder;
  writeFileBytes(folder.path("short.ini"), "[.info]\nname = Short\n[details]\ndata_diff = Differs\n");
  ASSERT_TRUE(loadLanguage(folder.widePath("short.ini"), false, true));
  const auto withoutText = dump(details("same.bin"));
  const auto withText = dump(details("differs.txt"));
  ASSERT_TRUE(loadDefaultLanguage());
  EXPECT_EQ(withoutText.size(), 4u) << "no content line for identical files";
  EXPECT_EQ(withText.back(), "2 | Differs | !data");
}

TEST_F(DetailsTest, PathsOpenAsTheyAreOnDiskWhateverBytesTheyHold) {
  compare(CompareOptions());
  const std::string odd = "caf\xE9-\xFF.txt";
  const CompareItem* oddItem = item(odd);
  ASSERT_NE(oddItem, nullptr);
  const CompareItem* variable = item("%HOME%/note.txt");
  ASSERT_NE(variable, nullptr);
  EXPECT_EQ(itemOpenPath(m_engine.result, *variable, 0), fromUtf8(a("%HOME%/note.txt"))) << "never expanded";
  const CompareItem* single = item("onlyfirst.txt");
  EXPECT_EQ(itemOpenPath(m_engine.result, *single, 1), u"") << "nothing on the side without the item";

  Reaper reaper;
  RecordedShell shell;
  int hotOverLink = -2, hotOverBlank = -2, hotAfterLeave = -2;
  SIZE minimum{}, initial{};
  olstring title;
  bool closeHasFocus = false;
  const int code = runDialog(m_engine.result, details(odd), [&](CDetailsDlg& dialog) {
    const HWND hwnd = dialog.hwnd();
    title = getWindowText(hwnd);
    closeHasFocus = getFocus() == getDlgItem(hwnd, IDCANCEL);
    minimum = dialog.minTrackSize();
    const RECT client = getClientRect(hwnd);
    initial = {client.width(), client.height()};
    const RECT link = dialog.linkRect(0);
    moveMouse(hwnd, centreOf(link));
    hotOverLink = dialog.hotLink();
    // Past the end of the path's text the line is no link.
    moveMouse(hwnd, POINT{dialog.details().lines.front().cell[0].right - 1, centreOf(link).y});
    hotOverBlank = dialog.hotLink();
    moveMouse(hwnd, centreOf(dialog.linkRect(1)));
    sendMessage(hwnd, WM_MOUSELEAVE);
    hotAfterLeave = dialog.hotLink();
    QTest::mouseClick(widgetOf(hwnd), Qt::LeftButton, Qt::NoModifier, QPoint(centreOf(link).x, centreOf(link).y));
    QTest::mouseClick(widgetOf(getDlgItem(hwnd, control_id::kDetailsHelp)), Qt::LeftButton);
    QTest::keyClick(widgetOf(getDlgItem(hwnd, IDCANCEL)), Qt::Key_F1);
    QTest::keyClick(widgetOf(getDlgItem(hwnd, IDCANCEL)), Qt::Key_Escape);
  });
  EXPECT_EQ(code, IDCANCEL) << "Escape closes it";
  EXPECT_EQ(title, u"Details");
  EXPECT_TRUE(closeHasFocus);
  EXPECT_LE(minimum.cx, initial.cx) << "it opens at least as large as it may get";
  EXPECT_EQ(minimum.cy, initial.cy) << "and no higher than it must";
  EXPECT_EQ(hotOverLink, 0);
  EXPECT_EQ(hotOverBlank, CDetailsDlg::kNoLink);
  EXPECT_EQ(hotAfterLeave, CDetailsDlg::kNoLink);
  ASSERT_EQ(shell.requests.size(), 3u);
  EXPECT_EQ(shell.requests[0].kind, ShellRequest::openItem);
  const std::string url = shell.requests[0].url;
  const std::string name = "/a/caf%E9-%FF.txt";
  EXPECT_EQ(url.rfind(name), url.size() - name.size()) << url;
  EXPECT_EQ(url, fileUrl(fromUtf8(a(odd))));
  EXPECT_EQ(shell.requests[1].kind, ShellRequest::openWebPage);
  EXPECT_EQ(shell.requests[1].url, "https://olumbe.net/mirrane/help.html#details");
  EXPECT_EQ(shell.requests[2].url, shell.requests[1].url) << "F1 opens the same help";
}

TEST_F(DetailsTest, ThePathLinksAreTabStopsThatEnterAndSpacePress) {
  compare(CompareOptions());
  Reaper reaper;
  // From the close button, where the dialog opens, Tab goes round: the links, help, close.
  // focused: the side whose link takes the focus, or -1 for the help button.
  const struct {
    const char* name;
    const char* item;
    int tabs;
    Qt::Key key;
    int focused;
  } cases[] = {
      {"Tab, Enter: the first path opens", "report.txt", 1, Qt::Key_Return, 0},
      {"Tab, Tab, Space: the second path opens", "report.txt", 2, Qt::Key_Space, 1},
      {"a missing second side is no stop", "onlyfirst.txt", 2, Qt::Key_Return, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordedShell shell;
    int focused = -2, framed[2] = {0, 0};
    runDialog(m_engine.result, details(c.item), [&](CDetailsDlg& dialog) {
      for (int i = 0; i < c.tabs; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      const HWND focus = getFocus();
      for (int side = 0; side < 2; ++side) focused = focus == dialog.linkWindow(side) ? side : focused;
      if (focus == getDlgItem(dialog.hwnd(), control_id::kDetailsHelp)) focused = -1;
      // The focus is framed in the accent colour around the path, and only there.
      const QImage picture = widgetOf(dialog.hwnd())->grab().toImage();
      for (int side = 0; side < 2; ++side) {
        const RECT link = dialog.linkRect(side);
        for (int y = link.top; y < link.bottom; ++y)
          for (int x = link.left; x < link.right; ++x)
            framed[side] += fromQColor(picture.pixelColor(x, y)) == themeColour(olThemeSlot::accent);
      }
      if (focused >= 0) gui_test::saveScreenshot(dialog.hwnd(), "details-link-focus-" + std::to_string(focused));
      QTest::keyClick(widgetOf(focus), c.key);
    });
    EXPECT_EQ(focused, c.focused);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].kind, c.focused < 0 ? ShellRequest::openWebPage : ShellRequest::openItem);
    if (c.focused >= 0) {
      EXPECT_EQ(shell.requests[0].url, fileUrl(fromUtf8(c.focused == 0 ? a(c.item) : b(c.item))));
    }
    EXPECT_GT(c.focused < 0 ? 11 : framed[c.focused], 10);
    EXPECT_EQ(c.focused < 0 ? framed[0] + framed[1] : framed[1 - c.focused], 0);
  }
}

TEST_F(DetailsTest, TheLinesFollowTheWindowAndStayAboveTheButtons) {
  compare(CompareOptions());
  Reaper reaper;
  bool inside = false, followed = false, buttonsInCorners = false;
  runDialog(m_engine.result, details("report.txt"), [&](CDetailsDlg& dialog) {
    const HWND hwnd = dialog.hwnd();
    const olMargins& margins = uiMargins();
    auto check = [&] {
      const RECT client = getClientRect(hwnd);
      const RECT close = getWindowRect(getDlgItem(hwnd, IDCANCEL));
      const POINT closeAt = screenToClient(hwnd, POINT{close.left, close.top});
      const RECT help = getWindowRect(getDlgItem(hwnd, control_id::kDetailsHelp));
      const POINT helpAt = screenToClient(hwnd, POINT{help.left, help.top});
      const int linesBottom = client.bottom - close.height() - 2 * margins.vertical;
      bool ok = closeAt.x + close.width() == client.right - margins.horizontal &&
                closeAt.y + close.height() == client.bottom - margins.vertical && helpAt.x == margins.horizontal &&
                helpAt.y == closeAt.y && help.height() == close.height() && help.width() == close.width() / 2;
      buttonsInCorners = ok;
      for (const DetailLine& line : dialog.details().lines) {
        ok = ok && line.cell[0].left == margins.horizontal && line.cell[1].right == client.right - margins.horizontal &&
             line.cell[1].left - line.cell[0].right == 24 && line.cell[0].bottom <= linesBottom;
      }
      return ok;
    };
    inside = check();
    const RECT window = getWindowRect(hwnd);
    moveWindow(hwnd, window.left, window.top, window.width() + 300, window.height() + 100);
    pumpMessages(30);
    followed = check();
  });
  EXPECT_TRUE(buttonsInCorners);
  EXPECT_TRUE(inside);
  EXPECT_TRUE(followed) << "the cells and buttons follow a resize";
}

TEST_F(DetailsTest, ASideFromAListingSaysWhereItWasSavedAndThatItsContentWasHashed) {
  const std::string listing = writeListing({"same.txt", "crlf.txt", "differs.txt"});
  ASSERT_EQ(runJob(m_engine, listing, m_temp.path("b")), 0u);
  const std::string t = shownTime(kTime);
  const std::string text = "Plain text document";
  const std::string from = "1 | from a listing saved on studio at " + t + " | ";
  const std::string hashed = "1 | " + toUtf8(langText(lang::details::kDataHashed)) + " | !data";
  struct Case {
    std::string name;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"same.txt", {"0 | " + listing + "/same.txt | " + b("same.txt"), "0 | " + text + " | " + text, from,
                    "0 | 6 bytes (6) | 6 bytes (6)", "1 | " + t + " | " + t, "0 | Content identical | !data",
                    "0 | Compared by SHA-256: 6 bytes read and hashed | !data", hashed}},
      // Text mode cannot forgive the line ends of a side that has no text.
      {"crlf.txt", {"0 | " + listing + "/crlf.txt | " + b("crlf.txt"), "0 | " + text + " | " + text, from,
                    "2 | 10 bytes (10) | 8 bytes (8)", "1 | " + t + " | " + t, "2 | Content differs | !data",
                    "2 | Content not read: sizes differ | !data", hashed}},
      // Missing in the listing: it still says where the item was looked for.
      {"readme.txt", {"2 | Missing in first | " + b("readme.txt"), "0 |  | " + text, from, "0 |  | 2 bytes (2)",
                      "0 |  | " + t}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(dump(details(test.name)), test.lines);
  }

  // All of its lines fit above the buttons.
  Reaper reaper;
  bool fits = false;
  runDialog(m_engine.result, details("crlf.txt"), [&](CDetailsDlg& dialog) {
    const RECT client = getClientRect(dialog.hwnd());
    const RECT close = getWindowRect(getDlgItem(dialog.hwnd(), IDCANCEL));
    fits = dialog.details().lines.back().cell[0].bottom <= client.bottom - close.height() - 2 * uiMargins().vertical;
    gui_test::saveScreenshot(dialog.hwnd(), "details-listing-light");
  });
  EXPECT_TRUE(fits);
}

TEST(DetailsExplanation, TheLineUnderTheContentSaysWhatDecidedIt) {
  // Digits grouped as the C locale has none: with a space, as the sizes are.
  const testing_support::ScopedLocale c(LC_NUMERIC, "C");
  constexpr size_t kMiB = 1024 * 1024;
  std::string binary(5 * kMiB, 'b');
  binary[0] = binary[1] = '\0';
  std::string changed = binary;
  changed[2 * kMiB + 1000] = 'x';
  std::string changedEarly = binary;
  changedEarly[131072] = 'x';
  std::string skipped = binary;
  skipped[kMiB + 5] = 'x';
  struct Case {
    std::string name;
    std::string first;
    std::string second;
    bool fast;
    std::string line;
  };
  const Case cases[] = {
      {"bytes", binary, changedEarly, false, "2 | First difference at offset 131 072 | !data"},
      {"CR LF before", "one\r\ntwo\r\nthree\r\n", "one\ntwo\nthreE\n", false,
       "2 | First difference at line 3 (offset 14) of the first file, line 3 (offset 12) of the second | !data"},
      {"ends", "one\r\ntwo\r\n", "one\ntwo\nthree\n", false,
       "2 | First difference: the first file ends at line 3 (offset 10), the second file goes on at line 3 (offset 8) | !data"},
      {"sampled", binary, changed, true, "2 | First difference at offset 2 098 152 (sampled: 2 of 5 blocks compared) | !data"},
      {"skipped", binary, skipped, true, "0 | Equal where sampled: 3 of 5 blocks (60 %) | !data"},
      {"empty", "", "", false, "0 | Equal: both files are empty | !data"},
      {"quick sizes", std::string("\0\0ab", 4), std::string("\0\0abc", 5), true, "1 | Content not read: sizes differ (quick compare) | !data"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder temp;
    engine_test::writeBoth(temp, "f", c.first, c.second);
    CompareEngine engine;
    engine.settings.textModeMaxSize = kMiB;
    engine.options.autoSkip = c.fast;
    ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
    DetailsRecord record;
    ASSERT_TRUE(buildDetails(engine.result, child(engine.result.root, "f"), record));
    EXPECT_EQ(dump(record).back(), c.line);
  }

  // What a compare could not read, kept as the compare keeps it.
  TempFolder temp;
  engine_test::writeBoth(temp, "f", "a", "b");
  CompareEngine engine;
  ASSERT_EQ(runJob(engine, temp.path("a"), temp.path("b")), 0u);
  const CompareItem& item = *child(engine.result.root, "f");
  struct Kept {
    ContentReason reason;
    int8_t side;
    std::string line;
  };
  const Kept kept[] = {
      {ContentReason::unreadable, 1, "2 | Could not be read: Access is denied (the second file) | !data"},
      {ContentReason::changed, 0, "2 | Could not be read in full: the first file changed while it was compared | !data"},
      {ContentReason::notHashed, 1,
       "2 | Not compared: the second file could not be read when its listing was saved | !data"},
      {ContentReason::noMemory, -1, "2 | Not compared: not enough memory to read the files | !data"},
  };
  for (const Kept& k : kept) {
    ContentExplanation explanation;
    explanation.way = ContentWay::notRead;
    explanation.reason = k.reason;
    explanation.side = k.side;
    explanation.errorCode = 5;
    engine.result.explanations.keep(item, explanation);
    DetailsRecord record;
    ASSERT_TRUE(buildDetails(engine.result, &item, record));
    EXPECT_EQ(dump(record).back(), k.line);
  }
}

TEST(DetailsArchive, AnItemInsideAZipShowsTheZipsPathAndOpensTheZip) {
  TempFolder temp;
  PrivateTempFolder work;
  const std::string deep = "sub/a folder with a name long enough to be cut in the dialog/deep.txt";
  CompareEngine engine;
  ASSERT_TRUE(compareZipWithFolder(engine, temp, "packed.zip",
                                   {{"a.txt", "alpha\n", "alpha\n"}, {"sub/inner.txt", "inner\n", "changed\n"},
                                    {deep, "deep\n", "deep\n"}}));
  const CompareItem* sub = child(engine.result.root, "sub");
  ASSERT_NE(sub, nullptr);
  const CompareItem* inner = child(*sub, "inner.txt");
  ASSERT_NE(inner, nullptr);
  DetailsRecord record;
  ASSERT_TRUE(buildDetails(engine.result, inner, record));
  EXPECT_EQ(record.lines[0].text[0], fromUtf8(temp.path("packed.zip/sub/inner.txt")));
  EXPECT_EQ(record.lines[0].text[0].find(engine.archiveArea.workFolder()), olstring::npos)
      << "never the unpack folder";
  EXPECT_EQ(record.lines[0].text[1], fromUtf8(temp.path("plain/sub/inner.txt")));
  ASSERT_GE(record.lines.size(), 2u);
  EXPECT_EQ(toUtf8(record.lines[record.lines.size() - 2].text[0]), "Content differs");
  EXPECT_EQ(toUtf8(record.lines.back().text[0]), "First difference at line 1 (offset 0)");

  Reaper reaper;
  RecordedShell shell;
  olstring tipOfShortPath = u"unset";
  runDialog(engine.result, std::move(record), [&](CDetailsDlg& dialog) {
    // Wide enough for the whole path.
    const RECT window = getWindowRect(dialog.hwnd());
    moveWindow(dialog.hwnd(), window.left, window.top, 1600, window.height());
    pumpMessages(30);
    moveMouse(dialog.hwnd(), centreOf(dialog.linkRect(0)));
    tipOfShortPath = olToolTipCtrl::shared().toolText(dialog.hwnd());
    for (int side = 0; side < 2; ++side) {
      const POINT at = centreOf(dialog.linkRect(side));
      QTest::mouseClick(widgetOf(dialog.hwnd()), Qt::LeftButton, Qt::NoModifier, QPoint(at.x, at.y));
    }
  });
  EXPECT_EQ(tipOfShortPath, u"") << "a path shown whole needs no tip";
  ASSERT_EQ(shell.requests.size(), 2u);
  // The member exists only unpacked: the archive itself is what opens.
  EXPECT_EQ(shell.requests[0].url, fileUrl(fromUtf8(temp.path("packed.zip"))));
  EXPECT_EQ(shell.requests[1].url, fileUrl(fromUtf8(temp.path("plain/sub/inner.txt"))));

  // A path too long for its cell keeps the archive's name in view in its tip.
  DetailsRecord deepRecord;
  const CompareItem* deepItem = child(*child(*sub, "a folder with a name long enough to be cut in the dialog"), "deep.txt");
  ASSERT_TRUE(buildDetails(engine.result, deepItem, deepRecord));
  olstring tip, tipAfterLeave = u"unset";
  int openWidth = 0, minimumWidth = 0, screenWidth = 0;
  runDialog(engine.result, std::move(deepRecord), [&](CDetailsDlg& dialog) {
    openWidth = getClientRect(dialog.hwnd()).width();
    minimumWidth = dialog.minTrackSize().cx;
    screenWidth = monitorWorkArea(dialog.hwnd()).width();
    moveMouse(dialog.hwnd(), POINT{dialog.linkRect(0).left + 4, centreOf(dialog.linkRect(0)).y});
    tip = olToolTipCtrl::shared().toolText(dialog.hwnd());
    sendMessage(dialog.hwnd(), WM_MOUSELEAVE);
    tipAfterLeave = olToolTipCtrl::shared().toolText(dialog.hwnd());
  });
  EXPECT_EQ(tip, fromUtf8(temp.path("packed.zip/" + deep)));
  EXPECT_EQ(tipAfterLeave, u"");
  // The long path widens the dialog as far as the screen allows; it can still be made as
  // narrow as a dialog of short paths.
  EXPECT_EQ(openWidth, screenWidth * 9 / 10);
  EXPECT_LT(minimumWidth, openWidth);
  engine.removeArchiveWorkFolder();
}

TEST_F(DetailsTest, PicturesOfEachKindInEveryTheme) {
  CompareOptions options;
  options.modifyTime = true;
  compare(options);
  // The archive's compare keeps its own result, so that both live while the pictures are taken.
  PrivateTempFolder work;
  CompareEngine archiveEngine;
  ASSERT_TRUE(compareZipWithFolder(archiveEngine, m_temp, "reports 2024.zip",
                                   {{"Quarterly figures/summary.txt", "q\n", "q\n"}, {"notes.txt", "n\n", "changed\n"}}));
  const CompareItem* figures = child(archiveEngine.result.root, "Quarterly figures");
  ASSERT_NE(figures, nullptr);

  struct Picture {
    const char* name;
    const CompareResult* result;
    const CompareItem* item;
  };
  const Picture pictures[] = {
      {"file-pair", &m_engine.result, item("report.txt")},
      {"folder-pair", &m_engine.result, item("sub")},
      {"one-side", &m_engine.result, item("onlyfirst.txt")},
      {"archive-item", &archiveEngine.result, child(*figures, "summary.txt")},
  };
  Reaper reaper(60000);
  for (const char16_t* theme : {u"Light", u"Dark", u"Blue", u"Green", u"System Default"}) {
    ASSERT_TRUE(applyThemeByName(theme));
    std::string themeName = toUtf8(theme);
    for (char& c : themeName) c = c == ' ' ? '-' : static_cast<char>(std::tolower(c));
    for (const Picture& picture : pictures) {
      SCOPED_TRACE(std::string(picture.name) + " " + themeName);
      ASSERT_NE(picture.item, nullptr);
      DetailsRecord record;
      ASSERT_TRUE(buildDetails(*picture.result, picture.item, record));
      bool saved = false;
      runDialog(*picture.result, std::move(record), [&](CDetailsDlg& dialog) {
        // The first path under the mouse, as a link.
        if (std::string(picture.name) == "file-pair") moveMouse(dialog.hwnd(), centreOf(dialog.linkRect(0)));
        pumpMessages(30);
        saved = gui_test::saveScreenshot(dialog.hwnd(), "details-" + std::string(picture.name) + "-" + themeName);
      });
      EXPECT_TRUE(saved);
    }
  }
  applyTheme(-1);
  archiveEngine.removeArchiveWorkFolder();
}
