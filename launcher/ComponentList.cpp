#include "KV_ZudIviParts.h"

#include "KV_Text.h"

namespace KV_ZudIviMain {

std::wstring TakeNextComponent(std::wstring& sRemaining) {
    const std::size_t comma = sRemaining.find(L',');
    if (comma == std::wstring::npos) {
        std::wstring sComp = TrimSpaces(sRemaining);
        sRemaining.clear();
        return sComp;
    }
    std::wstring sComp = TrimSpaces(std::wstring_view(sRemaining).substr(0, comma));
    sRemaining.erase(0, comma + 1);
    return sComp;
}

} // namespace KV_ZudIviMain
