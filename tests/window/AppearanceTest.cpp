// Switching the language, the theme and the font while windows are open, with the choices
// kept in a real config.ini.

#include "app/Settings.h"
#include "engine/CompareEngine.h"
#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "platform/Path.h"
#include "results/DetailsDlg.h"
#include "results/FindDlg.h"
#include "results/ListView.h"
#include "tests/results/ResultsTestSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/App.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"
#include "window/AboutDlg.h"
#include "window/Appearance.h"
#include "window/MainMenu.h"
#include "window/Menus.h"
#include "window/MirraneDlg.h"
#include "window/ProgressDlg.h"

#include <QApplication>
#include <QFontDialog>
#include <QIntValidator>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QStringListModel>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

using gui_test::later;
using gui_test::Reaper;
using testing_support::TempFolder;

namespace {

// A stand-in for the main window: its caption is a language text, and it counts the times
// it was asked to re-read its texts.
class TextWindow : public gui_test::SimpleDialog {
public:
  int reloads = 0;
  void loadTexts() override { setWindowText(m_hwnd, langText(lang::global::kClose)); }
  void reloadTexts() override {
    ++reloads;
    gui_test::SimpleDialog::reloadTexts();
  }
};

// A program folder of its own with the shipped languages and a few made for the test, and a
// settings folder of its own, so that what is written to config.ini can be watched.
class AppearanceTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"english.ini", "deutsch.ini"})
      writeLanguage(name, testing_support::readFileBytes(std::string(MIRRANE_SOURCE_DIR "/lang/") + name));
    // Knows only the about text and the close button; the locale has no Qt translation.
    writeLanguage("testisch.ini", "[.info]\nname = Testisch\nlocale = xx\n[global]\nabout = &Test-About\n");
    writeLanguage("_hidden.ini", "[.info]\nname = Hidden\n[global]\nclose = hidden\n");
    platform::setApplicationFolder(m_application.widePath());
    setenv("XDG_CONFIG_HOME", m_user.path().c_str(), 1);
    ASSERT_TRUE(loadDefaultLanguage());
    registerLanguageMessage();
    m_theme = currentThemeIndex();
    m_font = currentFontDescription();
  }

  void TearDown() override {
    applyTheme(m_theme);
    applyFont(m_font, 1.45f);
    platform::setApplicationFolder(fromUtf8(MIRRANE_BUILD_DIR));
    loadDefaultLanguage();
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO, IDCONTINUE, IDABORT, IDRETRY, IDIGNORE, IDTRYAGAIN})
      olMessageBox::setButtonCaption(id, {});
    applyPlatformTranslations({});
    destroyMenus();
    unsetenv("XDG_CONFIG_HOME");
  }

  void writeLanguage(const std::string& name, const std::string& content) {
    testing_support::writeFileBytes(m_application.path("lang/" + name), content);
  }

  // The bytes and times of both places config.ini may be, to see that nothing was written.
  std::string configState() const {
    std::string state;
    for (const std::string& path : {m_application.path("config/config.ini"), m_user.path("Mirrane/config.ini")}) {
      struct stat info {};
      if (stat(path.c_str(), &info) == 0)
        state += std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + ":" + std::to_string(info.st_ino);
      state += "|" + testing_support::readFileBytes(path) + "|";
    }
    return state;
  }

  TempFolder m_application;
  TempFolder m_user;
  int m_theme = 0;
  LOGFONTW m_font;
};

// Two open top-level dialogs, the second owned by the first.
bool openOwnerAndOwned(gui_test::SimpleDialog& owner, gui_test::SimpleDialog& owned) {
  if (!owner.createModeless(nullptr) || !owned.createModeless(owner.hwnd())) return false;
  for (HWND hwnd : {owner.hwnd(), owned.hwnd()}) showWindow(hwnd, SW_SHOW);
  return true;
}

olstring qtText(const char* context, const char* text) { return fromQString(QCoreApplication::translate(context, text)); }

}  // namespace

TEST_F(AppearanceTest, LanguageSwitchReachesEveryOpenWindowAndIsStoredOnce) {
  Reaper reaper;
  CompareEngine engine;
  TextWindow main;
  ASSERT_TRUE(main.createModeless(nullptr));
  CAboutDlg about;
  ASSERT_TRUE(about.createModeless(main.hwnd()));
  CProgressDlg progress(engine);
  ASSERT_TRUE(progress.createModeless(main.hwnd()));
  mrnFindDlg find(u"needle");
  ASSERT_TRUE(find.createModeless(main.hwnd()));
  results_test::ComparedTrees trees;
  ASSERT_TRUE(trees.compare());
  DetailsRecord record;
  ASSERT_TRUE(buildDetails(trees.engine.result, &trees.engine.result.root.children.find(ItemKey{u"sizeonly.bin", false})->second, record));
  CDetailsDlg details(trees.engine.result, record);
  ASSERT_TRUE(details.createModeless(main.hwnd()));
  for (HWND hwnd : {main.hwnd(), about.hwnd(), progress.hwnd(), find.hwnd(), details.hwnd()}) showWindow(hwnd, SW_SHOW);
  // Every line of the details in one text, to see which language they speak.
  auto detailTexts = [&details] {
    olstring all;
    for (const DetailLine& line : details.details().lines) all += line.text[0] + u"|" + line.text[1] + u"\n";
    return all;
  };
  ASSERT_NE(detailTexts().find(u"BIN file"), olstring::npos) << toUtf8(detailTexts());
  EXPECT_EQ(getWindowText(about.hwnd()), u"About Mirrane");
  EXPECT_EQ(qtText("QLineEdit", "&Copy"), u"&Copy");
  engine.job.setError(5, u"/old/path");
  buildMenus(false);

  ASSERT_TRUE(applyLanguage(u"deutsch.ini", main.hwnd(), &engine.job));
  EXPECT_TRUE(gui_test::waitFor([&] { return getWindowText(about.hwnd()) == u"Über Mirrane"; }));
  EXPECT_EQ(getWindowText(progress.hwnd()), u"Vergleich läuft");
  EXPECT_EQ(getWindowText(getDlgItem(progress.hwnd(), IDCANCEL)), u"Abbrechen");
  EXPECT_EQ(getWindowText(main.hwnd()), u"&Schließen");
  EXPECT_EQ(getWindowText(find.hwnd()), u"Suchen");
  EXPECT_EQ(getWindowText(getDlgItem(find.hwnd(), IDCANCEL)), u"Abbrechen");
  EXPECT_EQ(getWindowText(getDlgItem(details.hwnd(), IDCANCEL)), u"&Schließen");
  EXPECT_NE(detailTexts().find(u"BIN-Datei"), olstring::npos) << toUtf8(detailTexts());
  gui_test::saveScreenshot(details.hwnd(), "details-after-switch-to-german");
  EXPECT_EQ(main.reloads, 1);
  EXPECT_EQ(olMessageBox::buttonCaption(IDYES), u"&Ja");
  EXPECT_EQ(olMessageBox::buttonCaption(IDTRYAGAIN), u"&Erneut versuchen");
  EXPECT_EQ(readLanguageSetting(), u"deutsch.ini");
  EXPECT_EQ(engine.job.errorCode(), 0u) << "the old language's error text is gone";
  // Qt's own texts (an edit box's context menu) follow, from Qt's installed translations.
  EXPECT_EQ(qtText("QLineEdit", "&Copy"), u"&Kopieren");
  // All four menus speak the new language; "details" stays the bold default.
  EXPECT_EQ(mainMenu().itemText(menu_command::kAbout), u"&Über Mirrane...");
  EXPECT_EQ(listViewMenu().itemText(list_command::kDetails), u"&Details...\tEingabe");
  EXPECT_EQ(listViewMenu().defaultItem(), list_command::kDetails);
  EXPECT_EQ(compareOptionsMenu().itemText(menu_command::kBrowseFolder), u"&Ordner...");
  EXPECT_EQ(resetMenu().itemText(menu_command::kClearResults), u"&Ergebnisse leeren");
  EXPECT_TRUE(mainMenu().isChecked(menu_command::kFirstLanguage + 0)) << "Deutsch is first and in use";

  // The language in use again: nothing is loaded, posted or written.
  const std::string written = configState();
  EXPECT_TRUE(applyLanguage(u"DEUTSCH.INI", main.hwnd(), &engine.job));
  pumpMessages(50);
  EXPECT_EQ(main.reloads, 1);
  EXPECT_EQ(configState(), written);

  ASSERT_TRUE(applyLanguage(u"english.ini", main.hwnd(), &engine.job));
  EXPECT_TRUE(gui_test::waitFor([&] { return getWindowText(about.hwnd()) == u"About Mirrane"; }));
  EXPECT_EQ(getWindowText(progress.hwnd()), u"Comparing");
  EXPECT_EQ(getWindowText(main.hwnd()), u"&Close");
  EXPECT_EQ(getWindowText(find.hwnd()), u"Find");
  EXPECT_NE(detailTexts().find(u"BIN file"), olstring::npos);
  EXPECT_EQ(olMessageBox::buttonCaption(IDYES), u"&Yes");
  EXPECT_EQ(qtText("QLineEdit", "&Copy"), u"&Copy");
  EXPECT_EQ(readLanguageSetting(), u"english.ini");
  EXPECT_EQ(resetMenu().itemText(menu_command::kClearResults), u"&Clear Results");
}

TEST_F(AppearanceTest, AMissingTextIsEnglishNeverThePreviousLanguage) {
  Reaper reaper;
  TextWindow main;
  ASSERT_TRUE(main.createModeless(nullptr));
  ASSERT_TRUE(applyLanguage(u"deutsch.ini", main.hwnd()));
  ASSERT_TRUE(applyLanguage(u"testisch.ini", main.hwnd()));
  EXPECT_EQ(langText(lang::global::kAbout), u"&Test-About");
  EXPECT_EQ(langText(lang::global::kClose), u"&Close");
  EXPECT_EQ(langText(lang::menu_listview::kFind), u"&Find...\tCtrl+F");
  EXPECT_TRUE(gui_test::waitFor([&] { return getWindowText(main.hwnd()) == u"&Close"; }));
  // No Qt translation for its locale: Qt speaks English, not German.
  EXPECT_EQ(qtText("QLineEdit", "&Copy"), u"&Copy");
}

TEST_F(AppearanceTest, AFileThatCannotBeLoadedChangesNothingAndSaysSo) {
  Reaper reaper;
  TextWindow main;
  ASSERT_TRUE(main.createModeless(nullptr));
  ASSERT_TRUE(applyLanguage(u"deutsch.ini", main.hwnd()));
  pumpMessages(50);
  const std::string written = configState();
  for (olstring_view name : {u"missing.ini", u"../lang/english.ini"}) {
    SCOPED_TRACE(toUtf8(name));
    EXPECT_FALSE(applyLanguage(name, main.hwnd()));
  }

  // The list was read at the first menu; the file breaks afterwards.
  olMenu menu;
  ASSERT_TRUE(menu.create());
  buildMainMenu(menu);
  const std::vector<LanguageEntry> languages = languageList();
  const auto testisch = std::find_if(languages.begin(), languages.end(), [](const LanguageEntry& e) { return e.fileName == u"testisch.ini"; });
  ASSERT_NE(testisch, languages.end());
  writeLanguage("testisch.ini", "");
  olstring shown;
  later(100, [&] {
    for (HWND hwnd : topLevelWindows())
      if (dynamic_cast<olMessageBox*>(olWndMap::instance().find(hwnd))) shown = getWindowText(hwnd);
    olDialog::endAllModalLoops(IDOK);
  });
  const auto index = static_cast<UINT>(testisch - languages.begin());
  EXPECT_TRUE(handleAppearanceCommand(menu_command::kFirstLanguage + index, main.hwnd(), nullptr));
  EXPECT_EQ(shown, u"Mirrane") << "a message box said why";
  pumpMessages(50);
  EXPECT_EQ(currentLanguageFile(), u"deutsch.ini");
  EXPECT_EQ(langText(lang::global::kClose), u"&Schließen");
  EXPECT_EQ(getWindowText(main.hwnd()), u"&Schließen");
  EXPECT_EQ(configState(), written);
  EXPECT_EQ(olMessageBox::buttonCaption(IDNO), u"&Nein");
}

TEST_F(AppearanceTest, MainMenuListsLanguagesByNameAndChecksWhatIsInUse) {
  // An English without the label of one theme: the item shows the theme's own name.
  std::string english = testing_support::readFileBytes(MIRRANE_SOURCE_DIR "/lang/english.ini");
  const size_t blue = english.find("Blue = &Blue\n");
  ASSERT_NE(blue, std::string::npos);
  writeLanguage("english.ini", english.erase(blue, std::strlen("Blue = &Blue\n")));
  ASSERT_TRUE(loadDefaultLanguage());

  olMenu menu;
  ASSERT_TRUE(menu.create());
  buildMainMenu(menu);
  ASSERT_EQ(menu.submenus().size(), 2u);
  olMenu& themes = *menu.submenus()[0];
  olMenu& languages = *menu.submenus()[1];
  const std::vector<olTheme>& table = themeTable();
  ASSERT_EQ(themes.itemCount(), static_cast<int>(table.size()));
  for (size_t i = 0; i < table.size(); ++i) {
    const olstring label = themes.itemText(menu_command::kFirstTheme + static_cast<UINT>(i));
    EXPECT_EQ(label, table[i].name == u"Blue" ? u"Blue" : u"&" + table[i].name) << toUtf8(table[i].name);
  }
  // Sorted by display name; "_hidden.ini" is not offered.
  ASSERT_EQ(languages.itemCount(), 3);
  EXPECT_EQ(languages.itemText(menu_command::kFirstLanguage + 0), u"Deutsch");
  EXPECT_EQ(languages.itemText(menu_command::kFirstLanguage + 1), u"English");
  EXPECT_EQ(languages.itemText(menu_command::kFirstLanguage + 2), u"Testisch");
  EXPECT_EQ(menu.itemText(menu_command::kAbout), u"&About Mirrane...");
  EXPECT_TRUE(languages.isChecked(menu_command::kFirstLanguage + 1));
  EXPECT_FALSE(languages.isChecked(menu_command::kFirstLanguage + 0));
  EXPECT_TRUE(themes.isChecked(menu_command::kFirstTheme + static_cast<UINT>(currentThemeIndex())));

  // The choices by command, as the main window passes them on; the marks follow.
  Reaper reaper;
  TextWindow main;
  ASSERT_TRUE(main.createModeless(nullptr));
  const auto dark = static_cast<UINT>(std::find_if(table.begin(), table.end(), [](const olTheme& t) { return t.name == u"Dark"; }) - table.begin());
  EXPECT_TRUE(handleAppearanceCommand(menu_command::kFirstTheme + dark, main.hwnd(), nullptr));
  EXPECT_TRUE(handleAppearanceCommand(menu_command::kFirstLanguage + 0, main.hwnd(), nullptr));
  EXPECT_FALSE(handleAppearanceCommand(menu_command::kFirstLanguage + 3, main.hwnd(), nullptr));
  EXPECT_FALSE(handleAppearanceCommand(menu_command::kAbout, main.hwnd(), nullptr));
  EXPECT_EQ(currentLanguageFile(), u"deutsch.ini");
  buildMainMenu(menu);
  EXPECT_EQ(menu.itemText(menu_command::kAbout), u"&Über Mirrane...");
  EXPECT_EQ(menu.submenus()[0]->itemText(menu_command::kFirstTheme + dark), u"&Dunkel");
  EXPECT_TRUE(menu.isChecked(menu_command::kFirstTheme + dark));
  EXPECT_TRUE(menu.isChecked(menu_command::kFirstLanguage + 0));
  EXPECT_FALSE(menu.isChecked(menu_command::kFirstLanguage + 1));
  applyTheme(m_theme);
  updateMainMenuChecks(menu);
  EXPECT_FALSE(menu.isChecked(menu_command::kFirstTheme + dark));
}

TEST_F(AppearanceTest, ThemeSwitchRepaintsEveryWindowAndIsStoredOnlyWhenItHappens) {
  Reaper reaper;
  gui_test::SimpleDialog first;
  gui_test::SimpleDialog second;
  ASSERT_TRUE(openOwnerAndOwned(first, second));
  applyThemeByName(u"Light");
  for (const olTheme& theme : themeTable()) {
    if (theme.name == u"System Default" || theme.name == currentThemeName()) continue;
    SCOPED_TRACE(toUtf8(theme.name));
    ASSERT_TRUE(switchTheme(theme.name));
    const COLORREF face = theme.colour(olThemeSlot::face);
    EXPECT_TRUE(gui_test::waitFor([&] { return gui_test::pixelOf(second.hwnd(), 3, 3) == face; }));
    EXPECT_EQ(gui_test::pixelOf(first.hwnd(), 3, 3), face);
    EXPECT_EQ(readThemeName(), theme.name);
  }
  ASSERT_TRUE(switchTheme(u"dark"));
  EXPECT_TRUE(gui_test::waitFor([&] { return gui_test::pixelOf(first.hwnd(), 3, 3) == COLORREF(0x252525); }));
  EXPECT_EQ(readThemeName(), u"Dark");

  const std::string written = configState();
  EXPECT_FALSE(switchTheme(u"DARK"));
  EXPECT_FALSE(switchTheme(u"Purple"));
  EXPECT_EQ(currentThemeName(), u"Dark");
  EXPECT_EQ(configState(), written);

  // Start-up applies the stored theme and writes nothing.
  applyThemeByName(u"Light");
  EXPECT_TRUE(switchTheme());
  EXPECT_EQ(currentThemeName(), u"Dark");
  EXPECT_EQ(configState(), written);
}

TEST_F(AppearanceTest, FontSwitchReachesOpenWindowsAndTheSameFontWritesNothing) {
  Reaper reaper;
  gui_test::SimpleDialog owner;
  gui_test::SimpleDialog other;
  ASSERT_TRUE(openOwnerAndOwned(owner, other));
  const std::string untouched = configState();
  const LOGFONTW current = currentFontDescription();
  EXPECT_FALSE(switchFont(&current));
  LOGFONTW faceless = current;
  std::memset(faceless.lfFaceName, 0, sizeof faceless.lfFaceName);
  EXPECT_FALSE(switchFont(&faceless));
  EXPECT_EQ(configState(), untouched);

  LOGFONTW larger = current;
  larger.lfHeight = current.lfHeight < 0 ? current.lfHeight - 4 : -20;
  ASSERT_TRUE(switchFont(&larger));
  EXPECT_EQ(currentFontDescription().lfHeight, larger.lfHeight);
  EXPECT_EQ(other.font(), uiFont()) << "an open dialog took the new font";
  const std::optional<FontRecord> stored = readFontSetting();
  ASSERT_TRUE(stored);
  EXPECT_EQ(std::memcmp(stored->data(), &larger, sizeof larger), 0);

  // Start-up: the stored font is applied and nothing is written.
  applyFont(current, 1.45f);
  const std::string written = configState();
  EXPECT_TRUE(switchFont());
  EXPECT_EQ(currentFontDescription().lfHeight, larger.lfHeight);
  EXPECT_EQ(configState(), written);
}

TEST_F(AppearanceTest, FontDialogOffersFiveToSixteenPointsAndTheSameChoiceWritesNothing) {
  Reaper reaper;
  gui_test::SimpleDialog owner;
  ASSERT_TRUE(owner.createModeless(nullptr));
  const std::string untouched = configState();
  QStringList sizes;
  int largestTyped = 0;
  later(100, [&] {
    auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    for (QListView* list : dialog->findChildren<QListView*>()) {
      auto* model = qobject_cast<QStringListModel*>(list->model());
      bool number = false;
      if (model && model->rowCount() > 0 && (model->stringList().first().toInt(&number), number)) sizes = model->stringList();
    }
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
      if (auto* validator = qobject_cast<const QIntValidator*>(edit->validator())) largestTyped = validator->top();
    dialog->accept();
  });
  EXPECT_FALSE(chooseAndSwitchFont(owner.hwnd())) << "the font in use, confirmed, changes nothing";
  EXPECT_EQ(configState(), untouched);
  ASSERT_FALSE(sizes.isEmpty());
  for (const QString& size : sizes) {
    EXPECT_GE(size.toInt(), 5);
    EXPECT_LE(size.toInt(), 16);
  }
  EXPECT_TRUE(sizes.contains(QStringLiteral("16")));
  EXPECT_EQ(largestTyped, 16);

  // Another size is applied and stored.
  later(100, [&] {
    auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    QFont chosen = dialog->currentFont();
    chosen.setPointSize(chosen.pointSize() == 14 ? 12 : 14);
    dialog->setCurrentFont(chosen);
    dialog->accept();
  });
  EXPECT_TRUE(chooseAndSwitchFont(owner.hwnd()));
  EXPECT_TRUE(readFontSetting());
}

TEST_F(AppearanceTest, StartUpAppliesThemeFontAndLanguageWithoutWriting) {
  ASSERT_TRUE(writeThemeName(u"Blue"));
  LOGFONTW font = currentFontDescription();
  font.lfHeight = font.lfHeight < 0 ? font.lfHeight - 2 : -15;
  FontRecord record;
  std::memcpy(record.data(), &font, record.size());
  ASSERT_TRUE(writeFontSetting(record));
  ASSERT_TRUE(writeLanguageSetting(u"deutsch.ini"));
  // As the program starts: the stored language is in the table before any window exists.
  ASSERT_TRUE(switchLanguage(readLanguageSetting()));
  const std::string written = configState();

  ASSERT_FALSE(mainMenu().exists());
  applyStoredAppearance();
  EXPECT_EQ(mainMenu().itemText(menu_command::kFont), u"&Schriftart...");
  EXPECT_EQ(currentThemeName(), u"Blue");
  EXPECT_EQ(currentFontDescription().lfHeight, font.lfHeight);
  EXPECT_EQ(currentLanguageFile(), u"deutsch.ini");
  EXPECT_EQ(olMessageBox::buttonCaption(IDNO), u"&Nein");
  EXPECT_EQ(qtText("QLineEdit", "&Copy"), u"&Kopieren");
  EXPECT_EQ(configState(), written);
}

namespace {

// A picture of the owner with a menu open over it, and the menu's submenu at submenuIndex
// (-1: none) open beside it, as a user sees them: the owner's picture with the menus'
// pictures laid at their places. Saved as name.png in the screenshot folder.
void saveWithMenuOpen(HWND owner, olMenu& menu, POINT clientPoint, int submenuIndex, const std::string& name) {
  later(100, [=] {
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!popup) {
      ADD_FAILURE() << "the menu did not open";
      return;
    }
    std::vector<QWidget*> shown{popup};
    int submenus = 0;
    for (QAction* action : popup->actions()) {
      if (!action->menu() || submenus++ != submenuIndex) continue;
      popup->setActiveAction(action);
      action->menu()->popup(popup->mapToGlobal(popup->actionGeometry(action).topRight()));
      shown.push_back(action->menu());
    }
    later(100, [=] {
      QWidget* window = widgetOf(owner);
      QRect area = window->geometry();
      for (QWidget* widget : shown) area = area.united(widget->geometry());
      QImage picture(area.size(), QImage::Format_RGB32);
      picture.fill(QColor(0x80, 0x80, 0x80));
      QPainter painter(&picture);
      painter.drawPixmap(window->geometry().topLeft() - area.topLeft(), window->grab());
      for (QWidget* widget : shown) painter.drawPixmap(widget->geometry().topLeft() - area.topLeft(), widget->grab());
      painter.end();
      EXPECT_TRUE(picture.save(QString::fromStdString(gui_test::screenshotFolder() + "/" + name + ".png")));
      while (QWidget* open = QApplication::activePopupWidget()) open->close();
    });
  });
  menu.popup(owner, clientToScreen(owner, clientPoint), TPM_RETURNCMD);
}

}  // namespace

TEST_F(AppearanceTest, PicturesOfTheMenusInEachLanguageAndTheme) {
  Reaper reaper(20000);
  // The real main window, so that the pictures show the menus where users meet them.
  CompareEngine engine;
  CMirraneDlg main(engine, nullptr);
  ASSERT_TRUE(main.createModeless(nullptr));
  moveWindow(main.hwnd(), 40, 40, 760, 480);
  showWindow(main.hwnd(), SW_SHOW);
  buildMenus(false);
  for (const char16_t* language : {u"english.ini", u"deutsch.ini"}) {
    for (const char16_t* theme : {u"Light", u"Dark"}) {
      applyLanguage(language, main.hwnd());
      switchTheme(theme);
      pumpMessages(50);
      const std::string name = toUtf8(olstring(language).substr(0, 2)) + "-" + toUtf8(theme);
      saveWithMenuOpen(main.hwnd(), mainMenu(), POINT{12, 40}, 0, "menu-main-" + name);
      saveWithMenuOpen(main.hwnd(), listViewMenu(), POINT{420, 60}, 1, "menu-list-" + name);
    }
  }
  saveWithMenuOpen(main.hwnd(), mainMenu(), POINT{12, 40}, 1, "menu-main-de-languages");
  destroyWindow(main.hwnd());
}
