#include "KV_ZudIviMain.h"

#include "KV_Error.h"
#include "KV_Text.h"

#include <string_view>

namespace KV_ZudIviMain {

namespace {

constexpr auto npos = std::wstring_view::npos;

std::wstring_view TrimmedView(std::wstring_view text) {
    const std::size_t first = text.find_first_not_of(L' ');
    if (first == npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

// The version an item gives: the text after its first ':', or the whole item.
std::wstring VersionOf(std::wstring_view item) {
    const std::size_t colon = item.find(L':');
    return std::wstring(colon == npos ? item : item.substr(colon + 1));
}

// Every item in turn; for names the quick search below can't take.
bool FindByItems(std::wstring_view list, std::wstring_view name, std::wstring& version) {
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(L',', start);
        if (end == npos) {
            end = list.size();
        }
        const std::wstring_view item = list.substr(start, end - start);
        // An empty stretch (",," or the end after a trailing comma) is no item.
        if (!item.empty() && TrimmedView(item.substr(0, item.find(L':'))) == name) {
            version = VersionOf(item);
            return true;
        }
        start = end + 1;
    }
    return false;
}

// A name holds no ',' or ':' (they end it) and starts and ends with no space,
// so its item is where its text stands with only spaces between it and the
// item's bounds. Searching for the text skips the items that can't match,
// which in a long list is nearly all of them.
bool FindByName(std::wstring_view list, std::wstring_view name, std::wstring& version) {
    for (std::size_t at = list.find(name); at != npos; at = list.find(name, at + 1)) {
        std::size_t start = at;
        while (start > 0 && list[start - 1] == L' ') {
            --start;
        }
        if (start > 0 && list[start - 1] != L',') {
            continue;
        }
        std::size_t after = at + name.size();
        while (after < list.size() && list[after] == L' ') {
            ++after;
        }
        if (after < list.size() && list[after] != L',' && list[after] != L':') {
            continue;
        }
        const std::size_t end = list.find(L',', after);
        version = VersionOf(list.substr(start, end == npos ? npos : end - start));
        return true;
    }
    return false;
}

} // namespace

std::wstring GetVrs(const std::wstring& sLstVrs, const std::wstring& sKey) {
    const std::wstring sName = TrimSpaces(sKey);
    std::wstring sVersion;
    const bool bFound = sName.empty() || sName.find_first_of(L",:") != npos
                            ? FindByItems(sLstVrs, sName, sVersion)
                            : FindByName(sLstVrs, sName, sVersion);
    if (!bFound) {
        throw KV_Error(KV_Error::kInvalidArgument,
                       L"La lista de versiones del servidor no tiene el elemento \"" + sName +
                           L"\".");
    }
    return sVersion;
}

} // namespace KV_ZudIviMain
