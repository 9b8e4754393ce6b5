#include "machine/number_text.h"
#include "machine/value_convert.h"

#include <gtest/gtest.h>

namespace kestrom {
namespace {

Value NullValue() { return Value::OfKind(Value::Kind::Null); }

TEST(NumberText, AcceptsPlainDecimalsWithEitherSeparator) {
  EXPECT_EQ(ParseNumber("1200"), 1200.0);
  EXPECT_EQ(ParseNumber("  -100 "), -100.0);
  EXPECT_EQ(ParseNumber("+1.5"), 1.5);
  EXPECT_EQ(ParseNumber("1,5"), 1.5);  // Turkish notation, never 15
  EXPECT_EQ(ParseNumber(".25"), 0.25);
  EXPECT_EQ(ParseNumber("3."), 3.0);
  EXPECT_EQ(ParseNumber("1e3"), 1000.0);
  EXPECT_EQ(ParseNumber("\t2.5E-1"), 0.25);
}

TEST(NumberText, RejectsWhatIsNoNumber) {
  for (const char* bad : {"", " ", "abc", "12a", "1.2.3", "1.234,5", "1 000", "+", "-.", "1e", "e5",
                          "0x10", "1e999", "--1"})
    EXPECT_FALSE(ParseNumber(bad).has_value()) << bad;
}

TEST(NumberText, IntegerConversionRoundsHalfToEvenAndChecksRange) {
  EXPECT_EQ(ToInt16(16.5), 16);
  EXPECT_EQ(ToInt16(17.5), 18);
  EXPECT_EQ(ToInt16(-2.5), -2);
  EXPECT_EQ(ToInt16(16.4999), 16);
  EXPECT_EQ(ToInt16(32767.4), 32767);
  EXPECT_FALSE(ToInt16(32767.5).has_value());
  EXPECT_EQ(ToInt16(-32768.0), -32768);
  EXPECT_FALSE(ToInt16(-32769.0).has_value());
  EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
  EXPECT_FALSE(ToInt32(2147483648.0).has_value());
}

TEST(ValueConvert, StandardConversionsOfAnswers) {
  EXPECT_EQ(ValueToText(Value::OfText("+1.2500")).value, "+1.2500");
  EXPECT_EQ(ValueToText(Value::Empty()).value, "");
  EXPECT_EQ(ValueToText(Value::OfReal(1.5)).value, "1.5");
  EXPECT_EQ(ValueToText(Value::OfReal(1e16)).value, "1E+16");
  EXPECT_EQ(ValueToText(Value::OfReal(0.1 + 0.2)).value, "0.3");  // 15 significant digits
  EXPECT_EQ(ValueToText(Value::OfInteger(-3)).value, "-3");
  EXPECT_EQ(ValueToText(Value::OfBool(true)).value, "True");
  EXPECT_FALSE(ValueToText(Value::OfObject(nullptr)).ok);
  EXPECT_FALSE(ValueToText(NullValue()).ok);

  EXPECT_EQ(ValueToDouble(Value::OfText("1200")).value, 1200.0);
  EXPECT_EQ(ValueToDouble(Value::OfBool(true)).value, -1.0);
  EXPECT_EQ(ValueToDouble(Value::Empty()).value, 0.0);
  EXPECT_FALSE(ValueToDouble(Value::OfText("fast")).ok);

  EXPECT_FALSE(ValueIsTrue(Value::Empty()));
  EXPECT_TRUE(ValueIsTrue(Value::OfBool(true)));
  EXPECT_TRUE(ValueIsTrue(Value::OfInteger(-1)));
  EXPECT_FALSE(ValueIsTrue(Value::OfInteger(0)));
}

}  // namespace
}  // namespace kestrom
