// Runs a program and answers its message boxes the way a person would, for the
// demo: each box is written as one UTF-8 line to the report file, then
// answered with Yes (or OK when it has no Yes), or No with --no. The wait
// dialogs are told in the same report by the wait-dialog journal, hooked into
// the program's thread, as each one goes. With --shots, a picture of each box
// and wait dialog goes to that folder as NN-box.png / NN-wait.png, and the
// report line names it.
//   KV_BenchDrive <report file> [--no] [--shots <folder>] <program> [arguments...]

#include "BenchFiles.h"
#include "BenchRun.h"

#include <windows.h>

#include <algorithm>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        return 2;
    }
    const std::wstring sReport = argv[1];
    int next = 2;
    bool bNo = false;
    std::wstring sShots;
    for (; next < argc; ++next) {
        const std::wstring sOption = argv[next];
        if (sOption == L"--no") {
            bNo = true;
        } else if (sOption == L"--shots" && next + 1 < argc) {
            sShots = argv[++next];
        } else {
            break;
        }
    }
    if (next >= argc) {
        return 2;
    }
    const std::wstring sProgram = argv[next++];
    std::wstring sArguments;
    for (; next < argc; ++next) {
        if (!sArguments.empty()) {
            sArguments += L' ';
        }
        sArguments += argv[next];
    }

    // The journal reads where to write from the program's environment.
    SetEnvironmentVariableW(L"KV_BENCH_REPORT", sReport.c_str());
    SetEnvironmentVariableW(L"KV_BENCH_SHOTS", sShots.empty() ? nullptr : sShots.c_str());
    const auto answer = [&](const KV_Bench::DialogSeen& dialog) {
        std::wstring sLine = KV_Bench::FromUtf8(KV_Bench::Describe(dialog));
        if (!sShots.empty()) {
            const std::wstring sName = KV_Bench::NextPictureName(sReport, L"box");
            KV_Bench::SaveScreenshot(dialog.hwnd, sShots + L"\\" + sName);
            sLine += L"\tpicture: " + sName;
        }
        KV_Bench::AppendUtf8Line(sReport, sLine);
        const auto has = [&](int id) {
            return std::find(dialog.buttons.begin(), dialog.buttons.end(), id) !=
                   dialog.buttons.end();
        };
        if (has(IDYES)) {
            return bNo ? IDNO : IDYES;
        }
        return IDOK;
    };
    const KV_Bench::RunResult result = KV_Bench::RunAnswering(sProgram, sArguments, answer);
    if (!result.bJournaled) {
        KV_Bench::AppendUtf8Line(sReport, L"(the wait dialogs could not be watched)");
    }
    return result.bEnded ? 0 : 1;
}
