// Loaded into the launcher by a CBT hook on its thread: writes down every wait
// dialog as it is destroyed, so a test sees each one however briefly it was
// up. One UTF-8 line per dialog in %KV_BENCH_DIR%\wait-dialogs.txt:
//   <caption> TAB <label> TAB <visible 0|1> TAB <owned 0|1>
// With %KV_BENCH_REPORT% (the demo's driver sets it) the dialog is also told
// there, in the driver's words, with a picture taken while it is still on
// screen: NN-wait.png beside the report's other pictures in %KV_BENCH_SHOTS%.
// A file %KV_BENCH_DIR%\vanish.txt naming a folder (UTF-8) makes the first
// copy's dialog destroyed take that folder away (renamed to "<folder>.gone"): a
// share that disappears at a known point between two copies.

#include "BenchFiles.h"
#include "BenchRun.h"

#include <windows.h>

#include <string>

namespace {

std::wstring TextOf(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

void Report(HWND hwnd, const std::wstring& sCaption, const std::wstring& sLabel) {
    const std::wstring sReport = KV_Bench::EnvironmentValue(L"KV_BENCH_REPORT");
    if (sReport.empty()) {
        return;
    }
    std::wstring line = L"wait dialog [" + sCaption + L"] \"" + sLabel + L"\"";
    const std::wstring sShots = KV_Bench::EnvironmentValue(L"KV_BENCH_SHOTS");
    if (!sShots.empty() && IsWindowVisible(hwnd)) {
        const std::wstring sName = KV_Bench::NextPictureName(sReport, L"wait");
        KV_Bench::SaveScreenshot(hwnd, sShots + L"\\" + sName);
        line += L"\tpicture: " + sName;
    }
    KV_Bench::AppendUtf8Line(sReport, line);
}

void Record(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (std::wstring(name) != L"KV_DlgEsp") {
        return;
    }
    const std::wstring sCaption = TextOf(hwnd);
    const std::wstring sLabel = TextOf(FindWindowExW(hwnd, nullptr, L"Static", nullptr));
    const std::wstring folder = KV_Bench::EnvironmentValue(L"KV_BENCH_DIR");
    if (!folder.empty()) {
        std::wstring line = sCaption + L"\t" + sLabel;
        line += IsWindowVisible(hwnd) ? L"\t1" : L"\t0";
        line += GetWindow(hwnd, GW_OWNER) != nullptr ? L"\t1" : L"\t0";
        KV_Bench::AppendUtf8Line(folder + L"\\wait-dialogs.txt", line);

        // Between two copies: the connecting dialog, which a slow server
        // brings before them, is not a copy's.
        const std::wstring sOrder = folder + L"\\vanish.txt";
        const std::wstring sVanish = KV_Bench::ReadUtf8File(sOrder);
        if (sCaption != L"Conexión" && !sVanish.empty() && DeleteFileW(sOrder.c_str())) {
            MoveFileW(sVanish.c_str(), (sVanish + L".gone").c_str());
        }
    }
    try {
        Report(hwnd, sCaption, sLabel);
    } catch (...) {
        // Nothing may escape into the launcher's DestroyWindow.
    }
}

} // namespace

extern "C" LRESULT CALLBACK WaitJournalCbt(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_DESTROYWND) {
        Record(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
