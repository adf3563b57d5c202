// The INI document behind every settings, project and language file: sections of key/value
// strings, letter case ignored in section and key names, read from and written to text.
#pragma once

#include "foundation/olstring.h"

class olini {
public:
  using KeyMap = olstrmap<olstring>;
  using SectionMap = olstrmap<KeyMap>;

  // An empty store whose own section (the one callers pass when they keep all their keys in
  // one place) is sectionName.
  explicit olini(olstring_view sectionName = {});
  virtual ~olini() = default;
  olini(const olini&) = default;
  olini& operator=(const olini&) = default;
  olini(olini&&) = default;
  olini& operator=(olini&&) = default;

  // Clears the store and parses the file's text. False (and an empty store) when the file
  // is missing or unreadable or holds no section with a key.
  bool loadFile(olstring_view path);
  // Clears the store and parses the text; true when the store is non-empty afterwards.
  // Malformed lines are dropped; there are no parse errors.
  bool parseText(olstring_view text);
  // The whole store as INI text with CR LF line ends; an empty store gives "".
  olstring formatText() const;
  // Writes formatText() as UTF-16LE with a byte-order mark, replacing the file atomically
  // and creating missing folders. False when it could not be written; the old file then
  // keeps its content.
  bool saveFile(olstring_view path) const;

  // The stored value, or "" when section or key is empty or not present.
  olstring get(olstring_view section, olstring_view key) const;
  // The stored value, or nullptr when not present (tells a missing key from an empty value).
  const olstring* find(olstring_view section, olstring_view key) const;
  // Stores a value after passing it through the value hook. False, storing nothing, when
  // section or key is empty. A key already present keeps the spelling it was first given.
  bool set(olstring_view section, olstring_view key, olstring_view value);

  const SectionMap& sections() const { return m_sections; }
  const olstring& sectionName() const { return m_sectionName; }
  bool empty() const { return m_sections.empty(); }
  void clear() { m_sections.clear(); }

protected:
  // Sees every value entering the store through set() or parsing, before it is stored.
  // The base class leaves the value alone.
  virtual void valueHook(olstring_view section, olstring_view key, olstring& value);

  // For derived tables that put back texts from an earlier copy.
  SectionMap& mutableSections() { return m_sections; }

private:
  void store(olstring_view section, olstring_view key, olstring value);

  SectionMap m_sections;
  olstring m_sectionName;
};

// The escape rules of the INI syntax, shared with code that builds INI text by hand.
// unescapeIniText turns backslash + n, r, t, backslash, double and single quote into the
// character; any other backslash stays. escapeIniText is its inverse for one name or value.
olstring unescapeIniText(olstring_view text);
olstring escapeIniText(olstring_view text);
