// The boolean compare options, one row each, with everything the readers of the switches
// need to know about one: project files, the command line, the report header and the
// information panel all go through this table, so that a new switch is one row here and its
// use in the engine.
#pragma once

#include "engine/CompareOptions.h"
#include "foundation/CommandIds.h"
#include "foundation/LanguageKeys.h"

// The groups of the information panel's check boxes, top to bottom, a gap between two.
enum class SwitchGroup {
  mode,  // how the two paths are taken
  what,  // what is compared
  how,   // how the compare goes about it
};

struct CompareSwitch {
  bool CompareOptions::*option;
  // The key in project files and, as the same key, in the report header's options.
  olstring_view key;
  // The command line's option word, with an optional "+" or "-" before it.
  olstring_view word;
  // The check box's caption (language section "compare_options").
  LanguageKey caption;
  // The check box in the information panel, which is also the command of a menu item that
  // shows the switch. Within its group the panel puts the boxes in the order of these ids.
  int controlId;
  SwitchGroup group;
};

// In the order the report header lists them.
inline constexpr CompareSwitch kCompareSwitches[] = {
    {&CompareOptions::compareCase, u"case", u"case", lang::compare_options::kCase, control_id::kCase,
     SwitchGroup::what},
    {&CompareOptions::modifyTime, u"modify_time", u"time", lang::compare_options::kMtime, control_id::kModifyTime,
     SwitchGroup::what},
    {&CompareOptions::attr, u"attr", u"attr", lang::compare_options::kAttr, control_id::kAttributes,
     SwitchGroup::what},
    {&CompareOptions::textMode, u"text_mode", u"txt", lang::compare_options::kTextMode, control_id::kTextMode,
     SwitchGroup::how},
    {&CompareOptions::adjustPath, u"adjust_path", u"apath", lang::compare_options::kAdjustPath,
     control_id::kAdjustPath, SwitchGroup::how},
    {&CompareOptions::autoSkip, u"auto_skip", u"fast", lang::compare_options::kAutoSkip, control_id::kAutoSkip,
     SwitchGroup::how},
    {&CompareOptions::forceFile, u"force_file", u"file", lang::compare_options::kForceFile, control_id::kForceFile,
     SwitchGroup::mode},
    {&CompareOptions::ignoreFiles, u"ignore_files", u"ignore", lang::compare_options::kIgnoreFiles,
     control_id::kIgnoreFiles, SwitchGroup::what},
    {&CompareOptions::ignoreHourShift, u"ignore_hour_shift", u"ignore-hour-shift", lang::compare_options::kIgnoreHourShift,
     control_id::kIgnoreHourShift, SwitchGroup::what},
};

// The one compare option that is a number: the time tolerance in seconds (0 automatic).
// Its key in project files and the report header, and its command-line option
// ("--time-tolerance=SECONDS").
inline constexpr olstring_view kTimeToleranceKey = u"time_tolerance";
inline constexpr olstring_view kTimeToleranceOption = u"--time-tolerance";
inline constexpr size_t kCompareSwitchCount = std::size(kCompareSwitches);

// Copies every switch from one set of options to another.
inline void copySwitches(const CompareOptions& from, CompareOptions& to) {
  for (const CompareSwitch& entry : kCompareSwitches) to.*entry.option = from.*entry.option;
}
