// The catalogue's tables in both languages: ids and row counts, printf fields, Windows-1252 bytes,
// buffer limits of the callers, lookups of present and absent ids, and a few exact texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue_texts.h"
#include "message.h"

namespace {

struct Language {
    const char* name;
    const CatalogueTexts* texts;
};
const Language kLanguages[] = {{"English", &kEnglishTexts}, {"French", &kFrenchTexts}};

struct Table {
    const char* name;
    std::span<const MessageEntry> CatalogueTexts::*rows;
    unsigned count;
    int lastId;       // ids run from 0 to lastId ...
    int missingId;    // ... except this one (-1: none)
};
const Table kTables[] = {
    {"errors", &CatalogueTexts::errors, 49, 48, -1},
    {"commErrors", &CatalogueTexts::commErrors, 21, 20, -1},
    {"captions", &CatalogueTexts::captions, 86, 86, 26},
    {"tips", &CatalogueTexts::tips, 76, 75, -1},
};

// Every (language, table) pair, for checks that hold for all rows.
template <typename Check>
void ForEachTable(Check check)
{
    for (const Language& lang : kLanguages) {
        for (const Table& table : kTables) {
            SCOPED_TRACE(std::string(lang.name) + " " + table.name);
            check(lang, table, lang.texts->*table.rows);
        }
    }
}

// The printf conversions of a text, in order ("%s", "%d", "%5.2f" ...); "%%" is not a field.
std::vector<std::string> PrintfFields(std::string_view text)
{
    std::vector<std::string> fields;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        std::size_t end = i + 1;
        while (end < text.size() && std::strchr("-+ #0123456789.*hlLqjzt", text[end]) != nullptr)
            ++end;
        if (end < text.size() && text[end] == '%' && end == i + 1) {
            i = end;
            continue;
        }
        fields.emplace_back(text.substr(i, end + 1 - i));
        i = end;
    }
    return fields;
}

TEST(CatalogueTexts, TablesHoldEachIdOfTheirRangeOnce)
{
    ForEachTable([](const Language&, const Table& table, std::span<const MessageEntry> rows) {
        EXPECT_EQ(rows.size(), table.count);
        std::set<int> expected;
        for (int id = 0; id <= table.lastId; ++id) {
            if (id != table.missingId)
                expected.insert(id);
        }
        std::multiset<int> ids;
        for (const MessageEntry& row : rows)
            ids.insert(row.id);
        EXPECT_EQ(std::set<int>(ids.begin(), ids.end()), expected);
        EXPECT_EQ(ids.size(), expected.size()) << "an id appears twice";
        EXPECT_EQ(CMessage(rows).GetSize(), table.count);
    });
}

TEST(CatalogueTexts, FrenchRowsFollowTheEnglishIdsInTheSameOrder)
{
    for (const Table& table : kTables) {
        SCOPED_TRACE(table.name);
        auto english = kEnglishTexts.*table.rows;
        auto french = kFrenchTexts.*table.rows;
        ASSERT_EQ(english.size(), french.size());
        for (std::size_t i = 0; i < english.size(); ++i)
            EXPECT_EQ(english[i].id, french[i].id) << "row " << i;
    }
}

TEST(CatalogueTexts, EveryRowHasAText)
{
    ForEachTable([](const Language&, const Table&, std::span<const MessageEntry> rows) {
        for (const MessageEntry& row : rows) {
            ASSERT_NE(row.text, nullptr) << "id " << row.id;
            EXPECT_NE(row.text[0], '\0') << "id " << row.id;
        }
    });
}

TEST(CatalogueTexts, TranslationsKeepThePrintfFieldsInOrder)
{
    for (const Table& table : kTables) {
        SCOPED_TRACE(table.name);
        auto english = kEnglishTexts.*table.rows;
        auto french = kFrenchTexts.*table.rows;
        for (std::size_t i = 0; i < english.size() && i < french.size(); ++i)
            EXPECT_EQ(PrintfFields(english[i].text), PrintfFields(french[i].text)) << "id " << english[i].id;
    }
}

// The program formats communication errors 1 and 10 with exactly two strings (port name, detail);
// any other field in any text would read arguments that are not there.
TEST(CatalogueTexts, OnlyCommErrorsOneAndTenTakeThePortNameAndDetail)
{
    const std::vector<std::string> twoStrings{"%s", "%s"};
    ForEachTable([&](const Language&, const Table& table, std::span<const MessageEntry> rows) {
        const bool isComm = std::string_view(table.name) == "commErrors";
        for (const MessageEntry& row : rows) {
            const bool isFormat = isComm && (row.id == 1 || row.id == 10);
            EXPECT_EQ(PrintfFields(row.text), isFormat ? twoStrings : std::vector<std::string>{})
                << "id " << row.id;
        }
    });
}

TEST(CatalogueTexts, EnglishTextsArePlainAscii)
{
    for (const Table& table : kTables) {
        for (const MessageEntry& row : kEnglishTexts.*table.rows) {
            for (const char* p = row.text; *p; ++p)
                EXPECT_LT(static_cast<unsigned char>(*p), 0x80) << table.name << " id " << row.id;
        }
    }
}

// French letters are single Windows-1252 bytes; a UTF-8 source slip would show up as 0xC2/0xC3 pairs.
TEST(CatalogueTexts, FrenchTextsUseWindows1252Letters)
{
    // The non-ASCII characters French texts may use, as Windows-1252 bytes.
    const std::string_view allowed =
        "\xC0\xC2\xC7\xC8\xC9\xCA\xCB\xCE\xCF\xD4\xD9\xDB\xDC"   // A` A^ C, E` E' E^ E: I^ I: O^ U` U^ U:
        "\xE0\xE2\xE7\xE8\xE9\xEA\xEB\xEE\xEF\xF4\xF9\xFB\xFC"   // a` a^ c, e` e' e^ e: i^ i: o^ u` u^ u:
        "\xFF\x9C\x8C\xAB\xBB\xB0";                                // y: oe OE << >> degree
    std::set<unsigned char> seen;
    for (const Table& table : kTables) {
        for (const MessageEntry& row : kFrenchTexts.*table.rows) {
            for (const char* p = row.text; *p; ++p) {
                const auto byte = static_cast<unsigned char>(*p);
                if (byte < 0x80)
                    continue;
                seen.insert(byte);
                EXPECT_NE(allowed.find(*p), std::string_view::npos)
                    << table.name << " id " << row.id << " byte 0x" << std::hex << int(byte);
            }
        }
    }
    // e' e` a` c, e^ o^ i^ and the degree sign all occur, so the escapes did reach the tables.
    for (unsigned char byte : {0xE9, 0xE8, 0xE0, 0xE7, 0xEA, 0xF4, 0xEE, 0xB0})
        EXPECT_TRUE(seen.count(byte)) << "0x" << std::hex << int(byte);
}

TEST(CatalogueTexts, TextsHoldNoControlCharacterButLineBreaksAndTabs)
{
    ForEachTable([](const Language&, const Table&, std::span<const MessageEntry> rows) {
        for (const MessageEntry& row : rows) {
            for (const char* p = row.text; *p; ++p) {
                const auto byte = static_cast<unsigned char>(*p);
                if (byte < 0x20)
                    EXPECT_TRUE(byte == '\n' || byte == '\r' || byte == '\t') << "id " << row.id;
            }
        }
    });
}

// The program copies a caption into a 252-byte buffer and a tip into a 400-byte one, terminator included.
TEST(CatalogueTexts, CaptionsAndTipsFitTheProgramsBuffers)
{
    for (const Language& lang : kLanguages) {
        for (const MessageEntry& row : lang.texts->captions)
            EXPECT_LT(std::strlen(row.text), 252u) << lang.name << " caption " << row.id;
        for (const MessageEntry& row : lang.texts->tips)
            EXPECT_LT(std::strlen(row.text), 400u) << lang.name << " tip " << row.id;
    }
}

TEST(CatalogueLookup, GetTextFindsEveryRowById)
{
    ForEachTable([](const Language&, const Table&, std::span<const MessageEntry> rows) {
        const CMessage table(rows);
        for (const MessageEntry& row : rows)
            EXPECT_EQ(table.GetText(row.id), row.text) << "id " << row.id;
    });
}

TEST(CatalogueLookup, GetTextAnswersNullForIdsTheTableLacks)
{
    ForEachTable([](const Language&, const Table& table, std::span<const MessageEntry> rows) {
        const CMessage message(rows);
        for (int id : {-1, table.lastId + 1, INT_MIN, INT_MAX})
            EXPECT_EQ(message.GetText(id), nullptr) << "id " << id;
        if (table.missingId >= 0)
            EXPECT_EQ(message.GetText(table.missingId), nullptr);
    });
}

TEST(CatalogueLookup, GetTextTakesTheFirstRowOfAnId)
{
    const MessageEntry rows[] = {{7, "first"}, {3, "other"}, {7, "second"}};
    const CMessageTip table(rows);
    EXPECT_STREQ(table.GetText(7), "first");
    EXPECT_STREQ(table.GetText(3), "other");
    EXPECT_EQ(CMessageCap(std::span<const MessageEntry>()).GetText(0), nullptr);
}

TEST(CatalogueTexts, SpotChecksMatchByteForByte)
{
    struct Case {
        const CatalogueTexts* texts;
        std::span<const MessageEntry> CatalogueTexts::*rows;
        int id;
        const char* expected;
    };
    const Case cases[] = {
        {&kEnglishTexts, &CatalogueTexts::errors, 33, "Error - Invalid Baud Rate"},
        {&kEnglishTexts, &CatalogueTexts::errors, 27, "Error - Reader Thread didn't exit.\n\r"},
        {&kEnglishTexts, &CatalogueTexts::commErrors, 10,
         "%s  port Transmit FIFO size has been adjusted to :  %s"},
        {&kEnglishTexts, &CatalogueTexts::captions, 15, "Switch to Download Mode"},
        {&kEnglishTexts, &CatalogueTexts::tips, 16,
         "ASCII Mode.\nData Bytes Are Entered As A String.\n"
         "Not Printable Characters May Be Inserted In Hex Form As \\xHH"},
        {&kFrenchTexts, &CatalogueTexts::captions, 25, "S\xE9rie"},
        {&kFrenchTexts, &CatalogueTexts::captions, 82, "N\xB0 De S\xE9rie"},
        {&kFrenchTexts, &CatalogueTexts::captions, 21, "Envoyer Cha\xEEne de Donn\xE9" "es"},
        {&kFrenchTexts, &CatalogueTexts::errors, 2, "Erreur - Arr\xEAt Thread Transfert"},
        {&kFrenchTexts, &CatalogueTexts::errors, 10, "Erreur - Statut S\xE9lection Secteur Flash Non Re\xE7u"},
        {&kFrenchTexts, &CatalogueTexts::errors, 35, "Erreur - Type De Contr\xF4le De Flux Invalide"},
        {&kFrenchTexts, &CatalogueTexts::commErrors, 1, "Le port  %s  est assign\xE9 \xE0 l'imprimante :\n%s"},
        {&kFrenchTexts, &CatalogueTexts::tips, 46,
         "S\xE9lectionner Le Port De Communication Ethernet.\rProtocole TCP/IP"},
        {&kFrenchTexts, &CatalogueTexts::tips, 16,
         "Mode ASCII.\nLes Donn\xE9" "es Sont Entr\xE9" "es Come Une Cha\xEEne De Caract\xE8res.\n"
         "Des caract\xE8res Non-Imprimables Peuvent Etre Ins\xE9r\xE9s Sous Forme Hex \\xHH"},
    };
    for (const Case& c : cases) {
        const char* text = CMessage(c.texts->*c.rows).GetText(c.id);
        ASSERT_NE(text, nullptr) << c.expected;
        EXPECT_EQ(std::string_view(text), std::string_view(c.expected));
    }
}

}  // namespace
