#pragma once
// The wait dialog: a small window with a title and one text label, shown
// while a long step runs. It has no buttons and handles no events; the caller
// creates it, fills it with SetMsg, shows it and destroys it.

#include "KV_Api.h"

#include <windows.h>

#include <string>

class KV_DlgEsp {
public:
    static constexpr int kLblEspId = 100; // control id of the label lblEsp
    static constexpr const wchar_t* kClassName = L"KV_DlgEsp";

    // Creates the window, hidden, with the label's default text.
    KV_DlgEsp();

    // Sets the caption, then the label's text.
    void SetMsg(std::wstring sCaption, std::wstring sMsg);

    // Shows the window without an owner and without waiting for it.
    void Show();

    HWND Window() const noexcept { return m_window.Get(); }

private:
    // Neither the icons set on the window nor its label's font go with the
    // window: they are released after it, which is why they come first.
    KV_Api::UniqueIcon m_iconBig;
    KV_Api::UniqueIcon m_iconSmall;
    KV_Api::UniqueFont m_font;
    KV_Api::UniqueWindow m_window;
    HWND m_label = nullptr; // the window's child, destroyed with it
};
