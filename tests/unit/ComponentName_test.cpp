#include "KV_ZudIviParts.h"

#include <gtest/gtest.h>

using KV_ZudIviMain::IsNotAFileName;
using KV_ZudIviMain::LeadsOutOfFolder;

namespace {

TEST(LeadsOutOfFolder, NamesAndSubfoldersStayInside) {
    for (const wchar_t* name :
         {L"Comp.dll", L"Rep\\R1.dll", L"Rep/R1.dll", L"a\\b\\c.ocx", L".\\Comp.dll", L"..Comp.dll",
          L"Comp..dll", L"Comp.dll..", L"Rep..\\x.dll", L"Comp dll", L"\tComp.dll"}) {
        EXPECT_FALSE(LeadsOutOfFolder(name)) << testing::PrintToString(std::wstring(name));
    }
}

TEST(LeadsOutOfFolder, RootsDrivesSharesAndParentSegmentsLeadOut) {
    for (const wchar_t* name :
         {L"..", L"..\\Comp.dll", L"../Comp.dll", L"Rep\\..\\..\\Comp.dll", L"Rep\\..",
          L"Rep/../../x", L"...\\x.dll", L".. \\x.dll", L"\\Comp.dll", L"/Comp.dll",
          L"\\\\SRV\\Share\\Comp.dll", L"\\\\?\\C:\\Comp.dll", L"C:\\Comp.dll", L"C:Comp.dll",
          L"c:/Comp.dll", L"Comp.dll:stream"}) {
        EXPECT_TRUE(LeadsOutOfFolder(name)) << testing::PrintToString(std::wstring(name));
    }
}

TEST(IsNotAFileName, DevicesWildcardsAndTrailingDotsAreNoFileNames) {
    for (const wchar_t* name :
         {L"NUL",          L"con",         L"Com1",         L"LPT9",       L"NUL.dll",
          L"nul.tar.gz",   L"AUX .dll",    L"Prn.",         L"CONIN$",     L"COM\u00B9",
          L"Rep\\CON.ocx", L"A?dll",       L"Comp?.dll",    L"*.dll",      L"A<B.dll",
          L"A>B",          L"A\"B",        L"A|B",          L"A\tB.dll",   L"Comp.dll.",
          L"Comp.dll ",    L"Rep \\x.dll", L"Rep\\\\x.dll", L"Comp.dll\\", L".\\Comp.dll"}) {
        EXPECT_TRUE(IsNotAFileName(name)) << testing::PrintToString(std::wstring(name));
    }
    for (const wchar_t* name : {L"Comp.dll", L"Rep\\R1.dll", L"COM10", L"COM0", L"CONSOLE.dll",
                                L"NULL", L"xNUL", L"Compañía é.ocx", L"Comp dll", L"..Comp.dll"}) {
        EXPECT_FALSE(IsNotAFileName(name)) << testing::PrintToString(std::wstring(name));
    }
}

} // namespace
