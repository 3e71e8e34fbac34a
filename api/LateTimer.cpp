// The multimedia millisecond timer, loaded at its first call (LateImports.h).
#include "LateImports.h"

namespace {

DWORD WINAPI LateTimeGetTime() {
    static const auto real = KV_Api::FindLate<DWORD(WINAPI*)()>(L"winmm.dll", "timeGetTime");
    // The same millisecond count, at the coarser resolution of the tick.
    return real != nullptr ? real() : GetTickCount();
}

} // namespace

extern "C" {
auto* kvSlotTimeGetTime __asm__(KV_IMPORT_SLOT("timeGetTime", "0")) = &LateTimeGetTime;
}
