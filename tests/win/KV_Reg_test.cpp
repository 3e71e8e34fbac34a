// KV_Reg against the registry of the Wine prefix, under keys the tests make
// and remove. Raw data goes in and comes out through the narrow registry
// functions directly, so what the class stores is checked byte by byte.
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
    const auto* bytes = v.Get<KV_Variant::Bytes>();
    *os << "kind " << static_cast<int>(v.GetKind()) << ' '
        << (bytes ? testing::PrintToString(*bytes) : testing::PrintToString(v.ToText()));
}

namespace {

const HKEY kHklm = HKEY_LOCAL_MACHINE;
const HKEY kHkcr = HKEY_CLASSES_ROOT;
const std::string kKey = "Software\\KV_RegTest";
const std::wstring kSection = L"Software\\KV_RegTest";
const std::wstring kClass = L"KvRegTest.Doc";
const std::string kLongClass = "KvRegTest.Doc" + std::string(237, 'x'); // 250 characters
constexpr std::int32_t kSetFailed = -2147194455;
constexpr std::int32_t kNoClass = -2147194451;
using Bytes = KV_Variant::Bytes;
using Names = std::vector<std::wstring>;

struct Key {
    HKEY h = nullptr;
    ~Key() { RegCloseKey(h); }
};

// RegSetValueExA counts a missing terminator in when the byte after the data
// is a zero, as Windows does: unterminated text is given as a view into a
// longer buffer.
void Put(const char* name, DWORD type, std::string_view data, const std::string& sKey = kKey,
         HKEY root = kHklm) {
    ASSERT_EQ(RegSetKeyValueA(root, sKey.c_str(), name, type, data.data(),
                              static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

// Bytes outside printable ASCII as "<decimal>".
std::string Shown(std::string_view bytes) {
    std::string s;
    for (const unsigned char b : bytes) {
        s += b >= ' ' && b <= '~' ? std::string(1, static_cast<char>(b))
                                  : '<' + std::to_string(b) + '>';
    }
    return s;
}

// A key's values as "name=type:data;", then its sub-keys as "name{...}";
// "-" when there is no key.
std::string Dump(HKEY root, const std::string& sKey = kKey) {
    Key key;
    if (RegOpenKeyExA(root, sKey.c_str(), 0, KEY_READ, &key.h) != ERROR_SUCCESS) {
        return "-";
    }
    std::string s;
    char name[1024];
    char data[1024];
    DWORD type = 0;
    for (DWORD i = 0, length = 1024, size = 1024;
         RegEnumValueA(key.h, i++, name, &length, nullptr, &type, reinterpret_cast<BYTE*>(data),
                       &size) == ERROR_SUCCESS;
         length = size = 1024) {
        s += Shown({name, length}) + '=' + std::to_string(type) + ':' + Shown({data, size}) + ';';
    }
    for (DWORD i = 0; RegEnumKeyA(key.h, i++, name, sizeof name) == ERROR_SUCCESS;) {
        s += Shown(name) + '{' + Dump(key.h, name) + '}';
    }
    return s;
}

KV_Reg At(const std::wstring& sSub, const std::wstring& sValue = L"", std::int32_t lType = kRegNone,
          std::int32_t lRoot = kRegLocalMachine) {
    KV_Reg reg;
    reg.SetClassKey(lRoot);
    reg.SetSectionKey(kSection + sSub);
    reg.SetValueKey(sValue);
    reg.SetValueType(lType);
    return reg;
}

using State = std::tuple<std::int32_t, std::wstring, std::wstring, std::int32_t>;
State StateOf(const KV_Reg& reg) {
    return {reg.ClassKey(), reg.SectionKey(), reg.ValueKey(), reg.ValueType()};
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
        RegDeleteTreeA(kHklm, kKey.c_str());
        for (const std::string& sKey : {"KvRegTest.Doc"s, ".kvrt"s, kLongClass}) {
            RegDeleteTreeA(kHkcr, sKey.c_str());
            RegDeleteTreeA(kHklm, ("SOFTWARE\\Classes\\" + sKey).c_str());
        }
    }
};

TEST_F(KV_RegTest, ValuesAreReadByTheirStoredTypeOrGiveTheDefault) {
    SetEnvironmentVariableW(L"KVRT", L"C:\\Kv Dir");
    const std::tuple<DWORD, std::string_view, KV_Variant> cases[] = {
        {REG_SZ, std::string_view("abc!", 3), L"abc"}, // no terminator: all kept
        {REG_SZ, "", L""},
        {REG_EXPAND_SZ, "", L""},
        {REG_MULTI_SZ, "a\0b\0\0"sv, L"a\0b\0"s},
        {REG_EXPAND_SZ, "%KVRT%\\x;%KVRT_NONE%\0"sv, L"C:\\Kv Dir\\x;%KVRT_NONE%"},
        {REG_SZ, "%KVRT%\0"sv, L"%KVRT%"},
        {REG_DWORD, "\xFE\xFF\xFF\xFF"sv, std::int32_t{-2}},
        {REG_DWORD, "\x02\x01"sv, std::int32_t{258}}, // zero-padded
        {REG_DWORD_BIG_ENDIAN, "\x00\x00\x01\x02"sv, std::int32_t{258}},
        {REG_BINARY, "\x01\x00\xFF"sv, Bytes{1, 0, 255}},
        {REG_BINARY, "", Bytes{}},
        {REG_NONE, "\x07"sv, Bytes{7}},
        {REG_LINK, "A\0"sv, Bytes{'A', 0}},
        {11, "\x01\x02\x03\x04\x05\x06\x07\x08"sv, Bytes{1, 2, 3, 4, 5, 6, 7, 8}}};
    for (const auto& [type, data, value] : cases) {
        SCOPED_TRACE(testing::Message() << type << ' ' << testing::PrintToString(data));
        Put("V", type, data);
        KV_Reg reg = At(L"", L"V", kRegBinary);
        reg.SetDefault(L"default");
        EXPECT_EQ(reg.Value(), value);
        EXPECT_EQ(reg.ValueType(), static_cast<std::int32_t>(type));
    }
    SetEnvironmentVariableW(L"KVRT", nullptr);

    // A new object points nowhere. A missing value, or key, gives the default
    // as it is and keeps the type; the key is not made.
    EXPECT_EQ(StateOf(KV_Reg()), State(0, L"", L"", kRegNone));
    KV_Reg missing = At(L"", L"Missing");
    EXPECT_EQ(missing.Value(), KV_Variant());
    EXPECT_EQ(missing.ValueType(), kRegNone);
    KV_Reg noKey = At(L"\\NoKey", L"V", kRegMultiSz);
    noKey.SetDefault(std::int16_t{-3});
    EXPECT_EQ(noKey.Value(), KV_Variant(std::int16_t{-3}));
    EXPECT_EQ(noKey.ValueType(), kRegMultiSz);
    EXPECT_EQ(Dump(kHklm, kKey + "\\NoKey"), "-");

    // The performance data never tells its size: a few reads, then the
    // platform's message (Wine's text), rather than reading on for ever.
    KV_Reg perf;
    perf.SetClassKey(kRegPerformanceData);
    perf.SetValueKey(L"Global");
    ExpectRefused({{"performance data", [&] { perf.Value(); }, HRESULT_FROM_WIN32(ERROR_MORE_DATA),
                    L"More data available."}});
}

TEST_F(KV_RegTest, SwapEndianAndExpandEnvStrWithinThePlatformsLimits) {
    EXPECT_EQ(KV_Reg::SwapEndian(0x01020304), 0x04030201);
    EXPECT_EQ(KV_Reg::SwapEndian(0x000000FF), -0x01000000);
    EXPECT_EQ(KV_Reg::SwapEndian(INT32_MIN), 0x80);

    // Up to the platform's 32,766 characters a text and its expansion come
    // whole; beyond, error 5, neither a crash nor a cut text, and so for a
    // value read of such a text.
    const std::wstring sLong(5000, L'v');
    SetEnvironmentVariableW(L"KVRT", sLong.c_str());
    EXPECT_EQ(KV_Reg::ExpandEnvStr(L"%KVRT%" + std::wstring(27766, L'x')),
              sLong + std::wstring(27766, L'x'));
    EXPECT_EQ(KV_Reg::ExpandEnvStr(std::wstring(32766, L'x')), std::wstring(32766, L'x'));
    Put("Long", REG_EXPAND_SZ, std::string(40000, 'x') + '\0');
    KV_Reg reg = At(L"", L"Long");
    const auto expand = [](std::wstring sText) { return [=] { KV_Reg::ExpandEnvStr(sText); }; };
    const std::wstring sTooLong = L"Environment references can't be expanded in a text, or into "
                                  L"a text, of more than 32766 characters";
    ExpectRefused({{"40,000", expand(std::wstring(40000, L'x')), 5, sTooLong},
                   {"32,767", expand(std::wstring(32767, L'x')), 5, sTooLong},
                   {"32,767 expanded", expand(L"%KVRT%" + std::wstring(27767, L'x')), 5, sTooLong},
                   {"35,000 expanded", expand(L"%KVRT%" + std::wstring(30000, L'x')), 5, sTooLong},
                   {"a value of 40,000", [&] { reg.Value(); }, 5, sTooLong}});
    EXPECT_EQ(reg.ValueType(), kRegExpandSz);
    SetEnvironmentVariableW(L"KVRT", nullptr);
}

TEST_F(KV_RegTest, WritesStoreWhatTheValueTypeSays) {
    const std::tuple<std::int32_t, KV_Variant, const char*> cases[] = {
        {kRegSz, L"%%", "1:%%<0>"},
        {kRegExpandSz, L"100%", "1:100%<0>"},
        {kRegExpandSz, L"%TEMP%\\x", "2:%TEMP%\\x<0>"},
        {kRegSz, std::int16_t{-7}, "1:-7<0>"},
        {kRegExpandSz, KV_Variant(), "1:<0>"},
        {kRegDword, std::int16_t{-2}, "4:<254><255><255><255>"},
        {kRegDwordBigEndian, std::int32_t{0x01020304}, "4:<4><3><2><1>"},
        {kRegBinary, Bytes{1, 2, 3}, "3:<1><2><3>"}};
    for (const auto& [type, value, stored] : cases) {
        SCOPED_TRACE(testing::Message() << type << ' ' << testing::PrintToString(value));
        KV_Reg reg = At(L"\\Sub", L"T", type); // the key is made by the write
        reg.SetValue(value);
        EXPECT_EQ(Dump(kHklm), "Sub{T="s + stored + ";}");
        EXPECT_EQ(reg.ValueType(), type);
    }
}

TEST_F(KV_RegTest, WhatCannotBeDoneRaisesAndWritesNothing) {
    Put("N", REG_SZ, "old\0"sv);
    const auto set = [](std::int32_t lType, KV_Variant v, const wchar_t* sSub = L"") {
        return [=] { At(sSub, L"N", lType).SetValue(v); };
    };
    const std::wstring sIn = L"-2147483646',Section: '" + kSection;
    const std::wstring sSet =
        L"Failed to set registry value Key: '" + sIn + L"',Key: 'N' to value: '";
    const std::wstring sBinary = L"Application-defined or object-defined error";
    ExpectRefused(
        {{"text as dword", set(kRegDword, L"5"), kSetFailed, sSet + L"5'"},
         {"empty as big-endian", set(kRegDwordBigEndian, KV_Variant()), kSetFailed, sSet + L"'"},
         {"bytes as dword", set(kRegDword, Bytes{1, 2, 3}), kSetFailed, sSet + L"01 02 03'"},
         {"bytes as text", set(kRegSz, Bytes{0xAB, 0x0C}), kSetFailed, sSet + L"AB 0C'"},
         {"link", set(kRegLink, L"x"), kSetFailed, sSet + L"x'"},
         {"multi-string", set(kRegMultiSz, L"a"), kSetFailed, sSet + L"a'"},
         {"type 11", set(11, std::int16_t{3}), kSetFailed, sSet + L"3'"},
         {"type none, a new key", set(kRegNone, 5, L"\\New"), kSetFailed,
          L"Failed to set registry value Key: '" + sIn + L"\\New',Key: 'N' to value: '5'"},
         {"text as binary", set(kRegBinary, L"01"), 26001, sBinary, L"KV_ZudIviPrj"},
         {"long as binary", set(kRegBinary, 1), 26001, sBinary, L"KV_ZudIviPrj"},
         {"empty as binary", set(kRegBinary, KV_Variant()), 26001, sBinary, L"KV_ZudIviPrj"},
         {"SetValue, a new object", [] { KV_Reg().SetValue(5); }, 26001,
          L"Failed to set registry value Key: '0',Section: '',Key: '' to value: '5'"},
         {"CreateKey, root 0", [] { At(L"", L"", kRegNone, 0).CreateKey(); }, 26001,
          L"Failed to create registry Key: '" + kSection},
         {"DeleteKey, no key", [] { At(L"\\Gone").DeleteKey(); }, 26001,
          L"Failed to delete registry Key: '" + sIn + L"\\Gone"},
         {"DeleteValue, no key", [] { At(L"\\Gone", L"N").DeleteValue(); }, 26001,
          L"Failed to open key '" + sIn + L"\\Gone' for delete access"},
         {"DeleteValue, no value", [] { At(L"", L"Other").DeleteValue(); }, 26001,
          L"Failed to delete registry Key: '" + sIn + L"',Key: 'Other"}});
    // The key is made before the value is refused; a key to delete from is not.
    EXPECT_EQ(Dump(kHklm), "N=1:old<0>;New{}");
}

TEST_F(KV_RegTest, KeysAndValuesAreMadeListedAndDeleted) {
    KV_Reg reg = At(L"\\A\\B\\C", L"V");
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_EQ(List(reg), Names{}); // no key: nothing, and no error
    EXPECT_EQ(List(reg, true), Names{});
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.KeyExists());
    Put("V", REG_SZ, "keep\0"sv, kKey + "\\A\\B\\C");
    EXPECT_TRUE(reg.CreateKey()); // already there: changes nothing
    EXPECT_EQ(Dump(kHklm), "A{B{C{V=1:keep<0>;}}}");
    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_EQ(Dump(kHklm), "A{B{}}");

    // Wine lists by name, Windows values in the order made: these agree.
    // Names longer than a key's 255 characters are read whole. Wine's narrow
    // functions take paths of up to MAX_PATH characters only: the longest key
    // name is made below an open key.
    const std::string sLongValue = "V3" + std::string(300, 'x');
    for (const std::string& sName : {""s, "V1"s, sLongValue}) {
        Put(sName.c_str(), REG_DWORD, "\0\0\0\0"sv);
    }
    Key parent;
    ASSERT_EQ(RegOpenKeyExA(kHklm, kKey.c_str(), 0, KEY_CREATE_SUB_KEY, &parent.h), ERROR_SUCCESS);
    Put("", REG_SZ, "\0"sv, "S1", parent.h);
    Put("", REG_SZ, "\0"sv, std::string(255, 'L'), parent.h);
    const std::wstring sLongName = L"V3" + std::wstring(300, L'x');
    EXPECT_EQ(List(At(L"")), (Names{L"", L"V1", sLongName}));
    EXPECT_EQ(List(At(L""), true), (Names{L"A", std::wstring(255, L'L'), L"S1"}));

    KV_Reg value = At(L"", L"V1");
    EXPECT_TRUE(value.DeleteValue());
    value.SetValueKey(L""); // the unnamed value
    EXPECT_TRUE(value.DeleteValue());
    EXPECT_EQ(List(value), Names{sLongName});
}

TEST_F(KV_RegTest, AnAssociationIsWrittenUnderBothClassRoots) {
    // Wine keeps one store for both class roots, so the trees are read under
    // one; only a failure (below) tells the second write happened. Each case
    // ends on a clean slate.
    const auto expect = [this](const KV_Reg& reg, const std::string& sTree,
                               const std::wstring& sLast) {
        EXPECT_EQ(Dump(kHkcr, "KvRegTest.Doc"), sTree);
        EXPECT_EQ(Dump(kHkcr, ".kvrt"), "=1:KvRegTest.Doc<0>;");
        EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, kClass + sLast, L"", kRegSz));
        TearDown();
    };
    KV_Reg reg = At(L"", L"V", kRegDword);
    reg.CreateEXEAssociation(L"  C:\\A\\E.exe  ", kClass, L"Doc", L"kvrt");
    expect(reg, R"(=1:Doc<0>;shell{open{=1:&Open<0>;command{=1:"C:\A\E.exe" "%1"<0>;}}})",
           L"\\shell\\open\\command");
    // Every verb, the empty texts taking their defaults; a leading quote
    // alone gets only the closing one.
    reg.CreateEXEAssociation(L" \"E.exe", kClass, L"Doc", L"kvrt", L"", true, L"", true, L"", true,
                             L"", 0);
    expect(reg,
           R"(=1:Doc<0>;DefaultIcon{=1:"E.exe",0<0>;}shell{)"
           R"(add{=1:&Install kvrt<0>;command{=1:"E.exe" /a "%1"<0>;}})"
           R"(new{=1:&New<0>;command{=1:"E.exe" /n "%1"<0>;}})"
           R"(open{=1:&Open<0>;command{=1:"E.exe" "%1"<0>;}})"
           R"(print{=1:&Print<0>;command{=1:"E.exe" /p "%1"<0>;}}})",
           L"\\DefaultIcon");
    // Own texts; a closing quote alone gets only the opening one; the verbs
    // run open, print, add, new.
    reg.CreateEXEAssociation(L"%KV%\\E.exe\"", kClass, L"Doc", L"kvrt", L"100% &Ver", true,
                             L"&Imprimir", true, L"&Nuevo", true, L"&Instalar");
    expect(reg,
           R"(=1:Doc<0>;shell{add{=1:&Instalar<0>;command{=2:"%KV%\E.exe" /a "%1"<0>;}})"
           R"(new{=1:&Nuevo<0>;command{=2:"%KV%\E.exe" /n "%1"<0>;}})"
           R"(open{=1:100% &Ver<0>;command{=2:"%KV%\E.exe" "%1"<0>;}})"
           R"(print{=1:&Imprimir<0>;command{=2:"%KV%\E.exe" /p "%1"<0>;}}})",
           L"\\shell\\new\\command");
    reg.CreateEXEAssociation(L"   ", kClass, L"Doc", L"kvrt"); // no path: one quote
    expect(reg, R"(=1:Doc<0>;shell{open{=1:&Open<0>;command{=1:" "%1"<0>;}}})",
           L"\\shell\\open\\command");

    // The first write refused raises at once, and what was written stays. A
    // class path that fits MAX_PATH under HKEY_CLASSES_ROOT but not below
    // SOFTWARE\Classes is refused by Wine's narrow functions there.
    const std::wstring sLong(300, L'c');
    const std::wstring sLongClass = L"SOFTWARE\\Classes\\" + kClass + std::wstring(237, L'x');
    KV_Reg first;
    KV_Reg second;
    ExpectRefused(
        {{"HKEY_CLASSES_ROOT",
          [&] { first.CreateEXEAssociation(L"E.exe", sLong, L"Doc", L"kvrt"); }, 26001,
          L"Failed to set registry value Key: '-2147483648',Section: '" + sLong +
              L"',Key: '' to value: 'Doc'"},
         {"HKEY_LOCAL_MACHINE",
          [&] { second.CreateEXEAssociation(L"E.exe", sLongClass.substr(17), L"Doc", L"kvrt"); },
          26001,
          L"Failed to set registry value Key: '-2147483646',Section: '" + sLongClass +
              L"',Key: '' to value: 'Doc'"}});
    EXPECT_EQ(StateOf(first), State(kRegClassesRoot, sLong, L"", kRegSz));
    EXPECT_EQ(StateOf(second), State(kRegLocalMachine, sLongClass, L"", kRegSz));
    EXPECT_EQ(Dump(kHkcr, kLongClass), "=1:Doc<0>;");
    EXPECT_EQ(Dump(kHklm, "SOFTWARE\\Classes\\.kvrt"), "=1:" + kLongClass + "<0>;");
}

TEST_F(KV_RegTest, AdditionalVerbsNeedATripleListAndTheClassAndAreBestEffort) {
    KV_Reg reg = At(L"", L"V", kRegDword, kRegClassesRoot);
    const auto add = [&reg](std::vector<KV_Variant> items) {
        return [&reg, items] { reg.CreateAdditionalEXEAssociations(kClass, items); };
    };
    const std::vector<KV_Variant> edit{L"Edit", L"&Edit", L"edit.exe \"%1\""};
    const std::wstring sNoClass =
        L"Error - attempt to create additional associations before class defined.";
    ExpectRefused({{"four items", add({L"x", L"x", L"x", L"x"}), -2147194452,
                    L"Invalid parameter list passed to CreateAdditionalEXEAssociations - expected "
                    L"Name/Text/Command"}});
    EXPECT_EQ(StateOf(reg), State(kRegClassesRoot, kSection, L"V", kRegDword));
    // An empty list is a whole one, and still needs the class.
    ExpectRefused(
        {{"no items", add({}), kNoClass, sNoClass}, {"one triple", add(edit), kNoClass, sNoClass}});
    EXPECT_EQ(StateOf(reg), State(kRegClassesRoot, kClass, L"V", kRegDword));
    EXPECT_EQ(Dump(kHkcr, "KvRegTest.Doc"), "-");
    // Straight after an association the root is HKLM, where the class is not.
    reg.CreateEXEAssociation(L"C:\\E.exe", kClass, L"Doc", L"kvrt");
    ExpectRefused({{"after an association", add(edit), kNoClass, sNoClass}});

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
    EXPECT_EQ(Dump(kHkcr, "KvRegTest.Doc\\shell"),
              R"(7{=1:8<0>;command{=1:<0>;}}Edit{=1:&Edit<0>;command{=1:edit.exe "%1"<0>;}})"
              R"(NoCmd{=1:&No command<0>;}NoText{command{=1:notext.exe<0>;}})"
              R"(open{=1:&Open<0>;command{=1:"C:\E.exe" "%1"<0>;}})");
    EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, kClass + L"\\shell\\7\\command", L"", kRegSz));
}

TEST_F(KV_RegTest, TextCrossesInTheAnsiCodePageExactlyOrNotAtAll) {
    ASSERT_EQ(GetACP(), 1252u) << "the bench's prefix has the Western code page";
    KV_Reg reg = At(L"\\Niño", L"Año", kRegSz);
    reg.SetValue(L"Café ñ");
    EXPECT_EQ(reg.Value(), KV_Variant(L"Café ñ"));
    EXPECT_EQ(List(reg), Names{L"Año"});

    // Outside the code page nothing stands in: "O" for "Ω", "?" for "Ж", a
    // separator for the full-width "＼". Every call is refused, naming the
    // text, and the look-alikes stay as they were.
    Put("?", REG_SZ, "old\0"sv, kKey + "\\O");
    Put("O", REG_SZ, "old\0"sv, kKey + "\\O");
    KV_Reg omega = At(L"\\Ω", L"O", kRegSz);
    KV_Reg name = At(L"\\O", L"Ж", kRegSz);
    const auto refused = [](const std::wstring& sText) {
        return L"The text '" + sText + L"' can't be written in the system's code page (1252)";
    };
    const std::wstring sOmega = refused(kSection + L"\\Ω");
    ExpectRefused({
        {"KeyExists", [&] { omega.KeyExists(); }, 5, sOmega},
        {"Value", [&] { omega.Value(); }, 5, sOmega},
        {"SetValue", [&] { omega.SetValue(L"new"); }, 5, sOmega},
        {"CreateKey", [&] { omega.CreateKey(); }, 5, sOmega},
        {"DeleteKey", [&] { omega.DeleteKey(); }, 5, sOmega},
        {"DeleteValue", [&] { omega.DeleteValue(); }, 5, sOmega},
        {"EnumerateValues", [&] { List(omega); }, 5, sOmega},
        {"EnumerateSections", [&] { List(omega, true); }, -2147194454, sOmega},
        {"Value of a name", [&] { name.Value(); }, 5, refused(L"Ж")},
        {"SetValue of a name", [&] { name.SetValue(L"new"); }, 5, refused(L"Ж")},
        {"DeleteValue of a name", [&] { name.DeleteValue(); }, 5, refused(L"Ж")},
        {"SetValue of a text", [] { At(L"\\O", L"O", kRegSz).SetValue(L"Ω"); }, 5, refused(L"Ω")},
        {"CreateKey nested", [] { At(L"\\O＼B").CreateKey(); }, 5, refused(kSection + L"\\O＼B")},
    });
    EXPECT_EQ(List(At(L""), true), (Names{L"Niño", L"O"}));
    EXPECT_EQ(Dump(kHklm), "Ni<241>o{A<241>o=1:Caf<233> <241><0>;}O{?=1:old<0>;O=1:old<0>;}");
}

} // namespace
