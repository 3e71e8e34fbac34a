#include "LauncherBench.h"

#include "BenchFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>

namespace fs = std::filesystem;

fs::path BuildFolder() {
    return fs::path(KV_Bench::ModuleFolder(nullptr));
}

namespace {

std::wstring CurrentTestName() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name()
                                       : std::string("bench");
    std::replace(name.begin(), name.end(), '/', '_');
    return KV_Bench::FromUtf8(name);
}

constexpr const wchar_t* kSettingsKey = L"Software\\Brenvask\\Morvane Pro";

// A CBT hook of the bench's wait-dialog journal on one thread, for one run.
class JournalHook {
public:
    JournalHook() : m_dll(LoadLibraryW((BuildFolder() / L"KV_WaitJournal.dll").wstring().c_str())) {
        EXPECT_NE(m_dll, nullptr) << "KV_WaitJournal.dll";
    }
    JournalHook(const JournalHook&) = delete;
    JournalHook& operator=(const JournalHook&) = delete;
    ~JournalHook() {
        if (m_hook != nullptr) {
            UnhookWindowsHookEx(m_hook);
        }
        if (m_dll != nullptr) {
            FreeLibrary(m_dll);
        }
    }
    void Attach(DWORD dwThreadId) {
        auto* proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(GetProcAddress(m_dll, "WaitJournalCbt")));
        m_hook = proc != nullptr ? SetWindowsHookExW(WH_CBT, proc, m_dll, dwThreadId) : nullptr;
        EXPECT_NE(m_hook, nullptr) << "the wait-dialog journal could not hook the launcher";
    }

private:
    HMODULE m_dll;
    HHOOK m_hook = nullptr;
};

} // namespace

LauncherBench::LauncherBench(const std::wstring& sAppSubfolder)
    : m_root(fs::temp_directory_path() / L"kv-e2e" / CurrentTestName()),
      m_app(m_root / sAppSubfolder) {
    fs::remove_all(m_root);
    ClearRegistry();
    fs::create_directories(m_app);
    fs::copy_file(BuildFolder() / L"KV_ZudIvi.exe", m_app / L"KV_ZudIvi.exe");
    PlaceRecorder(m_app / L"Morvane.exe");
    // The launcher and everything it starts find the bench's files here.
    SetEnvironmentVariableW(L"KV_BENCH_DIR", m_root.wstring().c_str());
}

LauncherBench::~LauncherBench() {
    SetEnvironmentVariableW(L"KV_BENCH_DIR", nullptr);
    ClearRegistry();
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
    for (const auto& share : m_shares) {
        fs::remove_all(share.parent_path(), ignored);
    }
}

void LauncherBench::WriteSettings(std::string_view ansiText) {
    KV_Bench::WriteBytes((m_app / L"Morvane.ini").wstring(), ansiText);
}

void LauncherBench::WriteVersions(std::string_view ansiText) {
    KV_Bench::WriteBytes((m_app / L"MorvaneVrs.ini").wstring(), ansiText);
}

void LauncherBench::ServerAnswers(const std::wstring& sList) {
    KV_Bench::WriteUtf8File((m_root / L"vrfvrs-list.txt").wstring(), sList);
}

void LauncherBench::ServerFails(const std::wstring& sDescription) {
    KV_Bench::WriteUtf8File((m_root / L"vrfvrs-error.txt").wstring(), sDescription);
}

void LauncherBench::ClearRegistry() const {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSettingsKey);
}

void LauncherBench::RegistryText(const std::wstring& sName, const std::wstring& sValue) const {
    const std::wstring sData = sValue + L'\0';
    RegistryRaw(sName, REG_SZ,
                std::string_view(reinterpret_cast<const char*>(sData.data()),
                                 sData.size() * sizeof(wchar_t)));
}

// Raw data is written through the wide function: text is UTF-16 there.
void LauncherBench::RegistryRaw(const std::wstring& sName, DWORD dwType,
                                std::string_view data) const {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, sName.c_str(), 0, dwType,
                             reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

std::wstring LauncherBench::Setting(const wchar_t* sFile, const wchar_t* sKey) const {
    wchar_t buffer[4096];
    GetPrivateProfileStringW(L"General", sKey, L"<none>", buffer, 4096,
                             (m_app / sFile).wstring().c_str());
    return buffer;
}

fs::path LauncherBench::Share(const std::wstring& sServer) {
    // Wine maps \\server\share to $WINEPREFIX/dosdevices/unc/server/share.
    std::wstring prefix = KV_Bench::EnvironmentValue(L"WINEPREFIX");
    std::replace(prefix.begin(), prefix.end(), L'/', L'\\');
    std::wstring server = sServer;
    CharLowerBuffW(server.data(), static_cast<DWORD>(server.size()));
    const fs::path share =
        fs::path(L"Z:" + prefix) / L"dosdevices" / L"unc" / server / L"Morvane_Client";
    fs::remove_all(share.parent_path());
    fs::create_directories(share);
    m_shares.push_back(share);
    return share;
}

fs::path LauncherBench::Fix(const std::wstring& sServer) {
    const fs::path fix = Share(sServer) / L"Fix";
    fs::create_directories(fix);
    return fix;
}

fs::path LauncherBench::LogFile() const {
    SYSTEMTIME today;
    GetLocalTime(&today);
    wchar_t name[32];
    std::swprintf(name, 32, L"ZUDIVI%04u%02u%02u.log", today.wYear, today.wMonth, today.wDay);
    return m_app / name;
}

std::string LauncherBench::LogBytes() const {
    return KV_Bench::ReadBytes(LogFile().wstring());
}

void LauncherBench::PlaceRecorder(const fs::path& path) const {
    fs::create_directories(path.parent_path());
    fs::copy_file(BuildFolder() / L"recorder.exe", path, fs::copy_options::overwrite_existing);
}

KV_Bench::RunResult LauncherBench::Run(const std::wstring& sArguments, std::vector<int> answers) {
    std::size_t next = 0;
    return Run(sArguments, [&](const KV_Bench::DialogSeen& dialog) {
        if (next < answers.size()) {
            return answers[next++];
        }
        const bool yesNo =
            std::find(dialog.buttons.begin(), dialog.buttons.end(), IDNO) != dialog.buttons.end();
        return yesNo ? IDNO : IDOK;
    });
}

KV_Bench::RunResult LauncherBench::Run(const std::wstring& sArguments,
                                       const KV_Bench::Answerer& answer) {
    fs::remove(m_root / L"wait-dialogs.txt");
    JournalHook journal;
    auto result =
        KV_Bench::RunAnswering((m_app / L"KV_ZudIvi.exe").wstring(), sArguments, answer, 60000,
                               [&](DWORD dwThreadId) { journal.Attach(dwThreadId); });
    EXPECT_TRUE(result.bEnded) << "the launcher was still running at the time limit";
    std::string left;
    for (const auto& name : result.stillRunning) {
        left += " ";
        left += KV_Bench::Utf8(name);
    }
    EXPECT_TRUE(result.bStartedEnded) << "programs it started were still running:" << left;
    return result;
}

std::vector<StartRecord> LauncherBench::Started() const {
    std::vector<StartRecord> records;
    for (const std::wstring& line : KV_Bench::ReadUtf8Lines((m_root / L"started.txt").wstring())) {
        const auto fields = KV_Bench::SplitTabs(line);
        records.push_back({fields.at(0), fields.at(1), fields.at(2),
                           static_cast<DWORD>(std::stoul(fields.at(4)))});
    }
    return records;
}

std::vector<std::wstring> LauncherBench::SystemCodesAsked() const {
    return KV_Bench::ReadUtf8Lines((m_root / L"vrfvrs-calls.txt").wstring());
}

std::vector<LauncherBench::WaitDialogSeen> LauncherBench::WaitDialogs() const {
    std::vector<WaitDialogSeen> dialogs;
    for (const std::wstring& line :
         KV_Bench::ReadUtf8Lines((m_root / L"wait-dialogs.txt").wstring())) {
        const auto fields = KV_Bench::SplitTabs(line);
        dialogs.push_back({fields.at(0), fields.at(1), fields.at(2) == L"1", fields.at(3) == L"1"});
    }
    return dialogs;
}

std::vector<std::wstring> LauncherBench::StartedNames() const {
    std::vector<std::wstring> names;
    for (const auto& record : Started()) {
        names.push_back(record.sName);
    }
    std::sort(names.begin(), names.end());
    return names;
}
