// The least a launcher can do: start Morvane.exe from its own folder with the
// command line it was given, and end. The launch benchmark measures the real
// launcher against it.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR pArguments, int) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring sFolder(path, n);
    sFolder.resize(sFolder.find_last_of(L'\\'));
    const std::wstring sClient = sFolder + L"\\Morvane.exe";
    std::wstring sCommand = sClient + L" " + pArguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(sClient.c_str(), sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
