// Language tables: reference expansion, argument substitution, loading with fallback, and
// the list of installed languages.

#include "foundation/olmlang.h"

#include "foundation/Paths.h"
#include "platform/FolderListing.h"
#include "platform/Path.h"

#include <algorithm>
#include <map>

namespace {

constexpr olstring_view kGlobalSection = u"global";
constexpr olstring_view kInfoSection = u".info";

// A hand-written file could make every line double the one before through references;
// expansion stops growing a value beyond this many code units and leaves the rest as
// written instead of exhausting memory.
constexpr size_t kMaxExpandedLength = 1 << 16;

bool isNameCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-' || c == u'_';
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool hasIniExtension(olstring_view name) {
  constexpr olstring_view kExtension = u".ini";
  return name.size() > kExtension.size() && platform::equalsNoCase(name.substr(name.size() - kExtension.size()), kExtension);
}

// Removes a "(&F)" or "[&F]" accelerator group whose "&" is the text's first one.
void removeAcceleratorGroup(olstring& text) {
  const size_t amp = text.find(u'&');
  if (amp == olstring::npos || text.size() <= 4 || amp == 0 || amp + 2 >= text.size()) return;
  const char16_t open = text[amp - 1];
  const char16_t close = text[amp + 2];
  if (text[amp + 1] == u'&') return;
  if ((open == u'(' && close == u')') || (open == u'[' && close == u']')) text.erase(amp - 1, 4);
}

}  // namespace

olstring substituteArguments(olstring_view text, const olstring_view (&arguments)[6]) {
  olstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'%' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    const char16_t next = text[i + 1];
    if (next == u'%') {
      out += u'%';
      ++i;
    } else if (next >= u'0' && next <= u'5') {
      out += arguments[next - u'0'];
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

olstring plainReferenceText(olstring_view text) {
  olstring plain(text);
  removeAcceleratorGroup(plain);
  size_t start = 0;
  while (start < plain.size() && plain[start] == u'\t') ++start;
  const size_t tab = plain.find(u'\t', start);
  if (tab != olstring::npos) plain.resize(tab);
  const size_t dotsEnd = plain.size();
  size_t dots = 0;
  while (dots < dotsEnd && plain[dotsEnd - dots - 1] == u'.') ++dots;
  if (dots == 3) plain.resize(dotsEnd - 3);
  olstring out;
  out.reserve(plain.size());
  for (size_t i = 0; i < plain.size(); ++i) {
    if (plain[i] != u'&') {
      out += plain[i];
    } else if (i + 1 < plain.size() && plain[i + 1] == u'&') {
      out += u"&&";
      ++i;
    }
  }
  return out;
}

olmlang::olmlang() : olini(kGlobalSection) {}

olstring olmlang::text(olstring_view section, olstring_view key, olstring_view a0, olstring_view a1,
                       olstring_view a2, olstring_view a3, olstring_view a4, olstring_view a5) const {
  const olstring value = get(section.empty() ? kGlobalSection : section, key);
  if (value.find(u'%') == olstring::npos) return value;
  const olstring_view arguments[6] = {a0, a1, a2, a3, a4, a5};
  return substituteArguments(value, arguments);
}

void olmlang::valueHook(olstring_view section, olstring_view, olstring& value) {
  expandReferences(section, value, nullptr);
}

void olmlang::expandReferences(olstring_view section, olstring& value, const olstrmap<olstring>* variables) const {
  if (value.find(u'%') == olstring::npos) return;
  const olstring input = std::move(value);
  olstring& out = value;
  out.clear();
  // Texts made plain once per value: a long value may name the same few keys many times.
  std::map<const olstring*, olstring> plainTexts;
  size_t copied = 0;  // input before this position is in out
  size_t scan = 0;
  // Once no "]" follows, none can start a bracketed section later either; remembering it
  // keeps a line full of "%[" from being searched again and again.
  bool noClosingBracket = false;
  for (;;) {
    const size_t percent = input.find(u'%', scan);
    if (percent == olstring::npos) break;
    size_t position = percent + 1;
    if (position < input.size() && (input[position] == u'%' || isDigit(input[position]))) {
      scan = position + 1;
      continue;
    }
    olstring_view referencedSection;
    bool bracketed = false;
    if (position < input.size() && input[position] == u'[' && !noClosingBracket) {
      const size_t close = input.find(u']', position + 1);
      noClosingBracket = close == olstring::npos;
      if (!noClosingBracket) {
        referencedSection = olstring_view(input).substr(position + 1, close - position - 1);
        bracketed = true;
        position = close + 1;
      }
    }
    size_t end = position;
    while (end < input.size() && isNameCharacter(input[end])) ++end;
    while (end > position && (input[end - 1] == u'-' || input[end - 1] == u'_')) --end;
    if (end == position) {
      scan = percent + 1;
      continue;
    }
    scan = end;
    const olstring_view name = olstring_view(input).substr(position, end - position);
    const olstring* resolved = nullptr;
    if (bracketed) {
      resolved = find(referencedSection, name);
    } else if (variables != nullptr && variables->count(name) != 0) {
      resolved = &variables->find(name)->second;
    } else {
      resolved = find(section, name);
      if (resolved == nullptr) resolved = find(kGlobalSection, name);
    }
    if (resolved == nullptr || resolved->empty()) continue;
    const size_t room = kMaxExpandedLength - std::min(kMaxExpandedLength, out.size() + (percent - copied) + (input.size() - end));
    if (resolved->size() > room) continue;
    const bool whole = percent == 0 && end == input.size();
    auto plain = plainTexts.find(resolved);
    if (!whole && plain == plainTexts.end()) plain = plainTexts.emplace(resolved, plainReferenceText(*resolved)).first;
    out.append(input, copied, percent - copied);
    out += whole ? *resolved : plain->second;
    copied = end;
  }
  out.append(input, copied);
}

olmlang2::olmlang2(olstring_view defaultPath, olstring_view programName, olstring_view makerName) {
  if (!programName.empty()) m_variables.emplace(u"app_name", programName);
  if (!makerName.empty()) m_variables.emplace(u"dev_name", makerName);
  if (!defaultPath.empty()) loadLanguage(defaultPath, /*keepOldTexts=*/false, /*force=*/true);
}

void olmlang2::valueHook(olstring_view section, olstring_view, olstring& value) {
  expandReferences(section, value, &m_variables);
}

bool olmlang2::isCurrentFile(olstring_view path) const {
  return !m_fileName.empty() && platform::equalsNoCase(m_fileName, fileNamePart(path));
}

bool olmlang2::loadLanguage(olstring_view path, bool keepOldTexts, bool force) {
  if (!force && isCurrentFile(path)) return true;
  const olstring fileName(fileNamePart(path));
  const olstring fullPath = absolutePathKind(path) == PathRoot::relative ? joinPath(platform::applicationFolder(), path) : olstring(path);
  SectionMap oldSections;
  if (keepOldTexts) oldSections = sections();
  const bool loaded = loadFile(fullPath);
  if (keepOldTexts) restoreMissing(oldSections);
  if (loaded) {
    m_fileName = fileName;
    return true;
  }
  if (keepOldTexts && !m_fileName.empty()) return true;
  m_fileName.clear();
  return false;
}

void olmlang2::restoreMissing(const SectionMap& oldSections) {
  SectionMap& current = mutableSections();
  for (const auto& [section, keys] : oldSections) {
    auto [entry, added] = current.try_emplace(section, keys);
    if (added) continue;
    for (const auto& [key, value] : keys) entry->second.try_emplace(key, value);
  }
}

const std::vector<LanguageEntry>& olmlang2::languageList() {
  if (m_listBuilt) return m_languages;
  m_listBuilt = true;
  platform::FolderListing listing;
  if (!listing.open(joinPath(platform::applicationFolder(), kLanguageFolderName))) return m_languages;
  platform::FolderEntry entry;
  while (listing.next(entry)) {
    const olstring& name = entry.name;
    if (name.empty() || name.front() == u'_' || !hasIniExtension(name)) continue;
    olini file(kGlobalSection);
    if (!file.loadFile(joinPath(platform::applicationFolder(), joinPath(kLanguageFolderName, name)))) continue;
    olstring displayName = file.get(kInfoSection, u"name");
    if (!displayName.empty()) m_languages.push_back({name, std::move(displayName)});
  }
  // The platform lists a folder in no useful order; the menu reads better sorted.
  std::sort(m_languages.begin(), m_languages.end(), [](const LanguageEntry& a, const LanguageEntry& b) {
    return platform::compareNoCase(a.fileName, b.fileName) < 0;
  });
  return m_languages;
}
