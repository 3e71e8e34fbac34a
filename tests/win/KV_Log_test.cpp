// The diagnostic log against the real file system, in this program's folder.
#include "BenchFiles.h"
#include "KV_Api.h"
#include "KV_Error.h"
#include "KV_Log.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kPrefix = L"KVTESTLOG";

std::wstring DayName(const SYSTEMTIME& day) {
    wchar_t date[16];
    std::swprintf(date, 16, L"%04u%02u%02u", day.wYear, day.wMonth, day.wDay);
    return date;
}

// The locale's short date, a space and its long time, to the second.
std::wstring Stamp(const SYSTEMTIME& time) {
    wchar_t date[128] = {};
    wchar_t clock[128] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, 128);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, 128);
    return std::wstring(date) + L" " + clock;
}

class WriteLogTest : public testing::Test {
protected:
    void SetUp() override { RemoveLogs(); }
    void TearDown() override { RemoveLogs(); }

    static void RemoveLogs() {
        for (const auto& entry : fs::directory_iterator(KV_Api::ExeFolder())) {
            if (entry.path().filename().wstring().rfind(kPrefix, 0) == 0) {
                fs::remove(entry.path());
            }
        }
    }
    // The bytes of the day's file; the day is taken on both sides of the calls
    // so that a run across midnight still finds it.
    static std::string Written(const SYSTEMTIME& before, const SYSTEMTIME& after) {
        for (const SYSTEMTIME* day : {&before, &after}) {
            const std::wstring sFile =
                KV_Api::ExeFolder() + L"\\" + kPrefix + DayName(*day) + L".log";
            if (KV_Bench::PathExists(sFile)) {
                return KV_Bench::ReadBytes(sFile);
            }
        }
        return std::string();
    }
};

TEST_F(WriteLogTest, CallsAppendAnsiLinesToTheDaysFile) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    WriteLog(L"uno", kPrefix, false);
    WriteLog(L"Compañía.ocx - VLoc 1, VSrv 2", kPrefix, false);
    WriteLog(L"", kPrefix, false);
    SYSTEMTIME after;
    GetLocalTime(&after);
    EXPECT_EQ(Written(before, after),
              "uno\r\n" + KV_Api::ToAnsi(L"Compañía.ocx - VLoc 1, VSrv 2") + "\r\n\r\n");
}

TEST_F(WriteLogTest, AStampIsTheLocalDateAndTimeThenAColon) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    WriteLog(L"--", kPrefix, true);
    WriteLog(L"", kPrefix, true);
    SYSTEMTIME after;
    GetLocalTime(&after);
    const std::string text = Written(before, after);
    ASSERT_NE(text.find("\r\n"), std::string::npos) << text;
    // Each line carries the time it was written, somewhere between the two readings.
    const std::string lines[] = {text.substr(0, text.find("\r\n") + 2),
                                 text.substr(text.find("\r\n") + 2)};
    const std::string texts[] = {"--", ""};
    for (int i = 0; i < 2; ++i) {
        const bool early = lines[i] == KV_Api::ToAnsi(Stamp(before)) + ":" + texts[i] + "\r\n";
        const bool late = lines[i] == KV_Api::ToAnsi(Stamp(after)) + ":" + texts[i] + "\r\n";
        EXPECT_TRUE(early || late) << lines[i] << " against " << KV_Bench::Utf8(Stamp(before));
    }
}

// A file that can't be opened raises with the platform's text and writes
// nothing: its folder can't be written (immutable even for root), its folder
// is missing, or another program holds the file without sharing.
TEST_F(WriteLogTest, AFileThatCannotBeWrittenRaises) {
    const fs::path locked = fs::path(KV_Api::ExeFolder()) / (std::wstring(kPrefix) + L"_locked");
    fs::create_directories(locked);
    {
        const KV_Bench::ImmutableGuard guard(locked.wstring());
        ASSERT_TRUE(guard.Held());
        try {
            WriteLog(L"uno", std::wstring(kPrefix) + L"_locked\\" + kPrefix, true);
            ADD_FAILURE() << "no error";
        } catch (const KV_Error& e) {
            EXPECT_EQ(e.Description(), KV_Api::SystemMessage(ERROR_ACCESS_DENIED));
        }
    }
    EXPECT_TRUE(fs::is_empty(locked));

    try {
        WriteLog(L"uno", std::wstring(L"no-such-folder\\") + kPrefix, true);
        ADD_FAILURE() << "no error";
    } catch (const KV_Error& e) {
        EXPECT_EQ(e.Description(), KV_Api::SystemMessage(ERROR_PATH_NOT_FOUND));
    }
    EXPECT_FALSE(fs::exists(fs::path(KV_Api::ExeFolder()) / L"no-such-folder"));

    SYSTEMTIME day;
    GetLocalTime(&day);
    const std::wstring sFile = KV_Api::ExeFolder() + L"\\" + kPrefix + DayName(day) + L".log";
    KV_Bench::WriteBytes(sFile, "antes\r\n");
    {
        const KV_Api::UniqueHandle held(
            CreateFileW(sFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_THROW(WriteLog(L"uno", kPrefix, false), KV_Error);
    }
    EXPECT_EQ(KV_Bench::ReadBytes(sFile), "antes\r\n");
}

} // namespace
