// The wait dialog, read back through the window itself.
#include "BenchFiles.h"
#include "BenchRun.h"
#include "KV_DlgEsp.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

std::wstring TextOf(HWND hwnd) {
    wchar_t text[2048] = {};
    GetWindowTextW(hwnd, text, 2048);
    return text;
}

int Px(int twips) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return MulDiv(twips, dpi, 1440);
}

TEST(KV_DlgEsp, ShowsCaptionAndLabelAtTheDesignedPlace) {
    KV_DlgEsp dialog;
    HWND hwnd = dialog.Window();
    HWND label = GetDlgItem(hwnd, KV_DlgEsp::kLblEspId);
    ASSERT_NE(label, nullptr);
    EXPECT_FALSE(IsWindowVisible(hwnd)); // created hidden
    EXPECT_EQ(TextOf(label), L"Espere a que termine el proceso de instalación");

    dialog.SetMsg(L"Instalación", L"Espere a que termine el proceso de instalación");
    dialog.Show();
    // Not modal: control is back here with the window on screen.
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    EXPECT_EQ(TextOf(hwnd), L"Instalación");
    EXPECT_EQ(TextOf(label), L"Espere a que termine el proceso de instalación");

    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, Px(3045)); // 203 x 71 at 96 DPI
    EXPECT_EQ(client.bottom, Px(1065));
    RECT place{};
    GetWindowRect(label, &place);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, Px(120));
    EXPECT_EQ(place.top, Px(120));
    EXPECT_EQ(place.right - place.left, Px(2715)); // 181 x 45 at 96 DPI
    EXPECT_EQ(place.bottom - place.top, Px(675));
    EXPECT_EQ(GetWindowLongW(label, GWL_STYLE) & SS_TYPEMASK, SS_LEFT); // wraps at words

    // A picture of it for the README, written to the build tree.
    const auto shots =
        std::filesystem::path(KV_Bench::ModuleFolder(nullptr)).parent_path() / "screenshots";
    std::filesystem::create_directories(shots);
    KV_Bench::SaveScreenshot(hwnd, (shots / "wait-dialog.png").wstring());
    EXPECT_TRUE(std::filesystem::file_size(shots / "wait-dialog.png") > 0);
}

TEST(KV_DlgEsp, ALongTextIsCutAndNothingGrows) {
    KV_DlgEsp dialog;
    std::wstring text;
    for (int i = 0; i < 40; ++i) {
        text += L"Copiando componentes del servidor ";
    }
    dialog.SetMsg(L"", text);
    dialog.Show();
    HWND label = GetDlgItem(dialog.Window(), KV_DlgEsp::kLblEspId);
    EXPECT_EQ(TextOf(dialog.Window()), L"");
    EXPECT_EQ(TextOf(label), text);

    RECT place{};
    GetClientRect(label, &place);
    EXPECT_EQ(place.bottom, Px(675));
    // The text needs more height than the label has: what lies below is cut.
    HDC dc = GetDC(label);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    RECT needed = place;
    DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
    ReleaseDC(label, dc);
    EXPECT_GT(needed.bottom, place.bottom);
    RECT client{};
    GetClientRect(dialog.Window(), &client);
    EXPECT_EQ(client.bottom, Px(1065));
}

TEST(KV_DlgEsp, DestroyingItTakesTheWindow) {
    HWND hwnd = nullptr;
    {
        KV_DlgEsp dialog;
        hwnd = dialog.Window();
        EXPECT_TRUE(IsWindow(hwnd));
    }
    EXPECT_FALSE(IsWindow(hwnd));
}

} // namespace
