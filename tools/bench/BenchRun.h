#pragma once
// Runs a program of the build under the bench and deals with the message
// boxes it shows: each one is read (title, text, buttons, default, icon) and
// answered by a callback, as a person at the screen would.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace KV_Bench {

struct DialogSeen {
    std::wstring sTitle;
    std::wstring sText;
    std::vector<int> buttons; // control ids of the visible buttons (IDOK, IDYES, ...)
    int iDefault = 0;         // id of the default button, 0 when none
    bool bIcon = false;       // an icon is shown beside the text
    bool bOwned = false;      // the box has an owner window
    HWND hwnd = nullptr;
    int iRun = 0; // whose box it is, of the runs started together
};

// A readable one-line form, UTF-8, for test messages and the demo's output.
std::string Describe(const DialogSeen& dialog);

// Loads the DLL, calls its entry (DllRegisterServer, DllUnregisterServer) and
// unloads it.
HRESULT CallDllEntry(const std::wstring& sDll, const char* sEntry);

// Waits up to dwLimitMs for a dialog of the process, reads it and presses the
// button; an empty DialogSeen (no hwnd) when none came.
DialogSeen AnswerNextDialog(DWORD dwProcessId, int iButton, DWORD dwLimitMs = 10000);

struct RunResult {
    bool bEnded = false;             // false: still running at the time limit, then killed
    bool bJournaled = false;         // the wait-dialog journal was hooked into it
    DWORD dwExitCode = STILL_ACTIVE; // once ended
    // The programs it started (the version component's local server, which
    // the platform starts, aside): running as it ended, and not ended by the
    // time limit.
    std::vector<std::wstring> runningAtEnd;
    std::vector<std::wstring> stillRunning;
};

// Waits, up to dwLimitMs, until no process runs the program of that file name.
void WaitUntilNotRunning(const wchar_t* sExeName, DWORD dwLimitMs);

// Which button to press on a dialog; 0 leaves it standing for now, to be
// asked again.
using Answerer = std::function<int(const DialogSeen&)>;

// Writes what the screen shows of the window, frame included, as a PNG file.
void SaveScreenshot(HWND hwnd, const std::wstring& sPngPath);

// The name of the next picture told in a report file: "NN-<kind>.png", NN the
// number of the report's line to come, so that pictures taken by different
// processes that write the same report are numbered in the order they were told.
std::wstring NextPictureName(const std::wstring& sReport, const wchar_t* sKind);

// Starts sExe with the arguments, answers every dialog it shows, and waits
// for it and the programs it starts to end, for at most dwLimitMs. The
// bench's journal (KV_WaitJournal.dll beside the calling program) is hooked
// into its thread, to write down every wait dialog as it goes, however
// briefly it was up. So is KV_ElevationBench.dll, which acts only when the
// bench folder asks it to. Environment and working folder are the caller's.
RunResult RunAnswering(const std::wstring& sExe, const std::wstring& sArguments, Answerer answer,
                       DWORD dwLimitMs = 60000);

// Starts count copies of sExe at once and runs each as RunAnswering does,
// except that a first box is held until every run still going shows one, so
// that they really overlap; then all of them are answered together.
std::vector<RunResult> RunTogether(const std::wstring& sExe, const std::wstring& sArguments,
                                   int count, Answerer answer, DWORD dwLimitMs = 60000);

} // namespace KV_Bench
