#include "BenchFiles.h"

#include "KV_Api.h"

#include <filesystem>
#include <stdexcept>

namespace KV_Bench {

namespace {

std::string Narrow(UINT codePage, std::wstring_view sText) {
    if (sText.empty()) {
        return std::string();
    }
    const int n = WideCharToMultiByte(codePage, 0, sText.data(), static_cast<int>(sText.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, sText.data(), static_cast<int>(sText.size()), result.data(), n,
                        nullptr, nullptr);
    return result;
}

} // namespace

std::string Utf8(std::wstring_view sText) {
    return Narrow(CP_UTF8, sText);
}

std::string Ansi(std::wstring_view sText) {
    return Narrow(CP_ACP, sText);
}

std::wstring FromUtf8(std::string_view sText) {
    if (sText.empty()) {
        return std::wstring();
    }
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, sText.data(), static_cast<int>(sText.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, sText.data(), static_cast<int>(sText.size()), result.data(), n);
    return result;
}

std::wstring EnvironmentValue(const wchar_t* sName) {
    const DWORD n = GetEnvironmentVariableW(sName, nullptr, 0);
    if (n == 0) {
        return std::wstring();
    }
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(sName, value.data(), n));
    return value;
}

std::wstring ModulePath(HMODULE module) {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

std::wstring ModuleFolder(HMODULE module) {
    const std::wstring path = ModulePath(module);
    return path.substr(0, path.find_last_of(L'\\'));
}

bool PathExists(const std::wstring& sPath) {
    return GetFileAttributesW(sPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadBytes(const std::wstring& sPath) {
    const KV_Api::UniqueHandle file(CreateFileW(sPath.c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file) {
        return bytes;
    }
    char chunk[65536];
    DWORD n = 0;
    while (ReadFile(file.Get(), chunk, sizeof(chunk), &n, nullptr) && n > 0) {
        bytes.append(chunk, n);
    }
    return bytes;
}

static void Write(const std::wstring& sPath, std::string_view bytes, DWORD disposition) {
    const bool bAppend = disposition == OPEN_ALWAYS;
    // Processes that append to one record take turns, for up to 10 s: Wine
    // writes an append at the end it finds, so two at once can land on one
    // place and a line is lost.
    const DWORD share = bAppend ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    KV_Api::UniqueHandle file;
    for (int i = 0; i < 2000; ++i) {
        file.Reset(CreateFileW(sPath.c_str(), bAppend ? FILE_APPEND_DATA : GENERIC_WRITE, share,
                               nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || GetLastError() != ERROR_SHARING_VIOLATION) {
            break;
        }
        Sleep(5);
    }
    DWORD written = 0;
    if (!file ||
        !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        throw std::runtime_error("cannot write " + Utf8(sPath));
    }
}

void WriteBytes(const std::wstring& sPath, std::string_view bytes) {
    Write(sPath, bytes, CREATE_ALWAYS);
}

std::wstring ReadUtf8File(const std::wstring& sPath) {
    return FromUtf8(ReadBytes(sPath));
}

void WriteUtf8File(const std::wstring& sPath, std::wstring_view sText) {
    WriteBytes(sPath, Utf8(sText));
}

void AppendUtf8Line(const std::wstring& sPath, std::wstring_view sLine) {
    Write(sPath, Utf8(sLine) + "\n", OPEN_ALWAYS);
}

std::vector<std::wstring> ReadUtf8Lines(const std::wstring& sPath) {
    std::vector<std::wstring> lines;
    const std::wstring text = ReadUtf8File(sPath);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::wstring> SplitTabs(const std::wstring& sLine) {
    std::vector<std::wstring> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = sLine.find(L'\t', start);
        fields.push_back(sLine.substr(start, tab - start));
        if (tab == std::wstring::npos) {
            return fields;
        }
        start = tab + 1;
    }
}

namespace {

// Whether a file can be opened for writing, or a new file created in a
// folder. Each probe of a folder is a new name: a probe caught by the flag
// can't be deleted on close, and an existing file stays writable inside an
// immutable folder, so reusing one name would always say "writable".
bool Writable(const std::wstring& sPath) {
    static unsigned probe = 0;
    const DWORD dwAttributes = GetFileAttributesW(sPath.c_str());
    const bool bFolder =
        dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::wstring sProbe = sPath + L"\\.kv-probe-";
    sProbe += std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++probe);
    const KV_Api::UniqueHandle file(
        bFolder ? CreateFileW(sProbe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr)
                : CreateFileW(sPath.c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(file);
}

// Deletes the probes that the flag kept from going on close.
void RemoveProbes(const std::wstring& sFolder) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(sFolder, ignored)) {
        if (entry.path().filename().wstring().starts_with(L".kv-probe-")) {
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

} // namespace

namespace {

// The Linux path of a Windows path, through Wine; empty outside Wine.
std::wstring UnixPath(const std::wstring& sPath) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    const auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName != nullptr ? unixName(sPath.c_str()) : nullptr;
    if (name == nullptr) {
        return std::wstring();
    }
    std::wstring sUnix = FromUtf8(name);
    HeapFree(GetProcessHeap(), 0, name);
    return sUnix;
}

// Starts a Linux program. Wine starts it like any other, with its arguments
// split the Windows way, but its handle can't be waited for: the caller
// watches the effect.
bool StartLinux(const wchar_t* sProgram, std::wstring sCommandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(sProgram, sCommandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    const KV_Api::UniqueHandle hProcess(process.hProcess);
    const KV_Api::UniqueHandle hThread(process.hThread);
    return true;
}

// Makes a file or folder immutable on the Linux side (chattr +i), or writable
// again. Wine runs as the Linux user, often root, whom no permission stops;
// an immutable folder refuses even root. False when it failed.
bool SetImmutable(const std::wstring& sPath, bool bOn) {
    const std::wstring sUnix = UnixPath(sPath);
    if (sUnix.empty() || !StartLinux(L"Z:\\usr\\bin\\chattr",
                                     (bOn ? L"chattr +i \"" : L"chattr -i \"") + sUnix + L"\"")) {
        return false;
    }
    for (int i = 0; i < 500; ++i) {
        if (Writable(sPath) != bOn) {
            if (!bOn) {
                RemoveProbes(sPath); // the folder is left as it was
            }
            return true;
        }
        Sleep(20);
    }
    return false;
}

// Mounts a small tmpfs over a folder, its files copied onto it, or unmounts
// it; writes "ok" or what went wrong to the status file when done.
constexpr const char* kSmallDiskScript = R"sh(dir=$2 status=$4
finish() {
    printf '%s\n' "$1" >"$status.part"
    rm -f "$status.err"
    mv "$status.part" "$status"
    exit 0
}
if [ "$1" = umount ]; then
    umount -l "$dir" 2>"$status.err" || finish "umount: $(cat "$status.err")"
    finish ok
fi
mv "$dir" "$dir.laid" || finish "cannot move $dir aside"
mkdir "$dir"
if ! mount -t tmpfs -o size=64m kvsmalldisk "$dir" 2>"$status.err"; then
    rmdir "$dir"
    mv "$dir.laid" "$dir"
    finish "mount -t tmpfs refused (the bench must run as root): $(cat "$status.err")"
fi
cp -a "$dir.laid/." "$dir/" && rm -rf "$dir.laid" || finish "cannot copy $dir onto the tmpfs"
used=$(df -k --output=used "$dir" | tail -n 1)
mount -o remount,size=$((used + $3))k "$dir" 2>"$status.err" || finish "remount: $(cat "$status.err")"
finish ok
)sh";

// Runs the script and waits for its word; the word, or why there was none.
std::wstring RunSmallDiskScript(const std::wstring& sFolder, const wchar_t* sAction,
                                unsigned kbFree) {
    const std::wstring sScript = sFolder + L".kv-disk.sh";
    const std::wstring sStatus = sFolder + L".kv-disk.status";
    DeleteFileW(sStatus.c_str());
    WriteBytes(sScript, kSmallDiskScript);
    const std::wstring sUnixScript = UnixPath(sScript);
    const std::wstring sUnixFolder = UnixPath(sFolder);
    const std::wstring sUnixStatus = UnixPath(sStatus);
    if (sUnixScript.empty() || sUnixFolder.empty() || sUnixStatus.empty()) {
        return L"not under Wine: no Linux path for " + sFolder;
    }
    if (!StartLinux(L"Z:\\bin\\sh", L"sh \"" + sUnixScript + L"\" " + sAction + L" \"" +
                                        sUnixFolder + L"\" " + std::to_wstring(kbFree) + L" \"" +
                                        sUnixStatus + L"\"")) {
        return L"/bin/sh could not be started";
    }
    for (int i = 0; i < 1500; ++i) {
        if (PathExists(sStatus)) {
            std::wstring sWord = ReadUtf8File(sStatus);
            DeleteFileW(sStatus.c_str());
            DeleteFileW(sScript.c_str());
            while (!sWord.empty() && sWord.back() == L'\n') {
                sWord.pop_back();
            }
            return sWord;
        }
        Sleep(20);
    }
    return L"the mount script gave no answer within 30 s";
}

} // namespace

SmallDisk::SmallDisk(std::wstring sFolder, unsigned kbFree) : m_sFolder(std::move(sFolder)) {
    const std::wstring sWord = RunSmallDiskScript(m_sFolder, L"mount", kbFree);
    if (sWord != L"ok") {
        m_sRefusal = sWord;
    }
}

// The folder's files go with the tmpfs.
SmallDisk::~SmallDisk() {
    if (m_sRefusal.empty()) {
        RunSmallDiskScript(m_sFolder, L"umount", 0);
    }
}

ImmutableGuard::ImmutableGuard(std::wstring sPath)
    : m_sPath(std::move(sPath)), m_bHeld(SetImmutable(m_sPath, true)) {}

// Released whatever the outcome of the constructor: a path left immutable
// would block every later clean-up of the tree.
ImmutableGuard::~ImmutableGuard() {
    SetImmutable(m_sPath, false);
}

} // namespace KV_Bench
