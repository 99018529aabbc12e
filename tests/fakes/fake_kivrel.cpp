// The fake profile store: serves fake::CurrentSettings() and logs every call.
#include "outside/kivrel.h"
#include "tests/fakes/fake_outside.h"

#include <cstring>

namespace {

std::string Text(const char* text)
{
    return text != nullptr ? text : "(null)";
}

void Log(const std::string& line)
{
    fake::Calls().push_back(line);
}

// Copies like the real store: a text that does not fit is a failed read with an empty buffer.
int CopyOut(const std::string& text, char* buffer, int bufferSize)
{
    if (buffer == nullptr || bufferSize < 1) {
        return 0;
    }
    if (static_cast<int>(text.size()) >= bufferSize) {
        buffer[0] = '\0';
        return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 1;
}

int ReadString(const char* keyPath, const char* valueName, char* buffer, int bufferSize)
{
    auto& strings = fake::CurrentSettings().strings;
    auto key = strings.find(Text(keyPath));
    if (key == strings.end()) {
        return 0;
    }
    auto value = key->second.find(Text(valueName));
    if (value == key->second.end()) {
        return 0;
    }
    return CopyOut(value->second, buffer, bufferSize);
}

}  // namespace

extern "C" int Kivrel_SetUserProfileInfo(const char* userName, const char* applicationKey)
{
    Log("Kivrel_SetUserProfileInfo(" + Text(userName) + ", " + Text(applicationKey) + ")");
    return 1;
}

extern "C" int Kivrel_GetProfileStringEx(const char* keyPath, const char* valueName, char* buffer,
                                         int bufferSize, int searchMachineTree,
                                         const char* defaultText, int reserved)
{
    Log("Kivrel_GetProfileStringEx(" + Text(keyPath) + ", " + Text(valueName) + ", " +
        std::to_string(bufferSize) + ", " + std::to_string(searchMachineTree) + ", " +
        Text(defaultText) + ", " + std::to_string(reserved) + ")");
    return ReadString(keyPath, valueName, buffer, bufferSize);
}

extern "C" int Kivrel_GetProfileString(const char* keyPath, const char* valueName, char* buffer,
                                       int bufferSize)
{
    Log("Kivrel_GetProfileString(" + Text(keyPath) + ", " + Text(valueName) + ", " +
        std::to_string(bufferSize) + ")");
    return ReadString(keyPath, valueName, buffer, bufferSize);
}

// The fake keeps its strings as 8-bit text; the wide read takes them as UTF-8, so a test can
// hand the menu a label in any script.
extern "C" int Kivrel_GetProfileStringW(const char* keyPath, const char* valueName,
                                        wchar_t* buffer, int bufferSize)
{
    Log("Kivrel_GetProfileStringW(" + Text(keyPath) + ", " + Text(valueName) + ", " +
        std::to_string(bufferSize) + ")");
    char text[1024];
    if (buffer == nullptr || bufferSize < 1 || !ReadString(keyPath, valueName, text, sizeof text)) {
        return 0;
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, buffer, bufferSize);
    if (length == 0) {
        buffer[0] = L'\0';
    }
    return length != 0 ? 1 : 0;
}

extern "C" int Kivrel_EnumKeyName(const char* keyPath, int index, char* name, DWORD* nameSize,
                                  int searchMachineTree)
{
    Log("Kivrel_EnumKeyName(" + Text(keyPath) + ", " + std::to_string(index) + ", " +
        std::to_string(nameSize != nullptr ? *nameSize : 0) + ", " +
        std::to_string(searchMachineTree) + ")");
    auto& subKeys = fake::CurrentSettings().subKeys;
    auto key = subKeys.find(Text(keyPath));
    if (nameSize == nullptr || key == subKeys.end() || index < 0 ||
        index >= static_cast<int>(key->second.size())) {
        return 0;
    }
    const std::string& found = key->second[index];
    if (!CopyOut(found, name, static_cast<int>(*nameSize))) {
        *nameSize = 0;
        return 0;
    }
    *nameSize = static_cast<DWORD>(found.size());
    return 1;
}

extern "C" int Kivrel_GetProfileDWord(const char* keyPath, const char* valueName, DWORD* value)
{
    Log("Kivrel_GetProfileDWord(" + Text(keyPath) + ", " + Text(valueName) + ")");
    auto& dwords = fake::CurrentSettings().dwords;
    auto key = dwords.find(Text(keyPath));
    if (key == dwords.end() || value == nullptr) {
        return 0;
    }
    auto found = key->second.find(Text(valueName));
    if (found == key->second.end()) {
        return 0;
    }
    *value = found->second;
    return 1;
}

// The string values' names, then the DWORD values', each in name order.
extern "C" int Kivrel_EnumValueName(const char* keyPath, int index, char* name, DWORD* nameSize,
                                    int searchMachineTree)
{
    Log("Kivrel_EnumValueName(" + Text(keyPath) + ", " + std::to_string(index) + ", " +
        std::to_string(searchMachineTree) + ")");
    std::vector<std::string> names;
    const auto& settings = fake::CurrentSettings();
    if (auto strings = settings.strings.find(Text(keyPath)); strings != settings.strings.end()) {
        for (const auto& value : strings->second) {
            names.push_back(value.first);
        }
    }
    if (auto dwords = settings.dwords.find(Text(keyPath)); dwords != settings.dwords.end()) {
        for (const auto& value : dwords->second) {
            names.push_back(value.first);
        }
    }
    if (nameSize == nullptr || index < 0 || index >= static_cast<int>(names.size()) ||
        !CopyOut(names[index], name, static_cast<int>(*nameSize))) {
        if (nameSize != nullptr) {
            *nameSize = 0;
        }
        return 0;
    }
    *nameSize = static_cast<DWORD>(names[index].size());
    return 1;
}
