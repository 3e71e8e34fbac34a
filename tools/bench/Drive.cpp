// Runs a program and answers its message boxes the way a person would, for the
// demo: each box is written as one UTF-8 line to the report file, then
// answered with Yes (or OK when it has no Yes), or No with --no.
//   KV_BenchDrive <report file> [--no] <program> [arguments...]

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
    const bool bNo = std::wstring(argv[next]) == L"--no";
    if (bNo) {
        ++next;
    }
    if (next >= argc) {
        return 2;
    }
    const std::wstring sProgram = argv[next++];
    std::wstring sArguments;
    for (; next < argc; ++next) {
        sArguments += (sArguments.empty() ? L"" : L" ") + std::wstring(argv[next]);
    }
    const auto answer = [&](const KV_Bench::DialogSeen& dialog) {
        KV_Bench::AppendUtf8Line(sReport, KV_Bench::FromUtf8(KV_Bench::Describe(dialog)));
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
    return result.bEnded ? 0 : 1;
}
