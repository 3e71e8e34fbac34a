#include "KV_ZudIviParts.h"

#include "KV_Api.h"
#include "KV_Error.h"

#include <sddl.h>

#include <cstdint>
#include <cstdio>
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

// How long a run waits for another run's copy into the same folder. Each
// copy holds the lock for one component only, so a wait this long means a
// run that is stuck (a shell's error window left unanswered, a server that
// no longer answers), not a queue.
constexpr DWORD kLockLimitMs = 60000;

// Every authenticated user may wait on the lock and release it, whoever
// created it: with the creator's default security, the runs of other users
// on a terminal server could not even open it (ERROR_ACCESS_DENIED). Nobody
// else may change its security. A mutex in Global\ needs no privilege.
constexpr const wchar_t* kLockSecurity = L"D:(A;;0x00100001;;;AU)(A;;GA;;;SY)(A;;GA;;;BA)";

// The lock on the installation folder, owned by this run from a successful
// Take to the end of its life.
class FolderLock {
public:
    // Waits, letting window messages through so that the wait dialog stays
    // painted. A lock left by a run that died holding it is taken as it is:
    // what that run left is swept like any leftover. False, with dwError,
    // past the limit or when the lock can't be had at all.
    bool Take(const std::wstring& sFolder, DWORD& dwError) {
        KV_Api::Unique<HLOCAL, &LocalFree> security;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
                kLockSecurity, SDDL_REVISION_1,
                reinterpret_cast<PSECURITY_DESCRIPTOR*>(security.Put()), nullptr)) {
            dwError = GetLastError();
            return false;
        }
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.Get(), FALSE};
        // Asks only for what it uses, so that a lock another user created opens.
        m_mutex.Reset(CreateMutexExW(&attributes, FolderLockName(sFolder).c_str(), 0,
                                     SYNCHRONIZE | MUTEX_MODIFY_STATE));
        if (!m_mutex) {
            dwError = GetLastError();
            return false;
        }
        const HANDLE hMutex = m_mutex.Get();
        const DWORD dwStart = GetTickCount();
        for (DWORD dwWaited = 0; dwWaited < kLockLimitMs; dwWaited = GetTickCount() - dwStart) {
            const DWORD dwWait =
                MsgWaitForMultipleObjects(1, &hMutex, FALSE, kLockLimitMs - dwWaited, QS_ALLINPUT);
            if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED_0) {
                m_held.Reset(hMutex);
                return true;
            }
            if (dwWait == WAIT_FAILED) {
                dwError = GetLastError();
                return false;
            }
            if (dwWait == WAIT_OBJECT_0 + 1) {
                KV_Api::ProcessPendingMessages();
            }
        }
        dwError = ERROR_TIMEOUT;
        return false;
    }

private:
    KV_Api::UniqueHandle m_mutex;
    KV_Api::Unique<HANDLE, &ReleaseMutex> m_held; // released before the handle closes
};

// Removes the staging files of sTo that are left in its folder, read-only or
// not. Called with the lock held, when no live run is staging there: they are
// copies that never finished. One that can't be removed stays; it is never
// read.
void SweepStaging(const std::wstring& sTo) {
    const std::wstring sFolder = sTo.substr(0, sTo.find_last_of(L'\\') + 1);
    WIN32_FIND_DATAW found;
    const KV_Api::Unique<HANDLE, &FindClose> search(
        FindFirstFileW((sTo + kStagingMark + L"*.tmp").c_str(), &found));
    for (bool bMore = static_cast<bool>(search); bMore;
         bMore = FindNextFileW(search.Get(), &found) != FALSE) {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            const std::wstring sStage = sFolder + found.cFileName;
            SetFileAttributesW(sStage.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(sStage.c_str());
        }
    }
}

// This run's staging file: its data on disk before the rename puts its name
// in the target's place (a rename written through carries the name alone).
// 0, or the reason.
DWORD Flush(const std::wstring& sStage, DWORD dwAttributes) {
    // The shell's copy carries the source's attributes, read-only among them.
    const bool bReadOnly = (dwAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    const DWORD dwWritable = dwAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (bReadOnly) {
        SetFileAttributesW(sStage.c_str(), dwWritable != 0 ? dwWritable : FILE_ATTRIBUTE_NORMAL);
    }
    DWORD dwError = 0;
    {
        const KV_Api::UniqueHandle file(CreateFileW(sStage.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file || !FlushFileBuffers(file.Get())) {
            dwError = GetLastError();
        }
    }
    if (bReadOnly) {
        SetFileAttributesW(sStage.c_str(), dwAttributes);
    }
    return dwError;
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

std::wstring FolderLockName(const std::wstring& sFolder) {
    // The final path resolves another spelling of the same folder: short
    // names, a substituted drive, a link; upper case, as names compare.
    std::wstring sPath = sFolder;
    const KV_Api::UniqueHandle folder(
        CreateFileW(sFolder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder) {
        std::wstring sFinal(32768, L'\0');
        const DWORD n = GetFinalPathNameByHandleW(folder.Get(), sFinal.data(),
                                                  static_cast<DWORD>(sFinal.size()), 0);
        if (n > 0 && n < sFinal.size()) {
            sPath = sFinal.substr(0, n);
        }
    }
    sPath = KV_Api::UpperCase(sPath);
    // A mutex name holds no backslash of its own: the path goes in as its
    // 64-bit FNV-1a hash.
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t c : sPath) {
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    }
    wchar_t sName[64];
    std::swprintf(sName, 64, L"Global\\KV_ZudIvi.%016llX", static_cast<unsigned long long>(hash));
    return sName;
}

bool CopyWhole(const std::wstring& sFrom, const std::wstring& sTo, const std::wstring& sFolder,
               DWORD& dwError) {
    dwError = 0;
    // The shell would take a wildcard as a pattern, copy a folder in as a
    // folder, and copy into a folder that stands at the target; it calls
    // each of these a success.
    if (sFrom.find_first_of(L"*?") != std::wstring::npos || IsFolder(Attributes(sFrom)) ||
        IsFolder(Attributes(sTo))) {
        return false;
    }
    // One run at a time stages and replaces in the folder: two replaces of
    // one target never meet, and every staging file found is a dead run's.
    FolderLock lock;
    if (!lock.Take(sFolder, dwError)) {
        return false;
    }
    SweepStaging(sTo);
    const std::wstring sStage =
        sTo + kStagingMark + L',' + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    if (KV_Api::ShellFileCopy(sFrom, sStage, gbQuiet)) {
        // A copy broken off midway can still be reported as made.
        const auto source = Attributes(sFrom);
        const auto stage = Attributes(sStage);
        if (source && stage && !IsFolder(stage) && stage->nFileSizeHigh == source->nFileSizeHigh &&
            stage->nFileSizeLow == source->nFileSizeLow) {
            dwError = Flush(sStage, stage->dwFileAttributes);
            if (dwError == 0 && ReplaceTarget(sStage, sTo, dwError)) {
                return true;
            }
        }
    }
    SetFileAttributesW(sStage.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(sStage.c_str());
    return false;
}

void CopyComp(const std::wstring& sComp) {
    CheckComponentName(sComp);
    const std::wstring sTo = KV_Api::ExeFolder() + L'\\' + sComp;
    const std::wstring sFrom = ServerShare() + kFixFolder + sComp;
    DWORD dwError = 0;
    if (!CopyWhole(sFrom, sTo, KV_Api::ExeFolder(), dwError)) {
        // The shell has shown what went wrong in its own window, if anything;
        // the pass must not go on as if the file were in place.
        std::wstring sDescription = L"No se pudo copiar el componente \"" + sComp + L"\" de \"" +
                                    sFrom + L"\" a \"" + sTo + L"\".";
        if (dwError == ERROR_TIMEOUT) {
            sDescription += L" Otra actualización de la misma carpeta no terminó en 60 segundos.";
        } else if (dwError != 0) {
            sDescription += L" " + KV_Api::SystemMessage(dwError);
        }
        throw KV_Error(static_cast<std::int32_t>(E_FAIL), sDescription);
    }
}

} // namespace KV_ZudIviMain
