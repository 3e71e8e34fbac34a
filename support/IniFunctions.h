#pragma once
// Reading and writing one key of a profile (INI) file. Neither routine lets an
// error reach its caller: a failure is shown and a fallback returned. Their
// "OrRaise" forms, for a caller that may show nothing, raise it instead. The file
// is reached by its exact ANSI path or its short form (KV_Api::AnsiPath);
// section, key and texts must be exact in the ANSI code page.

#include "KV_Variant.h"

#include <cstdint>
#include <string>

// The key's whole value, without leading and trailing spaces; the default's
// text (trimmed the same way) when the file, section or key is missing.
std::wstring ReadIniKey(const std::wstring& sIniFile, const std::wstring& sSection,
                        const std::wstring& sKey, const KV_Variant& vDefault = KV_Variant());

// Creates or replaces the key, creating file and section when missing.
// 1 when the platform reports success, 0 otherwise.
std::int16_t WriteIniKey(const std::wstring& sIniFile, const std::wstring& sSection,
                         const std::wstring& sKey, const std::wstring& sValue);

std::wstring ReadIniKeyOrRaise(const std::wstring& sIniFile, const std::wstring& sSection,
                               const std::wstring& sKey, const KV_Variant& vDefault = KV_Variant());
std::int16_t WriteIniKeyOrRaise(const std::wstring& sIniFile, const std::wstring& sSection,
                                const std::wstring& sKey, const std::wstring& sValue);
