#include "mainwindow/control_table.h"

#include <limits>

#include "mainwindow/timer1.h"

namespace {

using namespace std::string_view_literals;

constexpr Color kBlack{0, 0, 0};
constexpr Color kWhite{255, 255, 255};
constexpr std::int32_t kNoArrayIndex = std::numeric_limits<std::int32_t>::min();

// The instructions, one line each; StaticText5 shows them joined by CR.
constexpr std::string_view kInstructionLines[] = {
    "1. select a destination folder where the images should be saved. (000001.jpg to 999999.jpg)"sv,
    "2. either select a source folder of jpg images or the source video. type the videos fps cause i can't."sv,
    "3. if you want the image stand more than 1 frame, raise the number."sv,
    "4. number of frames faded between two images."sv,
    "5. if you want to crop something, type in numbers. videosize will be original size minus the numbers."sv,
    "6. start fading and be patient. "sv,
    "7. after fading, make movie from single images. "sv,
    "8. have fun with your movie."sv,
};

// Where a block entry takes its value from: the class's value, or a column
// of the control's row.
enum class Field { Class, Name, Left, Top, Width, Height, Lock, TabIndex, Text };

struct TemplateEntry {
  std::string_view name;
  BlockValue value;
  Field field = Field::Class;
};

// The eleven entries that begin the block of every visible control.
const std::vector<TemplateEntry> kCommon = {
    {"Name"sv, ""sv, Field::Name},
    {"Index"sv, kNoArrayIndex},
    {"Left"sv, 0, Field::Left},
    {"Top"sv, 0, Field::Top},
    {"Width"sv, 0, Field::Width},
    {"Height"sv, 0, Field::Height},
    {"LockLeft"sv, false, Field::Lock},
    {"LockTop"sv, false, Field::Lock},
    {"LockRight"sv, false},
    {"LockBottom"sv, false},
    {"TabPanelIndex"sv, 0},
};

const std::vector<TemplateEntry> kProgressBar = {
    {"Visible"sv, true},        {"HelpTag"sv, ""sv}, {"AutoDeactivate"sv, true}, {"Enabled"sv, true},
    {"Value"sv, 0},             {"Maximum"sv, 100},  {"InitialParent"sv, ""sv},
};

const std::vector<TemplateEntry> kBevelButton = {
    {"TabIndex"sv, 0, Field::TabIndex},
    {"TabStop"sv, true},
    {"InitialParent"sv, ""sv},
    {"Visible"sv, true},
    {"HelpTag"sv, ""sv},
    {"AutoDeactivate"sv, true},
    {"Enabled"sv, true},
    {"Caption"sv, ""sv, Field::Text},
    {"CaptionAlign"sv, 3},
    {"CaptionPlacement"sv, 1},
    {"CaptionDelta"sv, 0},
    {"IconAlign"sv, 0},
    {"IconDX"sv, 0},
    {"IconDY"sv, 0},
    {"Bevel"sv, 0},
    {"HasMenu"sv, 0},
    {"HasBackColor"sv, false},
    {"BackColor"sv, kBlack},
    {"TextColor"sv, kBlack},
    {"Value"sv, false},
    {"MenuValue"sv, 0},
    {"ButtonType"sv, 0},
    {"AcceptFocus"sv, false},
    {"TextFont"sv, "System"sv},
    {"Bold"sv, false},
    {"Italic"sv, false},
    {"Underline"sv, false},
};

const std::vector<TemplateEntry> kTextField = {
    {"TabIndex"sv, 0, Field::TabIndex},
    {"TabStop"sv, true},
    {"Border"sv, true},
    {"Password"sv, false},
    {"UseFocusRing"sv, true},
    {"TextColor"sv, kBlack},
    {"BackColor"sv, kWhite},
    {"Enabled"sv, true},
    {"Format"sv, ""sv},
    {"Visible"sv, true},
    {"HelpTag"sv, ""sv},
    {"AutoDeactivate"sv, true},
    {"TextFont"sv, "System"sv},
    {"Bold"sv, false},
    {"Italic"sv, false},
    {"Underline"sv, false},
    {"CueText"sv, ""sv},
    {"Text"sv, ""sv, Field::Text},
    {"Mask"sv, ""sv},
    {"ReadOnly"sv, false},
    {"LimitText"sv, 0},
    {"AcceptTabs"sv, false},
    {"Alignment"sv, 0},
    {"DataSource"sv, ""sv},
    {"DataField"sv, ""sv},
};

const std::vector<TemplateEntry> kStaticText = {
    {"TabIndex"sv, 0, Field::TabIndex},
    {"Text"sv, ""sv, Field::Text},
    {"TextAlign"sv, 0},
    {"TextColor"sv, kBlack},
    {"Multiline"sv, false},
    {"Enabled"sv, true},
    {"Visible"sv, true},
    {"Selectable"sv, false},
    {"Transparent"sv, false},
    {"HelpTag"sv, ""sv},
    {"AutoDeactivate"sv, true},
    {"TextFont"sv, "System"sv},
    {"Bold"sv, false},
    {"Italic"sv, false},
    {"Underline"sv, false},
    {"DataSource"sv, ""sv},
    {"DataField"sv, ""sv},
    {"InitialParent"sv, ""sv},
};

const std::vector<TemplateEntry> kCanvas = {
    {"TabIndex"sv, 0, Field::TabIndex},
    {"TabStop"sv, true},
    {"Visible"sv, true},
    {"HelpTag"sv, ""sv},
    {"AutoDeactivate"sv, true},
    {"Enabled"sv, true},
    {"UseFocusRing"sv, true},
    {"AcceptFocus"sv, false},
    {"AcceptTabs"sv, false},
    {"DoubleBuffer"sv, false},
    {"EraseBackground"sv, true},
    {"InitialParent"sv, ""sv},
};

const std::vector<TemplateEntry> kTimer = {
    {"Mode"sv, 2},
    {"Period"sv, 100},
};

struct ClassRow {
  ControlClassInfo info;
  const std::vector<TemplateEntry>& block;  // the class's entries after the common ones
};

// In the order of ControlClass.
const ClassRow kClasses[] = {
    {{&ProgressBar::StaticClass, &ProgressBar::StaticClass, "%o<ProgressBar>%s", false}, kProgressBar},
    {{&BevelButton::StaticClass, &BevelButton::StaticClass, "%o<BevelButton>%s", true}, kBevelButton},
    {{&TextField::StaticClass, &TextField::StaticClass, "%o<TextField>%s", true}, kTextField},
    {{&StaticText::StaticClass, &StaticText::StaticClass, "%o<StaticText>%s", true}, kStaticText},
    {{&Canvas::StaticClass, &Canvas::StaticClass, "%o<Canvas>%s", false}, kCanvas},
    {{&Window1::Timer1::__Lookup, &Timer::StaticClass, "%o<Timer>%s", false}, kTimer},
};

const ClassRow& RowOf(ControlClass cls) { return kClasses[static_cast<std::size_t>(cls)]; }

const std::string kInstructions = [] {
  std::string text;
  for (std::string_view line : kInstructionLines) {
    if (!text.empty()) text.push_back('\r');
    text.append(line);
  }
  return text;
}();

constexpr EventBinding Action(std::string_view method) {
  return {"Action"sv, method, "(  )"sv, "Delegate.IM_Invoke%%"sv};
}
constexpr EventBinding TextChange(std::string_view method) {
  return {"TextChange"sv, method, "(  )"sv, "Delegate.IM_Invoke%%"sv};
}

const BlockEntries kCropField = {{"CueText"sv, "0"sv}, {"Alignment"sv, 2}};
const BlockEntries kEmptyInitialParent = {{"InitialParent"sv, ""sv}};

using C = ControlClass;

const std::vector<ControlRow> kControls = {
    {.name = "ProgressBar1"sv, .cls = C::ProgressBar, .left = 27, .top = 14, .width = 639, .height = 20},
    {.name = "BevelButton1"sv, .cls = C::BevelButton, .left = 27, .top = 80, .width = 120, .height = 22,
     .locked = true, .tabIndex = 9, .text = "source folder"sv, .handler = Action("BevelButton1_Action"sv)},
    {.name = "fadetext"sv, .cls = C::TextField, .left = 155, .top = 205, .width = 26, .height = 22, .locked = true,
     .tabIndex = 11, .text = "2"sv, .handler = TextChange("fadetext_TextChange"sv)},
    {.name = "StaticText1"sv, .cls = C::StaticText, .left = 48, .top = 206, .width = 99, .height = 20,
     .locked = true, .tabIndex = 12, .text = "fade frames "sv},
    {.name = "BevelButton2"sv, .cls = C::BevelButton, .left = 27, .top = 46, .width = 154, .height = 22,
     .locked = true, .tabIndex = 13, .text = "destination folder"sv, .handler = Action("BevelButton2_Action"sv)},
    {.name = "Timer1"sv, .cls = C::Timer1, .handler = Action("Timer1_Action"sv)},
    {.name = "BevelButton3"sv, .cls = C::BevelButton, .left = 27, .top = 267, .width = 120, .height = 22,
     .locked = true, .tabIndex = 14, .text = "start fading"sv, .handler = Action("BevelButton3_Action"sv)},
    {.name = "BevelButton4"sv, .cls = C::BevelButton, .left = 27, .top = 115, .width = 120, .height = 22,
     .locked = true, .tabIndex = 15, .text = "source video"sv, .handler = Action("BevelButton4_Action"sv)},
    {.name = "StaticText2"sv, .cls = C::StaticText, .left = 161, .top = 80, .width = 20, .height = 23,
     .locked = true, .tabIndex = 17, .text = "or"sv},
    {.name = "sourcefps"sv, .cls = C::TextField, .left = 155, .top = 115, .width = 26, .height = 22,
     .locked = true, .tabIndex = 18, .text = "10"sv,
     .handler = {"KeyDown"sv, "sourcefps_KeyDown"sv, "( String ) as Boolean"sv, "Delegate.IM_Invoke%b%s"sv}},
    {.name = "StaticText3"sv, .cls = C::StaticText, .left = 193, .top = 115, .width = 123, .height = 23,
     .locked = true, .tabIndex = 19, .text = "has how many fps?"sv},
    {.name = "stilltext"sv, .cls = C::TextField, .left = 155, .top = 174, .width = 26, .height = 22,
     .locked = true, .tabIndex = 20, .text = "1"sv, .handler = TextChange("stilltext_TextChange"sv)},
    {.name = "StaticText4"sv, .cls = C::StaticText, .left = 48, .top = 175, .width = 99, .height = 20,
     .locked = true, .tabIndex = 21, .text = "still frames"sv},
    {.name = "Canvas1"sv, .cls = C::Canvas, .left = 472, .top = 75, .width = 152, .height = 114, .locked = true,
     .tabIndex = 23,
     .handler = {"Paint"sv, "Canvas1_Paint"sv, "( Graphics )"sv, "Delegate.IM_Invoke%%o<Graphics>"sv}},
    {.name = "StaticText12"sv, .cls = C::StaticText, .left = 552, .top = 150, .width = 64, .height = 20,
     .locked = true, .tabIndex = 0, .text = "cropping"sv, .overrides = {{"InitialParent"sv, "Canvas1"sv}}},
    {.name = "StaticText5"sv, .cls = C::StaticText, .left = 27, .top = 379, .width = 639, .height = 124,
     .locked = true, .tabIndex = 24, .text = kInstructions, .overrides = {{"Multiline"sv, true}},
     .textSize12 = true},
    {.name = "StaticText6"sv, .cls = C::StaticText, .left = 48, .top = 301, .width = 76, .height = 20,
     .locked = true, .tabIndex = 27, .text = "after fading"sv},
    {.name = "fps"sv, .cls = C::TextField, .left = 155, .top = 333, .width = 26, .height = 22, .locked = false,
     .tabIndex = 28, .text = "25"sv, .extras = kEmptyInitialParent, .textSize12 = true},
    {.name = "StaticText7"sv, .cls = C::StaticText, .left = 193, .top = 334, .width = 23, .height = 20,
     .locked = false, .tabIndex = 29, .text = "fps"sv, .textSize12 = true},
    {.name = "BevelButton6"sv, .cls = C::BevelButton, .left = 27, .top = 333, .width = 120, .height = 22,
     .locked = true, .tabIndex = 30, .text = "make movie"sv, .handler = Action("BevelButton6_Action"sv)},
    {.name = "ftop"sv, .cls = C::TextField, .left = 515, .top = 46, .width = 30, .height = 22, .locked = true,
     .tabIndex = 31, .text = "0"sv, .overrides = kCropField},
    {.name = "fbottom"sv, .cls = C::TextField, .left = 515, .top = 201, .width = 30, .height = 22, .locked = true,
     .tabIndex = 32, .text = "0"sv, .overrides = kCropField},
    {.name = "fleft"sv, .cls = C::TextField, .left = 430, .top = 121, .width = 30, .height = 22, .locked = true,
     .tabIndex = 33, .text = "0"sv, .overrides = kCropField},
    {.name = "fright"sv, .cls = C::TextField, .left = 636, .top = 121, .width = 30, .height = 22, .locked = true,
     .tabIndex = 34, .text = "0"sv, .overrides = kCropField},
    {.name = "StaticText8"sv, .cls = C::StaticText, .left = 552, .top = 46, .width = 31, .height = 20,
     .locked = true, .tabIndex = 35, .text = "top"sv},
    {.name = "StaticText9"sv, .cls = C::StaticText, .left = 552, .top = 201, .width = 82, .height = 20,
     .locked = true, .tabIndex = 36, .text = "bottom"sv},
    {.name = "StaticText10"sv, .cls = C::StaticText, .left = 430, .top = 97, .width = 34, .height = 20,
     .locked = true, .tabIndex = 37, .text = "left"sv},
    {.name = "StaticText11"sv, .cls = C::StaticText, .left = 636, .top = 97, .width = 38, .height = 20,
     .locked = true, .tabIndex = 38, .text = "right"sv},
    {.name = "TextField1"sv, .cls = C::TextField, .left = 21, .top = 559, .width = 152, .height = 22,
     .locked = true, .tabIndex = 39, .text = ""sv, .extras = kEmptyInitialParent},
};

// The window's own block, in its order.
const BlockEntries kWindowBlock = {
    {"Placement"sv, 0},
    {"Width"sv, 686},
    {"Height"sv, 523},
    {"MinWidth"sv, 64},
    {"MinHeight"sv, 64},
    {"MaxWidth"sv, 32000},
    {"MaxHeight"sv, 32000},
    {"Frame"sv, 0},
    {"Composite"sv, false},
    {"HasBackColor"sv, false},
    {"BackColor"sv, kWhite},
    {"Title"sv, "vindralo"sv},
    {"Visible"sv, true},
    {"FullScreen"sv, false},
    {"MenuBarVisible"sv, true},
    {"CloseButton"sv, true},
    {"Resizeable"sv, false},
    {"LiveResize"sv, false},
    {"MaximizeButton"sv, false},
    {"MinimizeButton"sv, true},
    {"MacProcID"sv, 0},
};

BlockValue RowValue(const ControlRow& row, const TemplateEntry& entry) {
  switch (entry.field) {
    case Field::Class: break;
    case Field::Name: return row.name;
    case Field::Left: return row.left;
    case Field::Top: return row.top;
    case Field::Width: return row.width;
    case Field::Height: return row.height;
    case Field::Lock: return row.locked;
    case Field::TabIndex: return row.tabIndex;
    case Field::Text: return row.text;
  }
  for (auto& [name, value] : row.overrides)
    if (name == entry.name) return value;
  return entry.value;
}

}  // namespace

std::span<const ControlRow> Window1Controls() { return kControls; }

const ControlClassInfo& InfoOf(ControlClass cls) { return RowOf(cls).info; }

std::string ControlBlock(const ControlRow& row) {
  PropertyBlockWriter block;
  if (row.cls != ControlClass::Timer1)
    for (const TemplateEntry& entry : kCommon) block.Add(entry.name, RowValue(row, entry));
  for (const TemplateEntry& entry : RowOf(row.cls).block) block.Add(entry.name, RowValue(row, entry));
  for (auto& [name, value] : row.extras) block.Add(name, value);
  return block.Block();
}

std::string WindowBlock() {
  PropertyBlockWriter block;
  for (auto& [name, value] : kWindowBlock) block.Add(name, value);
  return block.Block();
}

const std::string& InstructionsText() { return kInstructions; }
