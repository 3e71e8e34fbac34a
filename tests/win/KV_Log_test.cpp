// The diagnostic log against the real file system, in this program's folder.
#include "BenchFiles.h"
#include "KV_Api.h"
#include "KV_Error.h"
#include "KV_Log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kPrefix = L"KVTESTLOG";

class WriteLogTest : public testing::Test {
protected:
    // The stamp's formats are the user's: the test sets its own and puts the
    // user's back after.
    void SetUp() override { SwapFormats(); }
    void TearDown() override {
        SwapFormats();
        RemoveLogs();
    }
    void SwapFormats() {
        for (auto& [type, text] : m_formats) {
            wchar_t old[80] = {};
            GetLocaleInfoW(LOCALE_USER_DEFAULT, type, old, 80);
            EXPECT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, type, text.c_str()));
            text = old;
        }
    }
    static void RemoveLogs() {
        for (const auto& entry : fs::directory_iterator(KV_Api::ExeFolder())) {
            if (entry.path().filename().wstring().starts_with(kPrefix)) {
                fs::remove(entry.path());
            }
        }
    }
    static std::wstring DayFile(const SYSTEMTIME& t) {
        wchar_t name[40];
        std::swprintf(name, 40, L"%ls%04u%02u%02u.log", kPrefix, t.wYear, t.wMonth, t.wDay);
        return KV_Api::ExeFolder() + L"\\" + name;
    }
    // The stamp these formats give, to the second.
    static std::string Stamp(const SYSTEMTIME& t) {
        char text[40];
        std::snprintf(text, 40, "%02u-%02u-%04u %02u.%02u.%02u", t.wDay, t.wMonth, t.wYear, t.wHour,
                      t.wMinute, t.wSecond);
        return text;
    }

    std::pair<LCTYPE, std::wstring> m_formats[2] = {{LOCALE_SSHORTDATE, L"dd-MM-yyyy"},
                                                    {LOCALE_STIMEFORMAT, L"HH.mm.ss"}};
};

TEST_F(WriteLogTest, LinesAppendInAnsiToTheDaysFileWithTheStampAsked) {
    SYSTEMTIME before{};
    SYSTEMTIME after{};
    // Again if the clock passed a second: then the stamp is known.
    do {
        RemoveLogs();
        GetLocalTime(&before);
        WriteLog(L"uno", kPrefix, false);
        WriteLog(L"Compañía.ocx - VLoc 1, VSrv 2", kPrefix, false);
        WriteLog(L"", kPrefix, false);
        WriteLog(L"--", kPrefix, true);
        WriteLog(L"", kPrefix, true);
        GetLocalTime(&after);
    } while (Stamp(before) != Stamp(after));
    const std::string stamp = Stamp(before);
    EXPECT_EQ(KV_Bench::ReadBytes(DayFile(before)),
              "uno\r\nCompa\361\355a.ocx - VLoc 1, VSrv 2\r\n\r\n" + stamp + ":--\r\n" + stamp +
                  ":\r\n");
}

// A file that can't be opened raises with the platform's text, and nothing
// is made in its place.
TEST_F(WriteLogTest, AFileThatCannotBeOpenedRaises) {
    try {
        WriteLog(L"uno", std::wstring(L"no-such-folder\\") + kPrefix, true);
        ADD_FAILURE() << "no error";
    } catch (const KV_Error& e) {
        EXPECT_EQ(e.Description(), KV_Api::SystemMessage(ERROR_PATH_NOT_FOUND));
    }
    EXPECT_FALSE(fs::exists(fs::path(KV_Api::ExeFolder()) / L"no-such-folder"));
}

} // namespace
