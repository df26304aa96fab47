#include "mainwindow/property_block_writer.h"

void PropertyBlockWriter::PutUInt32(std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) block_.push_back(static_cast<char>((v >> shift) & 0xFF));
}

PropertyBlockWriter& PropertyBlockWriter::Add(std::string_view name, const BlockValue& value) {
  block_.append(name);
  block_.push_back(' ');
  if (auto* i = std::get_if<std::int32_t>(&value)) {
    PutUInt32(static_cast<std::uint32_t>(*i));
  } else if (auto* b = std::get_if<bool>(&value)) {
    block_.push_back(*b ? '\1' : '\0');
  } else if (auto* c = std::get_if<Color>(&value)) {
    block_.push_back(static_cast<char>(c->red));
    block_.push_back(static_cast<char>(c->green));
    block_.push_back(static_cast<char>(c->blue));
  } else {
    const std::string_view s = std::get<std::string_view>(value);
    PutUInt32(static_cast<std::uint32_t>(s.size()));
    block_.append(s);
  }
  return *this;
}
