// The screen sizes the settings name. The profile store has no way to list a key's values, so the
// checker reads the value names straight from the registry, where the store keeps them: the
// user's tree and the machine-wide tree below the same application key, whose values the store
// layers one over the other. Each name is read back the way the menu would ask for it, and names
// the menu never asks for are warned about.
#include "skincheck/skincheck.h"

#include "skin/skin.h"

#include <cstdio>

namespace {

const char section[] = "settings";
const char panelKey[] = "Panel";

struct SizeList {
    SIZE* sizes;
    int count;
    int capacity;
};

// Calls visit for every value name of the key in both trees; a name in both is visited twice, so
// a warning names each tree that holds the value. A name too long for the menu's buffers is
// warned about and passed over: the values after it are still read.
template <typename Visit>
void VisitValueNames(Report* report, const char* applicationKey, const char* keyPath, Visit visit)
{
    const HKEY roots[2] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};
    for (HKEY root : roots) {
        HKEY key = OpenSettingsKey(root, applicationKey, keyPath);
        if (key == nullptr) {
            continue;
        }
        char name[KeyCapacity];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof name;
            const LONG status =
                RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            const char* tree = root == HKEY_CURRENT_USER ? "user" : "machine";
            if (status == ERROR_MORE_DATA) {
                ReportProblem(report, section, false,
                              "%s: value number %lu (%s tree) has a name of %d characters or "
                              "more: the menu never reads it",
                              keyPath, static_cast<unsigned long>(index), tree, KeyCapacity);
                continue;
            }
            if (status != ERROR_SUCCESS) {
                break;
            }
            visit(tree, name);
        }
        RegCloseKey(key);
    }
}

bool Contains(const SizeList& list, int width, int height)
{
    for (int i = 0; i < list.count; ++i) {
        if (list.sizes[i].cx == width && list.sizes[i].cy == height) {
            return true;
        }
    }
    return false;
}

// Reads a value name as the menu would ask for it, and warns about one that looks like a size's
// but is never read. Returns its kind, with the group and size set for the names the menu reads.
int ReadSizeName(Report* report, const char* keyPath, const char* tree, const char* name,
                 int* group, int* width, int* height)
{
    const int kind = ParseSkinValueName(name, group, width, height);
    if (kind == ClassicSizeAsOther) {
        char classic[SkinValueNameCapacity];
        FormatSkinValueName(*width, *height, *group, classic);
        ReportProblem(report, section, false,
                      "%s: %s (%s tree): %dx%d is a classic size, read as \"%s\": this value is "
                      "ignored",
                      keyPath, name, tree, *width, *height, classic);
    } else if (kind == UnacceptedSizeName) {
        ReportProblem(report, section, false,
                      "%s: %s (%s tree): the menu shows on 640x480 to 7680x4320 only: this value "
                      "is ignored",
                      keyPath, name, tree);
    } else if (kind == UnreadableSizeName) {
        ReportProblem(report, section, false,
                      "%s: %s (%s tree): not a size name the menu reads (\"Mode 1\"..\"Mode 3\" "
                      "or WxH, such as 1920x1080): this value is ignored",
                      keyPath, name, tree);
    }
    return kind;
}

} // namespace

int ListNamedSizes(Report* report, const char* applicationKey, SIZE* sizes, int capacity)
{
    SizeList list = {sizes, 0, capacity};
    int beyond = 0;
    VisitValueNames(report, applicationKey, panelKey, [&](const char* tree, const char* name) {
        int group = 0, width = 0, height = 0;
        const int kind = ReadSizeName(report, panelKey, tree, name, &group, &width, &height);
        if (kind != NotASkinName && group == RectangleGroup) {
            ReportProblem(report, section, false,
                          "%s: %s (%s tree): a button rectangle, which the menu reads from the "
                          "button's own key under Buttons only: this value is ignored",
                          panelKey, name, tree);
            return;
        }
        if (kind != OtherSizeName || Contains(list, width, height)) {
            return;
        }
        if (list.count == list.capacity) {
            ++beyond;
            return;
        }
        list.sizes[list.count].cx = width;
        list.sizes[list.count].cy = height;
        ++list.count;
    });
    if (beyond > 0) {
        ReportProblem(report, section, false,
                      "%s: more sizes are named than the %d this check takes: %d value%s of "
                      "further sizes not checked",
                      panelKey, list.capacity + 3, beyond, beyond == 1 ? "" : "s");
    }
    // A rectangle of a size the panel does not name is never read: the menu does not start there.
    char name[KeyCapacity];
    char keyPath[KeyCapacity];
    for (int index = 0; index < ButtonsUsed && EnumerateButtonName(index, name); ++index) {
        if (!BuildButtonKeyPath(keyPath, name)) {
            continue;
        }
        VisitValueNames(report, applicationKey, keyPath, [&](const char* tree, const char* value) {
            int group = 0, width = 0, height = 0;
            const int kind = ReadSizeName(report, keyPath, tree, value, &group, &width, &height);
            if (kind != NotASkinName && group != RectangleGroup) {
                ReportProblem(report, section, false,
                              "%s: %s (%s tree): a panel bitmap, which the menu reads from "
                              "\"Panel\" only: this value is ignored",
                              keyPath, value, tree);
                return;
            }
            if (kind == OtherSizeName && beyond == 0 && !Contains(list, width, height)) {
                ReportProblem(report, section, false,
                              "%s: %s (%s tree): \"Panel\" names no bitmap for %dx%d: this "
                              "value is never read",
                              keyPath, value, tree, width, height);
            }
        });
    }
    return list.count;
}
