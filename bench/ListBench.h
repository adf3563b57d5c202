// What the results list's benchmarks share: a window holding nothing but the list, and the
// timing of several runs of one piece of work.
#pragma once

#include "foundation/Paths.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "results/ListView.h"
#include "toolkit/App.h"
#include "toolkit/Dialog.h"
#include "toolkit/Theme.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace list_bench {

// A benchmark's run: the windows offscreen, the settings (the view mode is written at each
// switch) in a folder of its own rather than the build folder, the window system started
// with the themes; all of it gone again at the end. ready() is false when it could not start.
class Session {
public:
  Session(const char* name, int& argc, char** argv) : m_folder("/tmp/" + std::string(name) + "-XXXXXX") {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!mkdtemp(m_folder.data())) return;
    platform::setApplicationFolder(fromUtf8(m_folder));
    setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    m_app.setAppName(u"Mirrane");
    m_ready = olApp::startInterface(argc, argv);
    if (m_ready) initialiseThemes();
  }
  ~Session() {
    olApp::stopInterface();
    if (!deleteFolderTree(fromUtf8(m_folder))) std::fprintf(stderr, "could not remove %s\n", m_folder.c_str());
  }
  bool ready() const { return m_ready; }

private:
  std::string m_folder;
  olBaseApp m_app;
  bool m_ready = false;
};

// The median and the worst of several runs, in milliseconds.
struct Timing {
  double median;
  double worst;
};

// Runs prepare, then work timed, the given number of times.
inline Timing timeRuns(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.back()};
}

// A window that holds nothing but the list, filling it.
class BenchWindow : public olBaseDlg {
public:
  BenchWindow() { beginTemplate(300, 200, olTemplate::popup, 1); }
  void attachControls() override { list.create(m_hwnd, control_id::kResultsList); }
  void layoutControls() override {
    const RECT client = getClientRect(m_hwnd);
    moveWindow(list.hwnd(), 0, 0, client.width(), client.height());
  }
  mrnListView list;
};

}  // namespace list_bench
