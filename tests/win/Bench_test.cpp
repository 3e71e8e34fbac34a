// The bench reads dialogs the way the end-to-end tests rely on: checked on
// message boxes of known make, shown by this process.
#include "BenchRun.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

KV_Bench::DialogSeen ShowAndRead(const wchar_t* text, const wchar_t* title, UINT type, int press) {
    std::thread box([=] { MessageBoxW(nullptr, text, title, type); });
    const auto seen = KV_Bench::AnswerNextDialog(GetCurrentProcessId(), press);
    box.join();
    return seen;
}

TEST(Bench, ReadsTitleTextButtonsDefaultAndIcon) {
    const auto question =
        ShowAndRead(L"¿Sí o no?", L"Título ñ", MB_YESNO | MB_DEFBUTTON2 | MB_ICONWARNING, IDNO);
    EXPECT_EQ(question.sTitle, L"Título ñ");
    EXPECT_EQ(question.sText, L"¿Sí o no?");
    EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(question.iDefault, IDNO);
    EXPECT_TRUE(question.bIcon);

    const auto note = ShowAndRead(L"Hecho", L"T", MB_OK, IDOK);
    EXPECT_EQ(note.buttons, (std::vector<int>{IDOK}));
    EXPECT_EQ(note.iDefault, IDOK);
    EXPECT_FALSE(note.bIcon);
}

} // namespace
