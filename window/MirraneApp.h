// The application object of the windowed program and the web pages it opens.
#pragma once

#include "foundation/WebPages.h"
#include "toolkit/App.h"

// Opens one of the pages above in the default browser.
bool openWebPage(olstring_view page);

class CMirraneApp : public olBaseApp {
public:
  CMirraneApp();
  // The help page in the default browser.
  void help() override;
};
