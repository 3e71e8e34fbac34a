#include "KV_Error.h"
#include "KV_Variant.h"

#include <gtest/gtest.h>

namespace {

TEST(KV_Variant, EachKindKeepsItsKindAndHasItsText) {
    EXPECT_TRUE(KV_Variant().IsEmpty());
    EXPECT_EQ(KV_Variant().ToText(), L"");
    EXPECT_EQ(KV_Variant(std::int16_t{-7}).GetKind(), KV_Variant::Kind::Integer);
    EXPECT_EQ(KV_Variant(std::int16_t{-7}).ToText(), L"-7");
    EXPECT_EQ(KV_Variant(std::int32_t{-2147483646}).GetKind(), KV_Variant::Kind::Long);
    EXPECT_EQ(KV_Variant(std::int32_t{-2147483646}).ToText(), L"-2147483646");
    EXPECT_EQ(KV_Variant(L" é ").ToText(), L" é ");
    EXPECT_NE(KV_Variant(std::int16_t{5}), KV_Variant(std::int32_t{5}));
    EXPECT_NE(KV_Variant(L""), KV_Variant());
    const KV_Variant bytes(KV_Variant::Bytes{1, 2, 3});
    EXPECT_EQ(*bytes.Get<KV_Variant::Bytes>(), (KV_Variant::Bytes{1, 2, 3}));
    try {
        bytes.ToText();
        ADD_FAILURE() << "a byte array has no text form";
    } catch (const KV_Error& e) {
        EXPECT_EQ(e.Number(), KV_Error::kTypeMismatch);
        EXPECT_EQ(e.Source(), L"KV_Variant.ToText");
    }
}

TEST(KV_Error, CarriesNumberSourceAndDescription) {
    const KV_Error e(-2147194455, L"KV_ZudIvi.cRegistry", L"Falló: ñ");
    EXPECT_EQ(e.Number(), -2147194455);
    EXPECT_EQ(e.Source(), L"KV_ZudIvi.cRegistry");
    EXPECT_EQ(e.Description(), L"Falló: ñ");
    EXPECT_STREQ(e.what(), "Fall?: ?");
}

} // namespace
