// A component file for the demo: a DLL that does nothing and carries a
// version resource, so the demo's refresh tool has a version to record.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
