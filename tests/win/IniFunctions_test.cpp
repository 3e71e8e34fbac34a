// The profile routines against real profile files of the Wine prefix.
#include "BenchFiles.h"
#include "BenchRun.h"
#include "IniFunctions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

struct IniFunctions : testing::Test {
    void SetUp() override { fs::create_directories(m_folder); }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder = fs::temp_directory_path() / "kv-ini-tests";
    std::wstring m_file = (m_folder / "Morvane.ini").wstring();
};

// A value or default comes without its spaces; a missing key gives the
// default's text, and no default is an empty one. Each write replaces the
// last; the read grows past its first 255 characters, and past 32,766 the
// narrow function would cut the value.
TEST_F(IniFunctions, ReadGivesTheTrimmedValueOrTheDefaultAndALongValueWhole) {
    KV_Bench::WriteBytes(m_file, "[General]\r\nA=  abc  \r\n");
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"A", L"d"), L"abc");
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"Missing", L" x "), L"x");
    EXPECT_EQ(ReadIniKey(m_file, L"General", L"Missing"), L"");
    for (std::size_t length : {256u, 32766u, 32767u}) {
        SCOPED_TRACE(length);
        const std::wstring value = L"ñ" + std::wstring(length - 1, L'v');
        ASSERT_EQ(WriteIniKey(m_file, L"General", L"A", value), 1);
        EXPECT_EQ(ReadIniKey(m_file, L"General", L"A"), value);
        EXPECT_EQ(KV_Bench::ReadBytes(m_file).substr(0, 15), "[General]\r\nA=\xF1v");
    }
}

// The call's answer, then the box it showed on the way (answered OK).
template <class Call> std::string Boxed(Call call) {
    KV_Bench::DialogSeen seen;
    std::thread helper([&] { seen = KV_Bench::AnswerNextDialog(GetCurrentProcessId(), IDOK); });
    const std::wstring result = call();
    helper.join();
    return KV_Bench::Utf8(result) + " " + KV_Bench::Describe(seen);
}

// A folder named outside the code page is reached by its short form, never
// through the look-alike beside it; a path or a text with no exact form, or a
// default with no text form, is shown, naming it, and nothing is written.
TEST_F(IniFunctions, TextCrossesInTheAnsiCodePageExactlyOrNotAtAll) {
    fs::create_directories(m_folder / L"Łódź Ω");
    fs::create_directories(m_folder / L"Lódz O");
    const std::wstring sFile = (m_folder / L"Łódź Ω" / L"Morvane.ini").wstring();
    const char* kBytes = "[General]\r\nComp=Versi\xF3n \xF1\r\n";
    ASSERT_EQ(WriteIniKey(sFile, L"General", L"Comp", L"Versión ñ"), 1);
    EXPECT_EQ(KV_Bench::ReadBytes(sFile), kBytes);
    EXPECT_EQ(ReadIniKey(sFile, L"General", L"Comp"), L"Versión ñ");
    // A write the platform refuses gives 0, and no box.
    EXPECT_EQ(WriteIniKey((m_folder / "none" / "x.ini").wstring(), L"General", L"K", L"v"), 0);

    const std::wstring sNoForm = (m_folder / L"Ω" / L"Morvane.ini").wstring();
    const std::string no = "\" no se puede escribir en la página de códigos del sistema (1252)";
    const std::string ok = "\" buttons: OK (default OK), no icon";
    EXPECT_EQ(Boxed([&] { return std::to_wstring(WriteIniKey(sNoForm, L"General", L"K", L"v")); }),
              "0 [KV_ZudIviPrj] \"La ruta \"" + KV_Bench::Utf8(sNoForm) + no +
                  ", ni en su forma corta." + ok);
    EXPECT_EQ(Boxed([&] { return std::to_wstring(WriteIniKey(sFile, L"General", L"Ж", L"v")); }),
              "0 [KV_ZudIviPrj] \"El texto \"Ж" + no + "." + ok);
    EXPECT_EQ(Boxed([&] { return ReadIniKey(sFile, L"General", L"Ж", L"d"); }),
              "d [KV_ZudIviPrj] \"El texto \"Ж" + no + "." + ok);
    EXPECT_EQ(Boxed([&] { return ReadIniKey(sFile, L"General", L"Comp", KV_Variant::Bytes{1}); }),
              " [KV_ZudIviPrj] \"Type mismatch" + ok);
    EXPECT_EQ(KV_Bench::ReadBytes(sFile), kBytes);
    EXPECT_TRUE(fs::is_empty(m_folder / L"Lódz O"));
}

} // namespace
