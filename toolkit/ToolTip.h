// The shared tooltip: one window for the whole program that shows the text of the tool
// under the mouse, wrapped at a maximum width and hidden again after a delay.
#pragma once

#include <map>

#include "toolkit/Types.h"

class olToolTipCtrl {
public:
  static olToolTipCtrl& shared();
  ~olToolTipCtrl();

  // Makes the tooltip window; true when it exists afterwards.
  bool create();
  void destroy();
  bool exists() const;
  HWND hwnd() const { return m_hwnd; }

  // A window whose tip is text (an empty text removes it).
  void addTool(HWND tool, olstring_view text);
  void removeTool(HWND tool);
  olstring toolText(HWND tool) const;
  void setMaxWidth(int pixels);
  int maxWidth() const { return m_maxWidth; }
  // How long a shown tip stays (milliseconds); and how long the mouse must rest first.
  void setHideDelay(int milliseconds) { m_hideDelay = milliseconds; }
  void setShowDelay(int milliseconds) { m_showDelay = milliseconds; }
  void setFont(HFONT font);

  // Mouse messages relayed from the message queue drive showing and hiding.
  void relayEvent(const MSG& msg);
  // Shows the tip of a tool now, below the screen point; hides it when text is empty.
  void show(HWND tool, POINT screen);
  void hide();
  bool isShowing() const;
  olstring shownText() const;

private:
  friend void tooltipForgetWindow(HWND hwnd);
  olToolTipCtrl() = default;
  HWND m_hwnd = nullptr;
  HWND m_pendingTool = nullptr;
  HWND m_shownTool = nullptr;
  POINT m_lastPoint;
  std::map<HWND, olstring> m_tools;
  int m_maxWidth = 400;
  int m_hideDelay = 5000;
  int m_showDelay = 500;
  struct Timers;
  Timers* m_timers = nullptr;
};
