// The program's registry settings: the four keys under HKLM\SOFTWARE\VELTRA\KESTRIX, every value
// with its default, and the two histories. Load runs before the main window exists, Save after it.
#pragma once
#include <windows.h>
#include <functional>
#include <type_traits>
#include <vector>

#include "framework/string.h"
#include "framework/string_list.h"

constexpr const char* kSettingsKey = "SOFTWARE\\VELTRA\\KESTRIX";
// Strings and history entries are read into buffers of this size (terminator included).
constexpr DWORD kSettingTextSize = 256;

// One 4-byte number: its value name (string-table id), where it lives, its default and the values
// it takes (as stored, unsigned). A stored value outside them takes the default instead and is
// logged: no field of the dialog is left to refuse a value the settings put there.
struct NumberSetting {
    UINT nameId = 0;
    void* member = nullptr;
    DWORD defaultValue = 0;
    DWORD low = 0;
    DWORD high = 0xFFFFFFFF;
};

// An index setting has a limit: the values below it are taken (0: any value).
template <class T>
NumberSetting Number(UINT nameId, T& member, DWORD defaultValue, DWORD limit = 0)
{
    static_assert(std::is_integral_v<T> && sizeof(T) == 4, "registry numbers are 4 bytes");
    return NumberSetting{nameId, &member, defaultValue, 0, limit != 0 ? limit - 1 : 0xFFFFFFFF};
}

// A check box's state: 0 or 1 is taken; another value would turn the behaviour on while the box
// shows it off.
template <class T>
NumberSetting CheckBox(UINT nameId, T& member, DWORD defaultValue)
{
    static_assert(std::is_integral_v<T> && sizeof(T) == 4, "registry numbers are 4 bytes");
    return NumberSetting{nameId, &member, defaultValue, 0, 1};
}

// A number that a field bounds: the values low..high are taken.
template <class T>
NumberSetting NumberInRange(UINT nameId, T& member, DWORD defaultValue, DWORD low, DWORD high)
{
    static_assert(std::is_integral_v<T> && sizeof(T) == 4, "registry numbers are 4 bytes");
    return NumberSetting{nameId, &member, defaultValue, low, high};
}

// Where every setting lives: the main dialog, its port pages and the application object.
struct SettingsView {
    NumberSetting stringMode;  // "String Mode": also decides the entry format of the string history
    NumberSetting showUsm;
    CString* thesaurusDll = nullptr;
    CStringList* filesHistory = nullptr;
    int* filesHistoryCount = nullptr;
    CStringList* stringsHistory = nullptr;
    int* stringsHistoryCount = nullptr;
    std::vector<NumberSetting> commParams;  // "Communication Parameters", in read and write order
};

// Tells whether a file-history entry still names a file that can be opened for reading.
using FileCheck = std::function<bool(const char* path)>;
// Takes the log line of a stored value that was ignored.
using SettingNote = std::function<void(const char* line)>;

class SettingsStore {
public:
    explicit SettingsStore(HKEY root = HKEY_LOCAL_MACHINE, const char* basePath = kSettingsKey)
        : m_root(root), m_basePath(basePath) {}

    // A key that can be neither opened nor created leaves its members as they are.
    // A number outside its range is ignored (its default taken) and told to note.
    void Load(const SettingsView& view, const FileCheck& canRead, const SettingNote& note = {}) const;
    void Save(const SettingsView& view) const;

    static const char* const kFilesHistoryKey;
    static const char* const kStringsHistoryKey;
    static const char* const kCommParamsKey;

private:
    CString KeyPath(const char* subKey) const;

    HKEY m_root;
    CString m_basePath;
};

// Reads a number into a member the way Load does; exposed for the value-level tests.
DWORD ReadNumberSetting(DWORD stored, bool readOk, const NumberSetting& setting);
