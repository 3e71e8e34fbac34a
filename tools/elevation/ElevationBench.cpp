// Hooked into the launcher's thread by the bench, as the wait-dialog journal
// is: when %KV_BENCH_DIR%\elevation.txt exists, the launcher's process is
// made to meet a setup that must run as administrator, as on Windows with
// UAC. Its own import of CreateProcessW refuses an application named
// Setup.exe with ERROR_ELEVATION_REQUIRED and starts anything else. The
// shell's own start is left alone, so ShellExecuteExW starts the setup. When
// the file says "decline", the ShellExecuteExW that the launcher's
// GetProcAddress gives stands for the consent prompt answered No: it starts
// nothing and fails with ERROR_CANCELLED. Every refusal is one UTF-8 line of
// %KV_BENCH_DIR%\refused.txt: "<function>: <program>".
// Two more stand-ins, each when its file exists in %KV_BENCH_DIR%:
//   shell-window.txt  a component name: in the first launcher to copy it (the
//                     one that makes shell-window.claimed), the shell's copy
//                     of that component first shows an error window of its
//                     own, "Retry" and "Cancel", as the shell does; Retry
//                     goes on with the copy, Cancel aborts it
//   slow-writes.txt   each profile write (WritePrivateProfileStringA) takes
//                     300 ms longer, as on a slow or busy file server
//   copies.txt        each copy the shell makes appends its source, a line

#include "BenchFiles.h"
#include "KV_Api.h"

#include <windows.h>

#include <shellapi.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

using CreateProcessWFn = decltype(&CreateProcessW);
using GetProcAddressFn = decltype(&GetProcAddress);
using WriteProfileFn = decltype(&WritePrivateProfileStringA);
using FileOperationFn = int(WINAPI*)(LPSHFILEOPSTRUCTA);

CreateProcessWFn realCreateProcessW = nullptr;
GetProcAddressFn realGetProcAddress = nullptr;
WriteProfileFn realWriteProfile = nullptr;
FileOperationFn realFileOperation = nullptr;
bool bRefuse = false;
bool bDecline = false;
bool bSlowWrites = false;
bool bCountCopies = false;
std::string sWindowedCopy; // "\\<component>", the end of the source that meets the window
constexpr DWORD kElevationRequired = 740; // ERROR_ELEVATION_REQUIRED, not in MinGW's headers

template <class To, class From> To Cast(From f) {
    return reinterpret_cast<To>(reinterpret_cast<void (*)()>(f));
}

void Record(const wchar_t* sFunction, const std::wstring& sProgram) {
    KV_Bench::AppendUtf8Line(KV_Bench::EnvironmentValue(L"KV_BENCH_DIR") + L"\\refused.txt",
                             std::wstring(sFunction) + L": " + sProgram);
}

// Only the application name is looked at: a start that names its program
// only in the command line is not refused, and the row that expects the
// refusal fails.
bool IsSetup(const wchar_t* sApp) {
    const wchar_t* sName = sApp != nullptr ? std::wcsrchr(sApp, L'\\') : nullptr;
    return sName != nullptr && _wcsicmp(sName + 1, L"Setup.exe") == 0;
}

BOOL WINAPI RefusingCreateProcessW(LPCWSTR sApp, LPWSTR sCommandLine, LPSECURITY_ATTRIBUTES process,
                                   LPSECURITY_ATTRIBUTES thread, BOOL bInherit, DWORD dwFlags,
                                   LPVOID environment, LPCWSTR sFolder, LPSTARTUPINFOW startup,
                                   LPPROCESS_INFORMATION info) {
    if (bRefuse && IsSetup(sApp)) {
        Record(L"CreateProcessW", sApp);
        SetLastError(kElevationRequired);
        return FALSE;
    }
    return realCreateProcessW(sApp, sCommandLine, process, thread, bInherit, dwFlags, environment,
                              sFolder, startup, info);
}

// The consent prompt, answered No.
BOOL WINAPI DecliningShellExecuteExW(SHELLEXECUTEINFOW* info) {
    Record(L"ShellExecuteExW", info->lpFile != nullptr ? info->lpFile : L"");
    SetLastError(ERROR_CANCELLED);
    return FALSE;
}

BOOL WINAPI SlowWriteProfile(LPCSTR sSection, LPCSTR sKey, LPCSTR sValue, LPCSTR sFile) {
    const BOOL ok = realWriteProfile(sSection, sKey, sValue, sFile);
    Sleep(300);
    return ok;
}

// Whether this process is the one that meets the shell's window.
bool ClaimWindow() {
    const std::wstring sClaim =
        KV_Bench::EnvironmentValue(L"KV_BENCH_DIR") + L"\\shell-window.claimed";
    const KV_Api::UniqueHandle claim(
        CreateFileW(sClaim.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    return static_cast<bool>(claim);
}

int WINAPI WindowedFileOperation(LPSHFILEOPSTRUCTA operation) {
    const std::string sFrom = operation->pFrom != nullptr ? operation->pFrom : "";
    if (bCountCopies) {
        KV_Bench::AppendUtf8Line(KV_Bench::EnvironmentValue(L"KV_BENCH_DIR") + L"\\copies.txt",
                                 std::wstring(sFrom.begin(), sFrom.end()));
    }
    if (!sWindowedCopy.empty() && sFrom.ends_with(sWindowedCopy) && ClaimWindow() &&
        MessageBoxW(nullptr, L"No se puede copiar el archivo: el origen está en uso.",
                    L"Error al copiar el archivo", MB_RETRYCANCEL | MB_ICONERROR) != IDRETRY) {
        operation->fAnyOperationsAborted = TRUE;
        return ERROR_CANCELLED;
    }
    return realFileOperation(operation);
}

FARPROC WINAPI ReplacingGetProcAddress(HMODULE module, LPCSTR sName) {
    const FARPROC found = realGetProcAddress(module, sName);
    if (found == nullptr || IS_INTRESOURCE(sName)) {
        return found;
    }
    if (bDecline && std::strcmp(sName, "ShellExecuteExW") == 0) {
        return Cast<FARPROC>(&DecliningShellExecuteExW);
    }
    if ((bCountCopies || !sWindowedCopy.empty()) && std::strcmp(sName, "SHFileOperationA") == 0) {
        realFileOperation = Cast<FileOperationFn>(found);
        return Cast<FARPROC>(&WindowedFileOperation);
    }
    return found;
}

template <class T> T* At(HMODULE module, DWORD dwOffset) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + dwOffset);
}

// Points the module's import entries of the functions it stands in for, by name, at
// the replacements, keeping what they held to call on.
void PatchImports(HMODULE module) {
    const auto* nt = At<IMAGE_NT_HEADERS>(module, At<IMAGE_DOS_HEADER>(module, 0)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* library = At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress);
         imports.VirtualAddress != 0 && library->Name != 0; ++library) {
        if (library->OriginalFirstThunk == 0) {
            continue; // no names to go by
        }
        auto* name = At<IMAGE_THUNK_DATA>(module, library->OriginalFirstThunk);
        auto* entry = At<IMAGE_THUNK_DATA>(module, library->FirstThunk);
        for (; name->u1.AddressOfData != 0; ++name, ++entry) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) {
                continue;
            }
            const char* sName =
                At<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(name->u1.AddressOfData))->Name;
            const auto held = reinterpret_cast<void (*)()>(entry->u1.Function);
            void (*replacement)() = nullptr;
            if (std::strcmp(sName, "CreateProcessW") == 0) {
                realCreateProcessW = Cast<CreateProcessWFn>(held);
                replacement = Cast<void (*)()>(&RefusingCreateProcessW);
            } else if (std::strcmp(sName, "GetProcAddress") == 0) {
                realGetProcAddress = Cast<GetProcAddressFn>(held);
                replacement = Cast<void (*)()>(&ReplacingGetProcAddress);
            } else if (bSlowWrites && std::strcmp(sName, "WritePrivateProfileStringA") == 0) {
                realWriteProfile = Cast<WriteProfileFn>(held);
                replacement = Cast<void (*)()>(&SlowWriteProfile);
            }
            if (replacement == nullptr) {
                continue;
            }
            DWORD dwWas = 0;
            VirtualProtect(&entry->u1.Function, sizeof(entry->u1.Function), PAGE_READWRITE, &dwWas);
            entry->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&entry->u1.Function, sizeof(entry->u1.Function), dwWas, &dwWas);
        }
    }
}

// Once per process, on the hooked thread, before the launcher's first window.
bool Prepare() {
    const std::wstring sBench = KV_Bench::EnvironmentValue(L"KV_BENCH_DIR");
    const std::wstring sOrder = KV_Bench::ReadUtf8File(sBench + L"\\elevation.txt");
    const std::wstring sWindowed = KV_Bench::ReadUtf8File(sBench + L"\\shell-window.txt");
    bRefuse = !sOrder.empty();
    bDecline = sOrder.starts_with(L"decline");
    bSlowWrites = KV_Bench::PathExists(sBench + L"\\slow-writes.txt");
    bCountCopies = KV_Bench::PathExists(sBench + L"\\copies.txt");
    if (!sWindowed.empty()) {
        sWindowedCopy = KV_Bench::Ansi(L"\\" + sWindowed);
    }
    if (!bRefuse && !bSlowWrites && !bCountCopies && sWindowedCopy.empty()) {
        return false;
    }
    // The patched entries lead here for the rest of the process's life.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&Prepare), &self);
    PatchImports(GetModuleHandleW(nullptr));
    return true;
}

} // namespace

extern "C" LRESULT CALLBACK ElevationCbt(int code, WPARAM wParam, LPARAM lParam) {
    static const bool bPrepared = Prepare();
    static_cast<void>(bPrepared);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
