#pragma once
// The floors' start of the client: Morvane.exe from the program's own folder,
// with the arguments it was given after it. Only kernel32, so that a floor
// loads nothing the launcher would not.
#include <windows.h>

#include <string>

inline bool StartClient(const wchar_t* pArguments) {
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
        return false;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
