// The application object of the windowed program and the web pages it opens.
#pragma once

#include "toolkit/App.h"

// The maker's site; the program's pages live below it.
constexpr char16_t kMakerSite[] = u"https://olumbe.net";
constexpr char16_t kHomePage[] = u"/mirrane/";
constexpr char16_t kHelpPage[] = u"/mirrane/help.html";
constexpr char16_t kDetailsHelpPage[] = u"/mirrane/help.html#details";
constexpr char16_t kDonatePage[] = u"/purchase/donate.php?id=mirrane";

// Opens one of the pages above in the default browser.
bool openWebPage(olstring_view page);

class CMirraneApp : public olBaseApp {
public:
  CMirraneApp();
  // The help page in the default browser.
  void help() override;
};
