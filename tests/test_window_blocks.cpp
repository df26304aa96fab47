// The property blocks of the main window and its controls, byte for byte
// against hand-written bytes, and every block's entries in order as the
// receiving classes read them.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <vector>

#include "mainwindow/control_table.h"
#include "mainwindow/timer1.h"
#include "mainwindow/window1.h"

using namespace std::string_literals;

namespace {

const ControlRow& Row(std::string_view name) {
  for (const ControlRow& row : Window1Controls())
    if (row.name == name) return row;
  throw std::runtime_error("no control " + std::string(name));
}

// Hex bytes for a readable failure message.
std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7f) {
      out.push_back(static_cast<char>(c));
    } else {
      out += "\\x";
      out.push_back(digits[c >> 4]);
      out.push_back(digits[c & 15]);
    }
  }
  return out;
}

#define EXPECT_BYTES(actual, expected) EXPECT_EQ(Hex(actual), Hex(expected))

// The eleven entries every visible control's block begins with, up to Left.
const std::string kWindow =
    "Placement " "\x00\x00\x00\x00"
    "Width " "\x00\x00\x02\xae"
    "Height " "\x00\x00\x02\x0b"
    "MinWidth " "\x00\x00\x00\x40"
    "MinHeight " "\x00\x00\x00\x40"
    "MaxWidth " "\x00\x00\x7d\x00"
    "MaxHeight " "\x00\x00\x7d\x00"
    "Frame " "\x00\x00\x00\x00"
    "Composite " "\x00"
    "HasBackColor " "\x00"
    "BackColor " "\xff\xff\xff"
    "Title " "\x00\x00\x00\x08" "vindralo"
    "Visible " "\x01"
    "FullScreen " "\x00"
    "MenuBarVisible " "\x01"
    "CloseButton " "\x01"
    "Resizeable " "\x00"
    "LiveResize " "\x00"
    "MaximizeButton " "\x00"
    "MinimizeButton " "\x01"
    "MacProcID " "\x00\x00\x00\x00"s;

const std::string kProgressBar1 =
    "Name " "\x00\x00\x00\x0c" "ProgressBar1"
    "Index " "\x80\x00\x00\x00"
    "Left " "\x00\x00\x00\x1b"
    "Top " "\x00\x00\x00\x0e"
    "Width " "\x00\x00\x02\x7f"
    "Height " "\x00\x00\x00\x14"
    "LockLeft " "\x00"
    "LockTop " "\x00"
    "LockRight " "\x00"
    "LockBottom " "\x00"
    "TabPanelIndex " "\x00\x00\x00\x00"
    "Visible " "\x01"
    "HelpTag " "\x00\x00\x00\x00"
    "AutoDeactivate " "\x01"
    "Enabled " "\x01"
    "Value " "\x00\x00\x00\x00"
    "Maximum " "\x00\x00\x00\x64"
    "InitialParent " "\x00\x00\x00\x00"s;

const std::string kBevelButton2 =
    "Name " "\x00\x00\x00\x0c" "BevelButton2"
    "Index " "\x80\x00\x00\x00"
    "Left " "\x00\x00\x00\x1b"
    "Top " "\x00\x00\x00\x2e"
    "Width " "\x00\x00\x00\x9a"
    "Height " "\x00\x00\x00\x16"
    "LockLeft " "\x01"
    "LockTop " "\x01"
    "LockRight " "\x00"
    "LockBottom " "\x00"
    "TabPanelIndex " "\x00\x00\x00\x00"
    "TabIndex " "\x00\x00\x00\x0d"
    "TabStop " "\x01"
    "InitialParent " "\x00\x00\x00\x00"
    "Visible " "\x01"
    "HelpTag " "\x00\x00\x00\x00"
    "AutoDeactivate " "\x01"
    "Enabled " "\x01"
    "Caption " "\x00\x00\x00\x12" "destination folder"
    "CaptionAlign " "\x00\x00\x00\x03"
    "CaptionPlacement " "\x00\x00\x00\x01"
    "CaptionDelta " "\x00\x00\x00\x00"
    "IconAlign " "\x00\x00\x00\x00"
    "IconDX " "\x00\x00\x00\x00"
    "IconDY " "\x00\x00\x00\x00"
    "Bevel " "\x00\x00\x00\x00"
    "HasMenu " "\x00\x00\x00\x00"
    "HasBackColor " "\x00"
    "BackColor " "\x00\x00\x00"
    "TextColor " "\x00\x00\x00"
    "Value " "\x00"
    "MenuValue " "\x00\x00\x00\x00"
    "ButtonType " "\x00\x00\x00\x00"
    "AcceptFocus " "\x00"
    "TextFont " "\x00\x00\x00\x06" "System"
    "Bold " "\x00"
    "Italic " "\x00"
    "Underline " "\x00"s;

const std::string kFtop =
    "Name " "\x00\x00\x00\x04" "ftop"
    "Index " "\x80\x00\x00\x00"
    "Left " "\x00\x00\x02\x03"
    "Top " "\x00\x00\x00\x2e"
    "Width " "\x00\x00\x00\x1e"
    "Height " "\x00\x00\x00\x16"
    "LockLeft " "\x01"
    "LockTop " "\x01"
    "LockRight " "\x00"
    "LockBottom " "\x00"
    "TabPanelIndex " "\x00\x00\x00\x00"
    "TabIndex " "\x00\x00\x00\x1f"
    "TabStop " "\x01"
    "Border " "\x01"
    "Password " "\x00"
    "UseFocusRing " "\x01"
    "TextColor " "\x00\x00\x00"
    "BackColor " "\xff\xff\xff"
    "Enabled " "\x01"
    "Format " "\x00\x00\x00\x00"
    "Visible " "\x01"
    "HelpTag " "\x00\x00\x00\x00"
    "AutoDeactivate " "\x01"
    "TextFont " "\x00\x00\x00\x06" "System"
    "Bold " "\x00"
    "Italic " "\x00"
    "Underline " "\x00"
    "CueText " "\x00\x00\x00\x01" "0"
    "Text " "\x00\x00\x00\x01" "0"
    "Mask " "\x00\x00\x00\x00"
    "ReadOnly " "\x00"
    "LimitText " "\x00\x00\x00\x00"
    "AcceptTabs " "\x00"
    "Alignment " "\x00\x00\x00\x02"
    "DataSource " "\x00\x00\x00\x00"
    "DataField " "\x00\x00\x00\x00"s;

const std::string kStaticText12 =
    "Name " "\x00\x00\x00\x0c" "StaticText12"
    "Index " "\x80\x00\x00\x00"
    "Left " "\x00\x00\x02\x28"
    "Top " "\x00\x00\x00\x96"
    "Width " "\x00\x00\x00\x40"
    "Height " "\x00\x00\x00\x14"
    "LockLeft " "\x01"
    "LockTop " "\x01"
    "LockRight " "\x00"
    "LockBottom " "\x00"
    "TabPanelIndex " "\x00\x00\x00\x00"
    "TabIndex " "\x00\x00\x00\x00"
    "Text " "\x00\x00\x00\x08" "cropping"
    "TextAlign " "\x00\x00\x00\x00"
    "TextColor " "\x00\x00\x00"
    "Multiline " "\x00"
    "Enabled " "\x01"
    "Visible " "\x01"
    "Selectable " "\x00"
    "Transparent " "\x00"
    "HelpTag " "\x00\x00\x00\x00"
    "AutoDeactivate " "\x01"
    "TextFont " "\x00\x00\x00\x06" "System"
    "Bold " "\x00"
    "Italic " "\x00"
    "Underline " "\x00"
    "DataSource " "\x00\x00\x00\x00"
    "DataField " "\x00\x00\x00\x00"
    "InitialParent " "\x00\x00\x00\x07" "Canvas1"s;

const std::string kCanvas1 =
    "Name " "\x00\x00\x00\x07" "Canvas1"
    "Index " "\x80\x00\x00\x00"
    "Left " "\x00\x00\x01\xd8"
    "Top " "\x00\x00\x00\x4b"
    "Width " "\x00\x00\x00\x98"
    "Height " "\x00\x00\x00\x72"
    "LockLeft " "\x01"
    "LockTop " "\x01"
    "LockRight " "\x00"
    "LockBottom " "\x00"
    "TabPanelIndex " "\x00\x00\x00\x00"
    "TabIndex " "\x00\x00\x00\x17"
    "TabStop " "\x01"
    "Visible " "\x01"
    "HelpTag " "\x00\x00\x00\x00"
    "AutoDeactivate " "\x01"
    "Enabled " "\x01"
    "UseFocusRing " "\x01"
    "AcceptFocus " "\x00"
    "AcceptTabs " "\x00"
    "DoubleBuffer " "\x00"
    "EraseBackground " "\x01"
    "InitialParent " "\x00\x00\x00\x00"s;

const std::string kTimer1 =
    "Mode " "\x00\x00\x00\x02"
    "Period " "\x00\x00\x00\x64"s;

// Reads a block's entry names the way the receiving class reads them: the
// width of each value from the class's property type.
std::vector<std::string> EntryNames(const std::string& block, const ClassTable* cls) {
  std::vector<std::string> names;
  std::size_t pos = 0;
  while (pos < block.size()) {
    const std::size_t blank = block.find(' ', pos);
    if (blank == std::string::npos) throw std::runtime_error("no blank after byte " + std::to_string(pos));
    std::string name = block.substr(pos, blank - pos);
    const PropertyEntry* entry = cls->FindProperty(name);
    if (!entry) throw std::runtime_error(cls->Name() + " has no property " + name);
    pos = blank + 1;
    if (entry->type == "i4") pos += 4;
    else if (entry->type == "b") pos += 1;
    else if (entry->type == "c") pos += 3;
    else if (entry->type == "s") {
      if (block.size() - pos < 4) throw std::runtime_error("truncated length of " + name);
      const auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(block[pos + i])); };
      pos += 4 + (b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3));
    } else {
      throw std::runtime_error("no block kind for type " + entry->type);
    }
    if (pos > block.size()) throw std::runtime_error("truncated value of " + name);
    names.push_back(name);
  }
  return names;
}

const std::vector<std::string> kCommonNames = {"Name",     "Index",     "Left",       "Top",
                                               "Width",    "Height",    "LockLeft",   "LockTop",
                                               "LockRight", "LockBottom", "TabPanelIndex"};

std::vector<std::string> With(std::vector<std::string> tail) {
  std::vector<std::string> all = kCommonNames;
  all.insert(all.end(), tail.begin(), tail.end());
  return all;
}

}  // namespace

TEST(PropertyBlocks, TheWindowsBlockByteForByte) {
  EXPECT_BYTES(WindowBlock(), kWindow);
  auto names = EntryNames(WindowBlock(), Window::StaticClass());
  EXPECT_EQ(names.size(), 21u);
  EXPECT_EQ(names.back(), "MacProcID");
  EXPECT_EQ(WindowBlock().substr(WindowBlock().size() - 14), "MacProcID \x00\x00\x00\x00"s);
}

TEST(PropertyBlocks, OneBlockOfEachControlClassByteForByte) {
  EXPECT_BYTES(ControlBlock(Row("ProgressBar1")), kProgressBar1);
  EXPECT_BYTES(ControlBlock(Row("BevelButton2")), kBevelButton2);
  EXPECT_BYTES(ControlBlock(Row("ftop")), kFtop);
  EXPECT_BYTES(ControlBlock(Row("StaticText12")), kStaticText12);
  EXPECT_BYTES(ControlBlock(Row("Canvas1")), kCanvas1);
  EXPECT_BYTES(ControlBlock(Row("Timer1")), kTimer1);
  // fps and TextField1 carry one more entry, an empty InitialParent, at the end.
  const std::string fps = ControlBlock(Row("fps"));
  EXPECT_EQ(fps.substr(fps.size() - 18), "InitialParent \x00\x00\x00\x00"s);
  EXPECT_EQ(ControlBlock(Row("TextField1")).find("Text \x00\x00\x00\x00Mask "s) != std::string::npos, true);
}

TEST(PropertyBlocks, EveryControlsEntriesInOrderAsItsClassReadsThem) {
  const std::vector<std::string> progress =
      With({"Visible", "HelpTag", "AutoDeactivate", "Enabled", "Value", "Maximum", "InitialParent"});
  const std::vector<std::string> button = With(
      {"TabIndex", "TabStop", "InitialParent", "Visible", "HelpTag", "AutoDeactivate", "Enabled", "Caption",
       "CaptionAlign", "CaptionPlacement", "CaptionDelta", "IconAlign", "IconDX", "IconDY", "Bevel", "HasMenu",
       "HasBackColor", "BackColor", "TextColor", "Value", "MenuValue", "ButtonType", "AcceptFocus", "TextFont",
       "Bold", "Italic", "Underline"});
  const std::vector<std::string> field =
      With({"TabIndex", "TabStop", "Border", "Password", "UseFocusRing", "TextColor", "BackColor", "Enabled",
            "Format", "Visible", "HelpTag", "AutoDeactivate", "TextFont", "Bold", "Italic", "Underline", "CueText",
            "Text", "Mask", "ReadOnly", "LimitText", "AcceptTabs", "Alignment", "DataSource", "DataField"});
  const std::vector<std::string> label =
      With({"TabIndex", "Text", "TextAlign", "TextColor", "Multiline", "Enabled", "Visible", "Selectable",
            "Transparent", "HelpTag", "AutoDeactivate", "TextFont", "Bold", "Italic", "Underline", "DataSource",
            "DataField", "InitialParent"});
  const std::vector<std::string> canvas =
      With({"TabIndex", "TabStop", "Visible", "HelpTag", "AutoDeactivate", "Enabled", "UseFocusRing", "AcceptFocus",
            "AcceptTabs", "DoubleBuffer", "EraseBackground", "InitialParent"});
  std::vector<std::string> fieldWithParent = field;
  fieldWithParent.push_back("InitialParent");

  ASSERT_EQ(Window1Controls().size(), 29u);
  for (const ControlRow& row : Window1Controls()) {
    SCOPED_TRACE(std::string(row.name));
    const std::string block = ControlBlock(row);
    switch (row.cls) {
      case ControlClass::ProgressBar: EXPECT_EQ(EntryNames(block, ProgressBar::StaticClass()), progress); break;
      case ControlClass::BevelButton: EXPECT_EQ(EntryNames(block, BevelButton::StaticClass()), button); break;
      case ControlClass::TextField:
        EXPECT_EQ(EntryNames(block, TextField::StaticClass()),
                  row.name == "fps" || row.name == "TextField1" ? fieldWithParent : field);
        break;
      case ControlClass::StaticText: EXPECT_EQ(EntryNames(block, StaticText::StaticClass()), label); break;
      case ControlClass::Canvas: EXPECT_EQ(EntryNames(block, Canvas::StaticClass()), canvas); break;
      case ControlClass::Timer1:
        EXPECT_EQ(EntryNames(block, Window1::Timer1::__Lookup()), (std::vector<std::string>{"Mode", "Period"}));
        break;
    }
    // Every visible control is in no control array and on tab panel 0.
    if (row.cls != ControlClass::Timer1) {
      EXPECT_NE(block.find("Index \x80\x00\x00\x00"s), std::string::npos);
    }
  }
  EXPECT_EQ(progress.size(), 18u);
  EXPECT_EQ(button.size(), 38u);
  EXPECT_EQ(field.size(), 36u);
  EXPECT_EQ(label.size(), 29u);
  EXPECT_EQ(canvas.size(), 23u);
}

TEST(PropertyBlocks, TheInstructionsAreEightLinesJoinedByCR) {
  const std::string& text = InstructionsText();
  EXPECT_EQ(text.find('\n'), std::string::npos);
  std::vector<std::string> lines;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find('\r', start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  ASSERT_EQ(lines.size(), 8u);
  const char* const expected[] = {
      "1. select a destination folder where the images should be saved. (000001.jpg to 999999.jpg)",
      "2. either select a source folder of jpg images or the source video. type the videos fps cause i can't.",
      "3. if you want the image stand more than 1 frame, raise the number.",
      "4. number of frames faded between two images.",
      "5. if you want to crop something, type in numbers. videosize will be original size minus the numbers.",
      "6. start fading and be patient. ",
      "7. after fading, make movie from single images. ",
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
  // The eighth, a closing line of the window's own, is there.
  EXPECT_FALSE(lines[7].empty());
  // The label's block carries exactly this text.
  const std::string block = ControlBlock(Row("StaticText5"));
  EXPECT_NE(block.find(text), std::string::npos);
}

TEST(PropertyBlocks, TabIndexValuesOfTheControls) {
  std::vector<std::int32_t> indexes;
  for (const ControlRow& row : Window1Controls())
    if (row.cls != ControlClass::Timer1 && row.cls != ControlClass::ProgressBar && row.name != "StaticText12")
      indexes.push_back(row.tabIndex);
  std::sort(indexes.begin(), indexes.end());
  std::vector<std::int32_t> expected;
  for (std::int32_t i = 9; i <= 39; ++i)
    if (i != 10 && i != 16 && i != 22 && i != 25 && i != 26) expected.push_back(i);
  EXPECT_EQ(indexes, expected);
}
