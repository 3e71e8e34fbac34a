#pragma once
// A cursor on one registry location: a predefined root (ClassKey), a key path
// below it (SectionKey) and a value name in that key (ValueKey). Reading
// Value reads that value according to its stored type; setting it writes it,
// creating the key. No key handle is held between calls.
//
// The registry is reached through the narrow (ANSI) functions and with no
// KEY_WOW64_* flag: a 32-bit build sees the 32-bit view of the registry, as
// any 32-bit program does on 64-bit Windows.

#include "KV_Variant.h"

#include <cstdint>
#include <string>
#include <vector>

// The platform's predefined roots, as signed 32-bit values.
enum ERegRootKey : std::int32_t {
    kRegClassesRoot = INT32_MIN,         // 0x80000000
    kRegCurrentUser = INT32_MIN + 1,     // 0x80000001
    kRegLocalMachine = INT32_MIN + 2,    // 0x80000002
    kRegUsers = INT32_MIN + 3,           // 0x80000003
    kRegPerformanceData = INT32_MIN + 4, // 0x80000004
    kRegCurrentConfig = INT32_MIN + 5,   // 0x80000005
};

// The platform's value-type codes.
enum ERegValueType : std::int32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegDwordBigEndian = 5,
    kRegLink = 6,
    kRegMultiSz = 7,
};

class KV_Reg {
public:
    // Error numbers of the class, raised with ErrorSource().
    static constexpr std::int32_t kErrFailed = 26001;
    static constexpr std::int32_t kErrSetValue = -2147194455;        // 0x800469A9
    static constexpr std::int32_t kErrEnumerate = -2147194454;       // 0x800469AA
    static constexpr std::int32_t kErrAssociationList = -2147194452; // 0x800469AC
    static constexpr std::int32_t kErrNoClass = -2147194451;         // 0x800469AD

    // The executable's base name followed by ".cRegistry".
    static std::wstring ErrorSource();

    // Whether SectionKey under ClassKey can be opened for querying.
    bool KeyExists() const;

    // Creates SectionKey under ClassKey with every missing level; true, or
    // raises 26001.
    bool CreateKey() const;
    // Deletes SectionKey (one platform call, no walk of sub-keys); true, or
    // raises 26001.
    bool DeleteKey() const;
    // Deletes the value ValueKey ("" is the unnamed value); true, or raises 26001.
    bool DeleteValue() const;

    // The value ValueKey of SectionKey, converted by its stored type, which
    // becomes ValueType. A value that can't be read gives Default, and
    // ValueType stays as it was.
    KV_Variant Value();
    // Writes the value with the encoding ValueType chooses, creating the key.
    // Anything that can't be stored raises; nothing is then written.
    void SetValue(KV_Variant vValue);

    // The names of the key's values, and of its direct sub-keys, in the
    // platform's order. Both empty the list and the count first. A key that
    // can't be opened lists nothing and is not an error.
    bool EnumerateValues(std::vector<std::wstring>& sKeyNames, std::int32_t& iKeyCount) const;
    bool EnumerateSections(std::vector<std::wstring>& sSect, std::int32_t& iSectCount) const;

    // Binds ".sAssociation" to a document class with its description, verbs
    // and icon, under HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
    // An empty menu text takes its default; an icon index below 0 writes none.
    void CreateEXEAssociation(std::wstring sExePath, const std::wstring& sClassName,
                              const std::wstring& sClassDescription,
                              const std::wstring& sAssociation,
                              std::wstring sOpenMenuText = L"&Open", bool bSupportPrint = false,
                              std::wstring sPrintMenuText = L"&Print", bool bSupportNew = false,
                              std::wstring sNewMenuText = L"&New", bool bSupportInstall = false,
                              std::wstring sInstallMenuText = L"",
                              std::int32_t lDefaultIconIndex = -1);
    // Adds verbs to an existing class: vItems holds triples of verb name, menu
    // text and command line. The class must exist under the current ClassKey.
    // Each write is best-effort.
    void CreateAdditionalEXEAssociations(const std::wstring& sClassName,
                                         const std::vector<KV_Variant>& vItems);

    std::int32_t ValueType() const { return m_lValueType; }
    void SetValueType(std::int32_t eValueType) { m_lValueType = eValueType; }
    std::int32_t ClassKey() const { return m_lClassKey; }
    void SetClassKey(std::int32_t eKey) { m_lClassKey = eKey; }
    const std::wstring& SectionKey() const { return m_sSectionKey; }
    void SetSectionKey(std::wstring sSectionKey) { m_sSectionKey = std::move(sSectionKey); }
    const std::wstring& ValueKey() const { return m_sValueKey; }
    void SetValueKey(std::wstring sValueKey) { m_sValueKey = std::move(sValueKey); }
    const KV_Variant& Default() const { return m_vDefault; }
    void SetDefault(KV_Variant vDefault) { m_vDefault = std::move(vDefault); }

    // The four bytes of the value in reverse order.
    static std::int32_t SwapEndian(std::int32_t lValue);
    // The text with its environment references expanded; undefined ones stay.
    static std::wstring ExpandEnvStr(const std::wstring& sText);

private:
    // Writes the text as ValueKey of SectionKey under both class roots; leaves
    // ClassKey at HKEY_LOCAL_MACHINE.
    void WriteToClassRoots(const std::wstring& sText);

    std::int32_t m_lClassKey = 0;
    std::wstring m_sSectionKey;
    std::wstring m_sValueKey;
    std::int32_t m_lValueType = kRegNone;
    KV_Variant m_vDefault;
};
