// The whole-or-nothing copy against the real file system, in process: what
// the folder holds after each way a copy can end.
#include "BenchFiles.h"
#include "KV_Api.h"
#include "KV_ZudIviParts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

// Each file of the folder (not its folders), by name: its bytes, and " (read-only)" after them
// when it is.
std::map<std::wstring, std::string> Held(const fs::path& folder) {
    std::map<std::wstring, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        const std::wstring sPath = entry.path().wstring();
        files[entry.path().filename().wstring()] =
            KV_Bench::ReadBytes(sPath) +
            ((GetFileAttributesW(sPath.c_str()) & FILE_ATTRIBUTE_READONLY) ? " (read-only)" : "");
    }
    return files;
}

void Put(const fs::path& path, const char* bytes, bool bReadOnly) {
    KV_Bench::WriteBytes(path.wstring(), bytes);
    if (bReadOnly) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
}

struct Row {
    const char* what;
    bool bSourceReadOnly;
    bool bTargetReadOnly;
    bool bTargetHeldOpen; // by another handle, which no rename over it gets past
    bool bSourceSizeLies; // a file whose stated size is not what a read gives
    bool bCopied;
    DWORD dwError;
    const char* after; // the target afterwards
};

TEST(CopyWhole, TheTargetIsTheNewFileOrAsItWas) {
    const fs::path root = fs::temp_directory_path() / L"kv-copy";
    for (const Row& row : {
             Row{"a read-only source is copied, its attribute with it", true, false, false, false,
                 true, 0, "nuevo (read-only)"},
             // Linux's /proc through Wine's Z: drive: its files state a size of
             // 0, so the copy the shell reports made is not the source's size,
             // as when the source changes under the copy.
             Row{"a copy of another size than the source is undone", false, false, false, true,
                 false, 0, "viejo"},
             Row{"a read-only target that can't be replaced stays read-only", false, true, true,
                 false, false, ERROR_ACCESS_DENIED, "viejo (read-only)"},
         }) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root);
        fs::create_directories(root / L"Fix");
        const fs::path from =
            row.bSourceSizeLies ? fs::path(L"Z:\\proc\\version") : root / L"Fix\\A.dll";
        Put(root / L"Fix\\A.dll", "nuevo", row.bSourceReadOnly);
        Put(root / L"A.dll", "viejo", row.bTargetReadOnly);
        KV_Api::UniqueHandle held;
        if (row.bTargetHeldOpen) {
            held.Reset(CreateFileW((root / L"A.dll").c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
            ASSERT_TRUE(held);
        }

        DWORD dwError = 1;
        EXPECT_EQ(KV_ZudIviMain::CopyWhole(from.wstring(), (root / L"A.dll").wstring(),
                                           root.wstring(), dwError),
                  row.bCopied);
        EXPECT_EQ(dwError, row.dwError);
        held.Reset();
        // No staging file is left, and the source is as it was.
        const std::string source = row.bSourceReadOnly ? "nuevo (read-only)" : "nuevo";
        EXPECT_EQ(Held(root), (std::map<std::wstring, std::string>{{L"A.dll", row.after}}));
        EXPECT_EQ(Held(root / L"Fix"), (std::map<std::wstring, std::string>{{L"A.dll", source}}));
        for (const fs::path& path : {root / L"A.dll", root / L"Fix\\A.dll"}) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
    }
    fs::remove_all(root);
}

} // namespace
