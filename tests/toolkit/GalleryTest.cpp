// One dialog from an in-memory template holding every toolkit control, saved as a picture
// in each theme (build/screenshots/gallery-<theme>.png), with a message box and a menu.
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QWidget>

#include "tests/toolkit/GuiTest.h"
#include "toolkit/Buttons.h"
#include "toolkit/Edit.h"
#include "toolkit/Geometry.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"
#include "toolkit/PaintDC.h"
#include "toolkit/Progress.h"
#include "toolkit/ScrollPanel.h"
#include "toolkit/WindowInternal.h"

namespace {

enum Id {
  kDiffs = 1026, kAll = 1027, kLoad = 1003, kSave = 1004, kReset = 1005, kMore = 1006, kDetails = 1030,
  kLink = 1021, kSplit = 1025, kPath = 1007, kCue = 1008, kLocked = 1009, kChecked = 1012, kUnchecked = 1013,
  kDisabled = 1014, kProgress = 1019, kPaused = 1020, kBusy = 1040,
};

class Gallery : public olBaseDlg {
public:
  Gallery() {
    beginTemplate(330, 240, olTemplate::popup, 20);
    addTemplateItem(kTemplateButton, IDOK, 0, 0, 50, 14, BS_DEFPUSHBUTTON);
    addTemplateItem(kTemplateButton, IDCANCEL, 0, 0, 50, 14);
    for (int id : {kDiffs, kAll, kLoad, kSave, kReset, kMore, kDetails, kLink, kSplit})
      addTemplateItem(kTemplateButton, id, 0, 0, 10, 10);
    for (int id : {kPath, kCue, kLocked}) addTemplateItem(kTemplateEdit, id, 0, 0, 10, 10);
    for (int id : {kChecked, kUnchecked, kDisabled}) addTemplateItem(kTemplateButton, id, 0, 0, 10, 10, BS_AUTOCHECKBOX);
  }

  int focusId = kPath;
  olButton ok, cancel, details;
  olButton_Switch diffs, all;
  olButton_customIcon glyphs[4];
  olButton_Icon info;
  olButton_Link link;
  olButton_Split splitter;
  olEdit path, cue, locked;
  olCheckBox checked, unchecked, disabled;
  olProgressCtrl progress, paused, busy;
  olScrollPanel panel;
  std::vector<std::unique_ptr<olScrollPanel_Ctrl<olCheckBox>>> panelBoxes;

  void attachControls() override {
    ok.attachDlgItem(m_hwnd, IDOK);
    cancel.attachDlgItem(m_hwnd, IDCANCEL);
    diffs.attachDlgItem(m_hwnd, kDiffs);
    all.attachDlgItem(m_hwnd, kAll);
    const int glyphIds[4] = {kLoad, kSave, kReset, kMore};
    const olGlyph codes[4] = {olGlyph::openFolder, olGlyph::save, olGlyph::reset, olGlyph::menu};
    for (int i = 0; i < 4; ++i) {
      glyphs[i].attachDlgItem(m_hwnd, glyphIds[i]);
      glyphs[i].setGlyph(codes[i]);
      glyphs[i].setFrameMask(i == 0 ? kAllSides : 0);
    }
    info.attachDlgItem(m_hwnd, kDetails);
    info.setIconKind(MB_ICONINFORMATION);
    link.attachDlgItem(m_hwnd, kLink);
    splitter.attachDlgItem(m_hwnd, kSplit);
    path.attachDlgItem(m_hwnd, kPath);
    cue.attachDlgItem(m_hwnd, kCue);
    locked.attachDlgItem(m_hwnd, kLocked);
    checked.attachDlgItem(m_hwnd, kChecked);
    unchecked.attachDlgItem(m_hwnd, kUnchecked);
    disabled.attachDlgItem(m_hwnd, kDisabled);
    for (auto [control, id] : {std::pair{&progress, kProgress}, {&paused, kPaused}, {&busy, kBusy}}) {
      HWND bar = createWindowEx(0, u"msctls_progress32", u"", WS_CHILD | WS_VISIBLE, {}, m_hwnd, id);
      sendMessage(bar, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont()));
      control->attach(bar);
    }
    HWND panelWindow = createWindowEx(WS_EX_CONTROLPARENT, u"olScrollPanel", u"",
                                      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, {}, m_hwnd, 0);
    panel.attach(panelWindow);
    for (int i = 0; i < 6; ++i) {
      HWND box = createWindowEx(0, u"Button", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, {}, panelWindow,
                                1100 + i);
      panelBoxes.push_back(std::make_unique<olScrollPanel_Ctrl<olCheckBox>>());
      panelBoxes.back()->attach(box);
    }
  }

  void loadTexts() override {
    setWindowText(m_hwnd, u"Toolkit gallery");
    setWindowText(ok.hwnd(), u"OK");
    setWindowText(cancel.hwnd(), u"Cancel");
    setWindowText(diffs.hwnd(), cleanLabel(u"&Differences"));
    setWindowText(all.hwnd(), cleanLabel(u"&All items"));
    const char16_t* glyphTexts[4] = {u"Load", u"Save", u"Reset", u"More"};
    for (int i = 0; i < 4; ++i) setWindowText(glyphs[i].hwnd(), glyphTexts[i]);
    setWindowText(info.hwnd(), u"&Details");
    setWindowText(link.hwnd(), u"Made by the Mirrane team");
    path.setText(u"/home/user/projects/mirrane/first");
    cue.setCueText(u"Second folder or file");
    locked.setText(u"*.tmp; *.bak");
    enableWindow(locked.hwnd(), false);
    setWindowText(checked.hwnd(), u"Compare &text files as text");
    checked.setChecked(true);
    setWindowText(unchecked.hwnd(), u"Compare modification &time");
    setWindowText(disabled.hwnd(), u"Disabled and checked");
    disabled.setChecked(true);
    enableWindow(disabled.hwnd(), false);
    const char16_t* panelTexts[6] = {u"Letter case", u"Attributes", u"Adjust paths", u"Skip unreadable",
                                     u"Force file", u"Text mode"};
    for (int i = 0; i < 6; ++i) setWindowText(panelBoxes[i]->hwnd(), panelTexts[i]);
    panelBoxes[1]->setChecked(true);
    diffs.setChecked(true);
    all.setFrameMask(kSideTop | kSideRight | kSideBottom);
    progress.setText(u"40 of 100");
    progress.setPos(40);
    paused.setRange(10);
    paused.setPos(7);
    paused.setState(olProgressCtrl::kPaused);
    paused.setText(u"Paused: 7 of 10");
    busy.setIndeterminate(true);
    busy.setText(u"Counting items: 1234");
  }

  void initPlacement() override { moveWindow(m_hwnd, 10, 10, 620, 470); }

  void layoutControls() override {
    const RECT client = getClientRect(m_hwnd);
    const int mx = uiMargins().horizontal, my = uiMargins().vertical, gap = uiMargins().gapHorizontal;
    const SIZE button = standardButtonSize();
    const int line = lineHeight();
    int y = my + 40;
    int x = mx;
    for (auto& glyph : glyphs) {
      moveWindow(glyph.hwnd(), x, y, 42, 36);
      x += 42 + edge;
    }
    SIZE linkSize = link.idealSize();
    moveWindow(info.hwnd(), x + gap, y + 6, button.cx + 30, button.cy);
    moveWindow(link.hwnd(), x + 2 * gap + button.cx + 30, y + 6 + (button.cy - linkSize.cy) / 2, linkSize.cx, linkSize.cy);
    y += 36 + gap;
    const int column = (client.width() - 2 * mx - gap - 6) / 2;
    const int editHeight = preferredSize(path.hwnd()).cy;
    for (olEdit* edit : {&path, &cue, &locked}) {
      moveWindow(edit->hwnd(), mx, y, column, editHeight);
      y += editHeight + gap;
    }
    const int boxHeight = std::max(preferredSize(checked.hwnd()).cy, line + 4);
    for (olCheckBox* box : {&checked, &unchecked, &disabled}) {
      moveWindow(box->hwnd(), mx, y, column, boxHeight);
      y += boxHeight + edge;
    }
    y += gap;
    const int barHeight = line + 6;
    for (olProgressCtrl* bar : {&progress, &paused, &busy}) {
      moveWindow(bar->hwnd(), mx, y, column, barHeight);
      y += barHeight + gap;
    }
    // The right column: a splitter bar and a scroll panel lower than its content.
    const int right = mx + column + gap;
    const int top = my + 40 + 36 + gap;
    moveWindow(splitter.hwnd(), right, top, 3, y - top);
    moveWindow(panel.hwnd(), right + 3 + gap, top, column - gap - 3, 4 * (boxHeight + edge));
    for (size_t i = 0; i < panelBoxes.size(); ++i)
      moveWindow(panelBoxes[i]->hwnd(), 4, 4 + static_cast<int>(i) * (boxHeight + edge) - panel.scrollPos(),
                 getClientRect(panel.hwnd()).width() - 8, boxHeight);
    panel.setContentHeight(8 + 6 * (boxHeight + edge));
    const int buttonsTop = std::max(y, top + 4 * (boxHeight + edge)) + gap;
    moveWindow(diffs.hwnd(), right + 3 + gap, top + 4 * (boxHeight + edge) + gap, 90, 26);
    moveWindow(all.hwnd(), right + 3 + gap + 90, top + 4 * (boxHeight + edge) + gap, 90, 26);
    moveWindow(cancel.hwnd(), client.right - mx - button.cx, client.bottom - my - button.cy, button.cx, button.cy);
    moveWindow(ok.hwnd(), client.right - mx - 2 * button.cx - gap, client.bottom - my - button.cy, button.cx, button.cy);
    (void)buttonsTop;
  }

  void paintClient(HDC dc, const RECT& rect) override {
    const int mx = uiMargins().horizontal, my = uiMargins().vertical;
    drawAppIcon(dc, mx, my, 32);
    drawAppIcon(dc, mx + 40, my + 16, 16);
    selectFont(dc, uiLargeFont());
    setTextColour(dc, themeColour(olThemeSlot::text));
    RECT title{mx + 64, my, rect.right - mx, my + 32};
    drawText(dc, u"Mirrane " + currentThemeName(), title, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    selectFont(dc, uiFont());
    setTextColour(dc, themeColour(olThemeSlot::secondary));
    RECT note{rect.right / 2, my, rect.right - mx, my + 32};
    drawText(dc, u"secondary text", note, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    drawEdges(dc, {rect.left, my + 36, rect.right, my + 37}, themeColour(olThemeSlot::frame), kSideBottom, 1);
  }
};

std::string fileName(const olstring& theme) {
  std::string name = toUtf8(theme);
  for (char& c : name) c = c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

// The menu as it is seen: over a window of the theme, with a margin around it.
void saveMenuPicture(QWidget* popup, const std::string& name) {
  const QPixmap menu = popup->grab();
  constexpr int kMargin = 12;
  QImage canvas(menu.width() + 2 * kMargin, menu.height() + 2 * kMargin, QImage::Format_RGB32);
  canvas.fill(toQColor(themeColour(olThemeSlot::window)));
  QPainter painter(&canvas);
  painter.drawPixmap(kMargin, kMargin, menu);
  painter.end();
  canvas.save(QString::fromStdString(gui_test::screenshotFolder() + "/menu-" + name + ".png"));
}

}  // namespace

TEST(Gallery, EveryControlInEveryTheme) {
  // Each theme focuses another control; System Default a plain push button, whose focus
  // mark the platform would otherwise hide. The last round is System Default on a desktop
  // that prefers dark colours.
  const int focusByTheme[6] = {kPath, kChecked, IDOK, kLink, IDCANCEL, kDiffs};
  for (size_t i = 0; i <= themeTable().size(); ++i) {
    const bool darkDesktop = i == themeTable().size();
    const size_t theme = darkDesktop ? themeTable().size() - 1 : i;
    const olstring name = themeTable()[theme].name + (darkDesktop ? u" Dark Desktop" : u"");
    SCOPED_TRACE(toUtf8(name));
    followDesktopColourScheme(darkDesktop ? kColourSchemeDark : kColourSchemeLight);
    ASSERT_TRUE(applyTheme(static_cast<int>(theme)));
    Gallery gallery;
    ASSERT_TRUE(gallery.createModeless(nullptr));
    showWindow(gallery.hwnd(), SW_SHOW);
    ASSERT_TRUE(gui_test::waitFor([&] { return getActiveWindow() == gallery.hwnd(); }));
    setFocus(getDlgItem(gallery.hwnd(), focusByTheme[i]));
    gui_test::waitFor([] { return false; }, 80);
    EXPECT_TRUE(gallery.panel.isScrollBarVisible());
    EXPECT_TRUE(gui_test::saveScreenshot(gallery.hwnd(), "gallery-" + fileName(name)));
    // The dialog background is the theme's face colour.
    EXPECT_EQ(gui_test::pixelOf(gallery.hwnd(), 2, 2), themeColour(olThemeSlot::face));

    gui_test::Reaper reaper;
    olMessageBox box(u"The two folders hold 3 items that differ.\nCompare the files as text?", u"Mirrane",
                     MB_YESNOCANCEL | MB_ICONQUESTION);
    gui_test::later(100, [&] {
      EXPECT_TRUE(gui_test::saveScreenshot(box.hwnd(), "messagebox-" + fileName(name)));
      box.endDialog(IDNO);
    });
    EXPECT_EQ(box.runModal(), IDNO);

    olMenu menu;
    menu.create();
    olMenu* themes = menu.appendSubmenu(u"&Theme");
    for (const olTheme& theme : themeTable()) themes->appendItem(10111, theme.name);
    menu.appendItem(32776, u"&Details\tEnter");
    menu.appendItem(32773, u"&Font...");
    menu.appendItem(32782, u"&Find...\tCtrl+F", MF_CHECKED);
    menu.appendSeparator();
    menu.appendItem(32775, u"&About", MF_GRAYED);
    menu.setDefaultItem(32776);
    gui_test::later(100, [&] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        saveMenuPicture(popup, fileName(name));
        popup->close();
      }
    });
    menu.popup(gallery.hwnd(), {100, 100}, TPM_RETURNCMD);
  }
  followDesktopColourScheme(kColourSchemeLight);
  applyTheme(-1);
}
