// The name of the lock on an installation folder: launchers that reach one
// folder by different spellings must still share one lock.
#include "KV_Api.h"
#include "KV_ZudIviParts.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using KV_ZudIviMain::FolderLockName;

namespace {

TEST(FolderLockName, EverySpellingOfOneFolderNamesOneLockThatEverySessionSees) {
    const fs::path folder = fs::temp_directory_path() / "kv-lock" / "Morvane Pro";
    fs::create_directories(folder);
    fs::create_directories(folder.wstring() + L"2");
    wchar_t sShort[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(folder.c_str(), sShort, MAX_PATH), 0u);
    const std::wstring sName = FolderLockName(folder.wstring());
    EXPECT_TRUE(sName.starts_with(L"Global\\KV_ZudIvi.")) << KV_Api::ToAnsi(sName);
    for (const std::wstring& sSpelling : {KV_Api::UpperCase(folder.wstring()), std::wstring(sShort),
                                          folder.wstring() + L"\\", folder.wstring() + L"\\.\\"}) {
        SCOPED_TRACE(KV_Api::ToAnsi(sSpelling));
        EXPECT_EQ(FolderLockName(sSpelling), sName);
    }
    EXPECT_NE(FolderLockName(folder.wstring() + L"2"), sName);
    fs::remove_all(folder.parent_path());
}

} // namespace
