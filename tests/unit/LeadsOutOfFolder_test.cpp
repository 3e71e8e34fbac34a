#include "KV_ZudIviMain.h"

#include <gtest/gtest.h>

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

} // namespace
