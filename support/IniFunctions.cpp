#include "IniFunctions.h"

#include "KV_Api.h"
#include "KV_Text.h"

#include <cstring>
#include <vector>

namespace {

void ShowCurrentError() {
    KV_Api::ShowMessage(KV_Api::CurrentErrorDescription(), KV_Api::kAppTitle, MB_OK);
}

} // namespace

std::wstring ReadIniKeyOrRaise(const std::wstring& sIniFile, const std::wstring& sSection,
                               const std::wstring& sKey, const KV_Variant& vDefault) {
    const std::wstring sDefault = vDefault.ToText();
    const std::string file = KV_Api::AnsiPath(sIniFile);
    const std::string section = KV_Api::ToAnsi(sSection);
    const std::string key = KV_Api::ToAnsi(sKey);
    const std::string fallback = KV_Api::ToAnsi(sDefault);
    // The platform cuts a value to the buffer without saying so, other than
    // by filling it: grow until the value fits with room to spare.
    std::vector<char> buffer(256);
    for (;;) {
        const DWORD n =
            GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(),
                                     static_cast<DWORD>(buffer.size()), file.c_str());
        if (n + 1 < buffer.size()) {
            break;
        }
        buffer.assign(buffer.size() * 2, '\0');
    }
    return TrimSpaces(
        KV_Api::FromAnsi(std::string_view(buffer.data(), std::strlen(buffer.data()))));
}

std::wstring ReadIniKey(const std::wstring& sIniFile, const std::wstring& sSection,
                        const std::wstring& sKey, const KV_Variant& vDefault) {
    try {
        return ReadIniKeyOrRaise(sIniFile, sSection, sKey, vDefault);
    } catch (...) {
        ShowCurrentError();
    }
    // The default's own text, unless that is what failed.
    try {
        return vDefault.ToText();
    } catch (...) {
        return L"";
    }
}

std::int16_t WriteIniKeyOrRaise(const std::wstring& sIniFile, const std::wstring& sSection,
                                const std::wstring& sKey, const std::wstring& sValue) {
    // Every text must be exact in the code page, whichever function
    // writes it, so that the file holds what the narrow reads give back.
    const std::string section = KV_Api::ToAnsi(sSection);
    const std::string key = KV_Api::ToAnsi(sKey);
    const std::string value = KV_Api::ToAnsi(sValue);
    BOOL ok = FALSE;
    // The narrow function carries its texts as counted strings of at most
    // 32,766 characters: a longer value is cut without a word, or crashes
    // the platform's conversion (a component list of a first run can be
    // far longer). Such a value goes through the wide function.
    if (sValue.size() > 32766) {
        ok = WritePrivateProfileStringW(sSection.c_str(), sKey.c_str(), sValue.c_str(),
                                        sIniFile.c_str());
    } else {
        ok = WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                        KV_Api::AnsiPath(sIniFile).c_str());
    }
    return ok ? 1 : 0;
}

std::int16_t WriteIniKey(const std::wstring& sIniFile, const std::wstring& sSection,
                         const std::wstring& sKey, const std::wstring& sValue) {
    try {
        return WriteIniKeyOrRaise(sIniFile, sSection, sKey, sValue);
    } catch (...) {
        ShowCurrentError();
        return 0;
    }
}
