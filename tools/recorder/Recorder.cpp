// Stand-in for the programs the launcher starts (the client, the setup, the
// refresh tool). It writes down how it was started, one UTF-8 line in
// %KV_BENCH_DIR%\started.txt (or beside itself without that variable):
//   <file name> TAB <own path> TAB <command line> TAB <tick count> TAB <pid>
//   TAB <performance counter>
// A file "<own path>.bench" holding "sleep=<ms> exit=<code> look=<0|1>" makes
// it run that long and end with that code; with look=1 it first writes the
// caption and label of each wait dialog on screen to seen.txt, and with
// look=2 again just before it ends. With refresh=1 (after the other
// three) it does what the refresh tool is there for: records in MorvaneVrs.ini beside it the
// version (from the version resource) of each component that Morvane.ini's
// LSTCOMP lists. With hold=1 (after refresh) it holds each of those
// components open for reading, as a running client holds its libraries,
// until it ends.

#include "BenchFiles.h"
#include "KV_Api.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

namespace {

BOOL CALLBACK RecordWaitDialog(HWND hwnd, LPARAM param) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (IsWindowVisible(hwnd) && std::wstring(name) == L"KV_DlgEsp") {
        wchar_t caption[256] = {};
        wchar_t label[1024] = {};
        GetWindowTextW(hwnd, caption, 256);
        GetWindowTextW(FindWindowExW(hwnd, nullptr, L"Static", nullptr), label, 1024);
        KV_Bench::AppendUtf8Line(*reinterpret_cast<const std::wstring*>(param),
                                 std::wstring(caption) + L"\t" + label);
    }
    return TRUE;
}

// For benchmarks that time a start precisely: the counter is one for the
// whole machine.
long long PerformanceCounter() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The FileVersion text of a file's version resource; "" without one.
std::wstring FileVersionOf(const std::wstring& sFile) {
    DWORD dwHandle = 0;
    const DWORD dwSize = GetFileVersionInfoSizeW(sFile.c_str(), &dwHandle);
    std::vector<BYTE> info(dwSize);
    if (dwSize == 0 || !GetFileVersionInfoW(sFile.c_str(), 0, dwSize, info.data())) {
        return std::wstring();
    }
    struct Translation {
        WORD wLanguage;
        WORD wCodePage;
    }* translation = nullptr;
    UINT n = 0;
    if (!VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &n) ||
        n < sizeof(Translation)) {
        return std::wstring();
    }
    wchar_t query[64];
    std::swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", translation->wLanguage,
                  translation->wCodePage);
    wchar_t* version = nullptr;
    if (!VerQueryValueW(info.data(), query, reinterpret_cast<void**>(&version), &n) || n == 0) {
        return std::wstring();
    }
    return version;
}

// The components that the settings beside the program list.
std::vector<std::wstring> Components(const std::wstring& sFolder) {
    wchar_t list[32768] = {};
    GetPrivateProfileStringW(L"General", L"LSTCOMP", L"", list, 32768,
                             (sFolder + L"\\Morvane.ini").c_str());
    // The demo's and the rows' lists are plain names between commas.
    std::vector<std::wstring> names;
    std::wistringstream items(list);
    for (std::wstring sName; std::getline(items, sName, L',');) {
        if (!sName.empty()) {
            names.push_back(sName);
        }
    }
    return names;
}

void RecordComponentVersions(const std::wstring& sFolder) {
    for (const std::wstring& sName : Components(sFolder)) {
        WritePrivateProfileStringW(L"General", sName.c_str(),
                                   FileVersionOf(sFolder + L"\\" + sName).c_str(),
                                   (sFolder + L"\\MorvaneVrs.ini").c_str());
    }
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
                                 std::to_wstring(GetCurrentProcessId()) + L"\t" +
                                 std::to_wstring(PerformanceCounter()));

    unsigned long sleepMs = 0;
    unsigned long exitCode = 0;
    unsigned long look = 0;
    unsigned long refresh = 0;
    unsigned long hold = 0;
    const std::wstring sBehaviour = KV_Bench::ReadUtf8File(sPath + L".bench");
    if (!sBehaviour.empty()) {
        std::swscanf(sBehaviour.c_str(), L"sleep=%lu exit=%lu look=%lu refresh=%lu hold=%lu",
                     &sleepMs, &exitCode, &look, &refresh, &hold);
    }
    const std::wstring sOwnFolder = sPath.substr(0, sPath.find_last_of(L'\\'));
    if (refresh != 0) {
        RecordComponentVersions(sOwnFolder);
    }
    std::vector<KV_Api::UniqueHandle> held;
    for (const std::wstring& sComp :
         hold != 0 ? Components(sOwnFolder) : std::vector<std::wstring>{}) {
        held.emplace_back(CreateFileW((sOwnFolder + L"\\" + sComp).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    const std::wstring sSeen = sFolder + L"\\seen.txt";
    if (look != 0) {
        Sleep(500); // the launcher paints its dialog while it waits for us
        EnumWindows(RecordWaitDialog, reinterpret_cast<LPARAM>(&sSeen));
    }
    Sleep(sleepMs);
    if (look == 2) {
        // A launcher that waits for us still shows its dialog now.
        EnumWindows(RecordWaitDialog, reinterpret_cast<LPARAM>(&sSeen));
    }
    return static_cast<int>(exitCode);
}
