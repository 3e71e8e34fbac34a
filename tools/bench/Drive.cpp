// Runs a program and answers its message boxes the way a person would, for the
// demo: each box is written as one UTF-8 line to the report file, then
// answered with Yes (or OK when it has no Yes), or No with --no. With --shots,
// a picture of each box, and of each wait dialog seen, goes to that folder as
// NN-box.png / NN-wait.png, and the report line names it.
//   KV_BenchDrive <report file> [--no] [--shots <folder>] <program> [arguments...]

#include "BenchFiles.h"
#include "BenchRun.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

// Numbers the pictures and keeps the report's lines whole across the two
// threads that write them.
class Report {
public:
    Report(std::wstring sFile, std::wstring sShots)
        : m_sFile(std::move(sFile)), m_sShots(std::move(sShots)) {}

    void Add(const std::string& line, HWND hwnd, const wchar_t* sKind) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        std::wstring sLine = KV_Bench::FromUtf8(line);
        if (!m_sShots.empty()) {
            wchar_t name[32];
            swprintf(name, 32, L"%02d-%ls.png", ++m_iShot, sKind);
            const std::wstring sPng = m_sShots + L"\\" + name;
            KV_Bench::SaveScreenshot(hwnd, sPng);
            sLine += L"\tpicture: ";
            sLine += name;
        }
        KV_Bench::AppendUtf8Line(m_sFile, sLine);
    }

private:
    std::mutex m_mutex;
    std::wstring m_sFile;
    std::wstring m_sShots;
    int m_iShot = 0;
};

struct Seen {
    Report* report;
    std::set<std::wstring>* known;
};

BOOL CALLBACK LookForWaitDialog(HWND hwnd, LPARAM param) {
    auto* seen = reinterpret_cast<Seen*>(param);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (!IsWindowVisible(hwnd) || std::wstring(name) != L"KV_DlgEsp") {
        return TRUE;
    }
    wchar_t caption[256] = {};
    wchar_t label[1024] = {};
    GetWindowTextW(hwnd, caption, 256);
    GetWindowTextW(FindWindowExW(hwnd, nullptr, L"Static", nullptr), label, 1024);
    // Each dialog once: a window handle may be reused by the next one.
    const std::wstring sKey =
        std::to_wstring(reinterpret_cast<UINT_PTR>(hwnd)) + L"\t" + caption + L"\t" + label;
    if (seen->known->insert(sKey).second) {
        seen->report->Add("wait dialog [" + KV_Bench::Utf8(caption) + "] \"" +
                              KV_Bench::Utf8(label) + "\"",
                          hwnd, L"wait");
    }
    return TRUE;
}

} // namespace

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

    Report report(sReport, sShots);
    // The wait dialogs come and go without asking anything: watch for them.
    std::atomic<bool> bDone{false};
    std::thread watcher([&] {
        std::set<std::wstring> known;
        Seen seen{&report, &known};
        while (!bDone) {
            EnumWindows(LookForWaitDialog, reinterpret_cast<LPARAM>(&seen));
            Sleep(2);
        }
    });
    const auto answer = [&](const KV_Bench::DialogSeen& dialog) {
        report.Add(KV_Bench::Describe(dialog), dialog.hwnd, L"box");
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
    bDone = true;
    watcher.join();
    return result.bEnded ? 0 : 1;
}
