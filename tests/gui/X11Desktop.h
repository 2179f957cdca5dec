#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

namespace quarvel::test {

// The desktop as the X server and the window manager see it, read with the
// tools a user would reach for (xprop, xwininfo), and keys typed with xdotool
// as a keyboard would type them: what the toolkit believes is not evidence.

// Whether run-on-x11 started a window manager.
bool HasWindowManager();

// Managed windows, bottom to top, as the window manager stacks them.
std::vector<WId> StackingOrder();
// Both are managed and upper is stacked above lower.
bool IsStackedAbove(const QWidget& upper, const QWidget& lower);
// Mapped, and so is every window it lies in.
bool IsViewable(const QWidget& window);
// The window's outer rectangle on screen: its client area grown by the frame
// the window manager reports. Invalid while a window manager has not framed
// it yet.
QRect OuterRect(const QWidget& window);

// Types keys into whichever window has the keyboard focus (xdotool key names:
// "Return", "Escape", "alt+F4").
void TypeKeys(const QString& keys);

}  // namespace quarvel::test
