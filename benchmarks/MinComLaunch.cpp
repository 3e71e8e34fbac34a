// The least a launcher that asks the version component can do: enter a
// single-threaded apartment, create the component by its ProgID, ask it for
// the list of system "KV", release it, then start Morvane.exe from its own
// folder with the command line it was given, as MinLaunch does. The launch
// benchmark measures the real launcher against it: what is left is what the
// launcher adds to the COM runtime's cost.
#include "KV_VrfVrs.h"
#include "StartClient.h"

#include <windows.h>

#include <objbase.h>

namespace {

// True when the component answered with a list. On any failure the client is
// not started, so the benchmark sees the run as failed rather than fast.
bool AskComponent() {
    bool bOk = false;
    CLSID clsid;
    MULTI_QI query{&KV_VrfVrs::kIID_KVAD_DMVrfSis, nullptr, S_OK};
    if (SUCCEEDED(CLSIDFromProgID(KV_VrfVrs::kProgId, &clsid)) &&
        SUCCEEDED(CoCreateInstanceEx(clsid, nullptr, CLSCTX_SERVER, nullptr, 1, &query)) &&
        SUCCEEDED(query.hr)) {
        auto* component = static_cast<KV_VrfVrs::IKVAD_DMVrfSis*>(query.pItf);
        BSTR system = SysAllocString(L"KV");
        BSTR list = nullptr;
        bOk = SUCCEEDED(component->GetLstVrs(system, &list)) && list != nullptr;
        SysFreeString(list);
        SysFreeString(system);
        component->Release();
    }
    return bOk;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR pArguments, int) {
    // The apartment is left after the client's start, as the launcher leaves
    // it: what it costs to leave falls outside the time measured for both.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 2;
    }
    const bool bStarted = AskComponent() && StartClient(pArguments);
    CoUninitialize();
    return bStarted ? 0 : 1;
}
