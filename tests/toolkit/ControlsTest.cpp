// The toolkit's controls with real input: splitter, check box, switch, edit, scroll panel,
// progress bar, message box, menus, tooltip and file dialogs.
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QTest>
#include <QWidget>

#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/Buttons.h"
#include "toolkit/Edit.h"
#include "toolkit/FileDialog.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Progress.h"
#include "toolkit/ScrollPanel.h"
#include "toolkit/ToolTip.h"
#include "toolkit/WindowInternal.h"

using gui_test::later;
using gui_test::Reaper;
using gui_test::waitFor;

namespace {

// A wide resizable dialog that records every message from WM_USER up and every command.
class Host : public olBaseDlg {
public:
  explicit Host(int items = 0) {
    beginTemplate(100, 60, olTemplate::popup, items);
    addTemplateStyle(WS_THICKFRAME);
  }
  std::vector<MSG> seen;
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message >= WM_USER || message == WM_COMMAND) seen.push_back({m_hwnd, message, wParam, lParam, {}, 0});
    return olBaseDlg::windowProc(message, wParam, lParam);
  }
  bool saw(UINT message, WPARAM wParam) const {
    for (const MSG& m : seen)
      if (m.message == message && m.wParam == wParam) return true;
    return false;
  }
};

QWidget* topLevelTitled(const QString& title) {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible() && widget->windowTitle() == title) return widget;
  return nullptr;
}

HWND childWithText(QWidget* window, const olstring& text) {
  for (HWND child : childWindows(handleOf(window)))
    if (getWindowText(child) == text) return child;
  return nullptr;
}

}  // namespace

TEST(Splitter, DragsSidewaysWithinItsMarginsAndTellsItsParent) {
  Host host(1);
  host.addTemplateItem(kTemplateButton, 1025, 0, 0, 1, 1);
  ASSERT_TRUE(host.createModeless(nullptr));
  moveWindow(host.hwnd(), 0, 0, 760, 300);
  showWindow(host.hwnd(), SW_SHOW);
  olButton_Split splitter;
  ASSERT_TRUE(splitter.attachDlgItem(host.hwnd(), 1025));
  EXPECT_FALSE(getStyle(splitter.hwnd()) & WS_TABSTOP);
  moveWindow(splitter.hwnd(), 300, 10, 3, 200);
  QWidget* bar = widgetOf(splitter.hwnd());

  QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(1, 5));
  QTest::mouseMove(bar, QPoint(1 - 200, 5));
  RECT r = getWindowRect(splitter.hwnd());
  EXPECT_EQ(screenToClient(host.hwnd(), {r.left, r.top}).x, 294);
  EXPECT_EQ(screenToClient(host.hwnd(), {r.left, r.top}).y, 10);  // only x changes
  QTest::mouseMove(bar, QPoint(1 + 2000, 5));
  r = getWindowRect(splitter.hwnd());
  EXPECT_EQ(screenToClient(host.hwnd(), {r.left, r.top}).x, 760 - 294 - 3);
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(1, 5));
  EXPECT_FALSE(splitter.isDragging());

  const UINT split = registerWindowMessage(u"WM_OLBUTTON_SPLIT");
  ASSERT_TRUE(waitFor([&] { return host.saw(split, 1025); }));
  for (const MSG& m : host.seen) {
    if (m.message == split) {
      EXPECT_EQ(reinterpret_cast<HWND>(m.lParam), splitter.hwnd());
    }
  }
}

TEST(Buttons, CheckBoxAndSwitchKeepTheirStates) {
  Host host(3);
  host.addTemplateItem(kTemplateButton, 1012, 5, 5, 80, 10, BS_AUTOCHECKBOX);
  host.addTemplateItem(kTemplateButton, 1026, 5, 20, 40, 14);
  host.addTemplateItem(kTemplateButton, 1010, 50, 20, 14, 14);
  ASSERT_TRUE(host.createModeless(nullptr));
  showWindow(host.hwnd(), SW_SHOW);
  olCheckBox box;
  olButton_Switch view;
  olButton_customIcon browse;
  ASSERT_TRUE(box.attachDlgItem(host.hwnd(), 1012));
  ASSERT_TRUE(view.attachDlgItem(host.hwnd(), 1026));
  ASSERT_TRUE(browse.attachDlgItem(host.hwnd(), 1010));
  setWindowText(box.hwnd(), u"Compare &text");

  EXPECT_FALSE(box.isChecked());
  QTest::mouseClick(widgetOf(box.hwnd()), Qt::LeftButton);
  EXPECT_TRUE(box.isChecked());
  EXPECT_TRUE(host.saw(WM_COMMAND, MAKEWPARAM(1012, BN_CLICKED)));
  box.setChecked(false);
  EXPECT_FALSE(box.isChecked());

  view.setChecked(true);
  QTest::mouseClick(widgetOf(view.hwnd()), Qt::LeftButton);
  EXPECT_TRUE(view.isChecked());  // the owner decides, not the click
  EXPECT_TRUE(host.saw(WM_COMMAND, MAKEWPARAM(1026, BN_CLICKED)));
  view.setFrameMask(0x1B);
  EXPECT_EQ(view.frameMask(), 11u);
  browse.setGlyph(olGlyph::openFolder);
  EXPECT_EQ(browse.glyph(), olGlyph::openFolder);
}

TEST(Edit, ShowsItsCueTextAndSelectsAll) {
  Host host(1);
  host.addTemplateItem(kTemplateEdit, 1007, 5, 5, 80, 12);
  ASSERT_TRUE(host.createModeless(nullptr));
  olEdit edit;
  ASSERT_TRUE(edit.attachDlgItem(host.hwnd(), 1007));
  edit.setCueText(u"First folder");
  EXPECT_EQ(edit.cueText(), u"First folder");
  edit.setText(u"/tmp/a");
  edit.selectAll();
  EXPECT_EQ(edit.text(), u"/tmp/a");
  EXPECT_TRUE(host.saw(WM_COMMAND, MAKEWPARAM(1007, EN_CHANGE)));
  EXPECT_GT(preferredSize(edit.hwnd()).cy, 10);
}

TEST(ScrollPanel, ShowsItsBarOnlyWhenNeededAndScrollsAFocusedChildIntoView) {
  Host host;
  ASSERT_TRUE(host.createModeless(nullptr));
  moveWindow(host.hwnd(), 0, 0, 300, 200);
  HWND panelWindow = createWindowEx(WS_EX_CONTROLPARENT, u"olScrollPanel", u"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                    {0, 0, 200, 100}, host.hwnd(), 0);
  ASSERT_TRUE(panelWindow);
  olScrollPanel panel;
  ASSERT_TRUE(panel.attach(panelWindow));
  std::vector<std::unique_ptr<olScrollPanel_Ctrl<olEdit>>> edits;
  for (int i = 0; i < 10; ++i) {
    HWND h = createWindowEx(0, u"Edit", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, {5, 5 + 30 * i, 150, 30 + 30 * i},
                            panelWindow, 2000 + i);
    edits.push_back(std::make_unique<olScrollPanel_Ctrl<olEdit>>());
    ASSERT_TRUE(edits.back()->attach(h));
  }
  panel.setContentHeight(40);
  EXPECT_FALSE(panel.isScrollBarVisible());
  EXPECT_EQ(getClientRect(panelWindow).width(), 200);
  panel.setContentHeight(310);
  EXPECT_TRUE(panel.isScrollBarVisible());
  EXPECT_EQ(getClientRect(panelWindow).width(), 200 - panel.scrollBarWidth());

  showWindow(host.hwnd(), SW_SHOW);
  ASSERT_TRUE(waitFor([&] { return getActiveWindow() == host.hwnd(); }));
  setFocus(edits.back()->hwnd());
  ASSERT_TRUE(waitFor([&] { return panel.scrollPos() > 0; }));
  RECT last = getWindowRect(edits.back()->hwnd());
  POINT top = screenToClient(panelWindow, {last.left, last.top});
  EXPECT_GE(top.y, 0);
  EXPECT_LE(top.y + last.height(), 100);
  EXPECT_LE(panel.scrollPos(), 310 - 100);

  panel.setScrollPos(-50);
  EXPECT_EQ(panel.scrollPos(), 0);
  RECT first = getWindowRect(edits.front()->hwnd());
  EXPECT_EQ(screenToClient(panelWindow, {first.left, first.top}).y, 5);  // children moved back
  panel.setContentHeight(90);
  EXPECT_FALSE(panel.isScrollBarVisible());
}

TEST(Progress, ClampsAndRepaintsOnlyOnChange) {
  Host host;
  ASSERT_TRUE(host.createModeless(nullptr));
  HWND bar = createWindowEx(0, u"msctls_progress32", u"", WS_CHILD | WS_VISIBLE, {5, 5, 150, 25}, host.hwnd(), 1019);
  olProgressCtrl progress;
  ASSERT_TRUE(progress.attach(bar));
  EXPECT_FALSE(progress.setRange(0));  // 0 means 100, the starting maximum
  EXPECT_EQ(progress.maximum(), 100);
  EXPECT_TRUE(progress.setPos(250));
  EXPECT_EQ(progress.position(), 100);
  EXPECT_FALSE(progress.setPos(100));
  EXPECT_TRUE(progress.setRange(int64_t(1) << 40));
  EXPECT_TRUE(progress.setPos((int64_t(1) << 40) - 1));
  EXPECT_TRUE(progress.setRange(10));
  EXPECT_EQ(progress.position(), 10);  // still within the smaller range
  EXPECT_FALSE(progress.setState(3));
  EXPECT_TRUE(progress.setState(olProgressCtrl::kPaused));
  EXPECT_FALSE(progress.setState(olProgressCtrl::kPaused));

  showWindow(host.hwnd(), SW_SHOW);
  ASSERT_TRUE(waitFor([&] { return progress.paintCount() > 0; }));
  waitFor([] { return false; }, 50);
  const int painted = progress.paintCount();
  EXPECT_FALSE(progress.setPos(10));
  EXPECT_FALSE(progress.setText(u""));
  waitFor([] { return false; }, 50);
  EXPECT_EQ(progress.paintCount(), painted);
  EXPECT_TRUE(progress.setText(u"5 of 10"));
  EXPECT_TRUE(waitFor([&] { return progress.paintCount() > painted; }));
}

TEST(MessageBox, ButtonSetsEscapeAndCaptions) {
  {
    Reaper reaper;
    later(50, [] { QTest::mouseClick(widgetOf(childWithText(topLevelTitled("Q1"), u"&No")), Qt::LeftButton); });
    EXPECT_EQ(olMessageBox::show(u"Compare them as files?", u"Q1", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
  }
  {
    Reaper reaper;
    bool openAfterEscape = false;
    later(50, [&] {
      QWidget* box = topLevelTitled("Q2");
      QTest::keyClick(box->focusWidget(), Qt::Key_Escape);
      widgetOf(handleOf(box))->close();
      waitFor([] { return false; }, 30);
      openAfterEscape = box->isVisible();
      QTest::mouseClick(widgetOf(childWithText(box, u"&Yes")), Qt::LeftButton);
    });
    EXPECT_EQ(olMessageBox::show(u"No way out but an answer", u"Q2", MB_YESNO), IDYES);
    EXPECT_TRUE(openAfterEscape);
  }
  {
    Reaper reaper;
    later(50, [] { QTest::keyClick(topLevelTitled("Q3")->focusWidget(), Qt::Key_Escape); });
    EXPECT_EQ(olMessageBox::show(u"Only OK", u"Q3", MB_OK | MB_ICONERROR), IDOK);
  }
  {
    Reaper reaper;
    olMessageBox::setButtonCaption(IDYES, u"&Ja");
    bool found = false;
    later(50, [&] {
      HWND yes = childWithText(topLevelTitled("Q4"), u"&Ja");
      found = yes != nullptr;
      QTest::keyClick(widgetOf(yes), Qt::Key_Return);
    });
    EXPECT_EQ(olMessageBox::show(u"Captions", u"Q4", MB_YESNO), IDYES);
    EXPECT_TRUE(found);
    olMessageBox::setButtonCaption(IDYES, u"");
    EXPECT_EQ(olMessageBox::buttonCaption(IDYES), u"&Yes");
  }
  {
    Reaper reaper;
    EXPECT_EQ(olMessageBox::show(u"Closes by itself", u"Q5", MB_RETRYCANCEL | MB_ICONWARNING, 1), IDRETRY);
  }
}

TEST(Menu, PopupReturnsOrPostsTheChosenCommand) {
  olMenu menu;
  ASSERT_TRUE(menu.create());
  olMenu* theme = menu.appendSubmenu(u"Theme");
  ASSERT_NE(theme, nullptr);
  theme->appendItem(10111, u"Light");
  theme->appendItem(10112, u"Dark");
  menu.appendItem(32773, u"&Font...");
  menu.appendSeparator();
  menu.appendItem(32775, u"About");
  EXPECT_EQ(menu.itemCount(), 4);
  EXPECT_TRUE(menu.checkItem(10112, true));  // found in the submenu
  EXPECT_TRUE(menu.isChecked(10112));
  EXPECT_FALSE(menu.checkItem(999, true));
  EXPECT_TRUE(menu.setDefaultItem(32775));
  EXPECT_EQ(menu.defaultItem(), 32775u);
  EXPECT_EQ(olMenuMap::instance().find(menu.handle()), &menu);
  EXPECT_EQ(olMenuMap::instance().find(theme->handle()), theme);

  auto choose = [](UINT id) {
    later(50, [id] {
      auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!popup) return;
      for (QAction* action : popup->actions())
        if (action->data().toUInt() == id) popup->setActiveAction(action);
      QTest::keyClick(popup, id ? Qt::Key_Return : Qt::Key_Escape);
    });
  };
  {
    Reaper reaper;
    choose(32773);
    EXPECT_EQ(menu.popup(nullptr, {10, 10}, TPM_RETURNCMD), 32773);
  }
  {
    Reaper reaper;
    choose(0);
    EXPECT_EQ(menu.popup(nullptr, {10, 10}, TPM_RETURNCMD), 0);
  }
  {
    Reaper reaper;
    Host host;
    ASSERT_TRUE(host.createModeless(nullptr));
    choose(32775);
    EXPECT_EQ(menu.popup(host.hwnd(), {10, 10}), 1);
    EXPECT_TRUE(waitFor([&] { return host.saw(WM_COMMAND, 32775); }));
  }
  menu.destroy();
  EXPECT_EQ(olMenuMap::instance().find(theme == nullptr ? nullptr : menu.handle()), nullptr);
}

TEST(ToolTip, ShowsTheToolsTextUnderTheMouseAndHidesOnAClick) {
  olToolTipCtrl& tip = olToolTipCtrl::shared();
  ASSERT_TRUE(tip.create());
  tip.setShowDelay(10);
  tip.setMaxWidth(200);
  Host host(1);
  host.addTemplateItem(kTemplateButton, 1003, 5, 5, 40, 14);
  ASSERT_TRUE(host.createModeless(nullptr));
  showWindow(host.hwnd(), SW_SHOW);
  HWND button = getDlgItem(host.hwnd(), 1003);
  tip.addTool(button, u"Load a project");
  // Real mouse input reaches the tip through the application's pre-translation. A move to
  // where the cursor already is (a repeated run) is no move: it comes from elsewhere.
  QTest::mouseMove(widgetOf(host.hwnd()), QPoint(1, 1));
  QTest::mouseMove(widgetOf(button), QPoint(5, 5));
  ASSERT_TRUE(waitFor([&] { return tip.isShowing(); }));
  EXPECT_EQ(tip.shownText(), u"Load a project");
  EXPECT_LE(getWindowRect(tip.hwnd()).width(), 200);
  QTest::mousePress(widgetOf(button), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_FALSE(tip.isShowing());
  QTest::mouseRelease(widgetOf(button), Qt::LeftButton, {}, QPoint(5, 5));
  tip.destroy();
  EXPECT_FALSE(tip.exists());
}

TEST(FileDialog, FiltersStartFoldersAndCancel) {
  EXPECT_EQ(olFileDialog::filterText({{u"Archives", u"*.zip;*.7z"}, {u"All files", u"*.*"}}),
            u"Archives (*.zip *.7z);;All files (*)");
  testing_support::TempFolder folder;
  testing_support::makeFolders(folder.path("kept"));
  EXPECT_EQ(olFileDialog::startFolderFor(folder.widePath("kept/gone/file.txt")), folder.widePath("kept"));
  EXPECT_EQ(olFileDialog::startFolderFor(u""), u"");

  Reaper reaper;
  QString shownIn;
  later(100, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
        shownIn = dialog->directory().absolutePath();
        dialog->reject();
      }
  });
  EXPECT_EQ(olFileDialog::openFile(nullptr, {{u"Projects", u"*.mirrane"}}, folder.widePath("kept")), u"");
  EXPECT_EQ(shownIn, QString::fromStdString(folder.path("kept")));
}
