// KV_Reg against the registry of the Wine prefix, under keys each test makes
// and removes. Raw data goes in and comes out through the narrow registry
// functions directly, so what the class stores is checked byte by byte.
#include "KV_Error.h"
#include "KV_Reg.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
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
using Names = std::vector<std::wstring>;

// The test's own names are ASCII.
std::wstring Wide(const std::string& sAscii) {
    return std::wstring(sAscii.begin(), sAscii.end());
}

std::wstring ErrorSource() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).stem().wstring() + L".cRegistry";
}

struct Raw {
    DWORD type;
    std::string data;
    bool operator==(const Raw&) const = default;
};
void PrintTo(const Raw& raw, std::ostream* os) {
    *os << "type " << raw.type << ' ' << testing::PrintToString(raw.data);
}
Raw Text(const std::string& sText, DWORD type = REG_SZ) {
    return Raw{type, sText + '\0'};
}

// RegSetValueExA counts a missing terminator in when the byte after the data
// is a zero, as Windows does: unterminated text is given as a view into a
// longer buffer.
void PutAt(HKEY root, const std::string& sKey, const char* name, DWORD type,
           std::string_view data) {
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, sKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(h);
}

std::optional<Raw> StoredAt(HKEY root, const std::string& sKey, const char* name) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, sKey.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    Raw raw{0, {}};
    DWORD size = 0;
    LSTATUS status = RegQueryValueExA(h, name, nullptr, &raw.type, nullptr, &size);
    raw.data.resize(size);
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExA(h, name, nullptr, &raw.type,
                                  reinterpret_cast<BYTE*>(raw.data.data()), &size);
    }
    RegCloseKey(h);
    raw.data.resize(size);
    return status == ERROR_SUCCESS ? std::optional<Raw>(raw) : std::nullopt;
}

bool Exists(HKEY root, const std::string& sKey) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, sKey.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(h);
    return true;
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

template <class F>
testing::AssertionResult Raises(F&& call, std::int32_t lNumber, const std::wstring& sDescription,
                                const std::wstring& sSource = ErrorSource()) {
    try {
        call();
    } catch (const KV_Error& e) {
        if (e.Number() == lNumber && e.Description() == sDescription && e.Source() == sSource) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure()
               << "raised " << e.Number() << " from " << e.Source() << ": " << e.Description();
    }
    return testing::AssertionFailure() << "raised nothing";
}

class KV_RegTest : public testing::Test {
protected:
    void SetUp() override {
        const std::string sName = testing::UnitTest::GetInstance()->current_test_info()->name();
        m_key = "Software\\KV_RegTest\\" + sName;
        m_class = "KV_RegTest." + sName;
        m_ext = "kvrt" + sName;
        m_section = Wide(m_key);
        TearDown(); // what an interrupted run left
    }
    void TearDown() override {
        RegDeleteTreeA(kHklm, m_key.c_str());
        RegDeleteKeyA(kHklm, "Software\\KV_RegTest"); // goes once no test's key is left
        for (const std::string& sKey : {m_class, "." + m_ext, LongClass()}) {
            RegDeleteTreeA(kHkcr, sKey.c_str());
            RegDeleteTreeA(kHklm, ("SOFTWARE\\Classes\\" + sKey).c_str());
        }
    }
    // A class name of 250 characters.
    std::string LongClass() const { return m_class + std::string(250 - m_class.size(), 'x'); }
    std::string Path(const std::string& sSub) const { return m_key + "\\" + sSub; }
    KV_Reg At(const std::string& sSub = "", const std::wstring& sValue = L"") const {
        KV_Reg reg;
        reg.SetClassKey(kRegLocalMachine);
        reg.SetSectionKey(Wide(sSub.empty() ? m_key : Path(sSub)));
        reg.SetValueKey(sValue);
        return reg;
    }
    void Put(const char* name, DWORD type, std::string_view data) const {
        PutAt(kHklm, m_key, name, type, data);
    }
    std::optional<Raw> Stored(const char* name) const { return StoredAt(kHklm, m_key, name); }
    // The unnamed value of a class key under each of the two class roots.
    std::vector<std::optional<Raw>> InClasses(const std::string& sKey) const {
        return {StoredAt(kHkcr, sKey, ""), StoredAt(kHklm, "SOFTWARE\\Classes\\" + sKey, "")};
    }
    static std::vector<std::optional<Raw>> Both(const std::optional<Raw>& raw) {
        return {raw, raw};
    }

    std::string m_key;
    std::string m_class;
    std::string m_ext;
    std::wstring m_section;
};

TEST_F(KV_RegTest, ANewObjectFindsNothingAndCannotWrite) {
    KV_Reg reg;
    EXPECT_EQ(StateOf(reg), State(0, L"", L"", kRegNone));
    EXPECT_TRUE(reg.Default().IsEmpty());
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_EQ(reg.Value(), KV_Variant());
    EXPECT_TRUE(Raises([&] { reg.SetValue(5); }, 26001,
                       L"Failed to set registry value Key: '0',Section: '',Key: '' to value: '5'"));

    // Root 0 with a path is no key either.
    reg.SetSectionKey(m_section);
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_TRUE(
        Raises([&] { reg.CreateKey(); }, 26001, L"Failed to create registry Key: '" + m_section));
    EXPECT_EQ(List(reg, true), Names{});
    EXPECT_EQ(List(reg), Names{});
    EXPECT_EQ(StateOf(reg), State(0, m_section, L"", kRegNone));
    EXPECT_FALSE(Exists(kHklm, m_key));
}

TEST_F(KV_RegTest, ValuesReadByTheirStoredType) {
    SetEnvironmentVariableW(L"KV_REGTEST_DIR", L"C:\\Kv Dir");
    const struct {
        const char* name;
        DWORD type;
        std::string_view data;
        KV_Variant value;
    } cases[] = {{"Sz", REG_SZ, "abc\0"sv, L"abc"},
                 {"Bare", REG_SZ, std::string_view("abc!", 3), L"abc"}, // no terminator: all kept
                 {"Empty", REG_SZ, "\0"sv, L""},
                 {"ZeroSz", REG_SZ, "", L""},
                 {"ZeroExpand", REG_EXPAND_SZ, "", L""},
                 {"ZeroMulti", REG_MULTI_SZ, "", L""},
                 {"Multi", REG_MULTI_SZ, "a\0b\0\0"sv, L"a\0b\0"s},
                 {"BareMulti", REG_MULTI_SZ, std::string_view("a\0b!", 3), L"a\0b"s},
                 {"Expand", REG_EXPAND_SZ, "%KV_REGTEST_DIR%\\x;%KV_REGTEST_NONE%\0"sv,
                  L"C:\\Kv Dir\\x;%KV_REGTEST_NONE%"},
                 {"Plain", REG_SZ, "%KV_REGTEST_DIR%\0"sv, L"%KV_REGTEST_DIR%"},
                 {"Dword", REG_DWORD, "\xFE\xFF\xFF\xFF"sv, std::int32_t{-2}},
                 {"Short", REG_DWORD, "\x02\x01"sv, std::int32_t{258}}, // zero-padded
                 {"NoDword", REG_DWORD, "", std::int32_t{0}},
                 {"Big", REG_DWORD_BIG_ENDIAN, "\x00\x00\x01\x02"sv, std::int32_t{258}},
                 {"Bin", REG_BINARY, "\x01\x00\xFF"sv, KV_Variant::Bytes{1, 0, 255}},
                 {"NoBytes", REG_BINARY, "", KV_Variant::Bytes{}},
                 {"None", REG_NONE, "\x07"sv, KV_Variant::Bytes{7}},
                 {"Link", REG_LINK, "A\0"sv, KV_Variant::Bytes{'A', 0}},
                 {"Qword", 11, "\x01\x02\x03\x04\x05\x06\x07\x08"sv,
                  KV_Variant::Bytes{1, 2, 3, 4, 5, 6, 7, 8}}};
    for (const auto& c : cases) {
        Put(c.name, c.type, c.data);
        KV_Reg reg = At("", Wide(c.name));
        reg.SetDefault(L"default");
        reg.SetValueType(kRegBinary);
        EXPECT_EQ(reg.Value(), c.value) << c.name;
        EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, m_section, Wide(c.name),
                                      static_cast<std::int32_t>(c.type)));
    }
    SetEnvironmentVariableW(L"KV_REGTEST_DIR", nullptr);

    // Written back as read: big-endian goes back in the machine's order.
    KV_Reg big = At("", L"Big");
    big.SetValue(big.Value());
    EXPECT_EQ(Stored("Big"), (Raw{REG_DWORD, "\x02\x01\x00\x00"s}));
    EXPECT_EQ(big.ValueType(), kRegDwordBigEndian);
    KV_Reg bin = At("", L"Bin");
    bin.SetValue(bin.Value());
    EXPECT_EQ(Stored("Bin"), (Raw{REG_BINARY, "\x01\x00\xFF"s}));
}

TEST_F(KV_RegTest, SwapEndianAndExpandEnvStr) {
    EXPECT_EQ(KV_Reg::SwapEndian(0x01020304), 0x04030201);
    EXPECT_EQ(KV_Reg::SwapEndian(0x00000102), 0x02010000);
    EXPECT_EQ(KV_Reg::SwapEndian(0x000000FF), static_cast<std::int32_t>(0xFF000000u));
    EXPECT_EQ(KV_Reg::SwapEndian(INT32_MIN), 0x80);
    EXPECT_EQ(KV_Reg::SwapEndian(-1), -1);

    const std::wstring sLong(5000, L'v');
    SetEnvironmentVariableW(L"KV_REGTEST_DIR", sLong.c_str());
    EXPECT_EQ(KV_Reg::ExpandEnvStr(L"<%KV_REGTEST_DIR%>"), L"<" + sLong + L">");

    // A text or an expansion beyond the platform's 32,766 characters is error
    // 5, neither a crash nor a cut text; so is a value read of such a text.
    const std::wstring sTooLong = L"Environment references can't be expanded in a text, or into "
                                  L"a text, of more than 32766 characters";
    const std::wstring sVariable = L"%KV_REGTEST_DIR%";
    std::wstring sSevenTimes;
    for (int i = 0; i < 7; ++i) {
        sSevenTimes += sVariable; // 35,000 characters expanded
    }
    for (const std::wstring& sText : {std::wstring(40000, L'x'), std::wstring(32767, L'x'),
                                      sVariable + std::wstring(27767, L'x'), sSevenTimes}) {
        SCOPED_TRACE(sText.size());
        EXPECT_TRUE(Raises([&] { KV_Reg::ExpandEnvStr(sText); }, 5, sTooLong));
    }
    EXPECT_EQ(KV_Reg::ExpandEnvStr(sVariable + std::wstring(27766, L'x')).size(), 32766u);
    EXPECT_EQ(KV_Reg::ExpandEnvStr(std::wstring(32766, L'x')).size(), 32766u);
    SetEnvironmentVariableW(L"KV_REGTEST_DIR", nullptr);
    Put("Long", REG_EXPAND_SZ, std::string(40000, 'x') + '\0');
    KV_Reg reg = At("", L"Long");
    EXPECT_TRUE(Raises([&] { reg.Value(); }, 5, sTooLong));
    EXPECT_EQ(reg.ValueType(), kRegExpandSz);
}

TEST_F(KV_RegTest, AMissingValueGivesTheDefaultExactlyAndKeepsTheType) {
    Put("Here", REG_DWORD, "\x01\x00\x00\x00"sv);
    KV_Reg reg = At("", L"Missing");
    EXPECT_EQ(reg.Value(), KV_Variant());
    EXPECT_EQ(reg.ValueType(), kRegNone);
    for (const KV_Variant& d : {KV_Variant(std::int16_t{-3}), KV_Variant(std::int32_t{-3}),
                                KV_Variant(L"x"), KV_Variant(KV_Variant::Bytes{9, 8})}) {
        reg.SetDefault(d);
        reg.SetValueType(kRegMultiSz);
        EXPECT_EQ(reg.Value(), d);
        EXPECT_EQ(reg.ValueType(), kRegMultiSz);
    }
    reg.SetValueKey(L"Here"); // the type of the last value read stays
    EXPECT_EQ(reg.Value(), KV_Variant(std::int32_t{1}));
    reg.SetValueKey(L"Missing");
    EXPECT_EQ(reg.Value(), KV_Variant(KV_Variant::Bytes{9, 8}));
    EXPECT_EQ(reg.ValueType(), kRegDword);

    // The performance data never tells its size: a few reads, then the
    // platform's message, rather than reading on for ever.
    KV_Reg perf;
    perf.SetClassKey(kRegPerformanceData);
    perf.SetValueKey(L"Global");
    EXPECT_TRUE(Raises([&] { perf.Value(); }, HRESULT_FROM_WIN32(ERROR_MORE_DATA),
                       L"More data available.")); // Wine's text

    KV_Reg noKey = At("NoSuchKey", L"Here");
    noKey.SetDefault(std::int32_t{7});
    EXPECT_FALSE(noKey.KeyExists());
    EXPECT_EQ(noKey.Value(), KV_Variant(std::int32_t{7}));
    EXPECT_EQ(StateOf(noKey), State(kRegLocalMachine, Wide(Path("NoSuchKey")), L"Here", kRegNone));
    EXPECT_FALSE(Exists(kHklm, Path("NoSuchKey")));
}

TEST_F(KV_RegTest, WritesStoreWhatTheValueTypeSays) {
    const struct {
        std::string text;
        DWORD stored;
    } texts[] = {{"%%", REG_SZ}, {"100%", REG_SZ},       {"a%b", REG_SZ},
                 {"", REG_SZ},   {"%A%", REG_EXPAND_SZ}, {"%TEMP%\\x", REG_EXPAND_SZ}};
    for (std::int32_t type : {kRegSz, kRegExpandSz}) {
        for (const auto& c : texts) {
            KV_Reg reg = At("Sub", L"T"); // made by the write
            reg.SetValueType(type);
            reg.SetValue(Wide(c.text));
            EXPECT_EQ(StoredAt(kHklm, Path("Sub"), "T"), Text(c.text, c.stored)) << c.text;
            EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, Wide(Path("Sub")), L"T", type));
        }
    }
    const struct {
        std::int32_t type;
        KV_Variant value;
        Raw stored;
    } others[] = {{kRegSz, std::int16_t{-7}, Text("-7")},
                  {kRegExpandSz, KV_Variant(), Text("")},
                  {kRegDword, std::int16_t{-2}, {REG_DWORD, "\xFE\xFF\xFF\xFF"s}},
                  {kRegDwordBigEndian, std::int32_t{0x01020304}, {REG_DWORD, "\x04\x03\x02\x01"s}},
                  {kRegBinary, KV_Variant::Bytes{1, 2, 3}, {REG_BINARY, "\x01\x02\x03"s}},
                  {kRegBinary, KV_Variant::Bytes{}, {REG_BINARY, ""}}};
    for (const auto& c : others) {
        KV_Reg reg = At("", L"N");
        reg.SetValueType(c.type);
        reg.SetValue(c.value);
        EXPECT_EQ(Stored("N"), c.stored) << c.type;
        EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, m_section, L"N", c.type));
    }
}

TEST_F(KV_RegTest, WhatCannotBeStoredRaisesAndWritesNothing) {
    const auto failure = [](const std::wstring& sRoot, const std::wstring& sSection,
                            const std::wstring& sShown) {
        std::wstring s = L"Failed to set registry value Key: '" + sRoot + L"',Section: '";
        s += sSection + L"',Key: 'N' to value: '" + sShown + L"'";
        return s;
    };
    Put("N", REG_SZ, "old\0"sv);
    const struct {
        std::int32_t type;
        KV_Variant value;
        std::wstring shown;
    } cases[] = {{kRegDword, L"5", L"5"},
                 {kRegDwordBigEndian, KV_Variant(), L""},
                 {kRegDword, KV_Variant::Bytes{1, 2, 3}, L"01 02 03"},
                 {kRegSz, KV_Variant::Bytes{0xAB, 0x0C}, L"AB 0C"},
                 {kRegExpandSz, KV_Variant::Bytes{}, L""},
                 {kRegNone, std::int32_t{5}, L"5"},
                 {kRegLink, L"x", L"x"},
                 {kRegMultiSz, L"a", L"a"},
                 {11, std::int16_t{3}, L"3"}};
    for (const auto& c : cases) {
        KV_Reg reg = At("", L"N");
        reg.SetValueType(c.type);
        EXPECT_TRUE(Raises([&] { reg.SetValue(c.value); }, -2147194455,
                           failure(L"-2147483646", m_section, c.shown)))
            << c.type;
        EXPECT_EQ(Stored("N"), Text("old")) << c.type;
        EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, m_section, L"N", c.type));
    }
    // The binary type takes nothing but a byte array, and says so without a
    // description of the class's own.
    KV_Reg reg = At("", L"N");
    reg.SetValueType(kRegBinary);
    for (const KV_Variant& v : {KV_Variant(L"01"), KV_Variant(std::int32_t{1}), KV_Variant()}) {
        EXPECT_TRUE(Raises([&] { reg.SetValue(v); }, 26001,
                           L"Application-defined or object-defined error", L"KV_ZudIviPrj"));
    }
    EXPECT_EQ(Stored("N"), Text("old"));

    // The key is made before the value is refused.
    KV_Reg fresh = At("New", L"N");
    EXPECT_TRUE(Raises([&] { fresh.SetValue(5); }, -2147194455,
                       failure(L"-2147483646", fresh.SectionKey(), L"5")));
    EXPECT_TRUE(Exists(kHklm, Path("New")));
    EXPECT_EQ(StoredAt(kHklm, Path("New"), "N"), std::nullopt);
    fresh.SetClassKey(kRegClassesRoot);
    fresh.SetSectionKey(Wide(m_class));
    EXPECT_TRUE(Raises([&] { fresh.SetValue(5); }, -2147194455,
                       failure(L"-2147483648", fresh.SectionKey(), L"5")));
    EXPECT_TRUE(Exists(kHkcr, m_class));
}

TEST_F(KV_RegTest, KeysAreCreatedAndDeletedWithoutTouchingTheState) {
    KV_Reg reg = At("A\\B\\C", L"V");
    reg.SetValueType(kRegBinary);
    const State before = StateOf(reg);
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_TRUE(reg.CreateKey());
    EXPECT_TRUE(reg.KeyExists());
    PutAt(kHklm, Path("A\\B\\C"), "V", REG_SZ, "keep\0"sv);
    EXPECT_TRUE(reg.CreateKey()); // already there: changes nothing
    EXPECT_EQ(StoredAt(kHklm, Path("A\\B\\C"), "V"), Text("keep"));
    EXPECT_EQ(StateOf(reg), before);

    EXPECT_TRUE(reg.DeleteKey());
    EXPECT_FALSE(Exists(kHklm, Path("A\\B\\C")));
    EXPECT_TRUE(Exists(kHklm, Path("A\\B")));
    const std::wstring sDeleted = L"Failed to delete registry Key: '-2147483646',Section: '";
    EXPECT_TRUE(Raises([&] { reg.DeleteKey(); }, 26001, sDeleted + reg.SectionKey()));
    EXPECT_EQ(StateOf(reg), before);
}

TEST_F(KV_RegTest, DeleteValueRemovesOneValueOrSaysWhatFailed) {
    KV_Reg reg = At("Missing", L"N");
    reg.SetValueType(kRegDword);
    const State before = StateOf(reg);
    const std::wstring sOpen = L"Failed to open key '-2147483646',Section: '";
    EXPECT_TRUE(Raises([&] { reg.DeleteValue(); }, 26001,
                       sOpen + reg.SectionKey() + L"' for delete access"));
    EXPECT_EQ(StateOf(reg), before);
    EXPECT_FALSE(Exists(kHklm, Path("Missing")));

    Put("N", REG_SZ, "x\0"sv);
    Put("", REG_SZ, "unnamed\0"sv);
    KV_Reg value = At("", L"Other");
    const std::wstring sDelete =
        L"Failed to delete registry Key: '-2147483646',Section: '" + m_section;
    EXPECT_TRUE(Raises([&] { value.DeleteValue(); }, 26001, sDelete + L"',Key: 'Other"));
    value.SetValueKey(L"N");
    EXPECT_TRUE(value.DeleteValue());
    EXPECT_EQ(Stored("N"), std::nullopt);
    EXPECT_EQ(Stored(""), Text("unnamed"));
    value.SetValueKey(L"");
    EXPECT_TRUE(value.DeleteValue());
    EXPECT_EQ(Stored(""), std::nullopt);
    EXPECT_TRUE(Raises([&] { value.DeleteValue(); }, 26001, sDelete + L"',Key: '"));
    EXPECT_EQ(StateOf(value), State(kRegLocalMachine, m_section, L"", kRegNone));
}

TEST_F(KV_RegTest, EnumerationListsEveryNameAndStartsEmpty) {
    KV_Reg reg = At();
    EXPECT_EQ(List(reg), Names{}); // no key
    EXPECT_EQ(List(reg, true), Names{});
    reg.CreateKey();
    EXPECT_EQ(List(reg), Names{}); // empty key
    EXPECT_EQ(List(reg, true), Names{});
    Put("", REG_SZ, "d\0"sv);
    EXPECT_EQ(List(reg), Names{L""});

    // Wine lists values by name, Windows in the order made: these agree.
    const std::string sLongValue = "V3" + std::string(300, 'x');
    for (const std::string& sName : {"V1"s, "V2"s, sLongValue}) {
        PutAt(kHklm, Path("Three"), sName.c_str(), REG_DWORD, "\0\0\0\0"sv);
    }
    EXPECT_EQ(List(At("Three")), (Names{L"V1", L"V2", Wide(sLongValue)}));

    // Wine's narrow functions take paths of up to MAX_PATH characters only:
    // the longest name is made below an open key.
    const std::string sLongKey(255, 'L');
    HKEY parent = nullptr;
    ASSERT_EQ(RegOpenKeyExA(kHklm, m_key.c_str(), 0, KEY_CREATE_SUB_KEY, &parent), ERROR_SUCCESS);
    for (const std::string& sName : {"S1"s, sLongKey, "S2"s}) {
        PutAt(parent, sName, "", REG_SZ, "\0"sv);
    }
    RegCloseKey(parent);
    EXPECT_EQ(List(reg, true), (Names{Wide(sLongKey), L"S1", L"S2", L"Three"}));
    EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, m_section, L"", kRegNone));
}

TEST_F(KV_RegTest, AnAssociationIsWrittenUnderBothClassRoots) {
    const std::wstring sClass = Wide(m_class);
    const std::wstring sExt = Wide(m_ext);
    const std::string sShell = m_class + "\\shell\\";
    KV_Reg reg;
    reg.SetValueType(kRegDword);
    reg.CreateEXEAssociation(L"  C:\\A\\E.exe  ", sClass, L"Doc", sExt);
    EXPECT_EQ(InClasses("." + m_ext), Both(Text(m_class)));
    EXPECT_EQ(InClasses(m_class), Both(Text("Doc")));
    EXPECT_EQ(InClasses(sShell + "open"), Both(Text("&Open")));
    EXPECT_EQ(InClasses(sShell + "open\\command"), Both(Text("\"C:\\A\\E.exe\" \"%1\"")));
    for (const std::string& sKey :
         {sShell + "print", sShell + "add", sShell + "new", m_class + "\\DefaultIcon"}) {
        EXPECT_FALSE(Exists(kHkcr, sKey)) << sKey;
    }
    EXPECT_EQ(StateOf(reg),
              State(kRegLocalMachine, sClass + L"\\shell\\open\\command", L"", kRegSz));

    // Every verb, the empty texts taking their defaults; a leading quote
    // alone gets only the closing one.
    reg.CreateEXEAssociation(L" \"C:\\My Apps\\E.exe", sClass, L"Doc", sExt, L"", true, L"", true,
                             L"", true, L"", 0);
    const std::string sPath = "\"C:\\My Apps\\E.exe\"";
    EXPECT_EQ(InClasses(sShell + "open"), Both(Text("&Open")));
    EXPECT_EQ(InClasses(sShell + "print"), Both(Text("&Print")));
    EXPECT_EQ(InClasses(sShell + "print\\command"), Both(Text(sPath + " /p \"%1\"")));
    EXPECT_EQ(InClasses(sShell + "add"), Both(Text("&Install " + m_ext)));
    EXPECT_EQ(InClasses(sShell + "add\\command"), Both(Text(sPath + " /a \"%1\"")));
    EXPECT_EQ(InClasses(sShell + "new"), Both(Text("&New")));
    EXPECT_EQ(InClasses(sShell + "new\\command"), Both(Text(sPath + " /n \"%1\"")));
    EXPECT_EQ(InClasses(m_class + "\\DefaultIcon"), Both(Text(sPath + ",0")));
    EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, sClass + L"\\DefaultIcon", L"", kRegSz));

    // Own texts; a closing quote alone gets only the opening one; an
    // environment reference makes the commands expandable, one '%' does not.
    reg.CreateEXEAssociation(L"%KV_DIR%\\E.exe\"", sClass, L"Doc", sExt, L"100% &Ver", true,
                             L"&Imprimir", true, L"&Nuevo", true, L"&Instalar", 3);
    EXPECT_EQ(InClasses(sShell + "open"), Both(Text("100% &Ver")));
    EXPECT_EQ(InClasses(sShell + "open\\command"),
              Both(Text("\"%KV_DIR%\\E.exe\" \"%1\"", REG_EXPAND_SZ)));
    EXPECT_EQ(InClasses(sShell + "add"), Both(Text("&Instalar")));
    EXPECT_EQ(InClasses(m_class + "\\DefaultIcon"),
              Both(Text("\"%KV_DIR%\\E.exe\",3", REG_EXPAND_SZ)));

    // A quoted path stays as it is; index -1 writes no icon; the verbs run
    // open, print, add, new, so new is the last.
    RegDeleteTreeA(kHkcr, m_class.c_str());
    RegDeleteTreeA(kHklm, ("SOFTWARE\\Classes\\" + m_class).c_str());
    reg.CreateEXEAssociation(L"\"C:\\E.exe\"", sClass, L"Doc", sExt, L"&Open", true, L"&Print",
                             true, L"&New", true, L"", -1);
    EXPECT_EQ(InClasses(sShell + "open\\command"), Both(Text("\"C:\\E.exe\" \"%1\"")));
    EXPECT_EQ(InClasses(m_class + "\\DefaultIcon"), Both(std::nullopt));
    EXPECT_EQ(StateOf(reg),
              State(kRegLocalMachine, sClass + L"\\shell\\new\\command", L"", kRegSz));

    // No path at all becomes one quote.
    reg.CreateEXEAssociation(L"   ", sClass, L"Doc", sExt);
    EXPECT_EQ(InClasses(sShell + "open\\command"), Both(Text("\" \"%1\"")));

    // The first write refused raises at once; what was written stays.
    const std::wstring sLong(300, L'c');
    EXPECT_TRUE(Raises([&] { reg.CreateEXEAssociation(L"E.exe", sLong, L"Doc", sExt); }, 26001,
                       L"Failed to set registry value Key: '-2147483648',Section: '" + sLong +
                           L"',Key: '' to value: 'Doc'"));
    EXPECT_EQ(InClasses("." + m_ext), Both(Text(std::string(300, 'c'))));
    EXPECT_EQ(StateOf(reg), State(kRegClassesRoot, sLong, L"", kRegSz));

    // Wine keeps one store for both roots, so only a failure tells the second
    // write happened: a class path that fits MAX_PATH under HKEY_CLASSES_ROOT
    // but not below SOFTWARE\Classes is refused by Wine's narrow functions there.
    std::wstring sClasses = L"SOFTWARE\\Classes\\";
    sClasses += Wide(LongClass());
    EXPECT_TRUE(Raises([&] { reg.CreateEXEAssociation(L"E.exe", Wide(LongClass()), L"Doc", sExt); },
                       26001,
                       L"Failed to set registry value Key: '-2147483646',Section: '" + sClasses +
                           L"',Key: '' to value: 'Doc'"));
    EXPECT_EQ(StoredAt(kHkcr, LongClass(), ""), Text("Doc"));
    EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, sClasses, L"", kRegSz));
}

TEST_F(KV_RegTest, AdditionalVerbsNeedATripleListAndTheClassAndAreBestEffort) {
    const std::wstring sClass = Wide(m_class);
    const std::string sShell = m_class + "\\shell\\";
    KV_Reg reg;
    reg.SetClassKey(kRegClassesRoot);
    reg.SetSectionKey(L"Before");
    reg.SetValueKey(L"V");
    reg.SetValueType(kRegDword);
    const State before = StateOf(reg);
    const std::wstring sBadList = L"Invalid parameter list passed to "
                                  L"CreateAdditionalEXEAssociations - expected Name/Text/Command";
    EXPECT_TRUE(Raises(
        [&] {
            reg.CreateAdditionalEXEAssociations(sClass, {L"x", L"x", L"x", L"x"});
        },
        -2147194452, sBadList));
    EXPECT_EQ(StateOf(reg), before);
    // An empty list is a whole one, and still needs the class.
    const std::vector<KV_Variant> edit{L"Edit", L"&Edit", L"edit.exe \"%1\""};
    const std::wstring sNoClass =
        L"Error - attempt to create additional associations before class defined.";
    for (const auto& items : {std::vector<KV_Variant>{}, edit}) {
        SCOPED_TRACE(items.size());
        EXPECT_TRUE(Raises([&] { reg.CreateAdditionalEXEAssociations(sClass, items); }, -2147194451,
                           sNoClass));
        EXPECT_EQ(StateOf(reg), State(kRegClassesRoot, sClass, L"V", kRegDword));
    }
    EXPECT_FALSE(Exists(kHkcr, m_class));

    // Straight after an association the root is HKLM, where the class is not.
    reg.CreateEXEAssociation(L"C:\\E.exe", sClass, L"Doc", Wide(m_ext));
    EXPECT_TRUE(
        Raises([&] { reg.CreateAdditionalEXEAssociations(sClass, edit); }, -2147194451, sNoClass));
    EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, sClass, L"", kRegSz));
    EXPECT_FALSE(Exists(kHkcr, sShell + "Edit"));

    // With the class there, an empty list writes nothing and raises nothing.
    reg.SetClassKey(kRegClassesRoot);
    reg.CreateAdditionalEXEAssociations(sClass, {});
    KV_Reg shell;
    shell.SetClassKey(kRegClassesRoot);
    shell.SetSectionKey(sClass + L"\\shell");
    EXPECT_EQ(List(shell, true), Names{L"open"});
    EXPECT_EQ(StateOf(reg), State(kRegClassesRoot, sClass, L"", kRegSz));

    // Each write on its own: an item with no text form skips what needs it,
    // and a write the registry refuses (too long a name) skips only itself.
    reg.SetValueType(kRegBinary);
    const KV_Variant noText = KV_Variant::Bytes{1};
    reg.CreateAdditionalEXEAssociations(sClass, {L"Edit", L"&Edit", L"edit.exe \"%1\"", noText,
                                                 L"Lost", L"lost.exe", L"NoText", noText,
                                                 L"notext.exe", L"NoCmd", L"&No command", noText,
                                                 Wide(std::string(300, 'n')), L"Refused", L"r.exe",
                                                 std::int32_t{7}, std::int16_t{8}, KV_Variant()});
    EXPECT_EQ(InClasses(sShell + "Edit"), Both(Text("&Edit")));
    EXPECT_EQ(InClasses(sShell + "Edit\\command"), Both(Text("edit.exe \"%1\"")));
    EXPECT_EQ(InClasses(m_class + "\\shell"), Both(std::nullopt));
    EXPECT_EQ(InClasses(sShell + "NoText"), Both(std::nullopt));
    EXPECT_EQ(InClasses(sShell + "NoText\\command"), Both(Text("notext.exe")));
    EXPECT_EQ(InClasses(sShell + "NoCmd"), Both(Text("&No command")));
    EXPECT_FALSE(Exists(kHkcr, sShell + "NoCmd\\command"));
    EXPECT_EQ(InClasses(sShell + "7"), Both(Text("8")));
    EXPECT_EQ(InClasses(sShell + "7\\command"), Both(Text("")));
    EXPECT_EQ(StateOf(reg), State(kRegLocalMachine, sClass + L"\\shell\\7\\command", L"", kRegSz));
}

TEST_F(KV_RegTest, TextCrossesInTheAnsiCodePageExactlyOrNotAtAll) {
    KV_Reg reg;
    reg.SetClassKey(kRegLocalMachine);
    reg.SetSectionKey(m_section + L"\\Niño");
    reg.SetValueKey(L"Año");
    reg.SetValueType(kRegSz);
    reg.SetValue(L"Café ñ");
    EXPECT_EQ(reg.Value(), KV_Variant(L"Café ñ"));
    EXPECT_EQ(List(reg), Names{L"Año"});
    EXPECT_EQ(List(At(), true), Names{L"Niño"});
    ASSERT_EQ(GetACP(), 1252u) << "the bench's prefix has the Western code page";
    EXPECT_EQ(StoredAt(kHklm, Path("Ni\xF1o"), "A\xF1o"), Text("Caf\xE9 \xF1"));
    Put("Raw", REG_SZ, "\xE9\xF1\0"sv);
    EXPECT_EQ(At("", L"Raw").Value(), KV_Variant(L"éñ"));

    // Outside the code page nothing stands in: "O" for "Ω", "?" for "Ж", a
    // separator for the full-width "＼". Every call is refused, naming the
    // text, and the look-alikes stay as they were.
    PutAt(kHklm, Path("O"), "?", REG_SZ, "old\0"sv);
    PutAt(kHklm, Path("O"), "O", REG_SZ, "old\0"sv);
    const auto at = [&](const std::wstring& sSection, const std::wstring& sValue) {
        KV_Reg r;
        r.SetClassKey(kRegLocalMachine);
        r.SetSectionKey(m_section + L"\\" + sSection);
        r.SetValueKey(sValue);
        r.SetValueType(kRegSz);
        return r;
    };
    KV_Reg omega = at(L"Ω", L"O");
    KV_Reg name = at(L"O", L"Ж");
    KV_Reg text = at(L"O", L"O");
    KV_Reg nested = at(L"O＼B", L"");
    const auto refused = [](const std::wstring& sText) {
        return L"The text '" + sText + L"' can't be written in the system's code page (1252)";
    };
    const std::wstring sOmegaPath = omega.SectionKey();
    Names sink;
    std::int32_t count = 0;
    const struct {
        const char* what;
        std::function<void()> call;
        std::int32_t number;
        std::wstring refusedText;
    } cases[] = {
        {"KeyExists", [&] { omega.KeyExists(); }, 5, sOmegaPath},
        {"Value", [&] { omega.Value(); }, 5, sOmegaPath},
        {"SetValue", [&] { omega.SetValue(L"new"); }, 5, sOmegaPath},
        {"CreateKey", [&] { omega.CreateKey(); }, 5, sOmegaPath},
        {"DeleteKey", [&] { omega.DeleteKey(); }, 5, sOmegaPath},
        {"DeleteValue", [&] { omega.DeleteValue(); }, 5, sOmegaPath},
        {"EnumerateValues", [&] { omega.EnumerateValues(sink, count); }, 5, sOmegaPath},
        {"EnumerateSections", [&] { omega.EnumerateSections(sink, count); }, -2147194454,
         sOmegaPath},
        {"Value of a name", [&] { name.Value(); }, 5, L"Ж"},
        {"SetValue of a name", [&] { name.SetValue(L"new"); }, 5, L"Ж"},
        {"DeleteValue of a name", [&] { name.DeleteValue(); }, 5, L"Ж"},
        {"SetValue of a text", [&] { text.SetValue(L"Ω"); }, 5, L"Ω"},
        {"CreateKey nested", [&] { nested.CreateKey(); }, 5, nested.SectionKey()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(Raises(c.call, c.number, refused(c.refusedText)));
    }
    EXPECT_EQ(List(At(), true), (Names{L"Niño", L"O"}));
    EXPECT_EQ(List(At("O"), true), Names{});
    EXPECT_EQ(List(At("O")), (Names{L"?", L"O"}));
    EXPECT_EQ(StoredAt(kHklm, Path("O"), "O"), Text("old"));
    EXPECT_EQ(StoredAt(kHklm, Path("O"), "?"), Text("old"));
}

} // namespace
