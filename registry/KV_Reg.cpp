#include "KV_Reg.h"

#include "KV_Api.h"
#include "KV_Error.h"
#include "KV_Text.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS
// | KEY_NOTIFY | KEY_CREATE_LINK: enough to write, without the standard rights
// of KEY_ALL_ACCESS that ordinary users lack on shared keys.
constexpr REGSAM kWriteAccess = 0x3F;

// A sub-key name has at most 255 characters; in a double-byte code page that
// is up to twice as many bytes.
constexpr DWORD kSubKeyNameBytes = 2 * 255 + 1;

using KV_Api::UniqueKey;

[[noreturn]] void Raise(std::int32_t lNumber, std::wstring sDescription) {
    throw KV_Error(lNumber, KV_Reg::ErrorSource(), std::move(sDescription));
}

// Key paths, value names and text data in the ANSI code page. They have no
// short form: a character the code page can't hold is refused, as a
// look-alike would address another key or value ("Ω" is "O" there).
std::string Narrow(const std::wstring& sText) {
    std::string sAnsi;
    if (!KV_Api::ToAnsi(sText, sAnsi)) {
        Raise(KV_Error::kInvalidArgument, L"The text '" + sText +
                                              L"' can't be written in the system's code page (" +
                                              std::to_wstring(GetACP()) + L")");
    }
    return sAnsi;
}

// The predefined roots are negative 32-bit values that the platform
// sign-extends into handles.
HKEY RootOf(std::int32_t lClassKey) {
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(lClassKey));
}

LSTATUS OpenKey(std::int32_t lClassKey, const std::wstring& sSectionKey, REGSAM access,
                UniqueKey& key) {
    return RegOpenKeyExA(RootOf(lClassKey), Narrow(sSectionKey).c_str(), 0, access, key.Put());
}

// Opens the key with write access, creating every missing level.
LSTATUS CreateKeyPath(std::int32_t lClassKey, const std::wstring& sSectionKey, UniqueKey& key) {
    // No security descriptor and no inheritance: the key gets the parent's defaults.
    return RegCreateKeyExA(RootOf(lClassKey), Narrow(sSectionKey).c_str(), 0, nullptr,
                           REG_OPTION_NON_VOLATILE, kWriteAccess, nullptr, key.Put(), nullptr);
}

std::wstring RootText(std::int32_t lClassKey) {
    return std::to_wstring(lClassKey);
}

// A value as the failure message shows it; a byte array as its bytes in hex.
std::wstring MessageText(const KV_Variant& vValue) {
    if (const auto* bytes = vValue.Get<KV_Variant::Bytes>()) {
        std::wstring sText;
        constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
        for (std::uint8_t b : *bytes) {
            if (!sText.empty()) {
                sText += L' ';
            }
            sText += kDigits[b >> 4];
            sText += kDigits[b & 0xF];
        }
        return sText;
    }
    return vValue.ToText();
}

// Text data as stored: the final byte is its terminator only when it is zero,
// so text stored without one keeps its last character.
std::wstring TextOfData(const std::vector<std::uint8_t>& data) {
    std::size_t size = data.size();
    if (size > 0 && data[size - 1] == 0) {
        --size;
    }
    return KV_Api::FromAnsi(std::string_view(reinterpret_cast<const char*>(data.data()), size));
}

std::int32_t DwordOfData(const std::vector<std::uint8_t>& data) {
    // Data shorter than four bytes reads as if zero-padded.
    std::uint8_t bytes[4] = {};
    std::memcpy(bytes, data.data(), data.size() < 4 ? data.size() : 4);
    const auto u =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return static_cast<std::int32_t>(u);
}

// Text is stored as REG_EXPAND_SZ when a '%' is followed, two or more places
// later, by another: "%%" and "100%" stay plain text.
bool LooksExpandable(const std::wstring& sText) {
    const auto first = sText.find(L'%');
    return first != std::wstring::npos && sText.find(L'%', first + 2) != std::wstring::npos;
}

} // namespace

std::wstring KV_Reg::ErrorSource() {
    return KV_Api::ExeBaseName() + L".cRegistry";
}

bool KV_Reg::KeyExists() const {
    UniqueKey key;
    return OpenKey(m_lClassKey, m_sSectionKey, KEY_QUERY_VALUE, key) == ERROR_SUCCESS;
}

bool KV_Reg::CreateKey() const {
    UniqueKey key;
    if (CreateKeyPath(m_lClassKey, m_sSectionKey, key) != ERROR_SUCCESS) {
        Raise(kErrFailed, L"Failed to create registry Key: '" + m_sSectionKey);
    }
    return true;
}

bool KV_Reg::DeleteKey() const {
    if (RegDeleteKeyA(RootOf(m_lClassKey), Narrow(m_sSectionKey).c_str()) != ERROR_SUCCESS) {
        Raise(kErrFailed, L"Failed to delete registry Key: '" + RootText(m_lClassKey) +
                              L"',Section: '" + m_sSectionKey);
    }
    return true;
}

bool KV_Reg::DeleteValue() const {
    const std::string name = Narrow(m_sValueKey);
    UniqueKey key;
    if (OpenKey(m_lClassKey, m_sSectionKey, kWriteAccess, key) != ERROR_SUCCESS) {
        Raise(kErrFailed, L"Failed to open key '" + RootText(m_lClassKey) + L"',Section: '" +
                              m_sSectionKey + L"' for delete access");
    }
    if (RegDeleteValueA(key.Get(), name.c_str()) != ERROR_SUCCESS) {
        Raise(kErrFailed, L"Failed to delete registry Key: '" + RootText(m_lClassKey) +
                              L"',Section: '" + m_sSectionKey + L"',Key: '" + m_sValueKey);
    }
    return true;
}

KV_Variant KV_Reg::Value() {
    UniqueKey key;
    // A key that can't be opened makes the query fail, which gives Default.
    OpenKey(m_lClassKey, m_sSectionKey, KEY_QUERY_VALUE, key);
    const std::string name = Narrow(m_sValueKey);
    DWORD dwType = REG_NONE;
    DWORD dwSize = 0;
    LSTATUS status = RegQueryValueExA(key.Get(), name.c_str(), nullptr, &dwType, nullptr, &dwSize);
    std::vector<std::uint8_t> data;
    // The value may grow between the sizing query and the read: a few reads
    // at the new size, and no more. HKEY_PERFORMANCE_DATA never tells its
    // size, and a value that keeps changing would otherwise keep the loop.
    constexpr int kReads = 4;
    for (int i = 0; i < kReads && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA); ++i) {
        data.assign(dwSize, 0);
        status = RegQueryValueExA(key.Get(), name.c_str(), nullptr, &dwType,
                                  data.empty() ? nullptr : data.data(), &dwSize);
        if (status == ERROR_SUCCESS) {
            data.resize(dwSize);
            break;
        }
    }
    if (status == ERROR_MORE_DATA) {
        Raise(static_cast<std::int32_t>(HRESULT_FROM_WIN32(status)),
              KV_Api::SystemMessage(static_cast<DWORD>(status)));
    }
    if (status != ERROR_SUCCESS) {
        return m_vDefault;
    }

    m_lValueType = static_cast<std::int32_t>(dwType);
    switch (dwType) {
    case REG_SZ:
    case REG_MULTI_SZ:
        // A multi-string comes back as one string, each item followed by a NUL.
        return KV_Variant(TextOfData(data));
    case REG_EXPAND_SZ:
        return KV_Variant(ExpandEnvStr(TextOfData(data)));
    case REG_DWORD:
        return KV_Variant(DwordOfData(data));
    case REG_DWORD_BIG_ENDIAN:
        return KV_Variant(SwapEndian(DwordOfData(data)));
    default:
        return KV_Variant(std::move(data));
    }
}

void KV_Reg::SetValue(KV_Variant vValue) {
    const auto failure = [&] {
        return L"Failed to set registry value Key: '" + RootText(m_lClassKey) + L"',Section: '" +
               m_sSectionKey + L"',Key: '" + m_sValueKey + L"' to value: '" + MessageText(vValue) +
               L"'";
    };

    // Texts the code page can't hold are refused before the key is made.
    const std::string name = Narrow(m_sValueKey);
    const bool bText = (m_lValueType == kRegSz || m_lValueType == kRegExpandSz) &&
                       vValue.GetKind() != KV_Variant::Kind::ByteArray;
    const std::wstring sText = bText ? vValue.ToText() : std::wstring();
    const std::string ansiText = bText ? Narrow(sText) : std::string();

    UniqueKey key;
    if (CreateKeyPath(m_lClassKey, m_sSectionKey, key) != ERROR_SUCCESS) {
        Raise(kErrFailed, failure());
    }

    DWORD dwType = REG_NONE;
    std::vector<std::uint8_t> data;
    bool bStorable = true;
    switch (m_lValueType) {
    case kRegSz:
    case kRegExpandSz:
        if (!bText) {
            bStorable = false;
        } else {
            dwType = LooksExpandable(sText) ? REG_EXPAND_SZ : REG_SZ;
            data.assign(ansiText.begin(), ansiText.end());
            data.push_back(0);
        }
        break;
    case kRegBinary:
        if (const auto* bytes = vValue.Get<KV_Variant::Bytes>()) {
            dwType = REG_BINARY;
            data = *bytes;
        } else {
            // Deliberately without a description of its own: the caller gave
            // a kind the binary type has no encoding for.
            throw KV_Error(kErrFailed, KV_Api::kAppTitle,
                           L"Application-defined or object-defined error");
        }
        break;
    case kRegDword:
    case kRegDwordBigEndian: {
        // Written in the machine's order either way, as REG_DWORD.
        std::uint32_t u = 0;
        if (const auto* i = vValue.Get<std::int16_t>()) {
            u = static_cast<std::uint32_t>(static_cast<std::int32_t>(*i));
        } else if (const auto* l = vValue.Get<std::int32_t>()) {
            u = static_cast<std::uint32_t>(*l);
        } else {
            bStorable = false;
            break;
        }
        dwType = REG_DWORD;
        data = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
        break;
    }
    default:
        bStorable = false;
        break;
    }
    if (!bStorable ||
        RegSetValueExA(key.Get(), name.c_str(), 0, dwType, data.empty() ? nullptr : data.data(),
                       static_cast<DWORD>(data.size())) != ERROR_SUCCESS) {
        Raise(kErrSetValue, failure());
    }
}

bool KV_Reg::EnumerateValues(std::vector<std::wstring>& sKeyNames, std::int32_t& iKeyCount) const {
    iKeyCount = 0;
    sKeyNames.clear();
    UniqueKey key;
    if (OpenKey(m_lClassKey, m_sSectionKey, KEY_QUERY_VALUE, key) != ERROR_SUCCESS) {
        return true;
    }
    DWORD dwMaxName = 0;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &dwMaxName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return true;
    }
    // The longest length is counted in characters; a double-byte code page
    // needs up to twice as many bytes, and a name added meanwhile may be
    // longer still, so the buffer grows when the platform says so.
    std::vector<char> buffer(2 * static_cast<std::size_t>(dwMaxName) + 1);
    for (DWORD dwIndex = 0;;) {
        DWORD dwLength = static_cast<DWORD>(buffer.size());
        const LSTATUS status = RegEnumValueA(key.Get(), dwIndex, buffer.data(), &dwLength, nullptr,
                                             nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA && buffer.size() < 65536) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != ERROR_SUCCESS) {
            break;
        }
        sKeyNames.push_back(KV_Api::FromAnsi(std::string_view(buffer.data(), dwLength)));
        ++iKeyCount;
        ++dwIndex;
    }
    return true;
}

bool KV_Reg::EnumerateSections(std::vector<std::wstring>& sSect, std::int32_t& iSectCount) const {
    try {
        iSectCount = 0;
        sSect.clear();
        UniqueKey key;
        LSTATUS status = OpenKey(m_lClassKey, m_sSectionKey, KEY_ENUMERATE_SUB_KEYS, key);
        for (DWORD dwIndex = 0; status == ERROR_SUCCESS; ++dwIndex) {
            char buffer[kSubKeyNameBytes] = {};
            status = RegEnumKeyA(key.Get(), dwIndex, buffer, kSubKeyNameBytes);
            if (status == ERROR_SUCCESS) {
                const char* end = std::find(buffer, buffer + kSubKeyNameBytes, '\0');
                sSect.push_back(KV_Api::FromAnsi(std::string_view(buffer, end)));
                ++iSectCount;
            }
        }
        return true;
    } catch (...) {
        Raise(kErrEnumerate, KV_Api::CurrentErrorDescription());
    }
}

void KV_Reg::WriteToClassRoots(const std::wstring& sText) {
    m_lClassKey = kRegClassesRoot;
    SetValue(KV_Variant(sText));
    const std::wstring sPath = m_sSectionKey;
    m_lClassKey = kRegLocalMachine;
    m_sSectionKey = L"SOFTWARE\\Classes\\" + sPath;
    SetValue(KV_Variant(sText));
    m_sSectionKey = sPath;
}

void KV_Reg::CreateEXEAssociation(std::wstring sExePath, const std::wstring& sClassName,
                                  const std::wstring& sClassDescription,
                                  const std::wstring& sAssociation, std::wstring sOpenMenuText,
                                  bool bSupportPrint, std::wstring sPrintMenuText, bool bSupportNew,
                                  std::wstring sNewMenuText, bool bSupportInstall,
                                  std::wstring sInstallMenuText, std::int32_t lDefaultIconIndex) {
    sExePath = TrimSpaces(sExePath);
    if (sExePath.empty() || sExePath.front() != L'"') {
        sExePath.insert(sExePath.begin(), L'"');
    }
    if (sExePath.back() != L'"') {
        sExePath += L'"';
    }
    const auto write = [this](const std::wstring& sPath, const std::wstring& sText) {
        m_sSectionKey = sPath;
        WriteToClassRoots(sText);
    };
    const auto orDefault = [](std::wstring& sText, std::wstring sDefault) -> const std::wstring& {
        if (sText.empty()) {
            sText = std::move(sDefault);
        }
        return sText;
    };
    const std::wstring sShell = sClassName + L"\\shell\\";

    m_sSectionKey = L"." + sAssociation;
    m_lValueType = kRegSz;
    m_sValueKey.clear();
    write(L"." + sAssociation, sClassName);
    write(sClassName, sClassDescription);
    write(sShell + L"open", orDefault(sOpenMenuText, L"&Open"));
    write(sShell + L"open\\command", sExePath + L" \"%1\"");
    if (bSupportPrint) {
        write(sShell + L"print", orDefault(sPrintMenuText, L"&Print"));
        write(sShell + L"print\\command", sExePath + L" /p \"%1\"");
    }
    if (bSupportInstall) {
        write(sShell + L"add", orDefault(sInstallMenuText, L"&Install " + sAssociation));
        write(sShell + L"add\\command", sExePath + L" /a \"%1\"");
    }
    if (bSupportNew) {
        write(sShell + L"new", orDefault(sNewMenuText, L"&New"));
        write(sShell + L"new\\command", sExePath + L" /n \"%1\"");
    }
    if (lDefaultIconIndex > -1) {
        write(sClassName + L"\\DefaultIcon", sExePath + L"," + std::to_wstring(lDefaultIconIndex));
    }
}

void KV_Reg::CreateAdditionalEXEAssociations(const std::wstring& sClassName,
                                             const std::vector<KV_Variant>& vItems) {
    // An empty list is a whole list of no triples: it still needs the class.
    if (vItems.size() % 3 != 0) {
        Raise(kErrAssociationList, L"Invalid parameter list passed to "
                                   L"CreateAdditionalEXEAssociations - expected Name/Text/Command");
    }
    m_sSectionKey = sClassName;
    if (!KeyExists()) {
        Raise(kErrNoClass,
              L"Error - attempt to create additional associations before class defined.");
    }
    // Best-effort, write by write. An item with no text form skips the writes
    // that need it, rather than reusing the previous verb's text.
    const auto tryWrite = [this](const std::wstring& sPath, const KV_Variant& vText) {
        try {
            const std::wstring sText = vText.ToText();
            m_sSectionKey = sPath;
            m_sValueKey.clear();
            WriteToClassRoots(sText);
        } catch (...) {
        }
    };
    for (std::size_t i = 0; i + 2 < vItems.size(); i += 3) {
        m_lValueType = kRegSz;
        std::wstring sVerb;
        try {
            sVerb = sClassName + L"\\shell\\" + vItems[i].ToText();
        } catch (...) {
            continue;
        }
        tryWrite(sVerb, vItems[i + 1]);
        tryWrite(sVerb + L"\\command", vItems[i + 2]);
    }
}

std::int32_t KV_Reg::SwapEndian(std::int32_t lValue) {
    const auto u = static_cast<std::uint32_t>(lValue);
    return static_cast<std::int32_t>((u & 0xFFu) << 24 | (u & 0xFF00u) << 8 | (u >> 8 & 0xFF00u) |
                                     u >> 24);
}

std::wstring KV_Reg::ExpandEnvStr(const std::wstring& sText) {
    // The platform carries the text and its expansion as counted strings of
    // at most 32,766 characters: a longer text crashes it (under Wine), and a
    // longer expansion comes back cut without a word.
    constexpr DWORD kLongest = 32766;
    const auto invalid = [](std::wstring sDescription) {
        return KV_Error(KV_Error::kInvalidArgument, ErrorSource(), std::move(sDescription));
    };
    const std::wstring sTooLong = L"Environment references can't be expanded in a text, or into "
                                  L"a text, of more than 32766 characters";
    if (sText.size() > kLongest) {
        throw invalid(sTooLong);
    }
    const std::string ansi = Narrow(sText);
    const DWORD n = ExpandEnvironmentStringsA(ansi.c_str(), nullptr, 0);
    if (n == 0) {
        throw invalid(KV_Api::SystemMessage(GetLastError()));
    }
    // The count includes the terminator.
    if (n - 1 > kLongest) {
        throw invalid(sTooLong);
    }
    std::string expanded(n, '\0');
    const DWORD written = ExpandEnvironmentStringsA(ansi.c_str(), expanded.data(), n);
    if (written == 0 || written > n) {
        throw invalid(KV_Api::SystemMessage(GetLastError()));
    }
    expanded.resize(std::strlen(expanded.c_str()));
    return KV_Api::FromAnsi(expanded);
}
