#pragma once
// The folder run as a test drives it: the destination and source chosen
// through the dialogs, the run's numbers typed, and the frames a whole run
// of photos of known colours writes.
#include <cstdint>
#include <string>
#include <vector>

#include "support/engine_fixture.h"

namespace engine_test {

using Names = std::vector<std::string>;
using Colours = std::vector<std::uint32_t>;

struct Settings {
  std::int32_t still = 2, fade = 2;
  Margins margins;
};

// Chooses the destination and the source with the dialogs answered, and
// types the run's numbers into the fields.
inline void Prepare(const std::string& source, const std::string& dest, const Settings& s = {}) {
  std::filesystem::create_directories(dest);
  ClickAnswering("BevelButton2", dest);
  ClickAnswering("BevelButton1", source);
  SetField("stilltext", std::to_string(s.still));
  SetField("fadetext", std::to_string(s.fade));
  SetField("ftop", std::to_string(s.margins.top));
  SetField("fbottom", std::to_string(s.margins.bottom));
  SetField("fleft", std::to_string(s.margins.left));
  SetField("fright", std::to_string(s.margins.right));
}

// The frames a whole run writes from photos of these colours, in order.
inline Colours ExpectedFrames(const Colours& photos, const Settings& s) {
  Colours frames = {photos.front()};
  for (std::size_t i = 1; i < photos.size(); ++i) {
    for (int j = 1; j <= s.fade + 1; ++j) frames.push_back(Mix(photos[i - 1], photos[i], j, s.fade + 1));
    for (int k = 1; k < s.still; ++k) frames.push_back(photos[i]);
  }
  return frames;
}

// Each frame file shows its expected colour, and nothing else is there.
inline void ExpectFrames(const std::string& dest, const Colours& frames, const Margins& m = {}) {
  EXPECT_EQ(FileNames(dest), FrameNames(static_cast<int>(frames.size())));
  const Names names = FrameNames(static_cast<int>(frames.size()));
  for (std::size_t i = 0; i < frames.size(); ++i) EXPECT_TRUE(FrameShows(dest + "/" + names[i], frames[i], m));
}

}  // namespace engine_test
