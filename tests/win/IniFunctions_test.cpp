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

TEST_F(IniFunctions, TextCrossesInTheAnsiCodePage) {
    ASSERT_EQ(WriteIniKey(m_file, L"General", L"Comp", L"Versión ñ"), 1);
    EXPECT_NE(KV_Bench::ReadBytes(m_file).find("Versi\xF3n \xF1"), std::string::npos);
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"Comp"), L"Versión ñ");
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
