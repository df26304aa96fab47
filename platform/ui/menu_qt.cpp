#include "ui/menu_qt.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <array>
#include <utility>
#include <vector>

#include "runtime/runtime.h"

namespace {

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

// The platform's own actions, keyed by the Name of the item that asks for
// them: the Edit entries work on the text field that has the focus.
struct EditAction {
  std::string_view name;
  bool (*available)(const QLineEdit&);
  void (*perform)(QLineEdit&);
};

bool Shows(const QLineEdit& e) { return e.echoMode() == QLineEdit::Normal; }

const std::array kEditActions{
    EditAction{"EditUndo", [](const QLineEdit& e) { return !e.isReadOnly() && e.isUndoAvailable(); },
               [](QLineEdit& e) { e.undo(); }},
    EditAction{"EditCut", [](const QLineEdit& e) { return !e.isReadOnly() && Shows(e) && e.hasSelectedText(); },
               [](QLineEdit& e) { e.cut(); }},
    EditAction{"EditCopy", [](const QLineEdit& e) { return Shows(e) && e.hasSelectedText(); },
               [](QLineEdit& e) { e.copy(); }},
    EditAction{"EditPaste",
               [](const QLineEdit& e) { return !e.isReadOnly() && !QGuiApplication::clipboard()->text().isEmpty(); },
               [](QLineEdit& e) { e.paste(); }},
    // Clear removes the selection only, never the character after the cursor.
    EditAction{"EditClear", [](const QLineEdit& e) { return !e.isReadOnly() && e.hasSelectedText(); },
               [](QLineEdit& e) { e.del(); }},
};

const EditAction* FindEditAction(std::string_view name) {
  for (auto& a : kEditActions)
    if (a.name == name) return &a;
  return nullptr;
}

QLineEdit* FocusedLineEdit() {
  return QApplication::instance() ? qobject_cast<QLineEdit*>(QApplication::focusWidget()) : nullptr;
}

bool EnabledNow(const MenuItem& item) { return item.AutoEnable() || RuntimeMenuActionAvailable(item.Name()); }

struct Entry {
  QPointer<QAction> action;
  Ref<MenuItem> item;
};

void AddEntries(QMenu* menu, const MenuItem& parent) {
  std::vector<Entry> entries;
  for (const Ref<MenuItem>& child : parent.Children()) {
    QAction* action = nullptr;
    if (child->IsSeparator()) {
      action = menu->addSeparator();
    } else {
      action = menu->addAction(ToQt(child->Text()));
      action->setShortcut(MenuShortcutToKeySequence(child->KeyboardShortcut()));
      action->setEnabled(EnabledNow(*child));
      // The action holds its item, so the item outlives every way to choose it.
      QObject::connect(action, &QAction::triggered, action, [item = child] {
        auto activate = [item] { RuntimeDispatch([&] { item->Activate(); }); };
        // Quit is honoured at once, also during a long loop; another item
        // chosen during a long loop acts once no handler runs.
        if (RuntimeInBackgroundTask() && !dynamic_cast<const QuitMenuItem*>(item.get()))
          return RuntimeRunWhenNoHandlerRuns(activate);
        activate();
      });
      entries.push_back({action, child});
    }
    action->setObjectName(ToQt(child->Name()));
  }
  // Entries are enabled anew each time their menu opens.
  QObject::connect(menu, &QMenu::aboutToShow, menu, [entries = std::move(entries)] {
    RuntimeDispatch([&] {
      for (auto& e : entries) {
        e.item->UpdateEnabled();
        if (e.action) e.action->setEnabled(e.item->Enabled());
      }
    });
  });
}

}  // namespace

QMenuBar* BuildQtMenuBar(const MenuBar& bar, QWidget* parent) {
  auto* qbar = new QMenuBar(parent);
  for (const Ref<MenuItem>& title : bar.Children()) {
    // A menu title opens its menu whatever its AutoEnable says.
    QMenu* menu = qbar->addMenu(ToQt(title->Text()));
    menu->setObjectName(ToQt(title->Name()));
    menu->menuAction()->setObjectName(ToQt(title->Name()));
    AddEntries(menu, *title);
  }
  return qbar;
}

QKeySequence MenuShortcutToKeySequence(std::string_view text) {
  if (text.empty()) return {};
  Qt::KeyboardModifiers modifiers;
  std::string_view rest = text;
  // Every part before the last "+" is a modifier; "Cmd++" is Cmd and "+".
  for (std::size_t plus; rest.size() > 1 && (plus = rest.find('+', 0)) != std::string_view::npos && plus > 0;) {
    std::string_view part = rest.substr(0, plus);
    if (part == "Cmd" || part == "Command" || part == "Ctrl" || part == "Control") modifiers |= Qt::ControlModifier;
    else if (part == "Shift") modifiers |= Qt::ShiftModifier;
    else if (part == "Option" || part == "Alt") modifiers |= Qt::AltModifier;
    else return {};
    rest.remove_prefix(plus + 1);
  }
  QKeySequence key = QKeySequence::fromString(QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size())),
                                              QKeySequence::PortableText);
  if (key.count() != 1 || key[0].keyboardModifiers() != Qt::NoModifier || key[0].key() == Qt::Key_unknown) return {};
  return QKeySequence(QKeyCombination(modifiers, key[0].key()));
}

bool RuntimeMenuActionAvailable(std::string_view name) {
  const EditAction* action = FindEditAction(name);
  QLineEdit* field = action ? FocusedLineEdit() : nullptr;
  return field && action->available(*field);
}

bool RuntimePerformMenuAction(std::string_view name) {
  const EditAction* action = FindEditAction(name);
  QLineEdit* field = action ? FocusedLineEdit() : nullptr;
  // Checked again: the focus or the selection may have changed since the
  // menu was opened, or the shortcut came while the entry looked enabled.
  if (!field || !action->available(*field)) return false;
  action->perform(*field);
  return true;
}
