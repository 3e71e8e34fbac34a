#include "KV_ZudIviMain.h"

#include <string_view>

namespace KV_ZudIviMain {

namespace {

// The platform drops trailing dots and spaces from a path segment, so "..."
// and ".. " can act as "..".
bool IsParentSegment(std::wstring_view segment) {
    return segment.find_first_not_of(L". ") == std::wstring_view::npos &&
           segment.find(L"..") != std::wstring_view::npos;
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
    const std::wstring_view name(sComp);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find_first_of(L"\\/", start);
        if (IsParentSegment(
                name.substr(start, end == std::wstring_view::npos ? end : end - start))) {
            return true;
        }
        if (end == std::wstring_view::npos) {
            return false;
        }
        start = end + 1;
    }
}

} // namespace KV_ZudIviMain
