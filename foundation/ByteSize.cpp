#include "foundation/ByteSize.h"

#include "foundation/LanguageKeys.h"
#include "platform/Locale.h"

#include <algorithm>
#include <iterator>

namespace {

struct Unit {
  LanguageKey text;
  // Shown when the language has no text for the unit: a size must never come out empty.
  olstring_view symbol;
};

const Unit kUnits[] = {
    {lang::size::kBytes, u"bytes"}, {lang::size::kKiB, u"KiB"}, {lang::size::kMiB, u"MiB"},
    {lang::size::kGiB, u"GiB"},     {lang::size::kTiB, u"TiB"}, {lang::size::kPiB, u"PiB"},
    {lang::size::kEiB, u"EiB"},
};

olstring decimal(uint64_t value) {
  olstring digits;
  do {
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return digits;
}

olstring withUnit(const Unit& unit, olstring_view number) {
  olstring text = langText(unit.text, number);
  if (text.empty()) text = olstring(number) + u' ' + olstring(unit.symbol);
  return text;
}

}  // namespace

namespace {

// How byteSizeText writes a size: the unit and the digits after the separator.
struct SizeForm {
  size_t unit = 0;
  int fractionDigits = 0;
};

SizeForm formOf(uint64_t bytes) {
  if (bytes < 1000) return {};
  // The unit in which the size has at most three whole digits (16 EiB at most fit in EiB).
  size_t unit = 1;
  while (unit + 1 < std::size(kUnits) && (bytes >> (10 * unit)) >= 1000) ++unit;
  const uint64_t whole = bytes >> (10 * unit);
  return {unit, whole < 10 ? 2 : whole < 100 ? 1 : 0};
}

olstring numberInForm(uint64_t bytes, SizeForm form) {
  if (form.unit == 0) return decimal(bytes);
  const unsigned shift = static_cast<unsigned>(10 * form.unit);
  uint64_t scale = 1;
  for (int i = 0; i < form.fractionDigits; ++i) scale *= 10;
  // The size times 10^digits, cut to a whole number; 128 bits hold any 64-bit size times 100.
  const auto scaled = static_cast<uint64_t>((static_cast<unsigned __int128>(bytes) * scale) >> shift);
  olstring number = decimal(scaled / scale);
  if (form.fractionDigits != 0) {
    olstring fraction = decimal(scaled % scale);
    fraction.insert(fraction.begin(), static_cast<size_t>(form.fractionDigits) - fraction.size(), u'0');
    number += platform::decimalSeparator() + fraction;
  }
  return number;
}

}  // namespace

olstring byteSizeText(uint64_t bytes) {
  if (bytes == 1) return withUnit(Unit{lang::size::kByte, u"byte"}, u"1");
  const SizeForm form = formOf(bytes);
  return withUnit(kUnits[form.unit], numberInForm(bytes, form));
}

olstring byteSizeNumber(uint64_t bytes, uint64_t reference) { return numberInForm(bytes, formOf(reference)); }

olstring groupedNumberText(uint64_t value) {
  olstring separator = platform::thousandsSeparator();
  if (separator.empty()) separator = u" ";
  const olstring digits = decimal(value);
  olstring text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) text += separator;
    text += digits[i];
  }
  return text;
}

olstring percentText(uint64_t part, uint64_t whole) {
  if (whole == 0) return u"0";
  part = std::min(part, whole);
  // Tenths of a percent; 128 bits hold any count times 1000.
  auto tenths = static_cast<uint64_t>(static_cast<unsigned __int128>(part) * 1000 / whole);
  if (tenths == 0 && part != 0) tenths = 1;
  if (tenths >= 100 || tenths % 10 == 0) return decimal(tenths / 10);
  return decimal(tenths / 10) + platform::decimalSeparator() + decimal(tenths % 10);
}
