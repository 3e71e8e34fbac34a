#pragma once
// The one error type of the program. A failure carries a number, the name of
// what raised it and a description meant for the person at the screen; it
// travels up to the nearest routine with a handler, as an exception.

#include <cstdint>
#include <exception>
#include <string>

class KV_Error : public std::exception {
public:
    // Numbers of the errors the program raises itself.
    static constexpr std::int32_t kInvalidArgument = 5;
    static constexpr std::int32_t kTypeMismatch = 13;

    KV_Error(std::int32_t lNumber, std::wstring sSource, std::wstring sDescription);

    std::int32_t Number() const noexcept { return m_lNumber; }
    const std::wstring& Source() const noexcept { return m_sSource; }
    const std::wstring& Description() const noexcept { return m_sDescription; }

    // The description with everything outside ASCII as '?', for diagnostics
    // that only take narrow text.
    const char* what() const noexcept override { return m_sWhat.c_str(); }

private:
    std::int32_t m_lNumber;
    std::wstring m_sSource;
    std::wstring m_sDescription;
    std::string m_sWhat;
};
