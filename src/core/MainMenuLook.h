#pragma once

class QMainWindow;
class TMenuColor;

// Gives the main window's menu bar and every menu below it the coloured look MC1. The window
// owns the returned style; call once its menus exist.
TMenuColor* InstallMainMenuLook(QMainWindow* window);
