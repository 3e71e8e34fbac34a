#include "KV_ZudIviParts.h"

#include "KV_Api.h"
#include "KV_DlgEsp.h"
#include "KV_Reg.h"
#include "KV_Text.h"
#include "KV_VrfVrs.h"

namespace KV_ZudIviMain {

std::wstring gsIniFile;
std::wstring gsVrsIniFile;
std::wstring gsNomSrvApl;
bool gbIniExists = false;
bool gbVrsIniExists = false;
bool gbDebug = false;
bool gbQuiet = false;

std::wstring ServerShare() {
    return L"\\\\" + (gsNomSrvApl.empty() ? KV_Api::ComputerName() : gsNomSrvApl) + kClientShare;
}

namespace {

// Creates the version component on the server (this machine when the name is
// empty), asks it for the version list of this client's system and releases
// it. Runs on a worker, in the worker's apartment.
std::wstring CallVersionComponent(const std::wstring& sServer) {
    using KV_VrfVrs::IKVAD_DMVrfSis;
    CLSID clsid;
    KV_Api::RaiseIfFailed(CLSIDFromProgID(KV_VrfVrs::kProgId, &clsid));
    std::wstring sName = sServer;
    COSERVERINFO server{};
    server.pwszName = sName.data();
    MULTI_QI query{&KV_VrfVrs::kIID_KVAD_DMVrfSis, nullptr, S_OK};
    // A local server that is ending refuses new objects with
    // CO_E_SERVER_STOPPING, a passing state: the next activation starts
    // another. The worker is given up at the run's limit all the same.
    const DWORD dwStart = GetTickCount();
    HRESULT hrCreate = S_OK;
    for (;;) {
        query = {&KV_VrfVrs::kIID_KVAD_DMVrfSis, nullptr, S_OK};
        hrCreate = CoCreateInstanceEx(clsid, nullptr, CLSCTX_SERVER,
                                      sName.empty() ? nullptr : &server, 1, &query);
        if (hrCreate != CO_E_SERVER_STOPPING || GetTickCount() - dwStart >= kServerLimitMs) {
            break;
        }
        Sleep(100);
    }
    KV_Api::ComPtr<IKVAD_DMVrfSis> component(static_cast<IKVAD_DMVrfSis*>(query.pItf));
    KV_Api::RaiseIfFailed(hrCreate);
    KV_Api::RaiseIfFailed(query.hr);
    const KV_Api::Bstr system(L"KV");
    KV_Api::Bstr list;
    const HRESULT hr = component->GetLstVrs(system.Get(), list.Put());
    if (FAILED(hr)) {
        KV_Api::RaiseComCall(hr, component.Get(), KV_VrfVrs::kIID_KVAD_DMVrfSis);
    }
    return list.Text();
}

// The version list, from a server step that can't hold the run: the platform
// gives no bound of its own to a creation or a call on a server that is off
// or hung. The wait dialog says the launcher is connecting while the step
// takes long, and goes before any box; past the limit the run ends in one box,
// or unattended in its exit code.
std::wstring RequestVersionList(const std::wstring& sServer) {
    const std::wstring sNamed = sServer.empty() ? kThisMachine : sServer;
    KV_Api::Worker step([sServer] { return CallVersionComponent(sServer); });
    std::wstring sFailure;
    try {
        bool bEnded = step.Wait(gbQuiet ? kServerLimitMs : kServerNoticeMs);
        if (!bEnded && !gbQuiet) {
            KV_DlgEsp dialog;
            dialog.SetMsg(kConnectCaption, kConnecting + sNamed + L"...");
            dialog.Show();
            KV_Api::ProcessPendingMessages();
            bEnded = step.Wait(kServerLimitMs - kServerNoticeMs);
        }
        if (!bEnded) {
            sFailure = kServerIs + sNamed + kNoAnswerWithin +
                       std::to_wstring(kServerLimitMs / 1000) + kSeconds;
        }
    } catch (...) {
        // The wait itself failed (the dialog could not be made, say).
        if (step.Ended()) {
            throw;
        }
        sFailure = KV_Api::CurrentErrorDescription();
    }
    if (!sFailure.empty()) {
        UINT uExitCode = ERROR_TIMEOUT;
        if (gbQuiet) {
            uExitCode = static_cast<UINT>(EndUnattended(Outcome::ServerFailed, sFailure));
        } else {
            KV_Api::ShowMessage(sFailure, KV_Api::kAppTitle, MB_OK);
        }
        // The worker is still inside the platform's call, maybe holding its
        // locks. ExitProcess would stop it there and then run every DLL's
        // detach routine, which may wait on those locks for ever.
        KV_Api::EndProcessNow(uExitCode);
    }
    return step.Result();
}

bool Ask(const wchar_t* sQuestion) {
    return KV_Api::ShowMessage(sQuestion, kUpdateTitle, MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

// Runs the client setup from the server's share under the wait dialog, and
// closes the dialog. The setup's own outcome is not reported: it shows its
// own, and one that runs past the limit is left to itself. False, with
// RunAndWait's reason, when it could not be started or watched: the user
// answered Yes and would otherwise see nothing happen.
bool RunSetup(std::wstring& sFailure) {
    KV_DlgEsp dialog;
    dialog.SetMsg(kSetupCaption, kSetupWait);
    dialog.Show();
    KV_Api::ProcessPendingMessages();
    return RunAndWait(ServerShare() + kSetup, SW_SHOWNORMAL, sFailure, 2000000000) ||
           sFailure == kTimedOut;
}

// First run, or a repaired one: the settings come from the registry. A
// server named on the command line is the one kept. Returns the list.
std::wstring SettingsFromRegistry(std::wstring& sVrsLoc) {
    KV_Reg reg;
    reg.SetClassKey(kRegLocalMachine);
    reg.SetSectionKey(kSettingsKey);
    if (gsNomSrvApl.empty()) {
        reg.SetValueKey(kNomSrvApl);
        gsNomSrvApl = TrimSpaces(reg.Value().ToText());
    }
    reg.SetValueKey(kVrsSis);
    sVrsLoc = TrimSpaces(reg.Value().ToText());
    reg.SetValueKey(kLstComp);
    return reg.Value().ToText();
}

// The settings file written whole under a name of its own and then put in
// place in one rename, so that no run reads a half-written file. The list
// goes in with the rest: a run that stops before the component pass must not
// leave a settings file without it, which every later run would read as no
// components at all. True when the file is in place.
bool WriteSettings(const std::wstring& sVrsLoc, const std::wstring& sLstComp) {
    const std::wstring sNew = gsIniFile + kStagingMark + L".tmp";
    DeleteFileW(sNew.c_str()); // what a run that died left
    const bool bPlaced = WriteSetting(sNew, kNomSrvApl, gsNomSrvApl) &&
                         WriteSetting(sNew, kVrsSis, sVrsLoc) &&
                         WriteSetting(sNew, kLstComp, sLstComp) &&
                         MoveFileExW(sNew.c_str(), gsIniFile.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    DeleteFileW(sNew.c_str());
    return bPlaced;
}

// Settings without versions are not used: both are filled again together.
// Runs that start at once settle the settings one at a time, under the
// folder's lock, and a run that finds them settled by another reads them
// from the file. A folder that can't be written, or a lock that can't be
// had, is no reason to stop: this run has what it needs, and the next one
// migrates again. True when the settings were taken from the registry.
bool SettleSettings(const std::wstring& sFolder, std::wstring& sVrsLoc) {
    FolderLock lock;
    DWORD dwError = 0;
    const bool bLocked = lock.Take(sFolder, kLockLimitMs, dwError);
    gbIniExists = KV_Api::FileExists(gsIniFile);
    gbVrsIniExists = KV_Api::FileExists(gsVrsIniFile);
    if (gbIniExists && !gbVrsIniExists) {
        // Gone already: another run removed it.
        if (!DeleteFileW(gsIniFile.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            KV_Api::RaiseWin32(GetLastError());
        }
        gbIniExists = false;
    }
    if (gbIniExists) {
        return false;
    }
    const std::wstring sLstComp = SettingsFromRegistry(sVrsLoc);
    gbIniExists = bLocked && WriteSettings(sVrsLoc, sLstComp);
    return true;
}

// The run; unattended, its outcome when it ends without a failure. A failure
// raised while eStage names the server step or the component pass is that
// step's outcome.
Outcome Run(Outcome& eStage) {
    const std::wstring sCommand = ArgumentsOf(GetCommandLineW());
    const Switches switches = ReadSwitches(KV_Api::UpperCase(sCommand));
    gsNomSrvApl = switches.sNomSrvApl;
    gbDebug = switches.bDebug;
    gbQuiet = switches.bQuiet;

    const std::wstring sFolder = KV_Api::ExeFolder();
    gsIniFile = sFolder + L'\\' + kIniFile;
    gsVrsIniFile = sFolder + L'\\' + kVrsIniFile;
    // The profile functions reach both files through the folder's ANSI path
    // or its short form. A folder with neither stops the run here, in one
    // box, rather than have every setting read as empty.
    KV_Api::AnsiPath(gsIniFile);
    gbIniExists = KV_Api::FileExists(gsIniFile);
    gbVrsIniExists = KV_Api::FileExists(gsVrsIniFile);

    std::wstring sVrsLoc;
    const bool bFromRegistry =
        (!gbIniExists || !gbVrsIniExists) && SettleSettings(sFolder, sVrsLoc);
    if (!bFromRegistry) {
        if (gsNomSrvApl.empty()) {
            gsNomSrvApl = ReadSetting(gsIniFile, kNomSrvApl);
        }
        sVrsLoc = ReadSetting(gsIniFile, kVrsSis);
    }

    KV_Api::ComApartment apartment;
    eStage = Outcome::ServerFailed;
    const std::wstring sLstVrs = RequestVersionList(gsNomSrvApl);
    const std::wstring sVrsSrv = GetVrs(sLstVrs, kVrsSis);

    if (sVrsSrv != sVrsLoc) {
        // Unattended, nobody is there to run the setup, nor to answer it.
        if (gbQuiet) {
            return Outcome::SetupNeeded;
        }
        if (Ask(kAskSetup)) {
            std::wstring sFailure;
            if (!RunSetup(sFailure)) {
                // The wait dialog has gone by now: the box stands alone.
                KV_Api::ShowMessage(sFailure, KV_Api::kAppTitle, MB_OK);
            }
        }
        // Whatever the answer, this run ends here: no component pass, no client.
        return Outcome::Done;
    }

    // Unattended, a failed pass raises instead of returning false, and the
    // client, which would start in a session nobody sees, is never started.
    eStage = Outcome::ComponentFailed;
    const bool bPassed = VrfComps(sLstVrs);
    if (gbQuiet || (!bPassed && !Ask(kAskContinue))) {
        return Outcome::Done;
    }
    const std::wstring sClient = sFolder + L'\\' + kClient;
    KV_Api::StartProgram(sClient, sClient + L' ' + sCommand, SW_SHOWNORMAL);
    return Outcome::Done;
}

} // namespace

int Main() {
    Outcome eStage = Outcome::Failed;
    try {
        const Outcome eOutcome = Run(eStage);
        return gbQuiet ? EndUnattended(eOutcome, L"") : 0;
    } catch (...) {
        if (gbQuiet) {
            return EndUnattended(eStage, KV_Api::CurrentErrorDescription());
        }
        KV_Api::ShowMessage(KV_Api::CurrentErrorDescription(), KV_Api::kAppTitle, MB_OK);
    }
    return 0;
}

} // namespace KV_ZudIviMain
