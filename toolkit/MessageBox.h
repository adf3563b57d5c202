// The toolkit's themed message box: an icon (error, question, warning, information or
// none), a text, and one of the platform's button sets, with captions that can be set per
// button id and an optional count-down that picks the default button by itself.
#pragma once

#include <memory>
#include <vector>

#include "toolkit/Buttons.h"
#include "toolkit/Dialog.h"
#include "toolkit/Timer.h"

// How a message box lays its text out: as prose wrapped to a comfortable width, or as
// columns aligned with spaces (a command's options), in a fixed-width font and as wide as
// its longest line (up to the screen's width).
enum class olMessageText { prose, columns };

class olMessageBox : public olBaseDlg {
public:
  // type: a button set (MB_OK, MB_OKCANCEL, MB_ABORTRETRYIGNORE, MB_YESNOCANCEL, MB_YESNO,
  // MB_RETRYCANCEL, MB_CANCELTRYCONTINUE) with an icon kind (MB_ICON...).
  olMessageBox(olstring_view text, olstring_view caption, UINT type);
  ~olMessageBox() override;

  // Shows a message box modally; returns the chosen id (IDOK, IDYES, ...), or -1 when it
  // could not be shown. An empty caption gives the application's name.
  static int show(olstring_view text, olstring_view caption, UINT type, int countDownSeconds = 0);
  static int show(olstring_view text, olstring_view caption, UINT type, olMessageText form);
  // The caption of a button id; an empty text restores the built-in one.
  static void setButtonCaption(int id, olstring_view caption);
  static olstring buttonCaption(int id);

  // Picks the default button by itself after the seconds, showing them on it.
  void setCountDown(int seconds) { m_countDownSeconds = seconds; }
  const olstring& text() const { return m_text; }
  void setTextForm(olMessageText form) { m_form = form; }
  olMessageText textForm() const { return m_form; }
  // The font the text is drawn in: the UI font, or a fixed-width one for columns.
  HFONT textFont() const;

  LRESULT windowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool onInitDialog() override;
  void initPlacement() override;
  void layoutControls() override;
  void loadTexts() override;
  void paintClient(HDC dc, const RECT& rect) override;

private:
  class CountDown : public olWndTimer {
  public:
    explicit CountDown(olMessageBox& box) : m_box(box) {}
    void onTimer() override;

  private:
    olMessageBox& m_box;
  };

  // The id Escape and the close box stand for, or 0 when they do nothing.
  int cancelId() const;
  RECT textArea() const;

  olstring m_text;
  olstring m_caption;
  UINT m_type;
  std::vector<int> m_ids;
  olMessageText m_form = olMessageText::prose;
  mutable HFONT m_fixedFont = nullptr;  // made on first use
  int m_countDownSeconds = 0;
  int m_remaining = 0;
  int m_bandHeight = 0;
  std::vector<std::unique_ptr<olButton>> m_buttons;
  CountDown _countDown{*this};
};
