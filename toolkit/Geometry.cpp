// Dialog units, the standard button size and caption cleaning.
#include "toolkit/Geometry.h"

#include <QFontMetrics>
#include <QFontMetricsF>

#include <cmath>
#include <map>

#include "platform/Path.h"
#include "toolkit/Theme.h"
#include "toolkit/WindowInternal.h"

olDialogBase dialogBaseUnits(const QFont& font) {
  // Asked at every paint of a window laid out in dialog units (the progress dialog's, dozens
  // of times a second), and shaping the alphabet each time took a good part of the
  // interface thread's time during a compare. Keyed by what the font is, not by its
  // handle: a released handle may come back.
  static std::map<QString, olDialogBase> cache;
  const QString key = font.key();
  auto found = cache.find(key);
  if (found != cache.end()) return found->second;
  QFontMetrics metrics(font);
  int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  const olDialogBase base{(width / 26 + 1) / 2, metrics.height()};
  cache.emplace(key, base);
  return base;
}

namespace {
QFont fontOrUi(HFONT font) { return qfontOf(font ? font : uiFont()); }
int roundedUnits(int n, int base, int divisor) {
  return static_cast<int>(std::lround(static_cast<double>(n) * base / divisor));
}
}  // namespace

int dx(int n, HFONT font) { return roundedUnits(n, dialogBaseUnits(fontOrUi(font)).x, 4); }
int dy(int n, HFONT font) { return roundedUnits(n, dialogBaseUnits(fontOrUi(font)).y, 8); }

SIZE standardButtonSize(HFONT font) {
  SIZE size{dx(50, font), dy(14, font)};
  if (size.cy < 20) {
    float scale = 20.0f / static_cast<float>(std::max(size.cy, 1));
    size.cx = static_cast<int>(static_cast<float>(size.cx) * scale);
    size.cy = 20;
  }
  return size;
}

int lineHeight(HFONT font) { return QFontMetrics(fontOrUi(font)).height(); }

SIZE textExtent(olstring_view text, HFONT font) {
  // The whole-pixel advance is rounded and may come out short of the fractional width the
  // text is drawn and cut with: "Folder vs. file" in a box of its own width lost its end.
  const QFont qfont = fontOrUi(font);
  return {static_cast<int>(std::ceil(QFontMetricsF(qfont).horizontalAdvance(toQString(text)))),
          QFontMetrics(qfont).height()};
}

olstring elideText(olstring_view text, int width, olElide where, HFONT font) {
  const QFontMetrics metrics(fontOrUi(font));
  const QString whole = toQString(text);
  width = std::max(width, 0);
  if (metrics.horizontalAdvance(whole) <= width) return olstring(text);
  if (where == olElide::end) return fromQString(metrics.elidedText(whole, Qt::ElideRight, width));
  const qsizetype lastPart = whole.lastIndexOf(QChar(platform::kPathSeparator));
  const QString name = lastPart < 0 ? QString() : whole.mid(lastPart);
  const int headWidth = width - metrics.horizontalAdvance(name);
  // The head needs room for more than its ellipsis, or the name is cut itself.
  if (name.isEmpty() || headWidth <= metrics.horizontalAdvance(QStringLiteral("\u2026W")))
    return fromQString(metrics.elidedText(whole, Qt::ElideMiddle, width));
  return fromQString(metrics.elidedText(whole.left(lastPart), Qt::ElideRight, headWidth) + name);
}

olstring cleanLabel(olstring_view text, olMarkers markers) {
  size_t start = text.find_first_not_of(u'\t');
  if (start == olstring_view::npos) return {};
  olstring_view label = text.substr(start);
  label = label.substr(0, label.find(u'\t'));
  size_t dots = 0;
  while (dots < label.size() && label[label.size() - 1 - dots] == u'.') ++dots;
  if (dots > 1) label.remove_suffix(dots);
  if (markers == olMarkers::keep) return olstring(label);
  olstring result;
  for (size_t i = 0; i < label.size(); ++i) {
    if (label[i] != u'&') {
      result.push_back(label[i]);
    } else if (i + 1 < label.size() && label[i + 1] == u'&') {
      result += u"&&";
      ++i;
    }
  }
  return result;
}
