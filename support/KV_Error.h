#pragma once
// The one error type of the program. A failure carries a number, the name of
// what raised it and a description meant for the person at the screen; it
// travels up to the nearest routine with a handler, as an exception.

#include <cstdint>
#include <exception>
#include <string>
#include <version>

#ifdef __cpp_lib_source_location
#include <source_location>
using KV_Place = std::source_location;
#else
// The fuzz build's clang 14 has no std::source_location with this standard
// library; its builtins give the same two names.
struct KV_Place {
    static constexpr KV_Place current(const char* file = __builtin_FILE(),
                                      const char* function = __builtin_FUNCTION()) noexcept {
        return {file, function};
    }
    constexpr const char* file_name() const noexcept { return m_file; }
    constexpr const char* function_name() const noexcept { return m_function; }
    const char* m_file;
    const char* m_function;
};
#endif

class KV_Error : public std::exception {
public:
    // Numbers of the errors the program raises itself.
    static constexpr std::int32_t kInvalidArgument = 5;
    static constexpr std::int32_t kTypeMismatch = 13;

    KV_Error(std::int32_t lNumber, std::wstring sSource, std::wstring sDescription);
    // Raised where the caller stands, which is its source.
    KV_Error(std::int32_t lNumber, std::wstring sDescription,
             const KV_Place& where = KV_Place::current());

    // A place in the code as a source: "<file without extension>.<function>",
    // as "KV_Api.ToAnsi".
    static std::wstring SourceOf(const KV_Place& where);

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
