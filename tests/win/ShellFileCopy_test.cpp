// The shell's file copy on its own, against the real shell of the platform.
#include "BenchFiles.h"
#include "BenchRun.h"
#include "KV_Api.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Answers, and counts, every dialog this process shows while it lives, so
// that a question of the shell shows up as a failure and not as a hang.
class DialogWatch {
public:
    DialogWatch()
        : m_thread([this] {
              while (!m_stop) {
                  if (HWND hwnd = KV_Bench::FindDialogOf(GetCurrentProcessId())) {
                      ++m_seen;
                      KV_Bench::Press(hwnd, IDOK);
                      KV_Bench::Press(hwnd, IDNO);
                      Sleep(200);
                  }
                  Sleep(20);
              }
          }) {}
    DialogWatch(const DialogWatch&) = delete;
    DialogWatch& operator=(const DialogWatch&) = delete;
    ~DialogWatch() {
        m_stop = true;
        m_thread.join();
    }
    int Seen() const { return m_seen; }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_seen{0};
    std::thread m_thread;
};

class ShellFileCopyTest : public testing::Test {
protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() / L"kv-shellcopy-tests";
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / L"server");
        fs::create_directories(m_folder / L"app");
    }
    void TearDown() override { fs::remove_all(m_folder); }
    std::wstring Path(const wchar_t* sRelative) const { return (m_folder / sRelative).wstring(); }

    fs::path m_folder;
};

TEST_F(ShellFileCopyTest, CopiesReplacingAnExistingTargetWithoutAQuestion) {
    KV_Bench::WriteBytes(Path(L"server\\Comp.dll"), "nuevo");
    KV_Bench::WriteBytes(Path(L"app\\Comp.dll"), "viejo, y más largo");
    KV_Bench::WriteBytes(Path(L"server\\Compañía.ocx"), "ñ");
    DialogWatch watch;
    EXPECT_TRUE(KV_Api::ShellFileCopy(Path(L"server\\Comp.dll"), Path(L"app\\Comp.dll")));
    EXPECT_TRUE(KV_Api::ShellFileCopy(Path(L"server\\Compañía.ocx"), Path(L"app\\Compañía.ocx")));
    EXPECT_EQ(watch.Seen(), 0);
    EXPECT_EQ(KV_Bench::ReadBytes(Path(L"app\\Comp.dll")), "nuevo");
    EXPECT_EQ(KV_Bench::ReadBytes(Path(L"app\\Compañía.ocx")), "ñ");
    EXPECT_EQ(KV_Bench::ReadBytes(Path(L"server\\Comp.dll")), "nuevo");
}

TEST_F(ShellFileCopyTest, CreatesAMissingTargetFolderWithoutAQuestion) {
    KV_Bench::WriteBytes(Path(L"server\\R1.dll"), "r1");
    DialogWatch watch;
    EXPECT_TRUE(KV_Api::ShellFileCopy(Path(L"server\\R1.dll"), Path(L"app\\Rep\\Sub\\R1.dll")));
    EXPECT_EQ(watch.Seen(), 0);
    EXPECT_EQ(KV_Bench::ReadBytes(Path(L"app\\Rep\\Sub\\R1.dll")), "r1");
}

// The shell may show its own window for this; either way the caller learns of it.
TEST_F(ShellFileCopyTest, AMissingSourceIsReportedAndLeavesTheTarget) {
    KV_Bench::WriteBytes(Path(L"app\\Comp.dll"), "viejo");
    DialogWatch watch;
    EXPECT_FALSE(KV_Api::ShellFileCopy(Path(L"server\\Comp.dll"), Path(L"app\\Comp.dll")));
    EXPECT_FALSE(KV_Api::ShellFileCopy(Path(L"server\\Comp.dll"), Path(L"app\\Nuevo.dll")));
    EXPECT_FALSE(KV_Api::ShellFileCopy(L"\\\\NOSUCHSRV\\Morvane_Client\\Fix\\Comp.dll",
                                       Path(L"app\\X.dll")));
    EXPECT_EQ(KV_Bench::ReadBytes(Path(L"app\\Comp.dll")), "viejo");
    EXPECT_FALSE(fs::exists(Path(L"app\\Nuevo.dll")));
    EXPECT_FALSE(fs::exists(Path(L"app\\X.dll")));
}

} // namespace
