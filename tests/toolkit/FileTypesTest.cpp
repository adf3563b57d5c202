// Type names and icons from the name alone, the icon theme and its generic fallback.
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainter>

#include "tests/support/TestSupport.h"
#include "tests/toolkit/GuiTest.h"
#include "toolkit/FileTypes.h"
#include "toolkit/WindowInternal.h"

namespace {

// The icon drawn on a transparent square, as an image.
QImage pictureOf(const olIcon& icon, int size = 16) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  icon.draw(&painter, RECT{0, 0, size, size});
  painter.end();
  return image;
}

int opaquePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += qAlpha(image.pixel(x, y)) > 128;
  return count;
}

// An icon theme of its own in a temporary folder with one icon, a pure red "text-plain",
// in force while the object lives.
class RedTextTheme {
public:
  RedTextTheme() : m_searchPaths(QIcon::themeSearchPaths()), m_name(QIcon::themeName()) {
    testing_support::writeFileBytes(m_folder.path("red/index.theme"),
                                    "[Icon Theme]\nName=red\nDirectories=16x16/mimetypes\n\n"
                                    "[16x16/mimetypes]\nSize=16\nContext=MimeTypes\nType=Fixed\n");
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(QColor(255, 0, 0));
    testing_support::makeFolders(m_folder.path("red/16x16/mimetypes"));
    red.save(QString::fromStdString(m_folder.path("red/16x16/mimetypes/text-plain.png")));
    QIcon::setThemeSearchPaths({QString::fromStdString(m_folder.path())});
    QIcon::setThemeName(QStringLiteral("red"));
  }
  ~RedTextTheme() {
    QIcon::setThemeSearchPaths(m_searchPaths);
    QIcon::setThemeName(m_name);
  }

private:
  testing_support::TempFolder m_folder;
  QStringList m_searchPaths;
  QString m_name;
};

}  // namespace

TEST(FileTypes, NamesComeFromTheNameAloneNeverFromTheContent) {
  testing_support::TempFolder folder;
  // PNG's signature inside a file named as text: a sniffing lookup would call it an image.
  testing_support::writeFileBytes(folder.path("fake.txt"), std::string("\x89PNG\r\n\x1a\n", 8) + "rest");
  // Opening a FIFO blocks until a writer comes: a lookup that opened it would hang here.
  testing_support::makeFifo(folder.path("pipe.txt"));
  struct Case {
    std::string name;
    olItemKind kind;
    const char16_t* contains;
  };
  const Case cases[] = {
      {folder.path("fake.txt"), olItemKind::file, u"text"},
      {folder.path("pipe.txt"), olItemKind::file, u"text"},
      {"/no/such/folder/report.pdf", olItemKind::file, u"PDF"},
      {"PHOTO.PNG", olItemKind::file, u"PNG"},
      {"bundle.tar.gz", olItemKind::file, u"archive"},
      {folder.path("fake.txt"), olItemKind::folder, u"older"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    const olFileTypeInfo info = fileTypeInfo(fromUtf8(test.name), test.kind);
    EXPECT_NE(info.typeName.find(test.contains), olstring::npos) << toUtf8(info.typeName);
    ASSERT_FALSE(info.typeName.empty());
    EXPECT_EQ(info.typeName[0], fromQString(toQString(info.typeName).left(1).toUpper())[0]) << "it stands as a label";
    EXPECT_FALSE(info.icon.isNull());
  }
  // Names the database has no type for come back without one: the caller words them.
  for (const char* name : {"data.qqqzz", "no-extension-at-all", "odd\xFF\xFE.bin\xFF"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(fileTypeInfo(fromUtf8(name), olItemKind::file).typeName, u"");
  }
}

TEST(FileTypes, WithoutAnIconThemeEveryTypeGetsTheGenericFileOrFolderIcon) {
  ASSERT_TRUE(QIcon::themeName().isEmpty() || !QIcon::hasThemeIcon(QStringLiteral("text-plain")))
      << "the offscreen platform has no icon theme";
  const olFileTypeInfo text = fileTypeInfo(u"notes.txt", olItemKind::file);
  const olFileTypeInfo unknown = fileTypeInfo(u"data.qqqzz", olItemKind::file);
  const olFileTypeInfo folder = fileTypeInfo(u"photos", olItemKind::folder);
  for (const olFileTypeInfo* info : {&text, &unknown, &folder}) {
    EXPECT_EQ(info->iconSource, olIconSource::generic);
    EXPECT_GT(opaquePixels(pictureOf(info->icon)), 20) << "the icon draws something";
  }
  EXPECT_EQ(pictureOf(text.icon), pictureOf(unknown.icon)) << "one generic file icon";
  EXPECT_NE(pictureOf(text.icon), pictureOf(folder.icon)) << "and another for folders";
}

TEST(FileTypes, AnIconThemeSuppliesItsIconsAndTheRestFallsBack) {
  RedTextTheme theme;
  const olFileTypeInfo text = fileTypeInfo(u"/somewhere/notes.txt", olItemKind::file);
  EXPECT_EQ(text.iconSource, olIconSource::theme);
  const QImage picture = pictureOf(text.icon);
  EXPECT_EQ(picture.pixelColor(8, 8), QColor(255, 0, 0));
  const olFileTypeInfo unknown = fileTypeInfo(u"data.qqqzz", olItemKind::file);
  EXPECT_EQ(unknown.iconSource, olIconSource::generic);
  EXPECT_FALSE(unknown.icon.isNull());
  EXPECT_EQ(fileTypeInfo(u"photos", olItemKind::folder).iconSource, olIconSource::generic);
}
