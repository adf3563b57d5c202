// Every (section, key) the program looks up in the language file, in one place per section.
// A key added to a list here is checked against lang/english.ini by the tests, so a text
// cannot be forgotten. To add a key: add one line to its section's list below.
#pragma once

#include "foundation/Language.h"

#include <span>

struct LanguageKey {
  olstring_view section;
  olstring_view key;
};

// Looks a key up as langText does.
inline olstring langText(const LanguageKey& key, olstring_view a0 = {}, olstring_view a1 = {}, olstring_view a2 = {},
                         olstring_view a3 = {}, olstring_view a4 = {}, olstring_view a5 = {}) {
  return langText(key.section, key.key, a0, a1, a2, a3, a4, a5);
}

// Each list names (constant, key text). The constants live in a namespace named after the
// section, e.g. lang::progress::kPrepareCount.

// "locale" names the language for the platform's own texts (the file dialog's buttons):
// "de", "pt_BR"; the platform's English where it has no translation for it.
#define MIRRANE_LANG_INFO(KEY) KEY(kName, u"name") KEY(kLocale, u"locale")

#define MIRRANE_LANG_GLOBAL(KEY)                                                 \
  /* message box buttons and common buttons */                                   \
  KEY(kOk, u"ok")                                                                \
  KEY(kCancel, u"cancel")                                                        \
  KEY(kYes, u"yes")                                                              \
  KEY(kNo, u"no")                                                                \
  KEY(kContinue, u"continue")                                                    \
  KEY(kAbort, u"abort")                                                          \
  KEY(kRetry, u"retry")                                                          \
  KEY(kIgnore, u"ignore")                                                        \
  KEY(kTryAgain, u"tryagain")                                                    \
  KEY(kClose, u"close")                                                          \
  KEY(kPause, u"pause")                                                          \
  KEY(kResume, u"resume")                                                        \
  /* main menu */                                                                \
  KEY(kTheme, u"theme")                                                          \
  KEY(kFont, u"font")                                                            \
  KEY(kLanguage, u"language")                                                    \
  KEY(kHelp, u"help")                                                            \
  KEY(kCmdlineMenu, u"cmdline_menu")                                             \
  KEY(kDonate, u"donate")                                                        \
  KEY(kAbout, u"about")                                                          \
  KEY(kAboutText, u"about_text")                                                 \
  KEY(kCmdlineInfo, u"cmdline_info")                                             \
  KEY(kLanguageFailed, u"language_failed")                                       \
  /* compare panel and main window */                                            \
  KEY(kLoad, u"load")                                                            \
  KEY(kSave, u"save")                                                            \
  KEY(kReset, u"reset")                                                          \
  KEY(kMore, u"more")                                                            \
  KEY(kCompare, u"compare")                                                      \
  KEY(kDiffs, u"diffs")                                                          \
  KEY(kAll, u"all")                                                              \
  KEY(kItemsInfo, u"items_info")                                                 \
  KEY(kItemInfo, u"item_info")                                                   \
  KEY(kReady, u"ready")                                                          \
  KEY(kEmpty, u"empty")                                                          \
  KEY(kNothingDiffers, u"nothing_differs")                                       \
  /* file dialog filters */                                                      \
  KEY(kExtMrn, u"ext_mrn")                                                       \
  KEY(kExtArchive, u"ext_archive")                                               \
  KEY(kExtListing, u"ext_listing")                                               \
  KEY(kExtAll, u"ext_all")

#define MIRRANE_LANG_COMPARE_OPTIONS(KEY) \
  KEY(kPath0, u"path0")                   \
  KEY(kPath1, u"path1")                   \
  KEY(kExclude, u"exclude")               \
  KEY(kBrowse, u"browse")                 \
  KEY(kForceFile, u"forcefile")           \
  KEY(kCase, u"case")                     \
  KEY(kMtime, u"mtime")                   \
  KEY(kAttr, u"attr")                     \
  KEY(kAdjustPath, u"adjustpath")         \
  KEY(kAutoSkip, u"autoskip")             \
  KEY(kTextMode, u"textmode")             \
  KEY(kIgnoreFiles, u"ignorefiles")       \
  KEY(kIgnoreHourShift, u"ignorehourshift") \
  KEY(kTimeTolerance, u"timetolerance")   \
  KEY(kTimeToleranceAuto, u"timetolerance_auto") \
  KEY(kTimeToleranceSeconds, u"timetolerance_seconds") \
  KEY(kFolder, u"folder")                 \
  KEY(kFile, u"file")                     \
  KEY(kErrSame, u"err_same")              \
  KEY(kErrForceFile, u"err_forcefile")    \
  KEY(kSuggestForceFile, u"suggest_forcefile") \
  KEY(kErrLoadProject, u"err_load_project") \
  KEY(kErrSaveProject, u"err_save_project") \
  KEY(kProjectNothingUsable, u"project_empty")

#define MIRRANE_LANG_PROGRESS(KEY)        \
  KEY(kTitle, u"title")                   \
  KEY(kPrepare, u"prepare")               \
  KEY(kUnpack, u"unpack")                 \
  KEY(kCompare, u"compare")               \
  KEY(kStatistics, u"statistics")         \
  KEY(kPrepareCount, u"prepare_count")    \
  KEY(kCount, u"count")                   \
  KEY(kListing, u"listing")               \
  KEY(kPairBytes, u"pair_bytes")

// Verdicts and the difference descriptions of a row.
#define MIRRANE_LANG_DIFF(KEY)              \
  KEY(kNoDiff, u"no_diff")                  \
  KEY(kDiff, u"diff")                       \
  KEY(kFirstMissing, u"first_missing")      \
  KEY(kSecondMissing, u"second_missing")    \
  KEY(kType, u"type")                       \
  KEY(kName, u"name")                       \
  KEY(kNameForm, u"name_form")              \
  KEY(kData, u"data")                       \
  KEY(kSize, u"size")                       \
  KEY(kTime, u"time")                       \
  KEY(kAttr, u"attr")

// Content categories shown in the details dialog.
#define MIRRANE_LANG_DETAILS(KEY)                 \
  KEY(kDataIgnore, u"data_ignore")                \
  KEY(kDataDiff, u"data_diff")                    \
  KEY(kDataSameBin, u"data_same_bin")             \
  KEY(kDataSameTxt, u"data_same_txt")             \
  KEY(kDataSameBinPart, u"data_same_binpart")   \
  /* content compared by hash where a side comes from a listing */ \
  KEY(kDataHashed, u"data_hashed")                \
  /* a side from a listing: %0 the host, %1 when it was saved */ \
  KEY(kListingSource, u"listing_source")          \
  /* which side's time is later, %0 by how much ("2 s", "1 h 3 s") */ \
  KEY(kTimeFirstNewer, u"time_first_newer")      \
  KEY(kTimeSecondNewer, u"time_second_newer")    \
  /* the details dialog's type names where the desktop has none */ \
  KEY(kFolderType, u"folder_type")                \
  KEY(kFileType, u"file_type")                    \
  KEY(kExtensionType, u"extension_type")          \
  /* what decided the content's verdict; numbers come grouped as the locale writes them */ \
  KEY(kExplainEmpty, u"explain_empty")            \
  /* %0 the size compared; for text %0 and %1 the two sizes */ \
  KEY(kExplainEqual, u"explain_equal")            \
  KEY(kExplainEqualText, u"explain_equal_text")   \
  /* %0 blocks compared, %1 blocks of the file, %2 the share in percent */ \
  KEY(kExplainSampled, u"explain_sampled")        \
  /* %0 the offset of the first differing byte; sampled: %1 blocks compared of %2 */ \
  KEY(kExplainOffset, u"explain_offset")          \
  KEY(kExplainOffsetSampled, u"explain_offset_sampled") \
  /* text: %0 the line, %1 the offset; differing per side: %0 %1 first, %2 %3 second */ \
  KEY(kExplainLine, u"explain_line")              \
  KEY(kExplainLines, u"explain_lines")            \
  /* one text ends: %0 its side, %1 %2 its line and offset; %3 the other side, %4 %5 */ \
  KEY(kExplainEnds, u"explain_ends")              \
  /* %0 the size read and hashed from the disk */ \
  KEY(kExplainHashed, u"explain_hashed")          \
  KEY(kExplainHashedListed, u"explain_hashed_listed") \
  KEY(kExplainSizes, u"explain_sizes")            \
  KEY(kExplainSizesQuick, u"explain_sizes_quick") \
  KEY(kExplainAlready, u"explain_already")        \
  KEY(kExplainSpecial, u"explain_special")        \
  /* %0 the error's text, %1 side_first or side_second */ \
  KEY(kExplainUnreadable, u"explain_unreadable")  \
  /* %0 side_first or side_second */ \
  KEY(kExplainChanged, u"explain_changed")        \
  KEY(kExplainNoMemory, u"explain_no_memory")     \
  KEY(kExplainNotHashed, u"explain_not_hashed")   \
  KEY(kSideFirst, u"side_first")                  \
  KEY(kSideSecond, u"side_second")

// The results list's context menu; "find" also titles the find dialog, "details" the
// details dialog.
#define MIRRANE_LANG_MENU_LISTVIEW(KEY)       \
  KEY(kDetails, u"details")                   \
  KEY(kOpen, u"open")                         \
  KEY(kOpenFolder, u"open_folder")            \
  KEY(kFirst, u"first")                       \
  KEY(kSecond, u"second")                     \
  KEY(kNextDiff, u"next_diff")                \
  KEY(kPrevDiff, u"prev_diff")                \
  KEY(kFind, u"find")                         \
  KEY(kFindNext, u"findnext")                 \
  KEY(kFindPrev, u"findprev")                 \
  KEY(kFindAll, u"findall")                   \
  KEY(kSelectAll, u"selectall")               \
  KEY(kDeselectAll, u"deselectall")           \
  KEY(kInvertSelection, u"invertselection")

// Byte sizes in 1024-based units; %0 is the number.
#define MIRRANE_LANG_SIZE(KEY) \
  KEY(kByte, u"byte")          \
  KEY(kBytes, u"bytes")        \
  KEY(kKiB, u"kib")            \
  KEY(kMiB, u"mib")            \
  KEY(kGiB, u"gib")            \
  KEY(kTiB, u"tib")            \
  KEY(kPiB, u"pib")            \
  KEY(kEiB, u"eib")

#define MIRRANE_LANG_MENU_RESET(KEY)      \
  KEY(kResetOpt, u"resetopt")             \
  KEY(kResetPanel, u"resetpanel")         \
  KEY(kClearResult, u"clearresult")

// Theme labels are keyed by the toolkit's theme names; a missing label shows the name.
#define MIRRANE_LANG_THEME(KEY)                \
  KEY(kSystemDefault, u"System Default")       \
  KEY(kLight, u"Light")                        \
  KEY(kDark, u"Dark")                          \
  KEY(kBlue, u"Blue")                          \
  KEY(kGreen, u"Green")

// Console mode: "fail" gets %0 the error code, %1 its text; "success" %0 the exit code;
// "no_diff" and "diff" %0 only-in-first, %1 differing, %2 only-in-second counts. The others
// say why a command line compares nothing (%0 a path, an option or a project file; %1 for
// "project_unreadable" the error text).
#define MIRRANE_LANG_CONSOLE(KEY)                     \
  KEY(kFail, u"fail")                                 \
  KEY(kSuccess, u"success")                           \
  KEY(kNoDiff, u"no_diff")                            \
  KEY(kDiff, u"diff")                                 \
  KEY(kNoPath, u"no_path")                            \
  KEY(kOnePath, u"one_path")                          \
  KEY(kNoWindow, u"no_window")                        \
  KEY(kNoDisplay, u"no_display")                      \
  KEY(kWindowMissing, u"window_missing")              \
  KEY(kEmptyArgument, u"empty_argument")              \
  KEY(kSamePath, u"same_path")                        \
  KEY(kProjectNotAbsolute, u"project_relative")       \
  KEY(kProjectNotFound, u"project_missing")           \
  KEY(kProjectUnreadable, u"project_unreadable")      \
  KEY(kProjectNothingUsable, u"project_empty")        \
  KEY(kUnknownOption, u"unknown_option")              \
  KEY(kBadTimeTolerance, u"bad_time_tolerance")      \
  KEY(kIgnoredPath, u"ignored_path")                  \
  KEY(kLogKept, u"log_kept")                          \
  KEY(kReportNoFile, u"report_no_file")               \
  KEY(kReportAllAlone, u"report_all_alone")           \
  KEY(kReportNeedsHide, u"report_needs_hide")         \
  KEY(kReportReplacesInput, u"report_replaces_input") \
  KEY(kReportUnwritable, u"report_unwritable")        \
  KEY(kReportFailed, u"report_failed")                \
  KEY(kSaveNoFile, u"save_no_file")                   \
  KEY(kSaveNoPath, u"save_no_path")                   \
  KEY(kSaveTwoPaths, u"save_two_paths")               \
  KEY(kSaveWithReport, u"save_with_report")           \
  KEY(kSaveReplacesInput, u"save_replaces_input")     \
  KEY(kSaveUnwritable, u"save_unwritable")            \
  KEY(kSaveFailed, u"save_failed")                    \
  KEY(kSaveNotSaved, u"save_not_saved")               \
  KEY(kSaved, u"saved")                               \
  KEY(kSavedIncomplete, u"saved_incomplete")          \
  KEY(kUnreadableItem, u"unreadable_item")            \
  /* --exit-trouble: %0 the value given; %0 how many pairs could not be read */ \
  KEY(kExitTroubleValue, u"exit_trouble_value")       \
  KEY(kPairsUnreadable, u"pairs_unreadable")

// What a screen reader says of what the windows draw themselves. The results list is a
// table of rows: a row's cells ("file_cell" %0 name, %1 size, %2 time; "attr_cell" %0 a
// cell, %1 its attributes) and its verdict, the differences in words. "summary" gets %0
// differing, %1 only-in-first, %2 only-in-second and %3 equal counts, "summary_same" %0
// the equal count; "first_path"/"second_path" %0 a path; "status" %0 the status text and
// %1 the verdict of the selected row. The details dialog's lines: "detail_line" %0 the
// line's label, %1 and %2 the two sides' values ("detail_first"/"detail_second" one side).
// "splitter_keys" tells how the splitter moves: the splitter's tooltip and description.
#define MIRRANE_LANG_ACCESSIBLE(KEY)          \
  KEY(kResults, u"results")                   \
  KEY(kFirstColumn, u"first_column")          \
  KEY(kSecondColumn, u"second_column")        \
  KEY(kFileCell, u"file_cell")                \
  KEY(kAttrCell, u"attr_cell")                \
  KEY(kFolderCell, u"folder_cell")            \
  KEY(kAbsentFirst, u"absent_first")          \
  KEY(kAbsentSecond, u"absent_second")        \
  KEY(kSame, u"same")                         \
  KEY(kOnlyFirst, u"only_first")              \
  KEY(kOnlySecond, u"only_second")            \
  KEY(kType, u"type")                         \
  KEY(kName, u"name")                         \
  KEY(kNameForm, u"name_form")                \
  KEY(kData, u"data")                         \
  KEY(kSize, u"size")                         \
  KEY(kTime, u"time")                         \
  KEY(kAttr, u"attr")                         \
  KEY(kSummary, u"summary")                   \
  KEY(kSummarySame, u"summary_same")          \
  KEY(kFirstPath, u"first_path")              \
  KEY(kSecondPath, u"second_path")            \
  KEY(kStatus, u"status")                     \
  KEY(kSplitter, u"splitter")                 \
  KEY(kSplitterKeys, u"splitter_keys")        \
  KEY(kDetailPath, u"detail_path")            \
  KEY(kDetailType, u"detail_type")            \
  KEY(kDetailSize, u"detail_size")            \
  KEY(kDetailTime, u"detail_time")            \
  KEY(kDetailAttr, u"detail_attr")            \
  KEY(kDetailListing, u"detail_listing")      \
  KEY(kDetailLine, u"detail_line")            \
  KEY(kDetailFirst, u"detail_first")          \
  KEY(kDetailSecond, u"detail_second")        \
  KEY(kMarkEqual, u"mark_equal")              \
  KEY(kMarkIgnored, u"mark_ignored")          \
  KEY(kMarkDifferent, u"mark_different")

// The program's own error codes, keyed "0x%.8x"; code 0 is a compare that found nothing.
#define MIRRANE_LANG_ERROR(KEY)            \
  KEY(kNothingToCompare, u"0x00000000")    \
  KEY(kCancelled, u"0xf0000001")           \
  KEY(kArchiveGaveNoFolder, u"0xf0000002") \
  KEY(kNoRoomToUnpack, u"0xf0000003")     \
  KEY(kBadListing, u"0xf0000004")         \
  KEY(kListingOfListing, u"0xf0000005")   \
  KEY(kIgnoreFileIsLink, u"0xf0000006")

// What is wrong with a listing that cannot be used: %0 the line, %1 a detail (a path, a
// member's name, a number).
#define MIRRANE_LANG_LISTING(KEY)          \
  KEY(kNotJson, u"not_json")               \
  KEY(kTooLong, u"too_long")               \
  KEY(kUnknownType, u"unknown_type")       \
  KEY(kUnknownFormat, u"unknown_format")   \
  KEY(kBadMember, u"bad_member")           \
  KEY(kBadPath, u"bad_path")               \
  KEY(kRepeatedPath, u"repeated_path")     \
  KEY(kNoHash, u"no_hash")                 \
  KEY(kNoFolder, u"no_folder")             \
  KEY(kIncomplete, u"incomplete")          \
  KEY(kTruncated, u"truncated")            \
  KEY(kAfterSummary, u"after_summary")     \
  KEY(kCountMismatch, u"count_mismatch")

namespace lang {

#define MIRRANE_LANG_CONSTANT(name, text) inline constexpr LanguageKey name{kSection, text};
#define MIRRANE_LANG_ENTRY(name, text) name,
#define MIRRANE_LANG_SECTION(space, sectionText, LIST)                 \
  namespace space {                                                    \
  inline constexpr olstring_view kSection = sectionText;               \
  LIST(MIRRANE_LANG_CONSTANT)                                          \
  inline constexpr LanguageKey kEveryKey[] = {LIST(MIRRANE_LANG_ENTRY)}; \
  }

MIRRANE_LANG_SECTION(info, u".info", MIRRANE_LANG_INFO)
MIRRANE_LANG_SECTION(global, u"global", MIRRANE_LANG_GLOBAL)
MIRRANE_LANG_SECTION(compare_options, u"compare_options", MIRRANE_LANG_COMPARE_OPTIONS)
MIRRANE_LANG_SECTION(progress, u"progress", MIRRANE_LANG_PROGRESS)
MIRRANE_LANG_SECTION(diff, u"diff", MIRRANE_LANG_DIFF)
MIRRANE_LANG_SECTION(details, u"details", MIRRANE_LANG_DETAILS)
MIRRANE_LANG_SECTION(size, u"size", MIRRANE_LANG_SIZE)
MIRRANE_LANG_SECTION(menu_listview, u"menu_listview", MIRRANE_LANG_MENU_LISTVIEW)
MIRRANE_LANG_SECTION(menu_reset, u"menu_reset", MIRRANE_LANG_MENU_RESET)
MIRRANE_LANG_SECTION(theme, u"theme", MIRRANE_LANG_THEME)
MIRRANE_LANG_SECTION(console, u"console", MIRRANE_LANG_CONSOLE)
MIRRANE_LANG_SECTION(error, u"error", MIRRANE_LANG_ERROR)
MIRRANE_LANG_SECTION(listing, u"listing", MIRRANE_LANG_LISTING)
MIRRANE_LANG_SECTION(accessible, u"accessible", MIRRANE_LANG_ACCESSIBLE)

#undef MIRRANE_LANG_SECTION
#undef MIRRANE_LANG_ENTRY
#undef MIRRANE_LANG_CONSTANT

// Every section's keys; a new section must be added here too.
inline constexpr std::span<const LanguageKey> kAllSections[] = {
    info::kEveryKey,          global::kEveryKey,     compare_options::kEveryKey, progress::kEveryKey,
    diff::kEveryKey,          details::kEveryKey,    menu_listview::kEveryKey,   menu_reset::kEveryKey,
    theme::kEveryKey,         console::kEveryKey,    error::kEveryKey,
    size::kEveryKey,          listing::kEveryKey,    accessible::kEveryKey,
};

}  // namespace lang
