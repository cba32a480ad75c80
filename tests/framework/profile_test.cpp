// CProfile against a real INI file: strings, numbers and binary entries.
#include "framework/profile.h"

#include <gtest/gtest.h>

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        m_path.Format("%skx_profile_%lu.ini", dir, GetCurrentProcessId());
        DeleteFileA(m_path);
    }
    void TearDown() override { DeleteFileA(m_path); }
    CString m_path;
};

} // namespace

TEST_F(ProfileTest, StringsAndNumbersRoundTrip)
{
    CProfile p(m_path);
    EXPECT_TRUE(p.WriteString("S", "Name", "value with spaces"));
    EXPECT_TRUE(p.WriteInt("S", "Count", -12));
    EXPECT_EQ(p.GetString("S", "Name"), "value with spaces");
    EXPECT_EQ(p.GetInt("S", "Count", 5), -12);
    EXPECT_EQ(p.GetInt("S", "Missing", 5), 5);
    EXPECT_EQ(p.GetString("S", "Missing", "dflt"), "dflt");
}

TEST_F(ProfileTest, LongStringIsReadWhole)
{
    CProfile p(m_path);
    std::string big(3000, 'k');
    ASSERT_TRUE(p.WriteString("S", "Big", big.c_str()));
    EXPECT_EQ(p.GetString("S", "Big").str(), big);
}

TEST_F(ProfileTest, BinaryEntriesRoundTripAndDamagedOnesAreAbsent)
{
    CProfile p(m_path);
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    wp.showCmd = SW_SHOWNORMAL;
    wp.rcNormalPosition = {10, 20, 310, 220};
    ASSERT_TRUE(p.WriteBinary("WindowState-Summary", "WindowPlacement", &wp, sizeof wp));
    std::vector<BYTE> back;
    ASSERT_TRUE(p.GetBinary("WindowState-Summary", "WindowPlacement", back));
    ASSERT_EQ(back.size(), 44u);
    EXPECT_EQ(memcmp(back.data(), &wp, sizeof wp), 0);

    const BYTE shorter[10] = {1, 2, 3};
    ASSERT_TRUE(p.WriteBinary("S", "Short", shorter, sizeof shorter));
    ASSERT_TRUE(p.GetBinary("S", "Short", back));
    EXPECT_EQ(back.size(), 10u); // the caller decides whether the length suits it

    EXPECT_FALSE(p.GetBinary("S", "Absent", back));
    EXPECT_TRUE(back.empty());

    CString text = p.GetString("WindowState-Summary", "WindowPlacement");
    text.SetAt(10, text[10] == 'A' ? 'B' : 'A');
    p.WriteString("WindowState-Summary", "WindowPlacement", text);
    EXPECT_FALSE(p.GetBinary("WindowState-Summary", "WindowPlacement", back));
    p.WriteString("S", "Plain", "0102030405");
    EXPECT_FALSE(p.GetBinary("S", "Plain", back));
}

TEST(CProfilePath, IniSitsBesideTheProgramUnderItsName)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    CString want(exe);
    want = want.Left(want.ReverseFind('.')) + ".ini";
    EXPECT_EQ(CProfile::ModuleIniPath(), want);
}
