// Desktop services through Qt: clipboard, default handlers and the file manager.
#include "toolkit/Shell.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

#include "toolkit/WindowInternal.h"

bool setClipboardText(olstring_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) return false;
  clipboard->setText(toQString(text));
  return true;
}

olstring clipboardText() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  return clipboard ? fromQString(clipboard->text()) : olstring();
}

bool openUrl(olstring_view url) { return QDesktopServices::openUrl(QUrl(toQString(url))); }

bool openPath(olstring_view path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(toQString(path))); }

bool showInFolder(olstring_view path) {
  const QString item = toQString(path);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(item).toString()} << QString();
    // A file manager that is not running must not hold up the window for long.
    if (bus.call(call, QDBus::Block, 2000).type() == QDBusMessage::ReplyMessage) return true;
  }
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(item).absolutePath()));
}
