// KV_Reg against the registry of the Wine prefix, under keys the tests make
// and remove. Raw data goes in and comes out through the narrow registry
// functions directly, so what the class stores is checked byte by byte.
#include "KV_Api.h"
#include "KV_Error.h"
#include "KV_Reg.h"
#include "Raised.h"

#include <gtest/gtest.h>

#include <windows.h>

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
// bytes outside printable ASCII as "<decimal>"; nothing when there is no key.
std::string Dump(const std::string& sKey = kKey, HKEY root = HKEY_LOCAL_MACHINE) {
    KV_Api::UniqueKey key;
    RegOpenKeyExA(root, sKey.c_str(), 0, KEY_READ, key.Put());
    std::string s;
    char name[1024];
    BYTE data[1024];
    for (DWORD i = 0, n = 1024, size = 1024, type = 0;
         RegEnumValueA(key.Get(), i++, name, &n, nullptr, &type, data, &size) == ERROR_SUCCESS;
         n = size = 1024) {
        s += std::string(name, n) + '=' + std::to_string(type) + ':' +
             std::string(data, data + size) + ';';
    }
    for (DWORD i = 0; RegEnumKeyA(key.Get(), i++, name, sizeof name) == ERROR_SUCCESS;) {
        s += std::string(name) + '{' + Dump(name, key.Get()) + '}';
    }
    std::string shown; // the sub-keys' dumps are printable already
    for (const unsigned char b : s) {
        shown += b >= ' ' && b <= '~' ? std::string(1, char(b)) : '<' + std::to_string(b) + '>';
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
Names List(const KV_Reg& reg, bool bKeys = false) {
    Names names{L"stale"};
    std::int32_t count = 9;
    EXPECT_TRUE(bKeys ? reg.EnumerateSections(names, count) : reg.EnumerateValues(names, count));
    EXPECT_EQ(count, static_cast<std::int32_t>(names.size()));
    return names;
}

struct KV_RegTest : testing::Test {
    void SetUp() override { TearDown(); } // what an interrupted run left
    void TearDown() override {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kKey.c_str());
        for (const std::string& sKey : {"KvRegTest.Doc"s, ".kvrt"s, kLongClass}) {
            RegDeleteTreeA(HKEY_CLASSES_ROOT, sKey.c_str());
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, ("SOFTWARE\\Classes\\" + sKey).c_str());
        }
    }
};

TEST_F(KV_RegTest, ValuesAreReadByTheirStoredTypeAndWrittenByTheValueType) {
    // A new object has no type (nor root, key or name: see the refusals). A
    // missing key gives the default as it is and keeps the type; no key is
    // made.
    EXPECT_EQ(KV_Reg().ValueType(), kRegNone);
    KV_Reg noKey = At(L"\\NoKey", L"V", kRegMultiSz);
    noKey.SetDefault(std::int16_t{-3});
    EXPECT_EQ((std::pair{noKey.Value(), noKey.ValueType()}),
              (std::pair{KV_Variant(std::int16_t{-3}), std::int32_t{kRegMultiSz}}));
    EXPECT_EQ(Dump(), "");

    // Text without a terminator is kept whole; a short dword is zero-padded.
    SetEnvironmentVariableW(L"KVRT", L"C:\\Kv Dir");
    const std::tuple<DWORD, std::string_view, KV_Variant> cases[] = {
        {REG_SZ, std::string_view("%KVRT%!", 6), L"%KVRT%"},
        {REG_MULTI_SZ, "a\0b\0\0"sv, L"a\0b\0"s},
        {REG_EXPAND_SZ, "%KVRT%\\x;%KVRT_NONE%\0"sv, L"C:\\Kv Dir\\x;%KVRT_NONE%"},
        {REG_EXPAND_SZ, "", L""},
        {REG_DWORD, "\x02\x01"sv, std::int32_t{258}},
        {REG_DWORD_BIG_ENDIAN, "\x01\x02\x03\x84"sv, std::int32_t{0x01020384}},
        {REG_BINARY, "\x01\x00\xFF"sv, Bytes{1, 0, 255}}};
    for (const auto& [type, data, value] : cases) {
        SCOPED_TRACE(testing::Message() << type << ' ' << testing::PrintToString(data));
        Put("V", type, data);
        KV_Reg reg = At(L"", L"V", kRegBinary);
        EXPECT_EQ((std::pair{reg.Value(), reg.ValueType()}),
                  (std::pair{value, static_cast<std::int32_t>(type)}));
    }

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
    Put("Long", REG_EXPAND_SZ, std::string(32767, 'x') + '\0');
    SetEnvironmentVariableW(L"KVRT", L"C:\\Kv Dir");
    const auto set = [](std::int32_t lType, KV_Variant v, const wchar_t* sSub = L"") {
        return [=] { At(sSub, L"N", lType).SetValue(v); };
    };
    KV_Reg perf;
    perf.SetClassKey(kRegPerformanceData);
    const std::wstring sIn = L"-2147483646',Section: '" + kSection;
    const std::wstring sSet = L"Failed to set registry value Key: '" + sIn;
    const std::wstring sToN = sSet + L"',Key: 'N' to value: '";
    const std::wstring sOwn = L" win_tests.cRegistry: ", sFailed = L"26001" + sOwn;
    EXPECT_EQ(Raised(set(kRegDword, L"5")), L"-2147194455" + sOwn + sToN + L"5'");
    EXPECT_EQ(Raised(set(kRegSz, Bytes{0xAB, 0x0C})), L"-2147194455" + sOwn + sToN + L"AB 0C'");
    EXPECT_EQ(Raised(set(kRegNone, 5, L"\\New")),
              L"-2147194455" + sOwn + sSet + L"\\New',Key: 'N' to value: '5'");
    EXPECT_EQ(Raised(set(kRegBinary, L"01")),
              L"26001 KV_ZudIviPrj: Application-defined or object-defined error");
    EXPECT_EQ(Raised([] { KV_Reg().SetValue(5); }),
              sFailed + L"Failed to set registry value Key: '0',Section: '',Key: '' to value: '5'");
    EXPECT_EQ(Raised([] { KV_Reg().CreateKey(); }), sFailed + L"Failed to create registry Key: '");
    EXPECT_EQ(Raised([] { At(L"\\Gone").DeleteKey(); }),
              sFailed + L"Failed to delete registry Key: '" + sIn + L"\\Gone");
    EXPECT_EQ(Raised([] { At(L"\\Gone", L"N").DeleteValue(); }),
              sFailed + L"Failed to open key '" + sIn + L"\\Gone' for delete access");
    EXPECT_EQ(Raised([] { At(L"", L"Other").DeleteValue(); }),
              sFailed + L"Failed to delete registry Key: '" + sIn + L"',Key: 'Other");
    // Up to the platform's 32,766 characters a text and its expansion come
    // whole; beyond, error 5, neither a crash nor a cut text. The performance
    // data never tells its size: a few reads, then the platform's message
    // (Wine's text), rather than reading on for ever.
    const std::wstring sTooLong = L"5" + sOwn +
                                  L"Environment references can't be expanded in a text, or into "
                                  L"a text, of more than 32766 characters";
    EXPECT_EQ(Raised([] { At(L"", L"Long").Value(); }), sTooLong);
    EXPECT_EQ(Raised([] { KV_Reg::ExpandEnvStr(L"%KVRT%" + std::wstring(32758, L'x')); }),
              sTooLong);
    EXPECT_EQ(Raised([&] { perf.Value(); }), L"-2147024662" + sOwn + L"More data available.");
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
    EXPECT_EQ(Dump(".kvrt", HKEY_CLASSES_ROOT), "=1:KvRegTest.Doc<0>;");
    EXPECT_EQ(Dump("KvRegTest.Doc", HKEY_CLASSES_ROOT),
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
    EXPECT_EQ(Dump("KvRegTest.Doc", HKEY_CLASSES_ROOT),
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
    EXPECT_EQ(Raised(add({L"x", L"x", L"x", L"x"})),
              L"-2147194452 win_tests.cRegistry: Invalid parameter list passed to "
              L"CreateAdditionalEXEAssociations - expected Name/Text/Command");
    EXPECT_EQ(Raised(add({})), L"-2147194451 win_tests.cRegistry: Error - attempt to create "
                               L"additional associations before class defined.");
    const std::wstring sFailed = L"26001 win_tests.cRegistry: Failed to set registry value Key: '";
    EXPECT_EQ(Raised([&] { KV_Reg().CreateEXEAssociation(L"E.exe", sLong, L"Doc", L"kvrt"); }),
              sFailed + L"-2147483648',Section: '" + sLong + L"',Key: '' to value: 'Doc'");
    EXPECT_EQ(Raised([&] { KV_Reg().CreateEXEAssociation(L"E.exe", sLongClass, L"Doc", L"kvrt"); }),
              sFailed + L"-2147483646',Section: 'SOFTWARE\\Classes\\" + sLongClass +
                  L"',Key: '' to value: 'Doc'");
    EXPECT_EQ(Dump(kLongClass, HKEY_CLASSES_ROOT), "=1:Doc<0>;");

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
    EXPECT_EQ(Dump("KvRegTest.Doc", HKEY_CLASSES_ROOT),
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
    const auto refused = [](const wchar_t* sNumber, const std::wstring& sText) {
        return sNumber + L" win_tests.cRegistry: The text '"s + sText +
               L"' can't be written in the system's code page (1252)";
    };
    // Opened, made, deleted; a value read, written, deleted; a text written.
    EXPECT_EQ(Raised([] { List(At(L"\\Ω"), true); }), refused(L"-2147194454", kSection + L"\\Ω"));
    EXPECT_EQ(Raised([] { At(L"\\O＼B").CreateKey(); }), refused(L"5", kSection + L"\\O＼B"));
    EXPECT_EQ(Raised([] { At(L"\\Ω").DeleteKey(); }), refused(L"5", kSection + L"\\Ω"));
    EXPECT_EQ(Raised([] { At(L"\\O", L"Ж").Value(); }), refused(L"5", L"Ж"));
    EXPECT_EQ(Raised([] { At(L"\\O", L"Ж", kRegSz).SetValue(L"new"); }), refused(L"5", L"Ж"));
    EXPECT_EQ(Raised([] { At(L"\\O", L"Ж").DeleteValue(); }), refused(L"5", L"Ж"));
    EXPECT_EQ(Raised([] { At(L"\\O", L"O", kRegSz).SetValue(L"Ω"); }), refused(L"5", L"Ω"));
    EXPECT_EQ(List(At(L""), true), (Names{L"Niño", L"O"}));
    EXPECT_EQ(Dump(), "Ni<241>o{A<241>o=1:Caf<233> <241><0>;}O{?=1:old<0>;O=1:old<0>;}");
}

} // namespace
