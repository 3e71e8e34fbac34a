#pragma once

#include <string>
#include <string_view>

// The text without its leading and trailing spaces; tabs and other blanks stay.
inline std::wstring TrimSpaces(std::wstring_view sText) {
    const auto first = sText.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) {
        return std::wstring();
    }
    const auto last = sText.find_last_not_of(L' ');
    return std::wstring(sText.substr(first, last - first + 1));
}
