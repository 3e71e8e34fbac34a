#pragma once
// The start-up module: the whole run of the launcher, its module state, the
// version lookup, the component pass and the wait for a program. The pieces
// its routines share, and the tests reach, are in KV_ZudIviParts.h.

#include <cstdint>
#include <string>

namespace KV_ZudIviMain {

// Module state: set by Main, read by the component pass.
extern std::wstring gsIniFile;    // <application folder>\Morvane.ini
extern std::wstring gsVrsIniFile; // <application folder>\MorvaneVrs.ini
extern std::wstring gsNomSrvApl;  // application server; empty means this machine
extern bool gbIniExists;          // the settings file is this run's settings store
extern bool gbVrsIniExists;       // the versions file existed at start-up
extern bool gbDebug;              // "/ESDBG": the component pass writes a log
extern bool gbQuiet;              // "/ESDES": unattended, no window; the outcome is the exit code

// The launcher's run, from process start to its end; its result is the
// process's exit code. Every failure ends in one message box, or unattended
// in the exit code and a line of the day's log; nothing escapes.
int Main();

// The version of the first item of the list whose name (the text before its
// first ':', spaces around it ignored) equals the key without its surrounding
// spaces. An item without ':' gives the whole item. Raises KV_Error 5 when no
// item has that name.
std::wstring GetVrs(const std::wstring& sLstVrs, const std::wstring& sKey);

// The component pass over "LSTCOMP": copies every component whose installed
// version differs from the server's, after one question. True when it reached
// the end of its list; false after No or a failure, which it has shown in a
// box titled "VrfComps".
bool VrfComps(const std::wstring& sLstVrs);

// Starts the command with the window style (1: normal, with focus) and waits
// for the program to end, letting window messages through every 100 ms.
// A program that must run as administrator is started through the shell,
// which asks for consent; declined, it was not started. True when it ended
// within lTimeoutMs; otherwise false with the reason in sMessage (the
// platform's text when it could not be started), which success leaves
// untouched. The program is never stopped.
bool RunAndWait(const std::wstring& sCommand, std::int32_t lWindowStyle, std::wstring& sMessage,
                std::int32_t lTimeoutMs);

// Copies the component from the server's "Fix" folder into the application
// folder, whole or not at all. Raises KV_Error when the name is refused
// (before anything is copied) or when the copy was not made.
void CopyComp(const std::wstring& sComp);

} // namespace KV_ZudIviMain
