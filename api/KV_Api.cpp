#include "KV_Api.h"

#include "KV_Error.h"

#include <shellapi.h>

#include <cstdio>
#include <new>
#include <vector>

namespace KV_Api {

bool ToAnsi(std::wstring_view sText, std::string& sAnsi) {
    sAnsi.clear();
    if (sText.empty()) {
        return true;
    }
    // UTF-8 as the ANSI code page holds every character: only a broken
    // surrogate can fail there, and it takes neither the best-fit flag nor
    // the default-character check.
    const UINT codePage = GetACP();
    const bool bUtf8 = codePage == CP_UTF8;
    const DWORD dwFlags = bUtf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* pUsedDefault = bUtf8 ? nullptr : &usedDefault;
    const int wide = static_cast<int>(sText.size());
    const int n = WideCharToMultiByte(codePage, dwFlags, sText.data(), wide, nullptr, 0, nullptr,
                                      pUsedDefault);
    if (n <= 0) {
        const DWORD dwError = GetLastError();
        if (dwError == ERROR_NO_UNICODE_TRANSLATION) {
            return false;
        }
        RaiseWin32(dwError);
    }
    if (usedDefault) {
        return false;
    }
    std::string result(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, dwFlags, sText.data(), wide, result.data(), n, nullptr, nullptr);
    sAnsi = std::move(result);
    return true;
}

// The description of a text the ANSI code page can't hold.
static std::wstring NotInCodePage(const wchar_t* sWhat, std::wstring_view sText,
                                  const wchar_t* sEnd) {
    return std::wstring(sWhat) + L" \"" + std::wstring(sText) +
           L"\" no se puede escribir en la página de códigos del sistema (" +
           std::to_wstring(GetACP()) + L")" + sEnd;
}

std::string ToAnsi(std::wstring_view sText) {
    std::string sAnsi;
    if (!ToAnsi(sText, sAnsi)) {
        throw KV_Error(KV_Error::kInvalidArgument, NotInCodePage(L"El texto", sText, L"."));
    }
    return sAnsi;
}

std::wstring FromAnsi(std::string_view sText) {
    if (sText.empty()) {
        return std::wstring();
    }
    const int narrow = static_cast<int>(sText.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, sText.data(), narrow, nullptr, 0);
    if (n <= 0) {
        RaiseWin32(GetLastError());
    }
    std::wstring result(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, sText.data(), narrow, result.data(), n);
    return result;
}

std::wstring SystemMessage(DWORD dwCode) {
    wchar_t* buffer = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, dwCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring sText;
    if (n > 0 && buffer != nullptr) {
        sText.assign(buffer, n);
    }
    LocalFree(buffer);
    while (!sText.empty() &&
           (sText.back() == L'\n' || sText.back() == L'\r' || sText.back() == L' ')) {
        sText.pop_back();
    }
    if (sText.empty()) {
        wchar_t code[32];
        std::swprintf(code, 32, L"Error 0x%08lX", static_cast<unsigned long>(dwCode));
        sText = code;
    }
    return sText;
}

void RaiseWin32(DWORD dwCode, const KV_Place& where) {
    throw KV_Error(static_cast<std::int32_t>(HRESULT_FROM_WIN32(dwCode)), SystemMessage(dwCode),
                   where);
}

void RaiseHResult(HRESULT hr, const KV_Place& where) {
    throw KV_Error(static_cast<std::int32_t>(hr), SystemMessage(static_cast<DWORD>(hr)), where);
}

KV_Error CurrentError() {
    try {
        throw;
    } catch (const KV_Error& e) {
        return e;
    } catch (const std::bad_alloc&) {
        return KV_Error(static_cast<std::int32_t>(E_OUTOFMEMORY),
                        SystemMessage(ERROR_NOT_ENOUGH_MEMORY));
    } catch (const std::exception& e) {
        return KV_Error(static_cast<std::int32_t>(E_FAIL), FromAnsi(e.what()));
    } catch (...) {
        return KV_Error(static_cast<std::int32_t>(E_UNEXPECTED),
                        SystemMessage(static_cast<DWORD>(E_UNEXPECTED)));
    }
}

std::wstring CurrentErrorDescription() {
    return CurrentError().Description();
}

Bstr::Bstr(std::wstring_view sText)
    : m_b(SysAllocStringLen(sText.data(), static_cast<UINT>(sText.size()))) {
    if (m_b == nullptr) {
        throw std::bad_alloc();
    }
}

ComApartment::ComApartment() {
    RaiseIfFailed(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

Worker::Worker(std::function<std::wstring()> fnStep)
    : m_shared(std::make_shared<Shared>(Shared{std::move(fnStep), std::wstring()})) {
    auto held = std::make_unique<std::shared_ptr<Shared>>(m_shared); // the thread's share
    m_thread.Reset(CreateThread(nullptr, 0, &Worker::Run, held.get(), 0, nullptr));
    if (!m_thread) {
        RaiseWin32(GetLastError());
    }
    held.release();
}

DWORD WINAPI Worker::Run(void* pShared) {
    const std::unique_ptr<std::shared_ptr<Shared>> held(
        static_cast<std::shared_ptr<Shared>*>(pShared));
    Shared& shared = **held;
    try {
        const ComApartment apartment;
        shared.result = shared.fnStep();
    } catch (...) {
        shared.result = CurrentError();
    }
    return 0;
}

bool Worker::Wait(DWORD dwMs) {
    const DWORD dwStart = GetTickCount();
    HANDLE thread = m_thread.Get();
    for (;;) {
        const DWORD dwElapsed = GetTickCount() - dwStart;
        const DWORD woken = MsgWaitForMultipleObjectsEx(
            1, &thread, dwElapsed < dwMs ? dwMs - dwElapsed : 0, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) {
            return true;
        }
        if (woken == WAIT_FAILED) {
            RaiseWin32(GetLastError());
        }
        if (woken != WAIT_OBJECT_0 + 1) {
            return false;
        }
        ProcessPendingMessages();
    }
}

bool Worker::Ended() const noexcept {
    return WaitForSingleObject(m_thread.Get(), 0) == WAIT_OBJECT_0;
}

std::wstring Worker::Result() const {
    if (const auto* error = std::get_if<KV_Error>(&m_shared->result)) {
        throw *error;
    }
    return std::get<std::wstring>(m_shared->result);
}

void EndProcessNow(UINT uExitCode) {
    TerminateProcess(GetCurrentProcess(), uExitCode);
    ExitProcess(uExitCode); // only if the process could not be terminated
}

void RaiseComCall(HRESULT hr, IUnknown* pObject, REFIID riid) {
    std::wstring sDescription;
    std::wstring sSource;
    ComPtr<ISupportErrorInfo> support;
    if (pObject != nullptr &&
        SUCCEEDED(pObject->QueryInterface(IID_ISupportErrorInfo,
                                          reinterpret_cast<void**>(support.Put()))) &&
        support->InterfaceSupportsErrorInfo(riid) == S_OK) {
        ComPtr<IErrorInfo> info;
        if (GetErrorInfo(0, info.Put()) == S_OK && info) {
            Bstr description;
            Bstr source;
            info->GetDescription(description.Put());
            info->GetSource(source.Put());
            sDescription = description.Text();
            sSource = source.Text();
        }
    }
    if (sDescription.empty()) {
        sDescription = SystemMessage(static_cast<DWORD>(hr));
    }
    throw KV_Error(static_cast<std::int32_t>(hr), sSource, sDescription);
}

static std::wstring ExePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            RaiseWin32(GetLastError());
        }
        if (n < buffer.size()) {
            return std::wstring(buffer.data(), n);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::wstring ExeFolder() {
    std::wstring sPath = ExePath();
    return sPath.substr(0, sPath.find_last_of(L'\\'));
}

std::wstring ExeBaseName() {
    std::wstring sName = ExePath();
    sName.erase(0, sName.find_last_of(L'\\') + 1);
    const std::size_t dot = sName.find_last_of(L'.');
    if (dot != std::wstring::npos) {
        sName.erase(dot);
    }
    return sName;
}

std::wstring ComputerName() {
    wchar_t sName[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(sName, &n)) {
        RaiseWin32(GetLastError());
    }
    return std::wstring(sName, n);
}

std::wstring UpperCase(std::wstring sText) {
    if (!sText.empty()) {
        CharUpperBuffW(sText.data(), static_cast<DWORD>(sText.size()));
    }
    return sText;
}

// The platform's short form of an existing path; empty when there is none.
static std::wstring ShortPath(const std::wstring& sPath) {
    const DWORD n = GetShortPathNameW(sPath.c_str(), nullptr, 0);
    if (n == 0) {
        return std::wstring();
    }
    std::wstring sShort(n, L'\0');
    const DWORD written = GetShortPathNameW(sPath.c_str(), sShort.data(), n);
    if (written == 0 || written >= n) {
        return std::wstring();
    }
    sShort.resize(written);
    return sShort;
}

std::string AnsiPath(const std::wstring& sPath) {
    std::string sAnsi;
    if (ToAnsi(sPath, sAnsi)) {
        return sAnsi;
    }
    // The short form is the platform's name of something that exists: that
    // of the deepest existing folder, with what lies below it (the file, maybe
    // still to be made) as it is. The search stops above the drive, as the
    // short form of "C:" would be that drive's current folder.
    for (std::size_t cut = sPath.find_last_of(L"\\/"); cut != std::wstring::npos && cut > 2;
         cut = sPath.find_last_of(L"\\/", cut - 1)) {
        const std::wstring sShort = ShortPath(sPath.substr(0, cut));
        if (!sShort.empty()) {
            if (ToAnsi(sShort + sPath.substr(cut), sAnsi)) {
                return sAnsi;
            }
            break;
        }
    }
    throw KV_Error(KV_Error::kInvalidArgument,
                   NotInCodePage(L"La ruta", sPath, L", ni en su forma corta."));
}

bool FileExists(const std::wstring& sPath) {
    const DWORD attributes = GetFileAttributesW(sPath.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void DeleteFileOrRaise(const std::wstring& sPath) {
    if (!DeleteFileW(sPath.c_str())) {
        RaiseWin32(GetLastError());
    }
}

DWORD TryStartProgram(const std::wstring& sAppPath, const std::wstring& sCommandLine, WORD wShow,
                      DWORD& dwProcessId) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = wShow;
    PROCESS_INFORMATION info{};
    std::wstring sWritable = sCommandLine; // CreateProcessW may write into it
    if (!CreateProcessW(sAppPath.c_str(), sWritable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        return GetLastError();
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    dwProcessId = info.dwProcessId;
    return ERROR_SUCCESS;
}

DWORD StartProgram(const std::wstring& sAppPath, const std::wstring& sCommandLine, WORD wShow) {
    DWORD dwProcessId = 0;
    if (const DWORD dwError = TryStartProgram(sAppPath, sCommandLine, wShow, dwProcessId)) {
        RaiseWin32(dwError);
    }
    return dwProcessId;
}

// A function of a system library, which is loaded from the system folder at
// the first call instead of at every start: the shell and the multimedia
// library cost a start about 12 ms under Wine, and most runs need neither.
// The library stays loaded, as an imported one would. Null when either can't
// be had, with the reason in GetLastError.
template <class Function> static Function SystemFunction(const wchar_t* sDll, const char* sName) {
    HMODULE module = LoadLibraryExW(sDll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        module = LoadLibraryW(sDll); // a Windows 7 without the search flags
    }
    const FARPROC proc = module != nullptr ? GetProcAddress(module, sName) : nullptr;
    // Through the generic function pointer type, the one cast GCC allows.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

DWORD Milliseconds() {
    static const auto timeGetTime = SystemFunction<DWORD(WINAPI*)()>(L"winmm.dll", "timeGetTime");
    return timeGetTime != nullptr ? timeGetTime() : GetTickCount();
}

UniqueHandle ShellStartProgram(const std::wstring& sFile, const std::wstring& sParameters,
                               WORD wShow) {
    static const auto shellExecuteEx =
        SystemFunction<BOOL(WINAPI*)(SHELLEXECUTEINFOW*)>(L"shell32.dll", "ShellExecuteExW");
    if (shellExecuteEx == nullptr) {
        RaiseWin32(GetLastError());
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // The launcher shows the one message of a failed start itself. It trusts
    // the server's share with its components already: a server named by its
    // full name or address is no reason for the shell's zone warning.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOZONECHECKS;
    info.lpVerb = L"open";
    info.lpFile = sFile.c_str();
    info.lpParameters = sParameters.empty() ? nullptr : sParameters.c_str();
    info.nShow = wShow;
    if (!shellExecuteEx(&info)) {
        const DWORD dwError = GetLastError();
        RaiseWin32(dwError != ERROR_SUCCESS ? dwError : ERROR_GEN_FAILURE);
    }
    return UniqueHandle(info.hProcess);
}

bool ShellFileCopy(const std::wstring& sFrom, const std::wstring& sTo, bool bSilent) {
    static const auto shFileOperation =
        SystemFunction<int(WINAPI*)(LPSHFILEOPSTRUCTA)>(L"shell32.dll", "SHFileOperationA");
    if (shFileOperation == nullptr) {
        RaiseWin32(GetLastError());
    }
    // Each field holds a list of names, closed by an empty name.
    std::string from = AnsiPath(sFrom);
    from.append(2, '\0');
    std::string to = AnsiPath(sTo);
    to.append(2, '\0');
    SHFILEOPSTRUCTA operation{};
    operation.hwnd = nullptr;
    operation.wFunc = FO_COPY;
    operation.pFrom = from.c_str();
    operation.pTo = to.c_str();
    operation.fFlags =
        static_cast<FILEOP_FLAGS>(FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR); // 0x250
    if (bSilent) {
        operation.fFlags |= FOF_SILENT | FOF_NOERRORUI;
    }
    operation.fAnyOperationsAborted = FALSE;
    operation.hNameMappings = nullptr;
    operation.lpszProgressTitle = nullptr;
    // The result is one of the shell's own codes, not a system error code, so
    // there is no platform text to give for it.
    const int result = shFileOperation(&operation);
    return result == 0 && !operation.fAnyOperationsAborted;
}

void ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

int ShowMessage(const std::wstring& sText, const wchar_t* sTitle, UINT uType) {
    return MessageBoxW(nullptr, sText.c_str(), sTitle, uType);
}

} // namespace KV_Api
