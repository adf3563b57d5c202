// The paint guard, text drawing with the platform's format flags, and the toolkit's glyphs
// and icons, all drawn in code so that they follow the theme's colours.
#include "toolkit/PaintDC.h"

#include <QFontMetrics>
#include <QIcon>
#include <QIconEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"

olPaintDC::olPaintDC(HWND hwnd) : m_hwnd(hwnd) {
  QPaintEvent* event = currentPaintEvent(hwnd);
  QWidget* widget = widgetOf(hwnd);
  if (!event || !widget) return;
  m_painter = new QPainter(widget);
  m_painter->setFont(widget->font());
  m_painter->setPen(toQColor(themeColour(olThemeSlot::text)));
  m_paintRect = fromQRect(event->rect());
}

olPaintDC::~olPaintDC() { delete m_painter; }

void selectFont(HDC dc, HFONT font) {
  if (dc && font) dc->setFont(qfontOf(font));
}

void setTextColour(HDC dc, COLORREF colour) {
  if (dc) dc->setPen(toQColor(colour));
}

int drawText(HDC dc, olstring_view text, RECT& rect, UINT format) {
  if (!dc) return 0;
  QString value = toQString(text);
  const QFontMetrics metrics(dc->font());
  int flags = 0;
  flags |= (format & DT_CENTER) ? Qt::AlignHCenter : (format & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
  if (format & DT_SINGLELINE) {
    flags |= Qt::TextSingleLine;
    flags |= (format & DT_VCENTER) ? Qt::AlignVCenter : (format & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
  } else {
    flags |= Qt::AlignTop;
  }
  if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
  if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
  if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
  QRect area = toQRect(rect);
  if (format & DT_CALCRECT) {
    QRect needed = metrics.boundingRect(QRect(area.left(), area.top(), (format & DT_WORDBREAK) ? area.width() : 100000, 100000),
                                        flags & ~(Qt::AlignHCenter | Qt::AlignRight | Qt::AlignVCenter | Qt::AlignBottom),
                                        value);
    rect.right = rect.left + needed.width();
    rect.bottom = rect.top + needed.height();
    return needed.height();
  }
  if ((format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS)) && (format & DT_SINGLELINE || !(format & DT_WORDBREAK))) {
    // A path keeps its end (the name) in view; other texts keep their start.
    value = metrics.elidedText(value, (format & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight, area.width(),
                               flags & Qt::TextShowMnemonic);
  }
  QRect drawn;
  dc->drawText(area, flags, value, &drawn);
  return drawn.height();
}

void drawGlyph(HDC dc, olGlyph glyph, const RECT& rect, COLORREF colour) {
  if (!dc) return;
  const double size = std::clamp(std::min(rect.width(), rect.height()) * 0.55, 10.0, 24.0);
  const QPointF centre(rect.left + rect.width() / 2.0, rect.top + rect.height() / 2.0);
  const QRectF box(centre.x() - size / 2, centre.y() - size / 2, size, size);
  dc->save();
  dc->setRenderHint(QPainter::Antialiasing, true);
  QPen pen(toQColor(colour), std::max(1.2, size / 12.0));
  pen.setJoinStyle(Qt::RoundJoin);
  pen.setCapStyle(Qt::RoundCap);
  dc->setPen(pen);
  dc->setBrush(Qt::NoBrush);
  const double l = box.left(), t = box.top(), w = box.width(), h = box.height();
  switch (glyph) {
    case olGlyph::openFolder: {
      QPainterPath back;
      back.moveTo(l, t + h * 0.85);
      back.lineTo(l, t + h * 0.2);
      back.lineTo(l + w * 0.35, t + h * 0.2);
      back.lineTo(l + w * 0.45, t + h * 0.32);
      back.lineTo(l + w * 0.85, t + h * 0.32);
      back.lineTo(l + w * 0.85, t + h * 0.45);
      dc->drawPath(back);
      QPainterPath front;
      front.moveTo(l, t + h * 0.85);
      front.lineTo(l + w * 0.18, t + h * 0.45);
      front.lineTo(l + w, t + h * 0.45);
      front.lineTo(l + w * 0.82, t + h * 0.85);
      front.closeSubpath();
      dc->drawPath(front);
      break;
    }
    case olGlyph::folder: {
      QPainterPath path;
      path.moveTo(l, t + h * 0.85);
      path.lineTo(l, t + h * 0.2);
      path.lineTo(l + w * 0.38, t + h * 0.2);
      path.lineTo(l + w * 0.48, t + h * 0.32);
      path.lineTo(l + w, t + h * 0.32);
      path.lineTo(l + w, t + h * 0.85);
      path.closeSubpath();
      dc->drawPath(path);
      break;
    }
    case olGlyph::file: {
      QPainterPath path;
      path.moveTo(l + w * 0.2, t);
      path.lineTo(l + w * 0.6, t);
      path.lineTo(l + w * 0.8, t + h * 0.22);
      path.lineTo(l + w * 0.8, t + h);
      path.lineTo(l + w * 0.2, t + h);
      path.closeSubpath();
      dc->drawPath(path);
      dc->drawLine(QPointF(l + w * 0.6, t), QPointF(l + w * 0.6, t + h * 0.22));
      dc->drawLine(QPointF(l + w * 0.6, t + h * 0.22), QPointF(l + w * 0.8, t + h * 0.22));
      break;
    }
    case olGlyph::save: {
      QPainterPath path;
      path.moveTo(l + w * 0.1, t + h * 0.1);
      path.lineTo(l + w * 0.72, t + h * 0.1);
      path.lineTo(l + w * 0.9, t + h * 0.28);
      path.lineTo(l + w * 0.9, t + h * 0.9);
      path.lineTo(l + w * 0.1, t + h * 0.9);
      path.closeSubpath();
      dc->drawPath(path);
      dc->drawRect(QRectF(l + w * 0.28, t + h * 0.1, w * 0.38, h * 0.24));
      dc->drawRect(QRectF(l + w * 0.25, t + h * 0.55, w * 0.5, h * 0.35));
      break;
    }
    case olGlyph::close:
      dc->drawLine(QPointF(l + w * 0.2, t + h * 0.2), QPointF(l + w * 0.8, t + h * 0.8));
      dc->drawLine(QPointF(l + w * 0.8, t + h * 0.2), QPointF(l + w * 0.2, t + h * 0.8));
      break;
    case olGlyph::reset: {  // a circular arrow
      QRectF circle(l + w * 0.12, t + h * 0.12, w * 0.76, h * 0.76);
      dc->drawArc(circle, 100 * 16, 290 * 16);
      const double angle = 100.0 * M_PI / 180.0;
      QPointF tip(circle.center().x() + std::cos(angle) * circle.width() / 2,
                  circle.center().y() - std::sin(angle) * circle.height() / 2);
      dc->drawLine(tip, tip + QPointF(w * 0.24, -h * 0.02));
      dc->drawLine(tip, tip + QPointF(w * 0.08, h * 0.22));
      break;
    }
    case olGlyph::menu:
      for (double y : {0.25, 0.5, 0.75}) dc->drawLine(QPointF(l + w * 0.15, t + h * y), QPointF(l + w * 0.85, t + h * y));
      break;
    case olGlyph::none: break;
  }
  dc->restore();
}

void drawAppIcon(HDC dc, int x, int y, int size) {
  if (!dc || size <= 0) return;
  dc->save();
  dc->setRenderHint(QPainter::Antialiasing, true);
  const double s = size;
  dc->setPen(Qt::NoPen);
  dc->setBrush(QColor(0x00, 0x6C, 0xB8));
  dc->drawRoundedRect(QRectF(x, y, s, s), s * 0.18, s * 0.18);
  // Two pages side by side with a mirror line between them: the two sides being compared.
  const double margin = s * 0.16, gap = s * 0.08, width = (s - 2 * margin - gap) / 2, height = s - 2 * margin;
  dc->setBrush(QColor(0xFF, 0xFF, 0xFF));
  dc->drawRoundedRect(QRectF(x + margin, y + margin, width, height), s * 0.04, s * 0.04);
  dc->setBrush(QColor(0xFF, 0xC8, 0x3D));
  dc->drawRoundedRect(QRectF(x + margin + width + gap, y + margin, width, height), s * 0.04, s * 0.04);
  if (size >= 24) {
    QPen lines(QColor(0x00, 0x6C, 0xB8), std::max(1.0, s / 24));
    dc->setPen(lines);
    for (int i = 1; i <= 3; ++i) {
      double ly = y + margin + height * i / 4.5;
      dc->drawLine(QPointF(x + margin + width * 0.2, ly), QPointF(x + margin + width * 0.8, ly));
      dc->drawLine(QPointF(x + margin + width + gap + width * 0.2, ly),
                   QPointF(x + margin + width + gap + width * (i == 2 ? 0.55 : 0.8), ly));
    }
  }
  dc->restore();
}

namespace {
// Shapes want less contrast than text to be seen.
constexpr double kShapeContrast = 3.0;
}  // namespace

void drawMessageIcon(HDC dc, UINT kind, int x, int y, int size) {
  if (!dc || size <= 0) return;
  dc->save();
  dc->setRenderHint(QPainter::Antialiasing, true);
  const QRectF box(x, y, size, size);
  QColor fill;
  QString mark;
  switch (kind & MB_ICONMASK) {
    case MB_ICONERROR: fill = QColor(0xD1, 0x34, 0x38); mark = QStringLiteral("\u00D7"); break;
    case MB_ICONQUESTION: fill = QColor(0x00, 0x67, 0xC0); mark = QStringLiteral("?"); break;
    case MB_ICONWARNING: fill = QColor(0xF2, 0xB1, 0x00); mark = QStringLiteral("!"); break;
    case MB_ICONINFORMATION: fill = QColor(0x00, 0x67, 0xC0); mark = QStringLiteral("i"); break;
    default: dc->restore(); return;
  }
  // On a background close to its fill (the question icon on a dark blue window) the icon
  // gets a ring in the background's contrasting colour, so that its shape still stands out.
  const COLORREF background = themeColour(olThemeSlot::window);
  const bool ringed = contrastRatio(fromQColor(fill), background) < kShapeContrast ||
                      contrastRatio(fromQColor(fill), themeColour(olThemeSlot::face)) < kShapeContrast;
  if (ringed) dc->setPen(QPen(toQColor(contrastingText(background)), std::max(1.5, size / 16.0)));
  else dc->setPen(Qt::NoPen);
  dc->setBrush(fill);
  if ((kind & MB_ICONMASK) == MB_ICONWARNING) {
    QPainterPath triangle;
    triangle.moveTo(box.center().x(), box.top() + 1);
    triangle.lineTo(box.right() - 1, box.bottom() - 2);
    triangle.lineTo(box.left() + 1, box.bottom() - 2);
    triangle.closeSubpath();
    dc->drawPath(triangle);
  } else {
    dc->drawEllipse(box.adjusted(1, 1, -1, -1));
  }
  QFont font = dc->font();
  font.setBold(true);
  font.setPixelSize(static_cast<int>(size * ((kind & MB_ICONMASK) == MB_ICONERROR ? 0.8 : 0.62)));
  dc->setFont(font);
  dc->setPen((kind & MB_ICONMASK) == MB_ICONWARNING ? QColor(0x20, 0x20, 0x20) : QColor(0xFF, 0xFF, 0xFF));
  dc->drawText(box.adjusted(0, (kind & MB_ICONMASK) == MB_ICONWARNING ? size * 0.1 : 0, 0, 0), Qt::AlignCenter, mark);
  dc->restore();
}

namespace {

// The application icon drawn for whatever size is asked, so that it is sharp on any
// screen: the window manager's, the task switcher's, a HiDPI title bar.
class AppIconEngine : public QIconEngine {
public:
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
    const int size = std::min(rect.width(), rect.height());
    drawAppIcon(painter, rect.x() + (rect.width() - size) / 2, rect.y() + (rect.height() - size) / 2, size);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return pixmap;
  }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) sizes.append(QSize(size, size));
    return sizes;
  }
  QIconEngine* clone() const override { return new AppIconEngine; }
  QString key() const override { return QStringLiteral("mirrane-app-icon"); }
};

}  // namespace

QIcon appIcon() { return QIcon(new AppIconEngine); }

void setAppIcon(HWND hwnd) {
  if (QWidget* widget = widgetOf(hwnd)) widget->setWindowIcon(appIcon());
}
