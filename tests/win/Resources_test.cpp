// The resources of the built KV_ZudIvi.exe, read back the way Windows reads them.
#include "BenchFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

// The manifest is there, and an icon of each size. (The version resource is
// checked against the project's version by the release's check.)
TEST(Resources, ManifestAndIcon) {
    const std::wstring path = KV_Bench::ModuleFolder(nullptr) + L"\\KV_ZudIvi.exe";
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
