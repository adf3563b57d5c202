// The about dialog, run modally as the main window runs it.

#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"
#include "window/AboutDlg.h"

#include <QImage>
#include <QTest>
#include <QWidget>

using gui_test::later;
using gui_test::Reaper;

namespace {

// The owner that receives what the about dialog hands on.
class Owner : public gui_test::SimpleDialog {
public:
  std::vector<std::pair<unsigned, LPARAM>> received;
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) received.emplace_back(LOWORD(wParam), lParam);
    return gui_test::SimpleDialog::windowProc(message, wParam, lParam);
  }
};

}  // namespace

TEST(AboutDialog, LinkHelpAndDonateGoToTheOwnerAndTheDialogStays) {
  Reaper reaper;
  Owner owner;
  ASSERT_TRUE(owner.createModeless(nullptr));
  showWindow(owner.hwnd(), SW_SHOW);
  olApp::instance()->setMainWindow(&owner);
  CAboutDlg about;
  bool stayed = false;
  later(100, [&] {
    const HWND hwnd = about.hwnd();
    EXPECT_EQ(getFocus(), getDlgItem(hwnd, IDCANCEL)) << "the close button has the focus";
    EXPECT_EQ(getWindowText(hwnd), u"About Mirrane");
    QTest::mouseClick(widgetOf(getDlgItem(hwnd, menu_command::kShowHomePage)), Qt::LeftButton);
    QTest::mouseClick(widgetOf(getDlgItem(hwnd, menu_command::kShowHelp)), Qt::LeftButton);
    QTest::mouseClick(widgetOf(getDlgItem(hwnd, menu_command::kShowDonatePage)), Qt::LeftButton);
    later(100, [&, hwnd] {
      stayed = isWindow(hwnd) && about.isModalRunning();
      gui_test::saveScreenshot(hwnd, "about-open");
      QTest::mouseClick(widgetOf(getDlgItem(hwnd, IDCANCEL)), Qt::LeftButton);
    });
  });
  EXPECT_EQ(about.runModal(), IDCANCEL);
  EXPECT_TRUE(stayed);
  pumpMessages(50);
  ASSERT_EQ(owner.received.size(), 3u);
  EXPECT_EQ(owner.received[0], std::make_pair(unsigned(menu_command::kShowHomePage), LPARAM(0)));
  EXPECT_EQ(owner.received[1], std::make_pair(unsigned(menu_command::kShowHelp), LPARAM(0)));
  EXPECT_EQ(owner.received[2], std::make_pair(unsigned(menu_command::kShowDonatePage), LPARAM(0)));
  olApp::instance()->setMainWindow(nullptr);
  owner.unbind(olUnbind::destroyWindow);
}

TEST(AboutDialog, EscapeEndsItAndTheTextAreaFollowsTheLanguage) {
  Reaper reaper;
  CAboutDlg about;
  RECT withText{};
  later(100, [&] {
    pumpMessages(50);
    withText = about.aboutTextRect();
    QTest::keyClick(widgetOf(getDlgItem(about.hwnd(), IDCANCEL)), Qt::Key_Escape);
  });
  EXPECT_EQ(about.runModal(), IDCANCEL);
  EXPECT_GT(withText.bottom - withText.top, 0) << "the about text is drawn";

  // A language without the about text leaves the area below the link empty.
  testing_support::TempFolder folder;
  testing_support::writeFileBytes(folder.path("bare.ini"), "[.info]\nname = Bare\n[global]\nclose = Close\n");
  ASSERT_TRUE(loadLanguage(folder.widePath("bare.ini"), false, true));
  CAboutDlg bare;
  RECT withoutText{1, 1, 2, 2};
  bool blank = false;
  later(100, [&] {
    pumpMessages(50);
    withoutText = bare.aboutTextRect();
    // Below the link, every pixel is background.
    const HWND hwnd = bare.hwnd();
    const QImage picture = widgetOf(hwnd)->grab().toImage();
    const RECT link = getWindowRect(getDlgItem(hwnd, menu_command::kShowHomePage));
    const POINT below = screenToClient(hwnd, POINT{link.left, link.bottom});
    const QColor background = picture.pixelColor(2, picture.height() - 2);
    blank = true;
    for (int y = below.y + 4; y < picture.height() - 4 && blank; y += 2) {
      for (int x = below.x; x < below.x + 100 && blank; x += 2) blank = picture.pixelColor(x, y) == background;
    }
    bare.endDialog(IDCANCEL);
  });
  bare.runModal();
  EXPECT_EQ(withoutText.bottom - withoutText.top, 0);
  EXPECT_TRUE(blank);
  ASSERT_TRUE(loadDefaultLanguage());
}

TEST(AboutDialog, PicturesInThreeThemes) {
  Reaper reaper;
  for (const char16_t* theme : {u"Light", u"Dark", u"System Default"}) {
    ASSERT_TRUE(applyThemeByName(theme));
    CAboutDlg about;
    later(100, [&, theme] {
      pumpMessages(50);
      std::string name = "about-" + toUtf8(theme);
      for (char& c : name) c = c == ' ' ? '-' : static_cast<char>(std::tolower(c));
      EXPECT_TRUE(gui_test::saveScreenshot(about.hwnd(), name));
      about.endDialog(IDCANCEL);
    });
    EXPECT_EQ(about.runModal(), IDCANCEL);
  }
  applyThemeByName(u"Light");
}
