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

// The size of the main window at its first start on a 1600 × 1000 work area.
constexpr int kWindowWidth = 1066;
constexpr int kWindowHeight = 750;

std::string pictureFolder() {
  const std::string folder = gui_test::screenshotFolder() + "/looks";
  QDir().mkpath(QString::fromStdString(folder));
  return folder;
}

QImage pictureOf(HWND hwnd) { return widgetOf(hwnd)->grab().toImage(); }

// The pictures of one subject, one per theme and language, and a sheet of them all.
class Sheet {
public:
  explicit Sheet(std::string subject) : m_subject(std::move(subject)) {}
  void add(const QImage& picture, const std::string& theme, const std::string& language) {
    std::string name = m_subject + "-" + theme + "-" + language;
    std::replace(name.begin(), name.end(), ' ', '-');
    EXPECT_TRUE(picture.save(QString::fromStdString(pictureFolder() + "/" + name + ".png"))) << name;
    m_pictures.push_back(picture);
  }
  ~Sheet() {
    if (m_pictures.empty()) return;
    const int columns = 2;
    const int width = m_pictures.front().width();
    const int height = m_pictures.front().height();
    const int rows = (static_cast<int>(m_pictures.size()) + columns - 1) / columns;
    QImage sheet(columns * width + (columns - 1) * 8, rows * height + (rows - 1) * 8, QImage::Format_RGB32);
    sheet.fill(Qt::black);
    QPainter painter(&sheet);
    for (size_t i = 0; i < m_pictures.size(); ++i)
      painter.drawImage(static_cast<int>(i % columns) * (width + 8), static_cast<int>(i / columns) * (height + 8),
                        m_pictures[i]);
    painter.end();
    sheet.save(QString::fromStdString(pictureFolder() + "/sheet-" + m_subject + ".png"));
  }

private:
  std::string m_subject;
  std::vector<QImage> m_pictures;
};

// Runs the picture maker in every theme and language, on a main window of the first
// start's size that it sets up as it needs (compare, select, font).
void inEveryThemeAndLanguage(const std::string& subject,
                             const std::function<QImage(CMirraneDlg&, CompareEngine&)>& picture,
                             const std::function<void(CompareEngine&)>& options = {}) {
  Sheet sheet(subject);
  const int previousTheme = currentThemeIndex();
  for (const char* language : kLanguages) {
    useLanguage(language);
    for (int theme = 0; theme < static_cast<int>(themeTable().size()); ++theme) {
      SCOPED_TRACE(std::string(language) + " " + toUtf8(themeTable()[theme].name));
      ASSERT_TRUE(applyTheme(theme));
      CompareEngine engine;
      if (options) options(engine);
      CMirraneDlg window(engine, nullptr);
      ASSERT_TRUE(window.createModeless(nullptr));
      // Sized once shown: its first showing keeps it inside the (small) offscreen screen.
      showWindow(window.hwnd(), SW_SHOW);
      moveWindow(window.hwnd(), 0, 0, kWindowWidth, kWindowHeight);
      waitFor([] { return false; }, 20);
      const QImage shot = picture(window, engine);
      sheet.add(shot, toUtf8(themeTable()[theme].name), language);
      window.unbind(olUnbind::destroyWindow);
    }
  }
  applyTheme(previousTheme);
  useLanguage("english");
}

// The picture of a message box shown by show(), laid over the window where it stands.
QImage withMessageBox(CMirraneDlg& window, const std::function<void()>& show) {
  QImage picture = pictureOf(window.hwnd());
  later(50, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = dynamic_cast<olMessageBox*>(olWndMap::instance().find(handleOf(widget)));
      if (!box || !box->isModalRunning()) continue;
      const RECT outer = getWindowRect(window.hwnd());
      const RECT inner = getWindowRect(box->hwnd());
      QPainter painter(&picture);
      painter.drawImage(inner.left - outer.left, inner.top - outer.top, pictureOf(box->hwnd()));
      painter.setPen(Qt::black);
      painter.drawRect(inner.left - outer.left - 1, inner.top - outer.top - 1, inner.width() + 1, inner.height() + 1);
      box->endDialog(IDOK);
    }
  });
  show();
  return picture;
}

void selectRowOf(CMirraneDlg& window, const char16_t* name) {
  mrnListView& list = window.list();
  for (int row = 0; row < list.rowCount(); ++row) {
    if (list.rowText(row, RowText::firstName) == name || list.rowText(row, RowText::secondName) == name) {
      list.selectRowAlone(row);
      return;
    }
  }
  ADD_FAILURE() << "no row " << toUtf8(name);
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
  // Forty folders deep, the one difference at the bottom.
  std::string deep;
  for (int level = 1; level <= 40; ++level) deep += "/level-" + std::to_string(level);
  writeFileBytes(temp.path("deep/a" + deep + "/bottom.txt"), "first");
  writeFileBytes(temp.path("deep/b" + deep + "/bottom.txt"), "second");
  for (int i = 0; i < 300; ++i) {
    const std::string name = "/photo-" + std::to_string(1000 + i) + ".jpg";
    writeFileBytes(temp.path("same/a" + name), "picture " + std::to_string(i));
    writeFileBytes(temp.path("same/b" + name), "picture " + std::to_string(i));
  }
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
    inEveryThemeAndLanguage(c.subject, [&](CMirraneDlg& window, CompareEngine&) {
      EXPECT_TRUE(window.startCompare());
      if (c.row != nullptr) selectRowOf(window, c.row);
      waitFor([] { return false; }, 20);
      return pictureOf(window.hwnd());
    }, [&](CompareEngine& engine) {
      engine.options.path0 = temp.widePath(std::string(c.folders) + "/a");
      engine.options.path1 = temp.widePath(std::string(c.folders) + "/b");
      engine.options.modifyTime = engine.options.attr = c.timesAndAttributes;
      engine.options.adjustPath = c.adjustPath;
    });
  }

  inEveryThemeAndLanguage("font-14pt", [](CMirraneDlg& window, CompareEngine&) {
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

  inEveryThemeAndLanguage("message-box", [](CMirraneDlg& window, CompareEngine&) {
    CCompareInfoPanel& info = window.comparePanel().infoPanel();
    info.pathBox(0).setText(u"/media/backup/photos-2025");
    info.pathBox(1).setText(u"/media/backup/photos-2025/");
    return withMessageBox(window, [&] { sendMessage(window.hwnd(), WM_COMMAND, MAKEWPARAM(control_id::kCompare, 0)); });
  });

  inEveryThemeAndLanguage("command-line-help", [](CMirraneDlg& window, CompareEngine&) {
    return withMessageBox(window, [&] { sendMessage(window.hwnd(), WM_COMMAND, menu_command::kCommandLineHelp); });
  });
}

}  // namespace
