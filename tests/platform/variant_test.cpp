#include "platform/rtl/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "platform/rtl/numbers.h"

namespace lab {
namespace {

TEST(Variant, TypesFollowTheCppValue) {
  EXPECT_EQ(VarType(Variant()), varEmpty);
  EXPECT_EQ(VarType(Null()), varNull);
  EXPECT_EQ(VarType(Unassigned()), varEmpty);
  EXPECT_EQ(VarType(true), varBoolean);
  EXPECT_EQ(VarType(42), varInteger);
  EXPECT_EQ(VarType(static_cast<short>(4)), varInteger);
  EXPECT_EQ(VarType(4000000000u), varInt64);  // an unsigned 32-bit value needs 64 bits
  EXPECT_EQ(VarType(42LL), varInt64);
  EXPECT_EQ(VarType(1.5), varDouble);
  EXPECT_EQ(VarType(1.5f), varDouble);
  EXPECT_EQ(VarType(StrToCurr("1.5")), varCurrency);
  EXPECT_EQ(VarType(VarFromDateTime(45000.5)), varDate);
  EXPECT_EQ(VarType("text"), varString);
  EXPECT_EQ(VarType(std::string("text")), varString);
  EXPECT_EQ(VarType(VarArrayOf({1, "a"})), varArray | varVariant);
  EXPECT_THROW(Variant(static_cast<unsigned long long>(-1)), EVariantOverflowError);
  EXPECT_EQ(VarTypeAsText(varArray | varVariant), "Array Variant");
  EXPECT_TRUE(VarIsClear(Variant()));
  EXPECT_FALSE(VarIsClear(Null()));
}

TEST(Variant, NullRaisesOnConversionButNotInVarToStr) {
  const Variant n = Null();
  try {
    n.AsDouble();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (Null) into type (Double)");
    EXPECT_TRUE(e.Is<EVariantTypeCastError>());
  }
  EXPECT_THROW(n.AsInteger(), EVariantTypeCastError);
  EXPECT_THROW(n.AsInt64(), EVariantTypeCastError);
  EXPECT_THROW(n.AsBoolean(), EVariantTypeCastError);
  EXPECT_THROW(n.AsCurrency(), EVariantTypeCastError);
  EXPECT_THROW(VarToDateTime(n), EVariantTypeCastError);
  try {
    n.AsString();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (Null) into type (String)");
  }
  EXPECT_EQ(VarToStr(n), "");
  EXPECT_EQ(VarToStrDef(n, "-"), "-");
  EXPECT_EQ(VarToStrDef(Variant(), "-"), "-");
  EXPECT_EQ(VarToStrDef(0, "-"), "0");
}

TEST(Variant, EmptyIsZeroBlankAndFalse) {
  const Variant e;
  EXPECT_EQ(e.AsInteger(), 0);
  EXPECT_EQ(e.AsInt64(), 0);
  EXPECT_EQ(e.AsDouble(), 0);
  EXPECT_EQ(e.AsString(), "");
  EXPECT_FALSE(e.AsBoolean());
  EXPECT_EQ(e.AsCurrency(), Currency());
  EXPECT_EQ(e.AsDateTime(), 0);
}

TEST(Variant, NumbersConvertWithBankersRoundingAndRangeChecks) {
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInt64(), -2);
  EXPECT_EQ(Variant(StrToCurr("2.5")).AsInteger(), 2);
  EXPECT_EQ(Variant(StrToCurr("-3.5")).AsInteger(), -4);
  EXPECT_EQ(Variant(StrToCurr("1.2345")).AsDouble(), 1.2345);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(false).AsDouble(), 0);
  EXPECT_EQ(Variant(true).AsCurrency(), Currency(-1));
  EXPECT_TRUE(Variant(0.1).AsBoolean());
  EXPECT_FALSE(Variant(0LL).AsBoolean());
  EXPECT_EQ(Variant(-2147483648.4).AsInteger(), INT32_MIN);
  EXPECT_EQ(Variant(123456789012LL).AsDouble(), 123456789012.0);
  try {
    Variant(1LL << 40).AsInteger();
    FAIL();
  } catch (const EVariantOverflowError& e) {
    EXPECT_EQ(e.Message(), "Overflow while converting variant of type (Int64) into type (Integer)");
  }
  EXPECT_THROW(Variant(2147483647.5).AsInteger(), EVariantOverflowError);
  EXPECT_THROW(Variant(1e19).AsInt64(), EVariantOverflowError);
  EXPECT_THROW(Variant(NAN).AsInt64(), EVariantOverflowError);
  EXPECT_THROW(Variant(1e300).AsCurrency(), EVariantOverflowError);
  EXPECT_THROW(Variant(INT64_MAX).AsCurrency(), EVariantOverflowError);
  EXPECT_EQ(Variant(2.675).AsCurrency().Raw(), 26750);
}

TEST(Variant, TextConvertsByTheTextRules) {
  EXPECT_EQ(Variant("42").AsInteger(), 42);
  EXPECT_EQ(Variant(" -7").AsInt64(), -7);
  EXPECT_EQ(Variant("$FF").AsInteger(), 255);
  EXPECT_EQ(Variant("2.5").AsInteger(), 2);  // floating-point text rounds to even
  EXPECT_EQ(Variant("1.5E3").AsDouble(), 1500);
  EXPECT_EQ(Variant("True").AsInteger(), -1);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_TRUE(Variant("-3").AsBoolean());
  EXPECT_EQ(Variant("12.3456").AsCurrency().Raw(), 123456);
  EXPECT_EQ(Variant("2/29/2024").AsDateTime(), EncodeDate(2024, 2, 29));
  try {
    Variant("abc").AsInteger();
    FAIL();
  } catch (const EVariantTypeCastError& e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (String) into type (Integer)");
  }
  EXPECT_THROW(Variant("abc").AsDouble(), EVariantTypeCastError);
  EXPECT_THROW(Variant("yes").AsBoolean(), EVariantTypeCastError);
  EXPECT_THROW(Variant("abc").AsCurrency(), EVariantTypeCastError);
  EXPECT_THROW(Variant("2/30/2024").AsDateTime(), EVariantTypeCastError);
  EXPECT_THROW(Variant("99999999999").AsInteger(), EVariantOverflowError);
}

TEST(Variant, ValuesAsText) {
  EXPECT_EQ(VarToStr(true), "True");
  EXPECT_EQ(VarToStr(false), "False");
  EXPECT_EQ(VarToStr(-12), "-12");
  EXPECT_EQ(VarToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(VarToStr(0.1), "0.1");
  EXPECT_EQ(VarToStr(StrToCurr("12.50")), "12.5");
  EXPECT_EQ(VarToStr(VarFromDateTime(EncodeDate(2024, 2, 29) + 0.5)), "2/29/2024 12:00:00 PM");
  EXPECT_EQ(VarToStr("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(Variant(VarFromDateTime(1.5)).AsDouble(), 1.5);
  EXPECT_THROW(VarToStr(VarArrayOf({1})), EVariantTypeCastError);
}

TEST(VariantArray, BoundsElementsAndDeepCopies) {
  Variant keys = VarArrayOf({1, "two", Null()});
  ASSERT_TRUE(VarIsArray(keys));
  EXPECT_EQ(VarArrayLowBound(keys), 0);
  EXPECT_EQ(VarArrayHighBound(keys), 2);
  EXPECT_EQ(keys[1].AsString(), "two");
  EXPECT_TRUE(VarIsNull(keys[2]));
  Variant copy = keys;
  copy[0] = 5;
  EXPECT_EQ(keys[0].AsInteger(), 1);  // copies do not share elements
  EXPECT_EQ(copy[0].AsInteger(), 5);
  Variant moved = std::move(copy);
  EXPECT_EQ(VarArrayHighBound(moved), 2);

  Variant made = VarArrayCreate(1, 3);
  EXPECT_EQ(VarArrayLowBound(made), 1);
  EXPECT_EQ(VarArrayHighBound(made), 3);
  EXPECT_TRUE(VarIsEmpty(made[1]));
  made[3] = "last";
  EXPECT_EQ(made[3].AsString(), "last");
  EXPECT_EQ(VarArrayHighBound(VarArrayCreate(0, -1)), -1);
  EXPECT_EQ(VarArrayHighBound(VarArrayOf({})), -1);

  EXPECT_THROW(made[0], EVariantBadIndexError);
  EXPECT_THROW(made[4], EVariantBadIndexError);
  EXPECT_THROW(VarArrayLowBound(made, 2), EVariantBadIndexError);
  EXPECT_THROW(VarArrayCreate(3, 1), EVariantBadIndexError);
  Variant scalar = 1;
  EXPECT_THROW(scalar[0], EVariantNotAnArrayError);
  EXPECT_THROW(VarArrayHighBound(scalar), EVariantNotAnArrayError);
  EXPECT_FALSE(VarIsArray(scalar));
  EXPECT_THROW(keys.AsInteger(), EVariantTypeCastError);

  Variant nested = VarArrayOf({VarArrayOf({1, 2}), "x"});
  EXPECT_EQ(nested[0][1].AsInteger(), 2);
}

TEST(VariantCompare, EmptyAndNullOnlyEqualThemselves) {
  EXPECT_EQ(VarCompareValue(Variant(), Variant()), vrEqual);
  EXPECT_EQ(VarCompareValue(Null(), Null()), vrEqual);
  EXPECT_EQ(VarCompareValue(Null(), Variant()), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Variant(), 0), vrNotEqual);
  EXPECT_EQ(VarCompareValue(0, Null()), vrNotEqual);
  EXPECT_EQ(VarCompareValue("", Variant()), vrNotEqual);
  EXPECT_FALSE(Null() == 0);
  EXPECT_TRUE(Null() == Null());
}

TEST(VariantCompare, NumbersAcrossTypes) {
  EXPECT_EQ(VarCompareValue(1, 2), vrLessThan);
  EXPECT_EQ(VarCompareValue(2LL, 1), vrGreaterThan);
  EXPECT_EQ(VarCompareValue(2, 2.0), vrEqual);
  EXPECT_EQ(VarCompareValue(StrToCurr("1.5"), 1.5), vrEqual);
  EXPECT_EQ(VarCompareValue(StrToCurr("3"), 3LL), vrEqual);
  EXPECT_EQ(VarCompareValue(true, -1), vrEqual);
  EXPECT_EQ(VarCompareValue(false, true), vrLessThan);
  EXPECT_EQ(VarCompareValue(VarFromDateTime(2.5), 2.5), vrEqual);
  // Exact where doubles would blur: 2^53 + 1 is not 2^53.
  EXPECT_EQ(VarCompareValue(9007199254740993LL, 9007199254740992LL), vrGreaterThan);
  EXPECT_EQ(VarCompareValue(NAN, NAN), vrNotEqual);
  EXPECT_TRUE(Variant(5) == 5.0);
  EXPECT_TRUE(Variant(5) != 6);
}

TEST(VariantCompare, TextAgainstTextAndAgainstNumbers) {
  EXPECT_EQ(VarCompareValue("abc", "abd"), vrLessThan);
  EXPECT_EQ(VarCompareValue("b", "a"), vrGreaterThan);
  EXPECT_EQ(VarCompareValue("abc", "abc"), vrEqual);
  EXPECT_NE(VarCompareValue("abc", "ABC"), vrEqual);  // case counts
  EXPECT_EQ(VarCompareValue("10", 9), vrGreaterThan);  // read as a number, not as text
  EXPECT_EQ(VarCompareValue(9, "10"), vrLessThan);
  EXPECT_EQ(VarCompareValue("1.50", 1.5), vrEqual);
  EXPECT_EQ(VarCompareValue("abc", 1), vrNotEqual);    // unreadable: just not equal
  EXPECT_EQ(VarCompareValue(VarFromDateTime(EncodeDate(2024, 2, 29)), "2/29/2024"), vrEqual);
  EXPECT_TRUE(Variant("x") == "x");
}

TEST(VariantCompare, ArraysElementByElement) {
  EXPECT_EQ(VarCompareValue(VarArrayOf({1, "a", Null()}), VarArrayOf({1.0, "a", Null()})), vrEqual);
  EXPECT_EQ(VarCompareValue(VarArrayOf({1, "a"}), VarArrayOf({1, "b"})), vrNotEqual);
  EXPECT_EQ(VarCompareValue(VarArrayOf({1}), VarArrayOf({1, 2})), vrNotEqual);
  EXPECT_EQ(VarCompareValue(VarArrayOf({1}), 1), vrNotEqual);
  Variant shifted = VarArrayCreate(1, 1);
  shifted[1] = 1;
  EXPECT_EQ(VarCompareValue(VarArrayOf({1}), shifted), vrNotEqual);  // bounds differ
  EXPECT_TRUE(VarArrayOf({VarArrayOf({1}), 2}) == VarArrayOf({VarArrayOf({1}), 2}));
}

}  // namespace
}  // namespace lab
