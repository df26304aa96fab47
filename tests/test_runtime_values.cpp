// Parsing, formatting, searching and conversion of text and numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/values.h"

TEST(Val, ReadsTheLongestDecimalPrefix) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"", 0},         {"  12abc", 12},  {"1e3", 1000},  {"-0.5", -0.5}, {"nan", 0},   {"inf", 0},
      {"0x1A", 0},     {"+7", 7},        {".5", 0.5},    {"5.", 5},      {"1e", 1},    {"1e+", 1},
      {"2.5e-1x", 0.25}, {"-", 0},       {"abc", 0},     {"\t 3", 3},    {"1,5", 1},   {"10 20", 10},
  };
  for (auto& c : cases) EXPECT_DOUBLE_EQ(Val(c.text), c.value) << '"' << c.text << '"';
}

TEST(Val, HugeAndTinyValuesDoNotBreakParsing) {
  EXPECT_TRUE(std::isinf(Val("1e400")));
  EXPECT_GT(Val("1e400"), 0);
  EXPECT_LT(Val("-1e400"), 0);
  EXPECT_EQ(Val("1e-400"), 0.0);
  EXPECT_DOUBLE_EQ(Val("99999999999999999999"), 1e20);
}

TEST(Str, FormatsIntegersAndShortestDoubles) {
  EXPECT_EQ(Str(std::int32_t{0}), "0");
  EXPECT_EQ(Str(std::int32_t{-2147483647 - 1}), "-2147483648");
  EXPECT_EQ(Str(2.0), "2");
  EXPECT_EQ(Str(0.1), "0.1");
  EXPECT_EQ(Str(29.97), "29.97");
  EXPECT_EQ(Str(-0.5), "-0.5");
  for (double d : {1.0 / 3.0, 12.345678901234567, 1e300, 5e-324})
    EXPECT_EQ(Val(Str(d)), d) << Str(d);
}

TEST(InStr, FindsCaseInsensitivelyFromAStart) {
  struct Case {
    int start;
    const char* text;
    const char* find;
    int pos;
  } cases[] = {
      {0, "a.jpg", ".jpg", 2},      {0, "IMG_0001.JPG", ".jpg", 9}, {0, "b.jpeg", ".jpg", 0},
      {0, "d.jpg.txt", ".jpg", 2},  {0, "", ".jpg", 0},             {1, "x.jpgx.jpg", ".jpg", 2},
      {3, "x.jpgx.jpg", ".jpg", 7}, {0, "jp", ".jpg", 0},          {0, "c.JPG.txt", ".jpg", 2},
  };
  for (auto& c : cases) EXPECT_EQ(InStr(c.start, c.text, c.find), c.pos) << c.text;
}

TEST(Conversion, TruncatesAndSaturates) {
  struct Case {
    double in;
    std::int32_t out;
  } cases[] = {
      {0.0, 0},
      {2.9, 2},
      {-2.9, -2},
      {std::nan(""), 0},
      {1e10, std::numeric_limits<std::int32_t>::max()},
      {-1e10, std::numeric_limits<std::int32_t>::min()},
      {std::numeric_limits<double>::infinity(), std::numeric_limits<std::int32_t>::max()},
      {2147483647.9, 2147483647},
      {-2147483648.9, -2147483647 - 1},
  };
  for (auto& c : cases) EXPECT_EQ(RuntimeCvtReal64ToSInt32(c.in), c.out) << c.in;
  EXPECT_EQ(RuntimeCvtSInt32ToReal64(-5), -5.0);
}

TEST(WrappingArithmetic, WrapsWithoutUndefinedBehaviour) {
  constexpr auto max = std::numeric_limits<std::int32_t>::max();
  constexpr auto min = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(WrapAdd(max, 1), min);
  EXPECT_EQ(WrapSub(min, 1), max);
  EXPECT_EQ(WrapMul(65536, 65536), 0);
  EXPECT_EQ(WrapMul(3, 4), 12);
}

TEST(Strings, Arrays) {
  Ref<StringArray> a = CreateArray({0, 1});
  EXPECT_EQ(a->Size(), 2u);
  EXPECT_EQ(a->At({0, 1}), "");
  a->At({0, 1}) = std::string("x");
  EXPECT_EQ(a->At({0, 1}), "x");
  EXPECT_THROW(a->At({1, 0}), RuntimeException);
}
