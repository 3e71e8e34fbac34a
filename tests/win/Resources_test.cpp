// The resources of the built KV_ZudIvi.exe, read back the way Windows reads them.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::filesystem::path LauncherPath() {
    std::wstring self(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, self.data(), DWORD(self.size()));
        if (length < self.size()) {
            self.resize(length);
            break;
        }
        self.resize(self.size() * 2);
    }
    return std::filesystem::path(self).parent_path() / L"KV_ZudIvi.exe";
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = std::wstring(L"\\StringFileInfo\\0C0A04B0\\") + name;
    if (!VerQueryValueW(block.data(), key.c_str(), &value, &length) || length == 0)
        return L"<missing>";
    // The length counts the terminating null.
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(Resources, VersionBlockNamesTheProductAndItsVersion) {
    const std::wstring file = LauncherPath().wstring();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    ASSERT_NE(size, 0u) << "no version block in " << LauncherPath().string();
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, size, block.data()));

    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, sizeof(Translation));
    EXPECT_EQ(translation->language, 0x0C0A);
    EXPECT_EQ(translation->codePage, 1200);

    EXPECT_EQ(VersionString(block, L"ProductName"), L"KV_ZudIviPrj");
    EXPECT_EQ(VersionString(block, L"FileDescription"), L"KV_ZudIvi, lanzador de Morvane");
    EXPECT_EQ(VersionString(block, L"InternalName"), L"KV_ZudIvi");
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"KV_ZudIvi.exe");
    EXPECT_EQ(VersionString(block, L"FileVersion"), KV_PROJECT_VERSION);
    EXPECT_EQ(VersionString(block, L"ProductVersion"), KV_PROJECT_VERSION);

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed->dwFileVersionMS,
              DWORD(MAKELONG(KV_PROJECT_VERSION_MINOR, KV_PROJECT_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, DWORD(MAKELONG(0, KV_PROJECT_VERSION_PATCH)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
}

TEST(Resources, ManifestAndIconAreThere) {
    HMODULE launcher = LoadLibraryExW(LauncherPath().c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(launcher, nullptr) << "error " << GetLastError();

    HRSRC manifest = FindResourceW(launcher, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
    ASSERT_NE(manifest, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(launcher, manifest)));
    ASSERT_NE(bytes, nullptr);
    const std::string_view text(bytes, SizeofResource(launcher, manifest));
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string_view::npos);
    EXPECT_NE(text.find("\"Microsoft.Windows.Common-Controls\""), std::string_view::npos);
    EXPECT_NE(text.find("PerMonitorV2"), std::string_view::npos);

    // LoadImageW would scale a lone 32 px image down, so the directory must hold an
    // image of each size itself, and each must load.
    HRSRC group = FindResourceW(launcher, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(launcher, group)));
    ASSERT_NE(directory, nullptr);
    for (int size : {16, 32}) {
        const int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
        HRSRC image = FindResourceW(launcher, MAKEINTRESOURCEW(id), RT_ICON);
        ASSERT_NE(image, nullptr) << size << " px";
        const auto* header =
            static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(launcher, image)));
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->biWidth, size);
        EXPECT_EQ(header->biHeight, 2 * size) << "colour and mask";

        HICON icon = static_cast<HICON>(
            LoadImageW(launcher, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        EXPECT_NE(icon, nullptr) << size << " px, error " << GetLastError();
        DestroyIcon(icon);
    }

    FreeLibrary(launcher);
}

} // namespace
