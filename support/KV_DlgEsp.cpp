#include "KV_DlgEsp.h"

#include "KV_Api.h"

namespace {

// The design in twips (1440 to the inch), turned into pixels at the screen's DPI.
constexpr int kClientWidth = 3045;
constexpr int kClientHeight = 1065;
constexpr int kLabelLeft = 120;
constexpr int kLabelTop = 120;
constexpr int kLabelWidth = 2715;
constexpr int kLabelHeight = 675;
constexpr int kIconId = 1; // the executable's own icon
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_NOCLOSE; // the step can't be cancelled from here
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = KV_DlgEsp::kClassName;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        KV_Api::RaiseWin32(GetLastError());
    }
}

// The executable's icon at one of the two sizes, loaded for one window.
HICON LoadOwnIcon(HINSTANCE instance, int iWidthMetric, int iHeightMetric) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                         GetSystemMetrics(iWidthMetric),
                                         GetSystemMetrics(iHeightMetric), 0));
}

void SetText(HWND hwnd, const std::wstring& sText) {
    if (!SetWindowTextW(hwnd, sText.c_str())) {
        KV_Api::RaiseWin32(GetLastError());
    }
}

} // namespace

KV_DlgEsp::KV_DlgEsp()
    : m_iconBig(LoadOwnIcon(GetModuleHandleW(nullptr), SM_CXICON, SM_CYICON)),
      m_iconSmall(LoadOwnIcon(GetModuleHandleW(nullptr), SM_CXSMICON, SM_CYSMICON)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(instance);
    const int dpi = ScreenDpi();
    const auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };

    RECT frame{0, 0, px(kClientWidth), px(kClientHeight)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    m_window.Reset(CreateWindowExW(0, kClassName, L"", kStyle,
                                   (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                   (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height,
                                   nullptr, nullptr, instance, nullptr));
    if (!m_window) {
        KV_Api::RaiseWin32(GetLastError());
    }
    // The icons are the window's own, not the class's: the class is
    // registered once per process, and icons held by it would outlive
    // every dialog.
    SendMessageW(m_window.Get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_iconBig.Get()));
    SendMessageW(m_window.Get(), WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(m_iconSmall.Get()));
    // SS_LEFT breaks lines at words and clips what lies beyond the label.
    m_label = CreateWindowExW(0, L"Static", L"Espere a que termine el proceso de instalación",
                              WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, px(kLabelLeft),
                              px(kLabelTop), px(kLabelWidth), px(kLabelHeight), m_window.Get(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLblEspId)), instance,
                              nullptr);
    if (m_label == nullptr) {
        KV_Api::RaiseWin32(GetLastError());
    }
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        m_font.Reset(CreateFontIndirectW(&metrics.lfMessageFont));
        SendMessageW(m_label, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
    }
}

void KV_DlgEsp::SetMsg(std::wstring sCaption, std::wstring sMsg) {
    SetText(m_window.Get(), sCaption);
    SetText(m_label, sMsg);
}

void KV_DlgEsp::Show() {
    ShowWindow(m_window.Get(), SW_SHOWNORMAL);
    UpdateWindow(m_window.Get());
}
