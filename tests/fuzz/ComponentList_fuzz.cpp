// The component pass's reading of "LSTCOMP": the list split name by name as
// the pass does it, and the check each name gets before it is copied.

#include "FuzzInput.h"
#include "KV_ZudIviParts.h"

#include <algorithm>

using namespace KV_ZudIviMain;
constexpr auto npos = std::wstring::npos;

void FuzzText(const std::wstring& list) {
    std::wstring remaining = list;
    std::size_t searchFrom = 0;
    for (;;) {
        const std::size_t before = remaining.size();
        const std::wstring comp = TakeNextComponent(remaining);
        // Each call consumes the list, so the pass always ends.
        FUZZ_CHECK(remaining.size() < before || (before == 0 && comp.empty()));
        // What is left is the list's own tail.
        FUZZ_CHECK(list.ends_with(remaining));
        if (comp.empty()) {
            break;
        }
        FUZZ_CHECK(comp.find(L',') == npos);
        FUZZ_CHECK(comp.front() != L' ' && comp.back() != L' ');
        // The names come out in the order they stand in the list.
        const std::size_t at = list.find(comp, searchFrom);
        FUZZ_CHECK(at != npos && at + comp.size() <= list.size() - remaining.size());
        searchFrom = at + comp.size();

        // The name's segments, each between two '\' whichever separator it used.
        std::wstring wrapped = L"\\" + comp + L"\\";
        std::replace(wrapped.begin(), wrapped.end(), L'/', L'\\');
        // A name the check lets through is a relative path without a drive,
        // a stream or a segment that climbs out of the folder; one it takes
        // for a file name holds no wildcard and no segment that ends in a dot
        // or a space.
        const bool leadsOut = LeadsOutOfFolder(comp), notAFileName = IsNotAFileName(comp);
        FUZZ_CHECK(leadsOut || comp.find(L':') == npos);
        FUZZ_CHECK(leadsOut || (comp.front() != L'\\' && comp.front() != L'/'));
        FUZZ_CHECK(leadsOut || wrapped.find(L"\\..\\") == npos);
        FUZZ_CHECK(notAFileName || comp.find_first_of(L"*?<>\"|") == npos);
        FUZZ_CHECK(notAFileName || wrapped.find(L".\\") == npos);
        FUZZ_CHECK(notAFileName || wrapped.find(L" \\") == npos);
    }
}
