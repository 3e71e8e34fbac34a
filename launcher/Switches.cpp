#include "KV_ZudIviParts.h"

#include "KV_Text.h"

namespace KV_ZudIviMain {

Switches ReadSwitches(const std::wstring& sWorkingCopy) {
    static const std::wstring kServer = L"NOMSRVAPL=";
    Switches result;
    result.bQuiet = sWorkingCopy.find(kQuietSwitch) != std::wstring::npos;
    std::wstring sRest = sWorkingCopy;
    const std::size_t at = sRest.find(kServer);
    if (at != std::wstring::npos) {
        // From here on only the text after the switch counts, for "/ESDBG" too.
        sRest = TrimSpaces(std::wstring_view(sRest).substr(at + kServer.size()));
        result.sNomSrvApl = sRest.substr(0, sRest.find(L' '));
    }
    result.bDebug = sRest.find(L"/ESDBG") != std::wstring::npos;
    return result;
}

std::wstring ProgramOf(const std::wstring& sCommandLine) {
    if (!sCommandLine.empty() && sCommandLine[0] == L'"') {
        return sCommandLine.substr(1, sCommandLine.find(L'"', 1) - 1);
    }
    return sCommandLine.substr(0, sCommandLine.find_first_of(L" \t"));
}

std::wstring ArgumentsOf(const std::wstring& sProcessCommandLine) {
    const std::wstring& s = sProcessCommandLine;
    std::size_t i = 0;
    if (!s.empty() && s[0] == L'"') {
        const std::size_t close = s.find(L'"', 1);
        i = close == std::wstring::npos ? s.size() : close + 1;
    } else {
        while (i < s.size() && s[i] != L' ' && s[i] != L'\t') {
            ++i;
        }
    }
    while (i < s.size() && (s[i] == L' ' || s[i] == L'\t')) {
        ++i;
    }
    return s.substr(i);
}

} // namespace KV_ZudIviMain
