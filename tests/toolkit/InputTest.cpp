// Input as it reaches windows: virtual keys on any layout, hotkeys, key claims, mouse
// tracking and capture, drops, and what a disabled window refuses.
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWidget>

#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/Hotkeys.h"
#include "toolkit/WindowInternal.h"

using gui_test::later;
using gui_test::Reaper;
using gui_test::SimpleDialog;

namespace {

// A bound popup window that records the messages it receives.
class Recorder : public olWnd {
public:
  std::vector<MSG> seen;
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back({m_hwnd, message, wParam, lParam, {}, 0});
    return olWnd::windowProc(message, wParam, lParam);
  }
  std::vector<WPARAM> params(UINT message) const {
    std::vector<WPARAM> result;
    for (const MSG& m : seen)
      if (m.message == message) result.push_back(m.wParam);
    return result;
  }
  size_t count(UINT message) const { return params(message).size(); }
};

HWND makeWindow(Recorder& recorder, const char16_t* className = u"Static", RECT rect = {0, 0, 200, 100}) {
  HWND hwnd = createWindowEx(0, className, u"", WS_POPUP, rect, nullptr, 0);
  EXPECT_TRUE(recorder.attach(hwnd));
  return hwnd;
}

// The mouse moves over the widget with no button held, as the window system reports it.
void moveMouse(QWidget* widget, QPoint at) {
  QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &move);
}

// X11 key codes (Linux input codes plus 8) of a few keys of the main block.
constexpr uint32_t kKeyCode9 = 18;
constexpr uint32_t kKeyCodeF = 41;
constexpr uint32_t kKeyCodeC = 54;
constexpr uint32_t kKeyCodePeriod = 60;
// X11 keysyms of two Cyrillic letters.
constexpr uint32_t kKeysymCyrillicA = 0x6c1;
constexpr uint32_t kKeysymCyrillicEs = 0x6d3;

}  // namespace

TEST(Keys, EveryKeyHasItsOwnVirtualKeyOnAnyLayout) {
  struct Case {
    const char* name;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    uint32_t scanCode;
    uint32_t nativeKey;
    const char16_t* text;
    unsigned expected;
  };
  const Case cases[] = {
      {"period", Qt::Key_Period, Qt::NoModifier, 0, 0, u".", VK_OEM_PERIOD},
      {"period at its place", Qt::Key_Period, Qt::NoModifier, kKeyCodePeriod, '.', u".", VK_OEM_PERIOD},
      {"left parenthesis", Qt::Key_ParenLeft, Qt::ShiftModifier, 0, 0, u"(", '9'},
      {"left parenthesis at its place", Qt::Key_ParenLeft, Qt::ShiftModifier, kKeyCode9, '(', u"(", '9'},
      {"percent", Qt::Key_Percent, Qt::ShiftModifier, 0, 0, u"%", '5'},
      {"ampersand", Qt::Key_Ampersand, Qt::ShiftModifier, 0, 0, u"&", '7'},
      {"minus", Qt::Key_Minus, Qt::NoModifier, 0, 0, u"-", VK_OEM_MINUS},
      {"apostrophe", Qt::Key_Apostrophe, Qt::NoModifier, 0, 0, u"'", VK_OEM_7},
      {"delete", Qt::Key_Delete, Qt::NoModifier, 0, 0, u"", VK_DELETE},
      {"insert", Qt::Key_Insert, Qt::NoModifier, 0, 0, u"", VK_INSERT},
      {"arrows", Qt::Key_Down, Qt::NoModifier, 0, 0, u"", VK_DOWN},
      {"home", Qt::Key_Home, Qt::NoModifier, 0, 0, u"", VK_HOME},
      {"F5", Qt::Key_F5, Qt::NoModifier, 0, 0, u"", VK_F5},
      {"tab", Qt::Key_Tab, Qt::NoModifier, 0, 0, u"\t", VK_TAB},
      {"shift and tab", Qt::Key_Backtab, Qt::ShiftModifier, 0, 0, u"", VK_TAB},
      {"keypad enter", Qt::Key_Enter, Qt::KeypadModifier, 0, 0, u"\r", VK_RETURN},
      {"keypad digit", Qt::Key_5, Qt::KeypadModifier, 0, 0, u"5", VK_NUMPAD0 + 5},
      {"keypad point", Qt::Key_Period, Qt::KeypadModifier, 0, 0, u".", VK_DECIMAL},
      {"small letter", Qt::Key_A, Qt::NoModifier, 0, 0, u"a", 'A'},
      {"digit", Qt::Key_7, Qt::NoModifier, 0, 0, u"7", '7'},
      {"Cyrillic a on the F key", 0x0410, Qt::NoModifier, kKeyCodeF, kKeysymCyrillicA, u"\u0430", 'F'},
      {"Ctrl and Cyrillic es on the C key", 0x0421, Qt::ControlModifier, kKeyCodeC, kKeysymCyrillicEs, u"", 'C'},
      {"a Latin keysym wins over the place", 0x0410, Qt::NoModifier, kKeyCodeC, 'f', u"\u0430", 'F'},
      {"no key known", 0x0410, Qt::NoModifier, 0, 0, u"\u0430", 0},
  };
  Recorder recorder;
  HWND hwnd = makeWindow(recorder);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    recorder.seen.clear();
    QKeyEvent press(QEvent::KeyPress, c.qtKey, c.modifiers, c.scanCode, c.nativeKey, 0, QString::fromUtf16(c.text));
    QCoreApplication::sendEvent(widgetOf(hwnd), &press);
    ASSERT_EQ(recorder.count(WM_KEYDOWN), 1u);
    EXPECT_EQ(recorder.params(WM_KEYDOWN)[0], c.expected);
  }
  recorder.unbind(olUnbind::destroyWindow);
}

TEST(Keys, HotkeysFireOnTheirKeyAndOnNoOther) {
  struct HotkeyDialog : SimpleDialog {
    bool filterMessage(MSG& msg) override { return olHotkeyTable::instance().translate(msg); }
  };
  constexpr UINT kDeleteCommand = 32790;
  constexpr UINT kFindCommand = 32782;
  Reaper reaper;
  HotkeyDialog dialog;
  dialog.onInit = [](SimpleDialog& d) {
    olHotkeyTable::instance().add(d.hwnd(), VK_DELETE, 0, kDeleteCommand);
    olHotkeyTable::instance().add(d.hwnd(), 'F', kModCtrl, kFindCommand);
  };
  later(50, [&] {
    QWidget* edit = widgetOf(getDlgItem(dialog.hwnd(), 100));
    QTest::keyClick(edit, Qt::Key_Period);  // '.' is not Delete
    QTest::keyClick(edit, Qt::Key_ParenLeft, Qt::ShiftModifier);
    // Ctrl+F typed on a Cyrillic layout: the key carries the Cyrillic letter.
    QKeyEvent find(QEvent::KeyPress, 0x0410, Qt::ControlModifier, kKeyCodeF, kKeysymCyrillicA, 0);
    QCoreApplication::sendEvent(edit, &find);
    QTest::keyClick(edit, Qt::Key_Delete);
    dialog.endDialog(IDOK);
  });
  EXPECT_EQ(dialog.runModal(), IDOK);
  EXPECT_EQ(std::count(dialog.commands.begin(), dialog.commands.end(), kDeleteCommand), 1);
  EXPECT_EQ(std::count(dialog.commands.begin(), dialog.commands.end(), kFindCommand), 1);
  EXPECT_TRUE(olHotkeyTable::instance().size() == 0) << "the dialog's entries left with its window";
}

TEST(DisabledWindow, RefusesTheCloseBoxContextMenusAndDropsAndHearsOfTheClose) {
  struct MainWindow : SimpleDialog {
    int closeRequests = 0;
    int contextMenus = 0;
    int drops = 0;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_OLCLOSEWHILEDISABLED) ++closeRequests;
      if (message == WM_CONTEXTMENU) ++contextMenus;
      if (message == WM_DROPFILES) ++drops;
      return SimpleDialog::windowProc(message, wParam, lParam);
    }
  } main;
  ASSERT_TRUE(main.createModeless(nullptr));
  dragAcceptFiles(main.hwnd(), true);
  showWindow(main.hwnd(), SW_SHOW);
  olApp::instance()->setMainWindow(&main);
  QWidget* window = widgetOf(main.hwnd());
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile("/tmp/dropped")});
  auto rightClickAndDrop = [&] {
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), window->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(window, &menu);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
  };

  enableWindow(main.hwnd(), false);
  window->close();
  rightClickAndDrop();
  pumpMessages(20);
  EXPECT_TRUE(isWindow(main.hwnd())) << "the close box of a disabled window closes nothing";
  EXPECT_FALSE(olApp::quitReceived());
  EXPECT_EQ(main.closeRequests, 1);
  EXPECT_EQ(main.contextMenus, 0);
  EXPECT_EQ(main.drops, 0);

  enableWindow(main.hwnd(), true);
  rightClickAndDrop();
  EXPECT_EQ(main.contextMenus, 1);
  EXPECT_EQ(main.drops, 1);
  const HWND hwnd = main.hwnd();
  window->close();
  EXPECT_FALSE(isWindow(hwnd)) << "enabled again, the main window closes";
  pumpMessages(20);
  EXPECT_TRUE(olApp::quitReceived());
  olApp::instance()->setMainWindow(nullptr);
  olApp::clearQuit();
}

TEST(Drops, FilesDroppedOnAPathBoxReachThePanelWithTheirBytes) {
  struct Panel : SimpleDialog {
    std::vector<olstring> paths;
    POINT at;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_DROPFILES) {
        paths = reinterpret_cast<olDropFiles*>(wParam)->paths;
        at = reinterpret_cast<olDropFiles*>(wParam)->point;
        return 0;
      }
      return SimpleDialog::windowProc(message, wParam, lParam);
    }
  } panel;
  ASSERT_TRUE(panel.createModeless(nullptr));
  dragAcceptFiles(panel.hwnd(), true);
  showWindow(panel.hwnd(), SW_SHOW);
  const HWND box = getDlgItem(panel.hwnd(), 100);
  QWidget* edit = widgetOf(box);
  // As a file manager puts it: percent-encoded bytes, one of them not UTF-8, a host of
  // "localhost", and a file of another machine that is not ours to open.
  QMimeData data;
  data.setData(QStringLiteral("text/uri-list"),
               "# from the file manager\r\nfile:///tmp/caf%C3%A9%20one\r\nfile://localhost/tmp/raw%FFname\r\n"
               "file://elsewhere/tmp/remote\r\nhttps://example.org/page\r\n");
  QDragEnterEvent enter(QPoint(4, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(edit, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(4, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(edit, &drop);

  ASSERT_EQ(panel.paths.size(), 2u);
  EXPECT_EQ(panel.paths[0], u"/tmp/caf\u00e9 one");
  EXPECT_EQ(panel.paths[1], olstring(u"/tmp/raw") + char16_t(0xDCFF) + u"name") << "the byte 0xFF keeps its place";
  EXPECT_EQ(toUtf8(panel.paths[1]), std::string("/tmp/raw\xFFname"));
  const POINT boxOrigin = screenToClient(panel.hwnd(), clientToScreen(box, {0, 0}));
  EXPECT_EQ(panel.at.x, boxOrigin.x + 4) << "the point is in the panel's client area";
  EXPECT_EQ(panel.at.y, boxOrigin.y + 3);
  EXPECT_EQ(getWindowText(box), u"") << "the box does not paste the URL as text";

  // Where no window takes files, the box refuses them too.
  dragAcceptFiles(panel.hwnd(), false);
  QDragEnterEvent refused(QPoint(4, 3), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(edit, &refused);
  EXPECT_FALSE(refused.isAccepted());
}

TEST(Mouse, AHoverControlSeesMovesWithoutAButtonAndHearsTheMouseLeave) {
  SimpleDialog host;
  ASSERT_TRUE(host.createModeless(nullptr));
  moveWindow(host.hwnd(), 0, 0, 400, 300);
  showWindow(host.hwnd(), SW_SHOW);
  ASSERT_TRUE(gui_test::waitFor([&] { return getActiveWindow() == host.hwnd(); }));
  olWndClass listClass;
  listClass.name = u"olTestHoverList";
  ASSERT_NE(registerClassOnce(listClass), 0);
  Recorder list;
  ASSERT_TRUE(list.attach(createWindowEx(0, u"olTestHoverList", u"", WS_CHILD | WS_VISIBLE, {10, 60, 210, 160},
                                         host.hwnd(), 1001)));
  ASSERT_TRUE(trackMouseHover(list.hwnd()));
  EXPECT_FALSE(trackMouseHover(nullptr));

  moveMouse(widgetOf(list.hwnd()), QPoint(20, 30));
  moveMouse(widgetOf(list.hwnd()), QPoint(25, 40));
  ASSERT_GE(list.count(WM_MOUSEMOVE), 1u) << "moves arrive without a button held";
  EXPECT_EQ(list.seen.back().wParam & MK_LBUTTON, 0u);
  EXPECT_EQ(GET_Y_LPARAM(list.seen.back().lParam), 40);
  EXPECT_EQ(list.count(WM_MOUSELEAVE), 0u);
  // The mouse goes over to the host's OK button.
  moveMouse(widgetOf(getDlgItem(host.hwnd(), IDOK)), QPoint(3, 3));
  moveMouse(widgetOf(getDlgItem(host.hwnd(), IDOK)), QPoint(4, 3));
  EXPECT_EQ(list.count(WM_MOUSELEAVE), 1u) << "once, however far the mouse goes";
  moveMouse(widgetOf(list.hwnd()), QPoint(5, 5));
  moveMouse(widgetOf(host.hwnd()), QPoint(5, 5));
  EXPECT_EQ(list.count(WM_MOUSELEAVE), 2u) << "and again after each return";
  list.unbind(olUnbind::destroyWindow);
}

TEST(Mouse, CaptureLastsWhileAButtonIsHeldAndEndsWithTheWindow) {
  SimpleDialog host;
  ASSERT_TRUE(host.createModeless(nullptr));
  showWindow(host.hwnd(), SW_SHOW);
  const HWND edit = getDlgItem(host.hwnd(), 100);
  EXPECT_EQ(getCapture(), nullptr);
  QTest::mousePress(widgetOf(edit), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(getCapture(), edit) << "dragging a selection keeps the mouse";
  QTest::mouseRelease(widgetOf(edit), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(getCapture(), nullptr);
  QTest::mousePress(widgetOf(edit), Qt::LeftButton, {}, QPoint(3, 3));
  host.unbind(olUnbind::destroyWindow);
  EXPECT_EQ(getCapture(), nullptr) << "a window that is gone holds nothing";
}

TEST(KeyClaims, AListThatClaimsEnterSpaceArrowsAndCharactersGetsThemInADialog) {
  // An owner-drawn list as the results list will be: it wants Enter (details), Space,
  // the arrows and type-ahead characters, and leaves Escape to the dialog.
  struct List : Recorder {
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_GETDLGCODE)
        return DLGC_WANTARROWS | DLGC_WANTCHARS | (wParam == VK_RETURN || wParam == VK_SPACE ? DLGC_WANTMESSAGE : 0);
      return Recorder::windowProc(message, wParam, lParam);
    }
  };
  olWndClass listClass;
  listClass.name = u"olTestClaimingList";
  ASSERT_NE(registerClassOnce(listClass), 0);
  Reaper reaper;
  SimpleDialog dialog;
  List list;
  dialog.onInit = [&](SimpleDialog& d) {
    list.attach(createWindowEx(0, u"olTestClaimingList", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, {10, 10, 110, 60},
                               d.hwnd(), 1001));
  };
  bool openAfterEnter = false;
  later(50, [&] {
    QWidget* widget = widgetOf(list.hwnd());
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_Return);
    QTest::keyClick(widget, Qt::Key_Space);
    QTest::keyClick(widget, Qt::Key_Down);
    QTest::keyClick(widget, Qt::Key_M);
    gui_test::waitFor([] { return false; }, 30);
    openAfterEnter = isWindow(dialog.hwnd()) && dialog.endCode() == 0;
    QTest::keyClick(widget, Qt::Key_Escape);  // not claimed: the dialog's Cancel
  });
  EXPECT_EQ(dialog.runModal(), IDCANCEL);
  EXPECT_TRUE(openAfterEnter) << "Enter on the list is the list's, not the dialog's OK";
  EXPECT_EQ(std::count(dialog.commands.begin(), dialog.commands.end(), UINT(IDOK)), 0);
  EXPECT_EQ(list.params(WM_KEYDOWN), (std::vector<WPARAM>{VK_RETURN, VK_SPACE, VK_DOWN, 'M'}));
  EXPECT_EQ(list.params(WM_CHAR), (std::vector<WPARAM>{u'\r', u' ', u'm'}));
}

TEST(Mouse, HooksAndTheWindowSeeTheSameMessageForADoubleClick) {
  struct Watching : SimpleDialog {
    std::vector<MSG> filtered;
    bool filterMessage(MSG& msg) override {
      if (msg.message >= WM_MOUSEMOVE && msg.message <= WM_MBUTTONDBLCLK && msg.message != WM_MOUSEMOVE)
        filtered.push_back(msg);
      return false;
    }
  };
  Reaper reaper;
  Watching dialog;
  Recorder edit;
  later(50, [&] {
    ASSERT_TRUE(edit.attach(getDlgItem(dialog.hwnd(), 100)));
    QTest::mouseDClick(widgetOf(edit.hwnd()), Qt::LeftButton, {}, QPoint(6, 4));
    dialog.endDialog(IDOK);
  });
  EXPECT_EQ(dialog.runModal(), IDOK);
  std::vector<MSG> delivered;
  for (const MSG& m : edit.seen)
    if (m.message >= WM_LBUTTONDOWN && m.message <= WM_MBUTTONDBLCLK) delivered.push_back(m);
  ASSERT_EQ(dialog.filtered.size(), delivered.size());
  for (size_t i = 0; i < delivered.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dialog.filtered[i].message, delivered[i].message);
    EXPECT_EQ(dialog.filtered[i].wParam, delivered[i].wParam);
    EXPECT_EQ(dialog.filtered[i].lParam, delivered[i].lParam);
  }
  const bool doubleClickSeen = std::any_of(dialog.filtered.begin(), dialog.filtered.end(),
                                           [](const MSG& m) { return m.message == WM_LBUTTONDBLCLK; });
  EXPECT_TRUE(doubleClickSeen) << "a hook sees a double click as one";
}
