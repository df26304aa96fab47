#include "runtime/values.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "runtime/classes.h"

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

double Val(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t begin = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  std::size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    std::size_t expDigits = 0;
    while (j < text.size() && IsDigit(text[j])) ++j, ++expDigits;
    if (expDigits > 0) end = j;
  }
  std::string_view number = text.substr(begin, end - begin);
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  double value = 0.0;
  auto res = std::from_chars(number.data(), number.data() + number.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone on overflow; keep the sign of the text.
    const bool negative = number.front() == '-';
    bool tiny = false;
    // An exponent far below zero underflows rather than overflows.
    if (auto e = number.find_first_of("eE"); e != std::string_view::npos)
      tiny = number.substr(e + 1).starts_with('-');
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    if (negative) value = -value;
  }
  return value;
}

std::string Str(std::int32_t value) { return std::to_string(value); }

std::string Str(double value) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::int32_t InStr(std::int32_t start, std::string_view text, std::string_view find) {
  std::size_t from = start > 1 ? static_cast<std::size_t>(start - 1) : 0;
  if (find.empty()) return from < text.size() || text.empty() ? static_cast<std::int32_t>(from + 1) : 0;
  if (text.size() < find.size()) return 0;
  for (std::size_t i = from; i + find.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < find.size() && Lower(text[i + k]) == Lower(find[k])) ++k;
    if (k == find.size()) return static_cast<std::int32_t>(i + 1);
  }
  return 0;
}

std::int32_t RuntimeCvtReal64ToSInt32(double value) noexcept {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);  // truncates toward zero
}

double RuntimeCvtSInt32ToReal64(std::int32_t value) noexcept { return value; }

std::int32_t WrapAdd(std::int32_t a, std::int32_t b) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t WrapSub(std::int32_t a, std::int32_t b) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t WrapMul(std::int32_t a, std::int32_t b) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}

StringArray::StringArray(std::vector<std::int32_t> upperBounds) : upper_(std::move(upperBounds)) {
  std::size_t n = 1;
  for (auto u : upper_) n *= u >= 0 ? static_cast<std::size_t>(u) + 1 : 0;
  data_.resize(upper_.empty() ? 0 : n);
}

std::string& StringArray::At(std::vector<std::int32_t> index) {
  if (index.size() != upper_.size()) throw RuntimeException("OutOfBoundsException", "wrong number of indexes");
  std::size_t flat = 0;
  for (std::size_t d = 0; d < upper_.size(); ++d) {
    if (index[d] < 0 || index[d] > upper_[d])
      throw RuntimeException("OutOfBoundsException", "index " + std::to_string(index[d]) + " is out of bounds");
    flat = flat * (static_cast<std::size_t>(upper_[d]) + 1) + static_cast<std::size_t>(index[d]);
  }
  return data_[flat];
}

const ClassTable* StringArray::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({.name = "Array"});
  return table;
}

Ref<StringArray> CreateArray(std::vector<std::int32_t> upperBounds) {
  return New<StringArray>(std::move(upperBounds));
}
