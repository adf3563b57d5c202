// Byte sizes and the locale's number and time texts they and the details rely on.

#include "foundation/ByteSize.h"
#include "foundation/Language.h"
#include "platform/Locale.h"
#include "platform/Path.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <string>

using testing_support::ScopedLocale;

namespace {

// 2024-01-23 12:34:56 UTC as a file time.
constexpr uint64_t kFileTime = (1706013296ULL + 11644473600ULL) * 10000000ULL + 1234567;

// The English texts of the source tree, and the application folder put back afterwards.
class EnglishTexts {
public:
  EnglishTexts() : m_previous(platform::applicationFolder()) {
    platform::setApplicationFolder(fromUtf8(MIRRANE_SOURCE_DIR));
    loaded = loadDefaultLanguage();
  }
  ~EnglishTexts() { platform::setApplicationFolder(m_previous); }
  bool loaded = false;

private:
  olstring m_previous;
};

}  // namespace

TEST(ByteSize, ThreeDigitsCutNeverRoundedUp) {
  EnglishTexts english;
  ASSERT_TRUE(english.loaded);
  ScopedLocale c(LC_NUMERIC, "C");
  struct Case {
    uint64_t bytes;
    const char16_t* text;
  };
  const Case cases[] = {
      {0, u"0 bytes"},
      {1, u"1 byte"},
      {532, u"532 bytes"},
      {999, u"999 bytes"},
      // From 1000 on the count would need four digits: the next unit takes over.
      {1000, u"0.97 KiB"},
      {1023, u"0.99 KiB"},
      {1024, u"1.00 KiB"},
      {1340, u"1.30 KiB"},
      {1535, u"1.49 KiB"},  // 1.499: cut, not rounded to 1.50
      {23506, u"22.9 KiB"},
      {1023999, u"999 KiB"},
      {1048575, u"0.99 MiB"},  // one byte short of 1 MiB never shows as 1.00
      {2400016, u"2.28 MiB"},
      {2400000000ULL, u"2.23 GiB"},
      {1099511627776ULL, u"1.00 TiB"},
      {9223372036854775807ULL, u"7.99 EiB"},
      {18446744073709551615ULL, u"15.9 EiB"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.bytes);
    EXPECT_EQ(byteSizeText(test.bytes), test.text);
  }
}

TEST(ByteSize, APartIsWrittenInTheTermsOfItsWhole) {
  ScopedLocale c(LC_NUMERIC, "C");
  struct Case {
    uint64_t part;
    uint64_t whole;
    const char16_t* number;
  };
  const Case cases[] = {
      {4509715661ULL, 20000000000ULL, u"4.2"},  // of "18.6 GiB": one digit after the point
      {20000000000ULL, 20000000000ULL, u"18.6"},
      {1048576, 5242880, u"1.00"},  // of "5.00 MiB"
      {700, 900, u"700"},           // of "900 bytes": a count
      {900, 1100000000000ULL, u"0.00"},  // of "1.00 TiB"
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.part);
    EXPECT_EQ(byteSizeNumber(test.part, test.whole), test.number);
  }
}

TEST(ByteSize, ALanguageWithoutUnitsAndTheLocalesSeparator) {
  {
    // A language without the units still shows a size.
    testing_support::TempFolder folder;
    testing_support::writeFileBytes(folder.path("bare.ini"), "[.info]\nname = Bare\n");
    ASSERT_TRUE(loadLanguage(folder.widePath("bare.ini"), false, true));
    EXPECT_EQ(byteSizeText(2400016), u"2.28 MiB");
    EXPECT_EQ(byteSizeText(532), u"532 bytes");
    EXPECT_EQ(byteSizeText(1), u"1 byte");
  }
  EnglishTexts english;
  ASSERT_TRUE(english.loaded);
  ScopedLocale german(LC_NUMERIC, "de_DE.UTF-8");
  if (!german.active) GTEST_SKIP() << "no German locale can be made here (package locales)";
  EXPECT_EQ(platform::decimalSeparator(), u",");
  EXPECT_EQ(byteSizeText(23506), u"22,9 KiB");
  EXPECT_EQ(byteSizeText(2400016), u"2,28 MiB");
  EXPECT_EQ(byteSizeText(999), u"999 bytes");
}

TEST(ByteSize, CountsGroupedAndSharesCutAsTheLocaleWritesThem) {
  struct Case {
    uint64_t part;
    uint64_t whole;
    const char16_t* grouped;  // part, grouped
    const char16_t* percent;
  };
  // In the C locale, which groups nothing, a space groups as the sizes in the lists do.
  const Case c[] = {
      {0, 0, u"0", u"0"},
      {999, 1000, u"999", u"99"},  // whole numbers from 10 %
      {1000, 1000, u"1 000", u"100"},
      {1, 1000000, u"1", u"0.1"},  // never 0 for a part that is not 0
      {15, 1000, u"15", u"1.5"},
      {9999, 10000, u"9 999", u"99"},  // cut: a part short of the whole never shows 100
      {18446744073709551615ULL, 18446744073709551615ULL, u"18 446 744 073 709 551 615", u"100"},
  };
  {
    ScopedLocale locale(LC_NUMERIC, "C");
    for (const Case& test : c) {
      SCOPED_TRACE(test.part);
      EXPECT_EQ(groupedNumberText(test.part), test.grouped);
      EXPECT_EQ(percentText(test.part, test.whole), test.percent);
    }
  }
  ScopedLocale german(LC_NUMERIC, "de_DE.UTF-8");
  if (!german.active) GTEST_SKIP() << "no German locale can be made here (package locales)";
  EXPECT_EQ(groupedNumberText(2098152), u"2.098.152");
  EXPECT_EQ(groupedNumberText(999), u"999");
  EXPECT_EQ(percentText(15, 1000), u"1,5");
}

TEST(Locale, DatesWithAndWithoutSeconds) {
  const char* previousZone = std::getenv("TZ");
  const std::string savedZone = previousZone ? previousZone : "";
  setenv("TZ", "UTC", 1);
  tzset();
  {
    // The C and POSIX locales' own "01/23/24" reads two ways: ISO 8601 instead.
    for (const char* neutral : {"C", "POSIX", "C.UTF-8"}) {
      ScopedLocale c(LC_TIME, neutral);
      if (!c.active) continue;
      SCOPED_TRACE(neutral);
      EXPECT_EQ(platform::dateTimeWithSecondsText(kFileTime), u"2024-01-23 12:34:56");
      EXPECT_EQ(platform::shortDateTimeText(kFileTime), u"2024-01-23 12:34");
    }
  }
  {
    ScopedLocale german(LC_TIME, "de_DE.UTF-8");
    if (german.active) {
      EXPECT_EQ(platform::dateTimeWithSecondsText(kFileTime), u"23.01.2024 12:34:56");
    }
  }
  if (previousZone) {
    setenv("TZ", savedZone.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
