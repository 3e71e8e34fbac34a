#include "KV_ZudIviParts.h"

#include <gtest/gtest.h>

using KV_ZudIviMain::ArgumentsOf;
using KV_ZudIviMain::ReadSwitches;

namespace {

struct Case {
    const wchar_t* workingCopy; // already upper case, as the launcher makes it
    const wchar_t* server;
    bool debug;
};

class SwitchesRead : public testing::TestWithParam<Case> {};

TEST_P(SwitchesRead, ServerAndDebug) {
    const auto switches = ReadSwitches(GetParam().workingCopy);
    EXPECT_EQ(switches.sNomSrvApl, GetParam().server);
    EXPECT_EQ(switches.bDebug, GetParam().debug);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, SwitchesRead,
    testing::Values(Case{L"", L"", false}, Case{L"NOMSRVAPL=SRV1", L"SRV1", false},
                    Case{L"NOMSRVAPL=   SRV1   /ESDBG", L"SRV1", true},
                    Case{L"NOMSRVAPL=SRV1/ESDBG", L"SRV1/ESDBG", true},
                    // "/ESDBG" before the server switch is not seen
                    Case{L"/ESDBG NOMSRVAPL=SRV1", L"SRV1", false}, Case{L"/ESDBG", L"", true},
                    Case{L"UNO /ESDBGX", L"", true}, Case{L"NOMSRVAPL=", L"", false},
                    Case{L"NOMSRVAPL=    ", L"", false},
                    Case{L"NOMSRVAPL= /ESDBG", L"/ESDBG", true},
                    Case{L"XNOMSRVAPL=SRV2 Y", L"SRV2", false},
                    Case{L"NOMSRVAPL=A NOMSRVAPL=B", L"A", false},
                    Case{L"NOMSRVAPL=SERVIDOR\tUNO", L"SERVIDOR\tUNO", false}));

TEST(ArgumentsOf, TheTextAfterTheProgramNameUnchanged) {
    EXPECT_EQ(ArgumentsOf(L"\"C:\\Program Files\\KV_ZudIvi.exe\" Uno  dos /x "), L"Uno  dos /x ");
    EXPECT_EQ(ArgumentsOf(L"C:\\KV\\KV_ZudIvi.exe nomsrvapl=srv"), L"nomsrvapl=srv");
    EXPECT_EQ(ArgumentsOf(L"KV_ZudIvi.exe \t  /ESDBG"), L"/ESDBG");
    EXPECT_EQ(ArgumentsOf(L"KV_ZudIvi.exe"), L"");
    EXPECT_EQ(ArgumentsOf(L"\"C:\\KV\\KV_ZudIvi.exe\""), L"");
    EXPECT_EQ(ArgumentsOf(L"\"C:\\KV\\KV_ZudIvi.exe"), L"");
    EXPECT_EQ(ArgumentsOf(L""), L"");
}

} // namespace
