// KV_Reg against the registry of the Wine prefix, under keys the tests make
// and remove. Raw data goes in and comes out through the narrow registry
// functions directly, so what the class stores is checked byte by byte.
#include "KV_Api.h"
#include "KV_Error.h"
#include "KV_Reg.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

using namespace std::literals;

// Shows a variant's kind and content in a failed comparison.
static void PrintTo(const KV_Variant& v, std::ostream* os) {
    const auto* b = v.Get<KV_Variant::Bytes>();
    *os << int(v.GetKind()) << ' '
        << (b ? testing::PrintToString(*b) : testing::PrintToString(v.ToText()));
}

namespace {

const HKEY kHkcr = HKEY_CLASSES_ROOT;
const std::string kKey = "Software\\KV_RegTest";
const std::wstring kSection = L"Software\\KV_RegTest";
const std::wstring kClass = L"KvRegTest.Doc";
const std::string kLongClass = "KvRegTest.Doc" + std::string(237, 'x'); // 250 characters
using Bytes = KV_Variant::Bytes;
using Names = std::vector<std::wstring>;

// RegSetValueExA counts a missing terminator in when the byte after the data
// is a zero, as Windows does: unterminated text is given as a view into a
// longer buffer.
void Put(const char* name, DWORD type, std::string_view data, const std::string& sKey = kKey) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, sKey.c_str(), name, type, data.data(),
                              static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

// A key's values as "name=type:data;", then its sub-keys as "name{...}",
// bytes outside printable ASCII as "<decimal>"; "-" when there is no key.
std::string Dump(const std::string& sKey = kKey, HKEY root = HKEY_LOCAL_MACHINE) {
    KV_Api::UniqueKey key;
    if (RegOpenKeyExA(root, sKey.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        return "-";
    }
    std::string s;
    char name[1024], data[1024];
    for (DWORD i = 0, n = 1024, size = 1024, type = 0;
         RegEnumValueA(key.Get(), i++, name, &n, nullptr, &type, reinterpret_cast<BYTE*>(data),
                       &size) == ERROR_SUCCESS;
         n = size = 1024) {
        s +=
            std::string(name, n) + '=' + std::to_string(type) + ':' + std::string(data, size) + ';';
    }
    for (DWORD i = 0; RegEnumKeyA(key.Get(), i++, name, sizeof name) == ERROR_SUCCESS;) {
        s += std::string(name) + '{' + Dump(name, key.Get()) + '}';
    }
    std::string shown; // the sub-keys' dumps are printable already
    for (const unsigned char b : s) {
        shown += b >= ' ' && b <= '~' ? std::string(1, static_cast<char>(b))
                                      : '<' + std::to_string(b) + '>';
    }
    return shown;
}

KV_Reg At(const std::wstring& sSub, const std::wstring& sValue = L"", std::int32_t lType = 0) {
    KV_Reg reg;
    reg.SetClassKey(kRegLocalMachine);
    reg.SetSectionKey(kSection + sSub);
    reg.SetValueKey(sValue);
    reg.SetValueType(lType);
    return reg;
}

// The values, or the sub-keys, listed into a list that holds a stale entry;
// the count must match the names.
Names List(const KV_Reg& reg, bool bSections = false) {
    Names names{L"stale"};
    std::int32_t count = 9;
    EXPECT_TRUE(bSections ? reg.EnumerateSections(names, count)
                          : reg.EnumerateValues(names, count));
    EXPECT_EQ(count, static_cast<std::int32_t>(names.size()));
    return names;
}

// Calls that must each raise exactly this error.
struct Refusal {
    const char* what;
    std::function<void()> call;
    std::int32_t number;
    std::wstring description;
    std::wstring source = L"win_tests.cRegistry";
};
void ExpectRefused(const std::vector<Refusal>& rows) {
    for (const Refusal& row : rows) {
        SCOPED_TRACE(row.what);
        try {
            row.call();
            ADD_FAILURE() << "raised nothing";
        } catch (const KV_Error& e) {
            EXPECT_EQ(std::tuple(e.Number(), e.Source(), e.Description()),
                      std::tuple(row.number, row.source, row.description));
        }
    }
}

class KV_RegTest : public testing::Test {
protected:
    void SetUp() override { TearDown(); } // what an interrupted run left
    void TearDown() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey.c_str());
        for (const std::string& sKey : {"KvRegTest.Doc"s, ".kvrt"s, kLongClass}) {
            RegDeleteTreeA(kHkcr, sKey.c_str());
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\" + sKey).c_str());
        }
    }
};

TEST_F(KV_RegTest, ValuesAreReadByTheirStoredTypeAndWrittenByTheValueType) {
    SetEnvironmentVariableW(L"KVRT", L"C:\\Kv Dir");
    const std::tuple<DWORD, std::string_view, KV_Variant> cases[] = {
        {REG_SZ, std::string_view("%KVRT%!", 6), L"%KVRT%"}, // no terminator: all kept
        {REG_MULTI_SZ, "a\0b\0\0"sv, L"a\0b\0"s},
        {REG_EXPAND_SZ, "%KVRT%\\x;%KVRT_NONE%\0"sv, L"C:\\Kv Dir\\x;%KVRT_NONE%"},
        {REG_EXPAND_SZ, "", L""},
        {REG_DWORD, "\x02\x01"sv, std::int32_t{258}}, // zero-padded
        {REG_DWORD_BIG_ENDIAN, "\x00\x00\x01\x02"sv, std::int32_t{258}},
        {REG_BINARY, "\x01\x00\xFF"sv, Bytes{1, 0, 255}}};
    for (const auto& [type, data, value] : cases) {
        SCOPED_TRACE(testing::Message() << type << ' ' << testing::PrintToString(data));
        Put("V", type, data);
        KV_Reg reg = At(L"", L"V", kRegBinary);
        EXPECT_EQ((std::pair{reg.Value(), reg.ValueType()}),
                  (std::pair{value, static_cast<std::int32_t>(type)}));
    }
    SetEnvironmentVariableW(L"KVRT", nullptr);
    EXPECT_EQ(KV_Reg::SwapEndian(static_cast<std::int32_t>(0x84030201)), 0x01020384);

    // A new object has no type (nor root, key or name: see the refusals). A
    // missing key gives the default as it is and keeps the type; the key is
    // not made.
    EXPECT_EQ(KV_Reg().ValueType(), kRegNone);
    KV_Reg noKey = At(L"\\NoKey", L"V", kRegMultiSz);
    noKey.SetDefault(std::int16_t{-3});
    EXPECT_EQ((std::pair{noKey.Value(), noKey.ValueType()}),
              (std::pair{KV_Variant(std::int16_t{-3}), std::int32_t{kRegMultiSz}}));
    EXPECT_EQ(Dump(kKey + "\\NoKey"), "-");

    // Writes store what the value type says, making the key.
    const std::tuple<std::int32_t, KV_Variant, const char*> writes[] = {
        {kRegExpandSz, L"%%", "1:%%<0>"},
        {kRegSz, L"%TEMP%\\x", "2:%TEMP%\\x<0>"},
        {kRegExpandSz, std::int16_t{-7}, "1:-7<0>"},
        {kRegDword, std::int16_t{-2}, "4:<254><255><255><255>"},
        {kRegDwordBigEndian, std::int32_t{0x01020304}, "4:<4><3><2><1>"},
        {kRegBinary, Bytes{1, 2, 3}, "3:<1><2><3>"}};
    for (const auto& [type, value, stored] : writes) {
        SCOPED_TRACE(testing::Message() << type << ' ' << testing::PrintToString(value));
        At(L"\\Sub", L"T", type).SetValue(value);
        EXPECT_EQ(Dump(kKey + "\\Sub"), "T="s + stored + ";");
    }
}

TEST_F(KV_RegTest, WhatCannotBeDoneRaisesAndWritesNothing) {
    Put("N", REG_SZ, "old\0"sv);
    Put("Long", REG_EXPAND_SZ, std::string(40000, 'x') + '\0');
    SetEnvironmentVariableW(L"KVRT", L"C:\\Kv Dir");
    const auto set = [](std::int32_t lType, KV_Variant v, const wchar_t* sSub = L"") {
        return [=] { At(sSub, L"N", lType).SetValue(v); };
    };
    const auto expand = [](std::wstring sText) { return [=] { KV_Reg::ExpandEnvStr(sText); }; };
    KV_Reg perf;
    perf.SetClassKey(kRegPerformanceData);
    const std::wstring sIn = L"-2147483646',Section: '" + kSection;
    const std::wstring sSet = L"Failed to set registry value Key: '" + sIn;
    const std::wstring sToN = sSet + L"',Key: 'N' to value: '";
    // Up to the platform's 32,766 characters a text and its expansion come
    // whole; beyond, error 5, neither a crash nor a cut text. The performance
    // data never tells its size: a few reads, then the platform's message
    // (Wine's text), rather than reading on for ever.
    const std::wstring sTooLong = L"Environment references can't be expanded in a text, or into "
                                  L"a text, of more than 32766 characters";
    ExpectRefused({{"text as dword", set(kRegDword, L"5"), -2147194455, sToN + L"5'"},
                   {"bytes as text", set(kRegSz, Bytes{0xAB, 0x0C}), -2147194455, sToN + L"AB 0C'"},
                   {"type none, a new key", set(kRegNone, 5, L"\\New"), -2147194455,
                    sSet + L"\\New',Key: 'N' to value: '5'"},
                   {"text as binary", set(kRegBinary, L"01"), 26001,
                    L"Application-defined or object-defined error", L"KV_ZudIviPrj"},
                   {"SetValue, a new object", [] { KV_Reg().SetValue(5); }, 26001,
                    L"Failed to set registry value Key: '0',Section: '',Key: '' to value: '5'"},
                   {"CreateKey, a new object", [] { KV_Reg().CreateKey(); }, 26001,
                    L"Failed to create registry Key: '"},
                   {"DeleteKey, no key", [] { At(L"\\Gone").DeleteKey(); }, 26001,
                    L"Failed to delete registry Key: '" + sIn + L"\\Gone"},
                   {"DeleteValue, no key", [] { At(L"\\Gone", L"N").DeleteValue(); }, 26001,
                    L"Failed to open key '" + sIn + L"\\Gone' for delete access"},
                   {"DeleteValue, no value", [] { At(L"", L"Other").DeleteValue(); }, 26001,
                    L"Failed to delete registry Key: '" + sIn + L"',Key: 'Other"},
                   {"40,000, read as a value", [] { At(L"", L"Long").Value(); }, 5, sTooLong},
                   {"32,767", expand(std::wstring(32767, L'x')), 5, sTooLong},
                   {"32,767 expanded", expand(L"%KVRT%" + std::wstring(32758, L'x')), 5, sTooLong},
                   {"performance data", [&] { perf.Value(); }, HRESULT_FROM_WIN32(ERROR_MORE_DATA),
                    L"More data available."}});
    SetEnvironmentVariableW(L"KVRT", nullptr);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kKey.c_str(), "Long"); // too long for the dump
    EXPECT_EQ(KV_Reg::ExpandEnvStr(std::wstring(32766, L'x')), std::wstring(32766, L'x'));
    // The key is made before the value is refused; a key to delete from is not.
    EXPECT_EQ(Dump(), "N=1:old<0>;New{}");
}

TEST_F(KV_RegTest, KeysAndValuesAreMadeListedAndDeleted) {
    KV_Reg reg = At(L"\\A\\B\\C", L"V");
    EXPECT_EQ(std::tuple(reg.KeyExists(), List(reg), List(reg, true)), // no key: no error
              std::tuple(false, Names{}, Names{}));
    EXPECT_TRUE(reg.CreateKey());
    Put("V", REG_SZ, "keep\0"sv, kKey + "\\A\\B\\C");
    EXPECT_EQ(Dump(), "A{B{C{V=1:keep<0>;}}}");
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_EQ(Dump(), "A{B{}}");

    // Wine lists by name, Windows values in the order made: these agree.
    // Names longer than a key's 255 characters are read whole. Wine's narrow
    // functions take paths of up to MAX_PATH characters only: the longest key
    // name is made through the wide ones.
    Put("", REG_DWORD, "\0\0\0\0"sv);
    Put("V1", REG_DWORD, "\0\0\0\0"sv);
    Put(("V3" + std::string(300, 'x')).c_str(), REG_DWORD, "\0\0\0\0"sv);
    const std::wstring sLongKey = kSection + L"\\" + std::wstring(255, L'L');
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, sLongKey.c_str(), nullptr, REG_SZ, L"", 2), 0);
    const std::wstring sLongName = L"V3" + std::wstring(300, L'x');
    EXPECT_EQ(List(At(L"")), (Names{L"", L"V1", sLongName}));
    EXPECT_EQ(List(At(L""), true), (Names{L"A", std::wstring(255, L'L')}));

    EXPECT_TRUE(At(L"", L"V1").DeleteValue());
    EXPECT_TRUE(At(L"").DeleteValue()); // the unnamed value
    EXPECT_EQ(List(At(L"")), Names{sLongName});
}

TEST_F(KV_RegTest, AssociationsAreWrittenUnderBothClassRootsAndVerbsAddedBestEffort) {
    // Wine keeps one store for both class roots, so the trees are read under
    // one; only a failure (below) tells the second write happened. The
    // object's value name and type don't matter.
    //
    // Every verb, the empty texts taking their defaults; a leading quote
    // alone gets only the closing one, and spaces around are trimmed.
    KV_Reg reg = At(L"", L"V", kRegDword);
    reg.CreateEXEAssociation(L" \"E.exe ", kClass, L"Doc", L"kvrt", L"", true, L"", true, L"", true,
                             L"", 0);
    EXPECT_EQ(Dump(".kvrt", kHkcr), "=1:KvRegTest.Doc<0>;");
    EXPECT_EQ(Dump("KvRegTest.Doc", kHkcr),
              R"(=1:Doc<0>;DefaultIcon{=1:"E.exe",0<0>;}shell{)"
              R"(add{=1:&Install kvrt<0>;command{=1:"E.exe" /a "%1"<0>;}})"
              R"(new{=1:&New<0>;command{=1:"E.exe" /n "%1"<0>;}})"
              R"(open{=1:&Open<0>;command{=1:"E.exe" "%1"<0>;}})"
              R"(print{=1:&Print<0>;command{=1:"E.exe" /p "%1"<0>;}}})");
    TearDown(); // each case on a clean slate
    // Own texts; a closing quote alone gets only the opening one; the verbs
    // run open, print, add, new.
    reg.CreateEXEAssociation(L"%KV%\\E.exe\"", kClass, L"Doc", L"kvrt", L"100% &Ver", true,
                             L"&Imprimir", true, L"&Nuevo", true, L"&Instalar");
    EXPECT_EQ(Dump("KvRegTest.Doc", kHkcr),
              R"(=1:Doc<0>;shell{add{=1:&Instalar<0>;command{=2:"%KV%\E.exe" /a "%1"<0>;}})"
              R"(new{=1:&Nuevo<0>;command{=2:"%KV%\E.exe" /n "%1"<0>;}})"
              R"(open{=1:100% &Ver<0>;command{=2:"%KV%\E.exe" "%1"<0>;}})"
              R"(print{=1:&Imprimir<0>;command{=2:"%KV%\E.exe" /p "%1"<0>;}}})");

    // Additional verbs need a list of triples, and the class: the association
    // leaves the root at HKEY_LOCAL_MACHINE, where the class is not, and an
    // empty list is a whole one that still needs it. No path gets one quote.
    // An association's first write refused raises at once, and what was
    // written stays: a class path that fits MAX_PATH under HKEY_CLASSES_ROOT
    // but not below SOFTWARE\Classes is refused by Wine's narrow functions
    // there.
    TearDown();
    const auto add = [&reg](std::vector<KV_Variant> items) {
        return [&reg, items] { reg.CreateAdditionalEXEAssociations(kClass, items); };
    };
    reg.CreateEXEAssociation(L"   ", kClass, L"Doc", L"kvrt");
    const std::wstring sLong(300, L'c');
    const std::wstring sLongClass = kClass + std::wstring(237, L'x');
    const std::wstring sFailed = L"Failed to set registry value Key: '";
    ExpectRefused(
        {{"four items", add({L"x", L"x", L"x", L"x"}), -2147194452,
          L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
          L"Name/Text/Command"},
         {"no items", add({}), -2147194451,
          L"Error - attempt to create additional associations before class defined."},
         {"HKEY_CLASSES_ROOT",
          [&] { KV_Reg().CreateEXEAssociation(L"E.exe", sLong, L"Doc", L"kvrt"); }, 26001,
          sFailed + L"-2147483648',Section: '" + sLong + L"',Key: '' to value: 'Doc'"},
         {"HKEY_LOCAL_MACHINE",
          [&] { KV_Reg().CreateEXEAssociation(L"E.exe", sLongClass, L"Doc", L"kvrt"); }, 26001,
          sFailed + L"-2147483646',Section: 'SOFTWARE\\Classes\\" + sLongClass +
              L"',Key: '' to value: 'Doc'"}});
    EXPECT_EQ(Dump(kLongClass, kHkcr), "=1:Doc<0>;");

    // With the class there an empty list raises nothing. Each write is on its
    // own: an item with no text form skips what needs it, and a write the
    // registry refuses (too long a name) skips only itself.
    reg.SetClassKey(kRegClassesRoot);
    add({})();
    reg.SetValueType(kRegBinary);
    const KV_Variant noText = Bytes{1};
    add({L"Edit", L"&Edit", L"edit.exe \"%1\"", noText, L"Lost", L"lost.exe", L"NoText", noText,
         L"notext.exe", L"NoCmd", L"&No command", noText, std::wstring(300, L'n'), L"Refused",
         L"r.exe", std::int32_t{7}, std::int16_t{8}, KV_Variant()})();
    EXPECT_EQ(Dump("KvRegTest.Doc", kHkcr),
              R"(=1:Doc<0>;shell{7{=1:8<0>;command{=1:<0>;}})"
              R"(Edit{=1:&Edit<0>;command{=1:edit.exe "%1"<0>;}})"
              R"(NoCmd{=1:&No command<0>;}NoText{command{=1:notext.exe<0>;}})"
              R"(open{=1:&Open<0>;command{=1:" "%1"<0>;}}})");
    EXPECT_EQ(reg.SectionKey(), kClass + L"\\shell\\7\\command"); // not below SOFTWARE\Classes
}

TEST_F(KV_RegTest, TextCrossesInTheAnsiCodePageExactlyOrNotAtAll) {
    ASSERT_EQ(GetACP(), 1252u) << "the bench's prefix has the Western code page";
    KV_Reg reg = At(L"\\Niño", L"Año", kRegSz);
    reg.SetValue(L"Café ñ");
    EXPECT_EQ(reg.Value(), KV_Variant(L"Café ñ"));
    EXPECT_EQ(List(reg), Names{L"Año"});

    // Outside the code page nothing stands in: "O" for "Ω", "?" for "Ж", a
    // separator for the full-width "＼". Each way a key path, a value name or
    // a text crosses is refused, naming the text, and the look-alikes stay as
    // they were.
    Put("?", REG_SZ, "old\0"sv, kKey + "\\O");
    Put("O", REG_SZ, "old\0"sv, kKey + "\\O");
    const auto refused = [](const std::wstring& sText) {
        return L"The text '" + sText + L"' can't be written in the system's code page (1252)";
    };
    ExpectRefused({
        {"opened: EnumerateSections", [] { List(At(L"\\Ω"), true); }, -2147194454,
         refused(kSection + L"\\Ω")},
        {"made: CreateKey", [] { At(L"\\O＼B").CreateKey(); }, 5, refused(kSection + L"\\O＼B")},
        {"DeleteKey", [] { At(L"\\Ω").DeleteKey(); }, 5, refused(kSection + L"\\Ω")},
        {"Value of a name", [] { At(L"\\O", L"Ж").Value(); }, 5, refused(L"Ж")},
        {"SetValue of a name", [] { At(L"\\O", L"Ж", kRegSz).SetValue(L"new"); }, 5, refused(L"Ж")},
        {"DeleteValue of a name", [] { At(L"\\O", L"Ж").DeleteValue(); }, 5, refused(L"Ж")},
        {"SetValue of a text", [] { At(L"\\O", L"O", kRegSz).SetValue(L"Ω"); }, 5, refused(L"Ω")},
    });
    EXPECT_EQ(List(At(L""), true), (Names{L"Niño", L"O"}));
    EXPECT_EQ(Dump(), "Ni<241>o{A<241>o=1:Caf<233> <241><0>;}O{?=1:old<0>;O=1:old<0>;}");
}

} // namespace
