#include "tests/fakes/fake_outside.h"

namespace fake {

std::vector<std::string>& Calls()
{
    static std::vector<std::string> calls;
    return calls;
}

std::vector<std::string> CallsStartingWith(const std::string& prefix)
{
    std::vector<std::string> matching;
    for (const std::string& call : Calls()) {
        if (call.compare(0, prefix.size(), prefix) == 0) {
            matching.push_back(call);
        }
    }
    return matching;
}

Settings& CurrentSettings()
{
    static Settings settings;
    return settings;
}

LaunchWorld& World()
{
    static LaunchWorld world;
    return world;
}

void SetString(const std::string& keyPath, const std::string& valueName, const std::string& data)
{
    CurrentSettings().strings[keyPath][valueName] = data;
}

void SetDWord(const std::string& keyPath, const std::string& valueName, DWORD data)
{
    CurrentSettings().dwords[keyPath][valueName] = data;
}

void AddSubKey(const std::string& keyPath, const std::string& name)
{
    CurrentSettings().subKeys[keyPath].push_back(name);
}

void Reset()
{
    Calls().clear();
    CurrentSettings() = Settings();
    World() = LaunchWorld();
}

}  // namespace fake
