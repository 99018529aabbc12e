// The built-in glyphs: the default skin's shapes, drawn four times finer than the picture and
// averaged down, so their edges are smooth at every size without any platform's smoothing.
#include "tileskin/draw/tile_draw.h"
#include "tileskin/draw/tile_picture.h"

#include <algorithm>
#include <cmath>

namespace {

const int fine = 4; // samples per pixel along each axis

// A fine grid of ink (1) and ground (0); shapes are given in glyph units of one pixel.
struct Ink {
    int side;
    std::vector<BYTE> cells;
    BYTE value = 1;

    void Span(int y, double x0, double x1)
    {
        if (y < 0 || y >= side) {
            return;
        }
        const int from = std::max(0, static_cast<int>(std::lround(x0)));
        const int to = std::min(side, static_cast<int>(std::lround(x1)));
        for (int x = from; x < to; ++x) {
            cells[static_cast<size_t>(y) * side + x] = value;
        }
    }
};

void Ellipse(Ink& c, double cx, double cy, double rx, double ry)
{
    for (int y = static_cast<int>(cy - ry); y <= static_cast<int>(cy + ry); ++y) {
        const double t = (y + 0.5 - cy) / ry;
        if (std::fabs(t) <= 1) {
            const double half = rx * std::sqrt(1 - t * t);
            c.Span(y, cx - half, cx + half);
        }
    }
}

// The band between an ellipse and the one `thickness` inside it.
void Ring(Ink& c, double cx, double cy, double rx, double ry, double thickness)
{
    const double irx = rx - thickness, iry = ry - thickness;
    for (int y = static_cast<int>(cy - ry); y <= static_cast<int>(cy + ry); ++y) {
        const double t = (y + 0.5 - cy) / ry;
        if (std::fabs(t) > 1) {
            continue;
        }
        const double outer = rx * std::sqrt(1 - t * t);
        const double ti = (y + 0.5 - cy) / iry;
        const double inner = std::fabs(ti) < 1 ? irx * std::sqrt(1 - ti * ti) : 0;
        if (inner <= 0) {
            c.Span(y, cx - outer, cx + outer);
        } else {
            c.Span(y, cx - outer, cx - inner);
            c.Span(y, cx + inner, cx + outer);
        }
    }
}

// A convex polygon, filled by the crossings of each row's centre line.
void Polygon(Ink& c, const double (*points)[2], int count)
{
    double low = points[0][1], high = points[0][1];
    for (int i = 1; i < count; ++i) {
        low = std::min(low, points[i][1]);
        high = std::max(high, points[i][1]);
    }
    for (int y = static_cast<int>(std::floor(low)); y <= static_cast<int>(std::ceil(high)); ++y) {
        const double yc = y + 0.5;
        double left = 1e18, right = -1e18;
        int crossings = 0;
        for (int i = 0; i < count; ++i) {
            const double* a = points[i];
            const double* b = points[(i + 1) % count];
            if ((a[1] <= yc && yc < b[1]) || (b[1] <= yc && yc < a[1])) {
                const double x = a[0] + (yc - a[1]) * (b[0] - a[0]) / (b[1] - a[1]);
                left = std::min(left, x);
                right = std::max(right, x);
                ++crossings;
            }
        }
        if (crossings >= 2) {
            c.Span(y, left, right);
        }
    }
}

void Line(Ink& c, double x0, double y0, double x1, double y1, double thickness)
{
    const double length = std::hypot(x1 - x0, y1 - y0);
    const double nx = -(y1 - y0) / length * thickness / 2;
    const double ny = (x1 - x0) / length * thickness / 2;
    const double points[4][2] = {
        {x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}};
    Polygon(c, points, 4);
}

void Box(Ink& c, double left, double top, double right, double bottom)
{
    for (int y = static_cast<int>(top); y < static_cast<int>(bottom); ++y) {
        c.Span(y, left, right);
    }
}

void Frame(Ink& c, double left, double top, double right, double bottom, double t)
{
    Box(c, left, top, right, top + t);
    Box(c, left, bottom - t, right, bottom);
    Box(c, left, top, left + t, bottom);
    Box(c, right - t, top, right, bottom);
}

void Globe(Ink& c, double cx, double cy, double g)
{
    const double r = g / 2, t = std::max(2.0, g / 14);
    Ring(c, cx, cy, r, r, t);
    Ring(c, cx, cy, r * 0.45, r, t);
    Box(c, cx - t / 2, cy - r, cx + t / 2, cy + r);
    Box(c, cx - r, cy - t / 2, cx + r, cy + t / 2);
    for (double f : {-0.5, 0.5}) {
        const double half = r * std::sqrt(1 - f * f);
        Box(c, cx - half, cy + f * r - t / 2, cx + half, cy + f * r + t / 2);
    }
}

void Envelope(Ink& c, double cx, double cy, double g)
{
    const double t = std::max(2.0, g / 12);
    const double left = cx - g / 2, right = cx + g / 2, top = cy - g * 0.34;
    Frame(c, left, top, right, cy + g * 0.34, t);
    Line(c, left + t / 2, top + t / 2, cx, cy + g * 0.06, t);
    Line(c, right - t / 2, top + t / 2, cx, cy + g * 0.06, t);
}

// Two grooves and the hole in the ground colour, so the disc reads as a disc, not a ball.
void Disc(Ink& c, double cx, double cy, double g)
{
    const double r = g / 2, groove = std::max(1.0, g / 40);
    Ellipse(c, cx, cy, r, r);
    c.value = 0;
    Ellipse(c, cx, cy, r * 0.16, r * 0.16);
    Ring(c, cx, cy, r * 0.74, r * 0.74, groove);
    Ring(c, cx, cy, r * 0.36, r * 0.36, groove);
    c.value = 1;
}

void Screen(Ink& c, double cx, double cy, double g)
{
    const double t = std::max(2.0, g / 12);
    const double top = cy - g * 0.36, bottom = cy + g * 0.24;
    Frame(c, cx - g / 2, top, cx + g / 2, bottom, t);
    const double h = (bottom - top) * 0.5;
    const double play[3][2] = {{cx - h * 0.4, cy - g * 0.06 - h / 2},
                               {cx + h * 0.55, cy - g * 0.06},
                               {cx - h * 0.4, cy - g * 0.06 + h / 2}};
    Polygon(c, play, 3);
    Box(c, cx - t / 2, bottom, cx + t / 2, cy + g * 0.40);
    Box(c, cx - g * 0.22, cy + g * 0.40, cx + g * 0.22, cy + g * 0.40 + t);
}

void Folder(Ink& c, double cx, double cy, double g)
{
    const double left = cx - g / 2, right = cx + g / 2, top = cy - g * 0.36;
    const double tab[4][2] = {{left, top},
                              {left + g * 0.36, top},
                              {left + g * 0.44, top + g * 0.12},
                              {left, top + g * 0.12}};
    Polygon(c, tab, 4);
    Box(c, left, top + g * 0.1, right, cy + g * 0.36);
    const double t = std::max(2.0, g / 16);
    c.value = 0;
    Box(c, left + t, top + g * 0.2, right - t, top + g * 0.2 + t);
    c.value = 1;
}

void Cross(Ink& c, double cx, double cy, double g)
{
    const double t = std::max(3.0, g / 7), d = g / 2 * 0.8;
    Line(c, cx - d, cy - d, cx + d, cy + d, t);
    Line(c, cx + d, cy - d, cx - d, cy + d, t);
}

// A crescent: a disc with a smaller one, up and to the right, taken out of it.
void Moon(Ink& c, double cx, double cy, double g)
{
    const double r = g * 0.42;
    Ellipse(c, cx, cy, r, r);
    c.value = 0;
    Ellipse(c, cx + r * 0.5, cy - r * 0.32, r * 0.8, r * 0.8);
    c.value = 1;
}

// A ring open at the top right, its end at the top carrying an arrowhead that points clockwise.
void Circling(Ink& c, double cx, double cy, double g)
{
    const double r = g * 0.4, t = std::max(2.0, g / 9);
    Ring(c, cx, cy, r, r, t);
    c.value = 0;
    const double gap[3][2] = {{cx, cy}, {cx, cy - r * 1.3}, {cx + r * 1.3, cy - r * 0.55}};
    Polygon(c, gap, 3);
    c.value = 1;
    const double y = cy - r + t / 2;
    const double head[3][2] = {
        {cx - t * 0.2, y - t * 1.5}, {cx + t * 1.7, y}, {cx - t * 0.2, y + t * 1.5}};
    Polygon(c, head, 3);
}

// The common power symbol: a ring broken at the top and a bar through the break.
void PowerSign(Ink& c, double cx, double cy, double g)
{
    const double r = g * 0.38, t = std::max(2.0, g / 9), below = cy + g * 0.06;
    Ring(c, cx, below, r, r, t);
    c.value = 0;
    Box(c, cx - r * 0.5, below - r - 1, cx + r * 0.5, below);
    c.value = 1;
    Box(c, cx - t / 2, cy - g * 0.46, cx + t / 2, below - r * 0.15);
}

} // namespace

void DrawGlyphMask(int glyph, int side, Mask* mask)
{
    Ink ink;
    ink.side = side * fine;
    ink.cells.assign(static_cast<size_t>(ink.side) * ink.side, 0);
    const double c = ink.side / 2.0, g = side * fine;
    switch (glyph) {
    case GlyphBrowser:
        Globe(ink, c, c, g);
        break;
    case GlyphMail:
        Envelope(ink, c, c, g);
        break;
    case GlyphCd:
        Disc(ink, c, c, g);
        break;
    case GlyphDvd:
        Screen(ink, c, c, g);
        break;
    case GlyphClose:
        Cross(ink, c, c, g);
        break;
    case GlyphSleep:
        Moon(ink, c, c, g);
        break;
    case GlyphRestart:
        Circling(ink, c, c, g);
        break;
    case GlyphShutDown:
        PowerSign(ink, c, c, g);
        break;
    default:
        Folder(ink, c, c, g);
        break;
    }
    mask->width = side;
    mask->height = side;
    mask->cover.assign(static_cast<size_t>(side) * side, 0);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            int sum = 0;
            for (int fy = 0; fy < fine; ++fy) {
                const BYTE* row = &ink.cells[static_cast<size_t>(y * fine + fy) * ink.side];
                for (int fx = 0; fx < fine; ++fx) {
                    sum += row[x * fine + fx];
                }
            }
            mask->cover[static_cast<size_t>(y) * side + x] =
                static_cast<BYTE>(sum * 255 / (fine * fine));
        }
    }
}
