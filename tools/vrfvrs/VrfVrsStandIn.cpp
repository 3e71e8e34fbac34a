// Stand-in for the server's version component: an in-process COM server that
// answers GetLstVrs from files of the bench folder.
//
// The bench folder is %KV_BENCH_DIR%, or the DLL's own folder without it:
//   vrfvrs-list.txt   UTF-8, the list to return (empty when missing)
//   vrfvrs-error.txt  UTF-8; when present the call fails with this description
//   vrfvrs-calls.txt  each call appends the system code it was given, UTF-8

#include "BenchFiles.h"
#include "KV_VrfVrs.h"

#include <windows.h>

#include <string>

namespace {

// {6A1F3C52-8D47-4B0E-9E21-5C3D7A9B0F14}: the stand-in's own class.
constexpr CLSID kClsid = {
    0x6A1F3C52, 0x8D47, 0x4B0E, {0x9E, 0x21, 0x5C, 0x3D, 0x7A, 0x9B, 0x0F, 0x14}};
constexpr const wchar_t* kClsidText = L"{6A1F3C52-8D47-4B0E-9E21-5C3D7A9B0F14}";
constexpr HRESULT kFailure = static_cast<HRESULT>(0x800A0100); // a component-defined error

HMODULE g_module = nullptr;
LONG g_objects = 0;

std::wstring BenchFolder() {
    std::wstring sFolder = KV_Bench::EnvironmentValue(L"KV_BENCH_DIR");
    if (sFolder.empty()) {
        sFolder = KV_Bench::ModuleFolder(g_module);
    }
    return sFolder;
}

void SetError(const std::wstring& sDescription) {
    ICreateErrorInfo* create = nullptr;
    if (FAILED(CreateErrorInfo(&create))) {
        return;
    }
    create->SetDescription(const_cast<wchar_t*>(sDescription.c_str()));
    create->SetSource(const_cast<wchar_t*>(KV_VrfVrs::kProgId));
    create->SetGUID(KV_VrfVrs::kIID_KVAD_DMVrfSis);
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
        SetErrorInfo(0, info);
        info->Release();
    }
    create->Release();
}

class VrfSis final : public KV_VrfVrs::IKVAD_DMVrfSis, public ISupportErrorInfo {
public:
    VrfSis() { InterlockedIncrement(&g_objects); }
    virtual ~VrfSis() { InterlockedDecrement(&g_objects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDispatch ||
            riid == KV_VrfVrs::kIID_KVAD_DMVrfSis) {
            *ppv = static_cast<KV_VrfVrs::IKVAD_DMVrfSis*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *ppv = static_cast<ISupportErrorInfo*>(this);
        } else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&m_refs));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) {
            delete this;
        }
        return static_cast<ULONG>(n);
    }

    // Late binding is not offered: the launcher calls through the vtable.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Reserved1() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved2() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reserved3() override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetLstVrs(BSTR sCodSis, BSTR* psLstVrs) override {
        if (psLstVrs == nullptr) {
            return E_POINTER;
        }
        *psLstVrs = nullptr;
        const std::wstring sFolder = BenchFolder();
        KV_Bench::AppendUtf8Line(sFolder + L"\\vrfvrs-calls.txt",
                                 std::wstring(sCodSis, SysStringLen(sCodSis)));
        const std::wstring sErrorFile = sFolder + L"\\vrfvrs-error.txt";
        if (KV_Bench::PathExists(sErrorFile)) {
            SetError(KV_Bench::ReadUtf8File(sErrorFile));
            return kFailure;
        }
        const std::wstring sList = KV_Bench::ReadUtf8File(sFolder + L"\\vrfvrs-list.txt");
        *psLstVrs = SysAllocStringLen(sList.data(), static_cast<UINT>(sList.size()));
        return *psLstVrs != nullptr ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == KV_VrfVrs::kIID_KVAD_DMVrfSis ? S_OK : S_FALSE;
    }

private:
    LONG m_refs = 1;
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* object = new (std::nothrow) VrfSis();
        if (object == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

bool SetKeyValue(const std::wstring& sKey, const wchar_t* sName, const std::wstring& sValue) {
    const DWORD bytes = static_cast<DWORD>((sValue.size() + 1) * sizeof(wchar_t));
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, sKey.c_str(), sName, REG_SZ, sValue.c_str(), bytes) ==
           ERROR_SUCCESS;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
    }
    return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (rclsid != kClsid) {
        *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_factory.QueryInterface(riid, ppv);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return g_objects == 0 ? S_OK : S_FALSE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
    const std::wstring sClsidKey = std::wstring(L"CLSID\\") + kClsidText;
    const std::wstring sServerKey = sClsidKey + L"\\InprocServer32";
    const bool ok = SetKeyValue(sClsidKey, nullptr, L"KVAD_DMVrfSis (bench stand-in)") &&
                    SetKeyValue(sServerKey, nullptr, KV_Bench::ModulePath(g_module)) &&
                    SetKeyValue(sServerKey, L"ThreadingModel", L"Apartment") &&
                    SetKeyValue(sClsidKey + L"\\ProgID", nullptr, KV_VrfVrs::kProgId) &&
                    SetKeyValue(std::wstring(KV_VrfVrs::kProgId) + L"\\CLSID", nullptr, kClsidText);
    return ok ? S_OK : E_FAIL;
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsidText).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, KV_VrfVrs::kProgId);
    return S_OK;
}

} // extern "C"
