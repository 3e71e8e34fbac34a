// The resources of the built KV_ZudIvi.exe, read back the way Windows reads them.
#include "BenchFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <string>
#include <vector>

using namespace std::literals;

// The version block names the product and its version in Spanish (0C0A) and
// Unicode (04B0); the manifest is there, and an icon of each size.
TEST(Resources, VersionManifestAndIcon) {
    const std::wstring path = KV_Bench::ModuleFolder(nullptr) + L"\\KV_ZudIvi.exe";
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, DWORD(block.size()), block.data()));
    // Where a value starts; a missing one reads as zeros.
    const auto value = [&block](const std::wstring& name) -> const void* {
        static const BYTE none[64] = {};
        void* data = nullptr;
        UINT length = 0;
        return VerQueryValueW(block.data(), name.c_str(), &data, &length) ? data : none;
    };
    EXPECT_EQ(*static_cast<const DWORD*>(value(L"\\VarFileInfo\\Translation")), 0x04B00C0Au);
    std::wstring texts; // each, then '|'
    for (const std::wstring name : {L"ProductName", L"FileDescription", L"InternalName",
                                    L"OriginalFilename", L"FileVersion", L"ProductVersion"}) {
        texts += static_cast<const wchar_t*>(value(L"\\StringFileInfo\\0C0A04B0\\" + name)) + L"|"s;
    }
    EXPECT_EQ(texts, L"KV_ZudIviPrj|KV_ZudIvi, lanzador de Morvane|"
                     L"KV_ZudIvi|KV_ZudIvi.exe|" KV_PROJECT_VERSION L"|" KV_PROJECT_VERSION L"|");
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value(L"\\"));
    const DWORD ms = MAKELONG(KV_PROJECT_VERSION_MINOR, KV_PROJECT_VERSION_MAJOR);
    const DWORD ls = MAKELONG(0, KV_PROJECT_VERSION_PATCH);
    EXPECT_EQ((std::array{fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                          fixed->dwProductVersionLS, fixed->dwFileType}),
              (std::array<DWORD, 5>{ms, ls, ms, ls, VFT_APP}));

    HMODULE launcher = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    const auto bytesOf = [launcher](const wchar_t* id, const wchar_t* type) {
        HRSRC found = FindResourceW(launcher, id, type);
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(launcher, found)));
        return std::string(bytes, bytes ? SizeofResource(launcher, found) : 0);
    };
    const std::string manifest = bytesOf(CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    for (const char* part :
         {"level=\"asInvoker\"", "\"Microsoft.Windows.Common-Controls\"", "PerMonitorV2"}) {
        EXPECT_NE(manifest.find(part), manifest.npos) << part;
    }
    // LoadImageW would scale a lone 32 px image down, so the icon's directory
    // (a 6-byte head, then 14 bytes an image, its width first) holds each
    // size, and each loads.
    const std::string icons = bytesOf(MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_EQ(icons.size(), 6u + 3 * 14);
    EXPECT_EQ(std::string({icons[6], icons[20], icons[34]}), "\x10\x20\x30");
    for (int size : {16, 32}) {
        EXPECT_TRUE(DestroyIcon(static_cast<HICON>(
            LoadImageW(launcher, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR))))
            << size;
    }
    FreeLibrary(launcher);
}
