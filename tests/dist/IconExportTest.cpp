// The desktop's icons, as the build wrote them, against the toolkit's own drawing of the
// application icon.

#include "toolkit/PaintDC.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kIconFolder = MIRRANE_ICON_FOLDER;

QImage toolkitDrawing(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  drawAppIcon(&painter, 0, 0, size);
  return image;
}

std::vector<int> iconSizes() {
  std::vector<int> sizes;
  std::istringstream list(MIRRANE_ICON_SIZES);
  for (std::string size; std::getline(list, size, ',');) sizes.push_back(std::atoi(size.c_str()));
  return sizes;
}

}  // namespace

// Each size is drawn at that size (small sizes leave the lines out), not scaled from one
// large picture.
TEST(AppIcon, EachPngIsTheToolkitsDrawingAtItsSize) {
  const std::vector<int> sizes = iconSizes();
  ASSERT_GE(sizes.size(), 2u);
  EXPECT_EQ(sizes.front(), 16);
  EXPECT_EQ(sizes.back(), 256);
  for (int size : sizes) {
    SCOPED_TRACE(size);
    const std::string path = kIconFolder + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/mirrane.png";
    QImage png(QString::fromStdString(path));
    ASSERT_FALSE(png.isNull()) << path;
    EXPECT_EQ(png.size(), QSize(size, size));
    EXPECT_TRUE(png.hasAlphaChannel()) << "the rounded corners must stay transparent";
    EXPECT_EQ(png.convertToFormat(QImage::Format_ARGB32_Premultiplied), toolkitDrawing(size));
  }
}

// The SVG is a recording of the same drawing: rendered back, it matches the toolkit's
// picture except for anti-aliasing along the edges.
TEST(AppIcon, TheSvgDrawsTheSamePicture) {
  const std::string path = kIconFolder + "/scalable/apps/mirrane.svg";
  QSvgRenderer renderer(QString::fromStdString(path));
  ASSERT_TRUE(renderer.isValid()) << path;
  constexpr int kSize = 128;
  QImage rendered(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
  rendered.fill(Qt::transparent);
  QPainter painter(&rendered);
  renderer.render(&painter, QRectF(0, 0, kSize, kSize));
  painter.end();
  const QImage expected = toolkitDrawing(kSize);
  int differing = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const QColor a = rendered.pixelColor(x, y), b = expected.pixelColor(x, y);
      if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) +
              std::abs(a.alpha() - b.alpha()) > 64) {
        ++differing;
      }
    }
  }
  EXPECT_LT(differing, kSize * kSize / 100) << "pixels that differ clearly";
  EXPECT_EQ(rendered.pixelColor(0, 0).alpha(), 0) << "a rounded corner";
  EXPECT_EQ(rendered.pixelColor(kSize / 2, 2), expected.pixelColor(kSize / 2, 2)) << "the frame's colour";
}
