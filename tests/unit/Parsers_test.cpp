// The launcher's readers of outside text: the command line, the server's
// version list and the component list with its names.
#include "KV_Error.h"
#include "KV_ZudIviParts.h"

#include <gtest/gtest.h>

using namespace KV_ZudIviMain;

namespace {

std::string Shown(const std::wstring& text) {
    return testing::PrintToString(text);
}

TEST(ReadSwitches, ServerAndDebugOfTheUpperCasedCommandLine) {
    using Row = std::tuple<const wchar_t*, const wchar_t*, bool>;
    const Row cases[] = {
        Row{L"", L"", false}, Row{L"NOMSRVAPL=SRV1", L"SRV1", false},
        Row{L"NOMSRVAPL=   SRV1   /ESDBG", L"SRV1", true},
        Row{L"NOMSRVAPL=SRV1/ESDBG", L"SRV1/ESDBG", true},
        // "/ESDBG" before the server switch is not seen
        Row{L"/ESDBG NOMSRVAPL=SRV1", L"SRV1", false}, Row{L"/ESDBG", L"", true},
        Row{L"UNO /ESDBGX", L"", true}, Row{L"NOMSRVAPL=", L"", false},
        Row{L"NOMSRVAPL=    ", L"", false}, Row{L"NOMSRVAPL= /ESDBG", L"/ESDBG", true},
        Row{L"XNOMSRVAPL=SRV2 Y", L"SRV2", false}, Row{L"NOMSRVAPL=A NOMSRVAPL=B", L"A", false},
        Row{L"NOMSRVAPL=SERVIDOR\tUNO", L"SERVIDOR\tUNO", false}};
    for (const auto& [workingCopy, server, debug] : cases) {
        SCOPED_TRACE(Shown(workingCopy));
        const Switches switches = ReadSwitches(workingCopy);
        EXPECT_EQ(switches.sNomSrvApl, server);
        EXPECT_EQ(switches.bDebug, debug);
    }
}

// The version found, or the error's number and text.
std::wstring Answer(const std::wstring& list, const std::wstring& key) {
    try {
        return GetVrs(list, key);
    } catch (const KV_Error& e) {
        return std::to_wstring(e.Number()) + L" " + e.Description();
    }
}

TEST(GetVrs, TheVersionOfTheItemNamedWholeByTheKey) {
    using Row = std::tuple<const wchar_t*, const wchar_t*, const wchar_t*>;
    const Row cases[] = {
        Row{L"VrsSis:1.08.0008,Comp1.dll:2.1,", L"VrsSis", L"1.08.0008"},
        Row{L"VrsSis:1.08.0008,Comp1.dll:2.1,", L"Comp1.dll", L"2.1"},
        Row{L"Comp1.dll:1,VrsSis:2", L"VrsSis", L"2"},
        // whole names: neither a longer name nor a version text matches
        Row{L"XABC:1,ABC:2,", L"ABC", L"2"}, Row{L"Comp1.dll:VrsSis7,VrsSis:8,", L"VrsSis", L"8"},
        Row{L"VrsSis,Comp1.dll:1,", L"VrsSis", L"VrsSis"}, Row{L"VrsSis:1:2,", L"VrsSis", L"1:2"},
        // spaces around the name and the key don't count; the version keeps them
        Row{L" VrsSis :1.2,", L"VrsSis", L"1.2"}, Row{L"VrsSis: 1.2 ,", L"  VrsSis ", L" 1.2 "},
        Row{L",,VrsSis:1,,", L"VrsSis", L"1"}, Row{L"VrsSis:1,VrsSis:2,", L"VrsSis", L"1"},
        Row{L"VrsSis:,", L"VrsSis", L""},
        // an empty key names an item whose name is only spaces
        Row{L"VrsSis:1,  :2,", L" ", L"2"},
        // not found (no version): letter case counts; an empty stretch after a
        // trailing comma is no item; a name ends at the first ':', never holds a ','
        Row{L"VrsSis:3,", L"vrssis", nullptr}, Row{L"", L"VrsSis", nullptr},
        Row{L"Comp1.dll:1,", L"VrsSis", nullptr}, Row{L"XVrsSis:1,VrsSisX:2,", L"VrsSis", nullptr},
        Row{L"VrsSis:1,", L"", nullptr}, Row{L"A:B:1,", L"A:B", nullptr},
        Row{L"A,B:1,", L"A,B", nullptr}};
    for (const auto& [list, key, version] : cases) {
        SCOPED_TRACE(Shown(list) + " " + Shown(key));
        EXPECT_EQ(Answer(list, key),
                  version ? version
                          : L"5 La lista de versiones del servidor no tiene el elemento \"" +
                                std::wstring(key) + L"\".");
    }
}

TEST(GetVrs, ALongListHasNoPositionLimit) {
    std::wstring list;
    for (int i = 0; list.size() < 100000; ++i) {
        list += L"Comp" + std::to_wstring(i) + L".dll:1.0." + std::to_wstring(i) + L",";
    }
    const std::wstring version(40000, L'7');
    EXPECT_EQ(GetVrs(list + L"VrsSis:" + version + L",Last.dll:1,", L"VrsSis"), version);
    EXPECT_EQ(GetVrs(list + L"VrsSis:" + version, L"VrsSis"), version);
    EXPECT_EQ(GetVrs(list, L"Comp4000.dll"), L"1.0.4000");
}

// Each call takes one name off the list: empty when the list has ended or at
// an empty item, which ends the pass early.
TEST(TakeNextComponent, TheNextNameWithoutItsSpaces) {
    const std::wstring longName(70000, L'c');
    using Row = std::tuple<std::wstring, std::wstring, std::wstring>;
    const Row cases[] = {Row{L" Comp1.dll , Comp2.ocx,", L"Comp1.dll", L" Comp2.ocx,"},
                         Row{L"Comp2.ocx,", L"Comp2.ocx", L""},
                         Row{L"Comp.dll", L"Comp.dll", L""},
                         Row{L",Comp2.ocx", L"", L"Comp2.ocx"},
                         Row{L"   ", L"", L""},
                         Row{L"", L"", L""},
                         Row{L"\tRep\\R 1.dll \t, x", L"\tRep\\R 1.dll \t", L" x"},
                         Row{longName + L"," + longName, longName, longName}};
    for (const auto& [list, name, rest] : cases) {
        SCOPED_TRACE(Shown(list.substr(0, 40)));
        std::wstring remaining = list;
        EXPECT_EQ(TakeNextComponent(remaining), name);
        EXPECT_EQ(remaining, rest);
    }
}

TEST(ComponentName, WhatLeadsOutOfTheFolderAndWhatIsNoFileName) {
    // inside and a file name: subfolders, dots and spaces inside, near-device names
    const std::vector<const wchar_t*> plain = {
        L"Comp.dll",  L"Rep\\R1.dll", L"Rep/R1.dll",    L"a\\b\\c.ocx", L"..Comp.dll",
        L"Comp..dll", L"Comp dll",    L"COM10",         L"COM0",        L"CONSOLE.dll",
        L"NULL",      L"xNUL",        L"Compañía é.ocx"};
    // inside but no file name: devices in any letter case, wildcards, control
    // characters, trailing dots and spaces, empty segments
    const std::vector<const wchar_t*> noFile = {
        L".\\Comp.dll", L"Comp.dll..",  L"Rep..\\x.dll", L"\tComp.dll", L"NUL",       L"con",
        L"Com1",        L"LPT9",        L"NUL.dll",      L"nul.tar.gz", L"AUX .dll",  L"Prn.",
        L"CONIN$",      L"COM\u00B9",   L"Rep\\CON.ocx", L"A?dll",      L"Comp?.dll", L"*.dll",
        L"A<B.dll",     L"A>B",         L"A\"B",         L"A|B",        L"A\tB.dll",  L"Comp.dll.",
        L"Comp.dll ",   L"Rep \\x.dll", L"Rep\\\\x.dll", L"Comp.dll\\"};
    // drives and streams
    const std::vector<const wchar_t*> drives = {L"C:Comp.dll", L"C:\\Comp.dll", L"c:/Comp.dll",
                                                L"Comp.dll:stream"};
    // parent segments (trailing dots and spaces drop), roots and shares
    const std::vector<const wchar_t*> parents = {
        L"..",           L".. \\x.dll",  L"...\\x.dll", L"../Comp.dll",
        L"..\\Comp.dll", L"Rep/../../x", L"Rep\\..",    L"Rep\\..\\..\\Comp.dll"};
    const std::vector<const wchar_t*> roots = {L"/Comp.dll", L"\\Comp.dll", L"\\\\?\\C:\\Comp.dll",
                                               L"\\\\SRV\\Share\\Comp.dll"};
    using Group = std::tuple<const std::vector<const wchar_t*>&, bool, bool>;
    for (const auto& [names, leadsOut, notAFileName] :
         {Group{plain, false, false}, Group{noFile, false, true}, Group{drives, true, false},
          Group{parents, true, true}, Group{roots, true, true}}) {
        for (const wchar_t* name : names) {
            SCOPED_TRACE(Shown(name));
            EXPECT_EQ(LeadsOutOfFolder(name), leadsOut);
            EXPECT_EQ(IsNotAFileName(name), notAFileName);
        }
    }
}

} // namespace
