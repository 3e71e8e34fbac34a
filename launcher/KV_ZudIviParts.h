#pragma once
// The pieces of module KV_ZudIviMain that its routines share and its tests
// reach: the names of the world outside, and the small steps of the run.

#include "KV_ZudIviMain.h"

namespace KV_ZudIviMain {

// The names of the outside world, each said once. Files and programs are in
// the application folder.
inline constexpr const wchar_t* kSettingsKey = L"Software\\Brenvask\\Morvane Pro\\";
inline constexpr const wchar_t* kSection = L"General";
inline constexpr const wchar_t* kNomSrvApl = L"NomSrvApl"; // settings and registry values
inline constexpr const wchar_t* kVrsSis = L"VrsSis";       // and the server's list item
inline constexpr const wchar_t* kLstComp = L"LSTCOMP";
inline constexpr const wchar_t* kIniFile = L"Morvane.ini";
inline constexpr const wchar_t* kVrsIniFile = L"MorvaneVrs.ini";
inline constexpr const wchar_t* kClient = L"Morvane.exe";
inline constexpr const wchar_t* kRefreshTool = L"KV_DirAzevUvevIzi.exe";
inline constexpr const wchar_t* kClientShare = L"\\Morvane_Client\\"; // on the server
inline constexpr const wchar_t* kSetup = L"Setup.exe";
inline constexpr const wchar_t* kFixFolder = L"Fix\\";
inline constexpr const wchar_t* kLogPrefix = L"ZUDIVI";

// What the user is shown.
inline constexpr const wchar_t* kUpdateTitle = L"Actualización de Morvane Pro";
inline constexpr const wchar_t* kAskSetup =
    L"La versión de Morvane en su sistema es distinta a la instalada en el servidor, "
    L"¿Desea actualizarla en este momento?";
inline constexpr const wchar_t* kAskContinue =
    L"Falló la actualización de los componentes, ponganse en contacto con su "
    L"administrador, ¿Desea continuar?";
inline constexpr const wchar_t* kSetupCaption = L"Instalación";
inline constexpr const wchar_t* kSetupWait = L"Espere a que termine el proceso de instalación";
inline constexpr const wchar_t* kCopyTitle = L"Morvane";
inline constexpr const wchar_t* kAskCopy =
    L"Hay nuevas actualizaciones pendientes, desea copiarlas ahora?";
inline constexpr const wchar_t* kCopyCaption = L"Actualización de componentes";
inline constexpr const wchar_t* kCopying = L"Copiando ";
inline constexpr const wchar_t* kPassTitle = L"VrfComps";
// RunAndWait's message when the program ran past the limit.
inline constexpr const wchar_t* kTimedOut = L"The process has timed out.";
// While the server has not answered; the server is named, or "de este equipo".
inline constexpr const wchar_t* kConnectCaption = L"Conexión";
inline constexpr const wchar_t* kConnecting = L"Conectando con el servidor de aplicaciones ";
inline constexpr const wchar_t* kThisMachine = L"de este equipo";
inline constexpr const wchar_t* kServerIs = L"El servidor de aplicaciones ";
inline constexpr const wchar_t* kNoAnswerWithin = L" no respondió en ";
inline constexpr const wchar_t* kSeconds = L" segundos.";

// The server step (creation, call, release) runs on a worker: after
// kServerNoticeMs the user is told the launcher is connecting, after
// kServerLimitMs the run gives up. The notice comes late enough that a
// server started for this call, a second or two, shows nothing; the limit is
// longer than a healthy server's cold start on a slow network and shorter
// than the platform takes to give up on a machine that is off.
inline constexpr unsigned long kServerNoticeMs = 2500;
inline constexpr unsigned long kServerLimitMs = 20000;

// An unattended run waits this long for the refresh tool: it has the run's
// copies to record, and a hung one must not keep a scheduled task for ever.
inline constexpr std::int32_t kRefreshLimitMs = 600000;

// The unattended run's outcomes. Each has one exit code, the whole contract
// of a scheduled task or a deployment tool with the launcher, and the words
// of its line in the day's log.
enum class Outcome { Done, SetupNeeded, ComponentFailed, ServerFailed, Failed };
struct OutcomeRow {
    Outcome eOutcome;
    int iExitCode;
    const wchar_t* sText;
};
inline constexpr OutcomeRow kOutcomes[] = {
    {Outcome::Done, 0, L"al día"},
    {Outcome::SetupNeeded, 10, L"la versión del sistema difiere: hay que ejecutar la instalación"},
    {Outcome::ComponentFailed, 11, L"falló la actualización de los componentes"},
    {Outcome::ServerFailed, 12, L"falló el servidor de aplicaciones"},
    {Outcome::Failed, 13, L"falló el arranque"},
};

inline constexpr const wchar_t* kQuietSwitch = L"/ESDES";

struct Switches {
    std::wstring sNomSrvApl; // upper case, as the working copy holds it
    bool bDebug = false;
    bool bQuiet = false;
};

// The switches in the upper-cased working copy of the command line:
// "NOMSRVAPL=" anywhere, its value up to the next space; "/ESDBG" only in the
// text after "NOMSRVAPL=" when that switch is present; "/ESDES" anywhere.
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

} // namespace KV_ZudIviMain

#ifdef _WIN32
#include "KV_Api.h"

#include <windows.h>

namespace KV_ZudIviMain {

// "\\<server>\Morvane_Client\": the share of gsNomSrvApl, or, when no
// server is named, of this machine, where the version component is created
// then (unless its registration names another machine).
std::wstring ServerShare();

// The unattended run's end: its line in the day's log (the outcome's code
// and words, then sDetail), whatever "/ESDBG" says; the exit code. A log
// that can't be written does not change the code.
int EndUnattended(Outcome eOutcome, const std::wstring& sDetail);

// The settings reads and writes of the run: as ReadIniKey and WriteIniKey,
// except that an unattended run gets their failure raised instead of shown.
// A write is true when it was made.
std::wstring ReadSetting(const std::wstring& sIniFile, const std::wstring& sKey);
bool WriteSetting(const std::wstring& sIniFile, const std::wstring& sKey,
                  const std::wstring& sValue);

// Raises KV_Error 5 when a component name can't be copied in: it leads out
// of the application folder or is no file name (see above).
void CheckComponentName(const std::wstring& sComp);

// Every staging name is a copy's target, this mark, then ".tmp": a run's own
// staging folder ",KV_ZudIvi,<machine>,<process id>,<random>,<try>.tmp" holding
// the copy under the target's own name, or the staging files of earlier
// versions, ",KV_ZudIvi.tmp" and ",KV_ZudIvi,<process id>.tmp". A component
// name never holds a comma.
inline constexpr const wchar_t* kStagingMark = L",KV_ZudIvi";

// The lock on an installation folder, a file in the folder itself.
inline constexpr const wchar_t* kLockFile = L"KV_ZudIvi.lock";
// How long a run waits for the lock. It is held for a sweep and a replace
// only, so a wait this long means a run that is stuck, not a queue.
inline constexpr DWORD kLockLimitMs = 60000;

// The lock on an installation folder, one for every spelling of the folder
// and every machine that reaches it, owned from a successful Take to the end
// of the object's life; the system lets go of it when its process dies.
class FolderLock {
public:
    // Waits at most dwLimitMs, letting window messages through. False, with
    // dwError: ERROR_TIMEOUT past the limit, or the platform's reason when the
    // lock can't be had at all (a folder that can't be written).
    bool Take(const std::wstring& sFolder, DWORD dwLimitMs, DWORD& dwError);

private:
    KV_Api::UniqueHandle m_file;
};

// Copies sFrom over sTo whole or not at all: the shell copies the file into
// this run's own staging folder; then, holding the lock on sFolder (the
// installation folder), what dead runs left of sTo's staging is removed
// where it can be, and only a regular file of the source's size, flushed to
// disk, takes the target's place, in one rename, unless the target already
// holds the same bytes. False when the copy was not made; sTo is then as it
// was, nothing of this run's staging is left, and dwError holds the
// platform's reason, ERROR_TIMEOUT when another run held the lock too long,
// or 0 when there is none beyond what the shell showed.
bool CopyWhole(const std::wstring& sFrom, const std::wstring& sTo, const std::wstring& sFolder,
               DWORD& dwError);

// The wait of RunAndWait on a process opened for querying and waiting
// (SYNCHRONIZE): it has ended when its handle is signalled, whatever its exit
// code.
bool WaitForProcess(HANDLE hProcess, std::wstring& sMessage, std::int32_t lTimeoutMs);

} // namespace KV_ZudIviMain
#endif
