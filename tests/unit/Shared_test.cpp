#include "KV_Error.h"
#include "KV_Text.h"
#include "KV_Variant.h"

#include <gtest/gtest.h>

namespace {

TEST(KV_Variant, TextOfEachKind) {
    EXPECT_EQ(KV_Variant().ToText(), L"");
    EXPECT_EQ(KV_Variant(std::int16_t{-7}).ToText(), L"-7");
    EXPECT_EQ(KV_Variant(std::int32_t{-2147483646}).ToText(), L"-2147483646");
    EXPECT_EQ(KV_Variant(L" é ").ToText(), L" é ");
    try {
        KV_Variant(KV_Variant::Bytes{1, 2}).ToText();
        ADD_FAILURE() << "a byte array has no text form";
    } catch (const KV_Error& e) {
        EXPECT_EQ(e.Number(), KV_Error::kTypeMismatch);
        EXPECT_EQ(e.Source(), L"KV_Variant.ToText");
    }
}

TEST(KV_Variant, KindsStayApart) {
    EXPECT_TRUE(KV_Variant().IsEmpty());
    EXPECT_EQ(KV_Variant(std::int16_t{5}).GetKind(), KV_Variant::Kind::Integer);
    EXPECT_EQ(KV_Variant(std::int32_t{5}).GetKind(), KV_Variant::Kind::Long);
    EXPECT_NE(KV_Variant(std::int16_t{5}), KV_Variant(std::int32_t{5}));
    EXPECT_NE(KV_Variant(L""), KV_Variant());
    EXPECT_EQ(*KV_Variant(KV_Variant::Bytes{1, 2, 3}).Get<KV_Variant::Bytes>(),
              (KV_Variant::Bytes{1, 2, 3}));
}

TEST(KV_Error, CarriesNumberSourceAndDescription) {
    const KV_Error e(-2147194455, L"KV_ZudIvi.cRegistry", L"Falló: ñ");
    EXPECT_EQ(e.Number(), -2147194455);
    EXPECT_EQ(e.Source(), L"KV_ZudIvi.cRegistry");
    EXPECT_EQ(e.Description(), L"Falló: ñ");
    EXPECT_STREQ(e.what(), "Fall?: ?");
}

TEST(TrimSpaces, OnlySpacesGo) {
    EXPECT_EQ(TrimSpaces(L"  abc  "), L"abc");
    EXPECT_EQ(TrimSpaces(L"\tabc \t"), L"\tabc \t");
    EXPECT_EQ(TrimSpaces(L"    "), L"");
    EXPECT_EQ(TrimSpaces(L"a b"), L"a b");
}

} // namespace
