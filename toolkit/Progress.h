// A themed progress bar with a 64-bit range, an indeterminate mode, a paused state and a
// text drawn on the bar. Every setter repaints only when its value changes.
#pragma once

#include <cstdint>

#include "toolkit/Theme.h"
#include "toolkit/Timer.h"
#include "toolkit/Window.h"

class olProgressCtrl : public olWnd, public oltheme_control {
public:
  static constexpr int kNormal = 1;
  static constexpr int kPaused = 2;

  olProgressCtrl();
  ~olProgressCtrl() override;
  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Each returns whether the value changed. A maximum of 0 means 100; the position is
  // clamped to 0 … maximum.
  bool setRange(int64_t maximum);
  bool setPos(int64_t position);
  bool setIndeterminate(bool indeterminate);
  bool setState(int state);  // kNormal or kPaused; others are refused
  bool setText(olstring_view text);

  int64_t maximum() const { return m_maximum; }
  int64_t position() const { return m_position; }
  bool isIndeterminate() const { return m_indeterminate; }
  int state() const { return m_state; }
  const olstring& text() const { return m_text; }
  int paintCount() const { return m_paints; }
  // Where the indeterminate bar's segment is drawn now, in client coordinates (empty when
  // the bar is not indeterminate).
  RECT segmentRect() const;

private:
  void paint(HDC dc, const RECT& rect);
  void announceProgress();

  class Animation : public olWndTimer {
  public:
    explicit Animation(olProgressCtrl& owner) : m_owner(owner) {}
    void onTimer() override;

  private:
    olProgressCtrl& m_owner;
  };

  int64_t m_maximum = 100;
  int64_t m_position = 0;
  bool m_indeterminate = false;
  int m_state = kNormal;
  olstring m_text;
  int m_step = 0;  // of the indeterminate bar's animation
  int m_paints = 0;
  int m_announcedStep = -1;  // the percent screen readers were last told of; -1 busy
  Animation m_animation{*this};
};
