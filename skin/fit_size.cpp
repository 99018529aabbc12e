// Serving a screen size the skin does not name from the named size nearest in shape. TVs and PCs
// report many more sizes than a skin can draw (1360x768, 4096x2160, 1280x800, 3440x1440...), and
// a TV switched off and on may pass through one; with "Fit Other Sizes" on the menu shows there
// instead of not starting or closing.
#include "skin/skin.h"

#include "outside/kivrel.h"
#include "skin/region.h"
#include "skin/skin_limits.h"

#include <climits>
#include <cmath>

const char fitOtherSizesName[] = "Fit Other Sizes";

static const char panelKey[] = "Panel";

namespace {

// Two named shapes whose distances from the screen's differ by less than this count as equally
// near: 1366x768 is 16:9 to the eye (its aspect differs from 16:9 by 0.05 %), and a 4096x2160
// screen is better served by a 3840x2160 picture than by a 1366x768 one a hair nearer in shape.
const double TieDistance = 0.01;

// The larger aspect over the smaller up to which a picture is stretched over the whole screen;
// beyond it the shape is kept and black fills the rest.
const double StretchLimit = 1.1;

enum { NameCapacity = 256 };

double ShapeDistance(int width, int height, const SIZE& named)
{
    const double screen = static_cast<double>(width) / height;
    const double picture = static_cast<double>(named.cx) / named.cy;
    return std::fabs(std::log(screen / picture));
}

long long AreaOf(const SIZE& size)
{
    return static_cast<long long>(size.cx) * size.cy;
}

// How the area ratios (larger over smaller) of two sizes to the screen compare: negative when
// first's is nearer to 1. Done in whole numbers, so that sizes exactly as near tie exactly:
// 2560x1080 lies as far from 1920x1080 as from 2560x1440.
int CompareAreaDistance(int width, int height, const SIZE& first, const SIZE& second)
{
    const long long screen = static_cast<long long>(width) * height;
    const long long firstArea = AreaOf(first);
    const long long secondArea = AreaOf(second);
    const long long firstHigh = firstArea > screen ? firstArea : screen;
    const long long firstLow = firstArea > screen ? screen : firstArea;
    const long long secondHigh = secondArea > screen ? secondArea : screen;
    const long long secondLow = secondArea > screen ? screen : secondArea;
    const long long left = firstHigh * secondLow;
    const long long right = secondHigh * firstLow;
    return left < right ? -1 : left > right ? 1 : 0;
}

// The groups a size's "Panel" values were found for, one bit per group.
struct NamedSizes {
    SIZE sizes[MostNamedSizes];
    int groups[MostNamedSizes];
    int count;
};

void NoteSizeName(NamedSizes* list, const char* name)
{
    int group = 0;
    int width = 0;
    int height = 0;
    const int kind = ParseSkinValueName(name, &group, &width, &height);
    if ((kind != ClassicSizeName && kind != OtherSizeName) || group == RectangleGroup) {
        return;
    }
    int i = 0;
    while (i < list->count && (list->sizes[i].cx != width || list->sizes[i].cy != height)) {
        ++i;
    }
    if (i == list->count) {
        if (list->count == MostNamedSizes) {
            return;
        }
        list->sizes[i].cx = width;
        list->sizes[i].cy = height;
        list->groups[i] = 0;
        ++list->count;
    }
    list->groups[i] |= 1 << group;
}

bool NamesOwnSize(int width, int height);

// The sizes "Panel" lists all three picture names for, as the profile store lists the values of
// both trees, before any value is read. Names that do not fit the buffer are skipped: no size
// name is that long.
int ListNamedSizes(SIZE* sizes, int capacity)
{
    NamedSizes list = {};
    char name[NameCapacity];
    // The store lists what another program may keep adding to; the count bounds the walk.
    for (int index = 0; index < 4096; ++index) {
        DWORD nameSize = NameCapacity;
        name[0] = '\0';
        if (!Kivrel_EnumValueName(panelKey, index, name, &nameSize, 1)) {
            break;
        }
        name[NameCapacity - 1] = '\0';
        if (name[0] != '\0') {
            NoteSizeName(&list, name);
        }
    }
    const int all = (1 << NormalBitmapGroup) | (1 << SelectedBitmapGroup) |
                    (1 << RegionTemplateGroup);
    int count = 0;
    for (int i = 0; i < list.count && count < capacity; ++i) {
        if (list.groups[i] == all) {
            sizes[count++] = list.sizes[i];
        }
    }
    return count;
}

// The listed size that serves the screen, as NearestNamedSize chooses among the sizes whose three
// values hold a file name: a value left empty (the skin maker empties the sizes another skin
// named) does not name its size, just as at the screen's own size. Each check costs three reads,
// so only the sizes the choice depends on are checked: nearest shape first until one holds its
// pictures, which fixes the nearest shape, then the rest of the band within TieDistance of it,
// any of which may win on area. A size beyond that band cannot be chosen, checked or not. -1
// when none serves.
int ChooseAmongNamedSizes(int width, int height, const SIZE* listed, int count)
{
    bool checked[MostNamedSizes] = {};
    bool holds[MostNamedSizes] = {};
    double nearest = -1;
    while (nearest < 0) {
        int next = -1;
        for (int i = 0; i < count; ++i) {
            if (!checked[i] && (next < 0 || ShapeDistance(width, height, listed[i]) <
                                                ShapeDistance(width, height, listed[next]))) {
                next = i;
            }
        }
        if (next < 0) {
            return -1;
        }
        checked[next] = true;
        holds[next] = NamesOwnSize(listed[next].cx, listed[next].cy);
        nearest = holds[next] ? ShapeDistance(width, height, listed[next]) : -1;
    }
    SIZE band[MostNamedSizes];
    int bandIndex[MostNamedSizes];
    int inBand = 0;
    for (int i = 0; i < count; ++i) {
        if (ShapeDistance(width, height, listed[i]) > nearest + TieDistance) {
            continue;
        }
        if (!checked[i]) {
            checked[i] = true;
            holds[i] = NamesOwnSize(listed[i].cx, listed[i].cy);
        }
        if (holds[i]) {
            band[inBand] = listed[i];
            bandIndex[inBand++] = i;
        }
    }
    const int best = NearestNamedSize(width, height, band, inBand);
    return best < 0 ? -1 : bandIndex[best];
}

// The screen's own size is named when its three pictures are: three reads, cheaper than
// listing every value of "Panel".
bool NamesOwnSize(int width, int height)
{
    const int groups[3] = {NormalBitmapGroup, SelectedBitmapGroup, RegionTemplateGroup};
    for (int group : groups) {
        char name[SkinValueNameCapacity];
        char fileName[NameCapacity];
        ZeroMemory(fileName, sizeof fileName);
        if (!FormatSkinValueName(width, height, group, name) ||
            Kivrel_GetProfileStringEx(panelKey, name, fileName, sizeof fileName, 1, nullptr, 0) ==
                0 ||
            fileName[0] == '\0') {
            return false;
        }
    }
    return true;
}

int MapCoordinate(LONG value, int offset, int placedLength, int servedLength)
{
    const long long mapped =
        offset + static_cast<long long>(value) * placedLength / servedLength;
    return mapped > INT_MAX - 1 ? INT_MAX - 1 : static_cast<int>(mapped);
}

// The far edge of a rectangle whose right column (or bottom row) belongs to it. The boundary
// past that column maps to `exclusive`; the stretch shows each screen column the picture's column
// under it or one beside it, so the screen column at `exclusive` may still show the rectangle's
// last column, and is traced as well: what the template shows there decides. Only inside the
// placed picture, though: past it lies black, or nothing of the template at all.
int MapFarEdge(LONG inclusive, int offset, int placedLength, int servedLength, LONG placedEnd)
{
    const int exclusive = MapCoordinate(inclusive + 1, offset, placedLength, servedLength);
    return exclusive < placedEnd ? exclusive : exclusive - 1;
}

} // namespace

int NearestNamedSize(int width, int height, const SIZE* named, int count)
{
    double nearest = -1;
    for (int i = 0; i < count; ++i) {
        if (named[i].cx > 0 && named[i].cy > 0) {
            const double shape = ShapeDistance(width, height, named[i]);
            nearest = nearest < 0 || shape < nearest ? shape : nearest;
        }
    }
    // Among the shapes as near as the nearest, the nearest area, and of two as near the larger,
    // since shrinking a picture keeps its detail and enlarging one blurs it.
    int best = -1;
    for (int i = 0; i < count; ++i) {
        if (named[i].cx <= 0 || named[i].cy <= 0 ||
            ShapeDistance(width, height, named[i]) > nearest + TieDistance) {
            continue;
        }
        if (best < 0) {
            best = i;
            continue;
        }
        const int order = CompareAreaDistance(width, height, named[i], named[best]);
        if (order < 0 || (order == 0 && AreaOf(named[i]) > AreaOf(named[best]))) {
            best = i;
        }
    }
    return best;
}

void PlaceServedSize(int screenWidth, int screenHeight, int servedWidth, int servedHeight,
                     RECT* placed)
{
    SetRect(placed, 0, 0, screenWidth, screenHeight);
    const double screen = static_cast<double>(screenWidth) / screenHeight;
    const double picture = static_cast<double>(servedWidth) / servedHeight;
    if (screen <= picture * StretchLimit && picture <= screen * StretchLimit) {
        return;
    }
    if (screen > picture) {
        const int width = static_cast<int>(std::lround(screenHeight * picture));
        placed->left = (screenWidth - width) / 2;
        placed->right = placed->left + width;
    } else {
        const int height = static_cast<int>(std::lround(screenWidth / picture));
        placed->top = (screenHeight - height) / 2;
        placed->bottom = placed->top + height;
    }
}

void GetServedSize(const Skin* skin, int* width, int* height)
{
    const bool own = skin->servedWidth <= 0 || skin->servedHeight <= 0;
    *width = own ? skin->screenWidth : skin->servedWidth;
    *height = own ? skin->screenHeight : skin->servedHeight;
}

void GetPlacement(const Skin* skin, RECT* placed)
{
    if (IsRectEmpty(&skin->placed)) {
        SetRect(placed, 0, 0, skin->screenWidth, skin->screenHeight);
        return;
    }
    *placed = skin->placed;
}

bool FillsScreen(const Skin* skin)
{
    RECT placed;
    GetPlacement(skin, &placed);
    return placed.left == 0 && placed.top == 0 && placed.right == skin->screenWidth &&
           placed.bottom == skin->screenHeight;
}

// The rectangle's right column and bottom row belong to it, so its far edges map one column and
// row past the boundary after them (MapFarEdge). A rectangle never shrinks below two pixels a
// side, the least the button table takes.
void MapServedRectangle(const Skin* skin, RECT* rect)
{
    int servedWidth = 0;
    int servedHeight = 0;
    GetServedSize(skin, &servedWidth, &servedHeight);
    RECT placed;
    GetPlacement(skin, &placed);
    const int placedWidth = placed.right - placed.left;
    const int placedHeight = placed.bottom - placed.top;
    if ((servedWidth == placedWidth && servedHeight == placedHeight && placed.left == 0 &&
         placed.top == 0) ||
        CountBlockPixels(*rect) == 0) {
        return;
    }
    RECT mapped;
    mapped.left = MapCoordinate(rect->left, placed.left, placedWidth, servedWidth);
    mapped.top = MapCoordinate(rect->top, placed.top, placedHeight, servedHeight);
    mapped.right = MapFarEdge(rect->right, placed.left, placedWidth, servedWidth, placed.right);
    mapped.bottom = MapFarEdge(rect->bottom, placed.top, placedHeight, servedHeight, placed.bottom);
    if (mapped.right <= mapped.left) {
        mapped.right = mapped.left + 1;
    }
    if (mapped.bottom <= mapped.top) {
        mapped.bottom = mapped.top + 1;
    }
    *rect = mapped;
}

int ChooseServedSize(Skin* skin)
{
    const int width = skin->screenWidth;
    const int height = skin->screenHeight;
    skin->servedWidth = width;
    skin->servedHeight = height;
    SetRect(&skin->placed, 0, 0, width, height);
    if (!IsAcceptedScreenSize(width, height)) {
        return 0;
    }
    DWORD fit = 0;
    if (Kivrel_GetProfileDWord(panelKey, fitOtherSizesName, &fit) == 0 || fit == 0 ||
        NamesOwnSize(width, height)) {
        // Without fitting, a size the skin does not name fails when its pictures are read.
        return 1;
    }
    SIZE named[MostNamedSizes];
    const int nearest =
        ChooseAmongNamedSizes(width, height, named, ListNamedSizes(named, MostNamedSizes));
    if (nearest < 0) {
        return 0;
    }
    skin->servedWidth = named[nearest].cx;
    skin->servedHeight = named[nearest].cy;
    PlaceServedSize(width, height, skin->servedWidth, skin->servedHeight, &skin->placed);
    return 1;
}
