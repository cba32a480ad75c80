// The history export file through the system's profile calls: what is written, and what a file
// gives back, including files this program did not write (counts past the keys, missing keys,
// values too long for the program's buffers, files without a count).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/history_ini.h"
#include "core/text_convert.h"
#include "history_export.h"

namespace {

std::vector<std::string> Entries(const CStringList& list)
{
    std::vector<std::string> entries;
    for (const CString& entry : list)
        entries.push_back(entry.str());
    return entries;
}

CStringList ListOf(const std::vector<std::string>& entries)
{
    CStringList list(10);
    for (const std::string& entry : entries)
        list.AddTail(entry.c_str());
    return list;
}

class HistoryExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_path = std::string(temp) + "kx_hist_" + std::to_string(GetCurrentProcessId()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
        DeleteFileA(m_path.c_str());
    }
    void TearDown() override
    {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_path.c_str());  // the cached file goes
        DeleteFileA(m_path.c_str());
    }

    // A file as another program or an older save left it.
    void WriteFile(const std::string& text)
    {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_path.c_str());
        std::ofstream(m_path, std::ios::binary) << text;
    }
    std::string ReadFile() const
    {
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_path.c_str());
        std::ifstream file(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    HistoryIniLoad Load()
    {
        return LoadHistoryIni(m_path.c_str(), m_files, m_strings);
    }

    std::string m_path;
    CStringList m_files{10};
    CStringList m_strings{10};
};

TEST_F(HistoryExport, BothSectionsAreWrittenWithCountsAndNumberedKeysAndReadBackInOrder)
{
    const std::vector<std::string> files = {"C:\\fw\\old.bin", "C:\\fw\\new.tst"};
    const std::vector<std::string> strings = {"1B 40 ", "41 42 43 ", "0D 0A "};
    ASSERT_EQ(SaveHistoryIni(m_path.c_str(), ListOf(files), ListOf(strings)), static_cast<DWORD>(ERROR_SUCCESS));

    const std::string text = ReadFile();
    EXPECT_NE(text.find("[Files History]"), std::string::npos) << text;
    EXPECT_NE(text.find("[String History]"), std::string::npos) << text;
    char value[260];
    const auto get = [&](const char* section, const char* key) {
        GetPrivateProfileStringA(section, key, "", value, sizeof value, m_path.c_str());
        return std::string(value);
    };
    EXPECT_EQ(get("Files History", "Count"), "2");
    EXPECT_EQ(get("Files History", "Hist File #0"), files[0]);
    EXPECT_EQ(get("Files History", "Hist File #1"), files[1]);
    EXPECT_EQ(get("String History", "Count"), "3");
    EXPECT_EQ(get("String History", "Hist String #2"), strings[2]);

    ASSERT_EQ(Load(), HistoryIniLoad::Loaded);
    EXPECT_EQ(Entries(m_files), files);
    EXPECT_EQ(Entries(m_strings), strings);
}

TEST_F(HistoryExport, EveryByteValueComesBackInBothEntryFormats)
{
    // Each byte alone and between blanks, as hex text and as escaped text: the blanks at the ends
    // and the quotes that the profile reader would drop must come back too.
    std::vector<std::string> hex;
    std::vector<std::string> escaped;
    for (int b = 0; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        for (const std::vector<unsigned char>& bytes :
             {std::vector<unsigned char>{byte}, std::vector<unsigned char>{' ', byte, ' '},
              std::vector<unsigned char>{'"', byte, '"'}, std::vector<unsigned char>{'\'', byte, '\''}}) {
            hex.push_back(BytesToHex(bytes));
            escaped.push_back(BytesToEscapedText(bytes));
        }
    }
    // Hex text just inside the read buffer.
    hex.push_back(BytesToHex(std::vector<unsigned char>(86, 0xA5)));  // 258 characters
    for (const auto* format : {&hex, &escaped}) {
        ASSERT_EQ(SaveHistoryIni(m_path.c_str(), ListOf({}), ListOf(*format)), static_cast<DWORD>(ERROR_SUCCESS));
        m_strings.RemoveAll();
        ASSERT_EQ(Load(), HistoryIniLoad::Loaded);
        EXPECT_EQ(Entries(m_strings), *format);
    }
}

TEST_F(HistoryExport, CountPastTheKeysMissingKeysAndNotFoundValuesAreSkipped)
{
    WriteFile("[Files History]\r\nCount=5\r\nHist File #0=C:\\a.bin\r\nHist File #3=C:\\d.bin\r\n"
              "Hist File #9=C:\\beyond.bin\r\n"
              "[String History]\r\nCount=2147483647\r\nHist String #1=NOT FOUND\r\nhist string #2=41 \r\n"
              "Hist String #7=\"42 \"\r\n");
    ASSERT_EQ(Load(), HistoryIniLoad::Loaded);
    EXPECT_EQ(Entries(m_files), (std::vector<std::string>{"C:\\a.bin", "C:\\d.bin"}));
    EXPECT_EQ(Entries(m_strings), (std::vector<std::string>{"41", "42 "}));
}

TEST_F(HistoryExport, ZeroOrNegativeCountEmptiesTheLists)
{
    m_files.AddTail("C:\\kept.bin");
    m_strings.AddTail("41 ");
    WriteFile("[Files History]\r\nCount=-3\r\nHist File #0=C:\\a.bin\r\n[String History]\r\nCount=0\r\n");
    ASSERT_EQ(Load(), HistoryIniLoad::Loaded);
    EXPECT_TRUE(m_files.IsEmpty());
    EXPECT_TRUE(m_strings.IsEmpty());
}

TEST_F(HistoryExport, FileWithoutBothCountsIsWrongAndChangesNothing)
{
    const char* const files[] = {
        // "String History" has no count, though "Files History" is complete.
        "[Files History]\r\nCount=1\r\nHist File #0=C:\\a.bin\r\n[String History]\r\nHist String #0=41 \r\n",
        "[String History]\r\nCount=1\r\nHist String #0=41 \r\n",
        "[Files History]\r\nCount=NOT FOUND\r\n[String History]\r\nCount=1\r\n",
        "[Files History]\r\nCount=many\r\n[String History]\r\nCount=1\r\n",  // not a number
        "just some text\r\n",
    };
    for (const char* text : files) {
        m_files = ListOf({"C:\\kept.bin"});
        m_strings = ListOf({"41 "});
        WriteFile(text);
        EXPECT_EQ(Load(), HistoryIniLoad::WrongFile) << text;
        EXPECT_EQ(Entries(m_files), std::vector<std::string>{"C:\\kept.bin"});
        EXPECT_EQ(Entries(m_strings), std::vector<std::string>{"41 "});
    }
    DeleteFileA(m_path.c_str());
    EXPECT_EQ(Load(), HistoryIniLoad::WrongFile);  // no file at all
}

TEST_F(HistoryExport, EntriesTooLongForTheBuffersAreRefusedNotCut)
{
    const std::string fits = "C:\\" + std::string(kIniValueCapacity - 1 - 3, 'f');
    const std::string tooLong = "C:\\" + std::string(kIniValueCapacity - 3, 'g');
    const std::string huge(5000, 'h');
    WriteFile("[Files History]\r\nCount=3\r\nHist File #0=" + fits + "\r\nHist File #1=" + tooLong +
              "\r\nHist File #2=C:\\short.bin\r\n[String History]\r\nCount=2\r\nHist String #0=" + huge +
              "\r\nHist String #1=41 \r\n");
    ASSERT_EQ(Load(), HistoryIniLoad::Loaded);
    EXPECT_EQ(Entries(m_files), (std::vector<std::string>{fits, "C:\\short.bin"}));
    EXPECT_EQ(Entries(m_strings), std::vector<std::string>{"41"});
}

TEST_F(HistoryExport, SavingOverALongerHistoryLeavesOnlyTheNewEntries)
{
    ASSERT_EQ(SaveHistoryIni(m_path.c_str(), ListOf({"C:\\1", "C:\\2", "C:\\3", "C:\\4"}), ListOf({"41 ", "42 "})),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_EQ(SaveHistoryIni(m_path.c_str(), ListOf({"C:\\new"}), ListOf({})), static_cast<DWORD>(ERROR_SUCCESS));
    const std::string text = ReadFile();
    EXPECT_EQ(text.find("C:\\2"), std::string::npos) << text;
    EXPECT_EQ(text.find("Hist String #0"), std::string::npos) << text;
    ASSERT_EQ(Load(), HistoryIniLoad::Loaded);
    EXPECT_EQ(Entries(m_files), std::vector<std::string>{"C:\\new"});
    EXPECT_TRUE(m_strings.IsEmpty());
}

TEST_F(HistoryExport, SaveIntoAMissingFolderReportsTheSystemError)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + "kx_no_such_folder_" + std::to_string(GetCurrentProcessId()) +
                             "\\hist.ini";
    EXPECT_NE(SaveHistoryIni(path.c_str(), ListOf({"C:\\a"}), ListOf({"41 "})), static_cast<DWORD>(ERROR_SUCCESS));
}

} // namespace
