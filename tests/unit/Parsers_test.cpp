// The launcher's readers of outside text: the command line, the server's
// version list and the component list with its names.
#include "KV_ZudIviParts.h"
#include "Raised.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <tuple>

using namespace KV_ZudIviMain;

namespace {

// An input and the two texts it gives.
using Row3 = std::tuple<const wchar_t*, const wchar_t*, const wchar_t*>;

// The server's name is the text after "NOMSRVAPL=" up to a space; "/ESDBG"
// (debug) counts only after it when it is there.
TEST(ReadSwitches, ServerAndDebugOfTheUpperCasedCommandLine) {
    for (const auto& [workingCopy, server, debug] :
         {Row3{L"NOMSRVAPL=   SRV1   /ESDBG", L"SRV1", L"debug"},
          Row3{L"NOMSRVAPL=SRV1/ESDBG", L"SRV1/ESDBG", L"debug"},
          Row3{L"/ESDBG NOMSRVAPL=SRV1", L"SRV1", L""}, Row3{L"UNO /ESDBGX", L"", L"debug"},
          Row3{L"NOMSRVAPL=    ", L"", L""}, Row3{L"NOMSRVAPL= /ESDBG", L"/ESDBG", L"debug"},
          Row3{L"XNOMSRVAPL=SRV2 Y", L"SRV2", L""}, Row3{L"NOMSRVAPL=A NOMSRVAPL=B", L"A", L""},
          Row3{L"NOMSRVAPL=SERVIDOR\tUNO", L"SERVIDOR\tUNO", L""}}) {
        SCOPED_TRACE(testing::PrintToString(workingCopy));
        EXPECT_EQ(ReadSwitches(workingCopy).sNomSrvApl, server);
        EXPECT_EQ(ReadSwitches(workingCopy).bDebug ? L"debug" : L"", std::wstring(debug));
    }
}

// "/ESDES" (unattended) counts anywhere, before "NOMSRVAPL=" too, and
// leaves the server's name and "/ESDBG" as they were.
TEST(ReadSwitches, UnattendedAnywhere) {
    for (const auto& [workingCopy, server, debug] :
         {Row3{L"/ESDES NOMSRVAPL=SRV1 /ESDBG", L"SRV1", L"debug"},
          Row3{L"NOMSRVAPL=SRV1 /ESDES", L"SRV1", L""}, Row3{L"/ESDBG/ESDES", L"", L"debug"}}) {
        SCOPED_TRACE(testing::PrintToString(workingCopy));
        const Switches switches = ReadSwitches(workingCopy);
        EXPECT_TRUE(switches.bQuiet);
        EXPECT_EQ(switches.sNomSrvApl, server);
        EXPECT_EQ(switches.bDebug ? L"debug" : L"", std::wstring(debug));
    }
    EXPECT_FALSE(ReadSwitches(L"NOMSRVAPL=SRV1 /ESDBG /ESDE").bQuiet);
}

// A task tells the outcomes apart by the exit code alone: one row each, no
// code twice, and only "done" is 0.
TEST(Outcomes, EachHasACodeOfItsOwn) {
    std::set<int> codes;
    for (const Outcome eOutcome : {Outcome::Done, Outcome::SetupNeeded, Outcome::ComponentFailed,
                                   Outcome::ServerFailed, Outcome::Failed}) {
        SCOPED_TRACE(static_cast<int>(eOutcome));
        EXPECT_EQ(std::ranges::count(kOutcomes, eOutcome, &OutcomeRow::eOutcome), 1);
    }
    for (const OutcomeRow& row : kOutcomes) {
        EXPECT_TRUE(codes.insert(row.iExitCode).second) << row.iExitCode;
        EXPECT_EQ(row.iExitCode == 0, row.eOutcome == Outcome::Done) << row.iExitCode;
    }
}

// Whole names: neither a longer name nor a version text matches. Spaces
// around the name and the key don't count; the version keeps them. An empty
// key names an item whose name is only spaces. Not found (no version): letter
// case counts; an empty stretch after a trailing comma is no item; a name ends
// at the first ':', never holds a ','.
TEST(GetVrs, TheVersionOfTheItemNamedWholeByTheKey) {
    for (const auto& [list, key, version] :
         {Row3{L"VrsSis:1.08.0008,Comp1.dll:2.1,", L"VrsSis", L"1.08.0008"},
          Row3{L"Comp1.dll:1,VrsSis:2", L"VrsSis", L"2"}, Row3{L"XABC:1,ABC:2,", L"ABC", L"2"},
          Row3{L"Comp1.dll:VrsSis7,VrsSis:8,", L"VrsSis", L"8"},
          Row3{L"VrsSis,Comp1.dll:1,", L"VrsSis", L"VrsSis"},
          Row3{L"VrsSis:1:2,", L"VrsSis", L"1:2"}, Row3{L" VrsSis : 1.2 ,", L"  VrsSis ", L" 1.2 "},
          Row3{L",,VrsSis:1,,", L"VrsSis", L"1"}, Row3{L"VrsSis:1,VrsSis:2,", L"VrsSis", L"1"},
          Row3{L"VrsSis:1,  :2,", L" ", L"2"}, Row3{L"VrsSis:3,", L"vrssis", nullptr},
          Row3{L"XVrsSis:1,VrsSisX:2,", L"VrsSis", nullptr}, Row3{L"VrsSis:1,", L"", nullptr},
          Row3{L"A:B:1,", L"A:B", nullptr}, Row3{L"A,B:1,", L"A,B", nullptr}}) {
        SCOPED_TRACE(testing::PrintToString(list) + " " + testing::PrintToString(key));
        std::wstring found;
        const std::wstring raised = Raised([&found, l = list, k = key] { found = GetVrs(l, k); });
        EXPECT_EQ(found + raised,
                  version ? version
                          : L"5 GetVrs.GetVrs: La lista de versiones del servidor no tiene "
                            L"el elemento \"" +
                                std::wstring(key) + L"\".");
    }

    // A long list has no position limit: a 40,000-character version after
    // 10,000 items, beyond 100,000 characters.
    std::wstring list;
    for (int i = 0; i < 10000; ++i) {
        list += L"Comp" + std::to_wstring(i) + L".dll:1.0,";
    }
    const std::wstring version(40000, L'7');
    EXPECT_EQ(GetVrs(list + L"VrsSis:" + version + L",Last.dll:1,", L"VrsSis"), version);
}

// Each call takes one name off the list: empty when the list has ended or at
// an empty item, which ends the pass early.
TEST(TakeNextComponent, TheNextNameWithoutItsSpaces) {
    for (const auto& [list, name, rest] :
         {Row3{L" Comp1.dll , Comp2.ocx,", L"Comp1.dll", L" Comp2.ocx,"},
          Row3{L" Comp.dll ", L"Comp.dll", L""}, Row3{L",Comp2.ocx", L"", L"Comp2.ocx"},
          Row3{L"", L"", L""}, Row3{L"\tRep\\R 1.dll \t, x", L"\tRep\\R 1.dll \t", L" x"}}) {
        SCOPED_TRACE(testing::PrintToString(list));
        std::wstring remaining = list;
        EXPECT_EQ(TakeNextComponent(remaining), name);
        EXPECT_EQ(remaining, rest);
    }
}

// Each row's names in one list, split at its commas (no name holds one).
TEST(ComponentName, WhatLeadsOutOfTheFolderAndWhatIsNoFileName) {
    using Row = std::tuple<bool, bool, const wchar_t*>; // leads out, no file name, the names
    for (const auto& [leadsOut, notAFileName, names] :
         {// inside and a file name: subfolders, dots and spaces inside, near-device names
          Row{false, false,
              L"Rep\\R1.dll,Rep/R1.dll,..Comp.dll,Comp..dll,Comp dll,COM10,COM0,CONSOLE.dll,"
              L"xNUL,Compañía é.ocx"},
          // inside but no file name: devices in any letter case, wildcards,
          // control characters, trailing dots and spaces, empty segments
          Row{false, true,
              L".\\Comp.dll,Rep..\\x.dll,con,Com1,LPT9,nul.tar.gz,AUX .dll,Prn.,CONIN$,COM\u00B9,"
              L"Rep\\CON.ocx,Comp?.dll,*.dll,A<B.dll,A>B,A\"B,A|B,A\tB.dll,Comp.dll.,Comp.dll ,"
              L"Rep \\x.dll,Rep\\\\x.dll,Comp.dll\\"},
          // drives and streams
          Row{true, false, L"C:Comp.dll,C:\\Comp.dll,Comp.dll:stream"},
          // parent segments (trailing dots and spaces drop), roots and shares
          Row{true, true,
              L"..,.. \\x.dll,...\\x.dll,../Comp.dll,Rep/../../x,Rep\\..,/Comp.dll,\\Comp.dll,"
              L"\\\\?\\C:\\Comp.dll,\\\\SRV\\Share\\Comp.dll"}}) {
        std::wistringstream list(names);
        for (std::wstring name; std::getline(list, name, L',');) {
            SCOPED_TRACE(testing::PrintToString(name));
            EXPECT_EQ(LeadsOutOfFolder(name), leadsOut);
            EXPECT_EQ(IsNotAFileName(name), notAFileName);
        }
    }
}

} // namespace
