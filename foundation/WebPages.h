// The maker's web pages the program opens: the home page, the help and its sections, and
// the donation page.
#pragma once

#include "foundation/olstring.h"

// The maker's site; the program's pages live below it.
constexpr char16_t kMakerSite[] = u"https://olumbe.net";
constexpr char16_t kHomePage[] = u"/mirrane/";
constexpr char16_t kHelpPage[] = u"/mirrane/help.html";
constexpr char16_t kDetailsHelpPage[] = u"/mirrane/help.html#details";
constexpr char16_t kDonatePage[] = u"/purchase/donate.php?id=mirrane";

// The full address of one of the pages above.
inline olstring webPageUrl(olstring_view page) { return olstring(kMakerSite) + olstring(page); }
