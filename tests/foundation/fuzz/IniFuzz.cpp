// Feeds arbitrary text to the INI parser. Besides crashes it catches a written form that
// does not read back as the store it came from: writing, reading and writing again must
// give the same text and the same store. The same text, cut into sections, keys and values,
// is also stored directly (as the program stores settings), which makes stores no parse
// could give: written and read back, each must be the very same store. The language
// table's reference expansion and lookup run on the same text.

#include "foundation/olini.h"
#include "foundation/olmlang.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Bytes starting with a UTF-16LE byte-order mark become raw code units (lone surrogates,
// NULs and every other unit included); anything else is read as UTF-8, as files mostly are.
olstring textFromBytes(const uint8_t* data, size_t size) {
  if (size < 2 || data[0] != 0xFF || data[1] != 0xFE) {
    return fromUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  olstring text;
  for (size_t i = 2; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
  return text;
}

[[noreturn]] void fail(const char* what, const olstring& first, const olstring& second) {
  std::fprintf(stderr, "%s\n--- first ---\n%s\n--- second ---\n%s\n", what, toUtf8(first).c_str(),
               toUtf8(second).c_str());
  std::abort();
}

void checkInvariants(const olini& ini, const olstring& written) {
  for (const auto& [section, keys] : ini.sections()) {
    if (section.empty() || keys.empty()) fail("empty section name or empty section", written, section);
    for (const auto& entry : keys) {
      if (entry.first.empty()) fail("empty key", written, section);
    }
  }
}

// Stores the text's pieces (cut at U+0001) as section, key and value triples.
olini storeOfPieces(const olstring& text) {
  std::vector<olstring> pieces;
  size_t start = 0;
  for (size_t cut; (cut = text.find(u'\x01', start)) != olstring::npos; start = cut + 1) {
    pieces.push_back(text.substr(start, cut - start));
  }
  pieces.push_back(text.substr(start));
  olini store(u"global");
  for (size_t i = 0; i + 2 < pieces.size(); i += 3) store.set(pieces[i], pieces[i + 1], pieces[i + 2]);
  return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const olstring text = textFromBytes(data, size);

  olini first(u"global");
  const bool any = first.parseText(text);
  if (any == first.empty()) fail("parse result disagrees with the store", text, first.formatText());
  const olstring once = first.formatText();
  checkInvariants(first, once);

  olini second(u"global");
  second.parseText(once);
  const olstring twice = second.formatText();
  if (twice != once) fail("written form is not stable", once, twice);
  if (second.sections() != first.sections()) fail("written form reads back as another store", once, twice);

  const olini stored = storeOfPieces(text);
  const olstring storedText = stored.formatText();
  olini readBack(u"global");
  readBack.parseText(storedText);
  if (readBack.sections() != stored.sections()) fail("a stored store does not read back", storedText, readBack.formatText());

  olmlang2 table({}, u"Mirrane", u"Olumbe");
  table.parseText(text);
  for (const auto& [section, keys] : table.sections()) {
    for (const auto& [key, value] : keys) {
      (void)table.text(section, key, u"a0", u"%1", u"", u"a3", u"a4", u"a5");
      (void)plainReferenceText(value);
    }
  }
  return 0;
}
