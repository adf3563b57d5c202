// The timer registry, guarded by a lock because timers are started and stopped from code
// that runs while other windows dispatch, and the Qt timers behind it that hold only the
// window handle.
#include "toolkit/Timer.h"

#include <QTimer>

#include <map>
#include <mutex>

#include "toolkit/WindowInternal.h"

namespace {

using TimerKey = std::pair<HWND, UINT>;

struct Registry {
  std::recursive_mutex lock;
  std::map<TimerKey, olWndTimer*> timers;
  std::map<TimerKey, QTimer*> armed;
};
Registry& registry() {
  static Registry r;
  return r;
}

void disarm(Registry& r, TimerKey key) {
  auto found = r.armed.find(key);
  if (found == r.armed.end()) return;
  found->second->stop();
  found->second->deleteLater();
  r.armed.erase(found);
}

void arm(Registry& r, TimerKey key, UINT interval) {
  disarm(r, key);
  auto* timer = new QTimer;
  timer->setInterval(static_cast<int>(interval));
  QObject::connect(timer, &QTimer::timeout, timer, [key] {
    if (isWindow(key.first)) sendMessage(key.first, WM_TIMER, key.second, 0);
  });
  timer->start();
  r.armed[key] = timer;
}

}  // namespace

olWndTimer::olWndTimer() = default;

void olWndTimer::onTimer() {}

olWndTimer::~olWndTimer() {
  stop();
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  for (auto it = r.timers.begin(); it != r.timers.end();) {
    if (it->second == this) {
      disarm(r, it->first);
      it = r.timers.erase(it);
    } else {
      ++it;
    }
  }
}

bool olWndTimer::start(HWND hwnd, UINT intervalMilliseconds) {
  if (!isWindow(hwnd)) return false;
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  if (m_hwnd && m_hwnd != hwnd) stop();
  if (m_id) {
    auto found = r.timers.find({hwnd, m_id});
    if (found == r.timers.end() || found->second != this) return false;
  } else {
    UINT id = kFirstTimerId;
    while (r.timers.count({hwnd, id}) && id < kFirstTimerId + 1000) ++id;
    if (id >= kFirstTimerId + 1000) return false;
    r.timers[{hwnd, id}] = this;
    m_id = id;
  }
  m_hwnd = hwnd;
  arm(r, {hwnd, m_id}, intervalMilliseconds);
  return true;
}

void olWndTimer::stop() {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  if (m_id) {
    disarm(r, {m_hwnd, m_id});
    auto found = r.timers.find({m_hwnd, m_id});
    if (found != r.timers.end() && found->second == this) r.timers.erase(found);
  }
  m_hwnd = nullptr;
  m_id = 0;
}

void timersForgetWindow(HWND hwnd) {
  Registry& r = registry();
  std::lock_guard guard(r.lock);
  for (auto it = r.armed.begin(); it != r.armed.end();) {
    if (it->first.first == hwnd) {
      it->second->stop();
      it->second->deleteLater();
      it = r.armed.erase(it);
    } else {
      ++it;
    }
  }
  for (auto it = r.timers.begin(); it != r.timers.end();) {
    if (it->first.first == hwnd) {
      it->second->m_hwnd = nullptr;
      it->second->m_id = 0;
      it = r.timers.erase(it);
    } else {
      ++it;
    }
  }
}

bool timersDispatch(HWND hwnd, UINT id) {
  olWndTimer* timer = nullptr;
  {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto found = r.timers.find({hwnd, id});
    if (found == r.timers.end()) return false;
    timer = found->second;
  }
  timer->onTimer();
  return true;
}
