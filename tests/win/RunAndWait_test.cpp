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
        m_folder = fs::temp_directory_path() / "kv-runandwait" /
                   testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "Setup Folder");
        m_program = m_folder / "Setup Folder" / "Setup.exe";
        fs::copy_file(fs::path(KV_Bench::ModuleFolder(nullptr)) / "recorder.exe", m_program);
        SetEnvironmentVariableW(L"KV_BENCH_DIR", m_folder.wstring().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableW(L"KV_BENCH_DIR", nullptr);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    void Behave(const char* behaviour) {
        KV_Bench::WriteBytes(m_program.wstring() + L".bench", behaviour);
    }
    std::wstring Command() const { return L"\"" + m_program.wstring() + L"\" /s"; }
    std::vector<std::vector<std::wstring>> Started() const {
        std::vector<std::vector<std::wstring>> records;
        for (const auto& line : KV_Bench::ReadUtf8Lines((m_folder / "started.txt").wstring())) {
            records.push_back(KV_Bench::SplitTabs(line));
        }
        return records;
    }

    fs::path m_folder;
    fs::path m_program;
};

TEST_F(RunAndWaitTest, AProgramThatEndsGivesTrueAndLeavesTheMessage) {
    std::wstring message = L"untouched";
    const DWORD start = GetTickCount();
    EXPECT_TRUE(RunAndWait(Command(), 1, message, 20000));
    EXPECT_GE(GetTickCount() - start, 100u); // one poll cycle at least
    EXPECT_EQ(message, L"untouched");
    const auto started = Started();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].at(2), Command()); // the command line exactly as given
}

TEST_F(RunAndWaitTest, ALimitOfZeroOrLessTimesOutEvenForAnEndedProgram) {
    for (std::int32_t limit : {0, -1, INT32_MIN}) {
        std::wstring message;
        EXPECT_FALSE(RunAndWait(Command(), 1, message, limit));
        EXPECT_EQ(message, L"The process has timed out.");
    }
}

TEST_F(RunAndWaitTest, APassedLimitLeavesTheProgramRunning) {
    Behave("sleep=30000 exit=0");
    std::wstring message;
    EXPECT_FALSE(RunAndWait(Command(), 1, message, 300));
    EXPECT_EQ(message, L"The process has timed out.");
    const auto started = Started();
    ASSERT_EQ(started.size(), 1u);
    const DWORD pid = static_cast<DWORD>(std::stoul(started[0].at(4)));
    const KV_Api::UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid));
    ASSERT_TRUE(process);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(process.Get(), &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    TerminateProcess(process.Get(), 0);
    WaitForSingleObject(process.Get(), 5000);
}

// A program may end with the code that means "still active": it has ended
// all the same, and the wait is over long before the limit.
TEST_F(RunAndWaitTest, AnExitCodeOf259EndsTheWaitLikeAnyOther) {
    Behave("sleep=0 exit=259");
    std::wstring message = L"untouched";
    EXPECT_TRUE(RunAndWait(Command(), 1, message, 20000));
    EXPECT_EQ(message, L"untouched");
    EXPECT_EQ(KV_Bench::ReadUtf8Lines((m_folder / "ended.txt").wstring()).size(), 1u);
}

TEST_F(RunAndWaitTest, AMissingProgramGivesThePlatformsDescription) {
    std::wstring message;
    EXPECT_FALSE(
        RunAndWait(L"\"" + (m_folder / "Missing.exe").wstring() + L"\"", 1, message, 5000));
    EXPECT_EQ(message, KV_Api::SystemMessage(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(Started().empty());
}

TEST(WaitForProcess, AFailedExitCodeQueryIsNoSuccess) {
    // An event is no process: the exit-code query fails at once.
    const KV_Api::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::wstring message = L"untouched";
    EXPECT_FALSE(KV_ZudIviMain::WaitForProcess(event.Get(), message, 20000));
    EXPECT_EQ(message, KV_Api::SystemMessage(ERROR_INVALID_HANDLE));
}

} // namespace
