#include "KV_Error.h"
#include "KV_Variant.h"
#include "Raised.h"

#include <gtest/gtest.h>

namespace {

// Each kind's text, through its own alternative (a kind read as another's
// would have none); a byte array has no text form.
TEST(KV_Variant, EachKindHasItsText) {
    EXPECT_EQ(KV_Variant(std::int16_t{-7}).ToText(), L"-7");
    EXPECT_EQ(KV_Variant(std::int32_t{-2147483646}).ToText(), L"-2147483646");
    EXPECT_EQ(KV_Variant(L" é ").ToText(), L" é ");
    EXPECT_EQ(Raised([] {
                  KV_Variant(KV_Variant::Bytes{1, 2}).ToText();
              }),
              L"13 KV_Variant.ToText: Type mismatch");
}

// For diagnostics that take only narrow text.
TEST(KV_Error, WhatIsTheDescriptionInAscii) {
    EXPECT_STREQ(KV_Error(-2147194455, L"KV_ZudIvi.cRegistry", L"Falló: ñ").what(), "Fall?: ?");
}

} // namespace
