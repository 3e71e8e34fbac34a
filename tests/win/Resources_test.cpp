// The resources of the built KV_ZudIvi.exe, read back the way Windows reads them.
#include "BenchFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace {

const std::wstring kLauncher = KV_Bench::ModuleFolder(nullptr) + L"\\KV_ZudIvi.exe";

// The version block names the product and its version; the manifest and the
// icon are there.
TEST(Resources, VersionManifestAndIcon) {
    std::vector<BYTE> block(GetFileVersionInfoSizeW(kLauncher.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoW(kLauncher.c_str(), 0, DWORD(block.size()), block.data()));
    void* value = nullptr;
    UINT length = 0;
    const auto query = [&](const std::wstring& path) {
        return VerQueryValueW(block.data(), path.c_str(), &value, &length) && length > 0;
    };
    ASSERT_TRUE(query(L"\\VarFileInfo\\Translation"));
    // Spanish (0C0A), Unicode (04B0)
    EXPECT_EQ(std::string(static_cast<const char*>(value), length), "\x0A\x0C\xB0\x04");
    using Row = std::pair<const wchar_t*, const wchar_t*>;
    for (const auto& [name, expected] :
         {Row{L"ProductName", L"KV_ZudIviPrj"},
          Row{L"FileDescription", L"KV_ZudIvi, lanzador de Morvane"},
          Row{L"InternalName", L"KV_ZudIvi"}, Row{L"OriginalFilename", L"KV_ZudIvi.exe"},
          Row{L"FileVersion", KV_PROJECT_VERSION}, Row{L"ProductVersion", KV_PROJECT_VERSION}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(query(std::wstring(L"\\StringFileInfo\\0C0A04B0\\") + name));
        // The length counts the terminating null.
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value), length - 1), expected);
    }
    ASSERT_TRUE(query(L"\\") && length >= sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    const DWORD ms = MAKELONG(KV_PROJECT_VERSION_MINOR, KV_PROJECT_VERSION_MAJOR);
    const DWORD ls = MAKELONG(0, KV_PROJECT_VERSION_PATCH);
    EXPECT_EQ((std::array{fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                          fixed->dwProductVersionLS, fixed->dwFileType}),
              (std::array<DWORD, 5>{ms, ls, ms, ls, VFT_APP}));

    HMODULE launcher = LoadLibraryExW(kLauncher.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(launcher, nullptr) << "error " << GetLastError();
    const auto bytesOf = [launcher](const wchar_t* id, const wchar_t* type) {
        HRSRC found = FindResourceW(launcher, id, type);
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(launcher, found)));
        return std::string_view(bytes, bytes ? SizeofResource(launcher, found) : 0);
    };
    const std::string_view manifest = bytesOf(CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), manifest.npos);
    EXPECT_NE(manifest.find("\"Microsoft.Windows.Common-Controls\""), manifest.npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), manifest.npos);

    // LoadImageW would scale a lone 32 px image down, so the directory must hold an
    // image of each size itself, and each must load.
    const std::string_view directory = bytesOf(MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_FALSE(directory.empty());
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        const int id = LookupIconIdFromDirectoryEx(
            reinterpret_cast<BYTE*>(const_cast<char*>(directory.data())), TRUE, size, size,
            LR_DEFAULTCOLOR);
        const std::string_view image = bytesOf(MAKEINTRESOURCEW(id), RT_ICON);
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
        // Colour and mask: twice as high as wide.
        EXPECT_EQ(std::pair(header->biWidth, header->biHeight), std::pair(LONG(size), 2L * size));
        HICON icon = static_cast<HICON>(
            LoadImageW(launcher, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        EXPECT_NE(icon, nullptr) << "error " << GetLastError();
        DestroyIcon(icon);
    }
    FreeLibrary(launcher);
}

} // namespace
