// The diagnostic log against the real file system, in this program's folder.
#include "BenchFiles.h"
#include "KV_Api.h"
#include "KV_Log.h"
#include "Raised.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

// The stamp's formats are the user's: the test sets its own and puts the
// user's back after.
struct WriteLogTest : testing::Test {
    void SetUp() override { SwapFormats(); }
    void TearDown() override { SwapFormats(); }
    void SwapFormats() {
        for (auto& [type, text] : m_formats) {
            wchar_t old[80] = {};
            GetLocaleInfoW(LOCALE_USER_DEFAULT, type, old, 80);
            EXPECT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, type, text.c_str()));
            text = old;
        }
    }

    std::pair<LCTYPE, std::wstring> m_formats[2] = {{LOCALE_SSHORTDATE, L"dd-MM-yyyy"},
                                                    {LOCALE_STIMEFORMAT, L"HH.mm.ss"}};
};

// Lines append in ANSI to the day's file, stamped in the user's formats when
// asked; a file that can't be opened raises with the platform's error, and
// nothing is made.
TEST_F(WriteLogTest, LinesAppendInAnsiToTheDaysFileWithTheStampAsked) {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    wchar_t file[300];
    std::swprintf(file, 300, L"%ls\\KVTESTLOG%04u%02u%02u.log", KV_Api::ExeFolder().c_str(),
                  t.wYear, t.wMonth, t.wDay);
    std::filesystem::remove(file);
    WriteLog(L"Compañía.ocx - VLoc 1, VSrv 2", L"KVTESTLOG", false);
    WriteLog(L"", L"KVTESTLOG", false);
    WriteLog(L"--", L"KVTESTLOG", true);
    WriteLog(L"", L"KVTESTLOG", true);
    // The stamps' digits as 9: the user's formats, whatever the clock says.
    std::string bytes = KV_Bench::ReadBytes(file);
    std::replace_if(
        bytes.begin(), bytes.end(), [](char c) { return c >= '0' && c <= '9'; }, '9');
    EXPECT_EQ(bytes, "Compa\361\355a.ocx - VLoc 9, VSrv 9\r\n\r\n"
                     "99-99-9999 99.99.99:--\r\n99-99-9999 99.99.99:\r\n");
    std::filesystem::remove(file);

    EXPECT_EQ(Raised([] { WriteLog(L"uno", L"no-such-folder\\KVTESTLOG", true); }),
              L"-2147024893 KV_Log.WriteLog: Path not found.");
    EXPECT_FALSE(std::filesystem::exists(KV_Api::ExeFolder() + L"\\no-such-folder"));
}

} // namespace
