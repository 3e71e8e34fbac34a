#include "KV_ZudIviParts.h"

#include <array>
#include <string_view>

namespace KV_ZudIviMain {

namespace {

// The platform drops trailing dots and spaces from a path segment, so "..."
// and ".. " can act as "..".
bool IsParentSegment(std::wstring_view segment) {
    return segment.find_first_not_of(L". ") == std::wstring_view::npos &&
           segment.find(L"..") != std::wstring_view::npos;
}

// Calls each segment of a name between its separators, empty ones included;
// stops at the first for which the test is true.
template <class Test> bool AnySegment(std::wstring_view name, Test test) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find_first_of(L"\\/", start);
        if (test(name.substr(start, end == std::wstring_view::npos ? end : end - start))) {
            return true;
        }
        if (end == std::wstring_view::npos) {
            return false;
        }
        start = end + 1;
    }
}

wchar_t AsciiUpper(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool EqualsNoCase(std::wstring_view text, std::wstring_view upper) {
    if (text.size() != upper.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (AsciiUpper(text[i]) != upper[i]) {
            return false;
        }
    }
    return true;
}

// The platform opens a device for these whatever extension follows and
// whatever the letter case; a copy "to" one writes nowhere and succeeds.
bool IsDeviceName(std::wstring_view segment) {
    std::wstring_view stem = segment.substr(0, segment.find(L'.'));
    while (!stem.empty() && stem.back() == L' ') {
        stem.remove_suffix(1);
    }
    static constexpr std::array<std::wstring_view, 6> kPlain = {L"CON", L"PRN",    L"AUX",
                                                                L"NUL", L"CONIN$", L"CONOUT$"};
    for (const auto device : kPlain) {
        if (EqualsNoCase(stem, device)) {
            return true;
        }
    }
    // COM1 to COM9 and LPT1 to LPT9, and with the superscript digits 1 to 3.
    if (stem.size() != 4 ||
        !(EqualsNoCase(stem.substr(0, 3), L"COM") || EqualsNoCase(stem.substr(0, 3), L"LPT"))) {
        return false;
    }
    const wchar_t digit = stem[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
           digit == L'\u00B3';
}

bool IsBadSegment(std::wstring_view segment) {
    if (segment.empty() || segment.back() == L'.' || segment.back() == L' ') {
        return true;
    }
    for (const wchar_t c : segment) {
        if (c < 32 || std::wstring_view(L"*?<>\"|").find(c) != std::wstring_view::npos) {
            return true;
        }
    }
    return IsDeviceName(segment);
}

} // namespace

bool LeadsOutOfFolder(const std::wstring& sComp) {
    if (sComp.empty()) {
        return false;
    }
    // A leading separator starts at a root or a share ("\x", "\\srv\s",
    // "\\?\C:\x"); a colon is a drive ("C:x") or a stream, never a file name.
    if (sComp.front() == L'\\' || sComp.front() == L'/' || sComp.find(L':') != std::wstring::npos) {
        return true;
    }
    return AnySegment(sComp, IsParentSegment);
}

bool IsNotAFileName(const std::wstring& sComp) {
    return AnySegment(sComp, IsBadSegment);
}

} // namespace KV_ZudIviMain
