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
        TearDown();
        fs::create_directories(m_folder / "Setup Folder");
        fs::copy_file(fs::path(KV_Bench::ModuleFolder(nullptr)) / "recorder.exe", m_program);
        SetEnvironmentVariableW(L"KV_BENCH_DIR", m_folder.c_str());
    }
    void TearDown() override { fs::remove_all(m_folder, m_ignored); }
    // The lines the recorder writes when its copies start or end.
    std::vector<std::wstring> Lines(const wchar_t* file) const {
        return KV_Bench::ReadUtf8Lines((m_folder / file).wstring());
    }

    fs::path m_folder = fs::temp_directory_path() / "kv-runandwait";
    fs::path m_program = m_folder / "Setup Folder" / "Setup.exe";
    std::wstring m_command = L"\"" + m_program.wstring() + L"\" /s";
    std::error_code m_ignored;
};

// A program may end with the code that means "still active": it has ended
// all the same. No program, or no process to ask: the platform's description.
TEST_F(RunAndWaitTest, TheEndOfTheProgramItsFailureOrTheLimitEndsTheWait) {
    KV_Bench::WriteBytes(m_program.wstring() + L".bench", "sleep=0 exit=259");
    std::wstring message = L"untouched";
    EXPECT_TRUE(RunAndWait(m_command, 1, message, 20000));
    EXPECT_EQ(message, L"untouched");
    ASSERT_EQ(Lines(L"started.txt").size(), 1u);
    // The command line exactly as given.
    EXPECT_EQ(KV_Bench::SplitTabs(Lines(L"started.txt")[0]).at(2), m_command);
    EXPECT_EQ(Lines(L"ended.txt").size(), 1u);

    EXPECT_FALSE(
        RunAndWait(L"\"" + (m_folder / "Missing.exe").wstring() + L"\"", 1, message, 5000));
    EXPECT_EQ(message, L"File not found.");
    EXPECT_EQ(Lines(L"started.txt").size(), 1u);
    // An event is no process: the exit-code query fails at once.
    const KV_Api::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_FALSE(KV_ZudIviMain::WaitForProcess(event.Get(), message, 20000));
    EXPECT_EQ(message, L"Invalid handle.");

    // A limit of zero or less times out even for a program that has ended; a
    // passed limit leaves the program running.
    for (std::int32_t limit : {0, -1, 300}) {
        SCOPED_TRACE(limit);
        KV_Bench::WriteBytes(m_program.wstring() + L".bench", limit > 0 ? "sleep=30000" : "");
        EXPECT_FALSE(RunAndWait(m_command, 1, message, limit));
        EXPECT_EQ(message, L"The process has timed out.");
    }
    ASSERT_EQ(Lines(L"started.txt").size(), 4u);
    const KV_Api::UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE,
                    std::stoul(KV_Bench::SplitTabs(Lines(L"started.txt")[3]).at(4))));
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(process.Get(), &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    TerminateProcess(process.Get(), 0);
    WaitForSingleObject(process.Get(), 5000);
}

} // namespace
