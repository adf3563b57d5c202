// Writes the application icon, drawn by the same code that draws it in the windows, as the
// files a Linux desktop looks for: hicolor/scalable/apps/mirrane.svg and
// hicolor/<n>x<n>/apps/mirrane.png for each size given. Runs at build time, so that the
// desktop's icon can never drift from the program's.
//
// Usage: mirrane_icon_export OUTPUT_FOLDER SIZE...

#include "toolkit/PaintDC.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cstdio>
#include <cstdlib>

namespace {

// The size at which the scalable icon is drawn; large enough that every detail of the
// picture is present (small sizes leave some out).
constexpr int kScalableSize = 256;

bool makeFolder(const QString& folder) {
  if (QDir().mkpath(folder)) return true;
  std::fprintf(stderr, "mirrane_icon_export: cannot create %s\n", qPrintable(folder));
  return false;
}

// The generator states the picture's size in millimetres at 72 dpi and gives every group
// font attributes of no use to an icon (a size of -1 among them); icon loaders want the
// size in pixels.
QByteArray tidySvg(QByteArray svg) {
  const QRegularExpression size(QStringLiteral("width=\"[0-9.]+mm\" height=\"[0-9.]+mm\""));
  const QString pixels = QStringLiteral("width=\"%1\" height=\"%1\"").arg(kScalableSize);
  QString text = QString::fromUtf8(svg).replace(size, pixels);
  text.remove(QRegularExpression(QStringLiteral("\\s*font-family=\"[^\"]*\" font-size=\"[^\"]*\" font-weight=\"[^\"]*\" font-style=\"[^\"]*\"")));
  return text.toUtf8();
}

bool writeSvg(const QString& outputFolder) {
  const QString folder = outputFolder + QStringLiteral("/scalable/apps");
  if (!makeFolder(folder)) return false;
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setSize(QSize(kScalableSize, kScalableSize));
  svg.setViewBox(QRect(0, 0, kScalableSize, kScalableSize));
  svg.setTitle(QStringLiteral("Mirrane"));
  QPainter painter(&svg);
  drawAppIcon(&painter, 0, 0, kScalableSize);
  painter.end();
  const QString path = folder + QStringLiteral("/mirrane.svg");
  QSaveFile file(path);
  if (file.open(QIODevice::WriteOnly) && file.write(tidySvg(buffer.data())) >= 0 && file.commit()) return true;
  std::fprintf(stderr, "mirrane_icon_export: cannot write %s\n", qPrintable(path));
  return false;
}

bool writePng(const QString& outputFolder, int size) {
  const QString folder = outputFolder + QStringLiteral("/%1x%1/apps").arg(size);
  if (!makeFolder(folder)) return false;
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  drawAppIcon(&painter, 0, 0, size);
  painter.end();
  const QString path = folder + QStringLiteral("/mirrane.png");
  if (image.save(path, "PNG")) return true;
  std::fprintf(stderr, "mirrane_icon_export: cannot write %s\n", qPrintable(path));
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: mirrane_icon_export OUTPUT_FOLDER SIZE...\n");
    return 2;
  }
  const QString outputFolder = QString::fromLocal8Bit(argv[1]);
  if (!writeSvg(outputFolder)) return 1;
  for (int i = 2; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size <= 0 || size > 1024) {
      std::fprintf(stderr, "mirrane_icon_export: not an icon size: %s\n", argv[i]);
      return 2;
    }
    if (!writePng(outputFolder, size)) return 1;
  }
  return 0;
}
