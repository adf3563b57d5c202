// Language tables: INI stores whose values may refer to other values ("%key",
// "%[section]key", "%app_name"), looked up with "%0" to "%5" replaced by arguments.
#pragma once

#include "foundation/olini.h"

#include <vector>

// A language table. Its own section is "global", the one a lookup without section uses.
// References in a value are expanded once, when the value is stored.
class olmlang : public olini {
public:
  olmlang();

  // The value of key in section ("global" when section is empty) with "%0" to "%5"
  // replaced by the arguments and "%%" by "%". A missing key gives "".
  olstring text(olstring_view section, olstring_view key, olstring_view a0 = {}, olstring_view a1 = {},
                olstring_view a2 = {}, olstring_view a3 = {}, olstring_view a4 = {}, olstring_view a5 = {}) const;

protected:
  void valueHook(olstring_view section, olstring_view key, olstring& value) override;

  // Replaces each reference in value by what it names: a bracketed section's key, else a
  // variable, else a key of the section being filled, else a key of "global". A reference
  // that names nothing, or an empty text, stays as written.
  void expandReferences(olstring_view section, olstring& value, const olstrmap<olstring>* variables) const;
};

// "%%" becomes "%", "%0" to "%5" become the arguments; inserted text is not scanned again.
olstring substituteArguments(olstring_view text, const olstring_view (&arguments)[6]);

// A referenced text inserted into a longer value: the "(&F)" accelerator group removed,
// cut at the first tab (the shortcut text), a trailing "..." removed, single "&" removed.
olstring plainReferenceText(olstring_view text);

// The folder of the language files in the application folder.
inline constexpr olstring_view kLanguageFolderName = u"lang";

struct LanguageEntry {
  olstring fileName;     // without folder, e.g. "english.ini"
  olstring displayName;  // the file's ".info" "name"
};

// The application's kind of table: it knows the program's and maker's names as variables,
// which file it was loaded from, and which language files are installed.
class olmlang2 : public olmlang {
public:
  // Sets the variables "app_name" and "dev_name" to the non-empty names given, then loads
  // defaultPath when one is given (forced, without keeping old texts).
  explicit olmlang2(olstring_view defaultPath = {}, olstring_view programName = {}, olstring_view makerName = {});

  // Loads a language file. A relative path is taken from the application folder. Unless
  // force is set, a file with the current file name (letter case ignored) is not loaded
  // again and the result is true. With keepOldTexts, texts the new file lacks stay as they
  // were. False when nothing usable was read and no earlier language stays in place; the
  // current file name is then cleared.
  bool loadLanguage(olstring_view path, bool keepOldTexts, bool force);

  // The installed languages ("lang/*.ini" in the application folder, names starting with
  // "_" and files without a ".info" "name" left out), sorted by display name. Built on the
  // first call; later calls return the same list.
  const std::vector<LanguageEntry>& languageList();

  // True when the path's file name is that of the language loaded (letter case ignored),
  // so that loading it again can be skipped.
  bool isCurrentFile(olstring_view path) const;

  // The file name (without folder) of the language last loaded; "" when none.
  const olstring& currentFileName() const { return m_fileName; }
  const olstrmap<olstring>& variables() const { return m_variables; }

protected:
  void valueHook(olstring_view section, olstring_view key, olstring& value) override;

private:
  void restoreMissing(const SectionMap& oldSections);

  olstrmap<olstring> m_variables;
  olstring m_fileName;
  std::vector<LanguageEntry> m_languages;
  bool m_listBuilt = false;
};
