// The application's language table and its publication to every thread.

#include "foundation/Language.h"

#include "platform/Path.h"

#include <mutex>
#include <optional>

namespace {

olstring defaultLanguagePath() {
  olstring path(kLanguageFolderName);
  path += platform::kPathSeparator;
  path += kDefaultLanguageFile;
  return path;
}

// The loaders' own table lives only here, touched under m_writer; readers get immutable
// copies. A switch therefore never changes a table that a lookup may be reading.
class LanguageState {
public:
  static LanguageState& instance() {
    static LanguageState state;
    return state;
  }

  bool loadDefault() {
    std::lock_guard writer(m_writer);
    m_master = olmlang2(defaultLanguagePath(), kProgramName, kMakerName);
    m_languages.reset();
    publish();
    return !m_master.currentFileName().empty();
  }

  bool load(olstring_view path, bool keepOldTexts, bool force) {
    std::lock_guard writer(m_writer);
    if (!force && m_master.isCurrentFile(path)) return true;
    olmlang2 next = m_master;
    if (!next.loadLanguage(path, keepOldTexts, force)) return false;
    m_master = std::move(next);
    publish();
    return true;
  }

  bool switchTo(olstring_view fileName) {
    if (!isPlainFileName(fileName)) return false;
    std::lock_guard writer(m_writer);
    if (m_master.isCurrentFile(fileName)) return true;
    // Laid over the language in use, a file that lacks a text would show that language's
    // text instead of the English one; so the new table starts from English alone.
    olmlang2 next(defaultLanguagePath(), kProgramName, kMakerName);
    if (!next.isCurrentFile(fileName)) {
      olstring path(kLanguageFolderName);
      path += platform::kPathSeparator;
      path += fileName;
      next.loadLanguage(path, /*keepOldTexts=*/true, /*force=*/true);
      // Keeping the English texts makes the load succeed even when the file gave nothing.
      if (!next.isCurrentFile(fileName)) return false;
    }
    m_master = std::move(next);
    publish();
    return true;
  }

  std::vector<LanguageEntry> languages() {
    std::lock_guard writer(m_writer);
    // Kept apart from the table, which a switch replaces: the list is read once per run.
    if (!m_languages) m_languages = m_master.languageList();
    return *m_languages;
  }

  std::shared_ptr<const olmlang2> table() {
    std::lock_guard reader(m_published);
    return m_table;
  }

private:
  LanguageState() : m_master({}, kProgramName, kMakerName), m_table(std::make_shared<const olmlang2>(m_master)) {}

  void publish() {
    auto table = std::make_shared<const olmlang2>(m_master);
    std::lock_guard reader(m_published);
    // The replaced table is freed after the lock is released, or by the last reader that
    // still holds it.
    m_table.swap(table);
  }

  static bool isPlainFileName(olstring_view name) {
    return !name.empty() && name != u"." && name != u".." && name.find(platform::kPathSeparator) == olstring_view::npos;
  }

  std::mutex m_writer;
  olmlang2 m_master;
  std::optional<std::vector<LanguageEntry>> m_languages;
  std::mutex m_published;
  std::shared_ptr<const olmlang2> m_table;
};

}  // namespace

olstring langText(olstring_view section, olstring_view key, olstring_view a0, olstring_view a1, olstring_view a2,
                  olstring_view a3, olstring_view a4, olstring_view a5) {
  return LanguageState::instance().table()->text(section, key, a0, a1, a2, a3, a4, a5);
}

bool loadDefaultLanguage() { return LanguageState::instance().loadDefault(); }

bool loadLanguage(olstring_view path, bool keepOldTexts, bool force) {
  return LanguageState::instance().load(path, keepOldTexts, force);
}

bool switchLanguage(olstring_view fileName) { return LanguageState::instance().switchTo(fileName); }

std::vector<LanguageEntry> languageList() { return LanguageState::instance().languages(); }

olstring currentLanguageFile() { return languageTable()->currentFileName(); }

std::shared_ptr<const olmlang2> languageTable() { return LanguageState::instance().table(); }
