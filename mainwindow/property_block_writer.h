#pragma once
// Writes property blocks: each entry is the name, one blank, then the value
// big-endian (Int32: 4 bytes, Boolean: 1, Color: red, green, blue, String:
// a 4-byte byte count and the UTF-8 bytes), one entry after another.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "runtime/variant.h"

// One entry's value; its kind is the kind of the receiving property.
using BlockValue = std::variant<std::int32_t, bool, Color, std::string_view>;

class PropertyBlockWriter {
 public:
  PropertyBlockWriter& Add(std::string_view name, const BlockValue& value);
  const std::string& Block() const noexcept { return block_; }

 private:
  void PutUInt32(std::uint32_t v);

  std::string block_;
};
