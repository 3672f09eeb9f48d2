#pragma once

// The program's icon, the one the desktop entry names: a to-do page with a green check
// badge, in every size the package installs (16 to 256 pixels). The window and the
// notification-area icon use it.

#include <QIcon>

QIcon PellmarkApplicationIcon();
