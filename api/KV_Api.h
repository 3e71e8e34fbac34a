#pragma once
// The operating-system services the rest of the program calls: text
// conversion at the narrow (ANSI) functions, platform error texts, small
// owners for handles and COM pointers, files, processes and message boxes.

#include "KV_Error.h"

#include <windows.h>

#include <objbase.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace KV_Api {

// The title of every message box that sets none of its own.
inline constexpr const wchar_t* kAppTitle = L"KV_ZudIviPrj";

// Conversion to and from the system's ANSI code page, for the narrow
// registry, profile, environment and shell functions. ToAnsi is exact: a
// character the code page can't hold is never replaced, neither by a
// look-alike ("Ω" by "O", a full-width "／" by "/") nor by '?', since the
// narrow function would then act on another file, key or text.
// False, with sAnsi empty, when the code page can't hold the text.
bool ToAnsi(std::wstring_view sText, std::string& sAnsi);
// The same; raises KV_Error 5 with a description that names the text.
std::string ToAnsi(std::wstring_view sText);
std::wstring FromAnsi(std::string_view sText);

// A file-system path for the narrow functions: its exact ANSI text, or else
// its short form (the short name of the deepest folder that exists, the rest
// as it is) when that one is exact, so that a folder named outside the code
// page is still reached. Raises KV_Error 5 naming the path when neither is.
std::string AnsiPath(const std::wstring& sPath);

// The platform's own description of a Win32 error code or an HRESULT.
std::wstring SystemMessage(DWORD dwCode);

// Raise KV_Error for a Win32 error code (GetLastError) or a failed HRESULT,
// with the platform's description; the source is the caller's place.
[[noreturn]] void RaiseWin32(DWORD dwCode, const KV_Place& where = KV_Place::current());
[[noreturn]] void RaiseHResult(HRESULT hr, const KV_Place& where = KV_Place::current());
inline void RaiseIfFailed(HRESULT hr, const KV_Place& where = KV_Place::current()) {
    if (FAILED(hr)) {
        RaiseHResult(hr, where);
    }
}

// The exception being handled as a KV_Error (any other kind with the
// platform's text for it), and its description, for the handlers that show
// it. Call only inside a catch block.
KV_Error CurrentError();
std::wstring CurrentErrorDescription();

// Whether an owner holds a handle: a kernel handle has two empty values.
template <class H> bool Held(H h) noexcept {
    return h != H{};
}
inline bool Held(HANDLE h) noexcept {
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

// Owns a handle that Close releases; move-only. Releasing keeps GetLastError, so a
// failure can still be raised after its handles are gone; Put releases first.
template <class H, auto Close> class Unique {
public:
    Unique() = default;
    explicit Unique(H h) noexcept : m_h(h) {}
    Unique(Unique&& other) noexcept : m_h(std::exchange(other.m_h, H{})) {}
    Unique& operator=(Unique&& other) noexcept {
        Reset(std::exchange(other.m_h, H{}));
        return *this;
    }
    ~Unique() { Reset(); }
    void Reset(H h = H{}) noexcept {
        if (Held(m_h)) {
            const DWORD dwError = GetLastError();
            Close(m_h);
            SetLastError(dwError);
        }
        m_h = h;
    }
    H Get() const noexcept { return m_h; }
    H* Put() noexcept {
        Reset();
        return &m_h;
    }
    explicit operator bool() const noexcept { return Held(m_h); }

private:
    H m_h{};
};
using UniqueHandle = Unique<HANDLE, &CloseHandle>;
using UniqueKey = Unique<HKEY, &RegCloseKey>;
using UniqueWindow = Unique<HWND, &DestroyWindow>;
using UniqueIcon = Unique<HICON, &DestroyIcon>;
using UniqueFont = Unique<HFONT, &DeleteObject>;

// Owns one reference to a COM interface.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* p) : m_p(p) {} // takes over the reference
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }
    void Reset() {
        if (m_p != nullptr) {
            std::exchange(m_p, nullptr)->Release();
        }
    }
    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    T** Put() {
        Reset();
        return &m_p;
    }
    explicit operator bool() const noexcept { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

// Owns a BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view sText);
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(m_b); }
    BSTR Get() const noexcept { return m_b; }
    BSTR* Put() {
        SysFreeString(std::exchange(m_b, nullptr));
        return &m_b;
    }
    std::wstring Text() const { return std::wstring(m_b, SysStringLen(m_b)); }

private:
    BSTR m_b = nullptr;
};

// The calling thread in a single-threaded COM apartment for the object's life.
class ComApartment {
public:
    ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() { CoUninitialize(); }
};

// One step on a thread of its own, in a single-threaded COM apartment that
// the thread enters and leaves, so that the caller can stop waiting for a
// step that hangs. Its text or its failure is all the two threads share; both
// hold it, so a worker given up still has somewhere to put it. A worker still
// running when its owner goes is left to end alone.
class Worker {
public:
    explicit Worker(std::function<std::wstring()> fnStep);
    // Waits at most dwMs for the step, apartment left, dispatching the window
    // messages meanwhile. True when it has ended.
    bool Wait(DWORD dwMs);
    // The step's text; raises its failure. Only once Wait returned true.
    std::wstring Result() const;
    // Whether the step has ended, without waiting.
    bool Ended() const noexcept;

private:
    struct Shared {
        std::function<std::wstring()> fnStep;
        std::variant<std::wstring, KV_Error> result;
    };
    static DWORD WINAPI Run(void* pShared);
    std::shared_ptr<Shared> m_shared;
    UniqueHandle m_thread;
};

// Ends the process at once, running nothing of its own any more: no other
// thread's code, no DLL's detach routine, no destructor.
[[noreturn]] void EndProcessNow(UINT uExitCode);

// Raise KV_Error for a failed COM call: the object's own description
// (IErrorInfo) when it supports one for the interface, else the system's.
[[noreturn]] void RaiseComCall(HRESULT hr, IUnknown* pObject, REFIID riid);

// The folder of the running executable, without a trailing separator.
std::wstring ExeFolder();

// The executable's file name without folder and extension.
std::wstring ExeBaseName();

// This machine's name, as a share on it is named (its NetBIOS name).
std::wstring ComputerName();

// Upper case as the user interface sees it (not just ASCII).
std::wstring UpperCase(std::wstring sText);

bool FileExists(const std::wstring& sPath);

// Deletes a file; a read-only file is refused like any other failure.
void DeleteFileOrRaise(const std::wstring& sPath);

// Starts a program, with the application path given apart from the command
// line so that a folder with spaces can never start another program.
// Returns the process id.
DWORD StartProgram(const std::wstring& sAppPath, const std::wstring& sCommandLine, WORD wShow);
// The same, with the platform's refusal as the result instead of raised:
// ERROR_SUCCESS and the process id in dwProcessId, or the error code.
DWORD TryStartProgram(const std::wstring& sAppPath, const std::wstring& sCommandLine, WORD wShow,
                      DWORD& dwProcessId);
// ERROR_ELEVATION_REQUIRED: the start of a program that must run as
// administrator, refused to a process that does not. MinGW's headers lack it.
inline constexpr DWORD kElevationRequired = 740;

// Starts a program through the shell (ShellExecuteExW, verb "open"), which
// asks for the user's consent, or an administrator's password, when the
// program must run as administrator. Returns its process, opened for waiting
// and querying; empty when the shell started it without handing one back.
// Raises with the platform's text when nothing was started, also when the
// user declined (ERROR_CANCELLED). The shell shows no error window of its own,
// and no zone warning for a program on a share named by address or full name.
UniqueHandle ShellStartProgram(const std::wstring& sFile, const std::wstring& sParameters,
                               WORD wShow);

// Copies one file through the shell (SHFileOperationA, FO_COPY): an existing
// target is replaced and a missing target folder created without a question;
// what goes wrong the shell shows in its own window, without owner, unless
// bSilent, which shows no window at all. True only when the shell reports
// success and that nothing was aborted. A path with no exact ANSI form
// (AnsiPath) raises before anything is copied, and so does a shell library
// that can't be loaded.
bool ShellFileCopy(const std::wstring& sFrom, const std::wstring& sTo, bool bSilent = false);

// The multimedia timer's millisecond count (timeGetTime); the tick count when
// the multimedia library can't be loaded.
DWORD Milliseconds();

// Lets the window messages that are waiting be dispatched once.
void ProcessPendingMessages();

// A modal message box without owner; returns the button pressed.
int ShowMessage(const std::wstring& sText, const wchar_t* sTitle, UINT uType);

} // namespace KV_Api
