#include "KV_ZudIviParts.h"

#include "IniFunctions.h"
#include "KV_Log.h"

#include <algorithm>

namespace KV_ZudIviMain {

int EndUnattended(Outcome eOutcome, const std::wstring& sDetail) {
    const OutcomeRow& row = *std::ranges::find(kOutcomes, eOutcome, &OutcomeRow::eOutcome);
    const std::wstring sLine =
        std::wstring(kQuietSwitch) + L' ' + std::to_wstring(row.iExitCode) + L": " + row.sText;
    // A detail outside the code page, or a folder that can't be written, must
    // not turn into another outcome: the line goes shorter, or not at all.
    try {
        WriteLog(sDetail.empty() ? sLine : sLine + L". " + sDetail, kLogPrefix, true);
    } catch (...) {
        try {
            WriteLog(sLine, kLogPrefix, true);
        } catch (...) {
        }
    }
    return row.iExitCode;
}

std::wstring ReadSetting(const std::wstring& sIniFile, const std::wstring& sKey) {
    return gbQuiet ? ReadIniKeyOrRaise(sIniFile, kSection, sKey, L"")
                   : ReadIniKey(sIniFile, kSection, sKey, L"");
}

bool WriteSetting(const std::wstring& sIniFile, const std::wstring& sKey,
                  const std::wstring& sValue) {
    return (gbQuiet ? WriteIniKeyOrRaise(sIniFile, kSection, sKey, sValue)
                    : WriteIniKey(sIniFile, kSection, sKey, sValue)) != 0;
}

} // namespace KV_ZudIviMain
