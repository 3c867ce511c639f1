// fast_path_test.cpp - each shorter road of the layer against the general one.
//
// Real fields written from the shown digits as one integer and laid out in
// machine words, integer fields written several digits at a time or from a
// table, plain integer and real fields read digit by digit, statements that
// take all their items in one call, write statements edited straight into
// the block buffer (by the layout's field list, or by a run made for a
// constant list) and lines cut sixteen bytes at a time must give exactly
// what the pair-by-pair layout, the digit string, one digit at a time, the
// general field reading, the list walk item by item and the line's own
// bytes give. Random fields and values, 100000 of each by default;
// F2E_PROPERTY_COUNT=<n> for a longer run.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/equation_formats.h"
#include "recordio/compiled_fields.h"
#include "recordio/current_record.h"
#include "recordio/decimal_digits.h"
#include "recordio/input_editing.h"
#include "recordio/input_fields.h"
#include "recordio/output_editing.h"
#include "recordio/output_fields.h"
#include "recordio/power_of_ten.h"
#include "recordio/prepared_format.h"
#include "recordio/text_records.h"
#include "recordio/units.h"
#include "tests/recordio/layer_fixture.h"

namespace {

namespace rio = recordio;

std::size_t case_count() {
  const char* text = std::getenv("F2E_PROPERTY_COUNT");
  if (text == nullptr || *text == '\0') return 100000;
  return static_cast<std::size_t>(std::strtoull(text, nullptr, 10));
}

// A field in an allocation of exactly its size, so that a sanitizer run
// reports a read or a store one byte outside it: a short std::string has
// spare bytes after its characters where either would pass unseen.
class ExactField {
 public:
  explicit ExactField(std::string_view bytes)
      : bytes_(std::make_unique<char[]>(bytes.size())), size_(bytes.size()) {
    if (size_ != 0) std::memcpy(bytes_.get(), bytes.data(), size_);
  }
  explicit ExactField(std::int32_t width)
      : ExactField(std::string(static_cast<std::size_t>(width), ' ')) {}
  char* data() { return bytes_.get(); }
  std::string_view view() const { return {bytes_.get(), size_}; }
  std::string text() const { return std::string(view()); }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
};

// Values of every kind, with many of the magnitudes and near-ties that
// real fields meet.
double random_value(std::mt19937_64& random) {
  const double sign = random() % 2 == 0 ? 1.0 : -1.0;
  switch (random() % 5) {
    case 0:
      return std::bit_cast<double>(random());
    case 1:
      return sign * std::pow(10.0, std::uniform_real_distribution<double>(-10.0, 17.0)(random));
    case 2:  // ties and carries at a few decimals
      return sign * (static_cast<double>(random() % 2000000) / 1000.0 +
                     (random() % 2 == 0 ? 0.0005 : 0.0));
    case 3:
      return sign * (std::pow(10.0, static_cast<double>(random() % 12)) -
                     std::pow(10.0, -static_cast<double>(random() % 12)));
    default:
      return sign * std::uniform_real_distribution<double>(0.0, 100000.0)(random);
  }
}

// A power of ten from the table is the one the squaring gives at run time.
TEST(PowerOfTenTable, HoldsTheSquaredPowersBitForBit) {
  for (std::int64_t i = 0; i < 400; ++i) {
    volatile std::int64_t n = i;  // keeps the squaring at run time
    ASSERT_EQ(std::bit_cast<std::uint64_t>(rio::power_of_ten(i)),
              std::bit_cast<std::uint64_t>(rio::squared_power_of_ten(n)))
        << i;
  }
}

TEST(RealFieldFastPath, WritesWhatTheDigitStringWrites) {
  std::mt19937_64 random(1207);
  const std::size_t count = case_count();
  std::size_t taken = 0;
  rio::DigitString digits;
  for (std::size_t i = 0; i < count; ++i) {
    const double x = random_value(random);
    const auto w = static_cast<std::int32_t>(1 + random() % 30);
    const auto d = static_cast<std::int32_t>(random() % 18);
    ExactField fast(w);
    ExactField general(w);
    if (!rio::edit_real_from_shown_digits(fast.data(), x, w, d)) continue;
    ++taken;
    rio::edit_real_from_digit_string(general.data(), x, w, d, digits);
    ASSERT_EQ(fast.view(), general.view()) << std::hexfloat << x << " F" << w << "." << d;
  }
  // The comparison means something only if the fast path is taken often.
  EXPECT_GT(taken, count / 3);
}

// Values the word layout must get right beside the random ones: negative
// zero, a rounding that makes one digit more, values below one.
double edge_value(std::mt19937_64& random, std::int32_t d) {
  const double sign = random() % 2 == 0 ? 1.0 : -1.0;
  const double unit = std::pow(10.0, -d);
  switch (random() % 3) {
    case 0:
      return sign * 0.0;
    case 1:
      return sign * (std::pow(10.0, static_cast<double>(random() % 9)) - unit * 0.4);
    default:
      return sign * unit * std::uniform_real_distribution<double>(0.0, 20.0)(random);
  }
}

// Every value through edit_real, which lays fields of 4 to 16 columns out in
// machine words, against the pair-by-pair layout and the digit string.
TEST(RealFieldInWords, WritesWhatThePairByPairLayoutWrites) {
  std::mt19937_64 random(1214);
  const std::size_t count = case_count();
  std::size_t taken = 0;
  rio::DigitString digits;
  const auto field = [&](double x, std::int32_t w, std::int32_t d, bool words) {
    ExactField columns(w);
    if (words) {
      rio::edit_real(columns.data(), x, w, d, digits);
    } else if (!rio::edit_real_from_shown_digits(columns.data(), x, w, d)) {
      rio::edit_real_from_digit_string(columns.data(), x, w, d, digits);
    }
    return columns.text();
  };
  for (std::size_t i = 0; i < count; ++i) {
    const auto d = static_cast<std::int32_t>(random() % 4 == 0 ? random() % 17 : random() % 9);
    const double x = random() % 4 == 0 ? edge_value(random, d) : random_value(random);
    // Mostly the width the value needs, or one column less.
    const std::string wide = field(x, 40, d, false);
    const auto needed = static_cast<std::int32_t>(40 - wide.find_first_not_of(' '));
    const std::int32_t w = random() % 3 == 0 ? static_cast<std::int32_t>(1 + random() % 18)
                                             : needed - static_cast<std::int32_t>(random() % 2);
    if (w < 1) continue;
    ExactField scratch(w);
    if (rio::edit_real_in_words(scratch.data(), x, w, d)) ++taken;
    ASSERT_EQ(field(x, w, d, true), field(x, w, d, false))
        << std::hexfloat << x << " F" << w << "." << d;
  }
  EXPECT_GT(taken, count / 3);
}

// Iw as the plainest writer lays it out, one digit at a time from the
// right: the check on the editor's several digits at a time.
std::string integer_one_digit_at_a_time(std::int32_t value, std::int32_t w, std::int32_t m) {
  std::uint64_t rest =
      value < 0 ? 0U - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  std::string digits;
  for (; rest != 0; rest /= 10) digits.insert(digits.begin(), static_cast<char>('0' + rest % 10));
  if (static_cast<std::int32_t>(digits.size()) < m)
    digits.insert(0, static_cast<std::size_t>(m) - digits.size(), '0');
  if (value < 0) digits.insert(digits.begin(), '-');
  if (static_cast<std::int32_t>(digits.size()) > w)
    return std::string(static_cast<std::size_t>(w), '*');
  return std::string(static_cast<std::size_t>(w) - digits.size(), ' ') + digits;
}

TEST(IntegerFieldDigits, WriteWhatOneDigitAtATimeWrites) {
  std::mt19937_64 random(1211);
  for (std::size_t i = 0, count = case_count(); i < count; ++i) {
    const auto bits = static_cast<std::uint32_t>(random());
    const auto value =
        static_cast<std::int32_t>(random() % 2 == 0 ? bits : bits >> (random() % 32));
    const auto w = static_cast<std::int32_t>(1 + random() % 14);
    // m = 1, the program's own, half the time: small values then take a table.
    const auto m = static_cast<std::int32_t>(random() % 2 == 0 ? 1 : random() % 13);
    ExactField field(w);
    rio::edit_integer(field.data(), value, w, m);
    ASSERT_EQ(field.text(), integer_one_digit_at_a_time(value, w, m))
        << value << " I" << w << "." << m;
  }
}

// Field texts near the plain shape, and some well away from it.
std::string random_field(std::mt19937_64& random) {
  static constexpr std::string_view odd = " +-.0123456789eEdD,\tIN";
  std::string field(random() % 12, ' ');  // blank runs shorter and longer than a word
  if (random() % 3 == 0) field += random() % 2 == 0 ? '-' : '+';
  for (std::uint64_t n = random() % 12; n > 0; --n) field += static_cast<char>('0' + random() % 10);
  if (random() % 4 != 0) field += '.';
  for (std::uint64_t n = random() % 12; n > 0; --n) field += static_cast<char>('0' + random() % 10);
  if (random() % 3 == 0) field.append(random() % 9, '0');  // trailing zeros, eight at a time too
  field.append(random() % 3, ' ');
  if (!field.empty() && random() % 5 == 0)
    field[random() % field.size()] = odd[random() % odd.size()];
  return field;
}

TEST(RealInputFastPath, ReadsWhatTheFieldTextReads) {
  std::mt19937_64 random(1208);
  const std::size_t count = case_count();
  std::size_t taken = 0;
  rio::TextBuffer scratch;
  for (std::size_t i = 0; i < count; ++i) {
    std::string field = random_field(random);
    if (field.empty()) field = "0";
    const auto d = static_cast<std::int32_t>(random() % 10);
    double fast = 0.0;
    if (!rio::edit_plain_real_field(ExactField(field).view(), d, fast)) continue;
    ++taken;
    double general = 1.0;
    ASSERT_EQ(rio::edit_any_real_field(field, d, scratch, general), 0) << '"' << field << '"';
    ASSERT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(general))
        << '"' << field << "\" F." << d;
  }
  EXPECT_GT(taken, count / 3);
}

// Plain reals of every length the plain reader takes, around the 2^53
// at which the fraction's trailing zeros start to matter to the 53-bit
// cut: each is taken, and gives the general reader's double.
TEST(RealInputFastPath, TakesEveryPlainLengthAsTheFieldTextReads) {
  std::mt19937_64 random(1214);
  const std::size_t count = case_count();
  rio::TextBuffer scratch;
  for (std::size_t i = 0; i < count; ++i) {
    const auto digits = static_cast<std::size_t>(1 + random() % 18);
    const std::size_t whole = random() % (digits + 1);
    std::string field(random() % 10, ' ');
    if (random() % 3 == 0) field += random() % 2 == 0 ? '-' : '+';
    std::string shown;
    for (std::size_t k = 0; k < digits; ++k) {
      // Long runs of nines and zeros put the mantissa next to 2^53 and
      // give the fraction its trailing zeros.
      const std::uint64_t pick = random() % 4;
      shown += pick == 0 ? '9' : pick == 1 ? '0' : static_cast<char>('0' + random() % 10);
    }
    field += shown.substr(0, whole) + '.' + shown.substr(whole);
    field.append(random() % 3, ' ');
    const auto d = static_cast<std::int32_t>(random() % 10);
    double fast = 0.0;
    ASSERT_TRUE(rio::edit_plain_real_field(ExactField(field).view(), d, fast))
        << '"' << field << '"';
    double general = 1.0;
    ASSERT_EQ(rio::edit_any_real_field(field, d, scratch, general), 0) << '"' << field << '"';
    ASSERT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(general))
        << '"' << field << "\" F." << d;
  }
}

// Fields with no digits: the plain readers take the empty and the blank
// ones and must give the general road's zero (not its negative zero, which
// only a sign gives); the others they leave to it.
TEST(InputFastPath, FieldsWithoutDigitsReadAsTheGeneralRoadReadsThem) {
  rio::TextBuffer scratch;
  for (const std::string_view field : {"", " ", "         ", "-", "  + ", " . ", "-.  "}) {
    for (const std::int32_t d : {0, 8}) {
      double fast = 1.0;
      double general = 2.0;
      ASSERT_EQ(rio::edit_any_real_field(field, d, scratch, general), 0);
      if (rio::edit_plain_real_field(field, d, fast)) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(fast), std::bit_cast<std::uint64_t>(general))
            << '"' << field << '"';
      }
    }
    std::int32_t fast = 1;
    std::int32_t general = 2;
    ASSERT_EQ(rio::edit_integer_field(field, general), field.find('.') == field.npos ? 0 : 10016);
    if (rio::edit_plain_integer_field(field, fast)) {
      EXPECT_EQ(fast, general) << '"' << field << '"';
    }
  }
  double zero = 1.0;
  EXPECT_TRUE(rio::edit_plain_real_field("    ", 8, zero));
  std::int32_t none = 1;
  EXPECT_TRUE(rio::edit_plain_integer_field("", none));
  EXPECT_EQ(none, 0);
}

TEST(IntegerInputFastPath, ReadsWhatTheGeneralWalkReads) {
  std::mt19937_64 random(1210);
  const std::size_t count = case_count();
  std::size_t taken = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::string field = random_field(random);
    if (const std::size_t point = field.find('.');
        point != std::string::npos && random() % 2 == 0) {
      field.erase(point, 1);
    }
    std::int32_t fast = 0;
    if (!rio::edit_plain_integer_field(ExactField(field).view(), fast)) continue;
    ++taken;
    std::int32_t general = 1;
    ASSERT_EQ(rio::edit_integer_field(field, general), 0) << '"' << field << '"';
    ASSERT_EQ(fast, general) << '"' << field << '"';
  }
  EXPECT_GT(taken, count / 10);
}

// A random fixed-column list: fields, skips, literals and record breaks.
std::vector<rio::EditDescriptor> random_list(std::mt19937_64& random) {
  static constexpr std::string_view literals[] = {"", "-", " =", " (", ")", " keV"};
  std::vector<rio::EditDescriptor> list;
  for (std::uint64_t n = 1 + random() % 8; n > 0; --n) {
    switch (random() % 7) {
      case 0:
        list.push_back(rio::skip(static_cast<std::int32_t>(1 + random() % 6)));
        break;
      case 1:
        list.push_back(rio::literal(literals[random() % 6]));
        break;
      case 2:
        list.push_back(rio::record_break());
        break;
      case 3:
        list.push_back(rio::integer(static_cast<std::int32_t>(1 + random() % 8)));
        break;
      case 4:
        list.push_back(rio::character(static_cast<std::int32_t>(1 + random() % 6)));
        break;
      default:
        list.push_back(rio::real(static_cast<std::int32_t>(1 + random() % 16),
                                 static_cast<std::int32_t>(random() % 7)));
        break;
    }
  }
  return list;
}

// Mostly one item of the field's kind per field, sometimes one of another
// kind, one too many or one too few.
std::vector<rio::OutputItem> random_items(std::mt19937_64& random,
                                          const std::vector<rio::EditDescriptor>& list) {
  static constexpr std::string_view texts[] = {"", "Cs", "Rb  ", "abcdefgh"};
  std::vector<rio::OutputItem> items;
  const auto any_item = [&](std::uint64_t kind) {
    switch (kind % 3) {
      case 0:
        return rio::OutputItem::of(static_cast<std::int32_t>(random()) >>
                                   static_cast<int>(random() % 32));
      case 1:
        return rio::OutputItem::of(random_value(random));
      default:
        return rio::OutputItem::of(texts[random() % 4]);
    }
  };
  for (const rio::EditDescriptor& descriptor : list) {
    using Kind = rio::EditDescriptor::Kind;
    if (descriptor.kind != Kind::integer && descriptor.kind != Kind::real &&
        descriptor.kind != Kind::character) {
      continue;
    }
    const std::uint64_t kind = random() % 20 == 0                 ? random()
                               : descriptor.kind == Kind::integer ? 0
                               : descriptor.kind == Kind::real    ? 1
                                                                  : 2;
    items.push_back(any_item(kind));
  }
  if (random() % 20 == 0) items.push_back(any_item(random()));
  if (random() % 20 == 0 && !items.empty()) items.pop_back();
  return items;
}

class WriteFastPath : public testing_support::LayerTest {
 protected:
  // One statement with a status variable, so that a refused item comes
  // back as a code; returns the outcomes of begin, of the items (the first
  // other than success) and of end, and the status. The items go one call
  // each, or all in one call.
  static std::vector<std::int32_t> write(std::int32_t unit, const rio::PreparedFormat& format,
                                         bool prepared, bool in_one_call,
                                         const std::vector<rio::OutputItem>& items) {
    rio::StatementRequest request;
    request.unit = unit;
    if (prepared) {
      rio::use_format(request, format);
    } else {
      request.format = format.list();
    }
    std::int32_t status = 0;
    request.status = &status;
    std::vector<std::int32_t> outcomes;
    outcomes.push_back(static_cast<std::int32_t>(rio::begin_write(request)));
    rio::Outcome written = rio::Outcome::success;
    if (in_one_call) {
      written = rio::write_items(request, items);
    } else {
      for (const rio::OutputItem& item : items) {
        const rio::Outcome outcome = rio::write_item(request, item);
        if (written == rio::Outcome::success) written = outcome;
      }
    }
    outcomes.push_back(static_cast<std::int32_t>(written));
    outcomes.push_back(static_cast<std::int32_t>(rio::end_write(request)));
    outcomes.push_back(status);
    return outcomes;
  }

  // Releases units 1 and 2 and holds their files, of several blocks, to
  // the same bytes.
  void expect_same_files(std::string_view first, std::string_view second) {
    ASSERT_EQ(release(1), 0);
    ASSERT_EQ(release(2), 0);
    const std::optional<std::string> one = dir_.read(std::string(first));
    const std::optional<std::string> other = dir_.read(std::string(second));
    ASSERT_TRUE(one.has_value() && other.has_value());
    EXPECT_GT(one->size(), 8192u * 4);
    EXPECT_TRUE(*one == *other)
        << "the files differ first at byte "
        << std::mismatch(one->begin(), one->end(), other->begin(), other->end()).first -
               one->begin();
  }
};

// The same statements on two units, laid out on one (their items one call
// each or all in one call) and walked item by item on the other, give the
// same outcomes and the same files, block boundaries and hand-overs in the
// middle of a statement included.
TEST_F(WriteFastPath, WritesWhatTheListWalkWrites) {
  ASSERT_EQ(connect(1, "direct.out", "new"), 0);
  ASSERT_EQ(connect(2, "walked.out", "new"), 0);
  std::mt19937_64 random(1209);
  const std::size_t count = case_count();
  std::size_t laid_out = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::vector<rio::EditDescriptor> list = random_list(random);
    const rio::PreparedFormat format{list};
    if (format.laid_out()) ++laid_out;
    const std::vector<rio::OutputItem> items = random_items(random, list);
    const bool in_one_call = random() % 2 == 0;
    ASSERT_EQ(write(1, format, true, in_one_call, items), write(2, format, false, false, items))
        << "statement " << i;
  }
  expect_same_files("direct.out", "walked.out");
  EXPECT_GT(laid_out, count / 2);
}

// Constant lists, each compiled for writing: the converter's shapes, fields
// over several records, Iw.m, layouts shorter than 16 bytes and longer
// than 64.
// A keV-shaped list without its second skip: a literal straight after a skip.
constexpr rio::EditDescriptor kev_like[] = {rio::skip(13),    rio::literal(" ="),
                                            rio::real(15, 6), rio::literal(" +/-"),
                                            rio::real(11, 6), rio::record_break()};
constexpr rio::EditDescriptor records_apart[] = {
    rio::integer(3, 2),  rio::record_break(), rio::character(2), rio::real(4, 0),
    rio::record_break(), rio::skip(2),        rio::real(1, 0),   rio::integer(5, 0)};
constexpr rio::EditDescriptor short_one[] = {rio::integer(2), rio::character(1)};
constexpr rio::EditDescriptor long_one[] = {rio::real(30, 12), rio::literal(" "), rio::real(30, 17),
                                            rio::integer(12)};
constexpr rio::PreparedFormat equation_layout{conversion::equation_list};
constexpr rio::PreparedFormat kev_like_layout{kev_like};
constexpr rio::PreparedFormat records_apart_layout{records_apart};
constexpr rio::PreparedFormat short_layout{short_one};
constexpr rio::PreparedFormat long_layout{long_one};
constexpr rio::PreparedFormat compiled_write_formats[] = {
    rio::compiled_for_writing<equation_layout>(), rio::compiled_for_writing<kev_like_layout>(),
    rio::compiled_for_writing<records_apart_layout>(), rio::compiled_for_writing<short_layout>(),
    rio::compiled_for_writing<long_layout>()};

TEST_F(WriteFastPath, CodeCompiledForItsListWritesWhatTheListWalkWrites) {
  ASSERT_EQ(connect(1, "compiled.out", "new"), 0);
  ASSERT_EQ(connect(2, "walked.out", "new"), 0);
  std::mt19937_64 random(1214);
  for (std::size_t i = 0, count = case_count(); i < count; ++i) {
    const rio::PreparedFormat& format =
        compiled_write_formats[random() % std::size(compiled_write_formats)];
    ASSERT_TRUE(format.laid_out() && format.compiled_write() != nullptr);
    const std::vector<rio::EditDescriptor> list(format.list().begin(), format.list().end());
    const std::vector<rio::OutputItem> items = random_items(random, list);
    const bool in_one_call = random() % 2 == 0;
    ASSERT_EQ(write(1, format, true, in_one_call, items), write(2, format, false, false, items))
        << "statement " << i;
  }
  expect_same_files("compiled.out", "walked.out");
}

// The same read statements over the same lines on two units, all items in
// one call by a laid-out list of fields on one and item by item by the list
// walk on the other, give the same outcomes, status and values: a short or
// bad field, an item of another kind, and more items than the list has
// fields (the list again, on the next line) included.
class ReadFastPath : public testing_support::LayerTest {
 protected:
  struct Values {
    std::int32_t integers[8] = {};
    double reals[8] = {};
    char texts[8][6] = {};
  };

  // With `in_one_call`, the first `singly` items go one call each and the
  // rest in one call.
  static std::vector<std::int32_t> read(std::int32_t unit, const rio::PreparedFormat& format,
                                        bool in_one_call, const std::vector<std::uint64_t>& kinds,
                                        Values& values, std::size_t singly = 0) {
    rio::StatementRequest request;
    request.unit = unit;
    if (in_one_call) {
      rio::use_format(request, format);
    } else {
      request.format = format.list();
    }
    std::int32_t status = 0;
    request.status = &status;
    std::vector<rio::InputItem> items;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      items.push_back(kinds[i] == 0   ? rio::InputItem::of(values.integers[i])
                      : kinds[i] == 1 ? rio::InputItem::of(values.reals[i])
                                      : rio::InputItem::text(values.texts[i], 6));
    }
    std::vector<std::int32_t> outcomes{static_cast<std::int32_t>(rio::begin_read(request))};
    rio::Outcome read = rio::Outcome::success;
    if (in_one_call) {
      const std::size_t split = std::min(singly, items.size());
      for (std::size_t k = 0; k < split && read == rio::Outcome::success; ++k)
        read = rio::read_item(request, items[k]);
      if (read == rio::Outcome::success)
        read = rio::read_items(request, std::span(items).subspan(split));
    } else {
      for (const rio::InputItem& item : items) {
        if (read == rio::Outcome::success) read = rio::read_item(request, item);
      }
    }
    outcomes.push_back(static_cast<std::int32_t>(read));
    outcomes.push_back(static_cast<std::int32_t>(rio::end_read(request)));
    outcomes.push_back(status);
    return outcomes;
  }

  static void expect_same_values(const Values& fast, const Values& walked, std::size_t items,
                                 std::size_t statement) {
    for (std::size_t k = 0; k < items; ++k) {
      ASSERT_EQ(fast.integers[k], walked.integers[k]) << "statement " << statement;
      ASSERT_EQ(std::bit_cast<std::uint64_t>(fast.reals[k]),
                std::bit_cast<std::uint64_t>(walked.reals[k]))
          << "statement " << statement;
      ASSERT_EQ(std::string_view(fast.texts[k], 6), std::string_view(walked.texts[k], 6))
          << "statement " << statement;
    }
  }
};

TEST_F(ReadFastPath, ReadsWhatTheListWalkReads) {
  std::mt19937_64 random(1212);
  const std::size_t count = case_count() / 10;
  std::string lines;
  for (std::size_t i = 0; i < 2 * count; ++i)
    lines += random_field(random) + random_field(random) + "\n";
  dir_.write("a.in", lines);
  dir_.write("b.in", lines);
  ASSERT_EQ(connect(1, "a.in"), 0);
  ASSERT_EQ(connect(2, "b.in"), 0);
  std::size_t read_whole = 0;
  for (std::size_t i = 0; i < count; ++i) {
    std::vector<rio::EditDescriptor> list;
    std::vector<std::uint64_t> kinds;
    for (std::uint64_t n = 1 + random() % 6; n > 0; --n) {
      const std::uint64_t kind = random() % 3;
      const auto width = static_cast<std::int32_t>(1 + random() % 16);
      list.push_back(kind == 0   ? rio::integer(width)
                     : kind == 1 ? rio::real(width, static_cast<std::int32_t>(random() % 9))
                                 : rio::character(width));
      kinds.push_back(random() % 20 == 0 ? random() % 3 : kind);
    }
    if (random() % 10 == 0) kinds.push_back(random() % 3);
    const rio::PreparedFormat format{list};
    ASSERT_TRUE(format.laid_out() && format.fields_only());
    Values fast;
    Values walked;
    const std::vector<std::int32_t> outcomes = read(1, format, true, kinds, fast);
    ASSERT_EQ(outcomes, read(2, format, false, kinds, walked)) << "statement " << i;
    if (outcomes == std::vector<std::int32_t>{0, 0, 0, 0}) ++read_whole;
    expect_same_values(fast, walked, kinds.size(), i);
  }
  // Statements that read every item say more than ones refused early.
  EXPECT_GT(read_whole, count / 10) << read_whole;
}

// Constant lists of fields, each compiled for reading: the shape of a
// line of the measurements file, and fields of one column.
constexpr rio::EditDescriptor line_like[] = {rio::integer(4),  rio::character(4), rio::integer(4),
                                             rio::real(19, 8), rio::character(2), rio::real(13, 8)};
constexpr rio::EditDescriptor narrow_fields[] = {rio::real(1, 0), rio::integer(1),
                                                 rio::character(1), rio::real(16, 9)};
constexpr rio::PreparedFormat line_like_layout{line_like};
constexpr rio::PreparedFormat narrow_layout{narrow_fields};
constexpr rio::PreparedFormat compiled_read_formats[] = {
    rio::compiled_for_reading<line_like_layout>(), rio::compiled_for_reading<narrow_layout>()};

// Items of the fields' kinds mostly; now and then one of another kind, one
// too many (the list again, on the next line) or one too few.
TEST_F(ReadFastPath, CodeCompiledForItsListReadsWhatTheListWalkReads) {
  std::mt19937_64 random(1215);
  const std::size_t count = case_count() / 10;
  std::string lines;
  for (std::size_t i = 0; i < 2 * count; ++i)
    lines += random_field(random) + random_field(random) + random_field(random) + "\n";
  dir_.write("a.in", lines);
  dir_.write("b.in", lines);
  ASSERT_EQ(connect(1, "a.in"), 0);
  ASSERT_EQ(connect(2, "b.in"), 0);
  for (std::size_t i = 0; i < count; ++i) {
    const rio::PreparedFormat& format =
        compiled_read_formats[random() % std::size(compiled_read_formats)];
    ASSERT_TRUE(format.compiled_read() != nullptr);
    std::vector<std::uint64_t> kinds;
    for (const rio::EditDescriptor& descriptor : format.list()) {
      const std::uint64_t kind = descriptor.kind == rio::EditDescriptor::Kind::integer ? 0
                                 : descriptor.kind == rio::EditDescriptor::Kind::real  ? 1
                                                                                       : 2;
      kinds.push_back(random() % 20 == 0 ? random() % 3 : kind);
    }
    if (random() % 10 == 0) kinds.push_back(random() % 3);
    if (random() % 10 == 0) kinds.pop_back();
    Values fast;
    Values walked;
    const std::size_t singly = random() % 4 == 0 ? random() % 3 : 0;
    ASSERT_EQ(read(1, format, true, kinds, fast, singly), read(2, format, false, kinds, walked))
        << "statement " << i;
    expect_same_values(fast, walked, kinds.size(), i);
  }
}

}  // namespace

// The line cut looks for LF, CR and tab sixteen bytes at a time; a record
// must still be its line with the CRs dropped, wherever those bytes fall
// in a block or across two (a tab width of 0 keeps the tab itself).
TEST_F(ReadFastPath, CutsLinesWhereTheBytesSay) {
  std::mt19937_64 random(1213);
  static constexpr std::string_view bytes = "ab \t\r0";
  std::string file;
  std::vector<std::string> expected;
  for (std::size_t i = 0, count = case_count() / 10; i < count; ++i) {
    std::string line;
    // Now and then a long line with few bytes to look for: its runs take
    // many sixteen-byte steps, more than one stretch of them.
    const bool long_runs = random() % 8 == 0;
    for (std::uint64_t n = random() % (long_runs ? 700 : 40); n > 0; --n)
      line += long_runs && random() % 64 != 0 ? 'a' : bytes[random() % bytes.size()];
    file += line + "\n";
    std::erase(line, '\r');
    expected.push_back(line);
  }
  dir_.write("lines.in", file);
  ASSERT_EQ(connect(3, "lines.in"), 0);
  rio::Unit* unit = rio::find_unit(3);
  unit->tab_width = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    rio::StatementRequest request;
    ASSERT_EQ(rio::read_record(*unit, request), rio::Outcome::success) << "line " << i;
    ASSERT_EQ(rio::current_record().view(), expected[i]) << "line " << i;
  }
  release(3);
}
