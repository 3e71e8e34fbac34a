// The profile routines against real profile files of the Wine prefix.
#include "BenchFiles.h"
#include "BenchRun.h"
#include "IniFunctions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <thread>

namespace {

class IniFunctions : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::filesystem::path m_folder = std::filesystem::temp_directory_path() / "kv-ini-tests";
    std::wstring m_file = (m_folder / "Morvane.ini").wstring();
};

// A value or default comes without its spaces; a missing file, section or key
// gives the default's text.
TEST_F(IniFunctions, ReadGivesTheTrimmedValueOrTheDefault) {
    KV_Bench::WriteBytes(m_file, "[General]\r\nA=  abc  \r\n");
    using Row =
        std::tuple<std::wstring, const wchar_t*, const wchar_t*, KV_Variant, const wchar_t*>;
    const Row cases[] = {Row{m_file, L"General", L"A", L"d", L"abc"},
                         Row{m_file, L"General", L"Missing", L" x ", L"x"},
                         Row{m_file, L"Other", L"A", L"d", L"d"},
                         Row{m_file + L".none", L"General", L"A", L" y ", L"y"},
                         Row{m_file, L"General", L"Missing", std::int32_t{-12}, L"-12"}};
    for (const auto& [file, section, key, fallback, value] : cases) {
        SCOPED_TRACE(KV_Bench::Utf8(std::wstring(section) + L"/" + key + L" " + fallback.ToText()));
        EXPECT_EQ(ReadIniKey(file, section, key, fallback), value);
    }
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"Missing"), L""); // no default: empty
}

// Each write replaces the last; the narrow profile function carries values up
// to 32,766 characters whole, and the read grows past its first 255.
TEST_F(IniFunctions, ALongValueIsWrittenAndReadWhole) {
    for (std::size_t length : {254u, 255u, 256u, 32766u, 32767u, 32768u, 150000u}) {
        SCOPED_TRACE(length);
        const std::wstring value = L"ñ" + std::wstring(length - 1, L'v');
        ASSERT_EQ(WriteIniKey(m_file, L"General", L"LSTCOMP", value), 1);
        EXPECT_EQ(ReadIniKey(m_file, L"General", L"LSTCOMP"), value);
        EXPECT_EQ(KV_Bench::ReadBytes(m_file).substr(0, 21), "[General]\r\nLSTCOMP=\xF1v");
    }
}

// A folder named outside the code page is reached by its short form, never
// through the look-alike beside it; a path or a text with no exact form, or a
// default with no text form, is shown, naming it, and nothing is written.
TEST_F(IniFunctions, TextCrossesInTheAnsiCodePageExactlyOrNotAtAll) {
    const std::filesystem::path lookAlike = m_folder / L"Lódz O";
    std::filesystem::create_directories(m_folder / L"Łódź Ω");
    std::filesystem::create_directories(lookAlike);
    const std::wstring sFile = (m_folder / L"Łódź Ω" / L"Morvane.ini").wstring();
    ASSERT_EQ(WriteIniKey(sFile, L"General", L"Comp", L"Versión ñ"), 1);
    EXPECT_EQ(KV_Bench::ReadBytes(sFile), "[General]\r\nComp=Versi\xF3n \xF1\r\n");
    EXPECT_EQ(ReadIniKey(sFile, L"General", L"Comp"), L"Versión ñ");
    // A write the platform refuses gives 0, and no box.
    EXPECT_EQ(
        WriteIniKey((m_folder / "no-such-folder" / "x.ini").wstring(), L"General", L"K", L"v"), 0);

    const std::wstring sNoForm = (m_folder / L"Ω" / L"Morvane.ini").wstring();
    const std::wstring sNoPath = L"La ruta \"" + sNoForm +
                                 L"\" no se puede escribir en la página de códigos del sistema "
                                 L"(1252), ni en su forma corta.";
    const std::wstring sNoText =
        L"El texto \"Ж\" no se puede escribir en la página de códigos del sistema (1252).";
    using Row = std::tuple<std::function<std::wstring()>, const wchar_t*, std::wstring>;
    const Row refused[] = {
        Row{[&] { return std::to_wstring(WriteIniKey(sNoForm, L"General", L"K", L"v")); }, L"0",
            sNoPath},
        Row{[&] { return ReadIniKey(sNoForm, L"General", L"K", L"d"); }, L"d", sNoPath},
        Row{[&] { return std::to_wstring(WriteIniKey(sFile, L"General", L"Ж", L"v")); }, L"0",
            sNoText},
        Row{[&] { return ReadIniKey(sFile, L"General", L"Ж", L"d"); }, L"d", sNoText},
        Row{[&] { return ReadIniKey(sFile, L"General", L"Comp", KV_Variant::Bytes{1}); }, L"",
            L"Type mismatch"}};
    for (const auto& [call, result, shown] : refused) {
        SCOPED_TRACE(KV_Bench::Utf8(shown));
        KV_Bench::DialogSeen seen;
        std::thread helper([&] { seen = KV_Bench::AnswerNextDialog(GetCurrentProcessId(), IDOK); });
        EXPECT_EQ(call(), result);
        helper.join();
        EXPECT_EQ(seen.sTitle, L"KV_ZudIviPrj");
        EXPECT_EQ(seen.sText, shown);
        EXPECT_EQ(seen.buttons, (std::vector<int>{IDOK}));
        EXPECT_FALSE(seen.bIcon);
    }
    EXPECT_EQ(KV_Bench::ReadBytes(sFile), "[General]\r\nComp=Versi\xF3n \xF1\r\n");
    EXPECT_FALSE(std::filesystem::exists(m_folder / L"O"));
    EXPECT_FALSE(std::filesystem::exists(m_folder / L"Ω"));
    EXPECT_TRUE(std::filesystem::is_empty(lookAlike));
}

} // namespace
