// The modal stack: nested QEventLoops for modal dialogs and message-loop waits, the hooks
// queued messages pass, and the quit message that ends them all.
#include "toolkit/ModalStack.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <vector>

#include "toolkit/App.h"
#include "toolkit/Dialog.h"
#include "toolkit/WindowInternal.h"

namespace {

std::vector<olModalEntry*> g_entries;
bool g_quitReceived = false;
int g_exitCode = 0;

bool hasEnded(const olModalEntry& entry) {
  if (g_quitReceived) return true;
  if (entry.kind == olModalEntry::Kind::wait) return (*entry.done)();
  return !entry.dialog || !isWindow(entry.hwnd) || entry.dialog->endCode() != 0;
}

// The innermost modal dialog's entry, and whether a wait runs above it.
olModalEntry* innermostDialog(bool* waitAbove = nullptr) {
  if (waitAbove) *waitAbove = false;
  for (auto it = g_entries.rbegin(); it != g_entries.rend(); ++it) {
    if ((*it)->kind == olModalEntry::Kind::dialog) return *it;
    if (waitAbove) *waitAbove = true;
  }
  return nullptr;
}

}  // namespace

namespace modal_stack {

void run(olModalEntry& entry) {
  // A loop that starts while none runs is a new main loop: a quit that ended the loops
  // before it has done its work.
  if (g_entries.empty()) clearQuit();
  QEventLoop loop;
  entry.loop = &loop;
  g_entries.push_back(&entry);
  if (!hasEnded(entry))
    loop.exec(entry.kind == olModalEntry::Kind::dialog ? QEventLoop::DialogExec : QEventLoop::AllEvents);
  g_entries.erase(std::find(g_entries.begin(), g_entries.end(), &entry));
  entry.loop = nullptr;
  // A quit ends every loop, the outer ones as well.
  if (g_quitReceived)
    for (olModalEntry* outer : g_entries) outer->loop->exit();
}

size_t dialogDepth() {
  return static_cast<size_t>(std::count_if(g_entries.begin(), g_entries.end(), [](const olModalEntry* entry) {
    return entry->kind == olModalEntry::Kind::dialog;
  }));
}

HWND ownerForNewDialog() {
  HWND owner = nullptr;
  for (auto it = g_entries.rbegin(); it != g_entries.rend() && !owner; ++it)
    if ((*it)->kind == olModalEntry::Kind::dialog && isWindow((*it)->hwnd)) owner = (*it)->hwnd;
  if (!owner) owner = mainWindowHandle();
  return owner ? getAncestorRoot(owner) : nullptr;
}

bool hooksConsume(MSG& msg) {
  if (olApp* app = olApp::instance(); app && app->preTranslateMessage(msg)) return true;
  bool waitAbove = false;
  olModalEntry* entry = innermostDialog(&waitAbove);
  olDialog* modal = entry ? entry->dialog : nullptr;
  if (modal && modal->hwnd()) {
    if (!waitAbove && modal->filterMessage(msg)) return true;
    if (modal->preTranslateMessage(msg)) return true;
  }
  // A modeless dialog (the progress dialog) has its own keyboard handling too.
  auto* modeless = dynamic_cast<olDialog*>(olWndMap::instance().find(getAncestorRoot(msg.hwnd)));
  return modeless && modeless != modal && !modeless->isModalRunning() && modeless->preTranslateMessage(msg);
}

void endLoopsThatAreDone() {
  for (olModalEntry* entry : g_entries)
    if (hasEnded(*entry)) entry->loop->exit();
}

void endAllDialogs(int code) {
  for (olModalEntry* entry : g_entries) {
    if (entry->kind != olModalEntry::Kind::dialog) continue;
    entry->endCode = code;
    if (entry->dialog) entry->dialog->endDialog(code);
    entry->loop->exit();
  }
}

void quit(int exitCode) {
  g_quitReceived = true;
  g_exitCode = exitCode;
  for (olModalEntry* entry : g_entries) entry->loop->exit();
}

bool quitReceived() { return g_quitReceived; }
int exitCode() { return g_exitCode; }

void clearQuit() {
  g_quitReceived = false;
  g_exitCode = 0;
}

}  // namespace modal_stack

bool runMessageLoopUntil(const std::function<bool()>& done) {
  if (!QCoreApplication::instance()) return false;
  // The queue's hidden target is made here, on the UI thread, before any other thread
  // wakes the loop.
  wakeMessageLoop();
  olModalEntry entry;
  entry.kind = olModalEntry::Kind::wait;
  entry.done = &done;
  modal_stack::run(entry);
  return !g_quitReceived || done();
}
