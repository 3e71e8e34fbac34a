#pragma once
// The shell and the multimedia library are loaded at the first call of the
// one function the launcher takes from each, not at the start of every run:
// the shell copies only when a component changed, and the millisecond timer
// is read only while a setup runs, yet loading both costs each start about
// 12 ms under Wine. Callers call through the import slot that the header's
// declaration names (__imp_...). LateShell.cpp and LateTimer.cpp define those
// slots, each pointing at a function that loads its DLL once and calls on,
// and the linker takes a slot from there instead of from the import library.
// Each slot is an object of its own: a program that has already taken one
// from its import library keeps it, and that object is then not linked in.

#include <windows.h>

namespace KV_Api {

// The function, from the DLL loaded now, or null. The DLL stays loaded for
// the rest of the process, as an imported one would.
template <class Function> Function FindLate(const wchar_t* sDll, const char* sName) {
    const HMODULE module = LoadLibraryW(sDll);
    const FARPROC proc = module != nullptr ? GetProcAddress(module, sName) : nullptr;
    // Through the generic function pointer type, the one cast GCC allows.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

} // namespace KV_Api

// The linker's name of the import slot of a stdcall function with that many
// bytes of arguments.
#if defined(__i386__)
#define KV_IMPORT_SLOT(name, bytes) "__imp__" name "@" bytes
#else
#define KV_IMPORT_SLOT(name, bytes) "__imp_" name
#endif
