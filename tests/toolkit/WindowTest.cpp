// Routing of messages through the shared procedure, reflection of notifications, timers,
// registered messages, hotkeys and the caption and size helpers.
#include <QCoreApplication>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "platform/Path.h"
#include "toolkit/App.h"
#include "toolkit/Geometry.h"
#include "toolkit/Hotkeys.h"
#include "toolkit/Shell.h"
#include "toolkit/Timer.h"
#include "toolkit/ToolTip.h"
#include "toolkit/WindowInternal.h"

#include <cstdlib>
#include <string>

using gui_test::SimpleDialog;

namespace {

// A button object that may take its own click.
class ClaimingButton : public olWnd {
public:
  bool claim = false;
  std::vector<UINT> codes;
  bool onCommand(UINT code) override {
    codes.push_back(code);
    return claim;
  }
};

class CountingTimer : public olWndTimer {
public:
  int fired = 0;
  void onTimer() override { ++fired; }
};

}  // namespace

TEST(Reflection, AControlSeesItsClickBeforeTheParent) {
  SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  showWindow(dialog.hwnd(), SW_SHOW);
  ClaimingButton button;
  ASSERT_TRUE(button.attachDlgItem(dialog.hwnd(), IDCANCEL));
  EXPECT_FALSE(button.attachDlgItem(dialog.hwnd(), IDCANCEL));  // already bound

  button.claim = true;
  QTest::mouseClick(widgetOf(button.hwnd()), Qt::LeftButton);
  EXPECT_EQ(button.codes, std::vector<UINT>{BN_CLICKED});
  EXPECT_TRUE(dialog.commands.empty());
  EXPECT_EQ(dialog.endCode(), 0);

  button.claim = false;
  QTest::mouseClick(widgetOf(button.hwnd()), Qt::LeftButton);
  EXPECT_EQ(button.codes.size(), 2u);
  EXPECT_EQ(dialog.commands, std::vector<UINT>{IDCANCEL});
}

TEST(Reflection, DrawMeasureAndNotifyReachTheControlOrFallBack) {
  SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  ClaimingButton button;
  ASSERT_TRUE(button.attachDlgItem(dialog.hwnd(), IDOK));
  // The default handlers mark the call as not handled, so the parent gets it (result 0
  // from the dialog's default processing).
  DRAWITEMSTRUCT draw;
  draw.CtlType = ODT_BUTTON;
  draw.hwndItem = button.hwnd();
  EXPECT_EQ(sendMessage(dialog.hwnd(), WM_DRAWITEM, IDOK, reinterpret_cast<LPARAM>(&draw)), 0);
  EXPECT_TRUE(button.notHandledMark(0));
  MEASUREITEMSTRUCT measure;
  measure.CtlType = ODT_BUTTON;
  measure.CtlID = IDOK;
  sendMessage(dialog.hwnd(), WM_MEASUREITEM, IDOK, reinterpret_cast<LPARAM>(&measure));
  EXPECT_TRUE(button.notHandledMark(1));
  COMPAREITEMSTRUCT compare;
  compare.hwndItem = button.hwnd();
  compare.itemData1 = 1;
  compare.itemData2 = ~uintptr_t(0);  // compared as unsigned numbers
  sendMessage(dialog.hwnd(), WM_COMPAREITEM, IDOK, reinterpret_cast<LPARAM>(&compare));
  EXPECT_EQ(button.onCompareItem(compare), -1);
}

TEST(Routing, SetFontReachesEveryChildAndUnbindRestoresTheProcedure) {
  SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  HWND edit = getDlgItem(dialog.hwnd(), 100);
  LOGFONTW description = defaultFontDescription();
  description.lfHeight = -20;
  HFONT big = createFontIndirect(description);
  sendMessage(dialog.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(big), 0);
  EXPECT_EQ(reinterpret_cast<HFONT>(sendMessage(edit, WM_GETFONT)), big);
  EXPECT_EQ(widgetOf(edit)->font().pixelSize(), 20);

  ClaimingButton button;
  HWND ok = getDlgItem(dialog.hwnd(), IDOK);
  WNDPROC before = windowProcedure(ok);
  ASSERT_TRUE(button.attach(ok));
  EXPECT_EQ(windowProcedure(ok), olSharedWindowProc);
  button.unbind(olUnbind::keepWindow);
  EXPECT_EQ(windowProcedure(ok), before);
  EXPECT_TRUE(isWindow(ok));
  dialog.unbind(olUnbind::destroyWindow);
  deleteFont(big);
}

TEST(Routing, PostedMessagesArriveInOrderAndNotAfterTheWindowIsGone) {
  struct Recorder : olWnd {
    std::vector<UINT> seen;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message >= WM_USER) seen.push_back(message);
      return olWnd::windowProc(message, wParam, lParam);
    }
  } recorder;
  HWND hwnd = createWindowEx(0, u"Static", u"", WS_POPUP, {0, 0, 10, 10}, nullptr, 0);
  ASSERT_TRUE(recorder.attach(hwnd));
  EXPECT_TRUE(postMessage(hwnd, WM_USER + 1));
  EXPECT_TRUE(postMessage(hwnd, WM_USER + 2));
  gui_test::waitFor([&] { return recorder.seen.size() == 2; });
  EXPECT_EQ(recorder.seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
  postMessage(hwnd, WM_USER + 3);
  recorder.unbind(olUnbind::destroyWindow);
  gui_test::waitFor([] { return false; }, 30);
  EXPECT_EQ(recorder.seen.size(), 2u);
  EXPECT_FALSE(postMessage(hwnd, WM_USER + 4));
}

// A stopped interface may be started again; what is posted afterwards must reach the new
// application, not the hidden target that went with the old one. Run in a child process of
// its own, so that the other tests keep their application.
TEST(RoutingDeathTest, MessagesPostedAfterTheInterfaceWasStartedAgainArrive) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto restartAndPost = [] {
    olToolTipCtrl::shared().destroy();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    olApp::stopInterface();
    // Qt keeps a reference to the count for the application's life.
    static int argc = 1;
    static char name[] = "toolkit_tests";
    static char* argv[] = {name, nullptr};
    if (!olApp::startInterface(argc, argv)) return 2;
    struct Recorder : olWnd {
      int seen = 0;
      LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_USER + 7) ++seen;
        return olWnd::windowProc(message, wParam, lParam);
      }
    } recorder;
    HWND hwnd = createWindowEx(0, u"Static", u"", WS_POPUP, {0, 0, 10, 10}, nullptr, 0);
    if (!recorder.attach(hwnd)) return 3;
    wakeMessageLoop();
    if (!postMessage(hwnd, WM_USER + 7)) return 4;
    const bool arrived = gui_test::waitFor([&] { return recorder.seen == 1; });
    recorder.unbind(olUnbind::destroyWindow);
    return arrived ? 0 : 5;
  };
  // AddressSanitizer does not watch Qt's own reads and keeps freed memory as it was: filled,
  // a post to a freed target fails there as it does in a plain build.
  const char* options = std::getenv("ASAN_OPTIONS");
  const testing_support::ScopedEnvironment filled(
      "ASAN_OPTIONS", std::string(options != nullptr ? options : "") + ":max_free_fill_size=4096:free_fill_byte=255");
  EXPECT_EXIT(std::_Exit(restartAndPost()), testing::ExitedWithCode(0), "");
}

TEST(RegisteredMessages, SameNameSameIdFromC000) {
  UINT split = registerWindowMessage(u"WM_OLBUTTON_SPLIT");
  UINT mrn = registerWindowMessage(u"Mirrane_WM_MRN");
  EXPECT_GE(split, 0xC000u);
  EXPECT_GE(mrn, 0xC000u);
  EXPECT_NE(split, mrn);
  EXPECT_EQ(registerWindowMessage(u"WM_OLBUTTON_SPLIT"), split);
  EXPECT_EQ(registeredMessage(u"Mirrane_WM_MRN"), mrn);
  EXPECT_EQ(registerWindowMessage(u""), 0u);
}

TEST(WindowClasses, RegisterOnceAndCreateByName) {
  olWndClass panel;
  panel.name = u"olTestPanel";
  ATOM atom = registerClassOnce(panel);
  EXPECT_NE(atom, 0);
  EXPECT_EQ(registerClassOnce(panel), atom);
  olWndClass numbered;
  numbered.numericName = 4242;
  ATOM numberAtom = registerClassOnce(numbered);
  EXPECT_NE(numberAtom, 0);
  HWND made = createWindowEx(0, u"4242", u"", WS_POPUP, {0, 0, 5, 5}, nullptr, 0);
  EXPECT_TRUE(isWindow(made));
  destroyWindow(made);
  EXPECT_EQ(createWindowEx(0, u"NoSuchClass", u"", WS_POPUP, {0, 0, 5, 5}, nullptr, 0), nullptr);
}

TEST(Timers, IdsStartAt1314AndFireOnTheirWindow) {
  SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  CountingTimer first, second, third;
  ASSERT_TRUE(first.start(dialog.hwnd(), 10));
  ASSERT_TRUE(second.start(dialog.hwnd(), 10));
  EXPECT_EQ(first.id(), 1314u);
  EXPECT_EQ(second.id(), 1315u);
  EXPECT_TRUE(first.start(dialog.hwnd(), 20));  // re-armed, same id
  EXPECT_EQ(first.id(), 1314u);
  first.stop();
  ASSERT_TRUE(third.start(dialog.hwnd(), 10));
  EXPECT_EQ(third.id(), 1314u);
  EXPECT_TRUE(gui_test::waitFor([&] { return second.fired > 0 && third.fired > 0; }));
  EXPECT_EQ(first.fired, 0);
  dialog.unbind(olUnbind::destroyWindow);
  EXPECT_FALSE(second.isRunning());
  EXPECT_FALSE(second.start(nullptr, 10));
}

TEST(Hotkeys, MatchKeyModifiersAndTheTargetsWindow) {
  SimpleDialog dialog, other;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  ASSERT_TRUE(other.createModeless(nullptr));
  HWND edit = getDlgItem(dialog.hwnd(), 100);
  olHotkeyTable table;
  table.add(getDlgItem(dialog.hwnd(), IDOK), 'F', kModCtrl, 32782);
  table.add(getDlgItem(dialog.hwnd(), IDOK), VK_F3, kModShift, 32784);
  MSG msg;
  msg.hwnd = edit;
  msg.message = WM_KEYDOWN;
  msg.wParam = 'F';
  msg.keyModifiers = kModCtrl;
  ASSERT_NE(table.match(msg), nullptr);
  EXPECT_EQ(table.match(msg)->command, 32782u);
  msg.keyModifiers = kModCtrl | kModAlt;  // Alt is not part of the set
  EXPECT_NE(table.match(msg), nullptr);
  msg.keyModifiers = kModCtrl | kModShift;
  EXPECT_EQ(table.match(msg), nullptr);
  msg.keyModifiers = kModCtrl;
  msg.message = WM_KEYUP;
  EXPECT_EQ(table.match(msg), nullptr);
  msg.message = WM_KEYDOWN;
  msg.hwnd = getDlgItem(other.hwnd(), 100);  // a key in another top-level window
  EXPECT_EQ(table.match(msg), nullptr);
  msg.hwnd = edit;
  msg.wParam = VK_F3;
  msg.keyModifiers = kModShift;
  EXPECT_TRUE(table.translate(msg));
  EXPECT_EQ(dialog.commands.size(), 0u);  // sent to the target (the OK button), not the dialog
}

TEST(Captions, CleanLabel) {
  struct Case {
    const char16_t* text;
    const char16_t* clean;
  };
  for (Case c : {Case{u"&Open...", u"Open"}, Case{u"Mr.", u"Mr."}, Case{u"Save &as..\tCtrl+S", u"Save as"},
                 Case{u"\t\tLead\tTail", u"Lead"}, Case{u"Fish && Chips", u"Fish && Chips"}, Case{u"&", u""},
                 Case{u"...", u""}, Case{u"", u""}}) {
    SCOPED_TRACE(toUtf8(c.text));
    EXPECT_EQ(cleanLabel(c.text), c.clean);
  }
  EXPECT_EQ(cleanLabel(u"&Help...\tF1", olMarkers::keep), u"&Help");
}

TEST(Geometry, StandardButtonIsAtLeastTwentyPixelsHighAndScalesItsWidth) {
  LOGFONTW small = defaultFontDescription();
  small.lfHeight = -8;
  HFONT font = createFontIndirect(small);
  SIZE size = standardButtonSize(font);
  EXPECT_EQ(size.cy, 20);
  EXPECT_GT(size.cx, dx(50, font));  // widened in proportion
  EXPECT_EQ(standardButtonSize(font).cx, size.cx);
  EXPECT_EQ(dx(0), 0);
  EXPECT_EQ(dy(8), lineHeight());  // 8 vertical units are one character height
  deleteFont(font);
}

TEST(Application, FolderAndName) {
  const olstring saved = platform::applicationFolder();
  platform::setApplicationFolder(u"/opt/mirrane");
  EXPECT_EQ(applicationFolder(), u"/opt/mirrane");
  EXPECT_EQ(applicationFolder(u"lang"), u"/opt/mirrane/lang");
  EXPECT_EQ(applicationFolder(u"config/advconf.ini"), u"/opt/mirrane/config/advconf.ini");
  platform::setApplicationFolder(saved);
  EXPECT_EQ(olApp::instance()->appName(), u"Mirrane");
}

TEST(Placement, NormalRectangleSurvivesMaximizing) {
  SimpleDialog dialog;
  dialog.addTemplateStyle(WS_THICKFRAME);
  ASSERT_TRUE(dialog.createModeless(nullptr));
  const RECT normal{40, 50, 340, 250};
  ASSERT_TRUE(setWindowPlacement(dialog.hwnd(), normal, SW_SHOWMAXIMIZED));
  showWindow(dialog.hwnd(), SW_SHOW);
  gui_test::waitFor([&] { return isZoomed(dialog.hwnd()); });
  RECT read;
  bool maximized = false;
  ASSERT_TRUE(getWindowPlacement(dialog.hwnd(), read, maximized));
  EXPECT_TRUE(maximized);
  EXPECT_EQ(read, normal);
  EXPECT_FALSE(setWindowPlacement(dialog.hwnd(), RECT{}, SW_SHOWNORMAL));  // an empty rectangle changes nothing
  EXPECT_FALSE(getWindowPlacement(getDlgItem(dialog.hwnd(), IDOK), read, maximized));
}

TEST(Routing, DroppedFilesArriveOnlyWhereAccepted) {
  struct DropTarget : olWnd {
    std::vector<olstring> paths;
    POINT at;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_DROPFILES) {
        auto* files = reinterpret_cast<olDropFiles*>(wParam);
        paths = files->paths;
        at = files->point;
        return 0;
      }
      return olWnd::windowProc(message, wParam, lParam);
    }
  } target;
  HWND hwnd = createWindowEx(0, u"Static", u"", WS_POPUP, {0, 0, 100, 100}, nullptr, 0);
  ASSERT_TRUE(target.attach(hwnd));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/tmp/first one"), QUrl::fromLocalFile("/tmp/second")});
  // As from the desktop: the drop follows an entry the window accepted.
  auto drop = [&] {
    QDragEnterEvent enter(QPoint(12, 34), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widgetOf(hwnd), &enter);
    QDropEvent event(QPointF(12, 34), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widgetOf(hwnd), &event);
  };
  drop();
  EXPECT_TRUE(target.paths.empty());
  dragAcceptFiles(hwnd, true);
  drop();
  ASSERT_EQ(target.paths.size(), 2u);
  EXPECT_EQ(target.paths[0], u"/tmp/first one");
  EXPECT_EQ(target.at.x, 12);
  EXPECT_EQ(target.at.y, 34);
}

TEST(Shell, ClipboardHoldsText) {
  ASSERT_TRUE(setClipboardText(u"/tmp/\u00e9t\u00e9"));
  EXPECT_EQ(clipboardText(), u"/tmp/\u00e9t\u00e9");
}

TEST(Handles, LookUpsCreateNothingAndDestroyedWindowsLeaveEveryTable) {
  // A widget the toolkit did not make (a Qt part, a file dialog) has no handle, and asking
  // for one does not make it.
  const size_t windows = liveWindowCount();
  QWidget plain;
  EXPECT_EQ(handleOf(&plain), nullptr);
  plain.show();
  plain.setFocus();
  plain.activateWindow();
  EXPECT_EQ(getFocus(), nullptr);
  EXPECT_EQ(getActiveWindow(), nullptr);
  EXPECT_EQ(liveWindowCount(), windows);

  // A Qt part inside a toolkit window stands for that window.
  SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  auto* part = new QWidget(widgetOf(dialog.hwnd()));
  EXPECT_EQ(nearestHandle(part), dialog.hwnd());
  EXPECT_EQ(handleOf(part), nullptr);

  const HWND ok = getDlgItem(dialog.hwnd(), IDOK);
  olToolTipCtrl& tip = olToolTipCtrl::shared();
  ASSERT_TRUE(tip.create());
  tip.addTool(ok, u"Start");
  olHotkeyTable local;
  local.add(ok, VK_F5, 0, 32771);
  olHotkeyTable::instance().add(ok, VK_F5, 0, 32771);
  dialog.unbind(olUnbind::destroyWindow);
  EXPECT_EQ(tip.toolText(ok), u"") << "the tooltip forgot the window";
  EXPECT_EQ(local.size(), 0u) << "every hotkey table forgot the window";
  EXPECT_EQ(olHotkeyTable::instance().size(), 0u);
  tip.destroy();
}

TEST(Captions, ElidingKeepsAPathsFileNameWhole) {
  const olstring path = u"Comparing... /home/user/projects/mirrane/docs/reports/2026/annual-summary.txt";
  const int wide = textExtent(path).cx;
  const int nameWidth = textExtent(u"/annual-summary.txt").cx;
  EXPECT_EQ(elideText(path, wide, olElide::path), path) << "a line that fits stays whole";
  const olstring cut = elideText(path, wide / 2, olElide::path);
  EXPECT_LE(textExtent(cut).cx, wide / 2);
  EXPECT_EQ(cut.substr(0, 9), u"Comparing");
  EXPECT_NE(cut.find(u'\u2026'), olstring::npos);
  EXPECT_EQ(cut.substr(cut.size() - 19), u"/annual-summary.txt");
  const olstring ended = elideText(path, wide / 2, olElide::end);
  EXPECT_EQ(ended.back(), u'\u2026');
  // Too narrow even for the name: the name is cut in its middle, its end still shown.
  const olstring narrow = elideText(path, nameWidth - 10, olElide::path);
  EXPECT_LE(textExtent(narrow).cx, nameWidth - 10);
  EXPECT_EQ(narrow.substr(narrow.size() - 4), u".txt");
  EXPECT_EQ(elideText(u"no separator at all in this line", 60, olElide::path).find(u'\u2026') != olstring::npos, true);
}
