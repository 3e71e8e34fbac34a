// The profile routines against real profile files of the Wine prefix.
#include "BenchFiles.h"
#include "BenchRun.h"
#include "IniFunctions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace {

class IniFunctions : public testing::Test {
protected:
    void SetUp() override {
        m_folder = std::filesystem::temp_directory_path() / "kv-ini-tests";
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        m_file = (m_folder / "Morvane.ini").wstring();
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }
    void Store(std::string_view ansiText) { KV_Bench::WriteBytes(m_file, ansiText); }

    std::filesystem::path m_folder;
    std::wstring m_file;
};

TEST_F(IniFunctions, ReadTrimsSpacesOfValueAndDefault) {
    Store("[General]\r\nA=  abc  \r\nB=\ta b\t\r\n");
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"A"), L"abc");
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"Missing", L" x "), L"x");
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"Missing"), L"");
    EXPECT_EQ(ReadIniKey(m_file, L"Other", L"A", L"d"), L"d");
    EXPECT_EQ(ReadIniKey(m_file + L".none", L"General", L"A", L" y "), L"y");
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"A", std::int16_t{3}), L"abc");
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"Missing", std::int32_t{-12}), L"-12");
}

TEST_F(IniFunctions, ReadReturnsLongValuesWhole) {
    for (std::size_t length : {254u, 255u, 256u, 300u, 70000u}) {
        const std::string value(length, 'v');
        Store("[General]\r\nLSTCOMP=" + value + "\r\n");
        EXPECT_EQ(ReadIniKey(m_file, L"General", L"LSTCOMP").size(), length);
    }
}

TEST_F(IniFunctions, WriteCreatesFileAndReplacesKey) {
    EXPECT_EQ(WriteIniKey(m_file, L"General", L"NomSrvApl", L"SRV1"), 1);
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"NomSrvApl"), L"SRV1");
    EXPECT_EQ(WriteIniKey(m_file, L"General", L"NomSrvApl", L"SRV2"), 1);
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"NomSrvApl"), L"SRV2");
    EXPECT_NE(KV_Bench::ReadBytes(m_file).find("[General]"), std::string::npos);
}

// Around the longest text the narrow profile function can carry whole.
TEST_F(IniFunctions, ALongValueIsWrittenWhole) {
    for (std::size_t length : {32766u, 32767u, 32768u, 150000u}) {
        const std::wstring value = L"ñ" + std::wstring(length - 1, L'v');
        ASSERT_EQ(WriteIniKey(m_file, L"General", L"LSTCOMP", value), 1);
        EXPECT_EQ(ReadIniKey(m_file, L"General", L"LSTCOMP"), value) << length;
        EXPECT_EQ(KV_Bench::ReadBytes(m_file).find("LSTCOMP=\xF1v"), 11u) << length;
    }
}

// A folder named outside the code page is reached by its short form, never
// through the look-alike beside it; a path or a text with no exact form is
// shown, naming it, and nothing is written.
TEST_F(IniFunctions, TextCrossesInTheAnsiCodePageExactlyOrNotAtAll) {
    ASSERT_EQ(WriteIniKey(m_file, L"General", L"Comp", L"Versión ñ"), 1);
    EXPECT_NE(KV_Bench::ReadBytes(m_file).find("Versi\xF3n \xF1"), std::string::npos);
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"Comp"), L"Versión ñ");

    const std::filesystem::path lookAlike = m_folder / L"Lódz O";
    std::filesystem::create_directories(m_folder / L"Łódź Ω");
    std::filesystem::create_directories(lookAlike);
    const std::wstring sFile = (m_folder / L"Łódź Ω" / L"Morvane.ini").wstring();
    ASSERT_EQ(WriteIniKey(sFile, L"General", L"VrsSis", L"1.2"), 1);
    EXPECT_EQ(KV_Bench::ReadBytes(sFile), "[General]\r\nVrsSis=1.2\r\n");
    EXPECT_EQ(ReadIniKey(sFile, L"General", L"VrsSis"), L"1.2");

    const std::wstring sNoForm = (m_folder / L"Ω" / L"Morvane.ini").wstring();
    const struct {
        std::wstring file;
        std::wstring key;
        std::wstring shown;
    } refused[] = {{sNoForm, L"K",
                    L"La ruta \"" + sNoForm +
                        L"\" no se puede escribir en la página de códigos del sistema (1252), ni "
                        L"en su forma corta."},
                   {sFile, L"Ж",
                    L"El texto \"Ж\" no se puede escribir en la página de códigos del sistema "
                    L"(1252)."}};
    for (const auto& c : refused) {
        for (bool bWrite : {true, false}) {
            SCOPED_TRACE(KV_Bench::Utf8(c.shown) + (bWrite ? " (write)" : " (read)"));
            KV_Bench::DialogSeen seen;
            std::thread helper(
                [&] { seen = KV_Bench::AnswerNextDialog(GetCurrentProcessId(), IDOK); });
            const std::wstring sResult =
                bWrite ? std::to_wstring(WriteIniKey(c.file, L"General", c.key, L"v"))
                       : ReadIniKey(c.file, L"General", c.key, L"d");
            helper.join();
            EXPECT_EQ(sResult, bWrite ? L"0" : L"d");
            EXPECT_EQ(seen.sTitle, L"KV_ZudIviPrj");
            EXPECT_EQ(seen.sText, c.shown);
        }
    }
    EXPECT_EQ(KV_Bench::ReadBytes(sFile), "[General]\r\nVrsSis=1.2\r\n");
    EXPECT_FALSE(std::filesystem::exists(m_folder / L"O"));
    EXPECT_TRUE(std::filesystem::is_empty(lookAlike));
}

TEST_F(IniFunctions, ARefusedWriteReturnsZeroSilently) {
    EXPECT_EQ(
        WriteIniKey((m_folder / "no-such-folder" / "x.ini").wstring(), L"General", L"K", L"v"), 0);
}

TEST_F(IniFunctions, ADefaultWithoutTextFormIsShownAndGivesEmpty) {
    Store("[General]\r\nA=abc\r\n");
    KV_Bench::DialogSeen seen;
    std::thread helper([&] { seen = KV_Bench::AnswerNextDialog(GetCurrentProcessId(), IDOK); });
    const std::wstring value = ReadIniKey(m_file, L"General", L"A", KV_Variant::Bytes{1});
    helper.join();
    EXPECT_EQ(value, L"");
    EXPECT_EQ(seen.sTitle, L"KV_ZudIviPrj");
    EXPECT_EQ(seen.sText, L"Type mismatch");
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDOK}));
    EXPECT_FALSE(seen.bIcon);
}

} // namespace
