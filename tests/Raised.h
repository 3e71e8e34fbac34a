#pragma once
// What a call raised, for a test to compare with a fixed text: the error's
// number, source and description; nothing when it raised nothing.
#include "KV_Error.h"

#include <functional>
#include <string>

inline std::wstring Raised(const std::function<void()>& call) {
    try {
        call();
    } catch (const KV_Error& e) {
        return std::to_wstring(e.Number()) + L" " + e.Source() + L": " + e.Description();
    }
    return L"";
}
