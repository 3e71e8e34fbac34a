#pragma once
// File and text helpers of the test bench. The bench writes and reads its own
// files as UTF-8, so that what it records survives Wine's console.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace KV_Bench {

std::string Utf8(std::wstring_view sText);
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

} // namespace KV_Bench
