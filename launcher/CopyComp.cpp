#include "KV_ZudIviMain.h"

#include "KV_Api.h"
#include "KV_Error.h"

namespace KV_ZudIviMain {

void CopyComp(const std::wstring& sComp) {
    if (LeadsOutOfFolder(sComp)) {
        std::wstring sDescription = L"El componente \"";
        sDescription += sComp;
        sDescription += L"\" no se copia: su nombre lleva fuera de la carpeta de la aplicación.";
        throw KV_Error(KV_Error::kInvalidArgument, L"KV_ZudIviMain.CopyComp", sDescription);
    }
    std::wstring sTo = KV_Api::ExeFolder();
    sTo += L'\\';
    sTo += sComp;
    std::wstring sFrom = L"\\\\";
    sFrom += gsNomSrvApl;
    sFrom += L"\\Morvane_Client\\Fix\\";
    sFrom += sComp;
    // A folder in place of the file would be copied in as a folder, or not at
    // all over an existing file, and the shell calls either a success.
    const DWORD dwSource = GetFileAttributesW(sFrom.c_str());
    const bool bFolder =
        dwSource != INVALID_FILE_ATTRIBUTES && (dwSource & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (bFolder || !KV_Api::ShellFileCopy(sFrom, sTo)) {
        // The shell has shown what went wrong, if anything; the pass must not
        // go on as if the file were in place.
        std::wstring sDescription = L"No se pudo copiar el componente \"";
        sDescription += sComp;
        sDescription += L"\" de \"";
        sDescription += sFrom;
        sDescription += L"\" a \"";
        sDescription += sTo;
        sDescription += L"\".";
        throw KV_Error(static_cast<std::int32_t>(E_FAIL), L"KV_ZudIviMain.CopyComp", sDescription);
    }
}

} // namespace KV_ZudIviMain
