#pragma once

class QWindow;

// A frameless window has no system menu and no taskbar minimise on Windows; this gives them
// back. Other desktops already offer both, so there it does nothing.
void addTaskbarStyles(QWindow* window);
