// The first run, end to end under Wine: without a complete pair of settings
// files the launcher takes its settings from the registry and writes them into
// the settings file.
#include "BenchFiles.h"
#include "KV_Api.h"
#include "LauncherBench.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The registry holds server SRVREG and version 1.2, which the server has too.
class FirstRun : public testing::Test {
protected:
    FirstRun() {
        bench.RegistryText(L"NomSrvApl", L"  SRVREG ");
        bench.RegistryText(L"VrsSis", L" 1.2 ");
        bench.ServerAnswers(L"VrsSis:1.2,");
    }

    void ExpectOnlyTheClientStarted() const {
        const auto started = bench.Started();
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].sName, L"Morvane.exe");
    }

    std::wstring Settings(const wchar_t* sKey) const { return bench.Setting(L"Morvane.ini", sKey); }

    fs::path SettingsFile() const { return bench.AppFolder() / L"Morvane.ini"; }

    LauncherBench bench;
};

TEST_F(FirstRun, WithNoFilesTheRegistrysSettingsAreUsedAndWrittenTrimmed) {
    const auto run = bench.Run(L"/x");
    EXPECT_TRUE(run.dialogs.empty());
    ExpectOnlyTheClientStarted();
    EXPECT_EQ(Settings(L"NomSrvApl"), L"SRVREG");
    EXPECT_EQ(Settings(L"VrsSis"), L"1.2");
    EXPECT_FALSE(fs::exists(bench.AppFolder() / L"MorvaneVrs.ini"));
}

// The server asked is the registry's: the setup is run from its share.
TEST_F(FirstRun, TheRegistrysServerIsTheOneUsed) {
    bench.ServerAnswers(L"VrsSis:1.3,");
    bench.PlaceRecorder(bench.Share(L"SRVREG") / L"Setup.exe");
    const auto run = bench.Run(L"", {IDYES});
    ASSERT_EQ(run.dialogs.size(), 1u);
    const auto started = bench.Started();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].sCommandLine, L"\\\\SRVREG\\Morvane_Client\\Setup.exe");
    // Written before the server was asked.
    EXPECT_EQ(Settings(L"NomSrvApl"), L"SRVREG");
}

TEST_F(FirstRun, MissingRegistryValuesReadAsEmpty) {
    bench.ClearRegistry();
    bench.ServerAnswers(L"VrsSis:,");
    const auto run = bench.Run(L"");
    EXPECT_TRUE(run.dialogs.empty());
    ExpectOnlyTheClientStarted();
    EXPECT_EQ(Settings(L"NomSrvApl"), L"");
    EXPECT_EQ(Settings(L"VrsSis"), L"");
}

// Settings without versions are thrown away and filled again from the registry.
TEST_F(FirstRun, ASettingsFileWithoutVersionsIsDeletedAndRebuilt) {
    bench.WriteSettings("[General]\r\nNomSrvApl=OLDSRV\r\nVrsSis=0.9\r\nOld=1\r\n");
    const auto run = bench.Run(L"");
    EXPECT_TRUE(run.dialogs.empty());
    ExpectOnlyTheClientStarted();
    EXPECT_EQ(Settings(L"NomSrvApl"), L"SRVREG");
    EXPECT_EQ(Settings(L"VrsSis"), L"1.2");
    EXPECT_EQ(Settings(L"Old"), L"<none>");
}

// The component versions too come from the file, never from the registry,
// whose differing "9" would have asked to copy.
TEST_F(FirstRun, AVersionsFileAloneIsKeptAndTheSettingsComeFromTheRegistry) {
    const std::string versions = "[General]\r\nComp.dll=3\r\n";
    bench.WriteVersions(versions);
    bench.RegistryText(L"LSTCOMP", L"Comp.dll");
    bench.RegistryText(L"Comp.dll", L"9");
    bench.ServerAnswers(L"VrsSis:1.2,Comp.dll:3,");
    const auto run = bench.Run(L"");
    EXPECT_TRUE(run.dialogs.empty());
    ExpectOnlyTheClientStarted();
    EXPECT_EQ(Settings(L"VrsSis"), L"1.2");
    EXPECT_EQ(KV_Bench::ReadBytes((bench.AppFolder() / L"MorvaneVrs.ini").wstring()), versions);
}

// A server named on the command line is stored, and the registry's is never
// read: here it is binary, which would end the run in an error if it were.
TEST_F(FirstRun, AServerOnTheCommandLineIsStoredUpperCased) {
    bench.RegistryRaw(L"NomSrvApl", REG_BINARY, std::string_view("\x01\x02", 2));
    const auto run = bench.Run(L"nomsrvapl=srvCmd /x");
    EXPECT_TRUE(run.dialogs.empty());
    ExpectOnlyTheClientStarted();
    EXPECT_EQ(Settings(L"NomSrvApl"), L"SRVCMD");
}

TEST_F(FirstRun, AccentedTextCrossesTheAnsiCodePage) {
    bench.RegistryText(L"VrsSis", L"1.2-añejo é");
    bench.ServerAnswers(L"VrsSis:1.2-añejo é,");
    const auto run = bench.Run(L"");
    EXPECT_TRUE(run.dialogs.empty());
    ExpectOnlyTheClientStarted();
    EXPECT_EQ(Settings(L"VrsSis"), L"1.2-añejo é");
}

// The migration is best-effort: this run has its settings even when they
// can't be stored, and the next run tries again.
TEST_F(FirstRun, AFolderThatCantBeWrittenDoesNotStopTheRun) {
    const KV_Bench::ImmutableGuard locked(bench.AppFolder().wstring());
    ASSERT_TRUE(locked.Held());
    const auto run = bench.Run(L"");
    EXPECT_TRUE(run.dialogs.empty());
    ExpectOnlyTheClientStarted();
    EXPECT_FALSE(fs::exists(SettingsFile()));
}

TEST_F(FirstRun, AReadOnlySettingsFileWithoutVersionsIsOneErrorAndNoClient) {
    const std::string settings = "[General]\r\nNomSrvApl=OLDSRV\r\nVrsSis=1.2\r\n";
    bench.WriteSettings(settings);
    const std::wstring sFile = SettingsFile().wstring();
    ASSERT_TRUE(SetFileAttributesW(sFile.c_str(), FILE_ATTRIBUTE_READONLY));
    const auto run = bench.Run(L"");
    SetFileAttributesW(sFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(run.dialogs.size(), 1u);
    EXPECT_EQ(run.dialogs[0].sTitle, L"KV_ZudIviPrj");
    EXPECT_EQ(run.dialogs[0].sText, KV_Api::SystemMessage(ERROR_ACCESS_DENIED));
    EXPECT_EQ(run.dialogs[0].buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(bench.Started().empty());
    EXPECT_EQ(KV_Bench::ReadBytes(sFile), settings);
}

} // namespace
