#include "KV_ZudIviParts.h"

#include "KV_Api.h"

namespace KV_ZudIviMain {

bool WaitForProcess(HANDLE hProcess, std::wstring& sMessage, std::int32_t lTimeoutMs) {
    bool bResult = true;
    const DWORD start = KV_Api::Milliseconds();
    DWORD exitCode = 0;
    bool bEnded = false;
    do {
        if (!GetExitCodeProcess(hProcess, &exitCode)) {
            // Without an exit code nothing says the program has ended.
            sMessage = KV_Api::SystemMessage(GetLastError());
            return false;
        }
        // A program may itself end with the code that means "still active":
        // only its signalled handle tells that it has ended.
        bEnded = exitCode != STILL_ACTIVE || WaitForSingleObject(hProcess, 0) == WAIT_OBJECT_0;
        KV_Api::ProcessPendingMessages();
        Sleep(100);
        // Unsigned difference: right across a wrap of the 32-bit counter.
        const DWORD elapsed = KV_Api::Milliseconds() - start;
        if (static_cast<std::int64_t>(elapsed) > lTimeoutMs) {
            sMessage = kTimedOut;
            bEnded = true;
            bResult = false;
        }
    } while (!bEnded);
    return bResult;
}

bool RunAndWait(const std::wstring& sCommand, std::int32_t lWindowStyle, std::wstring& sMessage,
                std::int32_t lTimeoutMs) {
    try {
        const std::wstring sProgram = ProgramOf(sCommand);
        const WORD wShow = static_cast<WORD>(lWindowStyle);
        DWORD pid = 0;
        KV_Api::UniqueHandle process;
        const DWORD dwRefusal = KV_Api::TryStartProgram(sProgram, sCommand, wShow, pid);
        if (dwRefusal == KV_Api::kElevationRequired) {
            // A program that must run as administrator (its manifest says so,
            // or Windows takes it for a setup by its name) is refused a plain
            // start. The shell asks the user's consent, starts it and hands
            // back its process: one of another integrity level could not be
            // opened by its id for querying.
            process = KV_Api::ShellStartProgram(sProgram, ArgumentsOf(sCommand), wShow);
        } else if (dwRefusal != ERROR_SUCCESS) {
            KV_Api::RaiseWin32(dwRefusal);
        } else {
            process.Reset(OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid));
        }
        if (!process) {
            sMessage = L"This program could not determine whether the process started."
                       L"Please watch the program and check it completes.";
            return false;
        }
        return WaitForProcess(process.Get(), sMessage, lTimeoutMs);
    } catch (...) {
        sMessage = KV_Api::CurrentErrorDescription();
        return false;
    }
}

} // namespace KV_ZudIviMain
