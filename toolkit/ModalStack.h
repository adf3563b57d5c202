// The one stack of nested event loops the program runs: modal dialogs (runModal) and
// message-loop waits (runMessageLoopUntil), innermost last. After every message the loops
// whose end has come are left; a quit message ends them all. Private to the toolkit.
#pragma once

#include <functional>

#include "toolkit/Types.h"

class QEventLoop;
class olDialog;

struct olModalEntry {
  enum class Kind { dialog, wait };
  Kind kind = Kind::dialog;
  // A dialog entry: the dialog (cleared when the dialog is deleted inside its own loop), its
  // window and the end code the loop ends with.
  olDialog* dialog = nullptr;
  HWND hwnd = nullptr;
  int endCode = 0;
  // A wait entry: the condition that ends it.
  const std::function<bool()>* done = nullptr;
  QEventLoop* loop = nullptr;
};

namespace modal_stack {

// Pushes the entry, runs its loop until its end comes (not at all when it has come
// already), and pops it. The first loop of an empty stack forgets an earlier quit.
void run(olModalEntry& entry);
// How many modal dialogs run.
size_t dialogDepth();
// The window a new modal dialog belongs to: the innermost modal dialog, else the main
// window, climbing from children to their top-level window.
HWND ownerForNewDialog();
// The hooks a queued message passes before Qt dispatches it: the application's
// pre-translation, then the innermost modal dialog's filter and keyboard handling. A wait
// that began inside that dialog's loop (a compare run from the main window) keeps the
// filter out, so that no hotkey fires while it runs. True when the message was consumed.
bool hooksConsume(MSG& msg);
// Leaves the loops whose end has come: a dialog whose end code is set or whose window is
// gone, a wait whose condition holds.
void endLoopsThatAreDone();
// Ends every modal dialog's loop with the code (the test reaper).
void endAllDialogs(int code);
// The quit: every loop ends, and loops started inside them end at once until clearQuit or
// until a new outermost loop begins.
void quit(int exitCode);
bool quitReceived();
int exitCode();
void clearQuit();

}  // namespace modal_stack
