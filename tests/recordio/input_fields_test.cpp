// input_fields_test.cpp - Iw, Fw.d and Aw fields, typed free-form values and
// the free-form value scanner, without files.
#include "recordio/input_fields.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/free_form_input.h"

namespace {

using namespace recordio;

constexpr std::int32_t ok = 0;
constexpr std::int32_t illegal = code::illegal_numeric_character;

std::uint64_t bits_of(double value) { return std::bit_cast<std::uint64_t>(value); }

// ---------------------------------------------------------------------------
// take_field

struct TakeCase {
  std::string_view record;
  std::int32_t position;
  std::int32_t width;
  bool numeric;
  std::string_view field;
  std::int32_t next;
};

// A fault in cutting would shift every later field of a measurement line.
TEST(InputTakeField, CutsFieldsShortRecordsAndCommas) {
  const TakeCase cases[] = {
      {"  85Rb     1", 0, 4, true, "  85", 4},
      {"  85Rb     1", 4, 4, false, "Rb  ", 8},
      {"  85Rb     1", 8, 4, true, "   1", 12},
      // Short record: the characters that remain, then nothing.
      {"  85Rb     1", 8, 19, true, "   1", 12},
      {"  85Rb     1", 12, 4, true, "", 12},
      {"  85", 40, 4, true, "", 40},
      // A comma ends a numeric field early and is consumed...
      {"  8,Rb  ", 0, 4, true, "  8", 4},
      {"1,1.5,  ,2", 0, 19, true, "1", 2},
      {",x", 0, 4, true, "", 1},
      // ...but is data in a character field.
      {"a,b,", 0, 4, false, "a,b,", 4},
  };
  for (const TakeCase& c : cases) {
    const FieldSpan span = take_field(c.record, c.position, c.width, c.numeric);
    EXPECT_EQ(c.field, span.field) << c.record << " @" << c.position;
    EXPECT_EQ(c.next, span.next_position) << c.record << " @" << c.position;
  }
}

// ---------------------------------------------------------------------------
// Iw

struct IntegerCase {
  const char* field;
  std::int32_t result;  // expected code
  std::int32_t value;   // expected value (or the kept old value 777)
};

class InputIntegerField : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(InputIntegerField, EditsOrRefuses) {
  std::int32_t value = 777;
  EXPECT_EQ(GetParam().result, edit_integer_field(GetParam().field, value));
  EXPECT_EQ(GetParam().value, value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InputIntegerField,
    ::testing::Values(
        // Blanks and tabs anywhere are ignored.
        IntegerCase{"  85", ok, 85}, IntegerCase{"  1 ", ok, 1}, IntegerCase{" 1 8", ok, 18},
        IntegerCase{"\t1\t2", ok, 12}, IntegerCase{" - 5", ok, -5}, IntegerCase{"+37", ok, 37},
        // Blank and sign-only fields read as 0.
        IntegerCase{"", ok, 0}, IntegerCase{"    ", ok, 0}, IntegerCase{"-", ok, 0},
        IntegerCase{" + ", ok, 0},
        // No overflow check: modulo 2^32, two's complement.
        IntegerCase{"2147483647", ok, 2147483647},
        IntegerCase{"2147483648", ok, std::numeric_limits<std::int32_t>::min()},
        IntegerCase{"-2147483648", ok, std::numeric_limits<std::int32_t>::min()},
        IntegerCase{"4294967297", ok, 1},
        IntegerCase{"99999999999999999999999999999", ok, -1610612737},
        // Anything else keeps the old value.
        IntegerCase{"1 -8", illegal, 777}, IntegerCase{"+-1", illegal, 777},
        IntegerCase{"1.5", illegal, 777}, IntegerCase{" NEW", illegal, 777},
        IntegerCase{"1e3", illegal, 777}, IntegerCase{"12-", illegal, 777}));

// A NUL inside a field is a character like any other, not an end.
TEST(InputIntegerFieldBytes, NulAndControlBytesAreIllegal) {
  std::int32_t value = 5;
  EXPECT_EQ(illegal, edit_integer_field(std::string_view("1\0"
                                                         "2",
                                                         3),
                                        value));
  EXPECT_EQ(illegal, edit_integer_field("1\x1a", value));
  EXPECT_EQ(illegal, edit_integer_field("\xff", value));
  EXPECT_EQ(5, value);
}

// ---------------------------------------------------------------------------
// Fw.d

struct RealCase {
  const char* field;
  std::int32_t decimals;
  std::int32_t result;
  double value;  // expected, bit for bit (old value 777.0 when refused)
};

class InputRealField : public ::testing::TestWithParam<RealCase> {};

TEST_P(InputRealField, EditsOrRefuses) {
  TextBuffer scratch;
  double value = 777.0;
  EXPECT_EQ(GetParam().result,
            edit_real_field(GetParam().field, GetParam().decimals, scratch, value));
  EXPECT_EQ(bits_of(GetParam().value), bits_of(value)) << GetParam().field << " gave " << value;
}

INSTANTIATE_TEST_SUITE_P(
    Table, InputRealField,
    ::testing::Values(
        RealCase{" -82167331.11000000", 8, ok, -82167331.11},
        RealCase{"  -8216733111000000", 8, ok, -82167331.11},  // implied point
        RealCase{"    10.00000000", 8, ok, 10.0}, RealCase{"   1000000000", 8, ok, 10.0},
        RealCase{"   12", 8, ok, 0.00000012},  // fewer digits than d: zeros in front
        RealCase{"", 8, ok, 0.0}, RealCase{"      ", 8, ok, 0.0},
        RealCase{"-  ", 8, ok, -0.0},        // a lone sign is negative zero
        RealCase{"1.5", 8, ok, 1.5},         // a written point wins over d
        RealCase{"15", 0, ok, 15.0},         // d = 0: no implied point
        RealCase{"1 5", 1, ok, 1.5},         // blanks removed before the point is placed
        RealCase{"125E2", 2, ok, 125.0},     // point before the last d digits, exponent behind
        RealCase{"12345-3", 2, ok, 12.345},  // sign exponent counted among the n characters
        RealCase{"1.2.3", 2, ok, 1.2},       // stops at the second point
        RealCase{"+4.177D0", 3, ok, 4.177},
        RealCase{" -Inf", 2, ok, -std::numeric_limits<double>::infinity()},
        RealCase{"i", 2, ok, std::numeric_limits<double>::infinity()},
        RealCase{"Infxyz!", 2, ok,
                 std::numeric_limits<double>::infinity()},  // nothing more looked at
        // Signs and letters in any order pass the check; the conversion stops
        // where the number does: 1-8 is 1e-8, and +.0- is zero.
        RealCase{"1 -8.2167331", 8, ok, 1e-8}, RealCase{"+-", 2, ok, 0.0},
        RealCase{"--1", 1, ok, -0.0},
        // Illegal characters keep the old value.
        RealCase{"1,5", 1, illegal, 777.0}, RealCase{"4.1x", 3, illegal, 777.0},
        RealCase{"1\x1a", 1, illegal, 777.0}, RealCase{"$1", 1, illegal, 777.0},
        RealCase{"1/2", 1, illegal, 777.0}));

// N after the sign is not-a-number whatever follows, so a real field holding
// a word that starts with N is not refused.
TEST(InputRealFieldSpecial, NotANumber) {
  TextBuffer scratch;
  for (const char* field : {"NEW", " - n", "nonsense!"}) {
    double value = 1.0;
    EXPECT_EQ(ok, edit_real_field(field, 8, scratch, value)) << field;
    EXPECT_TRUE(std::isnan(value)) << field;
  }
}

// The implied point with a huge d puts that many zeros in front; the buffer
// must grow for it rather than write past its end.
TEST(InputRealFieldSpecial, HugeDecimalsGrowTheBuffer) {
  TextBuffer scratch;
  double value = 0.0;
  EXPECT_EQ(ok, edit_real_field("5", 100000, scratch, value));
  EXPECT_EQ(0.0, value);
  EXPECT_EQ(ok, edit_real_field("5", 3, scratch, value));
  EXPECT_EQ(0.005, value);
}

// A field of any length is taken whole: 100000 digits overflow to infinity.
TEST(InputRealFieldSpecial, VeryLongField) {
  TextBuffer scratch;
  double value = 0.0;
  EXPECT_EQ(ok, edit_real_field(std::string(100000, '7'), 0, scratch, value));
  EXPECT_EQ(std::numeric_limits<double>::infinity(), value);
  EXPECT_EQ(ok, edit_real_field(std::string(100000, '7'), 99998, scratch, value));
  EXPECT_EQ(0x1.371c71c71c71cp+6, value);  // 7777777777777777777 cut, / 10^17
}

// ---------------------------------------------------------------------------
// Aw

struct CharacterCase {
  std::string field;
  std::int32_t width;
  std::int32_t length;
  const char* text;
};

// A fault here misplaces symbols: the right-hand end of a wide field, blank
// padding of a short one, and every byte copied unchanged.
TEST(InputCharacterField, TakesPadsAndKeepsBytes) {
  const CharacterCase cases[] = {
      {"Rb  ", 4, 4, "Rb  "},
      {"NEW", 4, 4, "NEW "},     // record ended inside the field
      {"", 4, 4, "    "},        // field past the end of the record
      {"abcdef", 6, 4, "cdef"},  // wider field: its last L characters
      {"abc", 6, 4, "c   "},     // wider and cut short: drop w - L first
      {"ab", 2, 4, "ab  "},      // narrower field: padded
      {"'O,\"", 4, 4, "'O,\""},  // quotes and commas are data
      {std::string("a\0\x1a\t", 4), 4, 4, "a\0\x1a\t"},
  };
  for (const CharacterCase& c : cases) {
    char text[4] = {'x', 'x', 'x', 'x'};
    edit_character_field(c.field, c.width, text, c.length);
    EXPECT_EQ(std::string(c.text, 4), std::string(text, 4)) << c.field;
  }
}

// ---------------------------------------------------------------------------
// Typed free-form values

// Free-form integers have no blank handling and no decimal point.
TEST(InputFreeFormValue, Integers) {
  std::int32_t value = 9;
  EXPECT_EQ(ok, edit_integer_value("37", value));
  EXPECT_EQ(37, value);
  EXPECT_EQ(ok, edit_integer_value("+37", value));
  EXPECT_EQ(37, value);
  EXPECT_EQ(ok, edit_integer_value("-2147483649", value));
  EXPECT_EQ(2147483647, value);
  value = 9;
  for (const char* text : {"37.0", "3.7e1", "37.", "1.5", "'37'", "3 7", "x"}) {
    EXPECT_EQ(illegal, edit_integer_value(text, value)) << text;
  }
  EXPECT_EQ(9, value);
}

// Free-form doubles: the real-field check, then the conversion; no implied
// point, and letters other than exponent letters are refused.
TEST(InputFreeFormValue, Doubles) {
  const std::pair<const char*, double> accepted[] = {
      {"4.177", 4.177},
      {"4177e-3", 4.177},
      {"4.177D0", 4.177},
      {".5", 0.5},
      {"5.", 5.0},
      {"5", 5.0},
      {"-82167331.11", -82167331.11},
  };
  for (const auto& [text, expected] : accepted) {
    double value = 0.0;
    EXPECT_EQ(ok, edit_real_value(text, value)) << text;
    EXPECT_EQ(expected, value) << text;
  }
  double value = 3.0;
  for (const char* text : {"inf", "NaN", "4,1", "'4'", "4.1x", "\x1a"}) {
    EXPECT_EQ(illegal, edit_real_value(text, value)) << text;
  }
  EXPECT_EQ(illegal, edit_real_value(std::string_view("4\0", 2), value));
  EXPECT_EQ(3.0, value);
}

TEST(InputFreeFormValue, TextIsCutOrPadded) {
  char text[4];
  edit_text_value("Rb", text, 4);
  EXPECT_EQ("Rb  ", std::string(text, 4));
  edit_text_value("Rbxyz", text, 4);
  EXPECT_EQ("Rbxy", std::string(text, 4));
}

}  // namespace

namespace {

// A size that cannot be represented must be refused before any allocation,
// leaving the contents as they were (a wrapped size would corrupt memory).
TEST(InputTextBuffer, GrowthBeyondAnySizeIsRefused) {
  recordio::TextBuffer buffer;
  ASSERT_TRUE(buffer.append("ab"));
  EXPECT_FALSE(buffer.append_repeated('x', std::numeric_limits<std::size_t>::max()));
  EXPECT_EQ("ab", buffer.view());
  ASSERT_TRUE(buffer.append_repeated('c', 1000));
  EXPECT_EQ(1002u, buffer.size());
  buffer.clear();
  EXPECT_EQ("", buffer.view());
}

}  // namespace
