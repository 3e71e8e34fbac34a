#include "KV_Error.h"

#include <string_view>

KV_Error::KV_Error(std::int32_t lNumber, std::wstring sSource, std::wstring sDescription)
    : m_lNumber(lNumber), m_sSource(std::move(sSource)), m_sDescription(std::move(sDescription)) {
    m_sWhat.reserve(m_sDescription.size());
    for (wchar_t c : m_sDescription) {
        m_sWhat.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    }
}

KV_Error::KV_Error(std::int32_t lNumber, std::wstring sDescription, const KV_Place& where)
    : KV_Error(lNumber, SourceOf(where), std::move(sDescription)) {}

std::wstring KV_Error::SourceOf(const KV_Place& where) {
    // The compilers name a function with its return type, scopes and
    // parameters ("std::string KV_Api::ToAnsi(std::wstring_view)") or bare.
    std::string_view file = where.file_name();
    std::string_view function = where.function_name();
    file.remove_prefix(file.find_last_of("/\\") + 1);
    function = function.substr(0, function.find('('));
    function.remove_prefix(function.find_last_of(": ") + 1);
    const std::string sSource =
        std::string(file.substr(0, file.find('.'))) + "." + std::string(function);
    return std::wstring(sSource.begin(), sSource.end());
}
