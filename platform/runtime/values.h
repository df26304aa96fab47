#pragma once
// Text and numbers: parsing, formatting, searching and conversion, with
// fixed rules so that every machine gives the same results.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/object.h"

// Skips leading blanks, then reads the longest prefix that is a decimal
// number (sign, digits, fraction, exponent) in the C locale; otherwise 0.
double Val(std::string_view text);
// Decimal text of an Int32.
std::string Str(std::int32_t value);
// The shortest text that reads back as the same Double ("2" for 2.0).
std::string Str(double value);
// 1-based position of `find` in `text` at or after `start` (0 and 1 both
// mean the beginning), ASCII case-insensitive; 0 when not found.
std::int32_t InStr(std::int32_t start, std::string_view text, std::string_view find);

// Truncates toward zero; NaN gives 0; values beyond the range saturate.
std::int32_t RuntimeCvtReal64ToSInt32(double value) noexcept;
double RuntimeCvtSInt32ToReal64(std::int32_t value) noexcept;

// Int32 arithmetic with defined two's-complement wrapping.
std::int32_t WrapAdd(std::int32_t a, std::int32_t b) noexcept;
std::int32_t WrapSub(std::int32_t a, std::int32_t b) noexcept;
std::int32_t WrapMul(std::int32_t a, std::int32_t b) noexcept;

// A String array of any number of dimensions, every element empty at first.
class StringArray : public Object {
 public:
  explicit StringArray(std::vector<std::int32_t> upperBounds);
  const std::vector<std::int32_t>& UpperBounds() const noexcept { return upper_; }
  std::size_t Size() const noexcept { return data_.size(); }
  std::string& At(std::vector<std::int32_t> index);
  static const ClassTable* StaticClass();

 private:
  std::vector<std::int32_t> upper_;
  std::vector<std::string> data_;
};

// A new String array with these upper bounds (one per dimension).
Ref<StringArray> CreateArray(std::vector<std::int32_t> upperBounds);
