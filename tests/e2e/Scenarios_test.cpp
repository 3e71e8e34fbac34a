// The launcher end to end under Wine, one row per case: the real executable,
// its real boxes and wait dialogs, the bench's version component, share,
// setup, refresh tool and client. What the pieces make of single inputs is
// proved by the unit and in-process tests; a row shows what a whole run does.
#include "BenchFiles.h"
#include "Scenario.h"

#include <gtest/gtest.h>

using namespace Scenario;

namespace {

// The client as started, before its arguments; a copy's wait dialog, before the name.
const std::wstring kClient = L"%APP%\\Morvane.exe: %APP%\\Morvane.exe ";
const std::wstring kCopying = L"Actualización de componentes: Copiando ";
const std::wstring kRefresh = L"%APP%\\KV_DirAzevUvevIzi.exe: \"%APP%\\KV_DirAzevUvevIzi.exe\"";
const std::wstring kSetupWait = L"Instalación: Espere a que termine el proceso de instalación";
const std::string kNew = "nuevo, de la versión 2";
const File kNoSettings{L"Morvane.ini", kGone};
const File kNoVersions{L"MorvaneVrs.ini", kGone};
const std::wstring kUpdate = L"Actualización de Morvane Pro";

const std::wstring kSetupText = L"La versión de Morvane en su sistema es distinta a la instalada "
                                L"en el servidor, ¿Desea actualizarla en este momento?";
const std::wstring kCopyText = L"Hay nuevas actualizaciones pendientes, desea copiarlas ahora?";
const std::wstring kContinueText = L"Falló la actualización de los componentes, ponganse en "
                                   L"contacto con su administrador, ¿Desea continuar?";
const Box kSetupYes{kUpdate, kSetupText, {IDYES, IDNO}, false, IDYES};
const Box kSetupNo{kUpdate, kSetupText, {IDYES, IDNO}};
const Box kCopyYes{L"Morvane", kCopyText, {IDYES, IDNO}, true, IDYES};
const Box kCopyNo{L"Morvane", kCopyText, {IDYES, IDNO}, true};
const Box kContinueYes{kUpdate, kContinueText, {IDYES, IDNO}, false, IDYES};
const Box kContinueNo{kUpdate, kContinueText, {IDYES, IDNO}};
const std::wstring kError = L"KV_ZudIviPrj"; // the run's own failure
const std::wstring kFailed = L"VrfComps";    // the component pass's
Box CopyFailed(const std::wstring& sName, const std::wstring& sReason = L"") {
    return Box{kFailed, L"No se pudo copiar el componente \"" + sName +
                            L"\" de \"\\\\SRVAPL\\Morvane_Client\\Fix\\" + sName +
                            L"\" a \"%APP%\\" + sName + L"\"." + sReason};
}

// The files as the launcher reads them, in the ANSI code page.
File Settings(const std::wstring& sList, const std::wstring& sServer = L"SRVAPL") {
    return {L"Morvane.ini", KV_Bench::Ansi(L"[General]\r\nNomSrvApl=" + sServer +
                                           L"\r\nVrsSis=1.2\r\nLSTCOMP=" + sList + L"\r\n")};
}
File Versions(const std::wstring& sLines) {
    return {L"MorvaneVrs.ini", KV_Bench::Ansi(L"[General]\r\n" + sLines)};
}
File Fix(const std::wstring& sName, std::string bytes) {
    return {L"\\\\SRVAPL\\Morvane_Client\\Fix\\" + sName, std::move(bytes)};
}
// The components listed with their installed versions ("A.dll=1,B.dll=1"),
// then the other files.
std::vector<File> Installed(const std::wstring& sComponents, std::vector<File> others = {}) {
    std::wstring sList;
    std::wstring sVersions;
    for (std::size_t start = 0; start < sComponents.size();) {
        const std::size_t end = std::min(sComponents.find(L',', start), sComponents.size());
        const std::wstring sItem = sComponents.substr(start, end - start);
        sList += (start > 0 ? L"," : L"") + sItem.substr(0, sItem.find(L'='));
        sVersions += sItem + L"\r\n";
        start = end + 1;
    }
    others.insert(others.begin(), {Settings(sList), Versions(sVersions)});
    return others;
}
// The first run's registry: server SRVAPL, version 1.2, the list, then more.
Values Registry(const std::wstring& sList, Values more = {}) {
    more.insert(more.begin(),
                {{L"NomSrvApl", L"SRVAPL"}, {L"VrsSis", L"1.2"}, {L"LSTCOMP", sList}});
    return more;
}
std::vector<File> SetupOn(const std::wstring& sServer, const char* sBehaviour,
                          std::vector<File> others = {}) {
    const std::wstring sPath = L"\\\\" + sServer + L"\\Morvane_Client\\Setup.exe";
    others.insert(others.end(), {{sPath, kRecorder}, {sPath + L".bench", sBehaviour}});
    return others;
}

// Three components differ and the copy of the second fails: the first is
// copied, the second and third keep their installed files, there is no
// refresh tool, and the continue question lets the client start.
Case CopyOfBFails(const char* name, std::vector<File> files, Faults faults,
                  const std::wstring& sReason = L"") {
    std::vector<File> all = Installed(L"A.dll=1,B.dll=1,C.dll=1");
    for (const wchar_t* sName : {L"A.dll", L"B.dll", L"C.dll"}) {
        all.insert(all.end(), {Fix(sName, kNew), {sName, "viejo"}});
    }
    all.insert(all.end(), files.begin(), files.end());
    return {.name = name,
            .files = all,
            .sServer = L"VrsSis:1.2,A.dll:2,B.dll:2,C.dll:2,",
            .faults = std::move(faults),
            .boxes = {kCopyYes, CopyFailed(L"B.dll", sReason), kContinueYes},
            .waits = {kCopying + L"A.dll", kCopying + L"B.dll"},
            .started = {kClient},
            .after = {{L"A.dll", kNew}}};
}

// A name that can't be copied in is refused after the question and before any
// wait dialog; nothing is written anywhere.
Case Refused(const char* name, const std::wstring& sName, const wchar_t* sReason) {
    return {
        .name = name,
        .files = Installed(sName + L"=1", {{L"\\\\SRVAPL\\Morvane_Client\\Fuera.dll", "f"}}),
        .sServer = L"VrsSis:1.2," + sName + L":2,",
        .boxes = {kCopyYes,
                  {kFailed, L"El componente \"" + sName + L"\" no se copia: su nombre " + sReason},
                  kContinueNo}};
}

// An application folder named with letters of the ANSI code page and letters
// outside it is reached by its short form, never through the look-alike
// folder beside it ("Ł" and "ź" look like "L" and "z", "Ω" like "O"), which
// holds the same installation and stays as it was.
Case FolderOutsideTheCodePage() {
    const wchar_t* names[] = {L"Compañía.ocx", L"Señal é.dll", L"Rep á\\Niño.dll"};
    Case row{.name = "AFolderOutsideTheCodePageIsReachedAndItsLookAlikeLeftAlone",
             .sApp = L"Archivos de programa\\Morvane Año Łódź Ω",
             .sArguments = L"/x",
             .files =
                 Installed(std::wstring(names[0]) + L"=1," + names[1] + L"=1," + names[2] + L"=1"),
             .sServer = L"VrsSis:1.2,",
             .boxes = {kCopyYes},
             .started = {kRefresh, kClient + L"/x"},
             .after = {{L"Rep á", kFolder}}};
    for (const File& file : std::vector<File>(row.files)) {
        row.files.push_back({L"..\\Morvane Año Lódz O\\" + file.sPath, file.bytes});
    }
    for (const wchar_t* sName : names) {
        row.sServer += sName + std::wstring(L":2,");
        row.files.push_back(Fix(sName, KV_Bench::Ansi(sName)));
        row.files.push_back({L"..\\Morvane Año Lódz O\\" + std::wstring(sName), "viejo"});
        row.waits.push_back(kCopying + sName);
        row.after.push_back({sName, KV_Bench::Ansi(sName)});
    }
    return row;
}

// The setup on the share, as the launcher names it, and what it sees of the
// wait dialog.
const std::wstring kSetupPath = L"\\\\SRVAPL\\Morvane_Client\\Setup.exe";
const std::wstring kSeenWait = L"Instalación\tEspere a que termine el proceso de instalación";

// An unattended run's line in the day's log.
std::wstring Unattended(int iCode, const std::wstring& sText) {
    return L"/ESDES " + std::to_wstring(iCode) + L": " + sText;
}
const std::wstring kComponentFailed = L"falló la actualización de los componentes. ";

// An unattended run whose server fails (in process: with sReason as its
// description) or hangs: the server's code, and the reason in the log.
Case UnattendedServerFails(const char* name, Fault fault, const std::wstring& sReason) {
    return {.name = name,
            .sArguments = L"/ESDES",
            .sServer = fault == Fault::InProcess ? L"!" + sReason : L"VrsSis:1.2,",
            .faults = {{fault, L""}},
            .log = {Unattended(12, L"falló el servidor de aplicaciones. " + sReason)},
            .exitCode = 12};
}

// Launchers started together on one installation each update it as if alone:
// each copies the three 5 MB components and starts the refresh tool and the
// client, and the folder ends with the server's files and nothing else.
Case EightTogether() {
    Case row{.name = "EightLaunchersTogetherEachUpdateAsIfAlone",
             .files = Installed(L"A.dll=1,B.dll=1,C.dll=1"),
             .sServer = L"VrsSis:1.2,A.dll:2,B.dll:2,C.dll:2,",
             .boxes = {kCopyYes},
             .started = {kRefresh, kClient},
             .iTogether = 8};
    for (const char c : {'A', 'B', 'C'}) {
        const std::wstring sName = std::wstring(1, c) + L".dll";
        row.files.insert(row.files.end(), {Fix(sName, std::string(5 << 20, c)), {sName, "viejo"}});
        row.waits.push_back(kCopying + sName);
        row.after.push_back({sName, std::string(5 << 20, c)});
    }
    return row;
}

// The second launcher is answered once the first's client runs and holds its
// three components open: they already are the server's files, and nothing
// fails.
Case SecondAfterAClientHoldsTheFiles() {
    Case row{.name = "ARunThatWaitedFindsTheFilesInPlaceThoughTheClientHoldsThem",
             .files =
                 Installed(L"A.dll=1,B.dll=1,C.dll=1",
                           {{L"Morvane.exe.bench", "sleep=10000 exit=0 look=0 refresh=0 hold=1"}}),
             .sServer = L"VrsSis:1.2,A.dll:2,B.dll:2,C.dll:2,",
             .boxes = {kCopyYes},
             .started = {kRefresh, kClient},
             .iTogether = 2,
             .bLaterAfterAClient = true};
    for (const wchar_t* sName : {L"A.dll", L"B.dll", L"C.dll"}) {
        row.files.insert(row.files.end(), {Fix(sName, kNew), {sName, "viejo"}});
        row.waits.push_back(kCopying + sName);
        row.after.push_back({sName, kNew});
    }
    return row;
}

// One launcher's shell shows an error window over the copy of A.dll, left
// standing until a client has started: the other updates both components
// and starts its client meanwhile, then the first goes on and finds both in
// place.
Case ShellWindowLeftOpen() {
    return {.name = "AShellWindowLeftOpenInOneRunHoldsUpNoOtherRun",
            .files = Installed(L"A.dll=1,B.dll=1", {Fix(L"A.dll", "nuevo A"),
                                                    Fix(L"B.dll", "nuevo B"),
                                                    {L"A.dll", "viejo"},
                                                    {L"B.dll", "viejo"}}),
            .sServer = L"VrsSis:1.2,A.dll:2,B.dll:2,",
            .faults = {{Fault::ShellWindow, L"A.dll"}},
            .boxes = {kCopyYes},
            .waits = {kCopying + L"A.dll", kCopying + L"B.dll"},
            .started = {kRefresh, kClient},
            .after = {{L"A.dll", "nuevo A"}, {L"B.dll", "nuevo B"}},
            .iTogether = 2};
}

const Case kCases[] = {
    // --- The start: the version list, the setup, the client ---------------
    // "/ESDBG" after the server's name, in any letter case, turns the log on;
    // the client is started from the folder with a space, never by a shorter path.
    {.name = "UpToDateStartsTheClientWithItsCommandLineUnchanged",
     .sApp = L"Program Files\\Morvane",
     .sArguments = L"NomSrvApl=srvapl /esdbg Uno  dos Ñandú é",
     .files = {{L"..\\..\\Program.exe", kRecorder}},
     .started = {kClient + L"NomSrvApl=srvapl /esdbg Uno  dos Ñandú é"},
     .log = {L"--"}},
    // A trailing space is a different version.
    {.name = "ADifferentServerVersionAsksForTheSetupAndNoEndsTheRun",
     .sServer = L"VrsSis:1.2 ,Comp.dll:3,",
     .boxes = {kSetupNo}},
    // The setup ends with 259, the code that means "still active", and has
    // ended all the same.
    {.name = "YesRunsTheSetupFromTheCommandLinesServerUnderTheWaitDialog",
     .sArguments = L"nomsrvapl=srvcmd",
     .files = SetupOn(L"SRVCMD", "sleep=1500 exit=259 look=1"),
     .sServer = L"VrsSis:1.3,",
     .boxes = {kSetupYes},
     .waits = {kSetupWait},
     .started = {L"\\\\SRVCMD\\Morvane_Client\\Setup.exe: \\\\SRVCMD\\Morvane_Client\\Setup.exe"},
     .seen = {L"Instalación\tEspere a que termine el proceso de instalación"}},
    {.name = "AListWithoutTheSystemVersionIsOneErrorAndNoClient",
     .sServer = L"Comp.dll:3,XVrsSis:1.2,",
     .boxes = {{kError, L"La lista de versiones del servidor no tiene el elemento \"VrsSis\"."}}},
    // The component's own description, in one box once the connecting dialog
    // has gone. In process, as Wine does not carry the error object across
    // processes: a slow call stands for the slow server.
    {.name = "AServerThatFailsAfterTheConnectingDialogIsOneBoxWithItsOwnDescription",
     .sServer = L"!No se pudo conectar con la base de datos de versiones (ñ).",
     .faults = {{Fault::InProcess, L""}, {Fault::ServerSlow, L""}},
     .boxes = {{kError, L"No se pudo conectar con la base de datos de versiones (ñ)."}},
     .waits = {L"Conexión: Conectando con el servidor de aplicaciones SRVAPL..."}},
    {.name = "AnUnregisteredComponentShowsThePlatformsDescription",
     .faults = {{Fault::Unregister, L""}},
     .boxes = {{kError, L"Error 0x800401F3"}}},
    {.name = "AMissingClientShowsThePlatformsDescription",
     .files = {{L"Morvane.exe", kGone}},
     .boxes = {{kError, L"File not found."}}},

    // --- The first run: settings from the registry, written into the files --
    // Settings without versions are deleted and rebuilt, trimmed, and the
    // registry's server is the one whose share holds the setup.
    {.name = "TheFirstRunRebuildsTheSettingsFromTheRegistry",
     .files = SetupOn(
         L"SRVREG", "sleep=0 exit=0",
         {{L"Morvane.ini", "[General]\r\nNomSrvApl=OLD\r\nVrsSis=0.9\r\nOld=1\r\n"}, kNoVersions}),
     .registry = {{L"NomSrvApl", L"  SRVREG "}, {L"VrsSis", L" 1.2 "}},
     .sServer = L"VrsSis:1.3,",
     .boxes = {kSetupYes},
     .waits = {kSetupWait},
     .started = {L"\\\\SRVREG\\Morvane_Client\\Setup.exe: \\\\SRVREG\\Morvane_Client\\Setup.exe"},
     .after = {{L"Morvane.ini", "[General]\r\nNomSrvApl=SRVREG\r\nVrsSis=1.2\r\nLSTCOMP=\r\n"}}},
    // A server on the command line is stored upper-cased and the registry's is
    // never read (binary, it would end the run); a missing value reads as empty.
    {.name = "AServerOnTheCommandLineIsStoredAndMissingValuesReadAsEmpty",
     .sArguments = L"nomsrvapl=srvCmd /x",
     .files = {kNoSettings, kNoVersions},
     .sServer = L"VrsSis:,",
     .faults = {{Fault::BinaryRegistry, L"NomSrvApl"}},
     .started = {kClient + L"nomsrvapl=srvCmd /x"},
     .after = {{L"Morvane.ini", "[General]\r\nNomSrvApl=SRVCMD\r\nVrsSis=\r\nLSTCOMP=\r\n"}}},
    // The versions come from the file, never from the registry, whose
    // differing "9" would have asked to copy.
    {.name = "AVersionsFileAloneIsKeptAndTheSettingsComeFromTheRegistry",
     .files = {kNoSettings, Versions(L"Comp.dll=3\r\n")},
     .registry = Registry(L"Comp.dll", {{L"Comp.dll", L"9"}}),
     .sServer = L"VrsSis:1.2,Comp.dll:3,",
     .started = {kClient},
     .after = {Settings(L"Comp.dll")}},
    // The list and every version copied from the registry as they are read,
    // an absent value as an empty entry; "1.0 " differs from the server's "1.0".
    // Each build reads the view its installer writes: the 32-bit launcher
    // WOW6432Node, the x64 one the 64-bit view; the other view is never read.
    {.name = "TheFirstRunCopiesItsOwnBuildsRegistryViewIntoTheFiles",
     .files = {kNoSettings, kNoVersions, Fix(L"A.dll", "nuevo A"), Fix(L"B.dll", "nuevo B")},
     .registry = Registry(L"A.dll, B.dll,C.dll", {{L"A.dll", L"1.0 "}, {L"C.dll", L"3-añejo"}}),
     .otherView = {{L"NomSrvApl", L"OTRAVISTA"}, {L"VrsSis", L"9"}, {L"LSTCOMP", L"B.dll"}},
     .sServer = L"VrsSis:1.2,A.dll:1.0,B.dll:2,C.dll:3-añejo,",
     .boxes = {kCopyYes},
     .waits = {kCopying + L"A.dll", kCopying + L"B.dll"},
     .started = {kRefresh, kClient},
     .after = {Settings(L"A.dll, B.dll,C.dll"),
               Versions(L"A.dll=1.0\r\nB.dll=\r\nC.dll=3-añejo\r\n"),
               {L"A.dll", "nuevo A"},
               {L"B.dll", "nuevo B"}}},

    // --- Settings files that can't be written or deleted ------------------
    {.name = "ASettingsFileInUseWithoutVersionsIsOneErrorAndNoClient",
     .files = {Settings(L"A.dll"), kNoVersions},
     .faults = {{Fault::HoldOpen, L"Morvane.ini"}},
     .boxes = {{kError, L"Sharing violation."}}},
    // The settings can't be stored, which does not stop the run; the copy
    // can't be made, and the user may still start the client.
    {.name = "AFirstRunInAFolderThatCantBeWrittenReportsTheCopy",
     .files = {kNoSettings, kNoVersions, Fix(L"A.dll", kNew)},
     .registry = Registry(L"A.dll", {{L"A.dll", L"1"}}),
     .sServer = L"VrsSis:1.2,A.dll:2,",
     .faults = {{Fault::Immutable, L""}},
     .boxes = {kCopyYes, CopyFailed(L"A.dll", L" Access denied."), kContinueYes},
     .waits = {kCopying + L"A.dll"},
     .started = {kClient}},

    // --- The component pass --------------------------------------------------
    // Names trimmed; the list ends at its first empty item, and "Missing.dll",
    // which the server does not know, is never looked at.
    {.name = "EqualVersionsCopyNothingAndEachComponentIsLogged",
     .sArguments = L"/ESDBG",
     .files = {Settings(L" A.dll , Compañía.ocx,Rep\\R1.dll,,Missing.dll"),
               Versions(L"A.dll=1.0\r\nCompañía.ocx=2\r\nRep\\R1.dll=3 b\r\n"),
               Fix(L"A.dll", kNew)},
     .sServer = L"VrsSis:1.2,A.dll:1.0,Compañía.ocx:2,Rep\\R1.dll:3 b,",
     .started = {kClient + L"/ESDBG"},
     .log = {L"--", L"A.dll - VLoc 1.0, VSrv 1.0", L"Compañía.ocx - VLoc 2, VSrv 2",
             L"Rep\\R1.dll - VLoc 3 b, VSrv 3 b"}},
    // Letter case, a trailing character and a lower server version all differ.
    // A read-only installed file is replaced, a missing folder created, what a
    // copy cut off by a power loss left is no obstacle, and the versions file
    // is left to the refresh tool; one that can't be removed stays as it is.
    {.name = "ChangedComponentsAreCopiedAfterOneQuestion",
     .sArguments = L"/ESDBG",
     .files = Installed(L"A.dll=1.0a,B.ocx=1.0,C.dll=4,Rep\\R1.dll=2.0",
                        {Fix(L"A.dll", "nuevo A"),
                         Fix(L"B.ocx", "nuevo B"),
                         Fix(L"C.dll", "nuevo C"),
                         Fix(L"Rep\\R1.dll", "nuevo R1"),
                         {L"B.ocx", "viejo B, más largo"},
                         {L"B.ocx,KV_ZudIvi.tmp", "mitad de un B"},
                         {L"A.dll,KV_ZudIvi.tmp", "mitad de un A"}}),
     .sServer = L"VrsSis:1.2,A.dll:1.0A,B.ocx:1.00,C.dll:4,Rep\\R1.dll:1.9,",
     .faults = {{Fault::ReadOnly, L"B.ocx"},
                {Fault::ReadOnly, L"B.ocx,KV_ZudIvi.tmp"},
                {Fault::Immutable, L"A.dll,KV_ZudIvi.tmp"}},
     .boxes = {kCopyYes},
     .waits = {kCopying + L"A.dll", kCopying + L"B.ocx", kCopying + L"Rep\\R1.dll"},
     .started = {kRefresh, kClient + L"/ESDBG"},
     .after = {{L"A.dll", "nuevo A"},
               {L"B.ocx", "nuevo B"},
               {L"B.ocx,KV_ZudIvi.tmp", kGone},
               {L"Rep", kFolder},
               {L"Rep\\R1.dll", "nuevo R1"}},
     .log = {L"--", L"A.dll - VLoc 1.0a, VSrv 1.0A", L"B.ocx - VLoc 1.0, VSrv 1.00",
             L"C.dll - VLoc 4, VSrv 4", L"Rep\\R1.dll - VLoc 2.0, VSrv 1.9"}},
    // Nothing after the component asked about is looked at or logged.
    {.name = "NoToTheCopyQuestionStopsThePass",
     .sArguments = L"/ESDBG",
     .files = Installed(L"A.dll=1,B.dll=1,Missing.dll=1,C.dll=1",
                        {Fix(L"B.dll", kNew), Fix(L"C.dll", kNew)}),
     .sServer = L"VrsSis:1.2,A.dll:1,B.dll:2,C.dll:2,",
     .boxes = {kCopyNo, kContinueYes},
     .started = {kClient + L"/ESDBG"},
     .log = {L"--", L"A.dll - VLoc 1, VSrv 1", L"B.dll - VLoc 1, VSrv 2"}},
    {.name = "AComponentTheServerDoesNotListEndsThePassAfterEarlierCopies",
     .files =
         Installed(L"A.dll=1,Missing.dll=1,C.dll=1", {Fix(L"A.dll", kNew), Fix(L"C.dll", kNew)}),
     .sServer = L"VrsSis:1.2,A.dll:2,C.dll:2,",
     .boxes = {kCopyYes,
               {kFailed,
                L"La lista de versiones del servidor no tiene el elemento \"Missing.dll\"."},
               kContinueYes},
     .waits = {kCopying + L"A.dll"},
     .started = {kClient},
     .after = {{L"A.dll", kNew}}},
    {.name = "AMissingRefreshToolAfterACopyFailsThePass",
     .files = Installed(L"A.dll=1", {{L"KV_DirAzevUvevIzi.exe", kGone}, Fix(L"A.dll", kNew)}),
     .sServer = L"VrsSis:1.2,A.dll:2,",
     .boxes = {kCopyYes, {kFailed, L"File not found."}, kContinueNo},
     .waits = {kCopying + L"A.dll"},
     .after = {{L"A.dll", kNew}}},
    Refused("ANameThatLeadsOutOfTheFolderIsRefused", L"..\\Fuera.dll",
            L"lleva fuera de la carpeta de la aplicación."),
    Refused("ADeviceNameIsRefused", L"NUL", L"no es un nombre de archivo válido."),
    FolderOutsideTheCodePage(),

    // --- Copies that fail: the installed files stay whole -------------------
    CopyOfBFails("ACopyOverAFolderFails", {{L"B.dll", kGone}, {L"B.dll\\x.txt", "viejo"}}, {}),
    CopyOfBFails("ACopyOfAFolderFails",
                 {Fix(L"B.dll", kGone), Fix(L"B.dll\\dentro\\x.txt", "x"), {L"B.dll", kGone}}, {}),
    CopyOfBFails("ACopyFromAShareGoneAfterTheFirstCopyFails", {},
                 {{Fault::Vanish, L"\\\\SRVAPL\\Morvane_Client"}}),
    // The new B.dll is 5 MB, the disk has 1.4 MB free.
    CopyOfBFails("ACopyThatFillsTheDiskFails",
                 {Fix(L"B.dll", std::string(5 << 20, 'n')), {L"B.dll", std::string(1 << 20, 'v')}},
                 {{Fault::SmallDisk, L""}}),

    // --- The setup where users are no administrators; first runs cut short ---
    // Refused a plain start as a program that must run as administrator, the
    // setup is started through the shell and waited for: it still sees the
    // wait dialog as it ends, with a code of its own.
    {.name = "ASetupThatMustRunAsAdministratorIsStartedThroughTheShell",
     .files = SetupOn(L"SRVAPL", "sleep=1000 exit=3 look=2"),
     .sServer = L"VrsSis:1.3,",
     .faults = {{Fault::RefuseElevation, kSetupPath}},
     .boxes = {kSetupYes},
     .waits = {kSetupWait},
     .started = {kSetupPath + L": \"" + kSetupPath + L"\""},
     .seen = {kSeenWait, kSeenWait}},
    // The box comes once the wait dialog has gone; nothing is started.
    {.name = "DecliningTheSetupsConsentIsOneBoxAfterTheWaitDialog",
     .files = SetupOn(L"SRVAPL", "sleep=0 exit=0"),
     .sServer = L"VrsSis:1.3,",
     .faults = {{Fault::DeclineElevation, kSetupPath}},
     .boxes = {kSetupYes, {kError, L"Operation canceled by user."}},
     .waits = {kSetupWait}},
    {.name = "ASetupMissingFromTheShareIsOneBoxAfterTheWaitDialog",
     .sServer = L"VrsSis:1.3,",
     .boxes = {kSetupYes, {kError, L"File not found."}},
     .waits = {kSetupWait}},
    // A first run, with the versions file in place, stops at the setup
    // question, before the component pass; the next run still finds the list
    // that the registry gave, asks, and copies the changed component.
    {.name = "AFirstRunStoppedBeforeTheComponentPassKeepsTheComponentList",
     .files = {kNoSettings, Versions(L"A.dll=1\r\nB.dll=1\r\n"), Fix(L"B.dll", kNew)},
     .registry = Registry(L"A.dll,B.dll"),
     .sServer = L"VrsSis:1.3,",
     .boxes = {kSetupNo, kCopyYes},
     .waits = {kCopying + L"B.dll"},
     .started = {kRefresh, kClient},
     .after = {Settings(L"A.dll,B.dll"), {L"B.dll", kNew}},
     .sServerNextRun = L"VrsSis:1.2,A.dll:1,B.dll:2,"},
    // --- A server that answers late or never; every row's server runs in a
    // process of its own, its call marshalled from its type library ---------
    // The launcher's process ends after the box, though its call is stuck.
    {.name = "AServerThatHangsEndsTheRunInOneBoxAtTheLimit",
     .faults = {{Fault::ServerHangs, L""}},
     .boxes = {{kError, L"El servidor de aplicaciones SRVAPL no respondió en 20 segundos."}},
     .waits = {L"Conexión: Conectando con el servidor de aplicaciones SRVAPL..."}},
    {.name = "AServerThatDiesInTheCallShowsThePlatformsDescription",
     .faults = {{Fault::ServerDies, L""}},
     .boxes = {{kError, L"RPC call failed."}}},
    {.name = "ASlowServerOnThisMachineIsToldWhileItStarts",
     .files = {{L"Morvane.ini", "[General]\r\nNomSrvApl=\r\nVrsSis=1.2\r\n"}},
     .faults = {{Fault::ServerSlow, L""}},
     .waits = {L"Conexión: Conectando con el servidor de aplicaciones de este equipo..."},
     .started = {kClient}},

    // --- Unattended: no window on any road, the outcome in the exit code and
    // one line of the log; never the client, never the setup ------------------
    // The refresh tool runs for 1.5 s and the run ends after it.
    {.name = "UnattendedCopiesEveryChangedComponentAndWaitsForTheRefreshTool",
     .sArguments = L"/esdes",
     .files =
         Installed(L"A.dll=1,B.dll=1,C.dll=1", {Fix(L"A.dll", "nuevo A"),
                                                Fix(L"C.dll", "nuevo C"),
                                                {L"A.dll", "viejo"},
                                                {L"KV_DirAzevUvevIzi.exe.bench", "sleep=1500"}}),
     .sServer = L"VrsSis:1.2,A.dll:2,B.dll:1,C.dll:2,",
     .started = {kRefresh},
     .after = {{L"A.dll", "nuevo A"}, {L"C.dll", "nuevo C"}},
     .log = {Unattended(0, L"al día")},
     .exitCode = 0},
    {.name = "UnattendedLeavesADifferentSystemVersionToTheSetup",
     .sArguments = L"NomSrvApl=srvapl /ESDES /ESDBG",
     .files = SetupOn(L"SRVAPL", "sleep=0 exit=0"),
     .sServer = L"VrsSis:1.3,",
     .log = {Unattended(10, L"la versión del sistema difiere: hay que ejecutar la instalación")},
     .exitCode = 10},
    // B.dll is missing from the share: A.dll is copied, B.dll and C.dll stay
    // whole, and neither the shell nor the launcher shows why.
    {.name = "UnattendedCopyThatFailsKeepsTheInstalledFiles",
     .sArguments = L"/ESDES",
     .files = Installed(L"A.dll=1,B.dll=1,C.dll=1", {Fix(L"A.dll", kNew),
                                                     Fix(L"C.dll", kNew),
                                                     {L"A.dll", "viejo"},
                                                     {L"B.dll", "viejo"},
                                                     {L"C.dll", "viejo"}}),
     .sServer = L"VrsSis:1.2,A.dll:2,B.dll:2,C.dll:2,",
     .after = {{L"A.dll", kNew}},
     .log = {Unattended(11, kComponentFailed + L"No se pudo copiar el componente \"B.dll\" de "
                                               L"\"\\\\SRVAPL\\Morvane_Client\\Fix\\B.dll\" a "
                                               L"\"%APP%\\B.dll\".")},
     .exitCode = 11},
    UnattendedServerFails("UnattendedServerThatFailsIsItsOwnCode", Fault::InProcess,
                          L"No se pudo conectar con la base de datos de versiones."),
    UnattendedServerFails("UnattendedServerThatHangsEndsAtTheLimitWithNoWindow", Fault::ServerHangs,
                          L"El servidor de aplicaciones SRVAPL no respondió en 20 segundos."),
    // No server named: the version component, the share and the setup are
    // this machine's.
    {.name = "NoServerNamedCopiesFromThisMachinesShare",
     .files = Installed(
         L"A.dll=1", {Settings(L"A.dll", L""), {L"\\\\%HOST%\\Morvane_Client\\Fix\\A.dll", kNew}}),
     .sServer = L"VrsSis:1.2,A.dll:2,",
     .boxes = {kCopyYes},
     .waits = {kCopying + L"A.dll"},
     .started = {kRefresh, kClient},
     .after = {{L"A.dll", kNew}}},

    // --- Many users on one folder ----------------------------------------------
    EightTogether(),
    SecondAfterAClientHoldsTheFiles(),
    ShellWindowLeftOpen(),
    // A fresh installation, every component current: the first run writes the
    // settings file, slowly, and the others read it whole once it is in place.
    {.name = "EightFirstRunsAtOnceAgreeOnTheSettings",
     .files = {kNoSettings, Versions(L"A.dll=1\r\n")},
     .registry = Registry(L"A.dll"),
     .sServer = L"VrsSis:1.2,A.dll:1,",
     .faults = {{Fault::SlowWrites, L""}},
     .started = {kClient},
     .after = {Settings(L"A.dll")},
     .iTogether = 8},
};

class Launcher : public testing::TestWithParam<Case> {};

TEST_P(Launcher, Run) {
    Check(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Launcher, testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
