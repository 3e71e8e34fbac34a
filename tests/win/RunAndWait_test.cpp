// RunAndWait with real child processes: the bench's recorder, told how long
// to run and how to end.
#include "BenchFiles.h"
#include "KV_Api.h"
#include "KV_ZudIviParts.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using KV_ZudIviMain::RunAndWait;

namespace {

class RunAndWaitTest : public testing::Test {
protected:
    void SetUp() override {
        // A folder per test: a recorder that a test left to end on its own
        // may still hold its copy while the next test starts.
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "Setup Folder");
        fs::copy_file(fs::path(KV_Bench::ModuleFolder(nullptr)) / "recorder.exe", m_program);
        SetEnvironmentVariableW(L"KV_BENCH_DIR", m_folder.wstring().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"KV_BENCH_DIR", nullptr);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    // The lines of a file the recorder writes.
    std::vector<std::wstring> Lines(const wchar_t* file) const {
        return KV_Bench::ReadUtf8Lines((m_folder / file).wstring());
    }

    fs::path m_folder = fs::temp_directory_path() / "kv-runandwait" /
                        testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::path m_program = m_folder / "Setup Folder" / "Setup.exe";
    std::wstring m_command = L"\"" + m_program.wstring() + L"\" /s";
};

// A program may end with the code that means "still active": it has ended
// all the same, and the wait is over long before the limit.
TEST_F(RunAndWaitTest, AnEndedProgramGivesTrueWhateverItsExitCode) {
    for (const char* behaviour : {"sleep=0 exit=0", "sleep=0 exit=259"}) {
        SCOPED_TRACE(behaviour);
        KV_Bench::WriteBytes(m_program.wstring() + L".bench", behaviour);
        std::wstring message = L"untouched";
        const DWORD start = GetTickCount();
        EXPECT_TRUE(RunAndWait(m_command, 1, message, 20000));
        EXPECT_GE(GetTickCount() - start, 100u); // one poll cycle at least
        EXPECT_EQ(message, L"untouched");
    }
    const auto started = Lines(L"started.txt");
    ASSERT_EQ(started.size(), 2u);
    // The command line exactly as given.
    EXPECT_EQ(KV_Bench::SplitTabs(started[0]).at(2), m_command);
    EXPECT_EQ(Lines(L"ended.txt").size(), 2u);
}

// A limit of zero or less times out even for a program that has ended; a
// passed limit leaves the program running.
TEST_F(RunAndWaitTest, APassedLimitTimesOut) {
    for (std::int32_t limit : {0, -1, INT32_MIN, 300}) {
        SCOPED_TRACE(limit);
        KV_Bench::WriteBytes(m_program.wstring() + L".bench", limit > 0 ? "sleep=30000" : "");
        std::wstring message;
        EXPECT_FALSE(RunAndWait(m_command, 1, message, limit));
        EXPECT_EQ(message, L"The process has timed out.");
    }
    const auto started = Lines(L"started.txt");
    ASSERT_EQ(started.size(), 4u);
    const KV_Api::UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE,
                    std::stoul(KV_Bench::SplitTabs(started[3]).at(4))));
    ASSERT_TRUE(process);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(process.Get(), &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    TerminateProcess(process.Get(), 0);
    WaitForSingleObject(process.Get(), 5000);
}

// No program, or no process to ask: the platform's description.
TEST_F(RunAndWaitTest, AMissingProgramOrProcessGivesThePlatformsDescription) {
    std::wstring message;
    EXPECT_FALSE(
        RunAndWait(L"\"" + (m_folder / "Missing.exe").wstring() + L"\"", 1, message, 5000));
    EXPECT_EQ(message, KV_Api::SystemMessage(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Lines(L"started.txt").empty());

    // An event is no process: the exit-code query fails at once.
    const KV_Api::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_FALSE(KV_ZudIviMain::WaitForProcess(event.Get(), message, 20000));
    EXPECT_EQ(message, KV_Api::SystemMessage(ERROR_INVALID_HANDLE));
}

} // namespace
