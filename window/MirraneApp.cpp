#include "window/MirraneApp.h"

#include "toolkit/Shell.h"

bool openWebPage(olstring_view page) { return openUrl(webPageUrl(page)); }

CMirraneApp::CMirraneApp() { setAppName(u"Mirrane"); }

void CMirraneApp::help() { openWebPage(kHelpPage); }
