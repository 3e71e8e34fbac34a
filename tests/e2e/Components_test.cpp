// The component pass end to end under Wine: the real launcher, components on
// the bench's server share, the refresh tool and the client as recorders.
// The version component stand-in is registered for the whole program by the
// environment of Startup_test.cpp.
#include "BenchFiles.h"
#include "KV_Api.h"
#include "LauncherBench.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;

namespace {

constexpr const wchar_t* kRefreshTool = L"KV_DirAzevUvevIzi.exe";
constexpr const wchar_t* kCopyQuestion =
    L"Hay nuevas actualizaciones pendientes, desea copiarlas ahora?";
constexpr const wchar_t* kContinueQuestion =
    L"Falló la actualización de los componentes, ponganse en contacto con su administrador, "
    L"¿Desea continuar?";
constexpr const wchar_t* kUpdateTitle = L"Actualización de Morvane Pro";
constexpr const wchar_t* kWaitCaption = L"Actualización de componentes";

std::wstring TodayShortDate() {
    wchar_t date[128] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date, 128);
    return date;
}

// An up-to-date installation (version 1.2 of server SRVAPL) with the refresh
// tool in its folder and an empty "Fix" folder on the server.
class Components : public testing::Test {
protected:
    Components() : fix(bench.Fix(L"SRVAPL")) {
        bench.PlaceRecorder(bench.AppFolder() / kRefreshTool);
        bench.ServerAnswers(L"VrsSis:1.2,");
    }

    // The settings with this component list, and the versions file's entries
    // (ANSI text, "name=version" lines).
    void Install(const std::string& lstcomp, const std::string& versions) {
        bench.WriteSettings("[General]\r\nNomSrvApl=SRVAPL\r\nVrsSis=1.2\r\nLSTCOMP=" + lstcomp +
                            "\r\n");
        bench.WriteVersions("[General]\r\n" + versions);
    }
    void OnServer(const std::wstring& sName, std::string_view bytes) const {
        fs::create_directories((fix / sName).parent_path());
        KV_Bench::WriteBytes((fix / sName).wstring(), bytes);
    }
    std::string InApp(const std::wstring& sName) const {
        return KV_Bench::ReadBytes((bench.AppFolder() / sName).wstring());
    }
    std::vector<std::wstring> WaitMessages() const {
        std::vector<std::wstring> messages;
        for (const auto& dialog : bench.WaitDialogs()) {
            EXPECT_EQ(dialog.sCaption, kWaitCaption);
            EXPECT_TRUE(dialog.bVisible);
            EXPECT_FALSE(dialog.bOwned);
            messages.push_back(dialog.sMsg);
        }
        return messages;
    }
    void Reset() const {
        fs::remove(bench.Root() / L"started.txt");
        fs::remove(bench.LogFile());
    }

    // The day's log holds these texts, one stamped ANSI line each, CRLF-ended.
    void ExpectLog(const std::vector<std::wstring>& texts) const {
        const std::string bytes = bench.LogBytes();
        std::vector<std::string> lines;
        for (std::size_t start = 0; start < bytes.size();) {
            const std::size_t end = bytes.find("\r\n", start);
            ASSERT_NE(end, std::string::npos) << "a line without CRLF: " << bytes;
            lines.push_back(bytes.substr(start, end - start));
            start = end + 2;
        }
        ASSERT_EQ(lines.size(), texts.size()) << bytes;
        const std::string date = KV_Api::ToAnsi(TodayShortDate()) + " ";
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::string tail = ":";
            tail += KV_Api::ToAnsi(texts[i]);
            EXPECT_EQ(lines[i].rfind(date, 0), 0u) << lines[i];
            EXPECT_TRUE(lines[i].size() > date.size() + tail.size() && lines[i].ends_with(tail))
                << lines[i] << " should end with " << tail;
        }
    }

    static void ExpectCopyQuestion(const KV_Bench::DialogSeen& box) {
        EXPECT_EQ(box.sTitle, L"Morvane") << KV_Bench::Describe(box);
        EXPECT_EQ(KV_Bench::Utf8(box.sText), KV_Bench::Utf8(kCopyQuestion));
        EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(box.iDefault, IDYES);
        EXPECT_TRUE(box.bIcon);
        EXPECT_FALSE(box.bOwned);
    }
    static void ExpectPassFailed(const KV_Bench::DialogSeen& box, const std::wstring& sText) {
        EXPECT_EQ(box.sTitle, L"VrfComps") << KV_Bench::Describe(box);
        EXPECT_EQ(KV_Bench::Utf8(box.sText), KV_Bench::Utf8(sText));
        EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
        EXPECT_FALSE(box.bIcon);
        EXPECT_FALSE(box.bOwned);
    }
    static void ExpectContinueQuestion(const KV_Bench::DialogSeen& box) {
        EXPECT_EQ(box.sTitle, kUpdateTitle) << KV_Bench::Describe(box);
        EXPECT_EQ(KV_Bench::Utf8(box.sText), KV_Bench::Utf8(kContinueQuestion));
        EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(box.iDefault, IDYES);
        EXPECT_FALSE(box.bIcon);
    }

    LauncherBench bench;
    fs::path fix;
};

TEST_F(Components, AnEmptyListEndsThePassAtOnce) {
    for (const char* settings : {"", "LSTCOMP=\r\n", "LSTCOMP=   \r\n", "LSTCOMP=,A.dll\r\n"}) {
        Reset();
        bench.WriteSettings(std::string("[General]\r\nNomSrvApl=SRVAPL\r\nVrsSis=1.2\r\n") +
                            settings);
        bench.WriteVersions("[General]\r\n");
        const auto run = bench.Run(L"/ESDBG");
        EXPECT_TRUE(run.dialogs.empty()) << settings << KV_Bench::DescribeAll(run.dialogs);
        EXPECT_TRUE(bench.WaitDialogs().empty());
        EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"});
        ExpectLog({L"--"});
    }
}

TEST_F(Components, EqualVersionsCopyNothingAndLogEachComponent) {
    Install(KV_Api::ToAnsi(L"A.dll,Compañía.ocx,Rep\\R1.dll"),
            KV_Api::ToAnsi(L"A.dll=1.0\r\nCompañía.ocx=2\r\nRep\\R1.dll=3 b\r\n"));
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:1.0,Compañía.ocx:2,Rep\\R1.dll:3 b,");
    OnServer(L"A.dll", "a");
    const auto run = bench.Run(L"/esdbg");
    EXPECT_TRUE(run.dialogs.empty()) << KV_Bench::DescribeAll(run.dialogs);
    EXPECT_TRUE(bench.WaitDialogs().empty());
    EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"});
    EXPECT_FALSE(fs::exists(bench.AppFolder() / L"A.dll"));
    ExpectLog({L"--", L"A.dll - VLoc 1.0, VSrv 1.0", L"Compañía.ocx - VLoc 2, VSrv 2",
               L"Rep\\R1.dll - VLoc 3 b, VSrv 3 b"});

    // Without the switch there is no log at all.
    Reset();
    const auto quiet = bench.Run(L"");
    EXPECT_TRUE(quiet.dialogs.empty()) << KV_Bench::DescribeAll(quiet.dialogs);
    EXPECT_FALSE(fs::exists(bench.LogFile()));
}

// Spaces around names are dropped; a trailing comma is harmless; an empty
// item ends the list, and what follows it ("Missing.dll", which the server
// does not know) is never looked at.
TEST_F(Components, NamesAreTrimmedAndTheListEndsAtItsFirstEmptyItem) {
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:1,B.dll:2,C.dll:3,");
    const std::string versions = "A.dll=1\r\nB.dll=2\r\nC.dll=3\r\n";
    const std::vector<std::wstring> all = {L"--", L"A.dll - VLoc 1, VSrv 1",
                                           L"B.dll - VLoc 2, VSrv 2", L"C.dll - VLoc 3, VSrv 3"};
    const std::vector<std::wstring> first = {all[0], all[1]};
    for (const auto& [lstcomp, expected] :
         {std::pair<std::string, std::vector<std::wstring>>{"A.dll, B.dll ,C.dll", all},
          {"   A.dll  ,  B.dll,C.dll   ", all},
          {"A.dll,B.dll,C.dll,", all},
          {"A.dll,,Missing.dll", first},
          {"A.dll,   ,Missing.dll", first},
          {"A.dll,,", first}}) {
        Reset();
        Install(lstcomp, versions);
        const auto run = bench.Run(L"/ESDBG");
        EXPECT_TRUE(run.dialogs.empty()) << lstcomp << "\n" << KV_Bench::DescribeAll(run.dialogs);
        EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"}) << lstcomp;
        ExpectLog(expected);
    }
}

// Both lists below are far beyond what a 254-character profile read or a
// 16-bit position could hold; the last component, the one that differs, is
// still found and copied.
TEST_F(Components, ALongListIsHandledWhole) {
    std::string manyNames;
    std::string manyVersions;
    std::wstring serverList = L"VrsSis:1.2,";
    for (int i = 1; i <= 30; ++i) {
        std::string name = "Componente_";
        name += std::to_string(100 + i);
        name += ".dll";
        manyNames += i > 1 ? "," : "";
        manyNames += name;
        manyVersions += name + "=1\r\n";
        serverList += KV_Bench::FromUtf8(name) + (i < 30 ? L":1," : L":2,");
    }
    ASSERT_GT(manyNames.size(), 254u);
    const std::string spaced = "A.dll" + std::string(40000, ' ') + ",B.dll";

    for (const auto& [lstcomp, versions, list, changed] :
         {std::tuple<std::string, std::string, std::wstring, std::wstring>{
              manyNames, manyVersions, serverList, L"Componente_130.dll"},
          {spaced, "A.dll=1\r\nB.dll=1\r\n", L"VrsSis:1.2,A.dll:1,B.dll:2,", L"B.dll"}}) {
        Reset();
        Install(lstcomp, versions);
        bench.ServerAnswers(list);
        OnServer(changed, "nuevo");
        const auto run = bench.Run(L"", {IDYES});
        ASSERT_EQ(run.dialogs.size(), 1u) << KV_Bench::DescribeAll(run.dialogs);
        ExpectCopyQuestion(run.dialogs[0]);
        EXPECT_EQ(WaitMessages(), std::vector<std::wstring>{L"Copiando " + changed});
        EXPECT_EQ(InApp(changed), "nuevo");
        EXPECT_EQ(bench.StartedNames(), (std::vector<std::wstring>{kRefreshTool, L"Morvane.exe"}));
    }
}

// Letter case, trailing characters and a lower server version all count as
// a difference; only the component with equal text is left alone.
TEST_F(Components, VersionsAreComparedAsExactText) {
    Install("A.dll,B.dll,C.dll,D.dll", "A.dll=1.0a\r\nB.dll=1.0\r\nC.dll=2.0\r\nD.dll=4\r\n");
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:1.0A,B.dll:1.00,C.dll:1.9,D.dll:4,");
    for (const wchar_t* name : {L"A.dll", L"B.dll", L"C.dll", L"D.dll"}) {
        OnServer(name, KV_Bench::Utf8(name));
    }
    const auto run = bench.Run(L"", {IDYES});
    ASSERT_EQ(run.dialogs.size(), 1u) << KV_Bench::DescribeAll(run.dialogs);
    EXPECT_EQ(WaitMessages(),
              (std::vector<std::wstring>{L"Copiando A.dll", L"Copiando B.dll", L"Copiando C.dll"}));
    EXPECT_EQ(InApp(L"A.dll"), "A.dll");
    EXPECT_EQ(InApp(L"C.dll"), "C.dll");
    EXPECT_FALSE(fs::exists(bench.AppFolder() / L"D.dll"));
}

// One question, a wait dialog per copy, an existing file (read-only, too)
// replaced and a missing folder created without a word, one start of the refresh tool, and
// the client without the continue question. The installed versions are not
// rewritten: that is left to the refresh tool.
TEST_F(Components, ThreeChangedComponentsAreCopiedAfterOneQuestion) {
    const std::string versions = "A.dll=1\r\nB.ocx=1\r\nC.dll=1\r\nRep\\R1.dll=1\r\n";
    Install("A.dll,B.ocx,C.dll,Rep\\R1.dll", versions);
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:2,B.ocx:2,C.dll:1,Rep\\R1.dll:2,");
    OnServer(L"A.dll", "nuevo A");
    OnServer(L"B.ocx", "nuevo B");
    OnServer(L"C.dll", "nuevo C");
    OnServer(L"Rep\\R1.dll", "nuevo R1");
    KV_Bench::WriteBytes((bench.AppFolder() / L"B.ocx").wstring(), "viejo B, más largo");
    SetFileAttributesW((bench.AppFolder() / L"B.ocx").wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    // What a copy cut off by a power loss left behind is never in the way.
    const fs::path stale = bench.AppFolder() / L"B.ocx,KV_ZudIvi.tmp";
    KV_Bench::WriteBytes(stale.wstring(), "mitad de un B");
    SetFileAttributesW(stale.wstring().c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string versionsBefore =
        KV_Bench::ReadBytes((bench.AppFolder() / L"MorvaneVrs.ini").wstring());

    const auto run = bench.Run(L"/ESDBG", {IDYES});
    ASSERT_EQ(run.dialogs.size(), 1u) << KV_Bench::DescribeAll(run.dialogs);
    ExpectCopyQuestion(run.dialogs[0]);
    EXPECT_EQ(WaitMessages(), (std::vector<std::wstring>{L"Copiando A.dll", L"Copiando B.ocx",
                                                         L"Copiando Rep\\R1.dll"}));
    EXPECT_EQ(InApp(L"A.dll"), "nuevo A");
    EXPECT_EQ(InApp(L"B.ocx"), "nuevo B");
    EXPECT_EQ(InApp(L"Rep\\R1.dll"), "nuevo R1");
    EXPECT_FALSE(fs::exists(bench.AppFolder() / L"C.dll"));
    for (const auto& entry : fs::recursive_directory_iterator(bench.AppFolder())) {
        EXPECT_EQ(entry.path().filename().wstring().find(L','), std::wstring::npos)
            << entry.path().string();
    }

    ASSERT_EQ(bench.StartedNames(), (std::vector<std::wstring>{kRefreshTool, L"Morvane.exe"}));
    for (const auto& record : bench.Started()) {
        if (record.sName == kRefreshTool) { // from the application folder, without arguments
            EXPECT_EQ(record.sPath, (bench.AppFolder() / kRefreshTool).wstring());
            EXPECT_EQ(record.sCommandLine,
                      L"\"" + (bench.AppFolder() / kRefreshTool).wstring() + L"\"");
        }
    }
    EXPECT_EQ(KV_Bench::ReadBytes((bench.AppFolder() / L"MorvaneVrs.ini").wstring()),
              versionsBefore);
    ExpectLog({L"--", L"A.dll - VLoc 1, VSrv 2", L"B.ocx - VLoc 1, VSrv 2",
               L"C.dll - VLoc 1, VSrv 1", L"Rep\\R1.dll - VLoc 1, VSrv 2"});
}

// No to the copy question: nothing copied, nothing after the component looked
// at or logged (the server does not even know "Missing.dll"), no refresh
// tool; then the continue question decides about the client.
TEST_F(Components, NoToTheCopyQuestionStopsThePass) {
    Install("A.dll,B.dll,Missing.dll,C.dll", "A.dll=1\r\nB.dll=1\r\nC.dll=1\r\n");
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:1,B.dll:2,C.dll:2,");
    OnServer(L"B.dll", "nuevo");
    OnServer(L"C.dll", "nuevo");
    for (const int iContinue : {IDNO, IDYES}) {
        Reset();
        const auto run = bench.Run(L"/ESDBG", {IDNO, iContinue});
        ASSERT_EQ(run.dialogs.size(), 2u) << KV_Bench::DescribeAll(run.dialogs);
        ExpectCopyQuestion(run.dialogs[0]);
        ExpectContinueQuestion(run.dialogs[1]);
        EXPECT_TRUE(bench.WaitDialogs().empty());
        EXPECT_FALSE(fs::exists(bench.AppFolder() / L"B.dll"));
        EXPECT_FALSE(fs::exists(bench.AppFolder() / L"C.dll"));
        EXPECT_EQ(bench.StartedNames(), iContinue == IDYES
                                            ? std::vector<std::wstring>{L"Morvane.exe"}
                                            : std::vector<std::wstring>{});
        ExpectLog({L"--", L"A.dll - VLoc 1, VSrv 1", L"B.dll - VLoc 1, VSrv 2"});
    }
}

TEST_F(Components, AComponentTheServerDoesNotListEndsThePassAfterEarlierCopies) {
    Install("A.dll,Missing.dll,C.dll", "A.dll=1\r\nMissing.dll=1\r\nC.dll=1\r\n");
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:2,C.dll:2,");
    OnServer(L"A.dll", "nuevo A");
    OnServer(L"C.dll", "nuevo C");
    const auto run = bench.Run(L"", {IDYES, IDOK, IDYES});
    ASSERT_EQ(run.dialogs.size(), 3u) << KV_Bench::DescribeAll(run.dialogs);
    ExpectCopyQuestion(run.dialogs[0]);
    ExpectPassFailed(run.dialogs[1],
                     L"La lista de versiones del servidor no tiene el elemento \"Missing.dll\".");
    ExpectContinueQuestion(run.dialogs[2]);
    EXPECT_EQ(InApp(L"A.dll"), "nuevo A");
    EXPECT_FALSE(fs::exists(bench.AppFolder() / L"C.dll"));
    EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"}); // no refresh tool
}

TEST_F(Components, AMissingRefreshToolAfterACopyFailsThePass) {
    fs::remove(bench.AppFolder() / kRefreshTool);
    Install("A.dll", "A.dll=1\r\n");
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:2,");
    OnServer(L"A.dll", "nuevo A");
    const auto run = bench.Run(L"", {IDYES, IDOK, IDNO});
    ASSERT_EQ(run.dialogs.size(), 3u) << KV_Bench::DescribeAll(run.dialogs);
    ExpectPassFailed(run.dialogs[1], KV_Api::SystemMessage(ERROR_FILE_NOT_FOUND));
    ExpectContinueQuestion(run.dialogs[2]);
    EXPECT_EQ(InApp(L"A.dll"), "nuevo A");
    EXPECT_TRUE(bench.Started().empty());
}

// The first run, with neither settings file: the list and every component's
// version come from the registry and are copied into the files as they are
// read, an absent value as an empty entry. The trailing space of "1.0 " makes
// it differ from the server's "1.0" (the platform's profile write may drop
// the space in the file).
TEST_F(Components, TheFirstRunCopiesTheRegistryIntoTheFiles) {
    fs::remove(bench.AppFolder() / L"Morvane.ini");
    fs::remove(bench.AppFolder() / L"MorvaneVrs.ini");
    bench.RegistryText(L"NomSrvApl", L"SRVAPL");
    bench.RegistryText(L"VrsSis", L"1.2");
    bench.RegistryText(L"LSTCOMP", L"A.dll, B.dll,C.dll");
    bench.RegistryText(L"A.dll", L"1.0 ");
    bench.RegistryText(L"C.dll", L"3");
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:1.0,B.dll:2,C.dll:3,");
    OnServer(L"A.dll", "nuevo A");
    OnServer(L"B.dll", "nuevo B");
    OnServer(L"C.dll", "nuevo C");

    const auto run = bench.Run(L"", {IDYES});
    ASSERT_EQ(run.dialogs.size(), 1u) << KV_Bench::DescribeAll(run.dialogs);
    EXPECT_EQ(WaitMessages(), (std::vector<std::wstring>{L"Copiando A.dll", L"Copiando B.dll"}));
    EXPECT_EQ(bench.StartedNames(), (std::vector<std::wstring>{kRefreshTool, L"Morvane.exe"}));
    EXPECT_EQ(bench.Setting(L"Morvane.ini", L"LSTCOMP"), L"A.dll, B.dll,C.dll");
    EXPECT_EQ(bench.Setting(L"MorvaneVrs.ini", L"A.dll"), L"1.0");
    EXPECT_EQ(bench.Setting(L"MorvaneVrs.ini", L"B.dll"), L"");
    EXPECT_EQ(bench.Setting(L"MorvaneVrs.ini", L"C.dll"), L"3");

    // No list in the registry: an empty one is written, and the pass is over.
    fs::remove(bench.AppFolder() / L"Morvane.ini");
    fs::remove(bench.AppFolder() / L"MorvaneVrs.ini");
    bench.ClearRegistry();
    bench.RegistryText(L"NomSrvApl", L"SRVAPL");
    bench.RegistryText(L"VrsSis", L"1.2");
    Reset();
    const auto empty = bench.Run(L"");
    EXPECT_TRUE(empty.dialogs.empty()) << KV_Bench::DescribeAll(empty.dialogs);
    EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"});
    EXPECT_EQ(bench.Setting(L"Morvane.ini", L"LSTCOMP"), L"");
}

// A copy the shell could not make fails the pass: the shell may show its own
// window first (answered with its first button), then the pass's box names
// the component and both paths, and nothing after it is copied.
TEST_F(Components, AMissingSourceFileFailsThePass) {
    Install("A.dll,B.dll", "A.dll=1\r\nB.dll=1\r\n");
    bench.ServerAnswers(L"VrsSis:1.2,A.dll:2,B.dll:2,");
    OnServer(L"B.dll", "nuevo B");
    KV_Bench::WriteBytes((bench.AppFolder() / L"A.dll").wstring(), "viejo A");
    std::vector<KV_Bench::DialogSeen> own;
    const auto run = bench.Run(L"", [&](const KV_Bench::DialogSeen& dialog) {
        if (dialog.sTitle == L"Morvane" || dialog.sTitle == L"VrfComps" ||
            dialog.sTitle == kUpdateTitle) {
            own.push_back(dialog);
            return dialog.sTitle == L"VrfComps" ? IDOK : IDYES;
        }
        return dialog.buttons.empty() ? IDOK : dialog.buttons.front(); // the shell's window
    });
    ASSERT_EQ(own.size(), 3u) << KV_Bench::DescribeAll(run.dialogs);
    ExpectCopyQuestion(own[0]);
    const std::wstring source = L"\\\\SRVAPL\\Morvane_Client\\Fix\\A.dll";
    const std::wstring target = (bench.AppFolder() / L"A.dll").wstring();
    ExpectPassFailed(own[1], L"No se pudo copiar el componente \"A.dll\" de \"" + source +
                                 L"\" a \"" + target + L"\".");
    ExpectContinueQuestion(own[2]);
    EXPECT_EQ(WaitMessages(), std::vector<std::wstring>{L"Copiando A.dll"});
    EXPECT_EQ(InApp(L"A.dll"), "viejo A");
    EXPECT_FALSE(fs::exists(bench.AppFolder() / L"B.dll"));
    EXPECT_EQ(bench.StartedNames(), std::vector<std::wstring>{L"Morvane.exe"});
}

// Names that can't be copied in are refused through the pass's error path,
// naming them, before a wait dialog tells of their copy: names that would put
// a file outside the application folder (the files they point at are on the
// server, so a copy would have succeeded), and names of no file of their own,
// which the shell would "copy" to a device, or take as a pattern, and call it
// a success. A name with a colon is not even found in the server's list,
// whose items end their name at the colon.
TEST_F(Components, NamesThatCantBeCopiedInAreRefusedBeforeTheirCopy) {
    constexpr const wchar_t* kOut = L"lleva fuera de la carpeta de la aplicación.";
    constexpr const wchar_t* kNoFile = L"no es un nombre de archivo válido.";
    const struct {
        std::wstring name;
        const wchar_t* reason; // nullptr: the server's list lacks the name
    } rows[] = {{L"..\\Fuera.dll", kOut},    {L"\\\\SRVAPL\\Morvane_Client\\Fuera.dll", kOut},
                {L"C:\\Fuera.dll", nullptr}, {L"NUL", kNoFile},
                {L"CON", kNoFile},           {L"COM1", kNoFile},
                {L"NUL.dll", kNoFile},       {L"A?dll", kNoFile},
                {L"Comp?.dll", kNoFile}};
    OnServer(L"..\\Fuera.dll", "fuera");
    // What the patterns would match.
    for (const wchar_t* name : {L"Fuera.dll", L"A.dll", L"Comp1.dll"}) {
        OnServer(name, "fuera");
    }
    const auto appFiles = [this] {
        std::vector<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(bench.AppFolder())) {
            files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        return files;
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(KV_Bench::Utf8(row.name));
        Reset();
        Install(KV_Bench::Utf8(row.name), KV_Bench::Utf8(row.name) + "=1\r\n");
        const std::string versions = InApp(L"MorvaneVrs.ini");
        const auto before = appFiles();
        bench.ServerAnswers(L"VrsSis:1.2," + row.name + L":2,");
        const auto run = bench.Run(L"", {IDYES, IDOK, IDNO});
        ASSERT_EQ(run.dialogs.size(), row.reason != nullptr ? 3u : 2u)
            << KV_Bench::DescribeAll(run.dialogs);
        const auto& box = run.dialogs[run.dialogs.size() - 2];
        if (row.reason != nullptr) {
            ExpectPassFailed(box, L"El componente \"" + row.name + L"\" no se copia: su nombre " +
                                      row.reason);
        } else {
            EXPECT_EQ(box.sTitle, L"VrfComps") << KV_Bench::Describe(box);
            EXPECT_NE(box.sText.find(L"\"" + row.name + L"\""), std::wstring::npos);
        }
        ExpectContinueQuestion(run.dialogs.back());
        EXPECT_TRUE(bench.WaitDialogs().empty());
        EXPECT_TRUE(bench.Started().empty());
        EXPECT_EQ(InApp(L"MorvaneVrs.ini"), versions);
        EXPECT_EQ(appFiles(), before);
        for (const auto& entry : fs::recursive_directory_iterator(bench.Root())) {
            EXPECT_NE(entry.path().filename(), L"Fuera.dll") << entry.path().string();
        }
        EXPECT_FALSE(fs::exists(L"C:\\Fuera.dll"));
    }
}

} // namespace
