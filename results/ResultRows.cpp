#include "results/ResultRows.h"

#include "foundation/LanguageKeys.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

using namespace ItemFlags;

void ResultRows::clear() {
  // Swapping with empty containers gives the memory back; clear() would keep the blocks.
  std::deque<const CompareItem*>().swap(m_items);
  std::deque<uint32_t>().swap(m_links);
  m_largestSize[0] = m_largestSize[1] = 0;
  m_attributesSeen[0] = m_attributesSeen[1] = 0;
  m_treeItems = 0;
}

// Walks the tree once, appending rows. Recursion follows the tree's depth, which the
// length of a path bounds.
class RowBuilder {
public:
  RowBuilder(ResultRows& rows, RowFilter filter, RowShape shape)
      : m_rows(rows), m_links(filter == RowFilter::allItems || shape == RowShape::tree) {
    rows.m_filter = filter;
    rows.m_shape = shape;
  }

  void walkAll(const CompareItem& parent, int parentRow) {
    for (auto it = parent.children.begin(); it != parent.children.end(); ++it) {
      const CompareItem& child = it->second;
      ++m_rows.m_treeItems;
      const int row = append(child, parentRow);
      if (std::next(it) == parent.children.end()) markLast(row);
      if (!child.children.empty()) walkAll(child, row);
    }
  }

  void walkDifferenceTree(const CompareItem& parent, int parentRow) {
    int lastKept = -1;
    for (const auto& [key, child] : parent.children) {
      ++m_rows.m_treeItems;
      const int row = append(child, parentRow);
      if (!child.children.empty()) walkDifferenceTree(child, row);
      if (child.flags == 0 && m_rows.m_items.size() == size_t(row) + 1) {
        // Neither the item nor anything below it differs.
        m_rows.m_items.pop_back();
        m_rows.m_links.pop_back();
        continue;
      }
      lastKept = row;
    }
    if (lastKept >= 0) markLast(lastKept);
  }

  void walkDifferencesFlat(const CompareItem& parent) {
    for (const auto& [key, child] : parent.children) {
      ++m_rows.m_treeItems;
      if (child.flags != 0) append(child, -1);
      // A differing file deep inside an unchanged folder still shows.
      if (!child.children.empty()) walkDifferencesFlat(child);
    }
  }

private:
  int append(const CompareItem& item, int parentRow) {
    const int row = static_cast<int>(m_rows.m_items.size());
    m_rows.m_items.push_back(&item);
    if (m_links) m_rows.m_links.push_back(static_cast<uint32_t>(parentRow + 1));
    for (int side = 0; side < 2; ++side) {
      const SideInfo& info = item.side[side];
      if (!info.present()) continue;
      if (!info.isFolder()) m_rows.m_largestSize[side] = std::max(m_rows.m_largestSize[side], info.size);
      m_rows.m_attributesSeen[side] |= info.attributes & ~kFolderAttribute;
    }
    return row;
  }

  void markLast(int row) { m_rows.m_links[size_t(row)] |= ResultRows::kLastBit; }

  ResultRows& m_rows;
  bool m_links;
};

void buildRows(const CompareItem& root, ResultRows& rows, RowFilter filter, RowShape shape) {
  RowBuilder builder(rows, filter, shape);
  if (filter == RowFilter::allItems) builder.walkAll(root, -1);
  else if (shape == RowShape::tree) builder.walkDifferenceTree(root, -1);
  else builder.walkDifferencesFlat(root);
}

// ---- highlights and descriptions

RowHighlights highlightsOf(const CompareItem& item) {
  const uint32_t flags = item.flags;
  const bool anyFolder = item.side[0].isFolder() || item.side[1].isFolder();
  const bool presenceOrType = flags & (kMissing | kTypeDiffers);
  const bool contentRead = (flags & kContentDiffers) && !(flags & kContentSkipped);
  RowHighlights highlights;
  highlights.name = (flags & (kMissing | kTypeDiffers | kNameCase | kNameForm)) || (!anyFolder && !presenceOrType && contentRead);
  highlights.size = !presenceOrType && !anyFolder && (flags & kContentDiffers) && item.side[0].size != item.side[1].size;
  highlights.attributes = flags & kAttrDiffers;
  highlights.time = flags & kTimeDiffers;
  return highlights;
}

namespace {

// One kind of difference: the flag that marks it, and its words on a badge and for a
// screen reader; with the variant flag also set, the variant's words. In the order the
// kinds are told. A new kind of verdict is one row here.
struct DifferenceKind {
  uint32_t flag;
  uint32_t variant;
  LanguageKey badge;
  LanguageKey variantBadge;
  LanguageKey spoken;
  LanguageKey variantSpoken;
};

constexpr DifferenceKind kDifferenceKinds[] = {
    {kMissing, kMissingSecond, lang::diff::kFirstMissing, lang::diff::kSecondMissing, lang::accessible::kOnlySecond,
     lang::accessible::kOnlyFirst},
    {kTypeDiffers, 0, lang::diff::kType, lang::diff::kType, lang::accessible::kType, lang::accessible::kType},
    {kNameCase, 0, lang::diff::kName, lang::diff::kName, lang::accessible::kName, lang::accessible::kName},
    {kNameForm, 0, lang::diff::kNameForm, lang::diff::kNameForm, lang::accessible::kNameForm,
     lang::accessible::kNameForm},
    {kContentDiffers, kContentSkipped, lang::diff::kData, lang::diff::kSize, lang::accessible::kData,
     lang::accessible::kSize},
    {kTimeDiffers, 0, lang::diff::kTime, lang::diff::kTime, lang::accessible::kTime, lang::accessible::kTime},
    {kAttrDiffers, 0, lang::diff::kAttr, lang::diff::kAttr, lang::accessible::kAttr, lang::accessible::kAttr},
};

enum class Wording { badge, spoken };

olstring describe(uint32_t flags, Wording wording) {
  if (flags == 0) return langText(wording == Wording::badge ? lang::diff::kNoDiff : lang::accessible::kSame);
  olstring text;
  for (const DifferenceKind& kind : kDifferenceKinds) {
    if ((flags & kind.flag) == 0) continue;
    const bool variant = kind.variant != 0 && (flags & kind.variant) != 0;
    const LanguageKey& key = wording == Wording::badge ? (variant ? kind.variantBadge : kind.badge)
                                                       : (variant ? kind.variantSpoken : kind.spoken);
    if (!text.empty()) text += u", ";
    text += langText(key);
  }
  return text;
}

}  // namespace

olstring describeDifferences(uint32_t flags) { return describe(flags, Wording::badge); }

olstring describeVerdict(uint32_t flags) { return describe(flags, Wording::spoken); }

// ---- the difference colour

namespace {

struct Hsl {
  double hue;  // 0..1
  double saturation;
  double lightness;
};

Hsl toHsl(COLORREF colour) {
  const double r = redOf(colour) / 255.0, g = greenOf(colour) / 255.0, b = blueOf(colour) / 255.0;
  const double high = std::max({r, g, b}), low = std::min({r, g, b});
  Hsl hsl{0, 0, (high + low) / 2};
  const double chroma = high - low;
  if (chroma <= 0) return hsl;
  hsl.saturation = chroma / (1 - std::fabs(2 * hsl.lightness - 1));
  double hue;
  if (high == r) hue = std::fmod((g - b) / chroma, 6.0);
  else if (high == g) hue = (b - r) / chroma + 2;
  else hue = (r - g) / chroma + 4;
  hsl.hue = hue / 6;
  if (hsl.hue < 0) hsl.hue += 1;
  return hsl;
}

COLORREF fromHsl(const Hsl& hsl) {
  const double chroma = (1 - std::fabs(2 * hsl.lightness - 1)) * hsl.saturation;
  const double h = hsl.hue * 6;
  const double x = chroma * (1 - std::fabs(std::fmod(h, 2.0) - 1));
  double r = 0, g = 0, b = 0;
  if (h < 1) r = chroma, g = x;
  else if (h < 2) r = x, g = chroma;
  else if (h < 3) g = chroma, b = x;
  else if (h < 4) g = x, b = chroma;
  else if (h < 5) r = x, b = chroma;
  else r = chroma, b = x;
  const double m = hsl.lightness - chroma / 2;
  auto channel = [m](double value) { return static_cast<unsigned>(std::lround(std::clamp(value + m, 0.0, 1.0) * 255)); };
  return RGB(channel(r), channel(g), channel(b));
}

constexpr double kLightnessDistance = 0.4;

}  // namespace

COLORREF differenceColour(COLORREF background) {
  // The list draws from the UI thread only; the cache needs no lock.
  static std::unordered_map<COLORREF, COLORREF> cache;
  background &= 0xFFFFFF;
  if (auto found = cache.find(background); found != cache.end()) return found->second;
  Hsl base = toHsl(kDifferenceColour);
  const double backgroundLightness = toHsl(background).lightness;
  COLORREF result = kDifferenceColour;
  // A small tolerance keeps the exact 0.4 of the base on white from flipping on rounding.
  if (std::fabs(base.lightness - backgroundLightness) < kLightnessDistance - 1e-9) {
    base.lightness = backgroundLightness <= 0.5 ? backgroundLightness + kLightnessDistance
                                                : backgroundLightness - kLightnessDistance;
    result = fromHsl(base);
  }
  cache.emplace(background, result);
  return result;
}
