// One screen size checked the way the menu loads it: the three panel bitmaps through the
// menu's own loader, the verdict from the menu's own button table, and, beside it, each button
// traced on its own so that every broken one is named, not only the first.
#include "skincheck/skincheck.h"

#include "outside/kivrel.h"
#include "skin/gdi_guards.h"
#include "skin/rectangle_text.h"
#include "skin/region.h"
#include "skin/skin.h"
#include "skin/skin_limits.h"

#include <climits>

namespace {

const char panelKey[] = "Panel";

enum { PathCapacity = 256 };

struct ModeContext {
    Report* report;
    const SizeOptions* options;
    char section[SectionCapacity];
    int width;         // the screen's
    int height;
    int servedWidth;   // the named size whose settings serve the screen
    int servedHeight;
    const Skin* skin;  // its placement maps the served size's rectangles onto the screen
    long long traced;  // template pixels the buttons so far take of the load's budget
};

const char* ValueName(const ModeContext* context, int group, char* name)
{
    FormatSkinValueName(context->servedWidth, context->servedHeight, group, name);
    return name;
}

// Reads a value into a buffer of the given size; true when the read succeeded with a non-empty
// text, as the menu tests it.
bool ReadText(const char* key, const char* valueName, char* buffer, int size)
{
    ZeroMemory(buffer, size);
    return Kivrel_GetProfileStringEx(key, valueName, buffer, size, 1, nullptr, 0) != 0 &&
           buffer[0] != '\0';
}

// Why a value the menu could not read failed: a store refuses a text that does not fit the
// menu's buffer, which looks the same to the menu as a missing value.
void ReportUnreadable(ModeContext* context, const char* key, const char* valueName, int capacity)
{
    char longer[2048];
    if (ReadText(key, valueName, longer, sizeof longer)) {
        ReportProblem(context->report, context->section, true,
                      "%s: %s: longer than the %d characters the menu reads", key, valueName,
                      capacity - 1);
        return;
    }
    ReportProblem(context->report, context->section, true, "%s: %s: missing or empty", key,
                  valueName);
}

// The size of the bitmap in the file as the system loads it.
bool MeasureBitmapFile(const char* path, int* width, int* height)
{
    HANDLE loaded = LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
    if (loaded == nullptr) {
        return false;
    }
    BITMAP info;
    ZeroMemory(&info, sizeof info);
    const bool ok = GetObjectA(loaded, sizeof info, &info) != 0;
    DeleteObject(loaded);
    *width = info.bmWidth;
    *height = info.bmHeight;
    return ok;
}

// Loads one panel bitmap with the menu's loader and explains a failure.
HBITMAP CheckPanelBitmap(ModeContext* context, Skin* skin, const char* valueName)
{
    char fileName[PathCapacity];
    if (!ReadText(panelKey, valueName, fileName, sizeof fileName)) {
        ReportUnreadable(context, panelKey, valueName, PathCapacity);
        return nullptr;
    }
    const char* directory = context->options->directory;
    // Joined by the menu's own rule, so that an absolute value (a personal skin's) is checked
    // where the menu looks for it. The folder and the value are each shorter than PathCapacity,
    // so the join always fits this buffer and only the menu's limit can refuse it.
    char path[PathCapacity * 2] = {};
    BuildPanelPath(path, sizeof path, directory, fileName);
    if (lstrlenA(path) >= PathCapacity) {
        ReportProblem(context->report, context->section, true,
                      "%s: %s: the path \"%s\" is longer than the %d characters the menu allows",
                      panelKey, valueName, path, PathCapacity - 1);
        return nullptr;
    }
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ReportProblem(context->report, context->section, true, "%s: %s: file \"%s\" not found",
                      panelKey, valueName, path);
        return nullptr;
    }
    HBITMAP bitmap =
        LoadPanelBitmap(GetModuleHandleA(nullptr), skin, directory, panelKey, valueName);
    if (bitmap == nullptr) {
        ReportProblem(context->report, context->section, true,
                      "%s: %s: file \"%s\" is not a complete bitmap the menu can load", panelKey,
                      valueName, path);
        return nullptr;
    }
    int width = 0;
    int height = 0;
    if (MeasureBitmapFile(path, &width, &height) &&
        (width != context->servedWidth || height != context->servedHeight)) {
        ReportProblem(context->report, context->section, false,
                      "%s: %s: file \"%s\" is %dx%d, not %dx%d: it will be stretched", panelKey,
                      valueName, path, width, height, context->servedWidth,
                      context->servedHeight);
    }
    return bitmap;
}

// Loads the three bitmaps in the menu's order; unlike the menu it goes on after a failure, so
// that every broken one is reported.
int CheckPanel(ModeContext* context, Skin* skin)
{
    char name[SkinValueNameCapacity];
    skin->normalBitmap = CheckPanelBitmap(context, skin, ValueName(context, NormalBitmapGroup, name));
    skin->selectedBitmap =
        CheckPanelBitmap(context, skin, ValueName(context, SelectedBitmapGroup, name));
    skin->regionTemplate =
        CheckPanelBitmap(context, skin, ValueName(context, RegionTemplateGroup, name));
    return skin->normalBitmap != nullptr && skin->selectedBitmap != nullptr &&
           skin->regionTemplate != nullptr;
}

void ReportButtonCount(ModeContext* context, int count)
{
    if (count < ButtonsUsed) {
        ReportProblem(context->report, context->section, true,
                      "Buttons: %d buttons; the menu needs six", count);
        return;
    }
    if (count == ButtonsUsed) {
        return;
    }
    char ignored[512] = "";
    char name[KeyCapacity];
    for (int index = ButtonsUsed; index < count; ++index) {
        if (!EnumerateButtonName(index, name)) {
            break;
        }
        const int used = lstrlenA(ignored);
        snprintf(ignored + used, sizeof ignored - used, "%s\"%s\"", used > 0 ? ", " : "", name);
    }
    ReportProblem(context->report, context->section, false,
                  "Buttons: %d buttons; only the first six are used, %s not", count, ignored);
}

// The menu reads only the first four numbers, each from its leading digits; when what it reads
// differs from what is written, the author meant something else.
void ReportLooseText(ModeContext* context, const char* keyPath, const char* valueName,
                     const char* text, const RECT& rect)
{
    char canonical[64];
    snprintf(canonical, sizeof canonical, "%ld,%ld,%ld,%ld", rect.left, rect.top, rect.right,
             rect.bottom);
    char compact[RectangleCapacity];
    int length = 0;
    for (const char* p = text; *p != '\0' && length + 1 < RectangleCapacity; ++p) {
        if (*p != ' ' && *p != '\t') {
            compact[length++] = *p;
        }
    }
    compact[length] = '\0';
    if (lstrcmpA(compact, canonical) != 0) {
        ReportProblem(context->report, context->section, false, "%s: %s: \"%s\" is read as %s",
                      keyPath, valueName, text, canonical);
    }
}

// The rectangle's faults that make the tracer refuse it; true when it is traceable. Like the
// menu, it counts the rectangle's pixels against what one skin load may trace.
bool CheckRectangleShape(ModeContext* context, const char* keyPath, const char* valueName,
                         const char* text, const RECT& rect, const RECT& mapped)
{
    const char* fault = nullptr;
    if (rect.left < 0 || rect.top < 0) {
        fault = "has a negative left or top";
    } else if (rect.left >= rect.right) {
        fault = "has its left edge not left of its right edge";
    } else if (rect.top >= rect.bottom) {
        fault = "has its top edge not above its bottom edge";
    } else if (rect.right == INT_MAX || rect.bottom == INT_MAX) {
        fault = "reaches the largest coordinate";
    }
    if (fault != nullptr) {
        ReportProblem(context->report, context->section, true,
                      "%s: %s: \"%s\" %s: the menu refuses it", keyPath, valueName, text, fault);
        return false;
    }
    // The budget counts what is traced: the rectangle as mapped onto the screen.
    const long long pixels = CountBlockPixels(mapped);
    if (pixels > MaxTracedPixels) {
        ReportProblem(context->report, context->section, true,
                      "%s: %s: \"%s\" covers %lld pixels, more than the %lld one skin load may "
                      "trace: the menu refuses it",
                      keyPath, valueName, text, pixels, MaxTracedPixels);
        return false;
    }
    if (pixels > MaxTracedPixels - context->traced) {
        ReportProblem(context->report, context->section, true,
                      "%s: %s: \"%s\" covers %lld pixels, which with the %lld of the buttons "
                      "before it is more than the %lld one skin load may trace: the menu "
                      "refuses it",
                      keyPath, valueName, text, pixels, context->traced, MaxTracedPixels);
        return false;
    }
    context->traced += pixels;
    if (rect.right >= context->servedWidth || rect.bottom >= context->servedHeight) {
        ReportProblem(context->report, context->section, false,
                      "%s: %s: \"%s\" reaches past the %dx%d template: its traced region takes in "
                      "the pixels outside the bitmap",
                      keyPath, valueName, text, context->servedWidth, context->servedHeight);
    }
    return true;
}

// Traces one button as the menu does; the region is in screen coordinates, or null.
HRGN CheckButton(ModeContext* context, HDC templateDc, const char* name)
{
    char keyPath[KeyCapacity];
    if (!BuildButtonKeyPath(keyPath, name)) {
        ReportProblem(context->report, context->section, true,
                      "Buttons\\%s: the key name is longer than the menu's key path allows", name);
        return nullptr;
    }
    char valueName[SkinValueNameCapacity];
    ValueName(context, RectangleGroup, valueName);
    char text[RectangleCapacity];
    if (!ReadText(keyPath, valueName, text, sizeof text)) {
        ReportUnreadable(context, keyPath, valueName, RectangleCapacity);
        return nullptr;
    }
    RECT rect;
    if (!ParseButtonRectangle(text, &rect)) {
        ReportProblem(context->report, context->section, true,
                      "%s: %s: \"%s\" does not have four numbers", keyPath, valueName, text);
        return nullptr;
    }
    ReportLooseText(context, keyPath, valueName, text, rect);
    RECT mapped = rect;
    MapServedRectangle(context->skin, &mapped);
    if (!CheckRectangleShape(context, keyPath, valueName, text, rect, mapped)) {
        return nullptr;
    }
    rect = mapped;
    HRGN region = BuildRegionFromTemplate(templateDc, rect, 0, 1, nullptr);
    if (region == nullptr) {
        ReportProblem(context->report, context->section, true,
                      "%s: %s: \"%s\" holds no template pixel that is not black: the traced "
                      "region is empty",
                      keyPath, valueName, text);
        return nullptr;
    }
    OffsetRgn(region, rect.left, rect.top);
    RECT screen;
    SetRect(&screen, 0, 0, context->width, context->height);
    if (!RectInRegion(region, &screen)) {
        ReportProblem(context->report, context->section, true,
                      "%s: %s: \"%s\" traces a region with no pixel on the screen", keyPath,
                      valueName, text);
    }
    return region;
}

// Overlapping regions: the hit test takes the first button that holds the point, so the lower
// index wins, and a button wholly covered by lower ones can never be pressed. lower gathers the
// regions before button j; common is scratch.
void ReportOverlaps(ModeContext* context, const TracedButton* buttons, int count, HRGN lower,
                    HRGN common)
{
    for (int j = 0; j < count; ++j) {
        if (buttons[j].region == nullptr) {
            continue;
        }
        // A region wholly under lower ones adds nothing to them either.
        if (j > 0 && CombineRgn(common, buttons[j].region, lower, RGN_DIFF) == NULLREGION) {
            ReportProblem(context->report, context->section, true,
                          "Buttons\\%s: its region lies wholly under buttons of lower index: it "
                          "can never be pressed",
                          buttons[j].name);
            continue;
        }
        for (int i = 0; i < j; ++i) {
            if (buttons[i].region == nullptr ||
                CombineRgn(common, buttons[i].region, buttons[j].region, RGN_AND) == NULLREGION) {
                continue;
            }
            RECT box;
            GetRgnBox(common, &box);
            ReportProblem(context->report, context->section, false,
                          "Buttons\\%s: its region overlaps that of Buttons\\%s within "
                          "%ld,%ld,%ld,%ld: a press there goes to Buttons\\%s (index %d)",
                          buttons[j].name, buttons[i].name, box.left, box.top, box.right - 1,
                          box.bottom - 1, buttons[i].name, i);
        }
        CombineRgn(lower, lower, buttons[j].region, RGN_OR);
    }
}

void CheckOverlaps(ModeContext* context, const TracedButton* buttons, int count)
{
    HRGN lower = CreateRectRgn(0, 0, 0, 0);
    HRGN common = CreateRectRgn(0, 0, 0, 0);
    if (lower != nullptr && common != nullptr) {
        ReportOverlaps(context, buttons, count, lower, common);
    }
    if (common != nullptr) {
        DeleteObject(common);
    }
    if (lower != nullptr) {
        DeleteObject(lower);
    }
}

// Traces every button the menu would use. Returns the number of them (up to six).
int CheckButtons(ModeContext* context, Skin* skin, TracedButton* buttons)
{
    const int count = CountButtons();
    ReportButtonCount(context, count);
    const int used = count < ButtonsUsed ? count : ButtonsUsed;
    for (int index = 0; index < used; ++index) {
        EnumerateButtonName(index, buttons[index].name);
    }
    if (skin->regionTemplate == nullptr) {
        return used;
    }
    ScreenDc screen;
    MemoryDc templateDc(screen.Get());
    Selection selection(templateDc.Get(), skin->regionTemplate);
    if (!selection.Succeeded()) {
        ReportProblem(context->report, context->section, true,
                      "the template cannot be selected for tracing");
        return used;
    }
    for (int index = 0; index < used; ++index) {
        buttons[index].region =
            CheckButton(context, templateDc.Get(), buttons[index].name);
    }
    CheckOverlaps(context, buttons, used);
    return used;
}

void FreeTracedButtons(TracedButton* buttons, int count)
{
    for (int index = 0; index < count; ++index) {
        if (buttons[index].region != nullptr) {
            DeleteObject(buttons[index].region);
            buttons[index].region = nullptr;
        }
    }
}

// 1 written, 0 nothing to show (no normal panel), -1 the file could not be written.
int WriteModePreview(ModeContext* context, const Skin* skin, const TracedButton* buttons, int count)
{
    if (skin->normalBitmap == nullptr) {
        return 0;
    }
    char path[MAX_PATH * 2];
    FormatPreviewPath(path, sizeof path, context->options);
    if (!WritePreview(path, skin->normalBitmap, context->width, context->height, buttons, count)) {
        ReportLine(context->report, "skincheck: cannot write the preview \"%s\"", path);
        return -1;
    }
    return 1;
}

// A size the skin does not name is served by its nearest named one when "Fit Other Sizes" is on;
// the report says which one and how, and the check goes on with that size's settings.
void ReportServedSize(ModeContext* context, Skin* skin)
{
    if (!ChooseServedSize(skin)) {
        return;
    }
    context->servedWidth = skin->servedWidth;
    context->servedHeight = skin->servedHeight;
    if (skin->servedWidth == skin->screenWidth && skin->servedHeight == skin->screenHeight) {
        return;
    }
    // Some of the size's own pictures named but not all three: most likely a slip, which fitting
    // would otherwise hide.
    for (int group = NormalBitmapGroup; group <= RegionTemplateGroup; ++group) {
        char name[SkinValueNameCapacity];
        char fileName[PathCapacity];
        FormatSkinValueName(skin->screenWidth, skin->screenHeight, group, name);
        if (ReadText(panelKey, name, fileName, sizeof fileName)) {
            ReportProblem(context->report, context->section, false,
                          "%s: %s is set, but not all three pictures of %dx%d are: the size is "
                          "served by %dx%d instead",
                          panelKey, name, skin->screenWidth, skin->screenHeight,
                          skin->servedWidth, skin->servedHeight);
            break;
        }
    }
    if (FillsScreen(skin)) {
        ReportLine(context->report, "%s: served by %dx%d, stretched over the whole screen",
                   context->section, skin->servedWidth, skin->servedHeight);
        return;
    }
    const RECT& placed = skin->placed;
    ReportLine(context->report,
               "%s: served by %dx%d, fitted at its own shape into %ld,%ld,%ld,%ld with black "
               "around",
               context->section, skin->servedWidth, skin->servedHeight, placed.left, placed.top,
               placed.right - 1, placed.bottom - 1);
}

} // namespace

static int ClassicMode(int width, int height)
{
    Skin probe;
    ZeroMemory(&probe, sizeof probe);
    probe.screenWidth = width;
    probe.screenHeight = height;
    return GetResolutionMode(&probe);
}

void FormatSection(char* section, int width, int height)
{
    const int mode = ClassicMode(width, height);
    if (mode >= 0) {
        snprintf(section, SectionCapacity, "mode %d", mode + 1);
    } else {
        snprintf(section, SectionCapacity, "size %dx%d", width, height);
    }
}

void FormatPreviewPath(char* path, int capacity, const SizeOptions* options)
{
    const int mode = ClassicMode(options->width, options->height);
    if (mode >= 0) {
        snprintf(path, capacity, "%spreview-mode%d.bmp", options->previewDirectory, mode + 1);
    } else {
        snprintf(path, capacity, "%spreview-%dx%d.bmp", options->previewDirectory, options->width,
                 options->height);
    }
}

int CheckSize(Report* report, const SizeOptions* options, int* preview)
{
    ModeContext context;
    context.report = report;
    context.options = options;
    FormatSection(context.section, options->width, options->height);
    context.width = options->width;
    context.height = options->height;
    context.servedWidth = options->width;
    context.servedHeight = options->height;
    context.skin = nullptr;
    context.traced = 0;
    *preview = 0;

    if (lstrlenA(options->directory) >= PathCapacity) {
        ReportProblem(report, context.section, true,
                      "the folder \"%s\" is longer than the %d characters the menu allows",
                      options->directory, PathCapacity - 1);
        return 0;
    }
    // The record is the menu's current skin for the length of the check, so that the menu's own
    // FreeSkin releases whatever the loaders made.
    FreeSkin();
    currentSkin = static_cast<Skin*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Skin)));
    Skin* skin = currentSkin;
    if (skin == nullptr) {
        return 0;
    }
    // The size itself, not the display's: each size is checked as if the screen had it.
    skin->screenWidth = context.width;
    skin->screenHeight = context.height;
    context.skin = skin;
    ReportServedSize(&context, skin);

    const int errorsBefore = report->errors;
    const bool panelLoaded = CheckPanel(&context, skin) != 0;
    TracedButton buttons[ButtonsUsed];
    ZeroMemory(buttons, sizeof buttons);
    const int count = CheckButtons(&context, skin, buttons);
    // The verdict is the menu's own: its button table on the bitmaps its loader made.
    const bool loads = panelLoaded && LoadButtonTable(skin) != 0;
    if (!loads && report->errors == errorsBefore) {
        ReportProblem(report, context.section, true, "the button table does not load");
    }
    *preview = WriteModePreview(&context, skin, buttons, count);
    FreeTracedButtons(buttons, count);
    FreeSkin();
    return loads ? 1 : 0;
}
