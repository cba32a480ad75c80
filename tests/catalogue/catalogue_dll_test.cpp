// Sablon.dll and Mirelo.dll as the program loads them: exactly the eight plain-name exports,
// and lookups through them that answer the rows of their own language.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "catalogue_texts.h"

namespace {

struct ModuleDeleter {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModulePtr = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

// The exports in ordinal order, 1 to 8.
const char* const kExportNames[] = {
    "Thes_CaptionGetSize", "Thes_CaptionGetText", "Thes_CommErrorGetSize", "Thes_CommErrorGetText",
    "Thes_ErrorGetSize",   "Thes_ErrorGetText",   "Thes_TipGetSize",       "Thes_TipGetText",
};

struct Library {
    const char* file;
    const CatalogueTexts* texts;
};
const Library kLibraries[] = {{"Sablon.dll", &kEnglishTexts}, {"Mirelo.dll", &kFrenchTexts}};

// One table as the library serves it.
struct TableExports {
    const char* sizeName;
    const char* textName;
    std::span<const MessageEntry> CatalogueTexts::*rows;
    int absentId;  // an id inside the table's range that it does not hold, or past its end
};
const TableExports kTableExports[] = {
    {"Thes_ErrorGetSize", "Thes_ErrorGetText", &CatalogueTexts::errors, 49},
    {"Thes_CommErrorGetSize", "Thes_CommErrorGetText", &CatalogueTexts::commErrors, 21},
    {"Thes_CaptionGetSize", "Thes_CaptionGetText", &CatalogueTexts::captions, 26},
    {"Thes_TipGetSize", "Thes_TipGetText", &CatalogueTexts::tips, 76},
};

ModulePtr Load(const char* file)
{
    // From the test's own folder (bin), where the libraries are built.
    ModulePtr module(LoadLibraryA(file));
    EXPECT_TRUE(module) << file << ": error " << GetLastError();
    return module;
}

template <typename Fn>
Fn Bind(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The names in the module's export directory, as the loader sees them.
std::vector<std::string> ExportedNames(HMODULE module, DWORD* functionCount)
{
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::vector<std::string> names;
    *functionCount = 0;
    if (dir.VirtualAddress == 0)
        return names;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    *functionCount = exports->NumberOfFunctions;
    const auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.emplace_back(reinterpret_cast<const char*>(base + nameRvas[i]));
    return names;
}

TEST(CatalogueDll, ExportsExactlyTheEightFunctionsByPlainName)
{
    std::vector<std::string> expected(std::begin(kExportNames), std::end(kExportNames));
    std::sort(expected.begin(), expected.end());
    for (const Library& lib : kLibraries) {
        SCOPED_TRACE(lib.file);
        ModulePtr module = Load(lib.file);
        ASSERT_TRUE(module);
        DWORD functionCount = 0;
        std::vector<std::string> names = ExportedNames(module.get(), &functionCount);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, expected);
        EXPECT_EQ(functionCount, 8u) << "exports without a name";
        for (WORD ordinal = 1; ordinal <= 8; ++ordinal) {
            FARPROC byName = GetProcAddress(module.get(), kExportNames[ordinal - 1]);
            EXPECT_NE(byName, nullptr) << kExportNames[ordinal - 1];
            EXPECT_EQ(GetProcAddress(module.get(), MAKEINTRESOURCEA(ordinal)), byName)
                << "ordinal " << ordinal;
        }
    }
}

TEST(CatalogueDll, ServesEveryRowOfItsLanguage)
{
    for (const Library& lib : kLibraries) {
        ModulePtr module = Load(lib.file);
        ASSERT_TRUE(module);
        for (const TableExports& table : kTableExports) {
            SCOPED_TRACE(std::string(lib.file) + " " + table.textName);
            auto getSize = Bind<ThesGetSizeFn>(module.get(), table.sizeName);
            auto getText = Bind<ThesGetTextFn>(module.get(), table.textName);
            ASSERT_TRUE(getSize && getText);
            const auto rows = lib.texts->*table.rows;
            EXPECT_EQ(getSize(), rows.size());
            for (const MessageEntry& row : rows) {
                const char* text = getText(row.id);
                ASSERT_NE(text, nullptr) << "id " << row.id;
                EXPECT_EQ(std::string_view(text), std::string_view(row.text)) << "id " << row.id;
            }
            EXPECT_EQ(getText(table.absentId), nullptr) << "id " << table.absentId;
            EXPECT_EQ(getText(-1), nullptr);
        }
    }
}

// The program may hold both languages at once (the set-up dialogs load the catalogue again);
// each library answers from its own tables.
TEST(CatalogueDll, BothLanguagesLoadSideBySide)
{
    ModulePtr english = Load("Sablon.dll");
    ModulePtr french = Load("Mirelo.dll");
    ASSERT_TRUE(english && french);
    auto englishCaption = Bind<ThesGetTextFn>(english.get(), "Thes_CaptionGetText");
    auto frenchCaption = Bind<ThesGetTextFn>(french.get(), "Thes_CaptionGetText");
    auto englishError = Bind<ThesGetTextFn>(english.get(), "Thes_ErrorGetText");
    auto frenchError = Bind<ThesGetTextFn>(french.get(), "Thes_ErrorGetText");
    ASSERT_TRUE(englishCaption && frenchCaption && englishError && frenchError);
    EXPECT_STREQ(englishCaption(25), "Serial");
    EXPECT_STREQ(frenchCaption(25), "S\xE9rie");
    EXPECT_STREQ(englishError(33), "Error - Invalid Baud Rate");
    EXPECT_STREQ(frenchError(33), "Erreur - Vitesse Invalide");
}

}  // namespace
