// Faults end to end under Wine: settings files and folders that can't be
// written or deleted, components in use, a share that goes away, very long
// inputs, a setup that ends with the code that means "still active". Each
// case checks what the user sees, whether the client starts, and that no
// settings, versions or component file is left damaged.
//
// Elsewhere: a read-only settings file without versions and a folder that
// can't be written on the first run (FirstRun_test.cpp), a missing source
// file (Components_test.cpp), a setup that outlives a short limit
// (tests/win/RunAndWait_test.cpp).
#include "BenchFiles.h"
#include "KV_Api.h"
#include "LauncherBench.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kRefreshTool = L"KV_DirAzevUvevIzi.exe";
// The application folder of an installation of A.dll, B.dll and C.dll,
// sorted: no file is left beside them after a failed copy.
const std::vector<std::wstring> kInstalled = {L"A.dll",       L"B.dll",         L"C.dll",
                                              kRefreshTool,   L"KV_ZudIvi.exe", L"Morvane.exe",
                                              L"Morvane.ini", L"MorvaneVrs.ini"};
constexpr const wchar_t* kUpdateTitle = L"Actualización de Morvane Pro";
constexpr const wchar_t* kContinueQuestion =
    L"Falló la actualización de los componentes, ponganse en contacto con su administrador, "
    L"¿Desea continuar?";

// A file held open by this process, which is not the launcher; with no
// sharing, nobody else can open, replace or delete it meanwhile.
class HeldOpen {
public:
    explicit HeldOpen(const fs::path& path, DWORD dwShare = 0)
        : m_h(CreateFileW(path.wstring().c_str(), GENERIC_READ, dwShare, nullptr, OPEN_EXISTING, 0,
                          nullptr)) {}
    bool Held() const { return static_cast<bool>(m_h); }

private:
    KV_Api::UniqueHandle m_h;
};

// An installation of version 1.2 of server SRVAPL with the refresh tool.
class Faults : public testing::Test {
protected:
    explicit Faults(const std::wstring& sAppSubfolder = L"app")
        : bench(sAppSubfolder), fix(bench.Fix(L"SRVAPL")) {
        bench.PlaceRecorder(bench.AppFolder() / kRefreshTool);
        bench.ServerAnswers(L"VrsSis:1.2,");
    }

    void Install(const std::string& lstcomp, const std::string& versions) {
        bench.WriteSettings("[General]\r\nNomSrvApl=SRVAPL\r\nVrsSis=1.2\r\nLSTCOMP=" + lstcomp +
                            "\r\n");
        bench.WriteVersions("[General]\r\n" + versions);
    }
    fs::path App(const std::wstring& sName) const { return bench.AppFolder() / sName; }
    // The names in a folder of the application folder, sorted.
    std::vector<std::wstring> AppFiles(const std::wstring& sSub = L"") const {
        std::vector<std::wstring> names;
        for (const auto& entry : fs::directory_iterator(App(sSub))) {
            names.push_back(entry.path().filename().wstring());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Bytes(const fs::path& path) const { return KV_Bench::ReadBytes(path.wstring()); }

    std::vector<std::wstring> WaitMessages() const {
        std::vector<std::wstring> messages;
        for (const auto& dialog : bench.WaitDialogs()) {
            messages.push_back(dialog.sMsg);
        }
        return messages;
    }
    // The launcher's own boxes; any other (a window of the shell's) gets its
    // first button and is left out.
    KV_Bench::RunResult RunAnswering(const std::wstring& sArguments,
                                     std::vector<KV_Bench::DialogSeen>& own, int iContinue) {
        return bench.Run(sArguments, [&own, iContinue](const KV_Bench::DialogSeen& box) {
            if (box.sTitle == L"Morvane" || box.sTitle == L"VrfComps" ||
                box.sTitle == kUpdateTitle || box.sTitle == L"KV_ZudIviPrj") {
                own.push_back(box);
                return box.sTitle == L"VrfComps" || box.sTitle == L"KV_ZudIviPrj"
                           ? IDOK
                           : (box.sTitle == kUpdateTitle ? iContinue : IDYES);
            }
            return box.buttons.empty() ? IDOK : box.buttons.front();
        });
    }
    static std::string Dialogs(const std::vector<KV_Bench::DialogSeen>& boxes) {
        std::string text;
        for (const auto& box : boxes) {
            text += KV_Bench::Describe(box) + "\n";
        }
        return text;
    }
    // Copy question, the pass's box about the copy of sComp, the continue question.
    // sReason: what the platform said, where the box adds it.
    void ExpectCopyFailed(const std::vector<KV_Bench::DialogSeen>& own, const std::wstring& sComp,
                          const std::wstring& sReason = L"") const {
        ASSERT_EQ(own.size(), 3u) << Dialogs(own);
        EXPECT_EQ(own[0].sTitle, L"Morvane");
        EXPECT_EQ(own[1].sTitle, L"VrfComps");
        EXPECT_EQ(KV_Bench::Utf8(own[1].sText),
                  KV_Bench::Utf8(L"No se pudo copiar el componente \"" + sComp +
                                 L"\" de \"\\\\SRVAPL\\Morvane_Client\\Fix\\" + sComp + L"\" a \"" +
                                 App(sComp).wstring() + L"\"." + sReason));
        EXPECT_EQ(own[2].sTitle, kUpdateTitle);
        EXPECT_EQ(KV_Bench::Utf8(own[2].sText), KV_Bench::Utf8(kContinueQuestion));
    }

    LauncherBench bench;
    fs::path fix;
};

// --- Settings stores -------------------------------------------------------

// Settings without versions must be deleted; when another process holds the
// file open the run stops at one box, nothing is started, and the file is left
// as it was. (A read-only one: FirstRun_test.cpp.)
TEST_F(Faults, ASettingsFileInUseThatMustBeDeletedIsOneErrorAndNoClient) {
    const std::string settings = "[General]\r\nNomSrvApl=SRVAPL\r\nVrsSis=1.2\r\nLSTCOMP=A.dll\r\n";
    bench.WriteSettings(settings);
    std::vector<KV_Bench::DialogSeen> own;
    {
        const HeldOpen held(App(L"Morvane.ini"));
        ASSERT_TRUE(held.Held());
        RunAnswering(L"", own, IDNO);
    }
    ASSERT_EQ(own.size(), 1u) << Dialogs(own);
    EXPECT_EQ(own[0].sTitle, L"KV_ZudIviPrj");
    EXPECT_EQ(own[0].sText, KV_Api::SystemMessage(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(own[0].buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(bench.Started().empty());
    EXPECT_EQ(Bytes(App(L"Morvane.ini")), settings);
    EXPECT_FALSE(fs::exists(App(L"MorvaneVrs.ini")));
}

// Files in use are only read: settings and versions that can't be written
// don't stop a run that copies a component, and stay byte for byte; nor does a
// read-only versions file beside settings that come from the registry.
TEST_F(Faults, SettingsFilesThatCantBeWrittenAreOnlyRead) {
    const std::string versions = "[General]\r\nA.dll=1\r\n";
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:2,");
    KV_Bench::WriteBytes((fix / L"A.dll").wstring(), "nuevo A");
    for (const bool bFirstRun : {false, true}) {
        fs::remove(bench.Root() / L"started.txt");
        fs::remove(App(L"A.dll"));
        Install("A.dll", "A.dll=1\r\n");
        if (bFirstRun) {
            fs::remove(App(L"Morvane.ini"));
            bench.RegistryText(L"NomSrvApl", L"SRVAPL");
            bench.RegistryText(L"VrsSis", L"1.2");
            bench.RegistryText(L"LSTCOMP", L"A.dll");
        }
        const std::string settings = Bytes(App(L"Morvane.ini"));
        std::vector<KV_Bench::DialogSeen> own;
        {
            const KV_Bench::ImmutableGuard lockedVersions(App(L"MorvaneVrs.ini").wstring());
            ASSERT_TRUE(lockedVersions.Held());
            std::unique_ptr<KV_Bench::ImmutableGuard> lockedSettings;
            if (!bFirstRun) {
                lockedSettings =
                    std::make_unique<KV_Bench::ImmutableGuard>(App(L"Morvane.ini").wstring());
                ASSERT_TRUE(lockedSettings->Held());
            }
            RunAnswering(L"", own, IDNO);
        }
        ASSERT_EQ(own.size(), 1u) << Dialogs(own); // the copy question alone
        EXPECT_EQ(Bytes(App(L"A.dll")), "nuevo A");
        EXPECT_EQ(bench.StartedNames(), (std::vector<std::wstring>{kRefreshTool, L"Morvane.exe"}));
        EXPECT_EQ(Bytes(App(L"MorvaneVrs.ini")), versions);
        if (bFirstRun) {
            EXPECT_EQ(bench.Setting(L"Morvane.ini", L"LSTCOMP"), L"A.dll");
        } else {
            EXPECT_EQ(Bytes(App(L"Morvane.ini")), settings);
        }
    }
}

// The first run in a folder that can't be written: the settings can't be
// stored, and a component that differs can't be copied; the user is told, and
// may still start the client as it is.
TEST_F(Faults, AFirstRunInAFolderThatCantBeWrittenReportsTheCopy) {
    fs::remove(App(L"Morvane.ini"));
    fs::remove(App(L"MorvaneVrs.ini"));
    bench.RegistryText(L"NomSrvApl", L"SRVAPL");
    bench.RegistryText(L"VrsSis", L"1.2");
    bench.RegistryText(L"LSTCOMP", L"A.dll");
    bench.RegistryText(L"A.dll", L"1");
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:2,");
    KV_Bench::WriteBytes((fix / L"A.dll").wstring(), "nuevo A");
    std::vector<KV_Bench::DialogSeen> own;
    {
        const KV_Bench::ImmutableGuard locked(bench.AppFolder().wstring());
        ASSERT_TRUE(locked.Held());
        RunAnswering(L"", own, IDYES);
    }
    ExpectCopyFailed(own, L"A.dll");
    EXPECT_EQ(WaitMessages(), std::vector<std::wstring>{L"Copiando A.dll"});
    EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"});
    EXPECT_FALSE(fs::exists(App(L"A.dll")));
    EXPECT_FALSE(fs::exists(App(L"Morvane.ini")));
    EXPECT_FALSE(fs::exists(App(L"MorvaneVrs.ini")));
}

// --- Copies that fail --------------------------------------------------------

// Three differing components; the copy of the second fails. The first is
// copied, the second and third keep their old files whole, the refresh tool
// is not started, and the continue question decides about the client.
TEST_F(Faults, ACopyThatFailsLeavesTheOldFileWhole) {
    struct Case {
        const char* name;
        bool bOldB;                                   // an old B.dll is installed
        std::function<std::shared_ptr<void>()> fault; // held for the run
        std::wstring sReason = L"";                   // what the box adds to its text
    };
    const auto folderInPlaceOfB = [&] {
        fs::remove(fix / L"B.dll");
        fs::create_directories(fix / L"B.dll" / L"dentro");
        KV_Bench::WriteBytes((fix / L"B.dll" / L"dentro" / L"x.txt").wstring(), "x");
        return std::shared_ptr<void>();
    };
    const auto folderInPlaceOfInstalledB = [&] {
        fs::remove(App(L"B.dll"));
        fs::create_directories(App(L"B.dll"));
        KV_Bench::WriteBytes(App(L"B.dll\\x.txt").wstring(), "viejo");
        return std::shared_ptr<void>();
    };
    const std::vector<Case> cases = {
        {"target in use", true, [&] { return std::make_shared<HeldOpen>(App(L"B.dll")); },
         L" " + KV_Api::SystemMessage(ERROR_ACCESS_DENIED)},
        {"a folder in place of the installed file", false, folderInPlaceOfInstalledB},
        {"source in use", true, [&] { return std::make_shared<HeldOpen>(fix / L"B.dll"); }},
        {"source is a folder", true, folderInPlaceOfB},
        {"source is a folder, nothing installed", false, folderInPlaceOfB},
        {"share gone after the first copy", true,
         [&] {
             KV_Bench::WriteUtf8File((bench.Root() / L"vanish.txt").wstring(),
                                     fix.parent_path().wstring());
             return std::shared_ptr<void>();
         }},
    };
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:2,B.dll:2,C.dll:2,");
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        fs::remove(bench.Root() / L"started.txt");
        fs::remove_all(fix.parent_path().wstring() + L".gone");
        fs::create_directories(fix);
        Install("A.dll,B.dll,C.dll", "A.dll=1\r\nB.dll=1\r\nC.dll=1\r\n");
        for (const wchar_t* name : {L"A.dll", L"B.dll", L"C.dll"}) {
            fs::remove_all(fix / name);
            fs::remove_all(App(name));
            KV_Bench::WriteBytes((fix / name).wstring(), "nuevo, de la versión 2");
            KV_Bench::WriteBytes(App(name).wstring(), "viejo");
        }
        if (!test.bOldB) {
            fs::remove(App(L"B.dll"));
        }
        const std::string versions = Bytes(App(L"MorvaneVrs.ini"));
        std::vector<KV_Bench::DialogSeen> own;
        {
            const auto held = test.fault();
            RunAnswering(L"", own, IDYES);
        }
        ExpectCopyFailed(own, L"B.dll", test.sReason);
        EXPECT_EQ(WaitMessages(),
                  (std::vector<std::wstring>{L"Copiando A.dll", L"Copiando B.dll"}));
        EXPECT_EQ(Bytes(App(L"A.dll")), "nuevo, de la versión 2");
        if (test.bOldB) {
            EXPECT_TRUE(fs::is_regular_file(App(L"B.dll")));
            EXPECT_EQ(Bytes(App(L"B.dll")), "viejo");
        } else if (fs::is_directory(App(L"B.dll"))) {
            EXPECT_EQ(AppFiles(L"B.dll"), std::vector<std::wstring>{L"x.txt"});
            EXPECT_EQ(Bytes(App(L"B.dll\\x.txt")), "viejo");
        } else {
            EXPECT_FALSE(fs::exists(App(L"B.dll")));
        }
        EXPECT_EQ(Bytes(App(L"C.dll")), "viejo");
        std::vector<std::wstring> installed = kInstalled;
        if (!fs::exists(App(L"B.dll"))) {
            std::erase(installed, L"B.dll");
        }
        EXPECT_EQ(AppFiles(), installed);
        EXPECT_EQ(Bytes(App(L"MorvaneVrs.ini")), versions);
        EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"});
    }
}

// The disk fills up in the middle of the second of three copies (the
// application folder on a file system with 1.4 MB free, the new B.dll 5 MB):
// the first component is the new file, the second and third are the old ones
// byte for byte, no part of a copy is left, and the user is told.
TEST_F(Faults, ADiskThatFillsUpMidCopyLeavesTheInstalledFilesWhole) {
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:2,B.dll:2,C.dll:2,");
    Install("A.dll,B.dll,C.dll", "A.dll=1\r\nB.dll=1\r\nC.dll=1\r\n");
    std::string oldB(1 << 20, '\0');
    std::string newB(5 << 20, '\0');
    for (std::size_t i = 0; i < newB.size(); ++i) {
        newB[i] = static_cast<char>(i * 7 + i / 4096);
        if (i < oldB.size()) {
            oldB[i] = static_cast<char>(i * 13);
        }
    }
    for (const auto& [name, fresh, old] :
         {std::tuple<const wchar_t*, std::string, std::string>{L"A.dll", "nuevo A", "viejo A"},
          {L"B.dll", newB, oldB},
          {L"C.dll", "nuevo C", "viejo C"}}) {
        KV_Bench::WriteBytes((fix / name).wstring(), fresh);
        KV_Bench::WriteBytes(App(name).wstring(), old);
    }
    const std::string versions = Bytes(App(L"MorvaneVrs.ini"));
    const KV_Bench::SmallDisk disk(bench.AppFolder().wstring(), 1400);
    ASSERT_EQ(KV_Bench::Utf8(disk.Refusal()), "") << "the small disk could not be made";
    std::vector<KV_Bench::DialogSeen> own;
    RunAnswering(L"", own, IDYES);
    ExpectCopyFailed(own, L"B.dll");
    EXPECT_EQ(WaitMessages(), (std::vector<std::wstring>{L"Copiando A.dll", L"Copiando B.dll"}));
    EXPECT_EQ(Bytes(App(L"A.dll")), "nuevo A");
    EXPECT_TRUE(Bytes(App(L"B.dll")) == oldB) << "B.dll is no longer the installed file";
    EXPECT_EQ(Bytes(App(L"C.dll")), "viejo C");
    EXPECT_EQ(Bytes(App(L"MorvaneVrs.ini")), versions);
    EXPECT_EQ(AppFiles(), kInstalled);
    EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"});
}

// --- Long inputs -------------------------------------------------------------

// 10,000 components, all up to date, in a version list of more than 1 MB:
// nothing asks, the client starts, and the files are left as they were. On a
// first run the list comes from the registry and is stored whole, here 2,500
// names, beyond what the narrow profile write carries (each entry of the
// versions file rewrites the file, so 10,000 would take most of a minute).
TEST_F(Faults, LongListsAreHandledAndStoredWhole) {
    std::wstring list;
    for (int i = 0; i < 10000; ++i) {
        list += L"Comp" + std::to_wstring(100000 + i) + L".dll:1." + std::to_wstring(i) + L",";
    }
    list += L"Relleno:" + std::wstring(1 << 20, L'x') + L",VrsSis:1.2,";
    bench.ServerAnswers(list);
    for (const bool bFirstRun : {false, true}) {
        SCOPED_TRACE(bFirstRun ? "from the registry" : "from the files");
        std::string names;
        std::string versions;
        for (int i = 0; i < (bFirstRun ? 2500 : 10000); ++i) {
            const std::string name = "Comp" + std::to_string(100000 + i) + ".dll";
            names += (i > 0 ? "," : "") + name;
            versions += name + "=1." + std::to_string(i) + "\r\n";
        }
        fs::remove(bench.Root() / L"started.txt");
        Install(names, versions);
        if (bFirstRun) {
            ASSERT_GT(names.size(), 32767u);
            fs::remove(App(L"Morvane.ini"));
            fs::remove(App(L"MorvaneVrs.ini"));
            bench.RegistryText(L"NomSrvApl", L"SRVAPL");
            bench.RegistryText(L"VrsSis", L"1.2");
            bench.RegistryText(L"LSTCOMP", KV_Bench::FromUtf8(names));
            for (int i = 0; i < 2500; ++i) {
                bench.RegistryText(L"Comp" + std::to_wstring(100000 + i) + L".dll",
                                   L"1." + std::to_wstring(i));
            }
        }
        const std::string settings = Bytes(App(L"Morvane.ini"));
        std::vector<KV_Bench::DialogSeen> own;
        RunAnswering(L"", own, IDNO);
        EXPECT_TRUE(own.empty()) << Dialogs(own);
        EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"});
        if (bFirstRun) {
            EXPECT_EQ(Bytes(App(L"Morvane.ini")),
                      "[General]\r\nNomSrvApl=SRVAPL\r\nVrsSis=1.2\r\nLSTCOMP=" + names + "\r\n");
        } else {
            EXPECT_EQ(Bytes(App(L"Morvane.ini")), settings);
        }
        EXPECT_EQ(Bytes(App(L"MorvaneVrs.ini")), "[General]\r\n" + versions);
    }
}

// A folder path with spaces, Spanish letters of the ANSI code page (1252 in
// the bench's prefix) and letters outside it: the narrow functions reach it by
// its short form, never through the look-alike folder beside it ("Ł" and "ź"
// look like "L" and "z", "Ω" like "O"), which holds the same installation and
// must stay as it was. The settings are read, the accented components copied
// and the programs started in the folder itself.
class FaultsInFolderOutsideTheCodePage : public Faults {
protected:
    FaultsInFolderOutsideTheCodePage() : Faults(L"Archivos de programa\\Morvane Año Łódź Ω") {}
};

TEST_F(FaultsInFolderOutsideTheCodePage, TheFolderIsReachedAndItsLookAlikeLeftAlone) {
    const std::vector<std::wstring> names = {L"Compañía.ocx", L"Señal é.dll", L"Rep á\\Niño.dll"};
    std::wstring lstcomp;
    std::wstring versions;
    std::wstring list = L"VrsSis:1.2,";
    for (const auto& name : names) {
        lstcomp += (lstcomp.empty() ? L"" : L",") + name;
        versions += name + L"=1\r\n";
        list += name + L":2,";
        fs::create_directories((fix / name).parent_path());
        KV_Bench::WriteBytes((fix / name).wstring(), KV_Bench::Utf8(name));
    }
    Install(KV_Api::ToAnsi(lstcomp), KV_Api::ToAnsi(versions));
    bench.ServerAnswers(list);
    const fs::path lookAlike = bench.AppFolder().parent_path() / L"Morvane Año Lódz O";
    fs::create_directories(lookAlike / L"Rep á");
    for (const wchar_t* sFile : {L"Morvane.ini", L"MorvaneVrs.ini"}) {
        fs::copy_file(App(sFile), lookAlike / sFile);
    }
    for (const auto& name : names) {
        KV_Bench::WriteBytes((lookAlike / name).wstring(), "old");
    }
    // Every file and folder below the look-alike, with its bytes.
    const auto lookAlikeNow = [&] {
        std::vector<std::pair<std::wstring, std::string>> files;
        for (const auto& entry : fs::recursive_directory_iterator(lookAlike)) {
            files.emplace_back(fs::relative(entry.path(), lookAlike).wstring(),
                               entry.is_directory() ? "<folder>" : Bytes(entry.path()));
        }
        std::sort(files.begin(), files.end());
        return files;
    };
    const auto lookAlikeBefore = lookAlikeNow();

    std::vector<KV_Bench::DialogSeen> own;
    RunAnswering(L"/x", own, IDNO);
    ASSERT_EQ(own.size(), 1u) << Dialogs(own);
    EXPECT_EQ(own[0].sTitle, L"Morvane");
    EXPECT_EQ(WaitMessages(),
              (std::vector<std::wstring>{L"Copiando Compañía.ocx", L"Copiando Señal é.dll",
                                         L"Copiando Rep á\\Niño.dll"}));
    for (const auto& name : names) {
        EXPECT_EQ(Bytes(App(name)), KV_Bench::Utf8(name)) << KV_Bench::Utf8(name);
    }
    ASSERT_EQ(bench.StartedNames(), (std::vector<std::wstring>{kRefreshTool, L"Morvane.exe"}));
    for (const auto& record : bench.Started()) {
        EXPECT_EQ(KV_Bench::Utf8(record.sPath), KV_Bench::Utf8(App(record.sName).wstring()));
    }
    EXPECT_EQ(lookAlikeNow(), lookAlikeBefore);
}

// --- The setup ---------------------------------------------------------------

// A setup that ends with 259, the code that means "still active", has ended
// all the same: the wait dialog goes and the launcher ends without the client
// (a wait until the limit would outlast the bench's run).
TEST_F(Faults, ASetupThatEndsWith259EndsTheWait) {
    Install("", "");
    bench.ServerAnswers(L"VrsSis:1.3,");
    const fs::path setup = bench.Share(L"SRVAPL") / L"Setup.exe";
    bench.PlaceRecorder(setup);
    KV_Bench::WriteBytes(setup.wstring() + L".bench", "sleep=0 exit=259");
    std::vector<KV_Bench::DialogSeen> own;
    const auto run = RunAnswering(L"", own, IDYES);
    EXPECT_TRUE(run.bEnded);
    ASSERT_EQ(own.size(), 1u) << Dialogs(own);
    EXPECT_EQ(own[0].sTitle, kUpdateTitle);
    const auto waits = bench.WaitDialogs();
    ASSERT_EQ(waits.size(), 1u);
    EXPECT_EQ(waits[0].sCaption, L"Instalación");
    EXPECT_TRUE(waits[0].bVisible);
    EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Setup.exe"});
}

} // namespace
