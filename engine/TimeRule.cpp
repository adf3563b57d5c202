#include "engine/TimeRule.h"

#include <algorithm>

namespace {

constexpr int64_t kNanosecondsPerSecond = 1000000000;
constexpr int64_t kNanosecondsPerTick = 100;
constexpr int64_t kMaxTicksApart = 90000000000000000LL;

int64_t magnitude(int64_t value) { return value < 0 ? -value : value; }

}  // namespace

TimeRule timeRule(const CompareOptions& options, const uint32_t (&timeStep)[2]) {
  TimeRule rule;
  const uint32_t tolerance = std::min(options.timeTolerance, kMaxTimeTolerance);
  rule.toleranceNanoseconds = tolerance > 0 ? int64_t{tolerance} * kNanosecondsPerSecond
                                            : int64_t{std::max(timeStep[0], timeStep[1])};
  rule.ignoreHourShift = options.ignoreHourShift;
  return rule;
}

int64_t modifiedDelta(const SideInfo& first, const SideInfo& second) {
  // Whole seconds are subtracted as ticks first: two times near each other far from 1601
  // would overflow if each were made nanoseconds on its own.
  int64_t ticks = static_cast<int64_t>(second.modified - first.modified);
  // Times centuries apart (a time before 1601 is kept as 0) would overflow as nanoseconds;
  // they are far apart under any rule, so they are held at about 290 years.
  ticks = std::clamp(ticks, -kMaxTicksApart, kMaxTicksApart);
  return ticks * kNanosecondsPerTick + (int64_t{second.modifiedNanoseconds} - int64_t{first.modifiedNanoseconds});
}

bool sameModifiedTime(const SideInfo& first, const SideInfo& second, const TimeRule& rule) {
  const bool wholeSeconds = rule.toleranceNanoseconds <= kNanosecondsPerSecond;
  // Whole seconds are what each side keeps in modified; kept apart from the nanoseconds so
  // that the one-second rule is exactly the same second.
  const int64_t delta = wholeSeconds ? modifiedDelta(first, second) - (int64_t{second.modifiedNanoseconds} -
                                                                       int64_t{first.modifiedNanoseconds})
                                     : modifiedDelta(first, second);
  const auto within = [&](int64_t apart) {
    return wholeSeconds ? apart == 0 : magnitude(apart) < rule.toleranceNanoseconds;
  };
  if (within(delta)) return true;
  return rule.ignoreHourShift && (within(delta - kNanosecondsPerHour) || within(delta + kNanosecondsPerHour));
}
