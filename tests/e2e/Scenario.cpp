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

namespace fs = std::filesystem;
using KV_Bench::Utf8;

namespace Scenario {
namespace {

const fs::path& BuildFolder() {
    static const fs::path folder(KV_Bench::ModuleFolder(nullptr));
    return folder;
}

HRESULT Registration(const char* sEntry) {
    return KV_Bench::CallDllEntry((BuildFolder() / L"KV_VrfVrsBench.dll").wstring(), sEntry);
}

// The version component stand-in, registered for the whole program.
class ComponentRegistration : public testing::Environment {
    void SetUp() override { ASSERT_EQ(Registration("DllRegisterServer"), S_OK); }
    void TearDown() override { Registration("DllUnregisterServer"); }
};
const auto* const registration = testing::AddGlobalTestEnvironment(new ComponentRegistration);

constexpr const wchar_t* kSettingsKey = L"Software\\Brenvask\\Morvane Pro";

void SetRegistry(const std::wstring& sName, DWORD dwType, const void* data, std::size_t size) {
    KV_Api::UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, key.Put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key.Get(), sName.c_str(), 0, dwType, static_cast<const BYTE*>(data),
                             static_cast<DWORD>(size)),
              ERROR_SUCCESS);
}

class Layout {
public:
    explicit Layout(const Case& scenario)
        : m_root(fs::temp_directory_path() / L"kv-e2e" / scenario.name), m_bench(m_root / L"bench"),
          m_app(m_root / scenario.sApp) {
        std::wstring prefix = KV_Bench::EnvironmentValue(L"WINEPREFIX");
        std::replace(prefix.begin(), prefix.end(), L'/', L'\\');
        m_unc = fs::path(L"Z:" + prefix) / L"dosdevices" / L"unc";
        Clear();
        fs::create_directories(m_bench);
        SetEnvironmentVariableW(L"KV_BENCH_DIR", m_bench.c_str());
    }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;
    ~Layout() {
        SetEnvironmentVariableW(L"KV_BENCH_DIR", nullptr);
        Clear();
    }

    // Wine maps \\server\share to $WINEPREFIX/dosdevices/unc/server/share.
    fs::path Resolve(const std::wstring& sPath) const {
        if (!sPath.starts_with(L"\\\\")) {
            return sPath.empty() ? m_app : (m_app / sPath).lexically_normal();
        }
        std::wstring rest = sPath.substr(2);
        const std::size_t server = rest.find(L'\\');
        CharLowerBuffW(rest.data(), static_cast<DWORD>(server));
        return m_unc / rest;
    }
    std::wstring Expand(std::wstring sText) const {
        for (std::size_t at; (at = sText.find(L"%APP%")) != std::wstring::npos;) {
            sText.replace(at, 5, m_app.wstring());
        }
        return sText;
    }
    void Put(const File& file) const {
        const fs::path path = Resolve(file.sPath);
        if (file.bytes == kGone) {
            fs::remove_all(path);
        } else if (file.bytes == kFolder) {
            fs::create_directories(path);
        } else if (file.bytes == kRecorder) {
            fs::create_directories(path.parent_path());
            fs::copy_file(BuildFolder() / L"recorder.exe", path);
        } else {
            fs::create_directories(path.parent_path());
            KV_Bench::WriteBytes(path.wstring(), file.bytes);
        }
    }
    // Every file and folder of the case and the shares, with its bytes.
    std::map<fs::path, std::string> Snapshot() const {
        std::map<fs::path, std::string> files;
        for (const fs::path& top : {m_root, m_unc}) {
            std::error_code missing;
            for (auto it = fs::recursive_directory_iterator(top, missing);
                 it != fs::recursive_directory_iterator(); ++it) {
                if (it->path() == m_bench) {
                    it.disable_recursion_pending();
                    continue;
                }
                files[it->path()] =
                    it->is_directory() ? kFolder : KV_Bench::ReadBytes(it->path().wstring());
            }
        }
        return files;
    }
    std::vector<std::wstring> Record(const wchar_t* sName) const {
        return KV_Bench::ReadUtf8Lines((m_bench / sName).wstring());
    }
    const fs::path& App() const { return m_app; }
    const fs::path& Bench() const { return m_bench; }

private:
    void Clear() const {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
        std::error_code ignored;
        fs::remove_all(m_root, ignored);
        fs::remove_all(m_unc, ignored);
    }

    fs::path m_root;
    fs::path m_bench;
    fs::path m_app;
    fs::path m_unc;
};

// A file held open by the bench, which is not the launcher: with no sharing,
// nobody else can open, replace or delete it meanwhile.
std::shared_ptr<void> HoldOpen(const fs::path& path) {
    auto held = std::make_shared<KV_Api::UniqueHandle>(
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(*held) << "could not hold " << path.string();
    return held;
}

// Runs fnUndo when the run is over.
std::shared_ptr<void> Until(std::function<void()> fnUndo) {
    return std::shared_ptr<void>(nullptr, [fnUndo](void*) { fnUndo(); });
}

std::shared_ptr<void> Apply(Fault fault, const fs::path& path, const Layout& layout) {
    switch (fault) {
    case Fault::HoldOpen:
        return HoldOpen(path);
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
        KV_Bench::WriteUtf8File((layout.Bench() / L"vanish.txt").wstring(), path.wstring());
        return Until([path] { MoveFileW((path.wstring() + L".gone").c_str(), path.c_str()); });
    case Fault::Unregister:
        EXPECT_EQ(Registration("DllUnregisterServer"), S_OK);
        return Until([] { Registration("DllRegisterServer"); });
    case Fault::BinaryRegistry:
        SetRegistry(path.filename().wstring(), REG_BINARY, "\x01\x02", 2);
        return nullptr;
    }
    return nullptr;
}

std::vector<std::string> Described(const std::vector<KV_Bench::DialogSeen>& dialogs) {
    std::vector<std::string> lines;
    for (const auto& dialog : dialogs) {
        lines.push_back(KV_Bench::Describe(dialog) + (dialog.bOwned ? ", owned" : ""));
    }
    return lines;
}

std::string Shown(const std::string& bytes) {
    std::string shown = bytes.size() <= 80 ? bytes : bytes.substr(0, 60) + "...";
    shown.insert(0, 1, '"');
    return shown + "\" (" + std::to_string(bytes.size()) + " bytes)";
}

// Each line of the day's log: a stamp (tested with the log itself), a colon,
// the text in the ANSI code page, CRLF.
void ExpectLog(const std::string& bytes, const std::vector<std::wstring>& texts) {
    std::size_t start = 0;
    for (const auto& text : texts) {
        const std::size_t end = bytes.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << "no line for " << Utf8(text) << " in:\n" << bytes;
        const std::string line = bytes.substr(start, end - start);
        std::string tail = KV_Api::ToAnsi(text);
        tail.insert(0, 1, ':');
        EXPECT_TRUE(line.size() > tail.size() && line.ends_with(tail)) << line;
        start = end + 2;
    }
    EXPECT_EQ(bytes.substr(start), "") << "lines beyond the expected ones";
}

} // namespace

void Check(const Case& scenario) {
    const Layout layout(scenario);
    fs::create_directories(layout.App());
    fs::copy_file(BuildFolder() / L"KV_ZudIvi.exe", layout.App() / L"KV_ZudIvi.exe");
    for (const File& file :
         {File{L"Morvane.exe", kRecorder}, File{L"KV_DirAzevUvevIzi.exe", kRecorder},
          File{L"Morvane.ini", "[General]\r\nNomSrvApl=SRVAPL\r\nVrsSis=1.2\r\n"},
          File{L"MorvaneVrs.ini", "[General]\r\n"},
          File{L"\\\\SRVAPL\\Morvane_Client\\Fix", kFolder}}) {
        layout.Put(file);
    }
    for (const File& file : scenario.files) {
        layout.Put(file);
    }
    for (const auto& [sName, sValue] : scenario.registry) {
        SetRegistry(sName, REG_SZ, sValue.c_str(), (sValue.size() + 1) * sizeof(wchar_t));
    }
    const bool bFails = scenario.sServer.starts_with(L"!");
    KV_Bench::WriteUtf8File(
        (layout.Bench() / (bFails ? L"vrfvrs-error.txt" : L"vrfvrs-list.txt")).wstring(),
        scenario.sServer.substr(bFails ? 1 : 0));

    auto expected = layout.Snapshot();
    // Held for the run; a small disk until its files are checked, as they go with it.
    std::vector<std::shared_ptr<void>> held;
    std::vector<std::shared_ptr<void>> disks;
    for (const auto& [fault, sPath] : scenario.faults) {
        (fault == Fault::SmallDisk ? disks : held)
            .push_back(Apply(fault, layout.Resolve(sPath), layout));
    }

    std::vector<KV_Bench::DialogSeen> boxes;
    std::size_t next = 0;
    const auto answer = [&](const KV_Bench::DialogSeen& box) {
        static const std::wstring kOwnTitles[] = {L"Morvane", L"VrfComps", L"KV_ZudIviPrj",
                                                  L"Actualización de Morvane Pro"};
        if (std::find(std::begin(kOwnTitles), std::end(kOwnTitles), box.sTitle) ==
            std::end(kOwnTitles)) {
            return box.buttons.empty() ? IDOK : box.buttons.front(); // the shell's own window
        }
        boxes.push_back(box);
        if (next < scenario.answers.size()) {
            return scenario.answers[next++];
        }
        return std::ranges::count(box.buttons, IDNO) != 0 ? IDNO : IDOK;
    };
    // The bench's journal, hooked into the launcher's thread, writes down
    // every wait dialog as it goes, however briefly it was up.
    const KV_Api::Unique<HMODULE, &FreeLibrary> journal(
        LoadLibraryW((BuildFolder() / L"KV_WaitJournal.dll").c_str()));
    const auto cbt = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(journal.Get(), "WaitJournalCbt")));
    KV_Api::Unique<HHOOK, &UnhookWindowsHookEx> hook;
    const auto run = KV_Bench::RunAnswering(
        (layout.App() / L"KV_ZudIvi.exe").wstring(), scenario.sArguments, answer, 60000,
        [&](DWORD dwThreadId) {
            hook.Reset(SetWindowsHookExW(WH_CBT, cbt, journal.Get(), dwThreadId));
            EXPECT_TRUE(hook) << "the wait-dialog journal could not hook the launcher";
        });
    EXPECT_TRUE(run.bEnded) << "the launcher was still running at the time limit";
    EXPECT_TRUE(run.bStartedEnded) << "programs it started were still running";

    std::vector<KV_Bench::DialogSeen> expectedBoxes;
    for (const Box& box : scenario.boxes) {
        expectedBoxes.push_back(
            {box.sTitle, layout.Expand(box.sText), box.buttons, box.buttons.front(), box.bIcon});
    }
    EXPECT_EQ(Described(boxes), Described(expectedBoxes));

    std::vector<std::wstring> waits;
    for (const std::wstring& line : layout.Record(L"wait-dialogs.txt")) {
        const auto fields = KV_Bench::SplitTabs(line); // caption, text, visible, owned
        waits.push_back(fields.at(0) + L": " + fields.at(1) +
                        (fields.at(2) == L"1" ? L"" : L", hidden") +
                        (fields.at(3) == L"1" ? L", owned" : L""));
    }
    EXPECT_EQ(waits, scenario.waits);

    std::vector<std::string> started;
    std::vector<std::string> expectedStarted;
    for (const std::wstring& line : layout.Record(L"started.txt")) {
        const auto fields = KV_Bench::SplitTabs(line); // name, path, command line, ...
        started.push_back(Utf8(fields.at(1) + L": " + fields.at(2)));
    }
    for (const std::wstring& line : scenario.started) {
        expectedStarted.push_back(Utf8(layout.Expand(line)));
    }
    std::ranges::sort(started); // the refresh tool and the client run side by side
    EXPECT_EQ(started, expectedStarted);
    EXPECT_EQ(layout.Record(L"seen.txt"), scenario.seen);
    const auto asked = layout.Record(L"vrfvrs-calls.txt");
    EXPECT_TRUE(asked.empty() || asked == std::vector<std::wstring>{L"KV"}) << asked.size();

    held.clear();
    for (const File& file : scenario.after) {
        if (file.bytes == kGone) {
            expected.erase(layout.Resolve(file.sPath));
        } else {
            expected[layout.Resolve(file.sPath)] = file.bytes;
        }
    }
    auto now = layout.Snapshot();
    SYSTEMTIME today;
    GetLocalTime(&today);
    wchar_t sLog[32];
    std::swprintf(sLog, 32, L"ZUDIVI%04u%02u%02u.log", today.wYear, today.wMonth, today.wDay);
    const auto log = now.find(layout.App() / sLog);
    EXPECT_EQ(log != now.end(), !scenario.log.empty()) << "the day's log";
    if (log != now.end()) {
        ExpectLog(log->second, scenario.log);
        now.erase(log);
    }
    for (const auto& [path, bytes] : now) {
        const auto it = expected.find(path);
        EXPECT_TRUE(it != expected.end() && it->second == bytes)
            << path.string() << " holds " << Shown(bytes) << ", expected "
            << (it == expected.end() ? std::string("nothing") : Shown(it->second));
    }
    for (const auto& [path, bytes] : expected) {
        EXPECT_TRUE(now.contains(path)) << path.string() << " is gone";
    }
}

} // namespace Scenario
