// Timers owned by windows. The owning window receives WM_TIMER with the timer's id; a
// window that leaves WM_TIMER to default processing has the timer's onTimer called.
#pragma once

#include "toolkit/Types.h"

class olWndTimer {
public:
  olWndTimer();
  olWndTimer(const olWndTimer&) = delete;
  olWndTimer& operator=(const olWndTimer&) = delete;

  // Called when the timer fires and the window did not handle WM_TIMER itself (nothing).
  virtual void onTimer();
  // Stops the timer and forgets every registration of it.
  virtual ~olWndTimer();

  // Starts (or re-arms) the timer on the window. A new timer takes the smallest free id
  // from 1314 up. False when the window does not exist or no id is free.
  bool start(HWND hwnd, UINT intervalMilliseconds);
  void stop();
  HWND hwnd() const { return m_hwnd; }
  UINT id() const { return m_id; }
  bool isRunning() const { return m_id != 0; }

private:
  friend void timersForgetWindow(HWND);
  HWND m_hwnd = nullptr;
  UINT m_id = 0;
};

constexpr UINT kFirstTimerId = 1314;
