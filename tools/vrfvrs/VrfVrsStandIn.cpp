// Stand-in for the server's version component, answering GetLstVrs from files
// of the bench folder. Its interface, class and library come from the header
// widl generates from KV_VrfVrs.idl, never from the launcher's own header, so
// that a launcher that disagrees with the contract fails its tests. Built
// twice from this file: KV_VrfVrsServer.exe, a local server whose calls the
// platform marshals from the type library KV_VrfVrs.tlb as it would across
// the network, and KV_VrfVrsBench.dll, the same class in process, where an
// error description always reaches the caller. Each form registers itself,
// replacing the other:
//   KV_VrfVrsServer.exe /RegServer;  DllRegisterServer, DllUnregisterServer
//
// The bench folder is %KV_BENCH_DIR%, or the module's own folder without it:
//   vrfvrs-list.txt   UTF-8, the list to return (empty when missing)
//   vrfvrs-error.txt  UTF-8; when present the call fails with this description
//   vrfvrs-calls.txt  each call appends the system code it was given, UTF-8
//   vrfvrs-mode.txt   the local server's behaviour: "hang" (inside the call,
//                     until its client's process is gone), "die" (ends its
//                     process inside the call), "slow" (offers its class 5 s
//                     after its start; in process, answers the call after 5 s)
// A hung or abandoned server ends through ExitProcess, never TerminateProcess:
// under Wine a terminated server stays registered and later activations fail.

#include "BenchFiles.h"
#include "KV_Api.h"

#include <windows.h>

#include <tlhelp32.h>

#include <initguid.h> // the generated header's GUIDs are defined here

#include "KV_VrfVrs_h.h"

#include <string>

namespace {

constexpr const wchar_t* kProgId = L"KV_VrfVrs.KVAD_DMVrfSis";
constexpr HRESULT kFailure = static_cast<HRESULT>(0x800A0100); // a component-defined error

HMODULE g_module = nullptr; // the DLL; null in the local server
LONG g_objects = 0;         // live objects
DWORD g_idleSince = 0;      // the local server: when its last object went
DWORD g_serverThread = 0;   // the local server's thread, told when its last reference goes
bool g_stopping = false;    // the local server is ending: it makes no more objects

// The local server's life, counted as the platform documents for one: each
// object and each lock holds the process; when the count falls to zero, the
// server refuses new objects and ends. Its own hold on itself, let go once
// it has had no object for a while, keeps it through a rush of clients.
// Every call comes in on the server's one thread.
void HoldServer() {
    if (g_serverThread != 0) {
        CoAddRefServerProcess();
    }
}
void ReleaseServer() {
    if (g_serverThread != 0 && CoReleaseServerProcess() == 0) {
        g_stopping = true;
        PostThreadMessageW(g_serverThread, WM_QUIT, 0, 0);
    }
}

std::wstring BenchFolder() {
    std::wstring sFolder = KV_Bench::EnvironmentValue(L"KV_BENCH_DIR");
    if (sFolder.empty()) {
        sFolder = KV_Bench::ModuleFolder(g_module);
    }
    return sFolder;
}

std::wstring Mode() {
    return KV_Bench::ReadUtf8File(BenchFolder() + L"\\vrfvrs-mode.txt");
}

// The process that started this one: under Wine the client whose activation
// started the local server. Null when it can't be had.
KV_Api::UniqueHandle StartingProcess() {
    const KV_Api::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) {
            return KV_Api::UniqueHandle(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ParentProcessID));
        }
    }
    return KV_Api::UniqueHandle();
}

void SetError(const std::wstring& sDescription) {
    KV_Api::ComPtr<ICreateErrorInfo> create;
    KV_Api::ComPtr<IErrorInfo> info;
    if (SUCCEEDED(CreateErrorInfo(create.Put()))) {
        create->SetDescription(const_cast<wchar_t*>(sDescription.c_str()));
        create->SetSource(const_cast<wchar_t*>(kProgId));
        create->SetGUID(IID__KVAD_DMVrfSis);
        if (SUCCEEDED(
                create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.Put())))) {
            SetErrorInfo(0, info.Get());
        }
    }
}

class VrfSis final : public _KVAD_DMVrfSis, public ISupportErrorInfo {
public:
    VrfSis() {
        InterlockedIncrement(&g_objects);
        HoldServer();
    }
    virtual ~VrfSis() {
        if (InterlockedDecrement(&g_objects) == 0) {
            g_idleSince = GetTickCount();
        }
        ReleaseServer();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (ppv == nullptr) {
            return E_POINTER;
        }
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID__KVAD_DMVrfSis) {
            *ppv = static_cast<_KVAD_DMVrfSis*>(this);
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
        if (g_module == nullptr && Mode() == L"die") {
            ExitProcess(1);
        }
        if (g_module == nullptr && Mode() == L"hang") {
            const KV_Api::UniqueHandle client = StartingProcess();
            WaitForSingleObject(client ? client.Get() : GetCurrentProcess(), 120000);
            ExitProcess(2);
        }
        if (g_module != nullptr && Mode() == L"slow") {
            Sleep(5000); // in process there is no start to delay: the call is slow
        }
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
        return riid == IID__KVAD_DMVrfSis ? S_OK : S_FALSE;
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
        if (g_stopping) {
            *ppv = nullptr;
            return CO_E_SERVER_STOPPING;
        }
        auto* object = new (std::nothrow) VrfSis();
        if (object == nullptr) {
            return E_OUTOFMEMORY;
        }
        const HRESULT hr = object->QueryInterface(riid, ppv);
        object->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL bLock) override {
        if (bLock) {
            HoldServer();
        } else {
            ReleaseServer();
        }
        return S_OK;
    }
};

Factory g_factory;

bool SetKeyValue(const std::wstring& sKey, const wchar_t* sName, const std::wstring& sValue) {
    const DWORD bytes = static_cast<DWORD>((sValue.size() + 1) * sizeof(wchar_t));
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, sKey.c_str(), sName, REG_SZ, sValue.c_str(), bytes) ==
           ERROR_SUCCESS;
}

constexpr SYSKIND kSysKind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;

// The class as the registry spells it.
std::wstring ClsidText() {
    wchar_t sClsid[40] = {};
    StringFromGUID2(CLSID_KVAD_DMVrfSis, sClsid, 40);
    return sClsid;
}

HRESULT Unregister() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + ClsidText()).c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
    UnRegisterTypeLib(LIBID_KV_VrfVrs, 1, 0, 0, kSysKind);
    return S_OK;
}

// The whole registration, in the registry view of the build: the ProgID, the
// class served by this module (sServerKey: "LocalServer32" or
// "InprocServer32"), and the type library beside it, which also points the
// interface at the universal marshaller.
HRESULT Register(const wchar_t* sServerKey) {
    Unregister();
    const std::wstring sPath = KV_Bench::ModulePath(g_module);
    KV_Api::ComPtr<ITypeLib> library;
    const std::wstring sLibrary = KV_Bench::ModuleFolder(g_module) + L"\\KV_VrfVrs.tlb";
    const HRESULT hr = LoadTypeLibEx(sLibrary.c_str(), REGKIND_REGISTER, library.Put());
    if (FAILED(hr)) {
        return hr;
    }
    const std::wstring sClsidKey = L"CLSID\\" + ClsidText();
    const std::wstring sServer = sClsidKey + L'\\' + sServerKey;
    const bool ok =
        SetKeyValue(sClsidKey, nullptr, L"KVAD_DMVrfSis (bench stand-in)") &&
        SetKeyValue(sServer, nullptr, sPath) &&
        (g_module == nullptr || SetKeyValue(sServer, L"ThreadingModel", L"Apartment")) &&
        SetKeyValue(sClsidKey + L"\\ProgID", nullptr, kProgId) &&
        SetKeyValue(std::wstring(kProgId) + L"\\CLSID", nullptr, ClsidText());
    return ok ? S_OK : E_FAIL;
}

} // namespace

#ifdef KV_VRFVRS_IN_PROCESS

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
    }
    return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (rclsid != CLSID_KVAD_DMVrfSis) {
        *ppv = nullptr;
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return g_factory.QueryInterface(riid, ppv);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return g_objects == 0 ? S_OK : S_FALSE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
    return Register(L"InprocServer32");
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return Unregister();
}

} // extern "C"

#else

// Serves the calls that come in for that long.
static void Pump(DWORD dwMs) {
    MSG msg;
    for (const DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < dwMs;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
}

// Registers itself, or, started by an activation, offers its class until it
// has had no object for kIdleEndMs, as local servers commonly do: clients
// started together activate one after another, and a server that ended on
// each last release would be ending while the next one activates. A server
// of several classes registers them suspended and resumes them together;
// this one has a single class, and Wine 8 never offers a class registered
// suspended (its CoResumeClassObjects does nothing), so it registers it ready.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR sCommand, int) {
    constexpr DWORD kIdleEndMs = 5000;
    const std::wstring sSwitches = sCommand;
    if (sSwitches.find(L"/RegServer") != std::wstring::npos) {
        return FAILED(Register(L"LocalServer32"));
    }
    if (Mode() == L"slow") {
        Sleep(5000);
    }
    const KV_Api::ComApartment apartment;
    g_serverThread = GetCurrentThreadId();
    DWORD dwCookie = 0;
    // Wine starts a server for every client that finds the class not offered.
    // The class may still be another server's, one that is ending: this one
    // tries again for a while, serving meanwhile, before it gives up.
    HRESULT hr = E_FAIL;
    for (const DWORD dwTried = GetTickCount(); GetTickCount() - dwTried < 5000; Pump(200)) {
        hr = CoRegisterClassObject(CLSID_KVAD_DMVrfSis, &g_factory, CLSCTX_LOCAL_SERVER,
                                   REGCLS_MULTIPLEUSE, &dwCookie);
        if (SUCCEEDED(hr)) {
            break;
        }
    }
    if (FAILED(hr)) {
        return 1;
    }
    HoldServer(); // its own hold
    bool bHeld = true;
    g_idleSince = GetTickCount();
    // A test's bench folder goes at its end: its server has nothing more to
    // serve, and must not answer the next test's launcher.
    const std::wstring sBench = BenchFolder();
    bool bBenchGone = false;
    MSG msg{};
    for (bool bQuit = false; !bQuit;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 200, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            bQuit = bQuit || msg.message == WM_QUIT;
            DispatchMessageW(&msg);
        }
        if (bHeld && g_objects == 0 && GetTickCount() - g_idleSince >= kIdleEndMs) {
            bHeld = false;
            ReleaseServer();
        }
        bBenchGone = !KV_Bench::PathExists(sBench);
        bQuit = bQuit || bBenchGone;
    }
    g_stopping = true;
    CoRevokeClassObject(dwCookie);
    // A client that found the class before the revocation still reaches this
    // server, and gets CO_E_SERVER_STOPPING rather than a server that is
    // gone: under Wine it may take its time, eight clients on two cores.
    if (!bBenchGone) {
        Pump(2000);
    }
    return 0;
}

#endif
