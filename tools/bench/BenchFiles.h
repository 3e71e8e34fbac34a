#pragma once
// File and text helpers of the test bench. The bench writes and reads its own
// files as UTF-8, so that what it records survives Wine's console.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace KV_Bench {

std::string Utf8(std::wstring_view sText);
// The ANSI code page's bytes of a text, as the launcher's files hold them.
std::string Ansi(std::wstring_view sText);
std::wstring FromUtf8(std::string_view sText);

std::wstring EnvironmentValue(const wchar_t* sName);
std::wstring ModulePath(HMODULE module);
std::wstring ModuleFolder(HMODULE module);

bool PathExists(const std::wstring& sPath);
std::string ReadBytes(const std::wstring& sPath); // "" when missing
void WriteBytes(const std::wstring& sPath, std::string_view bytes);
std::wstring ReadUtf8File(const std::wstring& sPath);
void WriteUtf8File(const std::wstring& sPath, std::wstring_view sText);
void AppendUtf8Line(const std::wstring& sPath, std::wstring_view sLine);
std::vector<std::wstring> ReadUtf8Lines(const std::wstring& sPath);
std::vector<std::wstring> SplitTabs(const std::wstring& sLine);

// Holds a path immutable for its own lifetime (chattr +i on the Linux side):
// Wine runs as the Linux user, often root, whom no permission stops, but an
// immutable folder refuses even root. Wine only.
class ImmutableGuard {
public:
    explicit ImmutableGuard(std::wstring sPath);
    ~ImmutableGuard();
    ImmutableGuard(const ImmutableGuard&) = delete;
    ImmutableGuard& operator=(const ImmutableGuard&) = delete;
    bool Held() const { return m_bHeld; }

private:
    std::wstring m_sPath;
    bool m_bHeld;
};

// Puts a folder on a file system of its own, a tmpfs with only kbFree
// kilobytes free once the folder's files are on it; the files go with it when
// it is released. Wine on Linux, as root only; Refusal() says why it could
// not be done, and is empty when it was.
class SmallDisk {
public:
    SmallDisk(std::wstring sFolder, unsigned kbFree);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    const std::wstring& Refusal() const { return m_sRefusal; }

private:
    std::wstring m_sFolder;
    std::wstring m_sRefusal;
};

} // namespace KV_Bench
