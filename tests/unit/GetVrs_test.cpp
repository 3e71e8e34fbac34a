#include "KV_Error.h"
#include "KV_ZudIviMain.h"

#include <gtest/gtest.h>

using KV_ZudIviMain::GetVrs;

namespace {

struct Lookup {
    const wchar_t* list;
    const wchar_t* key;
    const wchar_t* version;
};

class GetVrsFinds : public testing::TestWithParam<Lookup> {};

TEST_P(GetVrsFinds, TheVersionOfTheItemNamedByTheKey) {
    EXPECT_EQ(GetVrs(GetParam().list, GetParam().key), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedLookups, GetVrsFinds,
    testing::Values(Lookup{L"VrsSis:1.08.0008,Comp1.dll:2.1,", L"VrsSis", L"1.08.0008"},
                    Lookup{L"VrsSis:1.08.0008,Comp1.dll:2.1,", L"Comp1.dll", L"2.1"},
                    Lookup{L"Comp1.dll:1,VrsSis:2", L"VrsSis", L"2"},
                    // whole names: neither a longer name nor a version text matches
                    Lookup{L"XABC:1,ABC:2,", L"ABC", L"2"},
                    Lookup{L"Comp1.dll:VrsSis7,VrsSis:8,", L"VrsSis", L"8"},
                    Lookup{L"VrsSis,Comp1.dll:1,", L"VrsSis", L"VrsSis"},
                    Lookup{L"VrsSis:1:2,", L"VrsSis", L"1:2"},
                    // spaces around the name and the key don't count; the version keeps them
                    Lookup{L" VrsSis :1.2,", L"VrsSis", L"1.2"},
                    Lookup{L"VrsSis: 1.2 ,", L"  VrsSis ", L" 1.2 "},
                    Lookup{L",,VrsSis:1,,", L"VrsSis", L"1"},
                    Lookup{L"VrsSis:1,VrsSis:2,", L"VrsSis", L"1"},
                    Lookup{L"VrsSis:,", L"VrsSis", L""},
                    // an empty key names an item whose name is only spaces
                    Lookup{L"VrsSis:1,  :2,", L" ", L"2"}));

void ExpectNotFound(const std::wstring& list, const std::wstring& key) {
    try {
        GetVrs(list, key);
        ADD_FAILURE() << "found a version for a key that is not in the list";
    } catch (const KV_Error& e) {
        EXPECT_EQ(e.Number(), KV_Error::kInvalidArgument);
        EXPECT_NE(e.Description().find(L"\"" + key + L"\""), std::wstring::npos);
    }
}

TEST(GetVrs, AKeyNotInTheListIsAnInvalidArgument) {
    ExpectNotFound(L"VrsSis:3,", L"vrssis"); // letter case counts
    ExpectNotFound(L"", L"VrsSis");
    ExpectNotFound(L"Comp1.dll:1,", L"VrsSis");
    ExpectNotFound(L"XVrsSis:1,VrsSisX:2,", L"VrsSis");
    // the empty stretch after a trailing comma is not an item with an empty name
    ExpectNotFound(L"VrsSis:1,", L"");
    // a name ends at the first ':' and never holds a ','
    ExpectNotFound(L"A:B:1,", L"A:B");
    ExpectNotFound(L"A,B:1,", L"A,B");
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

} // namespace
