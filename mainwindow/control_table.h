#pragma once
// The main window's layout as data: the window's own property block, and
// the 29 controls in their creation order with the values their property
// blocks carry, their text settings and their event handlers.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "mainwindow/property_block_writer.h"
#include "runtime/classes.h"

enum class ControlClass { ProgressBar, BevelButton, TextField, StaticText, Canvas, Timer1 };

// What the window needs to know of a control class.
struct ControlClassInfo {
  const ClassTable* (*made)();          // the class a control is made of
  const ClassTable* (*checked)();       // the class it is checked against (Timer for Timer1)
  std::string_view accessorSignature;  // of the control's accessor in Window1's class table
  bool textBearing;                     // it has text settings
};
const ControlClassInfo& InfoOf(ControlClass cls);

// An event handler installed on a control: the event, the window's method,
// the signature text and the delegate invoker that goes with it.
struct EventBinding {
  std::string_view event;  // empty: the control gets no handler
  std::string_view method;
  std::string_view signature;
  std::string_view invoker;
};

using BlockEntries = std::vector<std::pair<std::string_view, BlockValue>>;

struct ControlRow {
  std::string_view name;
  ControlClass cls;
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  bool locked = false;  // LockLeft and LockTop
  std::int32_t tabIndex = 0;
  std::string_view text;  // the Caption or the Text
  BlockEntries overrides;  // values that differ from the class's block
  BlockEntries extras;     // entries that this control's block adds at its end
  bool textSize12 = false;
  EventBinding handler;
};

// The 29 controls in creation order.
std::span<const ControlRow> Window1Controls();
// The control's property block.
std::string ControlBlock(const ControlRow& row);
// The window's own property block (21 entries).
std::string WindowBlock();
// StaticText5's text: eight lines joined by CR.
const std::string& InstructionsText();
