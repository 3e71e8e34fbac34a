#include "KV_ZudIviParts.h"

#include "KV_Api.h"
#include "KV_Error.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <vector>

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

// Whether the target already is a copy of the source as the shell makes it:
// a file of the same size and last write time, which the copy keeps.
bool CopiedAlready(const std::optional<WIN32_FILE_ATTRIBUTE_DATA>& source,
                   const std::optional<WIN32_FILE_ATTRIBUTE_DATA>& target) {
    return source && target && !IsFolder(source) && !IsFolder(target) &&
           source->nFileSizeHigh == target->nFileSizeHigh &&
           source->nFileSizeLow == target->nFileSizeLow &&
           CompareFileTime(&source->ftLastWriteTime, &target->ftLastWriteTime) == 0;
}

// A staging folder that no live run holds: what a run that died left, or
// this run's own once it has let go. The copy in it, under the target's own
// name, and then the folder go; what can't be removed stays, and is never read.
void RemoveStagingFolder(const std::wstring& sStageFolder, const std::wstring& sName) {
    {
        // Asked for delete access, which a run's hold on its own staging
        // folder does not share: fails while that run lives.
        const KV_Api::UniqueHandle claim(
            CreateFileW(sStageFolder.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!claim) {
            return;
        }
        const std::wstring sFile = sStageFolder + L'\\' + sName;
        SetFileAttributesW(sFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(sFile.c_str());
    }
    RemoveDirectoryW(sStageFolder.c_str());
}

// Removes what runs that died left of sTo's staging in its folder: staging
// folders that no run holds, and the staging files of earlier versions,
// read-only or not. Called with the lock held.
void SweepStaging(const std::wstring& sTo) {
    const std::wstring sFolder = sTo.substr(0, sTo.find_last_of(L'\\') + 1);
    const std::wstring sName = sTo.substr(sFolder.size());
    WIN32_FIND_DATAW found;
    const KV_Api::Unique<HANDLE, &FindClose> search(
        FindFirstFileW((sTo + kStagingMark + L"*.tmp").c_str(), &found));
    for (bool bMore = static_cast<bool>(search); bMore;
         bMore = FindNextFileW(search.Get(), &found) != FALSE) {
        const std::wstring sStage = sFolder + found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            RemoveStagingFolder(sStage, sName);
        } else {
            SetFileAttributesW(sStage.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(sStage.c_str());
        }
    }
}

// This process's part of every staging name: the machine's name, the process
// id and a random number, so that runs on machines that share the folder, and
// a later run given a dead one's process id, never meet.
const std::wstring& RunMark() {
    static const std::wstring sMark = [] {
        wchar_t sRandom[16];
        std::swprintf(sRandom, 16, L"%08X", static_cast<unsigned>(std::random_device{}()));
        return KV_Api::ComputerName() + L',' + std::to_wstring(GetCurrentProcessId()) + L',' +
               sRandom;
    }();
    return sMark;
}

// Whether two files hold the same bytes; false when either can't be read.
// The target is read beside a client that holds it open for reading.
bool SameBytes(const std::wstring& sOne, const std::wstring& sOther) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    const KV_Api::UniqueHandle one(CreateFileW(sOne.c_str(), GENERIC_READ, kShare, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    const KV_Api::UniqueHandle other(CreateFileW(sOther.c_str(), GENERIC_READ, kShare, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN,
                                                 nullptr));
    LARGE_INTEGER oneSize{};
    LARGE_INTEGER otherSize{};
    if (!one || !other || !GetFileSizeEx(one.Get(), &oneSize) ||
        !GetFileSizeEx(other.Get(), &otherSize) || oneSize.QuadPart != otherSize.QuadPart) {
        return false;
    }
    constexpr DWORD kChunk = 1 << 16;
    std::vector<char> oneBytes(kChunk);
    std::vector<char> otherBytes(kChunk);
    for (;;) {
        DWORD nOne = 0;
        DWORD nOther = 0;
        if (!ReadFile(one.Get(), oneBytes.data(), kChunk, &nOne, nullptr) ||
            !ReadFile(other.Get(), otherBytes.data(), kChunk, &nOther, nullptr) || nOne != nOther ||
            std::memcmp(oneBytes.data(), otherBytes.data(), nOne) != 0) {
            return false;
        }
        if (nOne == 0) {
            return true;
        }
    }
}

// Creates the folders of sTo below sFolder that are missing (a component in
// a subfolder), as the shell's copy would. False, with dwError, when one
// can't be made.
bool MakeFolders(const std::wstring& sTo, const std::wstring& sFolder, DWORD& dwError) {
    if (!sTo.starts_with(sFolder + L'\\')) {
        return true;
    }
    for (std::size_t cut = sFolder.size() + 1; (cut = sTo.find(L'\\', cut)) != std::wstring::npos;
         ++cut) {
        if (!CreateDirectoryW(sTo.substr(0, cut).c_str(), nullptr) &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            dwError = GetLastError();
            return false;
        }
    }
    return true;
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

bool FolderLock::Take(const std::wstring& sFolder, DWORD dwLimitMs, DWORD& dwError) {
    const std::wstring sPath = sFolder + L'\\' + kLockFile;
    const DWORD dwStart = GetTickCount();
    for (;;) {
        // Without sharing, and gone with its last handle: the file server
        // refuses a second open from any machine, whatever path it came by,
        // and the system closes the handle of a run that dies.
        m_file.Reset(CreateFileW(sPath.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (m_file) {
            return true;
        }
        dwError = GetLastError();
        // Denied while the lock file still stands is a holder's delete under
        // way; denied without one, the folder can't be written.
        const bool bHeld = dwError == ERROR_SHARING_VIOLATION ||
                           (dwError == ERROR_ACCESS_DENIED && Attributes(sPath).has_value());
        const DWORD dwWaited = GetTickCount() - dwStart;
        if (!bHeld) {
            return false;
        }
        if (dwWaited >= dwLimitMs) {
            dwError = ERROR_TIMEOUT;
            return false;
        }
        // The wait dialog stays painted meanwhile.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(50, dwLimitMs - dwWaited),
                                  QS_ALLINPUT);
        KV_Api::ProcessPendingMessages();
    }
}

bool CopyWhole(const std::wstring& sFrom, const std::wstring& sTo, const std::wstring& sFolder,
               DWORD& dwError) {
    dwError = 0;
    // The shell would take a wildcard as a pattern, copy a folder in as a
    // folder, and copy into a folder that stands at the target; it calls
    // each of these a success.
    const auto source = Attributes(sFrom);
    const auto target = Attributes(sTo);
    if (sFrom.find_first_of(L"*?") != std::wstring::npos || IsFolder(source) || IsFolder(target)) {
        return false;
    }
    // Put in place by a run before this one: nothing to copy.
    if (CopiedAlready(source, target)) {
        return true;
    }
    if (!MakeFolders(sTo, sFolder, dwError)) {
        return false;
    }
    // The run's own staging folder, held open without delete sharing until
    // the replace: a sweep tells it from a dead run's by that alone. Another
    // run's sweep can take it for a dead run's between its making and the
    // hold: then another name is tried.
    std::wstring sStageFolder;
    KV_Api::UniqueHandle hold;
    for (int iTry = 0; !hold && iTry < 5; ++iTry) {
        sStageFolder =
            sTo + kStagingMark + L',' + RunMark() + L',' + std::to_wstring(iTry) + L".tmp";
        if (!CreateDirectoryW(sStageFolder.c_str(), nullptr)) {
            dwError = GetLastError();
            if (dwError != ERROR_ALREADY_EXISTS) {
                return false;
            }
            continue;
        }
        hold.Reset(CreateFileW(sStageFolder.c_str(), FILE_LIST_DIRECTORY,
                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!hold) {
            dwError = GetLastError();
            RemoveDirectoryW(sStageFolder.c_str());
        }
    }
    if (!hold) {
        return false;
    }
    dwError = 0;
    const std::wstring sName = sTo.substr(sTo.find_last_of(L'\\') + 1);
    const std::wstring sStage = sStageFolder + L'\\' + sName;
    bool bPlaced = false;
    // The shell's copy, which may stand in a window of its own for as long as
    // its user leaves it, is made before the lock.
    if (KV_Api::ShellFileCopy(sFrom, sStage, gbQuiet)) {
        // A copy broken off midway can still be reported as made.
        const auto stage = Attributes(sStage);
        if (source && stage && !IsFolder(stage) && stage->nFileSizeHigh == source->nFileSizeHigh &&
            stage->nFileSizeLow == source->nFileSizeLow) {
            dwError = Flush(sStage, stage->dwFileAttributes);
            // One run at a time sweeps and replaces in the folder: two
            // replaces of one target never meet. A target that already is
            // the server's file, put there by a run before this one, is
            // left as it is: a client may be holding it.
            FolderLock lock;
            bPlaced = dwError == 0 && lock.Take(sFolder, kLockLimitMs, dwError);
            if (bPlaced) {
                SweepStaging(sTo);
                bPlaced = SameBytes(sStage, sTo) || ReplaceTarget(sStage, sTo, dwError);
            }
        }
    }
    hold.Reset();
    RemoveStagingFolder(sStageFolder, sName);
    return bPlaced;
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
