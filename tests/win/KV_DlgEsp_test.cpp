// The wait dialog, read back through the window itself.
#include "KV_DlgEsp.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

// The caption, then the label's text.
std::wstring Texts(HWND hwnd) {
    wchar_t caption[2048] = {}, label[2048] = {};
    GetWindowTextW(hwnd, caption, 2048);
    GetDlgItemTextW(hwnd, KV_DlgEsp::kLblEspId, label, 2048);
    return std::wstring(caption) + L" | " + label;
}

// The design is in twips; at the prefix's 96 DPI the window's client area is
// 203 x 71 pixels and the label 181 x 45 at (8, 8).
TEST(KV_DlgEsp, ShowsCaptionAndLabelAtTheDesignedPlaceAndCutsALongText) {
    HDC screen = GetDC(nullptr);
    ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
    ReleaseDC(nullptr, screen);
    std::optional<KV_DlgEsp> dialog(std::in_place);
    HWND hwnd = dialog->Window(), label = GetDlgItem(hwnd, KV_DlgEsp::kLblEspId);
    EXPECT_FALSE(IsWindowVisible(hwnd)); // created hidden
    EXPECT_EQ(Texts(hwnd), L" | Espere a que termine el proceso de instalación");

    dialog->SetMsg(L"Actualización de componentes", L"Copiando Comp1.dll");
    dialog->Show();
    // Not modal: control is back here with the window on screen.
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    EXPECT_EQ(Texts(hwnd), L"Actualización de componentes | Copiando Comp1.dll");
    EXPECT_EQ(GetWindowLongW(label, GWL_STYLE) & SS_TYPEMASK, SS_LEFT); // wraps at words

    // A text far longer than the label holds is kept whole and cut on
    // screen: nothing grows.
    const std::wstring text(1500, L'v');
    dialog->SetMsg(L"", text);
    EXPECT_EQ(Texts(hwnd), L" | " + text);
    RECT client{}, place{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(203L, 71L));
    GetWindowRect(label, &place);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(std::tuple(place.left, place.top, place.right, place.bottom),
              std::tuple(8L, 8L, 8L + 181, 8L + 45));
    dialog.reset();
    EXPECT_FALSE(IsWindow(hwnd)); // the dialog's end takes its window
}

} // namespace
