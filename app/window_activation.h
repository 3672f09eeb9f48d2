#pragma once

// Bringing a window to the front on behalf of another start of the program, with the
// activation token the desktop gave that start (XDG_ACTIVATION_TOKEN on Wayland,
// DESKTOP_STARTUP_ID on X11). Desktops that prevent focus stealing activate a window
// only for a fresh token; without one the window may merely ask for attention.

#include <QByteArray>

class QWidget;

// The activation token this process was started with, or empty.
QByteArray StartupActivationToken();

// Shows the window un-minimised, raises and activates it. On X11 the token also becomes
// the window's _NET_STARTUP_ID, the activation request carries the token's time stamp,
// and the other start's startup notification is completed so the launcher stops waiting.
void ActivateWindow(QWidget* window, const QByteArray& activationToken);
