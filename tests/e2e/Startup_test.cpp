// The launcher's start-up run, end to end under Wine: the real executable,
// its real message boxes, the bench's version component and client.
#include "BenchFiles.h"
#include "KV_Api.h"
#include "LauncherBench.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The version component stand-in, registered for the whole run.
class ComponentRegistration : public testing::Environment {
public:
    static HRESULT Call(const char* entry) {
        return KV_Bench::CallDllEntry((BuildFolder() / L"KV_VrfVrsBench.dll").wstring(), entry);
    }
    void SetUp() override { ASSERT_EQ(Call("DllRegisterServer"), S_OK); }
    void TearDown() override { Call("DllUnregisterServer"); }
};

const auto* const registration = testing::AddGlobalTestEnvironment(new ComponentRegistration);

constexpr const wchar_t* kUpdateTitle = L"Actualización de Morvane Pro";
constexpr const wchar_t* kSetupQuestion =
    L"La versión de Morvane en su sistema es distinta a la instalada en el servidor, ¿Desea "
    L"actualizarla en este momento?";

// An installation whose settings say version 1.2 of server SRVAPL.
class Startup : public testing::Test {
protected:
    explicit Startup(const std::wstring& sAppSubfolder = L"app") : bench(sAppSubfolder) {
        bench.WriteSettings("[General]\r\nNomSrvApl=SRVAPL\r\nVrsSis=1.2\r\n");
        bench.WriteVersions("[General]\r\n");
        bench.ServerAnswers(L"VrsSis:1.2,Comp.dll:3,");
    }

    std::wstring ClientCommandLine(const std::wstring& sArguments) const {
        return bench.AppFolder().wstring() + L"\\Morvane.exe " + sArguments;
    }

    // The run started the client alone, with exactly the expected command line.
    void ExpectClientStarted(const std::wstring& sArguments) const {
        const auto started = bench.Started();
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].sPath, (bench.AppFolder() / L"Morvane.exe").wstring());
        EXPECT_EQ(KV_Bench::Utf8(started[0].sCommandLine),
                  KV_Bench::Utf8(ClientCommandLine(sArguments)));
    }

    // The run ended in one error box with this text and started nothing.
    void ExpectOneErrorBox(const KV_Bench::RunResult& run, const std::wstring& sText) const {
        ASSERT_EQ(run.dialogs.size(), 1u);
        const auto& box = run.dialogs[0];
        EXPECT_EQ(box.sTitle, L"KV_ZudIviPrj") << KV_Bench::Describe(box);
        EXPECT_EQ(KV_Bench::Utf8(box.sText), KV_Bench::Utf8(sText));
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_FALSE(box.bIcon);
        EXPECT_TRUE(bench.Started().empty());
    }

    LauncherBench bench;
};

TEST_F(Startup, UpToDateStartsTheClientWithItsOwnCommandLineAndAsksNothing) {
    const auto run = bench.Run(L"Uno  dos /x");
    EXPECT_TRUE(run.dialogs.empty()) << KV_Bench::DescribeAll(run.dialogs);
    ExpectClientStarted(L"Uno  dos /x");
    EXPECT_EQ(bench.SystemCodesAsked(), std::vector<std::wstring>{L"KV"});
}

// The switches are read and passed on to the client unchanged, letter case
// and all; none of them disturbs an up-to-date run.
TEST_F(Startup, SwitchesGoToTheClientUnchanged) {
    for (const wchar_t* arguments :
         {L"nomsrvapl=srvapl", L"NOMSRVAPL=   SRVAPL /ESDBG", L"/esdbg NomSrvApl=srvapl Uno",
          L"/ESDBG", L"NOMSRVAPL=", L"Ñandú é"}) {
        fs::remove(bench.Root() / L"started.txt");
        const auto run = bench.Run(arguments);
        EXPECT_TRUE(run.dialogs.empty()) << KV_Bench::DescribeAll(run.dialogs);
        ExpectClientStarted(arguments);
    }
}

TEST_F(Startup, ADifferentServerVersionAsksForTheSetupAndNoEndsTheRun) {
    for (const wchar_t* list : {L"VrsSis:1.3,Comp.dll:3,", L"VrsSis:1.1,", L"VrsSis: 1.2,",
                                L"VrsSis:1.2 ,", L"VrsSis:,"}) {
        bench.ServerAnswers(list);
        const auto run = bench.Run(L"", {IDNO});
        ASSERT_EQ(run.dialogs.size(), 1u) << KV_Bench::DescribeAll(run.dialogs);
        const auto& box = run.dialogs[0];
        EXPECT_EQ(box.sTitle, kUpdateTitle);
        EXPECT_EQ(box.sText, kSetupQuestion);
        EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(box.iDefault, IDYES);
        EXPECT_FALSE(box.bIcon);
        EXPECT_FALSE(box.bOwned);
        EXPECT_TRUE(bench.Started().empty());
    }
}

// Yes to the setup question: the setup runs from the server's share while the
// wait dialog is on screen, and the launcher ends when the setup has ended.
TEST_F(Startup, YesRunsTheSetupFromTheShareUnderTheWaitDialog) {
    bench.ServerAnswers(L"VrsSis:1.3,");
    for (const auto& [arguments, server] :
         {std::pair<std::wstring, std::wstring>{L"nomsrvapl=srvcmd /esdbg", L"SRVCMD"},
          std::pair<std::wstring, std::wstring>{L"", L"SRVAPL"}}) {
        fs::remove(bench.Root() / L"started.txt");
        fs::remove(bench.Root() / L"ended.txt");
        fs::remove(bench.Root() / L"seen.txt");
        const fs::path setup = bench.Share(server) / L"Setup.exe";
        bench.PlaceRecorder(setup);
        KV_Bench::WriteBytes(setup.wstring() + L".bench", "sleep=1500 exit=3 look=1");

        const auto run = bench.Run(arguments, {IDYES});
        ASSERT_EQ(run.dialogs.size(), 1u) << KV_Bench::DescribeAll(run.dialogs);
        EXPECT_EQ(run.dialogs[0].sText, kSetupQuestion);
        const auto started = bench.Started();
        ASSERT_EQ(started.size(), 1u); // the setup alone: no client
        EXPECT_EQ(started[0].sName, L"Setup.exe");
        EXPECT_EQ(started[0].sCommandLine, L"\\\\" + server + L"\\Morvane_Client\\Setup.exe");
        EXPECT_EQ(KV_Bench::ReadUtf8Lines((bench.Root() / L"seen.txt").wstring()),
                  std::vector<std::wstring>{
                      L"Instalación\tEspere a que termine el proceso de instalación"});
        const fs::path shots = BuildFolder().parent_path() / L"screenshots";
        fs::create_directories(shots);
        fs::copy_file(bench.Root() / L"wait-dialog.png", shots / L"setup-wait-dialog.png",
                      fs::copy_options::overwrite_existing);
        const auto ended = KV_Bench::ReadUtf8Lines((bench.Root() / L"ended.txt").wstring());
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_LE(std::stoul(KV_Bench::SplitTabs(ended[0]).at(1)), run.dwEndTick)
            << "the launcher ended before the setup";
    }
}

TEST_F(Startup, AListWithoutTheSystemVersionIsOneErrorAndNoClient) {
    bench.ServerAnswers(L"Comp.dll:3,XVrsSis:1.2,");
    const auto run = bench.Run(L"");
    ExpectOneErrorBox(run, L"La lista de versiones del servidor no tiene el elemento \"VrsSis\".");
}

TEST_F(Startup, AComponentThatFailsShowsItsOwnDescription) {
    bench.ServerFails(L"No se pudo conectar con la base de datos de versiones (ñ).");
    const auto run = bench.Run(L"");
    ExpectOneErrorBox(run, L"No se pudo conectar con la base de datos de versiones (ñ).");
    EXPECT_EQ(bench.SystemCodesAsked(), std::vector<std::wstring>{L"KV"});
}

TEST_F(Startup, AnUnregisteredComponentShowsThePlatformsDescription) {
    ASSERT_EQ(ComponentRegistration::Call("DllUnregisterServer"), S_OK);
    const auto run = bench.Run(L"");
    ASSERT_EQ(ComponentRegistration::Call("DllRegisterServer"), S_OK);
    ExpectOneErrorBox(run, KV_Api::SystemMessage(static_cast<DWORD>(CO_E_CLASSSTRING)));
    EXPECT_TRUE(bench.SystemCodesAsked().empty());
}

TEST_F(Startup, AMissingClientShowsThePlatformsDescription) {
    fs::remove(bench.AppFolder() / L"Morvane.exe");
    const auto run = bench.Run(L"");
    ExpectOneErrorBox(run, KV_Api::SystemMessage(ERROR_FILE_NOT_FOUND));
}

TEST_F(Startup, TheSystemVersionIsFoundByItsWholeName) {
    bench.ServerAnswers(L"XVrsSis:9,Comp.dll:VrsSis7,VrsSis:1.2,");
    const auto run = bench.Run(L"");
    EXPECT_TRUE(run.dialogs.empty()) << KV_Bench::DescribeAll(run.dialogs);
    ExpectClientStarted(L"");
}

TEST_F(Startup, ALongInstalledVersionIsReadWhole) {
    const std::string version(300, '7');
    bench.WriteSettings("[General]\r\nNomSrvApl=SRVAPL\r\nVrsSis=" + version + "\r\n");
    bench.ServerAnswers(L"VrsSis:" + std::wstring(300, L'7') + L",");
    const auto run = bench.Run(L"");
    EXPECT_TRUE(run.dialogs.empty()) << KV_Bench::DescribeAll(run.dialogs);
    ExpectClientStarted(L"");
}

// An application folder with a space, and a program at the shorter path that
// the platform would try first for an unquoted command line.
class StartupInFolderWithSpace : public Startup {
protected:
    StartupInFolderWithSpace() : Startup(L"Program Files\\Morvane") {}
};

TEST_F(StartupInFolderWithSpace, TheClientItselfIsStartedNeverAShorterPath) {
    bench.PlaceRecorder(bench.Root() / L"Program.exe");
    const auto run = bench.Run(L"/x");
    EXPECT_TRUE(run.dialogs.empty()) << KV_Bench::DescribeAll(run.dialogs);
    ExpectClientStarted(L"/x");
}

} // namespace
