// Pictures of the main window as a demanding user looks at it, in every theme and in English
// and German: a long difference badge, the panel after a larger font, a deep tree, two
// identical folders, a message box over the window and the command-line help. Each picture
// is saved under the build folder (screenshots/looks/), with one sheet per subject that
// shows all its pictures side by side. The checks of what the pictures show are the
// behaviour tests of MainWindowTest.cpp; these are for looking.

#include "foundation/CommandIds.h"
#include "foundation/Language.h"
#include "foundation/LanguageKeys.h"
#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "tests/window/WindowTestSupport.h"
#include "toolkit/App.h"
#include "toolkit/MessageBox.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"
#include "window/Appearance.h"
#include "window/MirraneDlg.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QScreen>

#include <functional>
#include <string>
#include <vector>

using gui_test::later;
using gui_test::Reaper;
using gui_test::waitFor;
using testing_support::TempFolder;
using testing_support::writeFileBytes;
using window_test::SettingsSandbox;

namespace {

const char* const kLanguages[] = {"english", "deutsch"};

// The language of the pictures: English, with German laid over it, and the message box
// buttons in it.
void useLanguage(const std::string& name) {
  const olstring folder = fromUtf8(MIRRANE_BUILD_DIR "/lang/");
  loadLanguage(folder + u"english.ini", false, true);
  if (name != "english") loadLanguage(folder + fromUtf8(name) + u".ini", true, true);
  for (auto [id, key] : {std::pair{IDOK, lang::global::kOk}, {IDCANCEL, lang::global::kCancel},
                         {IDYES, lang::global::kYes}, {IDNO, lang::global::kNo}})
    olMessageBox::setButtonCaption(id, langText(key));
}

QImage pictureOf(HWND hwnd) { return widgetOf(hwnd)->grab().toImage(); }

// Runs picture in every theme and language on a main window of the first start's size
// (1066 × 750 on a 1600 × 1000 work area) and saves each picture under
// screenshots/looks/, with a sheet of them all side by side.
void inEveryThemeAndLanguage(const std::string& subject, const std::function<QImage(CMirraneDlg&)>& picture,
                             const std::function<void(CompareEngine&)>& options = {}) {
  const std::string folder = gui_test::screenshotFolder() + "/looks/";
  QDir().mkpath(QString::fromStdString(folder));
  std::vector<QImage> pictures;
  const int previousTheme = currentThemeIndex();
  for (const char* language : kLanguages) {
    useLanguage(language);
    for (int theme = 0; theme < static_cast<int>(themeTable().size()); ++theme) {
      std::string name = subject + "-" + toUtf8(themeTable()[theme].name) + "-" + language;
      std::replace(name.begin(), name.end(), ' ', '-');
      SCOPED_TRACE(name);
      ASSERT_TRUE(applyTheme(theme));
      CompareEngine engine;
      if (options) options(engine);
      CMirraneDlg window(engine, nullptr);
      ASSERT_TRUE(window.createModeless(nullptr));
      // Sized once shown: its first showing keeps it inside the (small) offscreen screen.
      showWindow(window.hwnd(), SW_SHOW);
      moveWindow(window.hwnd(), 0, 0, 1066, 750);
      waitFor([] { return false; }, 20);
      pictures.push_back(picture(window));
      EXPECT_TRUE(pictures.back().save(QString::fromStdString(folder + name + ".png")));
      window.unbind(olUnbind::destroyWindow);
    }
  }
  applyTheme(previousTheme);
  useLanguage("english");
  const int width = pictures.front().width() + 8, height = pictures.front().height() + 8;
  QImage sheet(2 * width - 8, (static_cast<int>(pictures.size()) + 1) / 2 * height - 8, QImage::Format_RGB32);
  sheet.fill(Qt::black);
  QPainter painter(&sheet);
  for (size_t i = 0; i < pictures.size(); ++i)
    painter.drawImage(static_cast<int>(i % 2) * width, static_cast<int>(i / 2) * height, pictures[i]);
  painter.end();
  sheet.save(QString::fromStdString(folder + "sheet-" + subject + ".png"));
}

// The picture of the window with the message box shown by show() laid over it.
QImage withMessageBox(CMirraneDlg& window, const std::function<void()>& show) {
  QImage picture = pictureOf(window.hwnd());
  later(50, [&] {
    olMessageBox* box = window_test::runningMessageBox();
    if (box == nullptr) return;
    const RECT outer = getWindowRect(window.hwnd());
    const RECT inner = getWindowRect(box->hwnd());
    QPainter painter(&picture);
    painter.drawImage(inner.left - outer.left, inner.top - outer.top, pictureOf(box->hwnd()));
    painter.setPen(Qt::black);
    painter.drawRect(inner.left - outer.left - 1, inner.top - outer.top - 1, inner.width() + 1, inner.height() + 1);
    box->endDialog(IDOK);
  });
  show();
  return picture;
}

TEST(Pictures, TheWindowAsADemandingUserSeesIt) {
  Reaper reaper(240000);
  SettingsSandbox sandbox;
  TempFolder temp;

  // One pair with every difference a file can have at once: the longest badge.
  writeFileBytes(temp.path("long/a/report.pdf"), "first version");
  writeFileBytes(temp.path("long/b/report.pdf"), "other version");
  testing_support::setModifiedTime(temp.path("long/a/report.pdf"), 1700000000);
  testing_support::setModifiedTime(temp.path("long/b/report.pdf"), 1700003600);
  testing_support::setMode(temp.path("long/b/report.pdf"), 0444);
  writeFileBytes(temp.path("long/a/same.txt"), "same");
  writeFileBytes(temp.path("long/b/same.txt"), "same");
  window_test::makeDeepPair(temp.path("deep"));
  for (const char* side : {"same/a/photo-", "same/b/photo-"})
    for (int i = 1000; i < 1300; ++i) writeFileBytes(temp.path(side + std::to_string(i) + ".jpg"), std::to_string(i));
  // The compares pictured: the folders a and b below temp, what is compared, the row selected.
  const struct {
    const char* subject;
    const char* folders;
    bool timesAndAttributes;
    bool adjustPath;
    const char16_t* row;  // nullptr: none
  } compared[] = {
      {"badge", "long", true, true, u"report.pdf"},
      {"deep-tree", "deep", false, false, u"bottom.txt"},
      {"identical", "same", false, true, nullptr},
  };
  for (const auto& c : compared) {
    inEveryThemeAndLanguage(c.subject, [&](CMirraneDlg& window) {
      EXPECT_TRUE(window.startCompare());
      for (int row = 0; c.row != nullptr && row < window.list().rowCount(); ++row)
        if (window.list().rowText(row, RowText::firstName) == c.row) window.list().selectRowAlone(row);
      waitFor([] { return false; }, 20);
      return pictureOf(window.hwnd());
    }, [&](CompareEngine& engine) {
      engine.options.path0 = temp.widePath(std::string(c.folders) + "/a");
      engine.options.path1 = temp.widePath(std::string(c.folders) + "/b");
      engine.options.modifyTime = engine.options.attr = c.timesAndAttributes;
      engine.options.adjustPath = c.adjustPath;
    });
  }

  inEveryThemeAndLanguage("font-14pt", [](CMirraneDlg& window) {
    const LOGFONTW before = currentFontDescription();
    LOGFONTW larger = before;
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    larger.lfHeight = -static_cast<int32_t>(std::lround(14 * dpi / 72));
    applyFont(larger, 1.45f);
    waitFor([] { return false; }, 20);
    QImage picture = pictureOf(window.hwnd());
    applyFont(before, 1.45f);
    return picture;
  });

  inEveryThemeAndLanguage("message-box", [](CMirraneDlg& window) {
    CCompareInfoPanel& info = window.comparePanel().infoPanel();
    info.pathBox(0).setText(u"/media/backup/photos-2025");
    info.pathBox(1).setText(u"/media/backup/photos-2025/");
    return withMessageBox(window, [&] { sendMessage(window.hwnd(), WM_COMMAND, MAKEWPARAM(control_id::kCompare, 0)); });
  });

  inEveryThemeAndLanguage("command-line-help", [](CMirraneDlg& window) {
    return withMessageBox(window, [&] { sendMessage(window.hwnd(), WM_COMMAND, menu_command::kCommandLineHelp); });
  });
}

}  // namespace
