// The toolkit's private side of accessibility: the Qt interfaces behind its windows, shared
// by the sources that make them. Not for application code.
#pragma once

#include <QAccessible>
#include <QAccessibleWidget>

#include "toolkit/Accessible.h"
#include "toolkit/WindowInternal.h"

#include <functional>

// A reader inside this process (a test, a benchmark): while one lives, the toolkit announces
// its changes as it does to a platform's screen reader, and each of its events goes to read
// instead of to the platform. One at a time.
class olAccessibleReader {
public:
  explicit olAccessibleReader(std::function<void(QAccessibleEvent*)> read);
  ~olAccessibleReader();
  olAccessibleReader(const olAccessibleReader&) = delete;
  olAccessibleReader& operator=(const olAccessibleReader&) = delete;
};

// Every event the toolkit raises goes out here: to the reader in this process, or to the
// platform.
void sendAccessibleEvent(QAccessibleEvent* event);

// The object bound to a widget's window, or nullptr.
olWnd* boundObject(const QWidget* widget);
// A rectangle in a widget's client coordinates, on the screen.
QRect screenRect(const QWidget* widget, const RECT& client);

// How many cells of a list readers hold now (made when asked for, given up when far away).
size_t accessibleCellsMade(HWND list);

// The interface of a toolkit list (olListView) as a table of rows: made for lists only.
QAccessibleInterface* makeListInterface(QWidget* widget);
bool isListInterface(QAccessibleInterface* iface);

// The interface of a plain toolkit window: a dialog or the main window (roles Dialog and
// Window), a panel, and the texts the window draws itself (olAccessibleParts) as children
// after its child widgets.
class olAccessibleWindow : public QAccessibleWidget {
public:
  explicit olAccessibleWindow(QWidget* widget);
  ~olAccessibleWindow() override;

  QAccessible::Role role() const override;
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;

  // The window's parts, when its object draws any (nullptr otherwise).
  olAccessibleParts* parts() const;
  QWidget* windowWidget() const { return widget(); }
  // Announces the parts whose name or description changed since the last call.
  void announceChangedParts();

private:
  int widgetChildCount() const;
  QAccessibleInterface* partInterface(int index) const;

  // One made for each part a reader asked about, kept for the window's life.
  mutable std::vector<QAccessible::Id> m_partIds;
  // What readers were last told of each part.
  std::vector<std::pair<QString, QString>> m_told;
};
