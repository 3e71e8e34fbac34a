#pragma once
// One installation of the launcher for an end-to-end test: an application
// folder with the launcher and the client stand-in, the settings files, and
// the answer of the version component stand-in. Everything lives in a folder
// of its own under %TEMP%, named after the test, and is removed afterwards.

#include "BenchRun.h"

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

struct StartRecord {
    std::wstring sName;        // file name of the program started
    std::wstring sPath;        // its full path
    std::wstring sCommandLine; // exactly as it received it
    DWORD dwProcessId = 0;
};

class LauncherBench {
public:
    // sAppSubfolder: where below the test's folder the application folder lies.
    explicit LauncherBench(const std::wstring& sAppSubfolder = L"app");
    ~LauncherBench();
    LauncherBench(const LauncherBench&) = delete;
    LauncherBench& operator=(const LauncherBench&) = delete;

    const std::filesystem::path& Root() const { return m_root; }
    const std::filesystem::path& AppFolder() const { return m_app; }

    // The files as the bytes given (the platform reads them in the ANSI code page).
    void WriteSettings(std::string_view ansiText);
    void WriteVersions(std::string_view ansiText);
    void ServerAnswers(const std::wstring& sList);
    void ServerFails(const std::wstring& sDescription);
    // A value under HKEY_LOCAL_MACHINE\Software\Brenvask\Morvane Pro, where
    // the first run finds its settings. The bench empties that key before and
    // after each test.
    void RegistryText(const std::wstring& sName, const std::wstring& sValue) const;
    void RegistryRaw(const std::wstring& sName, DWORD dwType, std::string_view data) const;
    void ClearRegistry() const;
    // A value of section "General" of a file of the application folder, as
    // the platform reads it; "<none>" when the file or the key is missing.
    std::wstring Setting(const wchar_t* sFile, const wchar_t* sKey) const;

    // Puts the recorder at a path, so a test can see whether anything ran it.
    void PlaceRecorder(const std::filesystem::path& path) const;

    // The folder behind the share \\<server>\Morvane_Client, created empty.
    std::filesystem::path Share(const std::wstring& sServer);
    // Its folder "Fix", where the components come from, created empty.
    std::filesystem::path Fix(const std::wstring& sServer);

    // Today's diagnostic log of the application folder, as its bytes ("" when missing).
    std::filesystem::path LogFile() const;
    std::string LogBytes() const;

    // Runs the launcher with these arguments, pressing the given buttons on the
    // dialogs in turn (and the one that closes a dialog when they run out).
    KV_Bench::RunResult Run(const std::wstring& sArguments, std::vector<int> answers = {});
    // The same, with the button for each dialog chosen by the caller.
    KV_Bench::RunResult Run(const std::wstring& sArguments, const KV_Bench::Answerer& answer);

    std::vector<StartRecord> Started() const;
    // The names of the programs started, sorted: the refresh tool and the
    // client run side by side, so their records may come in either order.
    std::vector<std::wstring> StartedNames() const;
    std::vector<std::wstring> SystemCodesAsked() const;

    struct WaitDialogSeen {
        std::wstring sCaption;
        std::wstring sMsg;
        bool bVisible = false;
        bool bOwned = false;
    };
    // Every wait dialog the launcher destroyed, in order, however briefly it was up.
    std::vector<WaitDialogSeen> WaitDialogs() const;

private:
    std::filesystem::path m_root;
    std::filesystem::path m_app;
    std::vector<std::filesystem::path> m_shares;
};

// The folder of the test program, where the build put the launcher and the stand-ins.
std::filesystem::path BuildFolder();
