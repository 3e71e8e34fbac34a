#include "KV_Error.h"
#include "KV_Variant.h"

#include <gtest/gtest.h>

namespace {

TEST(KV_Variant, EachKindKeepsItsKindAndHasItsText) {
    EXPECT_EQ(KV_Variant(std::int16_t{-7}).GetKind(), KV_Variant::Kind::Integer);
    EXPECT_EQ(KV_Variant(std::int16_t{-7}).ToText(), L"-7");
    EXPECT_EQ(KV_Variant(std::int32_t{-2147483646}).GetKind(), KV_Variant::Kind::Long);
    EXPECT_EQ(KV_Variant(std::int32_t{-2147483646}).ToText(), L"-2147483646");
    EXPECT_EQ(KV_Variant(L"").GetKind(), KV_Variant::Kind::String);
    EXPECT_EQ(KV_Variant(L" é ").ToText(), L" é ");
    try {
        KV_Variant(KV_Variant::Bytes{1, 2}).ToText();
        ADD_FAILURE() << "a byte array has no text form";
    } catch (const KV_Error& e) {
        EXPECT_EQ(e.Number(), KV_Error::kTypeMismatch);
        EXPECT_EQ(e.Source(), L"KV_Variant.ToText");
    }
}

// For diagnostics that take only narrow text.
TEST(KV_Error, WhatIsTheDescriptionInAscii) {
    EXPECT_STREQ(KV_Error(-2147194455, L"KV_ZudIvi.cRegistry", L"Falló: ñ").what(), "Fall?: ?");
}

} // namespace
