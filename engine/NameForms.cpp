#include "engine/NameForms.h"

#include "platform/Text.h"

#include <map>

namespace {

struct NoCaseLess {
  bool operator()(const olstring& a, const olstring& b) const { return platform::compareNoCase(a, b) < 0; }
};

}  // namespace

bool isAsciiName(olstring_view name) {
  for (const char16_t unit : name) {
    if (unit >= 0x80) return false;
  }
  return true;
}

olstring nameFormKey(olstring_view name) {
  if (isAsciiName(name)) return olstring(name);
  return platform::composedForm(name);
}

NameDifference compareNames(olstring_view first, olstring_view second) {
  NameDifference difference;
  if (first == second) return difference;
  if (isAsciiName(first) && isAsciiName(second)) {
    difference.inCase = true;
    return difference;
  }
  const olstring composed[2] = {nameFormKey(first), nameFormKey(second)};
  difference.inCase = composed[0] != composed[1];
  // Spelled apart beyond letter case, yet one name once composed.
  difference.inForm = !platform::equalsNoCase(first, second) && platform::equalsNoCase(composed[0], composed[1]);
  return difference;
}

std::vector<ItemChildren::iterator> findNameFormPartners(CompareItem& folder, int side,
                                                         const std::vector<olstring_view>& names) {
  ItemChildren& children = folder.children;
  std::vector<ItemChildren::iterator> partners(names.size(), children.end());
  bool anyToPair = false;
  for (const olstring_view name : names) anyToPair = anyToPair || !isAsciiName(name);
  if (!anyToPair) return partners;
  // The children still waiting for this side, by composed form ignoring case: built once
  // for the folder, and only where a name could need it.
  std::multimap<olstring, ItemChildren::iterator, NoCaseLess> waiting;
  for (auto it = children.begin(); it != children.end(); ++it) {
    const SideInfo& other = it->second.side[1 - side];
    if (it->second.side[side].present() || !other.present() || isAsciiName(other.name)) continue;
    waiting.emplace(nameFormKey(other.name), it);
  }
  if (waiting.empty()) return partners;
  std::vector<olstring> keys(names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    if (!isAsciiName(names[i])) keys[i] = nameFormKey(names[i]);
  }
  // The same composed form first, so that a name whose forms also differ in case never
  // takes the partner of one that matches more closely.
  for (const bool ignoringCase : {false, true}) {
    for (size_t i = 0; i < names.size(); ++i) {
      if (keys[i].empty() || partners[i] != children.end()) continue;
      auto [first, last] = waiting.equal_range(keys[i]);
      for (auto candidate = first; candidate != last; ++candidate) {
        if (!ignoringCase && candidate->first != keys[i]) continue;
        partners[i] = candidate->second;
        waiting.erase(candidate);
        break;
      }
    }
  }
  return partners;
}
