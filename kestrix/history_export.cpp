// The history export file on the private profile calls: "Files History" and "String History",
// each a "Count" and the entries "Hist File #n" / "Hist String #n".
#include "history_export.h"

#include <optional>
#include <string>
#include <vector>

#include "core/history_ini.h"
#include "framework/profile.h"

namespace {

DWORD WriteSection(const char* path, const char* section, const char* keyPrefix, const CStringList& list)
{
    // The section goes first, so entries of a longer list saved there before do not stay behind.
    // (Nothing to remove in a new file; a file that cannot be written fails on the count below.)
    WritePrivateProfileStringA(section, nullptr, nullptr, path);
    CProfile profile(path);
    if (!profile.WriteInt(section, kIniCountKey, list.GetCount()))
        return GetLastError();
    int index = 0;
    for (const CString& entry : list) {
        const std::string value = QuoteIniValue(entry.str());
        if (!profile.WriteString(section, IniKeyName(keyPrefix, index++).c_str(), value.c_str()))
            return GetLastError();
    }
    return ERROR_SUCCESS;
}

// The names of the keys of a section (none when the file or the section is missing).
std::vector<std::string> KeyNames(const char* path, const char* section)
{
    std::vector<char> buffer(4096);
    for (;;) {
        const DWORD n = GetPrivateProfileStringA(section, nullptr, "", buffer.data(),
                                                 static_cast<DWORD>(buffer.size()), path);
        // A list that did not fit comes back cut at size - 2: read again with more room.
        if (n + 2 < buffer.size() || buffer.size() >= (1u << 24)) {
            std::vector<std::string> names;
            for (DWORD at = 0; at < n && buffer[at] != '\0';) {
                names.emplace_back(buffer.data() + at);
                at += static_cast<DWORD>(names.back().size()) + 1;
            }
            return names;
        }
        buffer.resize(buffer.size() * 4);
    }
}

std::optional<int> ReadCount(const CProfile& profile, const char* section)
{
    const CString text = profile.GetString(section, kIniCountKey, kIniNotFound);
    if (text == kIniNotFound)
        return std::nullopt;
    return ParseIniCount(text.str());
}

CStringList ReadSection(const CProfile& profile, const char* section, const char* keyPrefix, int count)
{
    CStringList list(10);
    for (int index : CountedKeyIndexes(KeyNames(profile.GetPath(), section), keyPrefix, count)) {
        const CString value = profile.GetString(section, IniKeyName(keyPrefix, index).c_str(), kIniNotFound);
        if (value == kIniNotFound || !FitsIniValue(value.str()))
            continue;
        list.AddTail(value);
    }
    return list;
}

} // namespace

DWORD SaveHistoryIni(const char* path, const CStringList& files, const CStringList& strings)
{
    const DWORD error = WriteSection(path, kIniFilesSection, kIniFileKeyPrefix, files);
    if (error != ERROR_SUCCESS)
        return error;
    return WriteSection(path, kIniStringsSection, kIniStringKeyPrefix, strings);
}

HistoryIniLoad LoadHistoryIni(const char* path, CStringList& files, CStringList& strings)
{
    const CProfile profile(path);
    const std::optional<int> fileCount = ReadCount(profile, kIniFilesSection);
    const std::optional<int> stringCount = ReadCount(profile, kIniStringsSection);
    if (!fileCount || !stringCount)
        return HistoryIniLoad::WrongFile;
    files = ReadSection(profile, kIniFilesSection, kIniFileKeyPrefix, *fileCount);
    strings = ReadSection(profile, kIniStringsSection, kIniStringKeyPrefix, *stringCount);
    return HistoryIniLoad::Loaded;
}
