#include "KV_ZudIviMain.h"

#include "IniFunctions.h"
#include "KV_Api.h"
#include "KV_DlgEsp.h"
#include "KV_Log.h"
#include "KV_Reg.h"

namespace KV_ZudIviMain {

namespace {

constexpr const wchar_t* kSection = L"General";

void Log(const std::wstring& sText) {
    if (gbDebug) {
        WriteLog(sText, L"ZUDIVI", true);
    }
}

// Copies one component under a wait dialog of its own, painted before the
// copy blocks the thread.
void CopyUnderWaitDialog(const std::wstring& sComp) {
    // A name that can't be copied in is refused before a wait dialog tells
    // of a copy that will never be tried.
    CheckComponentName(sComp);
    KV_DlgEsp dialog;
    std::wstring sMsg = L"Copiando ";
    sMsg += sComp;
    dialog.SetMsg(L"Actualización de componentes", sMsg);
    dialog.Show();
    KV_Api::ProcessPendingMessages();
    CopyComp(sComp);
}

void StartRefreshTool() {
    std::wstring sTool = KV_Api::ExeFolder();
    sTool += L"\\KV_DirAzevUvevIzi.exe";
    std::wstring sCommandLine = L"\"";
    sCommandLine += sTool;
    sCommandLine += L'"';
    KV_Api::StartProgram(sTool, sCommandLine, SW_SHOWNORMAL);
}

bool Pass(const std::wstring& sLstVrs) {
    // The one registry accessor of the pass; it is read only while the
    // settings files are being filled for the first time.
    KV_Reg reg;
    reg.SetClassKey(kRegLocalMachine);
    reg.SetSectionKey(kSettingsKey);

    std::wstring sRemaining;
    if (gbIniExists) {
        sRemaining = ReadIniKey(gsIniFile, kSection, L"LSTCOMP", L"");
    } else {
        reg.SetValueKey(L"LSTCOMP");
        sRemaining = reg.Value().ToText();
        WriteIniKey(gsIniFile, kSection, L"LSTCOMP", sRemaining);
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
            sVrsLoc = ReadIniKey(gsVrsIniFile, kSection, sComp, L"");
        } else {
            reg.SetValueKey(sComp);
            sVrsLoc = reg.Value().ToText();
            WriteIniKey(gsVrsIniFile, kSection, sComp, sVrsLoc);
        }
        const std::wstring sVrsSrv = GetVrs(sLstVrs, sComp);
        if (gbDebug) {
            std::wstring sLine = sComp;
            sLine += L" - VLoc ";
            sLine += sVrsLoc;
            sLine += L", VSrv ";
            sLine += sVrsSrv;
            Log(sLine);
        }
        if (sVrsSrv == sVrsLoc) {
            continue;
        }
        bNothingDiffered = false;
        if (bAsk) {
            if (KV_Api::ShowMessage(
                    L"Hay nuevas actualizaciones pendientes, desea copiarlas ahora?", L"Morvane",
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
        // The wait dialog, if one was up, is gone by now.
        KV_Api::ShowMessage(KV_Api::CurrentErrorDescription(), L"VrfComps", MB_OK);
        return false;
    }
}

} // namespace KV_ZudIviMain
