#include "skincheck/skincheck.h"

#include <cstdarg>

void StartSection(Report* report)
{
    report->errors = 0;
    report->warnings = 0;
}

static void WriteFormatted(Report* report, const char* prefix, const char* format, va_list args)
{
    char text[1024];
    vsnprintf(text, sizeof text, format, args);
    fprintf(report->out, "%s%s\n", prefix, text);
    fflush(report->out);
}

void ReportProblem(Report* report, const char* section, bool isError, const char* format, ...)
{
    char prefix[64];
    snprintf(prefix, sizeof prefix, "%s: %s: ", section, isError ? "error" : "warning");
    if (isError) {
        ++report->errors;
        ++report->totalErrors;
    } else {
        ++report->warnings;
        ++report->totalWarnings;
    }
    va_list args;
    va_start(args, format);
    WriteFormatted(report, prefix, format, args);
    va_end(args);
}

void ReportLine(Report* report, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteFormatted(report, "", format, args);
    va_end(args);
}
