// The wait dialog, read back through the window itself. What it shows in a
// run (caption, text, shown, unowned) every end-to-end row's journal proves;
// here only what no row reaches: a text far longer than the label holds.
#include "KV_DlgEsp.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

std::tuple<LONG, LONG, LONG, LONG> Place(HWND hwnd) {
    RECT place{};
    GetWindowRect(hwnd, &place);
    return {place.left, place.top, place.right, place.bottom};
}

// The text is kept whole and cut on screen: neither the window nor its label
// grows.
TEST(KV_DlgEsp, ALongTextIsKeptWholeAndNothingGrows) {
    KV_DlgEsp dialog;
    dialog.SetMsg(L"Actualización de componentes", L"Copiando Comp1.dll");
    dialog.Show();
    HWND hwnd = dialog.Window(), label = GetDlgItem(hwnd, KV_DlgEsp::kLblEspId);
    const auto window = Place(hwnd), text = Place(label);

    const std::wstring sLong(1500, L'v');
    dialog.SetMsg(L"", sLong);
    wchar_t shown[2048] = {};
    GetWindowTextW(label, shown, 2048);
    EXPECT_EQ(shown, sLong);
    EXPECT_EQ(Place(hwnd), window);
    EXPECT_EQ(Place(label), text);
}

} // namespace
