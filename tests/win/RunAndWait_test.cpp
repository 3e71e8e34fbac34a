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

// A program may end with the code that means "still active": it has ended
// all the same. No program, or no process to ask: the platform's description.
TEST(RunAndWait, TheEndOfTheProgramItsFailureOrTheLimitEndsTheWait) {
    const fs::path folder = fs::temp_directory_path() / "kv-runandwait";
    const std::wstring program = (folder / "Setup Folder" / "Setup.exe").wstring();
    const std::wstring command = L"\"" + program + L"\" /s";
    fs::remove_all(folder); // what an interrupted run left
    fs::create_directories(folder / "Setup Folder");
    fs::copy_file(fs::path(KV_Bench::ModuleFolder(nullptr)) / "recorder.exe", program);
    SetEnvironmentVariableW(L"KV_BENCH_DIR", folder.c_str());

    // A limit of zero or less times out even for a program that has ended; a
    // passed limit leaves the program running.
    using Row = std::tuple<const char*, std::int32_t, const wchar_t*>;
    const wchar_t* timedOut = L"false The process has timed out.";
    for (const auto& [behaviour, limit, answer] :
         {Row{"sleep=0 exit=0", 20000, L"true untouched"},
          Row{"sleep=0 exit=259", 20000, L"true untouched"}, Row{"", 0, timedOut},
          Row{"", -1, timedOut}, Row{"sleep=30000", 300, timedOut}}) {
        SCOPED_TRACE(std::string(behaviour) + " " + std::to_string(limit));
        KV_Bench::WriteBytes(program + L".bench", behaviour);
        std::wstring message = L"untouched";
        const bool ended = RunAndWait(command, 1, message, limit);
        EXPECT_EQ((ended ? L"true " : L"false ") + message, answer);
    }

    std::wstring message;
    EXPECT_FALSE(RunAndWait(L"\"" + (folder / "Missing.exe").wstring() + L"\"", 1, message, 5000));
    EXPECT_EQ(message, L"File not found.");
    // An event is no process: the exit-code query fails at once.
    const KV_Api::UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_FALSE(KV_ZudIviMain::WaitForProcess(event.Get(), message, 20000));
    EXPECT_EQ(message, L"Invalid handle.");

    // The recorder's lines: one start a row, none for the missing program,
    // and the command line exactly as given. The last row's program may not
    // have written its line yet when the limit ended the wait (a slow start,
    // as under emulation): it is given time to.
    auto started = KV_Bench::ReadUtf8Lines((folder / "started.txt").wstring());
    for (int i = 0; i < 300 && started.size() < 5; ++i) {
        Sleep(100);
        started = KV_Bench::ReadUtf8Lines((folder / "started.txt").wstring());
    }
    ASSERT_EQ(started.size(), 5u);
    EXPECT_EQ(KV_Bench::SplitTabs(started[0]).at(2), command);
    const KV_Api::UniqueHandle process(OpenProcess(
        SYNCHRONIZE | PROCESS_TERMINATE, FALSE, std::stoul(KV_Bench::SplitTabs(started[4]).at(4))));
    EXPECT_EQ(WaitForSingleObject(process.Get(), 0), WAIT_TIMEOUT); // still running
    TerminateProcess(process.Get(), 0);
    WaitForSingleObject(process.Get(), 5000);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

} // namespace
