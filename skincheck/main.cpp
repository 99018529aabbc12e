// skincheck: checks a skin the way the menu loads it, at each screen size the settings name (the
// three classic sizes always), and writes a preview picture per size. Exit code 0: every checked
// size loads and no button is broken; 1: problems; 2: usage error, or the check could not be made.
#include "skincheck/reg_file.h"
#include "skincheck/skincheck.h"

#include "app/app_state.h"
#include "outside/application_key.h"
#include "outside/kivrel.h"
#include "skin/skin.h"
#include "skin/skin_limits.h"

#include <cstring>

namespace {

enum { ExitClean = 0, ExitProblems = 1, ExitUsage = 2 };

const char usage[] =
    "usage: skincheck [--mode 1|2|3 | --size WxH] [--reg FILE] [--dir DIR] [--preview DIR]\n"
    "                 [--out FILE]\n"
    "       skincheck --displays [--out FILE]\n"
    "  --mode N      check only the classic size N (1 640x480, 2 800x600, 3 1024x768)\n"
    "  --size WxH    check only that size, such as 1920x1080, named by the skin or not\n"
    "  --reg FILE    check the settings of a .reg file instead of the registry's\n"
    "  --dir DIR     folder the bitmap file names are relative to (default: this program's)\n"
    "  --preview DIR folder for preview-modeN.bmp and preview-WxH.bmp (default: the folder\n"
    "                tilebox-skincheck in the user's temporary folder)\n"
    "  --out FILE    write the report to FILE instead of the standard output\n"
    "  --displays    list the monitors: the device name \"Display\" takes, size, position\n"
    "Exit code: 0 the skin loads at every checked size and no button is broken; 1 problems;\n"
    "2 usage error or the check could not be made.\n";

const char applicationKey[] = TILEBOX_APPLICATION_KEY;

const SIZE classicSizes[3] = {{640, 480}, {800, 600}, {1024, 768}};

struct Options {
    SIZE only; // 0 x 0 for every size the settings name
    const char* regFile;
    const char* directory;
    const char* previewDirectory;
    const char* outFile;
    bool displays;
};

// "WxH" as the settings write it, for a size the menu shows on.
bool ParseSize(const char* text, SIZE* size)
{
    char name[SkinValueNameCapacity + 16];
    snprintf(name, sizeof name, "Rectangle %s", text);
    int group = 0, width = 0, height = 0;
    const int kind = ParseSkinValueName(name, &group, &width, &height);
    if (kind != OtherSizeName && kind != ClassicSizeAsOther) {
        return false;
    }
    size->cx = width;
    size->cy = height;
    return true;
}

bool ParseArguments(int argc, char** argv, Options* options)
{
    ZeroMemory(options, sizeof *options);
    for (int i = 1; i < argc; ++i) {
        const char* option = argv[i];
        if (lstrcmpA(option, "--displays") == 0) {
            options->displays = true;
            continue;
        }
        if (lstrcmpA(option, "--help") == 0 || lstrcmpA(option, "-h") == 0 ||
            lstrcmpA(option, "/?") == 0 || i + 1 >= argc) {
            return false;
        }
        const char* value = argv[++i];
        if (lstrcmpA(option, "--mode") == 0) {
            if (lstrlenA(value) != 1 || value[0] < '1' || value[0] > '3') {
                return false;
            }
            options->only = classicSizes[value[0] - '1'];
        } else if (lstrcmpA(option, "--size") == 0) {
            if (!ParseSize(value, &options->only)) {
                return false;
            }
        } else if (lstrcmpA(option, "--reg") == 0) {
            options->regFile = value;
        } else if (lstrcmpA(option, "--dir") == 0) {
            options->directory = value;
        } else if (lstrcmpA(option, "--preview") == 0) {
            options->previewDirectory = value;
        } else if (lstrcmpA(option, "--out") == 0) {
            options->outFile = value;
        } else {
            return false;
        }
    }
    // The list of monitors checks no skin: only where it is written may be given with it.
    return !options->displays || (options->only.cx == 0 && options->regFile == nullptr &&
                                  options->directory == nullptr &&
                                  options->previewDirectory == nullptr);
}

// A folder as a full path with its trailing backslash; the empty text (or null) gives the
// fallback folder.
bool MakeFolder(const char* folder, const char* fallback, char* out, int capacity)
{
    const char* source = folder != nullptr && folder[0] != '\0' ? folder : fallback;
    char full[MAX_PATH * 2];
    const DWORD length = GetFullPathNameA(source, sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        return false;
    }
    const int used = lstrlenA(full);
    const bool slash = used > 0 && (full[used - 1] == '\\' || full[used - 1] == '/');
    const int written = snprintf(out, capacity, "%s%s", full, slash ? "" : "\\");
    return written > 0 && written < capacity;
}

// The folder of skincheck.exe, as the menu takes its own folder.
void ProgramFolder(char* folder, DWORD capacity)
{
    const DWORD length = GetModuleFileNameA(nullptr, folder, capacity);
    if (length == 0 || length >= capacity) {
        folder[0] = '\0';
        return;
    }
    CutToModuleDirectory(folder);
}

// Previews of every size take tens of megabytes, and the current folder is often one the user may
// not write (the program's own, in Program Files): by default they go to a folder of their own in
// the user's temporary folder. The folder is made when missing.
bool MakePreviewFolder(const char* folder, char* out, int capacity)
{
    char fallback[MAX_PATH * 2] = ".";
    if (folder == nullptr || folder[0] == '\0') {
        char temp[MAX_PATH + 1];
        const DWORD length = GetTempPathA(sizeof temp, temp);
        if (length == 0 || length >= sizeof temp) {
            return false;
        }
        snprintf(fallback, sizeof fallback, "%stilebox-skincheck", temp);
    }
    if (!MakeFolder(folder, fallback, out, capacity)) {
        return false;
    }
    CreateDirectoryA(out, nullptr);
    const DWORD attributes = GetFileAttributesA(out);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The same user the menu selects: the logged-on one, or none when the name cannot be read.
void SelectProfileUser(const char* key)
{
    char userName[128];
    ZeroMemory(userName, sizeof userName);
    DWORD size = sizeof userName;
    const char* user = nullptr;
    if (GetUserNameA(userName, &size) && size != 0) {
        user = userName;
    }
    Kivrel_SetUserProfileInfo(user, key);
}

// The classic sizes, always, then the others the settings name, in the order found.
// The names the menu never reads are warned about whichever sizes are checked.
int SizesToCheck(Report* report, const Options* options, const char* applicationKey, SIZE* sizes)
{
    StartSection(report);
    for (int i = 0; i < 3; ++i) {
        sizes[i] = classicSizes[i];
    }
    const int count = 3 + ListNamedSizes(report, applicationKey, sizes + 3, MostNamedSizes - 3);
    if (options->only.cx != 0) {
        sizes[0] = options->only;
        return 1;
    }
    return count;
}

// applicationKey: the key the settings are read from. layeredKey: the application key whose two
// trees the menu reads layered, or null for a settings file (copied into one tree, so every value
// has one source).
int RunChecks(Report* report, const Options* options, const char* applicationKey,
              const char* directory, const char* previewDirectory, const char* layeredKey)
{
    SIZE sizes[MostNamedSizes];
    const int count = SizesToCheck(report, options, applicationKey, sizes);
    int failedSizes = 0;
    bool previewFailed = false;
    for (int i = 0; i < count; ++i) {
        StartSection(report);
        SizeOptions sizeOptions = {static_cast<int>(sizes[i].cx), static_cast<int>(sizes[i].cy),
                                   directory, previewDirectory};
        int preview = 0;
        const int loads = CheckSize(report, &sizeOptions, &preview);
        if (!loads) {
            ++failedSizes;
        }
        if (preview < 0) {
            previewFailed = true;
        }
        char previewText[MAX_PATH * 2] = "no preview";
        if (preview > 0) {
            char path[MAX_PATH * 2];
            FormatPreviewPath(path, sizeof path, &sizeOptions);
            snprintf(previewText, sizeof previewText, "preview %s", path);
        }
        char section[SectionCapacity];
        FormatSection(section, sizeOptions.width, sizeOptions.height);
        char sizeText[32] = "";
        if (section[0] == 'm') {
            snprintf(sizeText, sizeof sizeText, " (%dx%d)", sizeOptions.width, sizeOptions.height);
        }
        ReportLine(report, "%s%s: %s, %d error%s, %d warning%s; %s", section, sizeText,
                   loads ? "loads" : "does not load", report->errors,
                   report->errors == 1 ? "" : "s", report->warnings,
                   report->warnings == 1 ? "" : "s", previewText);
    }
    StartSection(report);
    CheckActions(report);
    ReportLine(report, "actions: %d error%s, %d warning%s", report->errors,
               report->errors == 1 ? "" : "s", report->warnings, report->warnings == 1 ? "" : "s");
    if (layeredKey != nullptr) {
        ReportValueSources(report, layeredKey);
    }
    if (previewFailed) {
        return ExitUsage;
    }
    return report->totalErrors > 0 || failedSizes > 0 ? ExitProblems : ExitClean;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!ParseArguments(argc, argv, &options)) {
        fputs(usage, stderr);
        return ExitUsage;
    }
    char programFolder[MAX_PATH * 2];
    ProgramFolder(programFolder, sizeof programFolder);
    char directory[MAX_PATH * 2];
    char previewDirectory[MAX_PATH * 2];
    if (!MakeFolder(options.directory, programFolder, directory, sizeof directory) ||
        !MakePreviewFolder(options.previewDirectory, previewDirectory, sizeof previewDirectory)) {
        fputs("skincheck: a folder name cannot be made into a full path, or the preview folder "
              "cannot be made\n",
              stderr);
        return ExitUsage;
    }
    Report report = {stdout, 0, 0, 0, 0};
    if (options.outFile != nullptr) {
        report.out = fopen(options.outFile, "w");
        if (report.out == nullptr) {
            fprintf(stderr, "skincheck: cannot write \"%s\"\n", options.outFile);
            return ExitUsage;
        }
    }
    if (options.displays) {
        SelectProfileUser(applicationKey);
        const int listed = ListDisplays(&report);
        if (report.out != stdout) {
            fclose(report.out);
        }
        return listed > 0 ? ExitClean : ExitProblems;
    }
    int result = ExitClean;
    const char* checkedKey = applicationKey;
    char privateKey[64];
    snprintf(privateKey, sizeof privateKey, "Velnor\\TileboxSkinCheck-%lu",
             static_cast<unsigned long>(GetCurrentProcessId()));
    if (options.regFile != nullptr) {
        int skipped = 0;
        char error[512];
        if (!ImportRegFile(options.regFile, privateKey, &skipped, error, sizeof error)) {
            ReportLine(&report, "skincheck: \"%s\": %s", options.regFile, error);
            result = ExitUsage;
        } else {
            if (skipped > 0) {
                ReportProblem(&report, "settings", false,
                              "\"%s\": %d key%s outside " TILEBOX_SETTINGS_PATH " skipped",
                              options.regFile, skipped, skipped == 1 ? "" : "s");
            }
            ReportLine(&report, "settings: \"%s\"; bitmaps from \"%s\"", options.regFile,
                       directory);
            SelectProfileUser(privateKey);
            checkedKey = privateKey;
        }
    } else {
        ReportLine(&report, "settings: the registry's Velnor\\Tilebox; bitmaps from \"%s\"",
                   directory);
        SelectProfileUser(applicationKey);
    }
    if (result == ExitClean) {
        ReportLine(&report, "previews: \"%s\"", previewDirectory);
        result = RunChecks(&report, &options, checkedKey, directory, previewDirectory,
                           options.regFile == nullptr ? applicationKey : nullptr);
        ReportLine(&report, "result: %d error%s, %d warning%s: %s (exit %d)", report.totalErrors,
                   report.totalErrors == 1 ? "" : "s", report.totalWarnings,
                   report.totalWarnings == 1 ? "" : "s",
                   result == ExitClean      ? "the skin loads and every button works"
                   : result == ExitProblems ? "the skin has problems"
                                            : "the check could not be completed",
                   result);
    }
    if (options.regFile != nullptr) {
        DeleteSettingsCopy(privateKey);
    }
    if (report.out != stdout) {
        fclose(report.out);
    }
    return result;
}
