// Dialogs from in-memory templates and the modal loop, driven by real input.
#include <QTest>

#include <atomic>
#include <thread>
#include <QWidget>

#include "foundation/SoftCheck.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/Hotkeys.h"
#include "toolkit/WindowInternal.h"

using gui_test::later;
using gui_test::Reaper;
using gui_test::SimpleDialog;

TEST(DialogTemplate, KeepsTheBinaryLayoutAndRefusesUnknownKinds) {
  olDialog dialog;
  dialog.beginTemplate(100, 50, olTemplate::popup, 5);
  // 64 bytes of header and 112 bytes for every (started) group of four items.
  EXPECT_EQ(dialog.templateBlock().size(), 64u + 2 * 112u);
  EXPECT_EQ(dialog.templateUsedBytes(), 64u);
  uint32_t style;
  std::memcpy(&style, dialog.templateBlock().data(), 4);
  EXPECT_EQ(style, 0x82C800C0u);
  EXPECT_FALSE(dialog.addTemplateItem(0x7F, 10, 0, 0, 10, 10));
  EXPECT_FALSE(dialog.addTemplateItem(0x86, 10, 0, 0, 10, 10));
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(dialog.addTemplateItem(kTemplateButton, 10 + i, 0, 0, 10, 10));
  // Each item takes 28 bytes (26 used, aligned to 4); the ninth grew the block.
  EXPECT_EQ(dialog.templateUsedBytes(), 64u + 8 * 28u + 26u);
  EXPECT_GE(dialog.templateBlock().size(), dialog.templateUsedBytes());
  uint16_t count;
  std::memcpy(&count, dialog.templateBlock().data() + 8, 2);
  EXPECT_EQ(count, 9);

  olDialog child;
  child.beginTemplate(10, 10, olTemplate::child, 0);
  std::memcpy(&style, child.templateBlock().data(), 4);
  EXPECT_EQ(style, 0x46000440u);
  EXPECT_EQ(child.templateBlock().size(), 64u);
}

TEST(DialogCreation, BuildsControlsInDialogUnitsAndBindsThem) {
  SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  HWND hwnd = dialog.hwnd();
  ASSERT_TRUE(isWindow(hwnd));
  EXPECT_EQ(olWndMap::instance().find(hwnd), &dialog);
  HWND edit = getDlgItem(hwnd, 100);
  HWND ok = getDlgItem(hwnd, IDOK);
  ASSERT_TRUE(edit && ok);
  EXPECT_EQ(windowClassName(edit), u"Edit");
  EXPECT_EQ(windowClassName(hwnd), u"olThemeWnd");
  // The OK button sits right of the edit's left edge and below it, as the units say.
  RECT okRect = getWindowRect(ok), editRect = getWindowRect(edit);
  EXPECT_GT(okRect.top, editRect.bottom);
  EXPECT_GT(okRect.width(), 40);
  // The toolkit's UI font reached the dialog and, through it, the controls.
  EXPECT_EQ(reinterpret_cast<HFONT>(sendMessage(hwnd, WM_GETFONT)), uiFont());
  EXPECT_TRUE(dialog.isInitialised());
  dialog.unbind(olUnbind::destroyWindow);
  EXPECT_FALSE(isWindow(hwnd));
  EXPECT_FALSE(isWindow(edit));
  EXPECT_EQ(olWndMap::instance().find(hwnd), nullptr);
}

TEST(ModalLoop, CloseBoxEndsASecondaryDialogWithCancel) {
  Reaper reaper;
  SimpleDialog dialog;
  later(50, [&] { widgetOf(dialog.hwnd())->close(); });
  EXPECT_EQ(dialog.runModal(), IDCANCEL);
  EXPECT_FALSE(dialog.isBound());
}

TEST(ModalLoop, ClosingTheMainWindowEndsTheProgram) {
  Reaper reaper;
  SimpleDialog main;
  olApp::instance()->setMainWindow(&main);
  HWND seen = nullptr;
  later(50, [&] {
    seen = main.hwnd();
    widgetOf(seen)->close();
  });
  int code = main.runModal();
  olApp::instance()->setMainWindow(nullptr);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(olApp::quitReceived());
  EXPECT_EQ(olApp::exitCode(), 0);
  EXPECT_FALSE(isWindow(seen));
  olApp::clearQuit();
}

TEST(ModalLoop, EnterEndsWithOkOnlyWhileOkIsVisibleAndEnabled) {
  struct Case {
    const char* name;
    bool hide;
    bool disable;
  };
  for (Case c : {Case{"hidden", true, false}, Case{"disabled", false, true}}) {
    SCOPED_TRACE(c.name);
    Reaper reaper;
    SimpleDialog dialog;
    dialog.onInit = [&](SimpleDialog& d) {
      HWND ok = getDlgItem(d.hwnd(), IDOK);
      if (c.hide) showWindow(ok, SW_HIDE);
      if (c.disable) enableWindow(ok, false);
    };
    bool stillOpenAfterEnter = false;
    later(50, [&] {
      QTest::keyClick(widgetOf(getDlgItem(dialog.hwnd(), 100)), Qt::Key_Return);
      gui_test::waitFor([] { return false; }, 50);
      stillOpenAfterEnter = isWindow(dialog.hwnd()) && dialog.endCode() == 0;
      QTest::keyClick(widgetOf(getDlgItem(dialog.hwnd(), 100)), Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.runModal(), IDCANCEL);
    EXPECT_TRUE(stillOpenAfterEnter);
    // Enter did reach the dialog as the OK command; it just did not end it.
    EXPECT_NE(std::find(dialog.commands.begin(), dialog.commands.end(), IDOK), dialog.commands.end());
  }
  Reaper reaper;
  SimpleDialog dialog;
  later(50, [&] { QTest::keyClick(widgetOf(getDlgItem(dialog.hwnd(), 100)), Qt::Key_Return); });
  EXPECT_EQ(dialog.runModal(), IDOK);
}

TEST(ModalLoop, F1AsksForHelp) {
  struct HelpDialog : SimpleDialog {
    int helped = 0;
    LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_HELP) ++helped;
      return SimpleDialog::windowProc(message, wParam, lParam);
    }
  };
  Reaper reaper;
  HelpDialog dialog;
  later(50, [&] {
    QTest::keyClick(widgetOf(getDlgItem(dialog.hwnd(), 100)), Qt::Key_F1);
    dialog.endDialog(IDOK);
  });
  EXPECT_EQ(dialog.runModal(), IDOK);
  EXPECT_EQ(dialog.helped, 1);
}

TEST(ModalLoop, FilterMessageTurnsHotkeysIntoCommandsBeforeTheControlSeesThem) {
  struct HotkeyDialog : SimpleDialog {
    bool filterMessage(MSG& msg) override { return olHotkeyTable::instance().translate(msg); }
  };
  Reaper reaper;
  HotkeyDialog dialog;
  HWND target = nullptr;
  dialog.onInit = [&](SimpleDialog& d) {
    target = d.hwnd();
    olHotkeyTable::instance().add(target, 'F', kModCtrl, 32782);
  };
  olstring typed;
  later(50, [&] {
    QWidget* edit = widgetOf(getDlgItem(dialog.hwnd(), 100));
    QTest::keyClick(edit, Qt::Key_F, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_G, Qt::ControlModifier);  // no such hotkey: the edit has it
    QTest::keyClick(edit, Qt::Key_F);                        // no Ctrl: plain typing
    typed = getWindowText(getDlgItem(dialog.hwnd(), 100));
    dialog.endDialog(IDOK);
  });
  EXPECT_EQ(dialog.runModal(), IDOK);
  olHotkeyTable::instance().removeTarget(target);
  EXPECT_EQ(std::count(dialog.commands.begin(), dialog.commands.end(), 32782u), 1);
  EXPECT_EQ(typed, u"f");
}

TEST(ModalLoop, ClickingAButtonEndsWithItsId) {
  Reaper reaper;
  SimpleDialog dialog;
  later(50, [&] { QTest::mouseClick(widgetOf(getDlgItem(dialog.hwnd(), IDCANCEL)), Qt::LeftButton); });
  EXPECT_EQ(dialog.runModal(), IDCANCEL);
}

TEST(ModalLoop, ASecondRunModalOfAnOpenDialogFailsAndSaysSo) {
  Reaper reaper;
  SimpleDialog dialog;
  int second = 0;
  unsigned reported = 0;
  later(50, [&] {
    const unsigned before = soft_check::failures;
    second = dialog.runModal();
    reported = soft_check::failures - before;
    dialog.endDialog(7);
  });
  EXPECT_EQ(dialog.runModal(), 7);
  EXPECT_EQ(second, -1);
  EXPECT_EQ(reported, 1u) << "a caller's mistake is logged, not silent";
}

TEST(ModalLoop, NestedDialogDisablesItsOwnerAndEnablesItAgain) {
  Reaper reaper;
  SimpleDialog outer, inner;
  bool ownerDisabled = false;
  Qt::WindowModality innerModality = Qt::NonModal;
  later(50, [&] {
    later(50, [&] {
      ownerDisabled = !isWindowEnabled(outer.hwnd());
      innerModality = widgetOf(inner.hwnd())->windowModality();
      // Input to the disabled owner is not delivered.
      QTest::keyClick(widgetOf(getDlgItem(outer.hwnd(), 100)), Qt::Key_Escape);
      gui_test::waitFor([] { return false; }, 30);
      EXPECT_EQ(outer.endCode(), 0);
      inner.endDialog(5);
    });
    EXPECT_EQ(inner.runModal(), 5);
    EXPECT_TRUE(isWindowEnabled(outer.hwnd()));
    EXPECT_EQ(innerModality, Qt::WindowModal) << "the window manager knows the dialog is modal";
    outer.endDialog(6);
  });
  EXPECT_EQ(outer.runModal(), 6);
  EXPECT_TRUE(ownerDisabled);
}

TEST(ModalLoop, EndsWhenItsWindowIsDestroyedFromOutside) {
  Reaper reaper;
  SimpleDialog dialog;
  later(50, [&] { destroyWindow(dialog.hwnd()); });
  EXPECT_EQ(dialog.runModal(), 0);
  EXPECT_FALSE(reaper.fired());
}

TEST(ModalLoop, SurvivesTheDeletionOfItsDialog) {
  Reaper reaper;
  auto* dialog = new SimpleDialog;
  later(50, [&] { delete dialog; });
  EXPECT_EQ(dialog->runModal(), 0);
  EXPECT_FALSE(reaper.fired());
}

TEST(Placement, ADialogMovedDuringInitialisationIsNotCentred) {
  SimpleDialog moved;
  moved.onInit = [](SimpleDialog& d) { moveWindow(d.hwnd(), 3, 4, 300, 200); };
  ASSERT_TRUE(moved.createModeless(nullptr));
  RECT r = getWindowRect(moved.hwnd());
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.top, 4);

  SimpleDialog centred;
  ASSERT_TRUE(centred.createModeless(nullptr));
  RECT work = monitorWorkArea(nullptr);
  RECT c = getWindowRect(centred.hwnd());
  EXPECT_NEAR(c.left - work.left, work.right - c.right, 1);
  EXPECT_NEAR(c.top - work.top, work.bottom - c.bottom, 1);
}

TEST(Placement, CentringKeepsTheWindowInsideTheWorkArea) {
  SimpleDialog owner, owned;
  ASSERT_TRUE(owner.createModeless(nullptr));
  RECT work = monitorWorkArea(nullptr);
  moveWindow(owner.hwnd(), work.right - 60, work.bottom - 40, 50, 30);
  showWindow(owner.hwnd(), SW_SHOW);
  ASSERT_TRUE(owned.createModeless(owner.hwnd()));
  RECT r = getWindowRect(owned.hwnd());
  EXPECT_LE(r.right, work.right);
  EXPECT_LE(r.bottom, work.bottom);
  EXPECT_GE(r.left, work.left);
}

TEST(Placement, AFixedSizeDialogCannotBeResized) {
  SimpleDialog fixed;
  fixed.addTemplateStyle(WS_THICKFRAME);
  fixed.onInit = [](SimpleDialog& d) {
    RECT r = getWindowRect(d.hwnd());
    d.setTrackSizes(r.width(), r.height(), r.width(), r.height());
  };
  ASSERT_TRUE(fixed.createModeless(nullptr));
  EXPECT_TRUE(fixed.isFixedSize());
  RECT before = getWindowRect(fixed.hwnd());
  widgetOf(fixed.hwnd())->resize(before.width() + 100, before.height() + 100);
  RECT after = getWindowRect(fixed.hwnd());
  EXPECT_EQ(after.width(), before.width());
  EXPECT_EQ(after.height(), before.height());

  // A resizable dialog can grow, but not below the size it was made with.
  olDialog sizable;
  sizable.beginTemplate(120, 80, olTemplate::popup, 0);
  sizable.addTemplateStyle(WS_THICKFRAME);
  ASSERT_TRUE(sizable.createModeless(nullptr));
  RECT start = getWindowRect(sizable.hwnd());
  widgetOf(sizable.hwnd())->resize(start.width() + 100, start.height() - 50);
  RECT grown = getWindowRect(sizable.hwnd());
  EXPECT_EQ(grown.width(), start.width() + 100);
  EXPECT_EQ(grown.height(), start.height());
}

TEST(MessageLoop, WaitsUntilDoneAndIsWokenFromAnotherThread) {
  Reaper reaper;
  std::atomic<int> progress{0};
  std::atomic<bool> finished{false};
  int checks = 0;
  std::thread worker([&] {
    for (int i = 1; i <= 5; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      progress = i;
      wakeMessageLoop();
    }
    finished = true;
    wakeMessageLoop();
  });
  EXPECT_TRUE(runMessageLoopUntil([&] {
    ++checks;
    return finished.load();
  }));
  worker.join();
  EXPECT_EQ(progress.load(), 5);
  EXPECT_GE(checks, 2);
  EXPECT_FALSE(reaper.fired());
}

TEST(MessageLoop, AWaitSaysWhetherItsConditionOrAQuitEndedIt) {
  // How the wait ends: its condition comes true, the quit comes (the main window's end),
  // or the quit came before and the program moved on (a new outermost loop).
  enum class End { conditionMet, quitWhileWaiting, quitBeforeTheWait };
  const struct {
    End end;
    bool reported;
  } cases[] = {{End::conditionMet, true}, {End::quitWhileWaiting, false}, {End::quitBeforeTheWait, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.end));
    Reaper reaper;
    bool done = false;
    if (c.end == End::quitBeforeTheWait) postQuitMessage(0);
    later(10, [&] {
      if (c.end == End::quitWhileWaiting) {
        postQuitMessage(3);
      } else {
        done = true;
      }
      wakeMessageLoop();
    });
    EXPECT_EQ(runMessageLoopUntil([&] { return done; }), c.reported);
    EXPECT_EQ(olApp::quitReceived(), c.end == End::quitWhileWaiting);
    if (c.end == End::quitWhileWaiting) {
      EXPECT_EQ(olApp::exitCode(), 3);
    }
    EXPECT_FALSE(reaper.fired());
    // The timer may still be due; nothing of this case may reach the next.
    gui_test::waitFor([&] { return done || olApp::quitReceived(); }, 1000);
    olApp::clearQuit();
  }
}
