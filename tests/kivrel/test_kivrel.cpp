// The real Kivrel.dll against the registry of the test prefix.
#include "outside/kivrel.h"
#include "tests/bench/bench.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char appKey[] = "VelnorTest\\KivrelStore";
const char softwareKey[] = "Software\\VelnorTest\\KivrelStore";

class KivrelStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        bench::DeleteTree(HKEY_CURRENT_USER, softwareKey);
        bench::DeleteTree(HKEY_LOCAL_MACHINE, softwareKey);
        ASSERT_EQ(1, Kivrel_SetUserProfileInfo(nullptr, appKey));
    }
    void TearDown() override
    {
        bench::DeleteTree(HKEY_CURRENT_USER, softwareKey);
        bench::DeleteTree(HKEY_LOCAL_MACHINE, softwareKey);
    }

    static void User(const std::string& key, const std::string& name, const std::string& value)
    {
        ASSERT_TRUE(bench::WriteString(HKEY_CURRENT_USER, Path(key), name, value));
    }
    static void Machine(const std::string& key, const std::string& name, const std::string& value)
    {
        ASSERT_TRUE(bench::WriteString(HKEY_LOCAL_MACHINE, Path(key), name, value));
    }
    static std::string Path(const std::string& key)
    {
        return std::string(softwareKey) + "\\" + key;
    }
    static void WriteRaw(HKEY root, const std::string& key, const std::string& name, DWORD type,
                         const void* data, DWORD size)
    {
        HKEY handle = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, Path(key).c_str(), 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &handle, nullptr));
        RegSetValueExA(handle, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(handle);
    }

    // Reads as the skin does: a zero-filled buffer, the constant arguments 1, null, 0.
    static std::string Read(const char* key, const char* name, int size = 256, int* result = nullptr)
    {
        char buffer[512];
        memset(buffer, 'x', sizeof buffer);
        buffer[0] = 'x';
        int ok = Kivrel_GetProfileStringEx(key, name, buffer, size, 1, nullptr, 0);
        if (result != nullptr) {
            *result = ok;
        }
        if (!ok) {
            EXPECT_EQ('\0', buffer[0]) << "a failed read must leave the buffer empty";
            return "<failed>";
        }
        return buffer;
    }
};

TEST_F(KivrelStore, UserValuesLayerOverTheMachineTreeValueByValue)
{
    Machine("Panel", "Normal Bitmap Mode 3", "machine.bmp");
    Machine("Panel", "Selected Bitmap Mode 3", "machine-lit.bmp");
    Machine("Buttons\\Mail", "Command", "machine-mail");
    ASSERT_TRUE(bench::WriteDWord(HKEY_LOCAL_MACHINE, Path("Buttons\\Mail"), "Remote Code", 321));

    // The user has no "Panel" key: the machine-wide key serves with all its values.
    EXPECT_EQ("machine.bmp", Read("Panel", "Normal Bitmap Mode 3"));
    EXPECT_EQ("machine-lit.bmp", Read("Panel", "Selected Bitmap Mode 3"));

    // A "Panel" key of the user's own changes only the values it holds.
    User("Panel", "Normal Bitmap Mode 3", "mine.bmp");
    EXPECT_EQ("mine.bmp", Read("Panel", "Normal Bitmap Mode 3"));
    EXPECT_EQ("machine-lit.bmp", Read("Panel", "Selected Bitmap Mode 3"));

    // The user's "Command" alone: the remote code still comes from the machine-wide key.
    User("Buttons\\Mail", "Command", "my-mail");
    char command[256] = {};
    EXPECT_EQ(1, Kivrel_GetProfileString("Buttons\\Mail", "Command", command, sizeof command));
    EXPECT_STREQ("my-mail", command);
    DWORD code = 0;
    EXPECT_EQ(1, Kivrel_GetProfileDWord("Buttons\\Mail", "Remote Code", &code));
    EXPECT_EQ(321u, code);

    // A value the user holds is the user's even when it is unusable: no machine value behind it.
    DWORD number = 7;
    WriteRaw(HKEY_CURRENT_USER, "Panel", "Selected Bitmap Mode 3", REG_DWORD, &number,
             sizeof number);
    EXPECT_EQ("<failed>", Read("Panel", "Selected Bitmap Mode 3"));
    User("Buttons\\Mail", "Remote Code", "text");
    EXPECT_EQ(0, Kivrel_GetProfileDWord("Buttons\\Mail", "Remote Code", &code));

    // Without permission to search the machine tree, only the user's values count.
    char buffer[256] = {};
    EXPECT_EQ(1, Kivrel_GetProfileStringEx("Buttons\\Mail", "Command", buffer, 256, 0, nullptr, 0));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", "Region Template Mode 3", buffer, 256, 0,
                                           nullptr, 0));
    Machine("Panel", "Region Template Mode 3", "machine-template.bmp");
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", "Region Template Mode 3", buffer, 256, 0,
                                           nullptr, 0));
    EXPECT_EQ("machine-template.bmp", Read("Panel", "Region Template Mode 3"));
}

TEST_F(KivrelStore, LongKeyPathsOpenBelowTheApplicationKey)
{
    // "Buttons\\" and a 247-character name: the longest key path the menu builds. Some systems
    // refuse a path that long from the root, so the test writes it below the application key.
    const std::string name(247, 'n');
    HKEY application = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, softwareKey, 0, nullptr, 0,
                                             KEY_WRITE, nullptr, &application, nullptr));
    HKEY button = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(application, ("Buttons\\" + name).c_str(), 0, nullptr,
                                             0, KEY_WRITE, nullptr, &button, nullptr));
    const char command[] = "long-command";
    RegSetValueExA(button, "Command", 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                   sizeof command);
    const DWORD code = 61456;
    RegSetValueExA(button, "Remote Code", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&code),
                   sizeof code);
    RegCloseKey(button);
    RegCloseKey(application);

    const std::string keyPath = "Buttons\\" + name;
    ASSERT_EQ(255u, keyPath.size());
    EXPECT_EQ("long-command", Read(keyPath.c_str(), "Command"));
    DWORD value = 0;
    EXPECT_EQ(1, Kivrel_GetProfileDWord(keyPath.c_str(), "Remote Code", &value));
    EXPECT_EQ(code, value);
    char found[256] = {};
    DWORD size = 256;
    EXPECT_EQ(1, Kivrel_EnumKeyName("Buttons", 0, found, &size, 1));
    EXPECT_EQ(name, found);
    EXPECT_EQ(247u, size);
}

TEST_F(KivrelStore, StringTypesAndBufferSizes)
{
    User("Panel", "Plain", "abc");
    WriteRaw(HKEY_CURRENT_USER, "Panel", "Expanded", REG_EXPAND_SZ, "%SystemRoot%\\x.bmp", 20);
    DWORD number = 7;
    WriteRaw(HKEY_CURRENT_USER, "Panel", "Number", REG_DWORD, &number, sizeof number);
    // Stored without a terminator: the store must not read past the data.
    WriteRaw(HKEY_CURRENT_USER, "Panel", "Unterminated", REG_SZ, "xyz", 3);
    User("Panel", "Len255", std::string(255, 'a'));
    User("Panel", "Len256", std::string(256, 'b'));

    EXPECT_EQ("abc", Read("Panel", "Plain"));
    char expected[MAX_PATH];
    ExpandEnvironmentStringsA("%SystemRoot%\\x.bmp", expected, MAX_PATH);
    EXPECT_EQ(expected, Read("Panel", "Expanded"));
    EXPECT_EQ("<failed>", Read("Panel", "Number"));
    EXPECT_EQ("xyz", Read("Panel", "Unterminated"));

    EXPECT_EQ(std::string(255, 'a'), Read("Panel", "Len255", 256));
    // Expanded strings at the same edge.
    SetEnvironmentVariableA("TILEBOX_TEST_PAD", std::string(250, 'p').c_str());
    WriteRaw(HKEY_CURRENT_USER, "Panel", "Expand255", REG_EXPAND_SZ, "%TILEBOX_TEST_PAD%12345", 24);
    WriteRaw(HKEY_CURRENT_USER, "Panel", "Expand256", REG_EXPAND_SZ, "%TILEBOX_TEST_PAD%123456",
             25);
    EXPECT_EQ(std::string(250, 'p') + "12345", Read("Panel", "Expand255", 256));
    EXPECT_EQ("<failed>", Read("Panel", "Expand256", 256)) << "never a truncated success";
    EXPECT_EQ(std::string(250, 'p') + "123456", Read("Panel", "Expand256", 257));
    EXPECT_EQ("<failed>", Read("Panel", "Len256", 256)) << "never a truncated success";
    EXPECT_EQ("<failed>", Read("Panel", "Plain", 3));
    EXPECT_EQ("abc", Read("Panel", "Plain", 4));
}

TEST_F(KivrelStore, DWordValues)
{
    User("Buttons\\Mail", "Text", "321");
    ASSERT_TRUE(bench::WriteDWord(HKEY_CURRENT_USER, Path("Buttons\\Mail"), "Remote Code", 321));
    ASSERT_TRUE(bench::WriteDWord(HKEY_LOCAL_MACHINE, Path("Buttons\\Web"), "Remote Code", 320));

    DWORD value = 0;
    EXPECT_EQ(1, Kivrel_GetProfileDWord("Buttons\\Mail", "Remote Code", &value));
    EXPECT_EQ(321u, value);
    EXPECT_EQ(1, Kivrel_GetProfileDWord("Buttons\\Web", "Remote Code", &value));
    EXPECT_EQ(320u, value);

    // An empty key path is the application key itself; a null one is no key.
    ASSERT_TRUE(bench::WriteDWord(HKEY_LOCAL_MACHINE, softwareKey, "Home Keys", 0));
    value = 5;
    EXPECT_EQ(1, Kivrel_GetProfileDWord("", "Home Keys", &value));
    EXPECT_EQ(0u, value);
    EXPECT_EQ(0, Kivrel_GetProfileDWord(nullptr, "Home Keys", &value));

    value = 5;
    EXPECT_EQ(0, Kivrel_GetProfileDWord("Buttons\\Mail", "Text", &value)) << "wrong type";
    EXPECT_EQ(0, Kivrel_GetProfileDWord("Buttons\\Mail", "Missing", &value));
    EXPECT_EQ(0, Kivrel_GetProfileDWord("Buttons\\None", "Remote Code", &value));
    EXPECT_EQ(0, Kivrel_GetProfileDWord("Buttons\\Mail", "Remote Code", nullptr));
    EXPECT_EQ(5u, value) << "a failed read leaves the value alone";
}

// Value names position by position: the user's, then the machine-wide ones the user's key does
// not hold; a name the buffer cannot hold, or one the user's key stands over, is a position to
// skip, not the end.
TEST_F(KivrelStore, EnumeratesTheValueNamesOfBothTrees)
{
    User("Panel", "Alpha", "a");
    User("Panel", "Beta", "b");
    Machine("Panel", "Beta", "c");
    Machine("Panel", std::string(300, 'L'), "d");
    Machine("Panel", "Theirs", "e");
    std::string names;
    char name[256];
    DWORD size = sizeof name;
    for (int index = 0; Kivrel_EnumValueName("Panel", index, name, &size, 1); ++index) {
        names += std::string(name) + ";" + std::to_string(size) + ";";
        size = sizeof name;
    }
    EXPECT_EQ("Alpha;5;Beta;4;;0;;0;Theirs;6;", names);
    EXPECT_EQ(0, Kivrel_EnumValueName("Panel", 2, name, &size, 0)) << "the user's tree alone";
    EXPECT_EQ(0, Kivrel_EnumValueName("", 0, name, &size, 1));
}

// Every sub-key name of keyPath through the store, joined with ";".
std::string EnumerateAll(const char* keyPath, int searchMachineTree)
{
    std::string seen;
    char name[256];
    for (int index = 0;; ++index) {
        DWORD size = 256;
        if (!Kivrel_EnumKeyName(keyPath, index, name, &size, searchMachineTree)) {
            EXPECT_EQ(0u, size);
            EXPECT_STREQ("", name);
            return seen;
        }
        EXPECT_EQ(static_cast<DWORD>(lstrlenA(name)), size);
        seen += std::string(name) + ";";
    }
}

TEST_F(KivrelStore, EnumeratesTheSubKeysOfBothTrees)
{
    for (const char* name : {"Alpha", "Beta", "Gamma", "_under"}) {
        Machine(std::string("Buttons\\") + name, "Remote Code Text", "x");
    }
    EXPECT_EQ("Alpha;Beta;Gamma;_under;", EnumerateAll("Buttons", 1));

    // A name longer than the buffer is a failure, not a cut name.
    char name[256];
    DWORD size = 4;
    EXPECT_EQ(0, Kivrel_EnumKeyName("Buttons", 0, name, &size, 1));
    EXPECT_EQ(0u, size);

    // The user's own "Buttons" key adds to the machine-wide one; a name both trees have comes
    // once, spelt as the user's tree spells it.
    for (const char* mine : {"beta", "Delta", "Aardvark", "9 Nine"}) {
        User(std::string("Buttons\\") + mine, "Remote Code Text", "y");
    }
    const std::string merged = EnumerateAll("Buttons", 1);
    EXPECT_EQ("9 Nine;Aardvark;Alpha;beta;Delta;Gamma;_under;", merged);
    EXPECT_EQ("9 Nine;Aardvark;beta;Delta;", EnumerateAll("Buttons", 0));

    // The registry's own order for the same names in one key.
    for (const char* all : {"Alpha", "beta", "Gamma", "_under", "Delta", "Aardvark", "9 Nine"}) {
        Machine(std::string("OneTree\\") + all, "Remote Code Text", "z");
    }
    EXPECT_EQ(merged, EnumerateAll("OneTree", 1));
}

// What a load reads: the panel's file, then each button's name and rectangle, and what a click
// on the first button reads.
std::string Load()
{
    char text[256] = {};
    std::string seen =
        Kivrel_GetProfileString("Panel", "Normal Bitmap Mode 3", text, 256) ? text : "-";
    char name[256];
    DWORD size = 256;
    for (int index = 0; Kivrel_EnumKeyName("Buttons", index, name, &size, 1); ++index, size = 256) {
        const std::string key = std::string("Buttons\\") + name;
        text[0] = '\0';
        Kivrel_GetProfileStringEx(key.c_str(), "Rectangle Mode 3", text, 128, 1, nullptr, 0);
        seen += std::string(";") + name + "=" + text;
    }
    DWORD code = 0;
    Kivrel_GetProfileDWord("Buttons\\A", "Remote Code", &code);
    return seen + ";code " + std::to_string(code);
}

TEST_F(KivrelStore, EveryChangeIsSeenByTheNextLoad)
{
    Machine("Panel", "Normal Bitmap Mode 3", "machine.bmp");
    Machine("Buttons\\A", "Rectangle Mode 3", "1");
    ASSERT_TRUE(bench::WriteDWord(HKEY_LOCAL_MACHINE, Path("Buttons\\A"), "Remote Code", 320));
    EXPECT_EQ("machine.bmp;A=1;code 320", Load());

    Machine("Panel", "Normal Bitmap Mode 3", "other.bmp");
    Machine("Buttons\\B", "Rectangle Mode 3", "2");
    EXPECT_EQ("other.bmp;A=1;B=2;code 320", Load());
    bench::DeleteTree(HKEY_LOCAL_MACHINE, Path("Buttons\\B"));
    EXPECT_EQ("other.bmp;A=1;code 320", Load());

    // The user's tree, made after the first loads, then changed the same ways.
    User("Buttons\\C", "Rectangle Mode 3", "3");
    EXPECT_EQ("other.bmp;A=1;C=3;code 320", Load());
    User("Panel", "Normal Bitmap Mode 3", "mine.bmp");
    ASSERT_TRUE(bench::WriteDWord(HKEY_CURRENT_USER, Path("Buttons\\A"), "Remote Code", 321));
    EXPECT_EQ("mine.bmp;A=1;C=3;code 321", Load());
    bench::DeleteTree(HKEY_CURRENT_USER, Path("Buttons\\C"));
    EXPECT_EQ("mine.bmp;A=1;code 321", Load());

    // Both application keys deleted and made anew: handles kept open to the old ones see nothing.
    bench::DeleteTree(HKEY_CURRENT_USER, softwareKey);
    bench::DeleteTree(HKEY_LOCAL_MACHINE, softwareKey);
    EXPECT_EQ("-;code 0", Load());
    User("Panel", "Normal Bitmap Mode 3", "new.bmp");
    Machine("Buttons\\A", "Rectangle Mode 3", "4");
    ASSERT_TRUE(bench::WriteDWord(HKEY_CURRENT_USER, Path("Buttons\\A"), "Remote Code", 1713));
    EXPECT_EQ("new.bmp;A=4;code 1713", Load());
    bench::DeleteTree(HKEY_CURRENT_USER, softwareKey);
    User("Buttons\\A", "Remote Code Text", "x");
    EXPECT_EQ("-;A=4;code 0", Load());
}

// The sub-key names at the given indexes, in that order of calls, joined with ";" ("-" for an
// index with no name).
std::string EnumerateAt(const char* keyPath, std::initializer_list<int> indexes)
{
    std::string seen;
    for (int index : indexes) {
        char name[256];
        DWORD size = 256;
        seen += Kivrel_EnumKeyName(keyPath, index, name, &size, 1) ? name : "-";
        seen += ";";
    }
    return seen;
}

TEST_F(KivrelStore, KeptKeysAndEnumerationsFollowEveryChange)
{
    // Seventeen key paths: more than the store keeps open, so each round of reads pushes out
    // kept keys while they are still read, and reopens them.
    auto read = [](int i) { return Read(("Keys\\K" + std::to_string(i)).c_str(), "Value"); };
    for (int i = 0; i < 17; ++i) {
        User("Keys\\K" + std::to_string(i), "Value", "first " + std::to_string(i));
    }
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 17; ++i) {
            EXPECT_EQ("first " + std::to_string(i), read(i)) << round << " " << i;
        }
    }
    // The 17th pushed the first key's slot out: the first key is opened again, and the keys
    // kept meanwhile still answer, each its own.
    User("Keys\\K0", "Value", "second 0");
    User("Keys\\K16", "Value", "second 16");
    EXPECT_EQ("second 0", read(0));
    EXPECT_EQ("second 16", read(16));
    EXPECT_EQ("first 1", read(1));
    bench::DeleteTree(HKEY_CURRENT_USER, Path("Keys\\K0"));
    EXPECT_EQ("<failed>", read(0));
    User("Keys\\K0", "Value", "third 0");
    EXPECT_EQ("third 0", read(0));

    // A button key deleted and made again while the application key stays: the handle kept to
    // the old key answers that it is deleted, and the new key is read.
    User("Buttons\\A", "Rectangle Mode 3", "1");
    Machine("Buttons\\B", "Rectangle Mode 3", "2");
    ASSERT_TRUE(bench::WriteDWord(HKEY_CURRENT_USER, Path("Buttons\\A"), "Remote Code", 320));
    EXPECT_EQ("-;A=1;B=2;code 320", Load());
    bench::DeleteTree(HKEY_CURRENT_USER, Path("Buttons\\A"));
    User("Buttons\\A", "Rectangle Mode 3", "3");
    EXPECT_EQ("-;A=3;B=2;code 0", Load());
    ASSERT_TRUE(bench::WriteDWord(HKEY_CURRENT_USER, Path("Buttons\\A"), "Remote Code", 321));
    bench::DeleteTree(HKEY_LOCAL_MACHINE, Path("Buttons\\B"));
    Machine("Buttons\\B", "Rectangle Mode 3", "4");
    EXPECT_EQ("-;A=3;B=4;code 321", Load());
    // The "Buttons" key itself, deleted and made again in the user's tree.
    bench::DeleteTree(HKEY_CURRENT_USER, Path("Buttons"));
    User("Buttons\\C", "Rectangle Mode 3", "5");
    EXPECT_EQ("-;B=4;C=5;code 0", Load());

    // An enumeration continued after a change goes on with the list its index 0 made, so no
    // name is skipped or given twice; the change is seen from the next index 0.
    EXPECT_EQ("B;", EnumerateAt("Buttons", {0}));
    User("Buttons\\Ba", "Rectangle Mode 3", "6");
    bench::DeleteTree(HKEY_CURRENT_USER, Path("Buttons\\C"));
    EXPECT_EQ("first 5", read(5)) << "a read in between continues nothing and ends nothing";
    EXPECT_EQ("C;-;", EnumerateAt("Buttons", {1, 2}));
    EXPECT_EQ("B;Ba;-;", EnumerateAt("Buttons", {0, 1, 2}));

    // Restarted at an index other than 0 (asked again, or begun there): the list is made anew.
    User("Buttons\\Aa", "Rectangle Mode 3", "7");
    EXPECT_EQ("B;", EnumerateAt("Buttons", {1})) << "index 1 again, after 2";
    EXPECT_EQ("B;Ba;", EnumerateAt("Buttons", {1, 2}));
    EXPECT_EQ("K1;", EnumerateAt("Keys", {1})) << "another key path's list between";
    EXPECT_EQ("Ba;-;", EnumerateAt("Buttons", {2, 3}));
    ASSERT_EQ(1, Kivrel_SetUserProfileInfo(nullptr, appKey));
    EXPECT_EQ("B;", EnumerateAt("Buttons", {1})) << "begun at 1 after a new selection";
}

TEST_F(KivrelStore, BadArgumentsFailCleanly)
{
    User("Panel", "Plain", "abc");
    char buffer[16] = "zzz";
    EXPECT_EQ(0, Kivrel_GetProfileStringEx(nullptr, "Plain", buffer, 16, 1, nullptr, 0));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("", "Plain", buffer, 16, 1, nullptr, 0));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", nullptr, buffer, 16, 1, nullptr, 0));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", "", buffer, 16, 1, nullptr, 0));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", "Plain", nullptr, 16, 1, nullptr, 0));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", "Plain", buffer, 0, 1, nullptr, 0));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", "Plain", buffer, -1, 1, nullptr, 0));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", "Plain", buffer, 16, 1, nullptr, 7));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Nothing", "Plain", buffer, 16, 1, nullptr, 0));

    DWORD size = 0;
    char name[16];
    EXPECT_EQ(0, Kivrel_EnumKeyName("Panel", 0, name, &size, 1));
    size = 16;
    EXPECT_EQ(0, Kivrel_EnumKeyName("Panel", -1, name, &size, 1));
    EXPECT_EQ(0, Kivrel_EnumKeyName("Panel", 0, nullptr, &size, 1));
    EXPECT_EQ(0, Kivrel_EnumKeyName("Panel", 0, name, nullptr, 1));
}

TEST_F(KivrelStore, DefaultTextServesOnlyAMissingValue)
{
    User("Panel", "Plain", "abc");
    DWORD number = 7;
    WriteRaw(HKEY_CURRENT_USER, "Panel", "Number", REG_DWORD, &number, sizeof number);
    char buffer[16];
    EXPECT_EQ(1, Kivrel_GetProfileStringEx("Panel", "Missing", buffer, 16, 1, "dflt", 0));
    EXPECT_STREQ("dflt", buffer);
    EXPECT_EQ(1, Kivrel_GetProfileStringEx("Panel", "Plain", buffer, 16, 1, "dflt", 0));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", "Number", buffer, 16, 1, "dflt", 0));
    EXPECT_EQ(0, Kivrel_GetProfileStringEx("Panel", "Missing", buffer, 3, 1, "dflt", 0));
}

TEST_F(KivrelStore, UserSelection)
{
    Machine("Panel", "Plain", "machine");
    User("Panel", "Plain", "user");

    char me[257];
    DWORD meSize = sizeof me;
    ASSERT_TRUE(GetUserNameA(me, &meSize));
    EXPECT_EQ(1, Kivrel_SetUserProfileInfo(me, appKey));
    EXPECT_EQ("user", Read("Panel", "Plain"));

    // An account that does not exist has no tree of its own: the defaults still serve.
    EXPECT_EQ(0, Kivrel_SetUserProfileInfo("no-such-account-here", appKey));
    EXPECT_EQ("machine", Read("Panel", "Plain"));

    // No application key: nothing can be read until one is selected.
    EXPECT_EQ(0, Kivrel_SetUserProfileInfo(nullptr, nullptr));
    EXPECT_EQ("<failed>", Read("Panel", "Plain"));
    EXPECT_EQ(0, Kivrel_SetUserProfileInfo(nullptr, ""));
    EXPECT_EQ("<failed>", Read("Panel", "Plain"));

    EXPECT_EQ(1, Kivrel_SetUserProfileInfo(nullptr, appKey));
    EXPECT_EQ("user", Read("Panel", "Plain"));
}

// --- The wide read ----------------------------------------------------------------------------
// A label in any script: read whole through the wide call, layered like every other read, with
// the same rules for types, sizes and a key deleted under the store.

class KivrelWideRead : public KivrelStore {
protected:
    static void WideValue(HKEY root, const std::string& key, const wchar_t* name, DWORD type,
                          const std::wstring& text, bool terminated = true)
    {
        HKEY handle = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, Path(key).c_str(), 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &handle, nullptr));
        RegSetValueExW(handle, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t)));
        RegCloseKey(handle);
    }
    static std::wstring ReadWide(const char* key, const char* name, int size = 256)
    {
        wchar_t buffer[600];
        wmemset(buffer, L'x', 600);
        if (!Kivrel_GetProfileStringW(key, name, buffer, size)) {
            EXPECT_EQ(L'\0', buffer[0]) << "a failed read must leave the buffer empty";
            return L"<failed>";
        }
        return buffer;
    }
};

TEST_F(KivrelWideRead, EveryCharacterArrivesWholeLayeredOverTheMachineTree)
{
    const std::wstring greek = L"\x03A4\x03B1\x03B9\x03BD\x03AF\x03B5\x03C2";
    const std::wstring star = L"\x2605 Internet";
    WideValue(HKEY_LOCAL_MACHINE, "Buttons\\1 Films", L"Name", REG_SZ, L"Films");
    WideValue(HKEY_LOCAL_MACHINE, "Buttons\\2 Web", L"Name", REG_SZ, star);
    WideValue(HKEY_CURRENT_USER, "Buttons\\1 Films", L"Name", REG_SZ, greek);
    EXPECT_EQ(greek, ReadWide("Buttons\\1 Films", "Name"));
    EXPECT_EQ(star, ReadWide("Buttons\\2 Web", "Name"));
    // The 8-bit read of the same value cannot carry it; that is why the wide one exists.
    EXPECT_NE(std::string::npos, Read("Buttons\\1 Films", "Name").find('?'));

    // Types, terminators and sizes as for the 8-bit read: 255 characters and the terminator fit.
    WideValue(HKEY_CURRENT_USER, "Panel", L"Unterminated", REG_SZ, L"\x03A9\x03A9", false);
    WideValue(HKEY_CURRENT_USER, "Panel", L"Long", REG_SZ, std::wstring(255, L'\x0416'));
    WideValue(HKEY_CURRENT_USER, "Panel", L"Longer", REG_SZ, std::wstring(300, L'\x0416'));
    WideValue(HKEY_CURRENT_USER, "Panel", L"Expanded", REG_EXPAND_SZ, L"%SystemRoot%\\\x03A9");
    ASSERT_TRUE(bench::WriteDWord(HKEY_CURRENT_USER, Path("Panel"), "Number", 7));
    EXPECT_EQ(L"\x03A9\x03A9", ReadWide("Panel", "Unterminated"));
    EXPECT_EQ(std::wstring(255, L'\x0416'), ReadWide("Panel", "Long", 256));
    EXPECT_EQ(L"<failed>", ReadWide("Panel", "Long", 255)) << "never a truncated success";
    EXPECT_EQ(std::wstring(300, L'\x0416'), ReadWide("Panel", "Longer", 301));
    wchar_t root[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH);
    EXPECT_EQ(std::wstring(root) + L"\\\x03A9", ReadWide("Panel", "Expanded"));
    EXPECT_EQ(L"<failed>", ReadWide("Panel", "Number")) << "a number is not text";
    EXPECT_EQ(L"<failed>", ReadWide("Panel", "Missing"));
    wchar_t one[4];
    EXPECT_EQ(0, Kivrel_GetProfileStringW(nullptr, "Name", one, 4));
    EXPECT_EQ(0, Kivrel_GetProfileStringW("Panel", "", one, 4));
    EXPECT_EQ(0, Kivrel_GetProfileStringW("Panel", "Unterminated", nullptr, 4));
    EXPECT_EQ(0, Kivrel_GetProfileStringW("Panel", "Unterminated", one, 0));

    // The user's key deleted and made anew under the store's kept handle: the new value is read.
    bench::DeleteTree(HKEY_CURRENT_USER, Path("Buttons"));
    WideValue(HKEY_CURRENT_USER, "Buttons\\1 Films", L"Name", REG_SZ, L"\x0416");
    EXPECT_EQ(L"\x0416", ReadWide("Buttons\\1 Films", "Name"));
}

}  // namespace
