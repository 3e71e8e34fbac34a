#pragma once
// The start-up module: the whole run of the launcher, its module state, and
// the pieces of it that need no Windows (version lookup, switches, the
// component list).

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

// Where the settings live before the first run has moved them into the
// settings files (under HKEY_LOCAL_MACHINE).
inline constexpr const wchar_t* kSettingsKey = L"Software\\Brenvask\\Morvane Pro\\";

// The launcher's run, from process start to its end. Every failure ends in one
// message box; nothing escapes.
void Main();

// The version of the first item of the list whose name (the text before its
// first ':', spaces around it ignored) equals the key without its surrounding
// spaces. An item without ':' gives the whole item. Raises KV_Error 5 when no
// item has that name.
std::wstring GetVrs(const std::wstring& sLstVrs, const std::wstring& sKey);

struct Switches {
    std::wstring sNomSrvApl; // upper case, as the working copy holds it
    bool bDebug = false;
};

// The switches in the upper-cased working copy of the command line:
// "NOMSRVAPL=" anywhere, its value up to the next space; "/ESDBG" only in the
// text after "NOMSRVAPL=" when that switch is present.
Switches ReadSwitches(const std::wstring& sWorkingCopy);

// The arguments of a process command line: the text after the program name
// and the blanks that follow it, unchanged.
std::wstring ArgumentsOf(const std::wstring& sProcessCommandLine);

// The program of a command line: its first word, or the quoted text when it
// starts with a quote, without the quotes.
std::wstring ProgramOf(const std::wstring& sCommandLine);

// Splits the next name off a component list: the text before the first
// comma, without its surrounding spaces, erased from the list with its comma.
// Empty when the list has ended, or at an empty item.
std::wstring TakeNextComponent(std::wstring& sRemaining);

// Whether a component name would lead out of the folder it is joined to: a
// path from a root, a drive, a share or a stream, or a ".." segment. A
// subfolder ("Rep\R1.dll") stays inside.
bool LeadsOutOfFolder(const std::wstring& sComp);

// Whether some segment of a component name can't be the name of a file of its
// own: a device name (CON, NUL.dll, COM1, ... in any letter case), a character
// no file name holds (wildcards among them), a trailing dot or space, or
// nothing at all (two separators in a row, or one at the end).
bool IsNotAFileName(const std::wstring& sComp);

// The component pass over "LSTCOMP": copies every component whose installed
// version differs from the server's, after one question. True when it reached
// the end of its list; false after No or a failure, which it has shown in a
// box titled "VrfComps".
bool VrfComps(const std::wstring& sLstVrs);

} // namespace KV_ZudIviMain

#ifdef _WIN32
#include <windows.h>

namespace KV_ZudIviMain {

// Starts the command with the window style (1: normal, with focus) and waits
// for the program to end, letting window messages through every 100 ms.
// True when it ended within lTimeoutMs; otherwise false with the reason in
// sMessage, which success leaves untouched. The program is never stopped.
bool RunAndWait(const std::wstring& sCommand, std::int32_t lWindowStyle, std::wstring& sMessage,
                std::int32_t lTimeoutMs);

// Raises KV_Error 5 when a component name can't be copied in: it leads out
// of the application folder or is no file name (see above).
void CheckComponentName(const std::wstring& sComp);

// The name beside a copy's target under which the copy is made before it
// replaces the target. A component name never holds a comma.
inline constexpr const wchar_t* kStagingSuffix = L",KV_ZudIvi.tmp";

// Copies sFrom over sTo whole or not at all: the shell copies the file to
// sTo + kStagingSuffix, and only a regular file of the source's size then
// takes the target's place, in one rename. False when the copy was not made;
// sTo is then as it was, no staging file is left, and dwError holds the
// platform's reason, or 0 when there is none beyond what the shell showed.
bool CopyWhole(const std::wstring& sFrom, const std::wstring& sTo, DWORD& dwError);

// Copies the component from the server's "Fix" folder into the application
// folder, whole or not at all. Raises KV_Error when the name is refused
// (before anything is copied) or when the copy was not made.
void CopyComp(const std::wstring& sComp);

// The wait of RunAndWait on a process opened for querying and waiting
// (SYNCHRONIZE): it has ended when its handle is signalled, whatever its exit
// code.
bool WaitForProcess(HANDLE hProcess, std::wstring& sMessage, std::int32_t lTimeoutMs);

} // namespace KV_ZudIviMain
#endif
