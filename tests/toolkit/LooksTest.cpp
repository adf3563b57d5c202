// How the toolkit looks, measured: contrast of every theme's text, the paused and the
// indeterminate progress bar, focus marks, the menu frame, the message icons, the
// application icon at any size, and System Default following the desktop.
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QWidget>

#include "tests/toolkit/GuiTest.h"
#include "toolkit/Buttons.h"
#include "toolkit/Menu.h"
#include "toolkit/PaintDC.h"
#include "toolkit/Progress.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"

using gui_test::later;
using gui_test::Reaper;
using gui_test::waitFor;

namespace {

struct ThemeRestorer {
  ~ThemeRestorer() {
    followDesktopColourScheme(kColourSchemeLight);
    applyTheme(-1);
  }
};

// Every colour of a theme's text against every background it is drawn on.
struct TextPair {
  const char* name;
  olThemeSlot text;
  olThemeSlot background;
};
constexpr TextPair kTextPairs[] = {
    {"text on dialogs", olThemeSlot::text, olThemeSlot::face},
    {"text on lists and edits", olThemeSlot::text, olThemeSlot::window},
    {"text on an unfocused selection", olThemeSlot::text, olThemeSlot::subtle},
    {"text on the row under the mouse", olThemeSlot::text, olThemeSlot::hover},
    {"text on a selection", olThemeSlot::text, olThemeSlot::selection},
    {"text on a pressed button", olThemeSlot::text, olThemeSlot::buttonState},
    {"grey text on dialogs", olThemeSlot::greyText, olThemeSlot::face},
    {"grey text on lists", olThemeSlot::greyText, olThemeSlot::window},
    {"links on dialogs", olThemeSlot::link, olThemeSlot::face},
    {"links on lists", olThemeSlot::link, olThemeSlot::window},
    {"secondary text on dialogs", olThemeSlot::secondary, olThemeSlot::face},
    {"secondary text on lists", olThemeSlot::secondary, olThemeSlot::window},
};
constexpr double kTextContrast = 4.5;

QImage grab(HWND hwnd) { return widgetOf(hwnd)->grab().toImage(); }

int colourDistance(COLORREF a, COLORREF b) {
  return std::abs(int(redOf(a)) - int(redOf(b))) + std::abs(int(greenOf(a)) - int(greenOf(b))) +
         std::abs(int(blueOf(a)) - int(blueOf(b)));
}

}  // namespace

TEST(Looks, EveryThemesTextReadsOnItsBackgrounds) {
  ThemeRestorer restore;
  for (size_t i = 0; i < themeTable().size(); ++i) {
    ASSERT_TRUE(applyTheme(static_cast<int>(i)));
    for (bool systemDark : {false, true}) {
      if (systemDark && !isSystemTheme()) continue;
      followDesktopColourScheme(systemDark ? kColourSchemeDark : kColourSchemeLight);
      SCOPED_TRACE(toUtf8(currentThemeName()) + (systemDark ? " (dark desktop)" : ""));
      for (const TextPair& pair : kTextPairs) {
        SCOPED_TRACE(pair.name);
        EXPECT_GE(contrastRatio(themeColour(pair.text), themeColour(pair.background)), kTextContrast);
      }
      // The texts on progress bars: on the bar, on its fill, on its paused fill.
      const COLORREF accent = themeColour(olThemeSlot::accent);
      EXPECT_GE(contrastRatio(contrastingText(accent), accent), kTextContrast) << "on the fill";
      EXPECT_GE(contrastRatio(contrastingText(pausedColour()), pausedColour()), kTextContrast) << "on the paused fill";
    }
  }
}

TEST(Looks, ThePausedBarIsAmberInEveryTheme) {
  ThemeRestorer restore;
  for (size_t i = 0; i < themeTable().size(); ++i) {
    ASSERT_TRUE(applyTheme(static_cast<int>(i)));
    SCOPED_TRACE(toUtf8(currentThemeName()));
    const COLORREF paused = pausedColour();
    // Amber: much red, less green, little blue; far from the running fill and the bar.
    EXPECT_GT(redOf(paused), 0xC0u);
    EXPECT_GT(redOf(paused), greenOf(paused));
    EXPECT_GT(greenOf(paused), blueOf(paused) + 0x60);
    EXPECT_GT(colourDistance(paused, themeColour(olThemeSlot::accent)), 200) << "not the running bar's colour";
    EXPECT_GT(colourDistance(paused, themeColour(olThemeSlot::window)), 200) << "the fill stands out from the bar";
  }
}

TEST(Looks, SystemDefaultFollowsTheDesktopsDarkPreference) {
  ThemeRestorer restore;
  struct Case {
    std::optional<uint32_t> scheme;
    COLORREF paletteWindow;
    bool dark;
  };
  for (Case c : {Case{1u, RGB(240, 240, 240), true}, Case{2u, RGB(40, 40, 40), false},
                 Case{0u, RGB(40, 40, 40), true}, Case{std::nullopt, RGB(40, 40, 40), true},
                 Case{std::nullopt, RGB(240, 240, 240), false}}) {
    EXPECT_EQ(desktopPrefersDark(c.scheme, c.paletteWindow), c.dark);
  }

  gui_test::SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  showWindow(dialog.hwnd(), SW_SHOW);
  ASSERT_TRUE(applyThemeByName(u"System Default"));
  followDesktopColourScheme(kColourSchemeLight);
  const COLORREF lightFace = themeColour(olThemeSlot::face);
  EXPECT_FALSE(isDarkColour(lightFace));

  // The desktop switches to dark while the program runs: open windows follow.
  dialog.paints = 0;
  followDesktopColourScheme(kColourSchemeDark);
  EXPECT_TRUE(systemThemeIsDark());
  EXPECT_TRUE(isSystemTheme());
  EXPECT_TRUE(isDarkColour(themeColour(olThemeSlot::window)));
  EXPECT_TRUE(waitFor([&] { return dialog.paints > 0; }));
  EXPECT_TRUE(isDarkColour(gui_test::pixelOf(dialog.hwnd(), 1, 1))) << "the open window repainted dark";

  followDesktopColourScheme(kColourSchemeLight);
  EXPECT_EQ(themeColour(olThemeSlot::face), lightFace);
  // A chosen theme stays what it is, whatever the desktop prefers.
  ASSERT_TRUE(applyThemeByName(u"Light"));
  followDesktopColourScheme(kColourSchemeDark);
  EXPECT_EQ(themeColour(olThemeSlot::face), fromHexRgb(0xF0F0F0));
  dialog.unbind(olUnbind::destroyWindow);
}

TEST(Looks, TheIndeterminateBarMovesASegmentAndStandsStillWhenPaused) {
  gui_test::SimpleDialog host;
  ASSERT_TRUE(host.createModeless(nullptr));
  HWND bar = createWindowEx(0, u"msctls_progress32", u"", WS_CHILD | WS_VISIBLE, {5, 5, 305, 25}, host.hwnd(), 1019);
  olProgressCtrl progress;
  ASSERT_TRUE(progress.attach(bar));
  showWindow(host.hwnd(), SW_SHOW);
  EXPECT_TRUE(progress.segmentRect().isEmpty());
  progress.setIndeterminate(true);
  const RECT first = progress.segmentRect();
  EXPECT_NEAR(first.width(), 0.3 * (300 - 4), 2) << "a segment, not a sliver";
  EXPECT_GT(first.left, 20) << "it starts in view";
  ASSERT_TRUE(waitFor([&] { return progress.segmentRect().left != first.left; }, 1000)) << "it moves";
  // Its pixels are the accent colour where the segment is, the window colour elsewhere.
  waitFor([] { return false; }, 60);
  const RECT now = progress.segmentRect();
  const QImage picture = grab(bar);
  EXPECT_EQ(fromQColor(picture.pixelColor((now.left + now.right) / 2, 10)), themeColour(olThemeSlot::accent));

  progress.setState(olProgressCtrl::kPaused);
  const RECT held = progress.segmentRect();
  waitFor([] { return false; }, 200);
  EXPECT_EQ(progress.segmentRect(), held) << "a paused job's bar stands still";
  const QImage paused = grab(bar);
  EXPECT_EQ(fromQColor(paused.pixelColor((held.left + held.right) / 2, 10)), pausedColour());
  host.unbind(olUnbind::destroyWindow);
}

TEST(Looks, AFocusedButtonShowsItsFocusInEveryTheme) {
  ThemeRestorer restore;
  for (size_t i = 0; i < themeTable().size(); ++i) {
    ASSERT_TRUE(applyTheme(static_cast<int>(i)));
    SCOPED_TRACE(toUtf8(currentThemeName()));
    gui_test::SimpleDialog dialog;
    ASSERT_TRUE(dialog.createModeless(nullptr));
    olButton cancel;
    ASSERT_TRUE(cancel.attachDlgItem(dialog.hwnd(), IDCANCEL));
    showWindow(dialog.hwnd(), SW_SHOW);
    ASSERT_TRUE(waitFor([&] { return getActiveWindow() == dialog.hwnd(); }));
    setFocus(getDlgItem(dialog.hwnd(), 100));
    waitFor([] { return false; }, 30);
    const QImage unfocused = grab(cancel.hwnd());
    setFocus(cancel.hwnd());
    ASSERT_TRUE(waitFor([&] { return getFocus() == cancel.hwnd(); }));
    waitFor([] { return false; }, 30);
    const QImage focused = grab(cancel.hwnd());
    // The mark runs along the button's edges, away from its caption.
    int changed = 0;
    for (int x = 0; x < focused.width(); ++x)
      for (int y = 0; y < 6; ++y)
        if (focused.pixelColor(x, y) != unfocused.pixelColor(x, y)) ++changed;
    EXPECT_GT(changed, focused.width() / 2);
    dialog.unbind(olUnbind::destroyWindow);
  }
}

TEST(Looks, TheMenuFrameStandsOutInEveryTheme) {
  ThemeRestorer restore;
  for (size_t i = 0; i < themeTable().size(); ++i) {
    ASSERT_TRUE(applyTheme(static_cast<int>(i)));
    SCOPED_TRACE(toUtf8(currentThemeName()));
    olMenu menu;
    ASSERT_TRUE(menu.create());
    menu.appendItem(32773, u"&Font...");
    menu.appendItem(32775, u"&About");
    Reaper reaper;
    QImage picture;
    later(50, [&] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        picture = popup->grab().toImage();
        popup->close();
      }
    });
    menu.popup(nullptr, {50, 50}, TPM_RETURNCMD);
    ASSERT_FALSE(picture.isNull());
    const COLORREF border = fromQColor(picture.pixelColor(0, picture.height() / 2));
    EXPECT_EQ(border, themeColour(olThemeSlot::frame));
    EXPECT_GE(contrastRatio(border, themeColour(olThemeSlot::window)), 2.0) << "seen against the window";
  }
}

TEST(Looks, MessageIconsStayVisibleOnDarkWindows) {
  ThemeRestorer restore;
  for (const char16_t* theme : {u"Light", u"Dark", u"Blue", u"Green"}) {
    ASSERT_TRUE(applyThemeByName(theme));
    SCOPED_TRACE(toUtf8(theme));
    for (UINT kind : {MB_ICONQUESTION, MB_ICONINFORMATION, MB_ICONERROR, MB_ICONWARNING}) {
      SCOPED_TRACE(kind);
      const COLORREF background = themeColour(olThemeSlot::window);
      QImage image(40, 40, QImage::Format_RGB32);
      image.fill(toQColor(background));
      {
        QPainter painter(&image);
        drawMessageIcon(&painter, kind, 4, 4, 32);
      }
      // Along the icon's middle row, the strongest contrast with the background is that of
      // a shape that can be seen.
      double strongest = 1;
      for (int x = 4; x < 36; ++x) strongest = std::max(strongest, contrastRatio(fromQColor(image.pixelColor(x, 20)), background));
      EXPECT_GE(strongest, 3.0);
      // The icon's outline: the first pixels of the row that are not background.
      int x = 4;
      while (x < 36 && fromQColor(image.pixelColor(x, 20)) == background) ++x;
      double edge = 1;
      for (int i = x; i < x + 3 && i < 36; ++i)
        edge = std::max(edge, contrastRatio(fromQColor(image.pixelColor(i, 20)), background));
      EXPECT_GE(edge, 3.0) << "the outline is visible";
    }
  }
}

TEST(Looks, TheApplicationIconIsDrawnSharpAtAnySize) {
  gui_test::SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  setAppIcon(dialog.hwnd());
  const QIcon icon = widgetOf(dialog.hwnd())->windowIcon();
  EXPECT_TRUE(icon.availableSizes().contains(QSize(256, 256)));
  EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
  auto drawnAt = [](int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawAppIcon(&painter, 0, 0, size);
    painter.end();
    return image;
  };
  for (int size : {16, 48, 256}) {
    SCOPED_TRACE(size);
    const QImage fromIcon = icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(fromIcon, drawnAt(size)) << "drawn at the size asked, not scaled from a small picture";
  }
  // A title bar on a screen of twice the density gets twice the pixels.
  const QPixmap hiDpi = icon.pixmap(QSize(32, 32), 2.0);
  EXPECT_EQ(hiDpi.size(), QSize(64, 64));
  EXPECT_EQ(hiDpi.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), drawnAt(64));
  dialog.unbind(olUnbind::destroyWindow);
}
