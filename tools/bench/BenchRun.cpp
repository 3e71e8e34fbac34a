#include "BenchRun.h"

#include "BenchFiles.h"
#include "KV_Api.h"

#include <tlhelp32.h>

#include <cstddef>
#include <stdexcept>

namespace KV_Bench {

namespace {

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// Window text through WM_GETTEXT, which crosses process boundaries.
std::wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(copied);
    return text;
}

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindTopDialog(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32770") {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK InspectChild(HWND child, LPARAM param) {
    auto* dialog = reinterpret_cast<DialogSeen*>(param);
    if (!IsWindowVisible(child)) {
        return TRUE;
    }
    const std::wstring name = ClassOf(child);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    if (_wcsicmp(name.c_str(), L"Button") == 0) {
        const int id = GetDlgCtrlID(child);
        dialog->buttons.push_back(id);
        if ((style & 0x0F) == BS_DEFPUSHBUTTON && dialog->iDefault == 0) {
            dialog->iDefault = id;
        }
    } else if (_wcsicmp(name.c_str(), L"Static") == 0) {
        if ((style & SS_TYPEMASK) == SS_ICON) {
            DWORD_PTR icon = 0;
            SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon);
            dialog->bIcon = dialog->bIcon || icon != 0;
        } else {
            const std::wstring text = TextOf(child);
            if (!text.empty()) {
                dialog->sText += text;
            }
        }
    }
    return TRUE;
}

} // namespace

std::string Describe(const DialogSeen& dialog) {
    const auto name = [](int id) {
        return id == IDOK       ? "OK"
               : id == IDYES    ? "Yes"
               : id == IDNO     ? "No"
               : id == IDCANCEL ? "Cancel"
               : id == 0        ? "none"
                                : "?";
    };
    std::string buttons;
    for (int id : dialog.buttons) {
        buttons += buttons.empty() ? "" : ", ";
        buttons += name(id);
    }
    std::string line = "[";
    line += Utf8(dialog.sTitle);
    line += "] \"";
    line += Utf8(dialog.sText);
    line += "\" buttons: ";
    line += buttons;
    line += " (default ";
    line += name(dialog.iDefault);
    line += dialog.bIcon ? "), icon" : "), no icon";
    return line;
}

HRESULT CallDllEntry(const std::wstring& sDll, const char* sEntry) {
    const KV_Api::Unique<HMODULE, &FreeLibrary> module(LoadLibraryW(sDll.c_str()));
    if (!module) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    auto* entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module.Get(), sEntry)));
    return entry != nullptr ? entry() : E_NOINTERFACE;
}

namespace {

HWND FindDialogOf(DWORD dwProcessId) {
    Search search{dwProcessId, nullptr};
    EnumWindows(FindTopDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DialogSeen Inspect(HWND hwnd) {
    DialogSeen dialog;
    dialog.hwnd = hwnd;
    dialog.sTitle = TextOf(hwnd);
    dialog.bOwned = GetWindow(hwnd, GW_OWNER) != nullptr;
    EnumChildWindows(hwnd, InspectChild, reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}

// A CBT procedure of a DLL beside the bench, hooked into one thread; the
// hook goes before its module.
struct CbtHook {
    KV_Api::Unique<HMODULE, &FreeLibrary> module;
    KV_Api::Unique<HHOOK, &UnhookWindowsHookEx> hook;
};
CbtHook HookCbt(const wchar_t* sDll, const char* sProc, DWORD dwThreadId) {
    CbtHook cbt{KV_Api::Unique<HMODULE, &FreeLibrary>(
                    LoadLibraryW((ModuleFolder(nullptr) + L"\\" + sDll).c_str())),
                {}};
    const auto proc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(cbt.module ? GetProcAddress(cbt.module.Get(), sProc) : nullptr));
    if (proc != nullptr) {
        cbt.hook.Reset(SetWindowsHookExW(WH_CBT, proc, cbt.module.Get(), dwThreadId));
    }
    return cbt;
}

void Press(HWND hwnd, int iButton) {
    PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(iButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd, iButton)));
}

} // namespace

DialogSeen AnswerNextDialog(DWORD dwProcessId, int iButton, DWORD dwLimitMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < dwLimitMs) {
        if (HWND hwnd = FindDialogOf(dwProcessId)) {
            Sleep(100); // let the box finish laying itself out
            DialogSeen dialog = Inspect(hwnd);
            Press(hwnd, iButton);
            return dialog;
        }
        Sleep(50);
    }
    return DialogSeen();
}

namespace {

// One program under the bench: its job (it and all it starts), the journal
// and the elevation stand-in hooked into its thread, and the box last answered.
struct Started {
    KV_Api::UniqueHandle job, process, thread;
    CbtHook journal, elevation;
    DWORD dwProcessId = 0;
    HWND answered = nullptr;
    bool bAsked = false; // it has shown a box
    bool bDone = false;  // it and what it started have ended, or were given up
    RunResult result;
};

void Start(Started& run, const std::wstring& sExe, const std::wstring& sArguments) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring sCommandLine = L"\"" + sExe + L"\"";
    if (!sArguments.empty()) {
        sCommandLine += L" " + sArguments;
    }
    // The program and all it starts share a job, so the run can wait for
    // the programs it started too.
    run.job.Reset(CreateJobObjectW(nullptr, nullptr));
    if (!run.job || !CreateProcessW(sExe.c_str(), sCommandLine.data(), nullptr, nullptr, FALSE,
                                    CREATE_SUSPENDED, nullptr, nullptr, &startup, &info)) {
        throw std::runtime_error("cannot start " + Utf8(sExe) + ": " +
                                 Utf8(KV_Api::SystemMessage(GetLastError())));
    }
    run.process.Reset(info.hProcess);
    run.thread.Reset(info.hThread);
    run.dwProcessId = info.dwProcessId;
    AssignProcessToJobObject(run.job.Get(), run.process.Get());
    run.journal = HookCbt(L"KV_WaitJournal.dll", "WaitJournalCbt", info.dwThreadId);
    run.elevation = HookCbt(L"KV_ElevationBench.dll", "ElevationCbt", info.dwThreadId);
    run.result.bJournaled = static_cast<bool>(run.journal.hook);
}

// The programs the run started that are running, by their full paths. The
// version component's local server is not among them: Wine starts it from
// the process that activates it, where Windows starts it from its own
// service, and it ends on its own time.
std::vector<std::wstring> StartedRunning(HANDLE job) {
    // The list's ids follow its head: read through a buffer of its own size,
    // never past the one id its declaration holds.
    constexpr DWORD kIds = 64;
    std::vector<ULONG_PTR> buffer(kIds +
                                  sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) / sizeof(ULONG_PTR));
    auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
    list->NumberOfAssignedProcesses = kIds;
    QueryInformationJobObject(job, JobObjectBasicProcessIdList, list,
                              static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR)), nullptr);
    const ULONG_PTR* ids =
        buffer.data() +
        offsetof(JOBOBJECT_BASIC_PROCESS_ID_LIST, ProcessIdList) / sizeof(ULONG_PTR);
    std::vector<std::wstring> running;
    for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) {
        const KV_Api::UniqueHandle p(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(ids[i])));
        wchar_t name[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (p) {
            QueryFullProcessImageNameW(p.Get(), 0, name, &size);
        }
        if (!std::wstring_view(name).ends_with(L"\\KV_VrfVrsServer.exe")) {
            running.push_back(name);
        }
    }
    return running;
}

} // namespace

std::vector<RunResult> RunTogether(const std::wstring& sExe, const std::wstring& sArguments,
                                   int count, Answerer answer, DWORD dwLimitMs) {
    // Wine starts its desktop process when a program first needs it and ends
    // it when the session has been idle for a while. Started by the program,
    // it would land in its job and count as a program left running.
    GetDesktopWindow();
    std::vector<Started> runs(static_cast<std::size_t>(count));
    for (Started& run : runs) {
        Start(run, sExe, sArguments);
    }
    for (Started& run : runs) {
        ResumeThread(run.thread.Get());
    }
    const DWORD dwStart = GetTickCount();
    for (std::size_t left = runs.size(); left > 0;) {
        Sleep(50);
        const bool bLate = GetTickCount() - dwStart > dwLimitMs;
        // A first box waits until every run that goes on shows one.
        bool bAllAsked = true;
        std::vector<HWND> boxes(runs.size());
        for (std::size_t i = 0; i < runs.size(); ++i) {
            Started& run = runs[i];
            if (run.bDone) {
                continue;
            }
            if (!run.result.bEnded && WaitForSingleObject(run.process.Get(), 0) != WAIT_TIMEOUT) {
                run.result.bEnded = true;
                GetExitCodeProcess(run.process.Get(), &run.result.dwExitCode);
                run.result.runningAtEnd = StartedRunning(run.job.Get());
            }
            // An ended run is done once what it started has ended too, or at
            // the limit; meanwhile the other runs' boxes are answered.
            if (run.result.bEnded) {
                if (StartedRunning(run.job.Get()).empty() || bLate) {
                    if (bLate) {
                        run.result.stillRunning = StartedRunning(run.job.Get());
                    }
                    run.bDone = true;
                    --left;
                }
                continue;
            }
            if (bLate) {
                TerminateProcess(run.process.Get(), 1);
                WaitForSingleObject(run.process.Get(), 5000);
                run.bDone = true;
                --left;
                continue;
            }
            if (run.answered != nullptr && IsWindow(run.answered)) {
                continue; // the last box is still closing
            }
            run.answered = nullptr;
            boxes[i] = FindDialogOf(run.dwProcessId);
            bAllAsked = bAllAsked && (run.bAsked || boxes[i] != nullptr);
        }
        // Read every box due first and press them all after, so that runs let
        // go together go on together.
        std::vector<std::pair<std::size_t, int>> presses;
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (boxes[i] == nullptr || (!runs[i].bAsked && !bAllAsked)) {
                continue;
            }
            if (presses.empty()) {
                Sleep(100); // let the boxes finish laying themselves out
            }
            DialogSeen dialog = Inspect(boxes[i]);
            dialog.iRun = static_cast<int>(i);
            if (const int iButton = answer(dialog); iButton != 0) {
                presses.emplace_back(i, iButton);
            }
        }
        for (const auto& [i, iButton] : presses) {
            Press(boxes[i], iButton);
            runs[i].answered = boxes[i];
            runs[i].bAsked = true;
        }
    }
    std::vector<RunResult> results;
    for (Started& run : runs) {
        results.push_back(run.result);
    }
    return results;
}

void WaitUntilNotRunning(const wchar_t* sExeName, DWORD dwLimitMs) {
    for (const DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < dwLimitMs; Sleep(100)) {
        const KV_Api::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        bool bRunning = false;
        for (BOOL bMore = Process32FirstW(snapshot.Get(), &entry); bMore && !bRunning;
             bMore = Process32NextW(snapshot.Get(), &entry)) {
            bRunning = _wcsicmp(entry.szExeFile, sExeName) == 0;
        }
        if (!bRunning) {
            return;
        }
    }
}

RunResult RunAnswering(const std::wstring& sExe, const std::wstring& sArguments, Answerer answer,
                       DWORD dwLimitMs) {
    return RunTogether(sExe, sArguments, 1, std::move(answer), dwLimitMs).front();
}

} // namespace KV_Bench
