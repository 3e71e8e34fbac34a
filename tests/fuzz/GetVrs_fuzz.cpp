// The version lookup over any list and key: the input is the list, a NUL
// code unit, then the key (without a NUL, the key is empty).

#include "FuzzInput.h"
#include "KV_Error.h"
#include "KV_Text.h"
#include "KV_ZudIviMain.h"

#include <optional>
#include <sstream>

namespace {

// The lookup's answer, or nothing when it raised "not found"; any other
// failure escapes and stops the fuzzer.
std::optional<std::wstring> Lookup(const std::wstring& list, const std::wstring& key) {
    try {
        return KV_ZudIviMain::GetVrs(list, key);
    } catch (const KV_Error& e) {
        FUZZ_CHECK(e.Number() == KV_Error::kInvalidArgument);
        FUZZ_CHECK(e.Description().find(TrimSpaces(key)) != std::wstring::npos);
        return std::nullopt;
    }
}

// The same lookup the plain way: split at every comma, the first item whose
// name without its surrounding spaces is the key without them. Its answer is
// always an item's tail: after a ':' or the whole item, up to a ',' or the end.
std::optional<std::wstring> Reference(const std::wstring& list, const std::wstring& key) {
    std::wistringstream items(list);
    for (std::wstring item; std::getline(items, item, L',');) {
        const std::size_t colon = item.find(L':');
        if (!item.empty() && TrimSpaces(item.substr(0, colon)) == TrimSpaces(key)) {
            return colon == std::wstring::npos ? item : item.substr(colon + 1);
        }
    }
    return std::nullopt;
}

} // namespace

void FuzzText(const std::wstring& input) {
    const std::size_t nul = input.find(L'\0');
    const std::wstring list = input.substr(0, nul);
    const std::wstring key = nul == std::wstring::npos ? std::wstring() : input.substr(nul + 1);

    const std::optional<std::wstring> found = Lookup(list, key);
    FUZZ_CHECK(found == Reference(list, key));

    // A name never holds ',' or ':', so an item made of the key and a version
    // names exactly the key: put first it wins, put last it is found unless an
    // earlier item already was.
    const std::wstring name = TrimSpaces(key);
    if (name.find_first_of(L",:") == std::wstring::npos) {
        const std::wstring mark = L"\u00f1" + std::to_wstring(input.size());
        FUZZ_CHECK(Lookup(key + L":" + mark + L"," + list, key) == mark);
        FUZZ_CHECK(Lookup(list + L"," + key + L":" + mark, key) == (found ? *found : mark));
        // An item without ':' is its own version, spaces and all.
        const std::wstring bare = L" " + name + L" ";
        FUZZ_CHECK(Lookup(list + L"," + bare, L" " + key) == (found ? *found : bare));
    }
}
