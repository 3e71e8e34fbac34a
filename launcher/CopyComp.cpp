#include "KV_ZudIviParts.h"

#include "KV_Api.h"
#include "KV_Error.h"

#include <optional>

namespace KV_ZudIviMain {

namespace {

std::optional<WIN32_FILE_ATTRIBUTE_DATA> Attributes(const std::wstring& sPath) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(sPath.c_str(), GetFileExInfoStandard, &data)) {
        return std::nullopt;
    }
    return data;
}

bool IsFolder(const std::optional<WIN32_FILE_ATTRIBUTE_DATA>& data) {
    return data && (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Removes a staging file, read-only or not: 0 when none is left, else the
// reason.
DWORD RemoveStaging(const std::wstring& sStage) {
    const auto data = Attributes(sStage);
    if (!data) {
        return 0;
    }
    if (IsFolder(data)) {
        return ERROR_ALREADY_EXISTS;
    }
    SetFileAttributesW(sStage.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(sStage.c_str()) ? 0 : GetLastError();
}

// One rename in the target's own folder: the target is either the old file or
// the new one, never a part of either. A read-only target is replaced as the
// shell's copy over it would replace it, and keeps its attribute when it
// can't be.
bool ReplaceTarget(const std::wstring& sStage, const std::wstring& sTo, DWORD& dwError) {
    constexpr DWORD kFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    if (MoveFileExW(sStage.c_str(), sTo.c_str(), kFlags)) {
        return true;
    }
    dwError = GetLastError();
    const auto target = Attributes(sTo);
    if (dwError != ERROR_ACCESS_DENIED || !target ||
        (target->dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return false;
    }
    const DWORD dwWritable = target->dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (!SetFileAttributesW(sTo.c_str(), dwWritable != 0 ? dwWritable : FILE_ATTRIBUTE_NORMAL)) {
        return false;
    }
    if (MoveFileExW(sStage.c_str(), sTo.c_str(), kFlags)) {
        return true;
    }
    dwError = GetLastError();
    SetFileAttributesW(sTo.c_str(), target->dwFileAttributes);
    return false;
}

} // namespace

void CheckComponentName(const std::wstring& sComp) {
    const wchar_t* sWhy = nullptr;
    if (LeadsOutOfFolder(sComp)) {
        sWhy = L"\" no se copia: su nombre lleva fuera de la carpeta de la aplicación.";
    } else if (IsNotAFileName(sComp)) {
        sWhy = L"\" no se copia: su nombre no es un nombre de archivo válido.";
    } else {
        return;
    }
    throw KV_Error(KV_Error::kInvalidArgument, L"El componente \"" + sComp + sWhy);
}

bool CopyWhole(const std::wstring& sFrom, const std::wstring& sTo, DWORD& dwError) {
    dwError = 0;
    // The shell would take a wildcard as a pattern, copy a folder in as a
    // folder, and copy into a folder that stands at the target; it calls
    // each of these a success.
    if (sFrom.find_first_of(L"*?") != std::wstring::npos || IsFolder(Attributes(sFrom)) ||
        IsFolder(Attributes(sTo))) {
        return false;
    }
    // A staging file left by a run that was cut off is only a copy that never
    // finished; it goes before the new copy starts.
    const std::wstring sStage = sTo + kStagingSuffix;
    dwError = RemoveStaging(sStage);
    if (dwError != 0) {
        return false;
    }
    if (KV_Api::ShellFileCopy(sFrom, sStage)) {
        // A copy broken off midway can still be reported as made.
        const auto source = Attributes(sFrom);
        const auto stage = Attributes(sStage);
        if (source && stage && !IsFolder(stage) && stage->nFileSizeHigh == source->nFileSizeHigh &&
            stage->nFileSizeLow == source->nFileSizeLow) {
            if (ReplaceTarget(sStage, sTo, dwError)) {
                return true;
            }
        }
    }
    RemoveStaging(sStage);
    return false;
}

void CopyComp(const std::wstring& sComp) {
    CheckComponentName(sComp);
    const std::wstring sTo = KV_Api::ExeFolder() + L'\\' + sComp;
    const std::wstring sFrom = L"\\\\" + gsNomSrvApl + kClientShare + kFixFolder + sComp;
    DWORD dwError = 0;
    if (!CopyWhole(sFrom, sTo, dwError)) {
        // The shell has shown what went wrong in its own window, if anything;
        // the pass must not go on as if the file were in place.
        std::wstring sDescription = L"No se pudo copiar el componente \"" + sComp + L"\" de \"" +
                                    sFrom + L"\" a \"" + sTo + L"\".";
        if (dwError != 0) {
            sDescription += L" " + KV_Api::SystemMessage(dwError);
        }
        throw KV_Error(static_cast<std::int32_t>(E_FAIL), sDescription);
    }
}

} // namespace KV_ZudIviMain
