#include "ui/property_block.h"

#include <cstdint>

namespace {

class BlockReader {
 public:
  BlockReader(const std::string& block, const ClassTable& cls) : block_(block), cls_(cls) {}

  bool AtEnd() const noexcept { return pos_ >= block_.size(); }

  std::string ReadName() {
    const std::size_t start = pos_;
    while (pos_ < block_.size() && IsNameByte(block_[pos_])) ++pos_;
    if (pos_ == start || pos_ >= block_.size() || block_[pos_] != ' ')
      Fail("has no entry name followed by a blank at byte " + std::to_string(start));
    std::string name = block_.substr(start, pos_ - start);
    ++pos_;  // the blank
    return name;
  }

  Variant ReadValue(const PropertyEntry& entry) {
    const std::string& type = entry.type;
    if (type == "i4") return static_cast<std::int32_t>(ReadUInt32(entry.name));
    if (type == "b") return Take(1, entry.name)[0] != 0;
    if (type == "c") {
      const char* p = Take(3, entry.name);
      return Color{Byte(p[0]), Byte(p[1]), Byte(p[2])};
    }
    if (type == "s") {
      const std::uint32_t length = ReadUInt32(entry.name);
      return std::string(Take(length, entry.name), length);
    }
    Fail("names the entry \"" + entry.name + "\" of type " + type + ", which a block cannot carry");
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw RuntimeException("UnsupportedFormatException", "the property block for class " + cls_.Name() + " " + what);
  }

 private:
  static bool IsNameByte(char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  }
  static std::uint8_t Byte(char c) noexcept { return static_cast<std::uint8_t>(c); }

  const char* Take(std::size_t n, const std::string& entry) {
    if (block_.size() - pos_ < n)
      Fail("ends inside the value of \"" + entry + "\" (" + std::to_string(n) + " bytes wanted, " +
           std::to_string(block_.size() - pos_) + " left)");
    const char* p = block_.data() + pos_;
    pos_ += n;
    return p;
  }

  std::uint32_t ReadUInt32(const std::string& entry) {
    const char* p = Take(4, entry);
    return std::uint32_t{Byte(p[0])} << 24 | std::uint32_t{Byte(p[1])} << 16 | std::uint32_t{Byte(p[2])} << 8 |
           std::uint32_t{Byte(p[3])};
  }

  const std::string& block_;
  const ClassTable& cls_;
  std::size_t pos_ = 0;
};

}  // namespace

void _SetProperties(Object& object, const std::string& block) {
  const ClassTable* cls = object.Class();
  if (!cls) RaiseNilObjectException("the class of the object that receives a property block");
  BlockReader reader(block, *cls);
  while (!reader.AtEnd()) {
    const std::string name = reader.ReadName();
    const PropertyEntry* entry = cls->FindProperty(name);
    if (!entry)
      throw RuntimeException("KeyNotFoundException",
                             "the property block names \"" + name + "\", which class " + cls->Name() + " does not have");
    Variant value = reader.ReadValue(*entry);
    if (!entry->setter) reader.Fail("names the read-only property \"" + name + "\"");
    entry->setter(object, value);
  }
}
