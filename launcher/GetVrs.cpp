#include "KV_ZudIviMain.h"

#include "KV_Error.h"
#include "KV_Text.h"

#include <string_view>

namespace KV_ZudIviMain {

std::wstring GetVrs(std::wstring sLstVrs, std::wstring sKey) {
    const std::wstring sName = TrimSpaces(sKey);
    const std::wstring_view list(sLstVrs);
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(L',', start);
        if (end == std::wstring_view::npos) {
            end = list.size();
        }
        const std::wstring_view item = list.substr(start, end - start);
        // An empty stretch (",," or the end after a trailing comma) is no item.
        if (!item.empty()) {
            const std::size_t colon = item.find(L':');
            if (TrimSpaces(item.substr(0, colon)) == sName) {
                return std::wstring(colon == std::wstring_view::npos ? item
                                                                     : item.substr(colon + 1));
            }
        }
        start = end + 1;
    }
    throw KV_Error(KV_Error::kInvalidArgument, L"KV_ZudIviMain.GetVrs",
                   L"La lista de versiones del servidor no tiene el elemento \"" + sName + L"\".");
}

} // namespace KV_ZudIviMain
