// Themes, the dark preference, repainting on a switch, fonts and the font record.
#include <QImage>
#include <QPainter>

#include "tests/toolkit/GuiTest.h"
#include "toolkit/Geometry.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"

namespace {
// Every test leaves the process in the start-up theme and font.
struct ThemeRestorer {
  ~ThemeRestorer() {
    applyTheme(-1);
    applyFont(defaultFontDescription(), 1.45f);
  }
};
}  // namespace

TEST(Themes, TableHoldsFiveThemesInOrder) {
  const auto& table = themeTable();
  ASSERT_EQ(table.size(), 5u);
  EXPECT_EQ(table[0].name, u"Light");
  EXPECT_EQ(table[1].name, u"Dark");
  EXPECT_EQ(table[2].name, u"Blue");
  EXPECT_EQ(table[3].name, u"Green");
  EXPECT_EQ(table[4].name, u"System Default");
  EXPECT_EQ(table[2].colour(olThemeSlot::accent), fromHexRgb(0x35B735));
  EXPECT_EQ(table[3].colour(olThemeSlot::secondary), fromHexRgb(0xBADABA));
  for (int slot = 1; slot <= 12; ++slot)
    EXPECT_EQ(table[4].colours[slot - 1], table[0].colours[slot - 1]);
}

TEST(Themes, ApplyByNameIgnoresCaseAndRefusesUnknownNames) {
  ThemeRestorer restore;
  EXPECT_TRUE(applyThemeByName(u"dark"));
  EXPECT_EQ(currentThemeName(), u"Dark");
  EXPECT_EQ(currentThemeIndex(), 1);
  EXPECT_FALSE(isSystemTheme());
  EXPECT_EQ(themeColour(olThemeSlot::face), fromHexRgb(0x252525));
  for (const char16_t* bad : {u"Purple", u"", u"Dark "}) {
    EXPECT_FALSE(applyThemeByName(bad));
    EXPECT_EQ(currentThemeName(), u"Dark");
  }
  EXPECT_FALSE(applyTheme(5));
  EXPECT_FALSE(applyTheme(-2));
  EXPECT_EQ(currentThemeIndex(), 1);
  EXPECT_TRUE(applyThemeByName(u"SYSTEM DEFAULT"));
  EXPECT_TRUE(isSystemTheme());
  EXPECT_TRUE(applyTheme(-1));
  EXPECT_EQ(currentThemeName(), u"System Default");
}

TEST(Themes, DarkPreferenceMapping) {
  EXPECT_FALSE(darkFromColourScheme(std::nullopt));  // not readable
  EXPECT_FALSE(darkFromColourScheme(0u));            // no preference
  EXPECT_TRUE(darkFromColourScheme(1u));             // prefer dark
  EXPECT_FALSE(darkFromColourScheme(2u));            // prefer light
  // Without a desktop session the preference cannot be read.
  qunsetenv("DBUS_SESSION_BUS_ADDRESS");
  EXPECT_FALSE(appsUseDarkTheme());
}

TEST(Themes, SwitchingRepaintsOpenWindowsInTheNewColours) {
  ThemeRestorer restore;
  gui_test::SimpleDialog dialog;
  ASSERT_TRUE(dialog.createModeless(nullptr));
  showWindow(dialog.hwnd(), SW_SHOW);
  gui_test::waitFor([&] { return dialog.paints > 0; });
  const COLORREF systemFace = gui_test::pixelOf(dialog.hwnd(), 1, 1);
  dialog.paints = 0;
  ASSERT_TRUE(applyThemeByName(u"Blue"));
  EXPECT_TRUE(gui_test::waitFor([&] { return dialog.paints > 0; }));
  EXPECT_EQ(gui_test::pixelOf(dialog.hwnd(), 1, 1), fromHexRgb(0x003C6C));
  dialog.paints = 0;
  ASSERT_TRUE(applyThemeByName(u"System Default"));
  EXPECT_TRUE(gui_test::waitFor([&] { return dialog.paints > 0; }));
  EXPECT_EQ(gui_test::pixelOf(dialog.hwnd(), 1, 1), systemFace);
}

TEST(Fonts, ALargeScaleNotAboveOneGivesTheNormalHeight) {
  ThemeRestorer restore;
  LOGFONTW description = defaultFontDescription();
  description.lfHeight = -14;
  ASSERT_TRUE(applyFont(description, 0.5f));
  EXPECT_EQ(qfontOf(uiLargeFont()).pixelSize(), qfontOf(uiFont()).pixelSize());
  EXPECT_EQ(qfontOf(uiBoldFont()).weight(), QFont::Bold);
  ASSERT_TRUE(applyFont(description, 1.45f));
  EXPECT_EQ(qfontOf(uiLargeFont()).pixelSize(), 20);  // 14 × 1.45, rounded
  EXPECT_EQ(uiMargins().horizontal, dx(7));
  EXPECT_EQ(uiMargins().vertical, dy(7));
  EXPECT_EQ(uiMargins().gapVertical, dy(4));
  const LOGFONTW applied = currentFontDescription();
  EXPECT_EQ(std::memcmp(&description, &applied, sizeof description), 0);
}

TEST(Fonts, TheFontRecordRoundTripsThroughQt) {
  static_assert(sizeof(LOGFONTW) == 92);
  LOGFONTW description;
  description.lfHeight = -17;
  description.lfWeight = 700;
  description.lfItalic = 1;
  const olstring face = u"DejaVu Sans";
  std::copy(face.begin(), face.end(), description.lfFaceName);
  HFONT font = createFontIndirect(description);
  QFont q = qfontOf(font);
  EXPECT_EQ(q.pixelSize(), 17);
  EXPECT_EQ(q.weight(), QFont::Bold);
  EXPECT_TRUE(q.italic());
  LOGFONTW back = fontDescriptionOf(font);
  EXPECT_EQ(back.lfHeight, -17);
  EXPECT_EQ(back.lfWeight, 700);
  EXPECT_EQ(back.lfItalic, 1);
  EXPECT_EQ(faceName(back), face);
  deleteFont(font);
  // A positive height is a cell height: the character height comes out smaller.
  description.lfHeight = 20;
  font = createFontIndirect(description);
  EXPECT_LE(lineHeight(font), 21);
  EXPECT_LT(qfontOf(font).pixelSize(), 20);
  deleteFont(font);
}

TEST(Drawing, DrawEdgesFillsOnlyTheChosenSides) {
  QImage image(20, 10, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    drawEdges(&painter, {0, 0, 20, 10}, RGB(255, 0, 0), 1 | 8, 2);
  }
  EXPECT_EQ(image.pixelColor(1, 5), QColor(255, 0, 0));    // left band
  EXPECT_EQ(image.pixelColor(10, 8), QColor(255, 0, 0));   // bottom band
  EXPECT_EQ(image.pixelColor(10, 1), QColor(Qt::white));   // no top
  EXPECT_EQ(image.pixelColor(18, 5), QColor(Qt::white));   // no right
  EXPECT_EQ(image.pixelColor(2, 5), QColor(Qt::white));    // only two pixels wide
}
