// The resources of the built KV_ZudIvi.exe, read back the way Windows reads them.
#include "BenchFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

const std::wstring kLauncher = KV_Bench::ModuleFolder(nullptr) + L"\\KV_ZudIvi.exe";

TEST(Resources, VersionBlockNamesTheProductAndItsVersion) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kLauncher.c_str(), &ignored);
    ASSERT_NE(size, 0u) << "no version block";
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(kLauncher.c_str(), 0, size, block.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(*static_cast<DWORD*>(value), DWORD(MAKELONG(0x0C0A, 1200))); // Spanish, Unicode

    using Row = std::pair<const wchar_t*, const wchar_t*>;
    const Row strings[] = {Row{L"ProductName", L"KV_ZudIviPrj"},
                           Row{L"FileDescription", L"KV_ZudIvi, lanzador de Morvane"},
                           Row{L"InternalName", L"KV_ZudIvi"},
                           Row{L"OriginalFilename", L"KV_ZudIvi.exe"},
                           Row{L"FileVersion", KV_PROJECT_VERSION},
                           Row{L"ProductVersion", KV_PROJECT_VERSION}};
    for (const auto& [name, expected] : strings) {
        SCOPED_TRACE(KV_Bench::Utf8(name));
        const std::wstring key = std::wstring(L"\\StringFileInfo\\0C0A04B0\\") + name;
        ASSERT_TRUE(VerQueryValueW(block.data(), key.c_str(), &value, &length) && length > 0);
        // The length counts the terminating null.
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value), length - 1), expected);
    }

    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed->dwFileVersionMS,
              DWORD(MAKELONG(KV_PROJECT_VERSION_MINOR, KV_PROJECT_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD(MAKELONG(0, KV_PROJECT_VERSION_PATCH)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
}

TEST(Resources, ManifestAndIconAreThere) {
    HMODULE launcher = LoadLibraryExW(kLauncher.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(launcher, nullptr) << "error " << GetLastError();
    const auto bytesOf = [launcher](const wchar_t* id, const wchar_t* type) {
        HRSRC found = FindResourceW(launcher, id, type);
        return found == nullptr ? std::string_view()
                                : std::string_view(static_cast<const char*>(
                                                       LockResource(LoadResource(launcher, found))),
                                                   SizeofResource(launcher, found));
    };
    const std::string_view manifest = bytesOf(CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    for (const char* part :
         {"level=\"asInvoker\"", "\"Microsoft.Windows.Common-Controls\"", "PerMonitorV2"}) {
        SCOPED_TRACE(part);
        EXPECT_NE(manifest.find(part), std::string_view::npos);
    }

    // LoadImageW would scale a lone 32 px image down, so the directory must hold an
    // image of each size itself, and each must load.
    const std::string_view directory = bytesOf(MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_FALSE(directory.empty());
    for (int size : {16, 32}) {
        SCOPED_TRACE(std::to_string(size) + " px");
        const int id = LookupIconIdFromDirectoryEx(
            reinterpret_cast<BYTE*>(const_cast<char*>(directory.data())), TRUE, size, size,
            LR_DEFAULTCOLOR);
        const std::string_view image = bytesOf(MAKEINTRESOURCEW(id), RT_ICON);
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
        EXPECT_EQ(header->biWidth, size);
        EXPECT_EQ(header->biHeight, 2 * size) << "colour and mask";
        HICON icon = static_cast<HICON>(
            LoadImageW(launcher, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        EXPECT_NE(icon, nullptr) << "error " << GetLastError();
        DestroyIcon(icon);
    }
    FreeLibrary(launcher);
}

} // namespace
