#include "Scenario.h"

#include "BenchFiles.h"
#include "BenchRun.h"
#include "KV_Api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <ranges>

namespace fs = std::filesystem;
using KV_Bench::Utf8;

namespace Scenario {
namespace {

// Where the build put the launcher, the stand-ins and this program.
const fs::path kBuild(KV_Bench::ModuleFolder(nullptr));

// The version component stand-in registers itself: out of process, as the
// network has it (KV_VrfVrsServer.exe), or in process (KV_VrfVrsBench.dll).
HRESULT Registration(const char* sEntry) {
    return KV_Bench::CallDllEntry((kBuild / L"KV_VrfVrsBench.dll").wstring(), sEntry);
}
DWORD RegisterServer() {
    const std::wstring sServer = (kBuild / L"KV_VrfVrsServer.exe").wstring();
    std::wstring sCommand = L"\"" + sServer + L"\" /RegServer";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(sServer.c_str(), sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        return GetLastError();
    }
    const KV_Api::UniqueHandle process(info.hProcess);
    const KV_Api::UniqueHandle thread(info.hThread);
    DWORD dwExit = 1;
    WaitForSingleObject(process.Get(), INFINITE);
    GetExitCodeProcess(process.Get(), &dwExit);
    return dwExit;
}

class ComponentRegistration : public testing::Environment {
    void SetUp() override { ASSERT_EQ(RegisterServer(), 0u); }
    void TearDown() override { Registration("DllUnregisterServer"); }
};
const auto* const registration = testing::AddGlobalTestEnvironment(new ComponentRegistration);

// The first run's settings where the client's installer of this build writes
// them on 64-bit Windows, as the 64-bit view names the key: a 32-bit
// installer's writes land in WOW6432Node. The other key is where an installer
// of the other build would write. Named in full on every call, in the 64-bit
// view: a key opened below another handle would be redirected again in a
// 32-bit process.
constexpr const wchar_t* kSettingsKeys[] = {L"Software\\WOW6432Node\\Brenvask\\Morvane Pro",
                                            L"Software\\Brenvask\\Morvane Pro"};

void SetRegistry(const std::wstring& sName, DWORD dwType, const void* data, std::size_t size,
                 bool bOtherView = false) {
    KV_Api::UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKeys[(sizeof(void*) == 8) != bOtherView],
                              0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.Put(),
                              nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key.Get(), sName.c_str(), 0, dwType, static_cast<const BYTE*>(data),
                             static_cast<DWORD>(size)),
              ERROR_SUCCESS);
}

// Runs fnUndo when the last owner lets go.
std::shared_ptr<void> Until(std::function<void()> fnUndo) {
    return std::shared_ptr<void>(nullptr, [fnUndo](void*) { fnUndo(); });
}

const std::wstring kHost = L"%HOST%";

// The case's files in %TEMP%\kv-e2e\<name>, the bench's records beside them;
// Wine maps \\server\share to $WINEPREFIX/dosdevices/unc/server/share.
struct Folders {
    explicit Folders(const Case& scenario)
        : root(fs::temp_directory_path() / L"kv-e2e" / scenario.name), app(root / scenario.sApp),
          bench(root.wstring() + L".bench"),
          unc(L"Z:" + KV_Bench::EnvironmentValue(L"WINEPREFIX") + L"/dosdevices/unc") {
        unc.make_preferred();
    }
    fs::path Resolve(const std::wstring& sPath) const {
        if (!sPath.starts_with(L"\\\\")) {
            return sPath.empty() ? app : (app / sPath).lexically_normal();
        }
        std::wstring rest = sPath.substr(2);
        if (rest.starts_with(kHost)) {
            rest.replace(0, kHost.size(), KV_Api::ComputerName());
        }
        CharLowerBuffW(rest.data(), static_cast<DWORD>(rest.find(L'\\')));
        return unc / rest;
    }
    std::vector<std::wstring> Record(const wchar_t* sName) const {
        return KV_Bench::ReadUtf8Lines((bench / sName).wstring());
    }
    void Clear() const {
        for (const wchar_t* sKey : kSettingsKeys) {
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, sKey, KEY_WOW64_64KEY, 0);
        }
        for (const fs::path& folder : {root, bench, unc}) {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    }
    fs::path root, app, bench, unc;
};

void Put(const Folders& at, const File& file) {
    const fs::path path = at.Resolve(file.sPath);
    if (file.bytes == kGone) {
        fs::remove_all(path);
        return;
    }
    fs::create_directories(file.bytes == kFolder ? path : path.parent_path());
    if (file.bytes == kRecorder) {
        fs::copy_file(kBuild / L"recorder.exe", path);
    } else if (file.bytes != kFolder) {
        KV_Bench::WriteBytes(path.wstring(), file.bytes);
    }
}

// Bytes as a failure shows them: long ones by size and hash.
std::string Shown(const std::string& bytes) {
    return bytes.size() <= 100 ? bytes
                               : std::to_string(bytes.size()) + " bytes #" +
                                     std::to_string(std::hash<std::string>{}(bytes));
}

// Every file and folder of the case and the shares.
std::map<std::string, std::string> Snapshot(const Folders& at) {
    std::map<std::string, std::string> files;
    for (const fs::path& top : {at.root, at.unc}) {
        std::error_code missing;
        for (const auto& entry : fs::recursive_directory_iterator(top, missing)) {
            files[Utf8(entry.path().wstring())] =
                entry.is_directory() ? kFolder : Shown(KV_Bench::ReadBytes(entry.path().wstring()));
        }
    }
    return files;
}

// sWhat is a path as a File gives it, or for BinaryRegistry a value's name.
std::shared_ptr<void> Apply(Fault fault, const std::wstring& sWhat, const Folders& at) {
    const fs::path path = at.Resolve(sWhat);
    switch (fault) {
    case Fault::HoldOpen: {
        auto held = std::make_shared<KV_Api::UniqueHandle>(
            CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_TRUE(*held) << "could not hold " << path.string();
        return held;
    }
    case Fault::ReadOnly:
        EXPECT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
        return Until([path] { SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); });
    case Fault::Immutable: {
        auto guard = std::make_shared<KV_Bench::ImmutableGuard>(path.wstring());
        EXPECT_TRUE(guard->Held()) << "chattr +i " << path.string();
        return guard;
    }
    case Fault::SmallDisk: {
        auto disk = std::make_shared<KV_Bench::SmallDisk>(path.wstring(), 1400);
        EXPECT_EQ(Utf8(disk->Refusal()), "") << "the small disk could not be made";
        return disk;
    }
    case Fault::Vanish:
        KV_Bench::WriteUtf8File((at.bench / L"vanish.txt").wstring(), path.wstring());
        return Until([path] { MoveFileW((path.wstring() + L".gone").c_str(), path.c_str()); });
    case Fault::Unregister:
        EXPECT_EQ(Registration("DllUnregisterServer"), S_OK);
        return Until([] { RegisterServer(); });
    case Fault::InProcess:
        EXPECT_EQ(Registration("DllRegisterServer"), S_OK);
        return Until([] { RegisterServer(); });
    case Fault::BinaryRegistry:
        SetRegistry(sWhat, REG_BINARY, "\x01\x02", 2);
        break;
    case Fault::RefuseElevation:
    case Fault::DeclineElevation: {
        const bool bDecline = fault == Fault::DeclineElevation;
        KV_Bench::WriteUtf8File((at.bench / L"elevation.txt").wstring(),
                                bDecline ? L"decline" : L"refuse");
        std::vector<std::wstring> refused = {L"CreateProcessW: " + sWhat};
        if (bDecline) {
            refused.push_back(L"ShellExecuteExW: " + sWhat);
        }
        const fs::path record = at.bench / L"refused.txt";
        return Until([record, refused] {
            EXPECT_EQ(KV_Bench::ReadUtf8Lines(record.wstring()), refused) << "the starts refused";
        });
    }
    case Fault::ShellWindow:
        KV_Bench::WriteUtf8File((at.bench / L"shell-window.txt").wstring(), sWhat);
        break;
    case Fault::SlowWrites:
        KV_Bench::WriteUtf8File((at.bench / L"slow-writes.txt").wstring(), L"1");
        break;
    case Fault::ServerHangs:
    case Fault::ServerDies:
    case Fault::ServerSlow:
        KV_Bench::WriteUtf8File((at.bench / L"vrfvrs-mode.txt").wstring(),
                                fault == Fault::ServerHangs  ? L"hang"
                                : fault == Fault::ServerDies ? L"die"
                                                             : L"slow");
    }
    return nullptr;
}

// The version component's answer: the list, or "!text" to fail with text.
void Serve(const Folders& at, const std::wstring& sServer) {
    const bool bFails = sServer.starts_with(L"!");
    DeleteFileW((at.bench / L"vrfvrs-error.txt").c_str());
    KV_Bench::WriteUtf8File(
        (at.bench / (bFails ? L"vrfvrs-error.txt" : L"vrfvrs-list.txt")).wstring(),
        sServer.substr(bFails ? 1 : 0));
}

// Whether a wait dialog of the box's process is still there as the box
// shows: no box of the launcher's is meant to stand over one.
bool OverAWaitDialog(HWND box) {
    DWORD dwProcess = 0;
    GetWindowThreadProcessId(box, &dwProcess);
    for (HWND wait = nullptr;
         (wait = FindWindowExW(nullptr, wait, L"KV_DlgEsp", nullptr)) != nullptr;) {
        DWORD dwOwner = 0;
        GetWindowThreadProcessId(wait, &dwOwner);
        if (dwOwner == dwProcess) {
            return true;
        }
    }
    return false;
}

// Each line of the day's log is a stamp (proved with the log itself), a
// colon and the text in the ANSI code page, ended by CRLF.
void ExpectLog(std::string bytes, const std::vector<std::wstring>& texts) {
    for (const auto& text : texts) {
        const std::size_t end = bytes.find("\r\n");
        const std::string line = bytes.substr(0, end);
        std::string tail = KV_Bench::Ansi(text);
        tail.insert(0, 1, ':');
        EXPECT_TRUE(line.size() > tail.size() && line.ends_with(tail)) << line << " for " << tail;
        bytes.erase(0, end == std::string::npos ? end : end + 2);
    }
    EXPECT_EQ(bytes, "") << "beyond the expected lines";
}

} // namespace

void Check(const Case& scenario) {
    const Folders at(scenario);
    // The version component's server of an earlier case ends once that
    // case's bench folder has gone; this case's launchers must not reach it.
    KV_Bench::WaitUntilNotRunning(L"KV_VrfVrsServer.exe", 15000);
    at.Clear();
    const auto cleared = Until([&at] { at.Clear(); });
    fs::create_directories(at.bench);
    SetEnvironmentVariableW(L"KV_BENCH_DIR", at.bench.c_str());
    fs::create_directories(at.app);
    fs::copy_file(kBuild / L"KV_ZudIvi.exe", at.app / L"KV_ZudIvi.exe");
    std::vector<File> files = {{L"Morvane.exe", kRecorder},
                               {L"KV_DirAzevUvevIzi.exe", kRecorder},
                               {L"Morvane.ini", "[General]\r\nNomSrvApl=SRVAPL\r\nVrsSis=1.2\r\n"},
                               {L"MorvaneVrs.ini", "[General]\r\n"},
                               {L"\\\\SRVAPL\\Morvane_Client\\Fix", kFolder}};
    files.insert(files.end(), scenario.files.begin(), scenario.files.end());
    for (const File& file : files) {
        Put(at, file);
    }
    for (bool bOtherView : {false, true}) {
        for (const auto& [sName, sValue] : bOtherView ? scenario.otherView : scenario.registry) {
            SetRegistry(sName, REG_SZ, sValue.c_str(), (sValue.size() + 1) * sizeof(wchar_t),
                        bOtherView);
        }
    }
    Serve(at, scenario.sServer);

    auto expected = Snapshot(at);
    for (const File& file : scenario.after) {
        const std::string sPath = Utf8(at.Resolve(file.sPath).wstring());
        if (file.bytes == kGone) {
            expected.erase(sPath);
        } else {
            expected[sPath] = Shown(file.bytes);
        }
    }
    // Held for the run; a small disk until its files are read, as they go with it.
    std::vector<std::shared_ptr<void>> held;
    std::vector<std::shared_ptr<void>> disks;
    for (const auto& [fault, sPath] : scenario.faults) {
        (fault == Fault::SmallDisk ? disks : held).push_back(Apply(fault, sPath, at));
    }

    std::vector<std::vector<std::string>> boxes(scenario.iTogether);
    const bool bShellWindow =
        std::ranges::count(scenario.faults | std::views::keys, Fault::ShellWindow) != 0;
    const auto clientStarted = [&at] {
        return std::ranges::any_of(at.Record(L"started.txt"), [](const std::wstring& sLine) {
            return sLine.starts_with(L"Morvane.exe\t");
        });
    };
    const auto answer = [&](const KV_Bench::DialogSeen& box) {
        static const std::wstring kOwnTitles[] = {L"Morvane", L"VrfComps", L"KV_ZudIviPrj",
                                                  L"Actualización de Morvane Pro"};
        auto& seen = boxes.at(box.iRun);
        const bool bOwn = std::ranges::count(kOwnTitles, box.sTitle) != 0;
        const bool bHeld =
            bOwn ? scenario.bLaterAfterAClient && box.iRun > 0 && seen.empty() : bShellWindow;
        if (bHeld && !clientStarted()) {
            return 0;
        }
        if (!bOwn) {
            return box.buttons.empty() ? IDOK : box.buttons.front(); // the shell's own window
        }
        seen.push_back(KV_Bench::Describe(box) + (box.bOwned ? ", owned" : "") +
                       (OverAWaitDialog(box.hwnd) ? ", over a wait dialog" : ""));
        const std::size_t i = seen.size() - 1;
        return i < scenario.boxes.size() && scenario.boxes[i].iAnswer != 0
                   ? scenario.boxes[i].iAnswer
                   : (std::ranges::count(box.buttons, IDNO) != 0 ? IDNO : IDOK);
    };
    const std::wstring sLauncher = (at.app / L"KV_ZudIvi.exe").wstring();
    auto runs = KV_Bench::RunTogether(sLauncher, scenario.sArguments, scenario.iTogether, answer);
    if (!scenario.sServerNextRun.empty()) {
        Serve(at, scenario.sServerNextRun);
        runs.push_back(KV_Bench::RunAnswering(sLauncher, scenario.sArguments, answer));
    }
    for (const auto& run : runs) {
        EXPECT_TRUE(run.bJournaled) << "the wait-dialog journal could not hook the launcher";
        EXPECT_TRUE(run.bEnded) << "the launcher was still running at the time limit";
        EXPECT_EQ(run.stillRunning, std::vector<std::wstring>{}) << "programs it started";
        if (scenario.exitCode) {
            EXPECT_EQ(run.dwExitCode, *scenario.exitCode) << "the exit code";
            // The programs it started itself may not outlive it.
            EXPECT_EQ(run.runningAtEnd, std::vector<std::wstring>{}) << "running as it ended";
        }
    }
    // The record of windows created sees a box of the launcher's as it sees any.
    const auto windows = at.Record(L"windows.txt");
    if (scenario.exitCode) {
        EXPECT_EQ(windows, std::vector<std::wstring>{}) << "windows created";
    } else if (!scenario.boxes.empty()) {
        EXPECT_TRUE(std::ranges::any_of(
            windows, [](const std::wstring& sLine) { return sLine.starts_with(L"#32770\t"); }))
            << "a box, among the windows created: " << testing::PrintToString(windows);
    }
    held.clear();

    const auto expand = [&at](std::wstring sText) {
        for (std::size_t i; (i = sText.find(L"%APP%")) != std::wstring::npos;) {
            sText.replace(i, 5, at.app.wstring());
        }
        return Utf8(sText);
    };
    std::vector<std::string> expectedBoxes;
    for (const Box& box : scenario.boxes) {
        expectedBoxes.push_back(
            KV_Bench::Describe({box.sTitle, KV_Bench::FromUtf8(expand(box.sText)), box.buttons,
                                box.buttons.front(), box.bIcon}));
    }
    EXPECT_EQ(boxes, decltype(boxes)(scenario.iTogether, expectedBoxes));

    std::vector<std::wstring> waits;
    for (const std::wstring& line : at.Record(L"wait-dialogs.txt")) {
        const auto fields = KV_Bench::SplitTabs(line); // caption, text, visible, owned
        waits.push_back(fields.at(0) + L": " + fields.at(1) +
                        (fields.at(2) == L"1" ? L"" : L", hidden") +
                        (fields.at(3) == L"1" ? L", owned" : L""));
    }
    // Launchers together each keep their own order, which the journal mixes.
    std::vector<std::wstring> expectedWaits;
    for (int i = 0; i < scenario.iTogether; ++i) {
        expectedWaits.insert(expectedWaits.end(), scenario.waits.begin(), scenario.waits.end());
    }
    // The connecting dialog shows whenever the server takes over 2.5 s to
    // answer, which a loaded machine or an emulated 32-bit server can make
    // any server do: where a row does not expect it, it is timing, not a fault.
    const auto connecting = [](const std::wstring& sWait) {
        return sWait.starts_with(L"Conexión: ");
    };
    if (std::ranges::none_of(expectedWaits, connecting)) {
        std::erase_if(waits, connecting);
    }
    if (scenario.iTogether > 1) {
        std::ranges::sort(waits);
        std::ranges::sort(expectedWaits);
    }
    EXPECT_EQ(waits, expectedWaits);

    std::vector<std::string> started;
    std::vector<std::string> expectedStarted;
    for (const std::wstring& line : at.Record(L"started.txt")) {
        const auto fields = KV_Bench::SplitTabs(line); // name, path, command line, ...
        started.push_back(Utf8(fields.at(1) + L": " + fields.at(2)));
    }
    std::ranges::sort(started); // the refresh tool and the client run side by side
    for (int i = 0; i < scenario.iTogether; ++i) {
        std::ranges::transform(scenario.started, std::back_inserter(expectedStarted), expand);
    }
    std::ranges::sort(expectedStarted);
    EXPECT_EQ(started, expectedStarted);
    EXPECT_EQ(at.Record(L"seen.txt"), scenario.seen);
    const auto asked = at.Record(L"vrfvrs-calls.txt");
    EXPECT_TRUE(asked.size() <= runs.size() &&
                std::ranges::count(asked, L"KV") == static_cast<std::ptrdiff_t>(asked.size()))
        << "once a run, for KV: " << asked.size();

    SYSTEMTIME today;
    GetLocalTime(&today);
    wchar_t sLog[32];
    std::swprintf(sLog, 32, L"ZUDIVI%04u%02u%02u.log", today.wYear, today.wMonth, today.wDay);
    const fs::path log = at.app / sLog;
    EXPECT_EQ(fs::exists(log), !scenario.log.empty()) << "the day's log";
    std::vector<std::wstring> logged;
    for (const std::wstring& sText : scenario.log) {
        logged.push_back(KV_Bench::FromUtf8(expand(sText)));
    }
    ExpectLog(KV_Bench::ReadBytes(log.wstring()), logged);
    auto now = Snapshot(at);
    now.erase(Utf8(log.wstring()));
    std::vector<std::string> differ;
    for (const auto& [sPath, bytes] : expected) {
        const auto found = now.extract(sPath);
        if (const std::string& sFound = found ? found.mapped() : kGone; sFound != bytes) {
            differ.push_back(sPath + ": expected " + bytes + ", found " + sFound);
        }
    }
    for (const auto& [sPath, bytes] : now) {
        differ.push_back(sPath + ": expected " + kGone + ", found " + bytes);
    }
    EXPECT_EQ(differ, std::vector<std::string>{}) << "the files afterwards";
}

} // namespace Scenario
