// What the desktop knows of a kind of file from its name alone: the type's name from the
// shared MIME database and its icon from the icon theme. Nothing here opens, reads or even
// looks at the file: the name may lie in an archive's unpacked copy that is gone by now,
// on a slow network share, or be a FIFO that would block a reader.
#pragma once

#include <memory>

#include "toolkit/Types.h"

class QIcon;

// An icon that draws itself sharply at any size and pixel density. Copies share the image.
class olIcon {
public:
  olIcon();
  ~olIcon();
  olIcon(const olIcon&);
  olIcon& operator=(const olIcon&);

  bool isNull() const;
  // Draws the icon into the square rect, scaled to fit and centred; nothing for a null icon.
  void draw(HDC dc, const RECT& rect) const;
  // Internal: the toolkit's sources make and read icons through Qt.
  explicit olIcon(const QIcon& icon);

private:
  std::shared_ptr<const QIcon> m_icon;
};

enum class olItemKind { file, folder };

// Where an icon came from: the desktop's icon theme, or the toolkit's generic file and
// folder icons when the theme has none for the type (or there is no theme at all).
enum class olIconSource { theme, generic };

struct olFileTypeInfo {
  // The type's description as the desktop words it ("Plain text document", "Folder"), its
  // first letter made upper case so it can stand alone as a label. Empty when the database
  // knows no type for the name: the caller words the unknown type itself.
  olstring typeName;
  // The type's icon; never null.
  olIcon icon;
  olIconSource iconSource = olIconSource::generic;
};

// The type and icon of a file or folder, from its name (a path's folders are ignored).
olFileTypeInfo fileTypeInfo(olstring_view name, olItemKind kind);
