// Desktop services through Qt: clipboard, default handlers and the file manager.
#include "toolkit/Shell.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

#include <algorithm>

#include "platform/Text.h"
#include "toolkit/WindowInternal.h"

namespace {

ShellRecorder& recorder() {
  static ShellRecorder current;
  return current;
}

// The address of the folder holding the item: its file address cut at the last separator.
QUrl folderUrl(const std::string& itemUrl) {
  const size_t slash = itemUrl.find_last_of('/');
  constexpr size_t kSchemeAndRoot = sizeof("file:///") - 1;
  return QUrl::fromEncoded(QByteArray::fromStdString(itemUrl.substr(0, std::max(slash, kSchemeAndRoot))),
                           QUrl::StrictMode);
}

}  // namespace

std::string fileUrl(olstring_view path) {
  // Unreserved characters and the separator stay; everything else, including each byte of a
  // multi-byte character and each stray byte, is percent-encoded.
  const std::string bytes = platform::utf16ToUtf8(path);
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  url.reserve(url.size() + bytes.size() * 3);
  for (const unsigned char byte : bytes) {
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                       byte == '-' || byte == '.' || byte == '_' || byte == '~' || byte == '/';
    if (plain) {
      url.push_back(static_cast<char>(byte));
    } else {
      url.push_back('%');
      url.push_back(kHex[byte >> 4]);
      url.push_back(kHex[byte & 0xF]);
    }
  }
  return url;
}

void setShellRecorder(ShellRecorder recorder_) { recorder() = std::move(recorder_); }

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

bool openUrl(olstring_view url) {
  if (recorder()) return recorder()(ShellRequest::openWebPage, platform::utf16ToUtf8(url));
  return QDesktopServices::openUrl(QUrl(toQString(url)));
}

bool openPath(olstring_view path) {
  const std::string url = fileUrl(path);
  if (recorder()) return recorder()(ShellRequest::openItem, url);
  return QDesktopServices::openUrl(QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::StrictMode));
}

bool showInFolder(olstring_view path) {
  const std::string url = fileUrl(path);
  if (recorder()) return recorder()(ShellRequest::showInFolder, url);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (bus.isConnected()) {
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("ShowItems"));
    // The service takes addresses as text; percent-encoded bytes keep a name that is not
    // UTF-8 exact on the way.
    call << QStringList{QString::fromLatin1(url)} << QString();
    // A file manager that is not running must not hold up the window for long.
    if (bus.call(call, QDBus::Block, 2000).type() == QDBusMessage::ReplyMessage) return true;
  }
  return QDesktopServices::openUrl(folderUrl(url));
}
