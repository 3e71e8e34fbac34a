// The shell's file operation, loaded at its first call (LateImports.h).
#include "LateImports.h"

#include <shellapi.h>

namespace {

int WINAPI LateSHFileOperationA(LPSHFILEOPSTRUCTA pOperation) {
    static const auto real =
        KV_Api::FindLate<int(WINAPI*)(LPSHFILEOPSTRUCTA)>(L"shell32.dll", "SHFileOperationA");
    // Without the shell nothing was copied: the caller's failure.
    return real != nullptr ? real(pOperation) : ERROR_MOD_NOT_FOUND;
}

} // namespace

extern "C" {
auto* kvSlotSHFileOperationA __asm__(KV_IMPORT_SLOT("SHFileOperationA",
                                                    "4")) = &LateSHFileOperationA;
}
