#pragma once
// The call contract of the server's version component: created by ProgID on
// the application server, used through one dual interface.

#include <windows.h>

#include <oaidl.h>

namespace KV_VrfVrs {

inline constexpr const wchar_t* kProgId = L"KV_VrfVrs.KVAD_DMVrfSis";

// {9300CF45-9C84-4664-B118-2D44EBFE0991}
inline constexpr IID kIID_KVAD_DMVrfSis = {
    0x9300CF45, 0x9C84, 0x4664, {0xB1, 0x18, 0x2D, 0x44, 0xEB, 0xFE, 0x09, 0x91}};

// After the IUnknown and IDispatch slots come three methods the launcher does
// not call, then GetLstVrs. Only the slot order matters to the launcher.
struct IKVAD_DMVrfSis : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE Reserved1() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved2() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    // The version list for a system code ("KV" for this client).
    virtual HRESULT STDMETHODCALLTYPE GetLstVrs(BSTR sCodSis, BSTR* psLstVrs) = 0;
};

} // namespace KV_VrfVrs
