// How the cost of region tracing grows: blocks of 100, 200 and 400 pixels square, one shape with a
// single run per row (a filled ellipse) and one with as many runs as a row can hold (1-pixel
// stripes), traced as the button table traces them.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"
#include "benchmarks/floor_trace.h"

#include "skin/region.h"

#include <cmath>
#include <cstdio>

enum { GrowthRuns = 9, SlowRunMs = 1500 };

struct Shape {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

// A screen-format bitmap, as the template is after loading, black with the pattern in white.
static bool MakeShape(Shape* shape, int size, bool striped)
{
    ZeroMemory(shape, sizeof *shape);
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return false;
    }
    shape->dc = CreateCompatibleDC(screen);
    shape->bitmap = shape->dc != nullptr ? CreateCompatibleBitmap(screen, size, size) : nullptr;
    ReleaseDC(nullptr, screen);
    if (shape->bitmap == nullptr) {
        if (shape->dc != nullptr) {
            DeleteDC(shape->dc);
        }
        return false;
    }
    shape->previous = SelectObject(shape->dc, shape->bitmap);
    PatBlt(shape->dc, 0, 0, size, size, BLACKNESS);
    if (striped) {
        for (int x = 1; x < size; x += 2) {
            PatBlt(shape->dc, x, 0, 1, size, WHITENESS);
        }
    } else {
        HGDIOBJ oldBrush = SelectObject(shape->dc, GetStockObject(WHITE_BRUSH));
        HGDIOBJ oldPen = SelectObject(shape->dc, GetStockObject(WHITE_PEN));
        Ellipse(shape->dc, 0, 0, size, size);
        SelectObject(shape->dc, oldPen);
        SelectObject(shape->dc, oldBrush);
    }
    return true;
}

static void FreeShape(Shape* shape)
{
    SelectObject(shape->dc, shape->previous);
    DeleteDC(shape->dc);
    DeleteObject(shape->bitmap);
}

// The runs that tracing will find: maximal stretches of non-black pixels within each row.
static long CountRuns(const Shape& shape, int size)
{
    long runs = 0;
    for (int y = 0; y < size; ++y) {
        bool open = false;
        for (int x = 0; x < size; ++x) {
            const bool belongs = GetPixel(shape.dc, x, y) != 0;
            runs += belongs && !open ? 1 : 0;
            open = belongs;
        }
    }
    return runs;
}

static DWORD RegionRectangles(HRGN region)
{
    DWORD bytes = GetRegionData(region, 0, nullptr);
    if (bytes == 0) {
        return 0;
    }
    std::vector<BYTE> data(bytes);
    RGNDATA* header = reinterpret_cast<RGNDATA*>(data.data());
    return GetRegionData(region, bytes, header) != 0 ? header->rdh.nCount : 0;
}

struct GrowthPoint {
    int size;
    bool striped;
    long pixels;
    long runs;
    DWORD rectangles;
    double medianMs;
};

static bool MeasurePoint(GrowthPoint* point)
{
    Shape shape;
    if (!MakeShape(&shape, point->size, point->striped)) {
        return false;
    }
    point->pixels = static_cast<long>(point->size) * point->size;
    point->runs = CountRuns(shape, point->size);
    const RECT area = {0, 0, point->size - 1, point->size - 1};
    // The floors of LoadSkin and of the start trace with TraceFloorBlock; a floor that found
    // other runs than the shape holds would be timing other work than the menu's.
    const long floorRuns = TraceFloorBlock(shape.dc, area);
    if (floorRuns != point->runs) {
        AddCurveLine("The floor's tracing found %ld runs in the %s %dx%d block, which holds %ld.",
                     floorRuns, point->striped ? "striped" : "ellipse", point->size, point->size,
                     point->runs);
    }
    std::vector<double> samples;
    bool ok = floorRuns == point->runs;
    for (int run = 0; ok && run < GrowthRuns; ++run) {
        const double start = NowMs();
        HRGN region = BuildRegionFromTemplate(shape.dc, area, 0, 1, nullptr);
        const double elapsed = NowMs() - start;
        ok = region != nullptr;
        if (region != nullptr) {
            point->rectangles = RegionRectangles(region);
            DeleteObject(region);
        }
        samples.push_back(elapsed);
        // Three runs of a slow point tell as much as five and keep the whole run short.
        if (elapsed > SlowRunMs && run >= 2) {
            break;
        }
    }
    FreeShape(&shape);
    point->medianMs = Median(samples);
    return ok;
}

// The exponent k in time ~ area^k between the smallest and largest block: 1 is linear.
static double AreaExponent(const GrowthPoint& small, const GrowthPoint& large)
{
    return std::log(large.medianMs / small.medianMs) /
           std::log(static_cast<double>(large.pixels) / small.pixels);
}

void RunGrowthCurve()
{
    static const int sizes[3] = {100, 200, 400};
    GrowthPoint points[2][3] = {};
    bool ok = true;
    for (int pattern = 0; ok && pattern < 2; ++pattern) {
        for (int i = 0; ok && i < 3; ++i) {
            points[pattern][i].size = sizes[i];
            points[pattern][i].striped = pattern == 1;
            ok = MeasurePoint(&points[pattern][i]);
        }
    }
    if (!ok) {
        AddCurveLine("Region tracing could not be measured: a block gave no region, or the floor "
                     "disagreed.");
        // Not measured fails the run, as every other figure does.
        AddRow("Region tracing curve", "ms", 0.0, 0.0, 1.0, false);
        return;
    }
    AddCurveLine("%-8s %-9s %8s %7s %10s %10s %10s %10s", "shape", "block", "pixels", "runs",
                 "rects", "median ms", "ns/pixel", "ns/run");
    for (int pattern = 0; pattern < 2; ++pattern) {
        for (const GrowthPoint& p : points[pattern]) {
            char block[16];
            std::snprintf(block, sizeof block, "%dx%d", p.size, p.size);
            AddCurveLine("%-8s %-9s %8ld %7ld %10lu %10.2f %10.1f %10.0f",
                         p.striped ? "striped" : "ellipse", block, p.pixels, p.runs,
                         static_cast<unsigned long>(p.rectangles), p.medianMs,
                         p.medianMs * 1e6 / p.pixels, p.medianMs * 1e6 / p.runs);
        }
    }
    for (int i = 0; i < 3; ++i) {
        const GrowthPoint& plain = points[0][i];
        const GrowthPoint& stripes = points[1][i];
        AddCurveLine("%dx%d: each run beyond the ellipse's costs %.0f ns (striped %.2f ms - "
                     "ellipse %.2f ms over %ld more runs).",
                     plain.size, plain.size,
                     (stripes.medianMs - plain.medianMs) * 1e6 / (stripes.runs - plain.runs),
                     stripes.medianMs, plain.medianMs, stripes.runs - plain.runs);
    }
    AddCurveLine("time ~ area^k from 100x100 to 400x400: ellipse k = %.2f, striped k = %.2f "
                 "(k = 1 is linear in the traced area).",
                 AreaExponent(points[0][0], points[0][2]),
                 AreaExponent(points[1][0], points[1][2]));
}
