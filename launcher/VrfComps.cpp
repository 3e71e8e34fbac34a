#include "KV_ZudIviParts.h"

#include "KV_Api.h"
#include "KV_DlgEsp.h"
#include "KV_Error.h"
#include "KV_Log.h"
#include "KV_Reg.h"

namespace KV_ZudIviMain {

namespace {

void Log(const std::wstring& sText) {
    if (gbDebug) {
        WriteLog(sText, kLogPrefix, true);
    }
}

// Copies one component under a wait dialog of its own, painted before the
// copy blocks the thread; unattended, with no window at all.
void CopyUnderWaitDialog(const std::wstring& sComp) {
    // A name that can't be copied in is refused before a wait dialog tells
    // of a copy that will never be tried.
    CheckComponentName(sComp);
    if (gbQuiet) {
        CopyComp(sComp);
        return;
    }
    KV_DlgEsp dialog;
    dialog.SetMsg(kCopyCaption, kCopying + sComp);
    dialog.Show();
    KV_Api::ProcessPendingMessages();
    CopyComp(sComp);
}

// Unattended, the run waits for the tool: its end is the end of the update
// that a scheduled task or a deployment tool waits for.
void StartRefreshTool() {
    const std::wstring sTool = KV_Api::ExeFolder() + L'\\' + kRefreshTool;
    const std::wstring sCommand = L'"' + sTool + L'"';
    if (!gbQuiet) {
        KV_Api::StartProgram(sTool, sCommand, SW_SHOWNORMAL);
        return;
    }
    std::wstring sFailure;
    if (!RunAndWait(sCommand, SW_SHOWNORMAL, sFailure, kRefreshLimitMs)) {
        throw KV_Error(static_cast<std::int32_t>(E_FAIL), kRefreshTool + (L": " + sFailure));
    }
}

bool Pass(const std::wstring& sLstVrs) {
    // The one registry accessor of the pass; it is read only while the
    // settings files are being filled for the first time. The settings file
    // got the list whole, if it could be written, before the pass.
    KV_Reg reg;
    reg.SetClassKey(kRegLocalMachine);
    reg.SetSectionKey(kSettingsKey);

    std::wstring sRemaining;
    if (gbIniExists) {
        sRemaining = ReadSetting(gsIniFile, kLstComp);
    } else {
        reg.SetValueKey(kLstComp);
        sRemaining = reg.Value().ToText();
    }
    Log(L"--");

    bool bAsk = true;
    bool bNothingDiffered = true;
    for (;;) {
        const std::wstring sComp = TakeNextComponent(sRemaining);
        if (sComp.empty()) {
            break; // the end of the list, or an empty item that ends it early
        }
        std::wstring sVrsLoc;
        if (gbVrsIniExists) {
            sVrsLoc = ReadSetting(gsVrsIniFile, sComp);
        } else {
            reg.SetValueKey(sComp);
            sVrsLoc = reg.Value().ToText();
            WriteSetting(gsVrsIniFile, sComp, sVrsLoc);
        }
        const std::wstring sVrsSrv = GetVrs(sLstVrs, sComp);
        if (gbDebug) {
            Log(sComp + L" - VLoc " + sVrsLoc + L", VSrv " + sVrsSrv);
        }
        if (sVrsSrv == sVrsLoc) {
            continue;
        }
        bNothingDiffered = false;
        // Unattended, every changed component is copied, as a Yes would.
        if (bAsk && !gbQuiet) {
            if (KV_Api::ShowMessage(kAskCopy, kCopyTitle,
                                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON1) != IDYES) {
                return false;
            }
            bAsk = false;
        }
        CopyUnderWaitDialog(sComp);
    }
    if (!bNothingDiffered) {
        StartRefreshTool();
    }
    return true;
}

} // namespace

bool VrfComps(const std::wstring& sLstVrs) {
    try {
        return Pass(sLstVrs);
    } catch (...) {
        if (gbQuiet) {
            throw; // the run's outcome, with no window
        }
        // The wait dialog, if one was up, is gone by now.
        KV_Api::ShowMessage(KV_Api::CurrentErrorDescription(), kPassTitle, MB_OK);
        return false;
    }
}

} // namespace KV_ZudIviMain
