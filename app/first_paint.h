#pragma once

// Work that can wait until the main window is on the screen.

#include <functional>

class QWidget;

// Runs `action` once, right after the first paint of `window` has been completed, or after
// `latestMilliseconds` when the window has not been painted by then (for instance when it
// starts minimised). Nothing runs once the window is gone.
void AfterFirstPaint(QWidget* window, std::function<void()> action, int latestMilliseconds = 1000);
