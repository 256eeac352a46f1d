#pragma once

// tabloom's own icon, compiled into the window module so that every window
// and the tray show it in the build tree and installed alike.

#include <QIcon>

QIcon ProgramIcon();
