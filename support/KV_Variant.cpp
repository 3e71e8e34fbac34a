#include "KV_Variant.h"

#include "KV_Error.h"

std::wstring KV_Variant::ToText() const {
    switch (GetKind()) {
    case Kind::Empty:
        return std::wstring();
    case Kind::Integer:
        return std::to_wstring(*Get<std::int16_t>());
    case Kind::Long:
        return std::to_wstring(*Get<std::int32_t>());
    case Kind::String:
        return *Get<std::wstring>();
    case Kind::ByteArray:
        break;
    }
    throw KV_Error(KV_Error::kTypeMismatch, L"Type mismatch");
}
