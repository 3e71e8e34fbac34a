// Stand-in for the programs the launcher starts (the client, the setup, the
// refresh tool). It writes down how it was started, one UTF-8 line in
// %KV_BENCH_DIR%\started.txt (or beside itself without that variable):
//   <file name> TAB <own path> TAB <command line> TAB <tick count> TAB <pid>
// A file "<own path>.bench" holding "sleep=<ms> exit=<code> look=<0|1>" makes
// it run that long and end with that code; with look=1 it first writes the
// caption and label of each wait dialog on screen to seen.txt, and a picture
// of it to wait-dialog.png. When it ends it
// writes "<file name> TAB <tick count>" to ended.txt.

#include "BenchFiles.h"
#include "BenchRun.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

struct Look {
    std::wstring sSeenFile;
    std::wstring sShotFile;
};

BOOL CALLBACK RecordWaitDialog(HWND hwnd, LPARAM param) {
    const auto* look = reinterpret_cast<const Look*>(param);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (IsWindowVisible(hwnd) && std::wstring(name) == L"KV_DlgEsp") {
        wchar_t caption[256] = {};
        wchar_t label[1024] = {};
        GetWindowTextW(hwnd, caption, 256);
        GetWindowTextW(FindWindowExW(hwnd, nullptr, L"Static", nullptr), label, 1024);
        KV_Bench::AppendUtf8Line(look->sSeenFile, std::wstring(caption) + L"\t" + label);
        KV_Bench::SaveScreenshot(hwnd, look->sShotFile);
    }
    return TRUE;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring sPath = KV_Bench::ModulePath(nullptr);
    // Wine names a program started from a share "UNC\server\share\...".
    if (sPath.rfind(L"UNC\\", 0) == 0) {
        sPath = L"\\" + sPath.substr(3);
    }
    std::wstring sFolder = KV_Bench::EnvironmentValue(L"KV_BENCH_DIR");
    if (sFolder.empty()) {
        sFolder = KV_Bench::ModuleFolder(nullptr);
    }
    const std::wstring sName = sPath.substr(sPath.find_last_of(L'\\') + 1);
    KV_Bench::AppendUtf8Line(sFolder + L"\\started.txt",
                             sName + L"\t" + sPath + L"\t" + GetCommandLineW() + L"\t" +
                                 std::to_wstring(GetTickCount()) + L"\t" +
                                 std::to_wstring(GetCurrentProcessId()));

    unsigned long sleepMs = 0;
    unsigned long exitCode = 0;
    unsigned long look = 0;
    const std::wstring sBehaviour = KV_Bench::ReadUtf8File(sPath + L".bench");
    if (!sBehaviour.empty()) {
        std::swscanf(sBehaviour.c_str(), L"sleep=%lu exit=%lu look=%lu", &sleepMs, &exitCode,
                     &look);
    }
    if (look != 0) {
        Sleep(500); // the launcher paints its dialog while it waits for us
        const Look where{sFolder + L"\\seen.txt", sFolder + L"\\wait-dialog.png"};
        EnumWindows(RecordWaitDialog, reinterpret_cast<LPARAM>(&where));
    }
    Sleep(sleepMs);
    KV_Bench::AppendUtf8Line(sFolder + L"\\ended.txt",
                             sName + L"\t" + std::to_wstring(GetTickCount()));
    return static_cast<int>(exitCode);
}
