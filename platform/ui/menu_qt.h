#pragma once
// Private to the platform (includes Qt): shows a menu bar as a QMenuBar.
#include <QKeySequence>
#include <QMenuBar>
#include <string_view>

#include "ui/menu.h"

// A QMenuBar (owned by `parent`) showing the bar's menus as they stand:
// one QMenu per menu, an entry per item of a menu (the items of an item
// further down are not shown), a separator for Text "-", the
// shortcut mapped to the primary modifier. Each QAction is named after its
// item's Name. Choosing an entry activates its item at a dispatch boundary.
QMenuBar* BuildQtMenuBar(const MenuBar& bar, QWidget* parent);

// "Cmd+Q" -> Ctrl+Q: Cmd (and Ctrl) become the primary modifier, Shift,
// Option (or Alt) stay as they are; an empty or unreadable text gives no
// shortcut.
QKeySequence MenuShortcutToKeySequence(std::string_view text);
