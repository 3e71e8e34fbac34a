// What the launcher costs, measured side by side in one run under Wine:
//   - its whole run, installation up to date with 50 components, from the
//     start of its process to the start of the client, against two floors:
//     MinLaunch, a launcher that only starts the client (what the platform
//     costs), and MinComLaunch, which first asks the version component as any
//     launcher of this job must (what this launcher adds);
//   - the manifest's share of that: the COM floor and the launcher, each with
//     and without the launcher's manifest, in turn, with their spread;
//   - how the whole run grows with the component count, and how much of it
//     the profile reads and the version lookups of the component pass take;
//   - the CPU time it uses while it waits for a setup, against the wall time;
//   - the copy of a 50 MB component as the component pass makes it (the
//     shell's copy to a staging file, its flush, then the rename onto the
//     target), new and over an installed one, against the durable floor;
//   - a rush: eight launchers updating one installation at once, against one;
//   - the peak working set of a whole run, and the size of each executable.
//   KV_LaunchBench [runs [components [section]]]
// where a section (launch, manifest, growth, wait, copy, rush) runs alone.
// The launcher, MinLaunch, MinComLaunch, the recorder and the version
// component stand-in are taken from the folder of this program.

#include "BenchFiles.h"
#include "BenchRun.h"
#include "IniFunctions.h"
#include "KV_Api.h"
#include "KV_ZudIviParts.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

double Seconds(long long ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

long long Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// The value below which the share q of the values lie (0.5: the median).
double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    return values.empty()
               ? 0.0
               : values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5)];
}

double Median(std::vector<double> values) {
    return Quantile(std::move(values), 0.5);
}

struct Launch {
    double dSeconds = 0; // from before the start to the client's first line
    SIZE_T peakWorkingSet = 0;
    bool bOk = false;
};

// Starts the program, waits for it, and reads when the client it started
// began from the recorder's line.
Launch TimeLaunch(const fs::path& exe, const fs::path& started) {
    Launch launch;
    std::error_code ignored;
    fs::remove(started, ignored);
    std::wstring sCommand = L"\"" + exe.wstring() + L"\" /x";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const long long t0 = Now();
    if (!CreateProcessW(exe.wstring().c_str(), sCommand.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return launch;
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, 60000);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof(memory))) {
        launch.peakWorkingSet = memory.PeakWorkingSetSize;
    }
    CloseHandle(process.hProcess);
    for (int i = 0; i < 1000; ++i) {
        const auto lines = KV_Bench::ReadUtf8Lines(started.wstring());
        if (!lines.empty()) {
            const auto fields = KV_Bench::SplitTabs(lines.back());
            if (fields.size() >= 6) {
                launch.dSeconds = Seconds(std::stoll(fields[5]) - t0);
                launch.bOk = true;
            }
            break;
        }
        Sleep(10);
    }
    return launch;
}

void WriteAnsi(const fs::path& file, const std::string& text) {
    KV_Bench::WriteBytes(file.wstring(), text);
}

// An installation whose components are all up to date.
void LayOut(const fs::path& bin, const fs::path& root, const fs::path& app, int components) {
    // The client that the last run started may still be ending.
    for (int i = 0; i < 100; ++i) {
        std::error_code busy;
        fs::remove_all(root, busy);
        if (!busy) {
            break;
        }
        Sleep(50);
    }
    fs::remove_all(root);
    fs::create_directories(app);
    fs::copy_file(bin / L"KV_ZudIvi.exe", app / L"KV_ZudIvi.exe");
    fs::copy_file(bin / L"MinLaunch.exe", app / L"MinLaunch.exe");
    for (const wchar_t* name :
         {L"MinComLaunch.exe", L"MinComLaunchManifest.exe", L"KV_ZudIviNoManifest.exe"}) {
        fs::copy_file(bin / name, app / name);
    }
    fs::copy_file(bin / L"recorder.exe", app / L"Morvane.exe");
    std::string list;
    std::string versions = "[General]\r\n";
    std::wstring server = L"VrsSis:1.0,";
    for (int i = 1; i <= components; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "Comp%02d.dll", i);
        if (i > 1) {
            list += ',';
        }
        list += name;
        versions += name;
        versions += "=1." + std::to_string(i) + "\r\n";
        server += KV_Bench::FromUtf8(name) + L":1." + std::to_wstring(i) + L",";
    }
    std::string settings = "[General]\r\nNomSrvApl=\r\nVrsSis=1.0\r\nLSTCOMP=";
    settings += list;
    settings += "\r\n";
    WriteAnsi(app / L"Morvane.ini", settings);
    WriteAnsi(app / L"MorvaneVrs.ini", versions);
    KV_Bench::WriteUtf8File((root / L"vrfvrs-list.txt").wstring(), server);
}

double Ratio(double dPart, double dWhole) {
    return dWhole > 0 ? dPart / dWhole : 0.0;
}

// The median run of each program, the programs started in turn so that a
// change of the machine's load falls on all of them alike, every run's time,
// and the largest peak working set of the first. No medians when a run did
// not start the client.
struct Medians {
    std::vector<double> seconds;
    std::vector<std::vector<double>> runs;
    SIZE_T firstPeak = 0;
};

Medians TimeInTurn(const fs::path& started, const std::vector<fs::path>& programs, int runs) {
    std::vector<std::vector<double>> times(programs.size());
    Medians result;
    // One of each first, to have the files and DLLs in the cache.
    for (const fs::path& program : programs) {
        TimeLaunch(program, started);
    }
    for (int i = 0; i < runs; ++i) {
        for (std::size_t p = 0; p < programs.size(); ++p) {
            const Launch launch = TimeLaunch(programs[p], started);
            if (!launch.bOk) {
                std::printf("  a run of %ls did not start the client; see %ls\n",
                            programs[p].filename().c_str(), started.c_str());
                return Medians{};
            }
            times[p].push_back(launch.dSeconds);
            if (p == 0) {
                result.firstPeak = std::max(result.firstPeak, launch.peakWorkingSet);
            }
        }
    }
    for (const auto& programTimes : times) {
        result.seconds.push_back(Median(programTimes));
    }
    result.runs = std::move(times);
    return result;
}

void MeasureLaunch(const fs::path& root, const fs::path& app, int runs, int components) {
    const Medians m = TimeInTurn(
        root / L"started.txt",
        {app / L"KV_ZudIvi.exe", app / L"MinLaunch.exe", app / L"MinComLaunch.exe"}, runs);
    if (m.seconds.empty()) {
        return;
    }
    const double dLauncher = m.seconds[0];
    const double dBare = m.seconds[1];
    const double dFloor = m.seconds[2];
    std::printf("Whole run, %d components up to date (median of %d):\n", components, runs);
    std::printf("  launcher %.1f ms, bare launcher (MinLaunch) %.1f ms, "
                "COM floor (MinComLaunch) %.1f ms\n",
                dLauncher * 1000, dBare * 1000, dFloor * 1000);
    std::printf("  launcher / bare launcher %.2f (the platform's cost)\n", Ratio(dLauncher, dBare));
    std::printf("  launcher / COM floor %.2f (goal <= 1.10)\n", Ratio(dLauncher, dFloor));
    std::printf("  peak working set of a launcher run: %.1f MB\n",
                static_cast<double>(m.firstPeak) / (1024.0 * 1024.0));
}

// Whether the launcher's manifest (common controls 6, DPI awareness), which
// any launcher with its dialogs needs, explains its gap to the COM floor: the
// floor and the launcher each with and without it, in turn.
void MeasureManifest(const fs::path& root, const fs::path& app, int runs) {
    const std::pair<const wchar_t*, const char*> programs[] = {
        {L"MinComLaunch.exe", "COM floor"},
        {L"MinComLaunchManifest.exe", "COM floor with the launcher's manifest"},
        {L"KV_ZudIvi.exe", "launcher"},
        {L"KV_ZudIviNoManifest.exe", "launcher without its manifest"}};
    std::vector<fs::path> paths;
    for (const auto& [name, label] : programs) {
        paths.push_back(app / name);
    }
    const Medians m = TimeInTurn(root / L"started.txt", paths, runs);
    if (m.seconds.empty()) {
        return;
    }
    std::printf("The manifest: four programs in turn (median of %d, 25th to 75th percentile):\n",
                runs);
    for (std::size_t p = 0; p < paths.size(); ++p) {
        std::printf("  %-40s %6.1f ms (%.1f to %.1f)\n", programs[p].second, m.seconds[p] * 1000,
                    Quantile(m.runs[p], 0.25) * 1000, Quantile(m.runs[p], 0.75) * 1000);
    }
    std::printf("  COM floor with / without the manifest %.2f\n",
                Ratio(m.seconds[1], m.seconds[0]));
    std::printf("  launcher / its build without the manifest %.2f\n",
                Ratio(m.seconds[2], m.seconds[3]));
    std::printf("  with the manifest, both: launcher / COM floor %.2f\n",
                Ratio(m.seconds[2], m.seconds[1]));
    std::printf("  without it, both: launcher / COM floor %.2f\n",
                Ratio(m.seconds[3], m.seconds[0]));
}

// The component pass's own work for every component, timed in this process:
// its installed version read from the versions file, and its server version
// looked up in the list; in milliseconds.
void TimePassWork(const fs::path& root, const fs::path& app, int components, double& dReads,
                  double& dLookups) {
    const auto lines = KV_Bench::ReadUtf8Lines((root / L"vrfvrs-list.txt").wstring());
    const std::wstring sList = lines.empty() ? std::wstring() : lines[0];
    const std::wstring sVersions = (app / L"MorvaneVrs.ini").wstring();
    std::vector<std::wstring> names;
    for (int i = 1; i <= components; ++i) {
        wchar_t name[32];
        std::swprintf(name, 32, L"Comp%02d.dll", i);
        names.emplace_back(name);
    }
    long long t0 = Now();
    for (const auto& name : names) {
        ReadIniKey(sVersions, L"General", name, L"");
    }
    dReads = Seconds(Now() - t0) * 1000;
    t0 = Now();
    for (const auto& name : names) {
        KV_ZudIviMain::GetVrs(sList, name);
    }
    dLookups = Seconds(Now() - t0) * 1000;
}

// The whole run against the COM floor for a growing number of components, all
// up to date, and what the profile reads and the lookups take of it.
void MeasureGrowth(const fs::path& bin, const fs::path& root, const fs::path& app, int runs) {
    std::printf("Whole run by component count, all up to date (median of %d; the pass's "
                "reads and lookups timed in one process):\n",
                runs);
    std::printf("  %10s %10s %10s %6s %10s %10s\n", "components", "launcher", "COM floor", "ratio",
                "ini reads", "lookups");
    double dAtZero = 0;
    for (const int components : {0, 50, 500, 5000}) {
        LayOut(bin, root, app, components);
        const Medians m = TimeInTurn(root / L"started.txt",
                                     {app / L"KV_ZudIvi.exe", app / L"MinComLaunch.exe"}, runs);
        if (m.seconds.empty()) {
            return;
        }
        double dReads = 0;
        double dLookups = 0;
        TimePassWork(root, app, components, dReads, dLookups);
        std::printf("  %10d %7.1f ms %7.1f ms %6.2f %7.1f ms %7.1f ms\n", components,
                    m.seconds[0] * 1000, m.seconds[1] * 1000, Ratio(m.seconds[0], m.seconds[1]),
                    dReads, dLookups);
        if (components == 0) {
            dAtZero = m.seconds[0];
        } else if (components == 5000) {
            std::printf("  each component up to date adds %.2f ms to the run\n",
                        (m.seconds[0] - dAtZero) * 1000 / components);
        }
    }
}

long long CpuTicks() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto value = [](const FILETIME& t) {
        return static_cast<long long>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
    };
    return value(kernel) + value(user); // in 100 ns
}

void MeasureWait(const fs::path& bin, const fs::path& root) {
    const fs::path setup = root / L"setup" / L"Setup.exe";
    fs::create_directories(setup.parent_path());
    fs::copy_file(bin / L"recorder.exe", setup, fs::copy_options::overwrite_existing);
    KV_Bench::WriteBytes(setup.wstring() + L".bench", "sleep=10000 exit=0 look=0");
    std::wstring sMessage;
    const long long cpu0 = CpuTicks();
    const long long t0 = Now();
    const bool bEnded =
        KV_ZudIviMain::RunAndWait(L"\"" + setup.wstring() + L"\"", 1, sMessage, 60000);
    const double dWall = Seconds(Now() - t0);
    const double dCpu = static_cast<double>(CpuTicks() - cpu0) / 1e7;
    std::printf("Waiting for a setup of 10 s%s:\n", bEnded ? "" : " (it did not end!)");
    std::printf("  CPU %.4f s of %.2f s wall: %.4f %% (goal < 1 %%)\n", dCpu, dWall,
                100.0 * dCpu / dWall);
}

// Copies the file the given way into a fresh target folder, over an old file
// when there is one, in seconds; 0 when the copy failed.
template <typename Copy>
double TimeCopy(const fs::path& source, const fs::path& target, bool bOverOld, Copy copy) {
    std::error_code ignored;
    fs::remove_all(target.parent_path(), ignored);
    fs::create_directories(target.parent_path());
    if (bOverOld) {
        KV_Bench::WriteBytes(target.wstring(), "viejo");
    }
    const long long t0 = Now();
    const bool bOk = copy(source.wstring(), target.wstring());
    const double dSeconds = Seconds(Now() - t0);
    // What a copy left unwritten would be written by the next one's flush
    // (ext4 commits the data of every file in the journal's transaction).
    const KV_Api::UniqueHandle file(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
    if (file) {
        FlushFileBuffers(file.Get());
    }
    return bOk && fs::file_size(target, ignored) == fs::file_size(source, ignored) ? dSeconds : 0;
}

// The component pass's copy against the durable floor, the least a copy
// that survives a power loss must do: CopyFile to a temporary name, its data
// flushed, one rename over the target; for a new component and over an
// installed one. Over one also the shell's copy straight onto the target,
// which is neither whole-or-nothing nor durable.
void MeasureCopy(const fs::path& root, int runs) {
    constexpr std::size_t kBytes = 50u * 1024 * 1024;
    const fs::path source = root / L"fix" / L"Big.dll";
    fs::create_directories(source.parent_path());
    std::string data(kBytes, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>((i * 2654435761u) >> 24);
    }
    KV_Bench::WriteBytes(source.wstring(), data);
    const auto whole = [](const std::wstring& from, const std::wstring& to) {
        DWORD dwError = 0;
        return KV_ZudIviMain::CopyWhole(from, to, fs::path(to).parent_path().wstring(), dwError);
    };
    const auto inPlace = [](const std::wstring& from, const std::wstring& to) {
        return KV_Api::ShellFileCopy(from, to);
    };
    const auto durable = [](const std::wstring& from, const std::wstring& to) {
        const std::wstring sTemp = to + L".floor";
        if (!CopyFileW(from.c_str(), sTemp.c_str(), FALSE)) {
            return false;
        }
        {
            const KV_Api::UniqueHandle file(
                CreateFileW(sTemp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            if (!file || !FlushFileBuffers(file.Get())) {
                return false;
            }
        }
        return MoveFileExW(sTemp.c_str(), to.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    };
    const double dMB = static_cast<double>(kBytes) / (1024.0 * 1024.0);
    const auto rate = [dMB](double dSeconds) { return dSeconds > 0 ? dMB / dSeconds : 0.0; };
    TimeCopy(source, root / L"warm" / L"Big.dll", false, durable);
    std::printf("Copy of a 50 MB component (medians of %d):\n", runs);
    for (const bool bOverOld : {false, true}) {
        std::vector<double> viaWhole;
        std::vector<double> viaInPlace;
        std::vector<double> viaFloor;
        for (int i = 0; i < runs; ++i) {
            viaWhole.push_back(TimeCopy(source, root / L"whole" / L"Big.dll", bOverOld, whole));
            viaFloor.push_back(TimeCopy(source, root / L"floor" / L"Big.dll", bOverOld, durable));
            if (bOverOld) {
                viaInPlace.push_back(
                    TimeCopy(source, root / L"inplace" / L"Big.dll", bOverOld, inPlace));
            }
        }
        if (std::count(viaWhole.begin(), viaWhole.end(), 0.0) +
                std::count(viaFloor.begin(), viaFloor.end(), 0.0) >
            0) {
            std::printf("  a copy failed\n");
        }
        const double dWhole = Median(viaWhole);
        const double dFloor = Median(viaFloor);
        std::printf("  %s: whole copy %.0f MB/s, durable floor %.0f MB/s: throughput ratio %.2f "
                    "(goal >= 0.90)\n",
                    bOverOld ? "over an installed one" : "a new component", rate(dWhole),
                    rate(dFloor), dWhole > 0 ? dFloor / dWhole : 0.0);
        if (bOverOld) {
            std::printf("    the shell's copy straight onto the target, not durable: %.0f MB/s\n",
                        rate(Median(viaInPlace)));
        }
    }
}

// Launchers started together on one installation, as at nine on a terminal
// server: eight update the same three 5 MB components at once, against one
// alone; from their start to the start of the last client, medians of runs.
// The same with the bare launcher, which only starts the client, is the
// floor: what eight programs and their clients cost the machine at once.
void MeasureRush(const fs::path& bin, const fs::path& root, int runs) {
    constexpr int kLaunchers = 8;
    const fs::path app = root / L"rush";
    fs::path fix(L"Z:" + KV_Bench::EnvironmentValue(L"WINEPREFIX") +
                 L"/dosdevices/unc/rushsrv/Morvane_Client/Fix");
    fix.make_preferred();
    fs::create_directories(fix);
    const wchar_t* names[] = {L"A.dll", L"B.dll", L"C.dll"};
    for (const wchar_t* name : names) {
        KV_Bench::WriteBytes((fix / name).wstring(),
                             std::string(5u << 20, static_cast<char>(name[0])));
    }
    KV_Bench::WriteUtf8File((root / L"vrfvrs-list.txt").wstring(),
                            L"VrsSis:1.0,A.dll:2,B.dll:2,C.dll:2,");
    const auto yes = [](const KV_Bench::DialogSeen& box) {
        return std::count(box.buttons.begin(), box.buttons.end(), IDYES) != 0 ? IDYES : IDOK;
    };
    std::size_t copies = 0; // the shell's copies of the last rush
    const auto rush = [&](const wchar_t* sLauncher, int launchers) {
        std::error_code ignored;
        fs::remove_all(app, ignored);
        fs::create_directories(app);
        fs::copy_file(bin / sLauncher, app / sLauncher);
        fs::copy_file(bin / L"recorder.exe", app / L"Morvane.exe");
        fs::copy_file(bin / L"recorder.exe", app / L"KV_DirAzevUvevIzi.exe");
        WriteAnsi(app / L"Morvane.ini",
                  "[General]\r\nNomSrvApl=RUSHSRV\r\nVrsSis=1.0\r\nLSTCOMP=A.dll,B.dll,C.dll\r\n");
        WriteAnsi(app / L"MorvaneVrs.ini", "[General]\r\nA.dll=1\r\nB.dll=1\r\nC.dll=1\r\n");
        for (const wchar_t* name : names) {
            WriteAnsi(app / name, "viejo");
        }
        const fs::path started = root / L"started.txt";
        fs::remove(started, ignored);
        // The bench's hook writes down every copy the shell makes.
        KV_Bench::WriteBytes((root / L"copies.txt").wstring(), "");
        const long long t0 = Now();
        KV_Bench::RunTogether((app / sLauncher).wstring(), L"", launchers, yes);
        long long last = 0;
        int clients = 0;
        for (const std::wstring& line : KV_Bench::ReadUtf8Lines(started.wstring())) {
            const auto fields = KV_Bench::SplitTabs(line);
            if (fields.size() >= 6 && fields[0] == L"Morvane.exe") {
                ++clients;
                last = std::max(last, std::stoll(fields[5]));
            }
        }
        copies = KV_Bench::ReadUtf8Lines((root / L"copies.txt").wstring()).size();
        return clients == launchers ? Seconds(last - t0) : 0.0;
    };
    std::vector<double> alone;
    std::vector<double> together;
    std::vector<double> copiesTogether;
    std::vector<double> floorAlone;
    std::vector<double> floorTogether;
    for (int i = 0; i < runs; ++i) {
        alone.push_back(rush(L"KV_ZudIvi.exe", 1));
        together.push_back(rush(L"KV_ZudIvi.exe", kLaunchers));
        copiesTogether.push_back(static_cast<double>(copies));
        floorAlone.push_back(rush(L"MinLaunch.exe", 1));
        floorTogether.push_back(rush(L"MinLaunch.exe", kLaunchers));
    }
    fs::remove(root / L"copies.txt");
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    std::printf("Rush: launchers updating three 5 MB components, to the last client's start "
                "(medians of %d, %lu cores):\n",
                runs, system.dwNumberOfProcessors);
    for (const auto* times : {&alone, &together, &floorAlone, &floorTogether}) {
        if (std::count(times->begin(), times->end(), 0.0) > 0) {
            std::printf("  a launcher did not start its client\n");
            break;
        }
    }
    const double dRatio = Ratio(Median(together), Median(alone));
    const double dFloorRatio = Ratio(Median(floorTogether), Median(floorAlone));
    std::printf("  one alone %.0f ms, %d together %.0f ms: %.2f times as long (goal <= 1.15)\n",
                Median(alone) * 1000, kLaunchers, Median(together) * 1000, dRatio);
    std::printf("  floor, the bare launcher: one alone %.0f ms, %d together %.0f ms: %.2f times\n",
                Median(floorAlone) * 1000, kLaunchers, Median(floorTogether) * 1000, dFloorRatio);
    std::printf("  launcher's rush / floor's rush: %.2f\n", Ratio(dRatio, dFloorRatio));
    std::printf("  copies made by the %d together, of 3 changed files: %.0f (median; %d would "
                "be each launcher copying each file)\n",
                kLaunchers, Median(copiesTogether), 3 * kLaunchers);
}

void PrintSizes(const fs::path& bin) {
    std::printf("Executables:\n");
    for (const wchar_t* name : {L"KV_ZudIvi.exe", L"MinLaunch.exe"}) {
        std::error_code error;
        const auto size = fs::file_size(bin / name, error);
        std::printf("  %ls: %.0f KB\n", name, error ? 0.0 : static_cast<double>(size) / 1024.0);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 15;
    const int components = argc > 2 ? std::max(0, _wtoi(argv[2])) : 50;
    const std::wstring sSection = argc > 3 ? argv[3] : L"";
    const auto wanted = [&sSection](const wchar_t* sName) {
        return sSection.empty() || sSection == sName;
    };
    const fs::path bin = KV_Bench::ModuleFolder(nullptr);
    const fs::path root = fs::temp_directory_path() / L"kv-bench";
    const fs::path app = root / L"app";
    LayOut(bin, root, app, components);
    SetEnvironmentVariableW(L"KV_BENCH_DIR", root.wstring().c_str());
    const fs::path component = bin / L"KV_VrfVrsBench.dll";
    if (FAILED(KV_Bench::CallDllEntry(component.wstring(), "DllRegisterServer"))) {
        std::printf("the version component stand-in could not be registered\n");
        return 1;
    }
    if (wanted(L"launch")) {
        MeasureLaunch(root, app, runs, components);
    }
    if (wanted(L"manifest")) {
        MeasureManifest(root, app, std::max(45, runs * 3));
    }
    if (wanted(L"growth")) {
        MeasureGrowth(bin, root, app, std::max(5, runs / 3));
    }
    if (wanted(L"wait")) {
        MeasureWait(bin, root);
    }
    if (wanted(L"copy")) {
        MeasureCopy(root, std::min(runs, 7));
    }
    if (wanted(L"rush")) {
        MeasureRush(bin, root, std::min(runs, 3));
    }
    PrintSizes(bin);
    KV_Bench::CallDllEntry(component.wstring(), "DllUnregisterServer");
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return 0;
}
