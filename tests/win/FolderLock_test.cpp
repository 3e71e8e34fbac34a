// The lock on an installation folder, and the staging the copies leave:
// launchers that reach one folder by different spellings, or from another
// process that dies holding it, still share one lock.
#include "BenchFiles.h"
#include "KV_Api.h"
#include "KV_ZudIviParts.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using KV_ZudIviMain::FolderLock;

namespace {

// A folder that Wine also reaches as \\kvlock\share\Morvane Pro: its
// prefix's dosdevices\unc stands for the network.
fs::path SharedFolder() {
    const fs::path folder = fs::path(L"Z:" + KV_Bench::EnvironmentValue(L"WINEPREFIX") +
                                     L"/dosdevices/unc/kvlock/share")
                                .make_preferred() /
                            L"Morvane Pro";
    fs::create_directories(folder);
    return folder;
}

// Whether a second taker gets the lock on that spelling at once.
bool Free(const std::wstring& sSpelling) {
    FolderLock other;
    DWORD dwError = 0;
    const bool bTaken = other.Take(sSpelling, 0, dwError);
    EXPECT_TRUE(bTaken || dwError == ERROR_TIMEOUT)
        << KV_Api::ToAnsi(KV_Api::SystemMessage(dwError));
    return bTaken;
}

TEST(FolderLock, EverySpellingOfOneFolderTakesOneLock) {
    const fs::path folder = SharedFolder();
    fs::create_directories(folder.wstring() + L"2");
    {
        FolderLock lock;
        DWORD dwError = 0;
        ASSERT_TRUE(lock.Take(folder.wstring(), 0, dwError));
        for (const std::wstring& sSpelling :
             {std::wstring(L"\\\\kvlock\\share\\Morvane Pro"),
              std::wstring(L"\\\\KVLOCK\\SHARE\\MORVANE PRO"), folder.wstring() + L"\\."}) {
            SCOPED_TRACE(KV_Api::ToAnsi(sSpelling));
            EXPECT_FALSE(Free(sSpelling));
        }
        EXPECT_TRUE(Free(folder.wstring() + L"2"));
    }
    EXPECT_TRUE(Free(L"\\\\kvlock\\share\\Morvane Pro")) << "let go with its owner";
    fs::remove_all(folder.parent_path());
}

// Run by the next test in a process of its own: takes the lock on the
// folder named in KV_LOCK_FOLDER, says so, and waits to be ended.
TEST(FolderLockHolder, DISABLED_HoldsTheLockUntilEnded) {
    const std::wstring sFolder = KV_Bench::EnvironmentValue(L"KV_LOCK_FOLDER");
    FolderLock lock;
    DWORD dwError = 0;
    ASSERT_TRUE(lock.Take(sFolder, 0, dwError));
    KV_Bench::WriteBytes(sFolder + L".held", "held");
    Sleep(60000);
}

TEST(FolderLock, ALockWhoseProcessDiedIsTakenOver) {
    const fs::path folder = fs::temp_directory_path() / L"kv-lock-abandoned";
    fs::remove_all(folder);
    fs::remove(folder.wstring() + L".held");
    fs::create_directories(folder);
    SetEnvironmentVariableW(L"KV_LOCK_FOLDER", folder.c_str());
    const std::wstring sSelf = KV_Bench::ModulePath(nullptr);
    std::wstring sCommand = L"\"" + sSelf +
                            L"\" --gtest_also_run_disabled_tests "
                            L"--gtest_filter=FolderLockHolder.DISABLED_HoldsTheLockUntilEnded";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    ASSERT_TRUE(CreateProcessW(sSelf.c_str(), sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &info));
    const KV_Api::UniqueHandle holder(info.hProcess);
    const KV_Api::UniqueHandle thread(info.hThread);
    for (int i = 0; i < 300 && !KV_Bench::PathExists(folder.wstring() + L".held"); ++i) {
        Sleep(100);
    }
    ASSERT_TRUE(KV_Bench::PathExists(folder.wstring() + L".held")) << "the holder never took it";
    {
        FolderLock lock;
        DWORD dwError = 0;
        EXPECT_FALSE(lock.Take(folder.wstring(), 300, dwError));
        EXPECT_EQ(dwError, static_cast<DWORD>(ERROR_TIMEOUT));
        TerminateProcess(holder.Get(), 9);
        WaitForSingleObject(holder.Get(), 10000);
        EXPECT_TRUE(lock.Take(folder.wstring(), 5000, dwError))
            << KV_Api::ToAnsi(KV_Api::SystemMessage(dwError));
    }
    fs::remove(folder.wstring() + L".held");
    fs::remove_all(folder);
}

// A staging folder that no run holds is a dead run's and goes with the next
// copy's sweep; one that its run holds open without delete sharing stays,
// file and all. A target a client holds open for reading that already has
// the new bytes (of another last write time) is the copy made.
TEST(CopyWhole, SweepsOnlyDeadRunsStagingAndLeavesATargetThatIsAlreadyTheNewFile) {
    const fs::path folder = fs::temp_directory_path() / L"kv-staging";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::wstring sFrom = (folder / L"server.dll").wstring();
    const std::wstring sTo = (folder / L"A.dll").wstring();
    KV_Bench::WriteBytes(sFrom, "nuevo");
    KV_Bench::WriteBytes(sTo, "viejo");
    const std::wstring sDead = sTo + L",KV_ZudIvi,OTRA,4,00000001.tmp";
    const std::wstring sLive = sTo + L",KV_ZudIvi,OTRA,8,00000002.tmp";
    for (const std::wstring& sStage : {sDead, sLive}) {
        fs::create_directories(sStage);
        KV_Bench::WriteBytes(sStage + L"\\A.dll", "mitad");
    }
    KV_Api::UniqueHandle live(CreateFileW(sLive.c_str(), FILE_LIST_DIRECTORY,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(live);
    DWORD dwError = 0;
    ASSERT_TRUE(KV_ZudIviMain::CopyWhole(sFrom, sTo, folder.wstring(), dwError));
    EXPECT_EQ(KV_Bench::ReadBytes(sTo), "nuevo");
    EXPECT_FALSE(fs::exists(sDead));
    EXPECT_EQ(KV_Bench::ReadBytes(sLive + L"\\A.dll"), "mitad");

    KV_Bench::WriteBytes(sTo, "nuevo");
    KV_Api::UniqueHandle client(CreateFileW(sTo.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(KV_ZudIviMain::CopyWhole(sFrom, sTo, folder.wstring(), dwError));
    client.Reset();
    std::size_t left = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        left += entry.path().filename().wstring().find(L",KV_ZudIvi") != std::wstring::npos;
    }
    EXPECT_EQ(left, 1u) << "only the live run's staging";
    live.Reset();
    fs::remove_all(folder);
}

} // namespace
