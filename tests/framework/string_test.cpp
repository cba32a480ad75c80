// CString: formatting of long and unusual arguments, searching, slicing and editing.
#include "framework/string.h"

#include <gtest/gtest.h>

#include <string>

TEST(CStringFormat, OutputLongerThanAnyFixedBufferIsComplete)
{
    std::string big(5000, 'x');
    CString s;
    s.Format("[%s]%d", big.c_str(), 42);
    EXPECT_EQ(s.GetLength(), 5004);
    EXPECT_EQ(s.Left(2), "[x");
    EXPECT_EQ(s.Right(3), "]42");
}

TEST(CStringFormat, NullStringArgumentPrintsNothing)
{
    CString s;
    const char* none = nullptr;
    s.Format("a%sb%5sc%.3sd", none, none, none);
    EXPECT_EQ(s, "ab     cd");
}

TEST(CStringFormat, ConversionsMatchThePrintfFamily)
{
    struct Case { CString got; const char* want; };
    auto f = [](const char* fmt, auto... args) { CString s; s.Format(fmt, args...); return s; };
    const Case cases[] = {
        {f("%d|%5d|%-5d|%05d", -7, 42, 42, 42), "-7|   42|42   |00042"},
        {f("%u %x %X %o", 4000000000u, 255u, 255u, 8u), "4000000000 ff FF 10"},
        {f("%02X ", 0xABu), "AB "},
        {f("%ld %lu", -5L, 7UL), "-5 7"},
        {f("%lld %I64d %llx", -1234567890123LL, 9876543210LL, 0x1FFFFFFFFULL), "-1234567890123 9876543210 1ffffffff"},
        {f("%zu", sizeof(int)), "4"},
        {f("%*d|%-*d|%.*f", 4, 1, 3, 2, 2, 3.14159), "   1|2  |3.14"},
        {f("%c%c", 'O', 'K'), "OK"},
        {f("%.2f %e", 1.005, 12345.0), "1.00 1.234500e+04"},
        {f("100%% %s", "done"), "100% done"},
        {f("%ls", L"wide"), "wide"},
        {f("end %"), "end %"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want) << c.want;
}

TEST(CStringFormat, StringObjectsArePassedAsTheirText)
{
    CString name("COM3");
    std::string baud("9600");
    char buf[8] = "8N1";
    CString s;
    s.Format("%s at %s, %s", name, baud, buf);
    EXPECT_EQ(s, "COM3 at 9600, 8N1");
    s.Format("[%s]", s); // its own text as the argument
    EXPECT_EQ(s, "[COM3 at 9600, 8N1]");
}

TEST(CStringFormat, PercentNWritesNothing)
{
    int written = 1234;
    CString s;
    s.Format("ab%ncd", &written);
    EXPECT_EQ(s, "abcd");
    EXPECT_EQ(written, 1234);
}

TEST(CStringFormat, AppendFormatKeepsWhatWasThere)
{
    CString s("Port ");
    s.AppendFormat("COM%d", 3);
    s.AppendFormat(", %s", "9600");
    EXPECT_EQ(s, "Port COM3, 9600");
}

TEST(CStringSearch, FindReportsPositionsOrMinusOne)
{
    CString s("C:\\dir\\file.txt");
    EXPECT_EQ(s.Find('\\'), 2);
    EXPECT_EQ(s.Find('\\', 3), 6);
    EXPECT_EQ(s.Find('q'), -1);
    EXPECT_EQ(s.Find("file"), 7);
    EXPECT_EQ(s.Find("file", 8), -1);
    EXPECT_EQ(s.Find('C', -1), -1);
    EXPECT_EQ(s.Find('C', 100), -1);
    EXPECT_EQ(s.Find("", 0), 0);
    EXPECT_EQ(s.ReverseFind('\\'), 6);
    EXPECT_EQ(s.ReverseFind('#'), -1);
    EXPECT_EQ(s.FindOneOf(".:"), 1);
}

TEST(CStringSlice, OutOfRangeCountsAreClamped)
{
    CString s("abcdef");
    EXPECT_EQ(s.Left(3), "abc");
    EXPECT_EQ(s.Left(99), "abcdef");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Mid(2), "cdef");
    EXPECT_EQ(s.Mid(2, 2), "cd");
    EXPECT_EQ(s.Mid(5, 10), "f");
    EXPECT_EQ(s.Mid(10), "");
    EXPECT_EQ(s.Mid(-3, 2), "ab");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(10), "abcdef");
}

TEST(CStringEdit, TrimCaseReplaceAndCompare)
{
    CString s("  \tHello World \r\n");
    s.Trim();
    EXPECT_EQ(s, "Hello World");
    CString t("xxabcxx");
    t.TrimLeft("x");
    EXPECT_EQ(t, "abcxx");
    t.TrimRight("x");
    EXPECT_EQ(t, "abc");
    CString all("   ");
    EXPECT_TRUE(all.Trim().IsEmpty());

    CString u("MiXeD");
    EXPECT_EQ(CString(u).MakeUpper(), "MIXED");
    EXPECT_EQ(CString(u).MakeLower(), "mixed");
    EXPECT_EQ(u.CompareNoCase("mixed"), 0);
    EXPECT_LT(u.CompareNoCase("mixez"), 0);
    EXPECT_GT(u.CompareNoCase("mix"), 0);

    CString r("a-b-c");
    EXPECT_EQ(r.Replace("-", "--"), 2); // replacement containing the pattern must not loop
    EXPECT_EQ(r, "a--b--c");
    EXPECT_EQ(r.Replace('-', '+'), 4);
    EXPECT_EQ(r.Replace("", "x"), 0);
    EXPECT_EQ(r.Remove('+'), 4);
    EXPECT_EQ(r, "abc");
    r.Insert(1, "XY");
    EXPECT_EQ(r, "aXYbc");
    r.Delete(1, 2);
    EXPECT_EQ(r, "abc");
}

TEST(CStringBuffer, ReleaseBufferTakesLengthFromTerminatorOrArgument)
{
    CString s("old");
    char* p = s.GetBuffer(16);
    snprintf(p, 17, "%s", "new text");
    s.ReleaseBuffer();
    EXPECT_EQ(s, "new text");
    EXPECT_EQ(s.GetLength(), 8);

    p = s.GetBuffer(4);
    p[0] = 'N';
    s.ReleaseBuffer(3);
    EXPECT_EQ(s, "New");
}

TEST(CStringOperators, ConcatenationAndComparison)
{
    CString a("ab");
    CString b = a + "cd" + CString("ef") + 'g';
    EXPECT_EQ(b, "abcdefg");
    b += 'h';
    b += "ij";
    EXPECT_STREQ(static_cast<const char*>(b), "abcdefghij");
    EXPECT_EQ("x" + a, "xab");
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_FALSE(a == "abc");
}
