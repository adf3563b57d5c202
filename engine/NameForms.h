// Names that are one name written in two Unicode forms: macOS writes names decomposed
// ("e" + U+0301), Linux and Windows programs mostly composed ("é"). Such names pair as one
// item and the difference is told as one of form, not as two items each on one side.
// Only names that are not ASCII are ever normalized, so ASCII trees pay nothing.
#pragma once

#include "engine/CompareTree.h"
#include "foundation/olstring.h"

#include <vector>

// True when every code unit is below 0x80.
bool isAsciiName(olstring_view name);

// The name's composed form (NFC), which is the name itself for ASCII names and for names
// holding bytes that are not UTF-8 (those pair only byte for byte).
olstring nameFormKey(olstring_view name);

// How the names of a pair differ. inForm: they are spelled differently, not merely in
// letter case, yet are one name once composed (and, where case also differs, once case is
// ignored). inCase: once composed, they still differ (in letter case, since they paired).
struct NameDifference {
  bool inForm = false;
  bool inCase = false;
};
NameDifference compareNames(olstring_view first, olstring_view second);

// The pairing step between exact spellings and letter case. For each name (entries of one
// side of folder not yet paired), the child that lacks this side and whose name has the
// same composed form, or else one whose composed form is equal ignoring letter case; or
// folder.children.end(). Each child is given to one name at most, names in their order.
// Names that are ASCII, and every name when no child lacking this side has a name that is
// not ASCII, are answered with end() without any normalizing.
std::vector<ItemChildren::iterator> findNameFormPartners(CompareItem& folder, int side,
                                                         const std::vector<olstring_view>& names);
