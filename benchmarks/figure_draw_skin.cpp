// Drawing a whole skin: the skin maker's three pictures at every size a skin is drawn for, written
// to files, against the floor of writing the same bytes to the same number of files. The goal is
// the absolute limit (a person waits for it); the ratio shows how much of it is drawing.
#include "benchmarks/bench_support.h"
#include "benchmarks/figures.h"

#include "tileskin/draw/tile_draw.h"

#include <cstdio>
#include <string>

enum { DrawRuns = 3 };
static const double drawLimitMs = 3000.0;

static std::string SkinFile(const std::string& folder, const char* kind, int index)
{
    int width = 0, height = 0;
    GetTileSkinSize(index, &width, &height);
    return folder + kind + "-" + std::to_string(width) + "x" + std::to_string(height) + ".bmp";
}

// The default skin's faces: built-in glyphs, labels of its length.
static bool DrawWholeSkin(const std::string& folder, char* error, int errorSize)
{
    TileColours colours;
    DefaultTileColours(0, &colours);
    const wchar_t* labels[6] = {L"INTERNET", L"MAIL", L"MUSIC CD", L"DVD", L"FILES", L"CLOSE"};
    TileFace faces[6];
    for (int i = 0; i < 6; ++i) {
        faces[i] = {labels[i], nullptr, static_cast<TileGlyph>(i)};
    }
    for (int i = 0; i < TileSkinSizeCount(); ++i) {
        int width = 0, height = 0;
        GetTileSkinSize(i, &width, &height);
        RECT rects[6];
        if (!DrawTileSkin(&colours, faces, width, height, SkinFile(folder, "normal", i).c_str(),
                          SkinFile(folder, "selected", i).c_str(),
                          SkinFile(folder, "template", i).c_str(), rects, error, errorSize)) {
            return false;
        }
    }
    return true;
}

// Reads back what one drawing wrote and writes it again to files of the same names, elsewhere.
static double WriteSameBytesMs(const std::string& from, const std::string& to, double* bytes)
{
    std::vector<std::vector<char>> contents;
    std::vector<std::string> names;
    *bytes = 0;
    for (int i = 0; i < TileSkinSizeCount(); ++i) {
        for (const char* kind : {"normal", "selected", "template"}) {
            names.push_back(SkinFile(to, kind, i));
            std::vector<char> data;
            if (FILE* file = std::fopen(SkinFile(from, kind, i).c_str(), "rb")) {
                char chunk[65536];
                size_t n;
                while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
                    data.insert(data.end(), chunk, chunk + n);
                }
                std::fclose(file);
            }
            *bytes += static_cast<double>(data.size());
            contents.push_back(data);
        }
    }
    const double start = NowMs();
    for (size_t i = 0; i < names.size(); ++i) {
        HANDLE file = CreateFileA(names[i].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE) {
            WriteFile(file, contents[i].data(), static_cast<DWORD>(contents[i].size()), &written,
                      nullptr);
            CloseHandle(file);
        }
    }
    return NowMs() - start;
}

// This process's processor time so far, user and kernel, in milliseconds: on a shared machine
// it shows how much of the wall time was the drawing's own work.
static double ProcessorMs()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) {
        return 0;
    }
    const auto ms = [](const FILETIME& t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

void RunDrawSkinFigure()
{
    char bin[MAX_PATH];
    GetBinDir(bin, sizeof bin);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string drawn = std::string(temp) + "tilebox-bench-draw\\";
    const std::string copied = std::string(temp) + "tilebox-bench-copy\\";
    CreateDirectoryA(drawn.c_str(), nullptr);
    CreateDirectoryA(copied.c_str(), nullptr);
    char error[400] = "";
    std::vector<double> samples, floors, processor;
    double bytes = 0;
    bool ok = LoadTileFont(bin, error, sizeof error) != 0;
    for (int run = 0; ok && run < DrawRuns; ++run) {
        const double start = NowMs();
        const double startProcessor = ProcessorMs();
        ok = DrawWholeSkin(drawn, error, sizeof error);
        samples.push_back(NowMs() - start);
        processor.push_back(ProcessorMs() - startProcessor);
        floors.push_back(WriteSameBytesMs(drawn, copied, &bytes));
    }
    UnloadTileFont();
    if (!ok) {
        AddNote("Drawing a whole skin failed: %s", error);
    } else {
        AddNote("Drawing a whole skin: %d sizes, 30 files, %.2f MB, %.0f ms of processor time "
                "(median of %d runs).",
                TileSkinSizeCount(), bytes / 1e6, Median(processor), DrawRuns);
    }
    AddRowWithLimit("drawing a whole skin (every size)", "ms", Median(samples), Median(floors),
                    1000.0, drawLimitMs, ok);
}
