#pragma once
// A tagged value: empty, 16-bit integer, 32-bit integer, text or byte array.
// Registry values and optional defaults travel in it.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

class KV_Variant {
public:
    using Bytes = std::vector<std::uint8_t>;
    enum class Kind { Empty, Integer, Long, String, ByteArray };

    KV_Variant() = default;
    KV_Variant(std::int16_t iValue) : m_value(iValue) {}
    KV_Variant(std::int32_t lValue) : m_value(lValue) {}
    KV_Variant(std::wstring sValue) : m_value(std::move(sValue)) {}
    KV_Variant(const wchar_t* sValue) : m_value(std::wstring(sValue)) {}
    KV_Variant(Bytes bytes) : m_value(std::move(bytes)) {}

    Kind GetKind() const noexcept { return static_cast<Kind>(m_value.index()); }
    bool IsEmpty() const noexcept { return GetKind() == Kind::Empty; }

    // The held value of type T, or nullptr when the variant holds another kind.
    template <class T> const T* Get() const noexcept { return std::get_if<T>(&m_value); }

    // The value as text: empty gives "", integers their decimal form, text
    // itself. A byte array has no text form and raises a type mismatch.
    std::wstring ToText() const;

    friend bool operator==(const KV_Variant&, const KV_Variant&) = default;

private:
    // The order of the alternatives follows Kind.
    std::variant<std::monostate, std::int16_t, std::int32_t, std::wstring, Bytes> m_value;
};
