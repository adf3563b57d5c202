// When two modification times count as equal: the tolerance the user set, or else the
// step of the coarser of the two sides' file systems, and optionally a shift by exactly one
// hour (a FAT drive keeps local time, so its files move by an hour across a daylight-saving
// change).
#pragma once

#include "engine/CompareOptions.h"
#include "engine/CompareTree.h"

#include <cstdint>

constexpr int64_t kNanosecondsPerHour = 3600LL * 1000000000LL;

struct TimeRule {
  // Two times are equal when they differ by less than this.
  int64_t toleranceNanoseconds = kDefaultTimeStep;
  bool ignoreHourShift = false;
};

// The rule for one compare: options.timeTolerance seconds when positive, else the larger of
// the two sides' steps (in nanoseconds).
TimeRule timeRule(const CompareOptions& options, const uint32_t (&timeStep)[2]);

// The second side's time minus the first's, in nanoseconds.
int64_t modifiedDelta(const SideInfo& first, const SideInfo& second);

// True when the two sides' times count as equal under the rule. At a tolerance of one
// second (the default) that is the same whole second, as times have always been compared;
// above it, a difference of less than the tolerance. With ignoreHourShift, a difference of
// one hour plus or minus what the tolerance allows counts as equal too.
bool sameModifiedTime(const SideInfo& first, const SideInfo& second, const TimeRule& rule);
