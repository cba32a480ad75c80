// Loading and saving the registry settings and the file and string histories.
#include "settings.h"

#include <cstring>

#include "core/history_ini.h"
#include "core/text_convert.h"
#include "registry_key.h"
#include "res/resource.h"

const char* const SettingsStore::kFilesHistoryKey = "Files History";
const char* const SettingsStore::kStringsHistoryKey = "Strings History";
const char* const SettingsStore::kCommParamsKey = "Communication Parameters";

namespace {

CString ValueName(UINT id)
{
    CString name;
    name.LoadString(id);
    return name;
}

CString IndexedName(UINT id, int index)
{
    CString name;
    name.Format("%s%d", ValueName(id).c_str(), index);
    return name;
}

DWORD Get(const NumberSetting& s)
{
    DWORD value;
    std::memcpy(&value, s.member, sizeof value);
    return value;
}

void Put(const NumberSetting& s, DWORD value)
{
    std::memcpy(s.member, &value, sizeof value);
}

void LoadNumber(const RegistryKey& key, const NumberSetting& s, const SettingNote& note)
{
    DWORD stored = 0;
    const CString name = ValueName(s.nameId);
    const bool ok = key.ReadDword(name, stored);
    if (ok && (stored < s.low || stored > s.high) && note) {
        CString line;
        line.Format("Setting %s = %lu is out of range and is ignored", name.c_str(), static_cast<unsigned long>(stored));
        note(line);
    }
    Put(s, ReadNumberSetting(stored, ok, s));
}

// The history entries to read: every "<prefix><index>" value the key holds with an index below the
// stored count, in index order. Gaps in the numbering lose no later entry, and a damaged count
// cannot keep start-up reading for ever.
std::vector<int> EntriesToRead(const RegistryKey& key, UINT prefixId, int storedCount)
{
    return CountedKeyIndexes(key.ValueNames(), ValueName(prefixId).str(), storedCount);
}

// Removes every "<prefix><number>" value, so no stale entry outlives a shorter history.
void DeleteIndexedValues(RegistryKey& key, UINT prefixId)
{
    const CString prefix = ValueName(prefixId);
    for (const std::string& name : key.ValueNames()) {
        if (name.size() <= static_cast<size_t>(prefix.GetLength()) ||
            name.compare(0, prefix.GetLength(), prefix.str()) != 0)
            continue;
        if (name.find_first_not_of("0123456789", prefix.GetLength()) == std::string::npos)
            key.DeleteValue(name.c_str());
    }
}

} // namespace

DWORD ReadNumberSetting(DWORD stored, bool readOk, const NumberSetting& setting)
{
    if (!readOk)
        return setting.defaultValue;
    if (stored < setting.low || stored > setting.high)
        return setting.defaultValue;
    return stored;
}

CString SettingsStore::KeyPath(const char* subKey) const
{
    if (!subKey)
        return m_basePath;
    return m_basePath + "\\" + subKey;
}

void SettingsStore::Load(const SettingsView& view, const FileCheck& canRead, const SettingNote& note) const
{
    char text[kSettingTextSize];
    RegistryKey key;

    if (key.Create(m_root, KeyPath(nullptr), KEY_QUERY_VALUE)) {
        LoadNumber(key, view.stringMode, note);
        LoadNumber(key, view.showUsm, note);
        if (view.thesaurusDll && key.ReadString(ValueName(IDS_THESAURUS_DLL_NAME), text, sizeof text))
            *view.thesaurusDll = text;
        key.Close();
    }

    if (key.Create(m_root, KeyPath(kFilesHistoryKey), KEY_QUERY_VALUE)) {
        DWORD count = 0;
        *view.filesHistoryCount = key.ReadDword(ValueName(IDS_NB_FILES_HISTORY), count) ? static_cast<int>(count) : 0;
        for (int i : EntriesToRead(key, IDS_HIST_FILE, *view.filesHistoryCount)) {
            if (!key.ReadString(IndexedName(IDS_HIST_FILE, i), text, sizeof text))
                continue;
            if (canRead && canRead(text))
                view.filesHistory->AddTail(text);
        }
        key.Close();
    }

    if (key.Create(m_root, KeyPath(kStringsHistoryKey), KEY_QUERY_VALUE)) {
        DWORD count = 0;
        *view.stringsHistoryCount =
            key.ReadDword(ValueName(IDS_NB_STRING_HISTORY), count) ? static_cast<int>(count) : 0;
        const bool hexMode = Get(view.stringMode) == 1;
        for (int i : EntriesToRead(key, IDS_HIST_STRING, *view.stringsHistoryCount)) {
            if (!key.ReadString(IndexedName(IDS_HIST_STRING, i), text, sizeof text))
                continue;
            // The registry holds hex text; the list holds the current entry format. An entry
            // that is not valid hex text is dropped rather than shown as an empty row.
            TextResult escaped = HexToText(text);
            if (escaped.formatErrors != 0 || escaped.text.empty())
                continue;
            if (hexMode) {
                TextResult hex = TextToHex(escaped.text);
                if (hex.formatErrors != 0 || hex.text.empty())
                    continue;
                view.stringsHistory->AddHead(CString(hex.text));
            } else {
                view.stringsHistory->AddHead(CString(escaped.text));
            }
        }
        key.Close();
    }

    if (key.Create(m_root, KeyPath(kCommParamsKey), KEY_QUERY_VALUE)) {
        for (const NumberSetting& s : view.commParams)
            LoadNumber(key, s, note);
        key.Close();
    }
}

void SettingsStore::Save(const SettingsView& view) const
{
    RegistryKey key;

    if (key.Create(m_root, KeyPath(nullptr), KEY_ALL_ACCESS)) {
        key.WriteDword(ValueName(view.stringMode.nameId), Get(view.stringMode));
        key.WriteDword(ValueName(view.showUsm.nameId), Get(view.showUsm));
        key.Close();
    }

    if (key.Create(m_root, KeyPath(kFilesHistoryKey), KEY_ALL_ACCESS)) {
        DeleteIndexedValues(key, IDS_HIST_FILE);
        // A path that would not fit the reading buffer is not stored: it could never be read back.
        std::vector<const CString*> kept;
        for (const CString& path : *view.filesHistory)
            if (!path.IsEmpty() && static_cast<DWORD>(path.GetLength()) < kSettingTextSize)
                kept.push_back(&path);
        *view.filesHistoryCount = static_cast<int>(kept.size());
        key.WriteDword(ValueName(IDS_NB_FILES_HISTORY), static_cast<DWORD>(kept.size()));
        for (size_t i = 0; i < kept.size(); ++i)
            key.WriteString(IndexedName(IDS_HIST_FILE, static_cast<int>(i)), *kept[i]);
        key.Close();
    }

    if (key.Create(m_root, KeyPath(kStringsHistoryKey), KEY_ALL_ACCESS)) {
        DeleteIndexedValues(key, IDS_HIST_STRING);
        const bool hexMode = Get(view.stringMode) == 1;
        // The registry always holds hex text; entries that convert to nothing or whose hex text
        // would not fit the reading buffer are left out.
        std::vector<std::string> kept;
        for (const CString& entry : *view.stringsHistory) {
            std::string hex;
            if (hexMode) {
                BytesResult bytes = HexToBytes(entry.str());
                if (bytes.formatErrors != 0)
                    continue;
                hex = BytesToHex(bytes.bytes);
            } else {
                TextResult converted = TextToHex(entry.str());
                if (converted.formatErrors != 0)
                    continue;
                hex = std::move(converted.text);
            }
            if (!hex.empty() && hex.size() < kSettingTextSize)
                kept.push_back(std::move(hex));
        }
        *view.stringsHistoryCount = static_cast<int>(kept.size());
        key.WriteDword(ValueName(IDS_NB_STRING_HISTORY), static_cast<DWORD>(kept.size()));
        for (size_t i = 0; i < kept.size(); ++i)
            key.WriteString(IndexedName(IDS_HIST_STRING, static_cast<int>(i)), kept[i].c_str());
        key.Close();
    }

    if (key.Create(m_root, KeyPath(kCommParamsKey), KEY_ALL_ACCESS)) {
        for (const NumberSetting& s : view.commParams)
            key.WriteDword(ValueName(s.nameId), Get(s));
        key.Close();
    }
}
