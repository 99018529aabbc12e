// Settings: the button keys the menu reads, the registry writer with its undo, the .reg writer.
#include "tileskin/settings.h"

#include "outside/application_key.h"
#include "outside/kivrel.h"
#include "skin/skin.h"
#include "tileskin/skin_folder.h"
#include "tileskin/tileskin.h"

#include <algorithm>
#include <cstdio>

const char appKeyPath[] = TILEBOX_SETTINGS_PATH;

namespace {

HKEY RootOf(bool machine)
{
    return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::wstring Wide(const std::string& text)
{
    if (text.empty()) {
        return std::wstring();
    }
    const int size = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], size);
    wide.resize(lstrlenW(wide.c_str()));
    return wide;
}

// The order the menu reads a key's sub-keys in: the profile store's own, asked of it.
bool RegistryOrder(const std::string& a, const std::string& b)
{
    return Kivrel_CompareKeyNames(a.c_str(), b.c_str()) < 0;
}

bool SameKeyName(const std::string& a, const std::string& b)
{
    return Kivrel_CompareKeyNames(a.c_str(), b.c_str()) == 0;
}

// The empty key is the application key itself, where the menu's own values ("Display") live.
std::string FullKey(const std::string& key)
{
    return key.empty() ? std::string(appKeyPath) : std::string(appKeyPath) + "\\" + key;
}

// Machine-wide keys are enumerated directly: the profile store always layers the user's tree
// over them, and a machine-wide skin must follow the machine-wide keys alone.
bool ReadMachineButtonKeys(std::vector<std::string>* names)
{
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, FullKey("Buttons").c_str(), 0, KEY_READ, &key);
    if (opened == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    if (opened != ERROR_SUCCESS) {
        return false;
    }
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD size = sizeof name;
        const LONG result = RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr,
                                          nullptr);
        if (result != ERROR_SUCCESS) {
            break;
        }
        names->push_back(name);
    }
    RegCloseKey(key);
    std::sort(names->begin(), names->end(), RegistryOrder);
    return true;
}

// What a value held before it was written, to put it back.
struct SavedValue {
    std::wstring key;
    std::wstring name;
    bool existed;
    DWORD type;
    std::vector<BYTE> data;
};

struct RegistryUndo {
    HKEY root;
    std::vector<SavedValue> values;
    std::vector<std::wstring> createdKeys;  // in the order they were made
};

bool Save(RegistryUndo* undo, HKEY key, const std::wstring& keyPath, const std::wstring& name)
{
    SavedValue saved = {keyPath, name, false, 0, {}};
    DWORD size = 0;
    LONG result = RegQueryValueExW(key, name.c_str(), nullptr, &saved.type, nullptr, &size);
    if (result == ERROR_SUCCESS) {
        saved.existed = true;
        saved.data.resize(size);
        result = RegQueryValueExW(key, name.c_str(), nullptr, &saved.type,
                                  saved.data.empty() ? nullptr : saved.data.data(), &size);
        if (result != ERROR_SUCCESS) {
            return false;
        }
        saved.data.resize(size);
    } else if (result != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    undo->values.push_back(saved);
    return true;
}

// Restores values in the reverse order, then removes the keys this run made (deepest first).
void Undo(const RegistryUndo& undo)
{
    for (auto it = undo.values.rbegin(); it != undo.values.rend(); ++it) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(undo.root, it->key.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
            continue;
        }
        if (it->existed) {
            RegSetValueExW(key, it->name.c_str(), 0, it->type,
                           it->data.empty() ? nullptr : it->data.data(),
                           static_cast<DWORD>(it->data.size()));
        } else {
            RegDeleteValueW(key, it->name.c_str());
        }
        RegCloseKey(key);
    }
    for (auto it = undo.createdKeys.rbegin(); it != undo.createdKeys.rend(); ++it) {
        RegDeleteKeyW(undo.root, it->c_str());
    }
}

// Creates the key and each missing parent one level at a time, so that an undo can remove
// exactly the keys this run made.
LONG CreateKeyPath(RegistryUndo* undo, const std::wstring& path, HKEY* key)
{
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find(L'\\', start);
        const std::wstring part = path.substr(0, slash);
        DWORD disposition = 0;
        HKEY made = nullptr;
        const LONG result = RegCreateKeyExW(undo->root, part.c_str(), 0, nullptr, 0,
                                            KEY_READ | KEY_SET_VALUE, nullptr, &made,
                                            &disposition);
        if (result != ERROR_SUCCESS) {
            return result;
        }
        if (disposition == REG_CREATED_NEW_KEY) {
            undo->createdKeys.push_back(part);
        }
        if (slash == std::wstring::npos) {
            *key = made;
            return ERROR_SUCCESS;
        }
        RegCloseKey(made);
        start = slash + 1;
    }
}

LONG WriteOne(RegistryUndo* undo, const SettingValue& value)
{
    const std::wstring keyPath = Wide(FullKey(value.key));
    HKEY key = nullptr;
    LONG result = CreateKeyPath(undo, keyPath, &key);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    const std::wstring name = Wide(value.name);
    if (!Save(undo, key, keyPath, name)) {
        RegCloseKey(key);
        return ERROR_CANTREAD;
    }
    if (value.type == REG_DWORD) {
        result = RegSetValueExW(key, name.c_str(), 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&value.number), sizeof value.number);
    } else {
        result = RegSetValueExW(key, name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value.text.c_str()),
                                static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    return result;
}

std::wstring Escaped(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') {
            out.push_back(L'\\');
        }
        out.push_back(c);
    }
    return out;
}

// Any picture value of any size, readable or not: the menu's own reading of value names.
bool IsPanelBitmapName(const std::string& name)
{
    int group = -1;
    int width = 0;
    int height = 0;
    return ParseSkinValueName(name.c_str(), &group, &width, &height) != NotASkinName &&
           group != RectangleGroup;
}

void AddPanelValueNames(HKEY root, std::vector<std::string>* names)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, FullKey("Panel").c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD size = sizeof name;
        if (RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names->push_back(name);
    }
    RegCloseKey(key);
}

std::string RectText(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}


}  // namespace

std::vector<SettingValue> SkinSettings(const std::string& folder, const TilesFile& tiles,
                                       const PreparedTile prepared[6],
                                       const std::vector<std::string>& keys,
                                       const std::vector<DrawnSize>& sizes)
{
    std::vector<SettingValue> values;
    for (const DrawnSize& size : sizes) {
        AddString(&values, "Panel", SkinValueName(size.width, size.height, NormalBitmapGroup),
                  WideFromAnsi(folder + NormalFileName(size.width, size.height)));
        AddString(&values, "Panel", SkinValueName(size.width, size.height, SelectedBitmapGroup),
                  WideFromAnsi(folder + SelectedFileName(size.width, size.height)));
        AddString(&values, "Panel", SkinValueName(size.width, size.height, RegionTemplateGroup),
                  WideFromAnsi(folder + TemplateFileName(size.width, size.height)));
    }
    AddDWord(&values, "Panel", "Fit Other Sizes", 1);
    for (int i = 0; i < tileCount; ++i) {
        const std::string key = "Buttons\\" + keys[i];
        for (const DrawnSize& size : sizes) {
            AddString(&values, key, SkinValueName(size.width, size.height, RectangleGroup),
                      WideFromAnsi(RectText(size.rects[i])));
        }
        AddDWord(&values, key, "Remote Code", RemoteCodeOf(tiles.tiles[i].action));
        // Written even when empty: the user's empty value stands over a machine-wide command that
        // the button would otherwise still run.
        AddString(&values, key, "Command", WideFromAnsi(prepared[i].command));
        AddString(&values, key, "Name", tiles.tiles[i].label);
    }
    // Only when the file says it: a skin made elsewhere must not move the menu to another
    // monitor. An empty Display puts it back on the primary one.
    if (tiles.hasDisplay) {
        AddString(&values, "", "Display", tiles.display);
    }
    return values;
}

void AddString(std::vector<SettingValue>* values, const std::string& key, const std::string& name,
               const std::wstring& text)
{
    values->push_back(SettingValue{key, name, REG_SZ, text, 0});
}

void AddDWord(std::vector<SettingValue>* values, const std::string& key, const std::string& name,
              DWORD number)
{
    values->push_back(SettingValue{key, name, REG_DWORD, std::wstring(), number});
}

std::string SkinValueName(int width, int height, int group)
{
    char name[SkinValueNameCapacity];
    return FormatSkinValueName(width, height, group, name) ? std::string(name) : std::string();
}

bool ReadButtonKeys(bool machine, std::vector<std::string>* names)
{
    names->clear();
    if (machine) {
        if (!ReadMachineButtonKeys(names)) {
            return false;
        }
    } else {
        // The profile store's own merged view: exactly the keys, and the order, the menu reads.
        if (!Kivrel_SetUserProfileInfo(nullptr, TILEBOX_APPLICATION_KEY)) {
            return false;
        }
        for (int index = 0; index < 6; ++index) {
            char name[256] = {};
            DWORD size = sizeof name;
            if (!Kivrel_EnumKeyName("Buttons", index, name, &size, 1) || name[0] == '\0' ||
                size == 0) {
                break;
            }
            names->push_back(name);
        }
    }
    if (names->size() > 6) {
        names->resize(6);
    }
    return true;
}

std::vector<std::string> ChooseButtonKeys(const std::vector<std::string>& existing,
                                          const std::vector<std::string>& labels)
{
    std::vector<std::string> keys(existing.begin(), existing.end());
    for (size_t number = keys.size() + 1; number <= 6; ++number) {
        // Only characters every key name and every code page can carry; a label of none of them
        // still gets a readable name.
        std::string label;
        for (char c : labels[number - 1]) {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                               (c >= '0' && c <= '9') || c == ' ' || c == '-' || c == '_';
            if (plain && label.size() < 40 && !(c == ' ' && (label.empty() || label.back() == ' '))) {
                label.push_back(c);
            }
        }
        while (!label.empty() && label.back() == ' ') {
            label.pop_back();
        }
        std::string name = std::to_string(number) + " " + (label.empty() ? "Tile" : label);
        for (int suffix = 2; std::any_of(keys.begin(), keys.end(), [&](const std::string& k) {
                 return SameKeyName(k, name);
             });
             ++suffix) {
            name = std::to_string(number) + " " + (label.empty() ? "Tile" : label) + " " +
                   std::to_string(suffix);
        }
        keys.push_back(name);
    }
    // The menu takes its buttons in the registry's order; tile 1 goes to the first key it reads.
    std::sort(keys.begin(), keys.end(), RegistryOrder);
    return keys;
}

std::vector<std::string> StalePanelValues(bool machine, const std::vector<SettingValue>& values)
{
    std::vector<std::string> names;
    AddPanelValueNames(RootOf(machine), &names);
    if (!machine) {
        AddPanelValueNames(HKEY_LOCAL_MACHINE, &names);
    }
    std::vector<std::string> stale;
    for (const std::string& name : names) {
        if (!IsPanelBitmapName(name)) {
            continue;
        }
        const auto same = [&](const std::string& other) { return SameKeyName(name, other); };
        const bool set = std::any_of(values.begin(), values.end(), [&](const SettingValue& v) {
            return v.key == "Panel" && SameKeyName(v.name, name);
        });
        if (!set && std::none_of(stale.begin(), stale.end(), same)) {
            stale.push_back(name);
        }
    }
    return stale;
}

WriteResult WriteRegistry(bool machine, const std::vector<SettingValue>& values,
                          std::string* error)
{
    RegistryUndo undo = {RootOf(machine), {}, {}};
    for (const SettingValue& value : values) {
        const LONG result = WriteOne(&undo, value);
        if (result != ERROR_SUCCESS) {
            Undo(undo);
            char text[512];
            snprintf(text, sizeof text, "cannot write %s\\%s\\%s value \"%s\" (error %ld)",
                     machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER", appKeyPath,
                     value.key.c_str(), value.name.c_str(), static_cast<long>(result));
            *error = text;
            return result == ERROR_ACCESS_DENIED ? WriteDenied : WriteFailed;
        }
    }
    return WriteDone;
}

WriteResult WriteRegFile(const std::wstring& path, bool machine,
                         const std::vector<SettingValue>& values, std::wstring* error)
{
    const std::wstring base =
        std::wstring(machine ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + Wide(appKeyPath);
    // The file replaces the Buttons key whole: a button of another name left beside the six
    // would join them and shift the order the menu reads them in.
    std::wstring text = L"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n[-" + base +
                        L"\\Buttons]\r\n";
    std::string currentKey;
    bool started = false;
    for (const SettingValue& value : values) {
        if (!started || value.key != currentKey) {
            started = true;
            currentKey = value.key;
            text += L"\r\n[" + base + (value.key.empty() ? L"" : L"\\" + Wide(value.key)) +
                    L"]\r\n";
        }
        text += L"\"" + Escaped(Wide(value.name)) + L"\"=";
        if (value.type == REG_DWORD) {
            wchar_t number[16];
            swprintf(number, 16, L"dword:%08lx", static_cast<unsigned long>(value.number));
            text += number;
        } else {
            text += L"\"" + Escaped(value.text) + L"\"";
        }
        text += L"\r\n";
    }
    const std::wstring temporary = path + L".new";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        *error = L"cannot write \"" + temporary + L"\" (error " + std::to_wstring(code) + L")";
        return code == ERROR_ACCESS_DENIED ? WriteDenied : WriteFailed;
    }
    const DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    const BOOL wrote = WriteFile(file, text.data(), size, &written, nullptr);
    const BOOL closed = CloseHandle(file);
    if (!wrote || written != size || !closed ||
        !MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD code = GetLastError();
        DeleteFileW(temporary.c_str());
        *error = L"cannot write \"" + path + L"\" (error " + std::to_wstring(code) + L")";
        return code == ERROR_ACCESS_DENIED ? WriteDenied : WriteFailed;
    }
    return WriteDone;
}

namespace {

const char* const skinKeys[] = {"Panel", "Buttons"};

bool HoldsAnything(const std::string& key)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, FullKey(key).c_str(), 0, KEY_READ, &opened) !=
        ERROR_SUCCESS) {
        return false;
    }
    DWORD subKeys = 0;
    DWORD values = 0;
    const LONG result = RegQueryInfoKeyA(opened, nullptr, nullptr, nullptr, &subKeys, nullptr,
                                         nullptr, &values, nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    return result == ERROR_SUCCESS && (subKeys > 0 || values > 0);
}

}  // namespace

bool HasPersonalSkinSettings()
{
    return HoldsAnything(skinKeys[0]) || HoldsAnything(skinKeys[1]);
}

WriteResult ResetPersonalSettings(bool* removed, std::wstring* error)
{
    *removed = false;
    for (const char* key : skinKeys) {
        const std::wstring path = Wide(FullKey(key));
        const LONG result = RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
        if (result == ERROR_SUCCESS) {
            *removed = true;
            RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
        } else if (result != ERROR_FILE_NOT_FOUND) {
            *error = L"cannot remove HKEY_CURRENT_USER\\" + path + L" (error " +
                     std::to_wstring(result) + L")";
            return result == ERROR_ACCESS_DENIED ? WriteDenied : WriteFailed;
        }
    }
    return WriteDone;
}
