// File, folder and font dialogs on Qt's dialogs.
#include "toolkit/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QIntValidator>
#include <QLineEdit>
#include <QListView>
#include <QStringListModel>

#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"

namespace {

QWidget* ownerWidget(HWND owner) {
  QWidget* widget = widgetOf(owner);
  return widget ? widget->window() : nullptr;
}

olstring trimExtension(olstring_view extension) {
  const olstring_view junk = u".\r\n\t ";
  size_t first = extension.find_first_not_of(junk);
  if (first == olstring_view::npos) return {};
  size_t last = extension.find_last_not_of(junk);
  return olstring(extension.substr(first, last - first + 1));
}

olstring runFileDialog(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return fromQString(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

// Qt's font dialog has no size limits of its own: its size list offers up to 72 points and
// its size box takes up to 512. Both are found by what they hold (the size list is the one
// list of numbers, the size box the one box with a number validator) and kept within the
// limits, also when the list is filled anew for another face.
void limitFontSizes(QFontDialog& dialog, int minimumPoints, int maximumPoints) {
  for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
    if (auto* validator = qobject_cast<const QIntValidator*>(edit->validator()))
      const_cast<QIntValidator*>(validator)->setRange(minimumPoints, maximumPoints);
  }
  for (QListView* list : dialog.findChildren<QListView*>()) {
    auto* model = qobject_cast<QStringListModel*>(list->model());
    if (!model || model->rowCount() == 0) continue;
    bool numbers = true;
    for (const QString& entry : model->stringList()) {
      bool number = false;
      entry.toInt(&number);
      numbers = numbers && number;
    }
    if (!numbers) continue;
    auto keepWithinLimits = [model, minimumPoints, maximumPoints] {
      // From the end, so that the rows still to be looked at keep their numbers.
      for (int row = model->rowCount() - 1; row >= 0; --row) {
        const int points = model->data(model->index(row, 0)).toString().toInt();
        if (points < minimumPoints || points > maximumPoints) model->removeRow(row);
      }
    };
    keepWithinLimits();
    QObject::connect(model, &QAbstractItemModel::modelReset, &dialog, keepWithinLimits);
  }
}

}  // namespace

olstring olFileDialog::filterText(const std::vector<olFileFilter>& filters) {
  QStringList parts;
  for (const olFileFilter& filter : filters) {
    QStringList patterns;
    for (const QString& pattern : toQString(filter.pattern).split(QLatin1Char(';'), Qt::SkipEmptyParts))
      patterns << (pattern.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : pattern.trimmed());
    parts << QStringLiteral("%1 (%2)").arg(toQString(filter.description), patterns.join(QLatin1Char(' ')));
  }
  return fromQString(parts.join(QStringLiteral(";;")));
}

olstring olFileDialog::startFolderFor(olstring_view path) {
  if (path.empty()) return {};
  QFileInfo info(toQString(path));
  QDir folder = info.isDir() ? QDir(info.absoluteFilePath()) : info.absoluteDir();
  // A remembered folder that has gone: its nearest parent that still exists.
  while (!folder.exists() && folder.cdUp()) {
  }
  return folder.exists() ? fromQString(folder.absolutePath()) : olstring();
}

olstring olFileDialog::openFile(HWND owner, const std::vector<olFileFilter>& filters, olstring_view startFolder) {
  QFileDialog dialog(ownerWidget(owner), QString(), toQString(startFolderFor(startFolder)), toQString(filterText(filters)));
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  return runFileDialog(dialog);
}

olstring olFileDialog::saveFile(HWND owner, const std::vector<olFileFilter>& filters, olstring_view defaultExtension,
                                olstring_view startFolder) {
  QFileDialog dialog(ownerWidget(owner), QString(), toQString(startFolderFor(startFolder)), toQString(filterText(filters)));
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(toQString(trimExtension(defaultExtension)));
  return runFileDialog(dialog);
}

olstring olFileDialog::pickFolder(HWND owner, olstring_view startFolder) {
  QFileDialog dialog(ownerWidget(owner), QString(), toQString(startFolderFor(startFolder)));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  return runFileDialog(dialog);
}

bool chooseFont(LOGFONTW& description, HWND owner, int minimumPoints, int maximumPoints) {
  HFONT start = createFontIndirect(description);
  QFontDialog dialog(qfontOf(start), ownerWidget(owner));
  deleteFont(start);
  dialog.setOption(QFontDialog::ScalableFonts, true);
  limitFontSizes(dialog, minimumPoints, maximumPoints);
  if (dialog.exec() != QDialog::Accepted) return false;
  QFont chosen = dialog.selectedFont();
  if (chosen.pointSizeF() > 0)
    chosen.setPointSizeF(std::clamp(chosen.pointSizeF(), static_cast<double>(minimumPoints), static_cast<double>(maximumPoints)));
  HFONT made = createFontObject(chosen);
  description = fontDescriptionOf(made);
  deleteFont(made);
  return true;
}
