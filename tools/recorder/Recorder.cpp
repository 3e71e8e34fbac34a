// Stand-in for the programs the launcher starts (the client, the setup, the
// refresh tool). It writes down how it was started, one UTF-8 line in
// %KV_BENCH_DIR%\started.txt (or beside itself without that variable):
//   <file name> TAB <own path> TAB <command line> TAB <tick count>
// A file "<own path>.bench" holding "sleep=<ms> exit=<code>" makes it run that
// long and end with that code.

#include "BenchFiles.h"

#include <windows.h>

#include <cwchar>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring sPath = KV_Bench::ModulePath(nullptr);
    std::wstring sFolder = KV_Bench::EnvironmentValue(L"KV_BENCH_DIR");
    if (sFolder.empty()) {
        sFolder = KV_Bench::ModuleFolder(nullptr);
    }
    const std::wstring sName = sPath.substr(sPath.find_last_of(L'\\') + 1);
    KV_Bench::AppendUtf8Line(sFolder + L"\\started.txt", sName + L"\t" + sPath + L"\t" +
                                                             GetCommandLineW() + L"\t" +
                                                             std::to_wstring(GetTickCount()));

    unsigned long sleepMs = 0;
    unsigned long exitCode = 0;
    const std::wstring sBehaviour = KV_Bench::ReadUtf8File(sPath + L".bench");
    if (!sBehaviour.empty()) {
        std::swscanf(sBehaviour.c_str(), L"sleep=%lu exit=%lu", &sleepMs, &exitCode);
    }
    Sleep(sleepMs);
    return static_cast<int>(exitCode);
}
