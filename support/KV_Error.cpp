#include "KV_Error.h"

KV_Error::KV_Error(std::int32_t lNumber, std::wstring sSource, std::wstring sDescription)
    : m_lNumber(lNumber), m_sSource(std::move(sSource)), m_sDescription(std::move(sDescription)) {
    m_sWhat.reserve(m_sDescription.size());
    for (wchar_t c : m_sDescription) {
        m_sWhat.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
    }
}
