// Local date and time texts through the C library's locale (set by the program's entry
// point with setlocale(LC_ALL, "")).

#include "platform/Locale.h"

#include "platform/FolderListing.h"
#include "platform/Text.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

// The locale's time format tells whether it writes a 12-hour clock.
bool localeUsesAmPm() {
  const char* format = nl_langinfo(T_FMT);
  if (format == nullptr) return false;
  return std::strstr(format, "%p") != nullptr || std::strstr(format, "%r") != nullptr ||
         std::strstr(format, "%I") != nullptr || std::strstr(format, "%l") != nullptr;
}

bool localTimeOf(uint64_t fileTime, struct tm& local) {
  const int64_t seconds = static_cast<int64_t>(fileTime / 10000000ULL) - kEpochDifferenceSeconds;
  const time_t posixTime = static_cast<time_t>(seconds);
  return localtime_r(&posixTime, &local) != nullptr;
}

// The C and POSIX locales (also "C.UTF-8") write "12/08/26": month or day first, no century.
// Dates there are written as ISO 8601 says, which nobody misreads.
bool isNeutralTimeLocale() {
  const char* name = std::setlocale(LC_TIME, nullptr);
  if (name == nullptr) return true;
  return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 || std::strncmp(name, "C.", 2) == 0;
}

// The date and the time, joined by one space; either alone when the other came out empty.
std::u16string dateAndTime(const struct tm& local, const char* timeFormat) {
  char date[128];
  char time[128];
  const size_t dateLength = std::strftime(date, sizeof date, isNeutralTimeLocale() ? "%Y-%m-%d" : "%x", &local);
  const size_t timeLength = std::strftime(time, sizeof time, timeFormat, &local);
  std::string text(date, dateLength);
  if (dateLength != 0 && timeLength != 0) text += ' ';
  text.append(time, timeLength);
  return utf8ToUtf16(text);
}

}  // namespace

std::u16string shortDateTimeText(uint64_t fileTime) {
  struct tm local;
  if (!localTimeOf(fileTime, local)) return {};
  return dateAndTime(local, localeUsesAmPm() ? "%I:%M %p" : "%H:%M");
}

std::u16string dateTimeWithSecondsText(uint64_t fileTime) {
  struct tm local;
  if (!localTimeOf(fileTime, local)) return {};
  return dateAndTime(local, "%X");
}

std::u16string currentDateTimeWithSeconds() {
  const time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local) == nullptr) return {};
  return dateAndTime(local, "%X");
}

std::u16string decimalSeparator() {
  const char* radix = nl_langinfo(RADIXCHAR);
  if (radix == nullptr || *radix == '\0') return u".";
  return utf8ToUtf16(radix);
}

std::u16string thousandsSeparator() {
  const char* separator = nl_langinfo(THOUSEP);
  if (separator == nullptr) return {};
  return utf8ToUtf16(separator);
}

}  // namespace platform
