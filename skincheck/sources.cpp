// Where each value of a button comes from when the user's tree and the machine-wide tree both
// have that button: the profile store reads a value from the user's key where it is there and
// from the machine-wide key otherwise, so a user who changes one value still gets the others
// from the defaults. The report names the tree of each value, so a skin author can tell a
// personal setting from an installed one.
#include "skincheck/skincheck.h"

#include "skin/skin.h"

namespace {

const char section[] = "sources";
const int valueNameCapacity = 256;

bool HasValue(HKEY key, const char* valueName)
{
    return RegQueryValueExA(key, valueName, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The store reads "Remote Code" as a 4-byte DWORD and every other value of a button as a string.
// A user's value of another type is still the user's, so the read fails: the machine-wide
// value below it is never reached.
bool StoreRefusesType(const char* valueName, DWORD type, DWORD size)
{
    if (lstrcmpiA(valueName, "Remote Code") == 0) {
        return type != REG_DWORD || size != sizeof(DWORD);
    }
    return type != REG_SZ && type != REG_EXPAND_SZ;
}

// One line per value of either key, in the user's key's order, then the machine-wide key's
// values the user's key lacks.
void ReportButtonSources(Report* report, const char* keyPath, HKEY user, HKEY machine)
{
    char valueName[valueNameCapacity];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof valueName;
        DWORD type = REG_NONE;
        DWORD dataSize = 0;
        if (RegEnumValueA(user, index, valueName, &size, nullptr, &type, nullptr, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        if (StoreRefusesType(valueName, type, dataSize)) {
            ReportLine(report,
                       "%s: %s: %s: a failed read: the user's tree holds it as a type "
                       "the store refuses%s",
                       section, keyPath, valueName,
                       HasValue(machine, valueName) ? ", and the machine-wide value is not read"
                                                    : "");
            continue;
        }
        ReportLine(report, "%s: %s: %s: user's tree%s", section, keyPath, valueName,
                   HasValue(machine, valueName) ? " (over the machine-wide value)" : "");
    }
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof valueName;
        if (RegEnumValueA(machine, index, valueName, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        if (!HasValue(user, valueName)) {
            ReportLine(report, "%s: %s: %s: machine-wide tree", section, keyPath, valueName);
        }
    }
}

} // namespace

HKEY OpenSettingsKey(HKEY root, const char* applicationKey, const char* keyPath)
{
    char softwareKey[KeyCapacity + 16];
    if (snprintf(softwareKey, sizeof softwareKey, "Software\\%s", applicationKey) >=
        static_cast<int>(sizeof softwareKey)) {
        return nullptr;
    }
    HKEY application = nullptr;
    if (RegOpenKeyExA(root, softwareKey, 0, KEY_READ, &application) != ERROR_SUCCESS) {
        return nullptr;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(application, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        key = nullptr;
    }
    RegCloseKey(application);
    return key;
}

void ReportValueSources(Report* report, const char* applicationKey)
{
    char name[KeyCapacity];
    char keyPath[KeyCapacity];
    for (int index = 0; index < ButtonsUsed && EnumerateButtonName(index, name); ++index) {
        if (!BuildButtonKeyPath(keyPath, name)) {
            continue;
        }
        HKEY user = OpenSettingsKey(HKEY_CURRENT_USER, applicationKey, keyPath);
        HKEY machine = OpenSettingsKey(HKEY_LOCAL_MACHINE, applicationKey, keyPath);
        if (user != nullptr && machine != nullptr) {
            ReportButtonSources(report, keyPath, user, machine);
        }
        if (user != nullptr) {
            RegCloseKey(user);
        }
        if (machine != nullptr) {
            RegCloseKey(machine);
        }
    }
}
