// Type names from the shared MIME database and icons from the icon theme, by name only.
#include "toolkit/FileTypes.h"

#include <QFileIconProvider>
#include <QIcon>
#include <QMimeDatabase>
#include <QPainter>

#include "foundation/Paths.h"
#include "toolkit/WindowInternal.h"

olIcon::olIcon() = default;
olIcon::~olIcon() = default;
olIcon::olIcon(const olIcon&) = default;
olIcon& olIcon::operator=(const olIcon&) = default;
olIcon::olIcon(const QIcon& icon) : m_icon(icon.isNull() ? nullptr : std::make_shared<const QIcon>(icon)) {}

bool olIcon::isNull() const { return !m_icon; }

void olIcon::draw(HDC dc, const RECT& rect) const {
  // QIcon picks the image for the painter's pixel density, so a HiDPI screen gets a sharp one.
  if (dc && m_icon && !rect.isEmpty()) m_icon->paint(dc, toQRect(rect));
}

namespace {

const QMimeDatabase& mimeDatabase() {
  static const QMimeDatabase database;
  return database;
}

QMimeType mimeTypeOf(olstring_view name, olItemKind kind) {
  if (kind == olItemKind::folder) return mimeDatabase().mimeTypeForName(QStringLiteral("inode/directory"));
  // Only the last part of the path goes in: the database matches it against its name
  // patterns and has nothing on disk to look at.
  return mimeDatabase().mimeTypeForFile(toQString(fileNamePart(name)), QMimeDatabase::MatchExtension);
}

QString labelText(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

QIcon genericIcon(olItemKind kind) {
  static const QFileIconProvider provider;
  return provider.icon(kind == olItemKind::folder ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
}

}  // namespace

olFileTypeInfo fileTypeInfo(olstring_view name, olItemKind kind) {
  olFileTypeInfo info;
  const QMimeType type = mimeTypeOf(name, kind);
  // The default type is the database's "no idea": its description ("unknown") would read
  // like a failure, so the caller words it.
  if (type.isValid() && !type.isDefault()) info.typeName = fromQString(labelText(type.comment()));
  QIcon icon;
  if (type.isValid()) {
    icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  }
  if (!icon.isNull()) {
    info.iconSource = olIconSource::theme;
  } else {
    icon = genericIcon(kind);
  }
  info.icon = olIcon(icon);
  return info;
}
