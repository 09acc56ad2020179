#include "base/printer.h"

#include <cstdarg>

#include "base/progress_line.h"

FILE* fp_spool = nullptr;

namespace {

int vprint_to(FILE* stream, const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int n = vfprintf(stream, format, copy);
    va_end(copy);
    return n;
}

int vsp_printf(const char* format, va_list args)
{
    clear_status_line();
    int n = vprint_to(stdout, format, args);
    if (fp_spool != nullptr)
        vprint_to(fp_spool, format, args);
    return n;
}

} // namespace

int sp_printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vsp_printf(format, args);
    va_end(args);
    return n;
}

int fsp_printf(FILE* stream, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = stream != nullptr ? vprint_to(stream, format, args) : vsp_printf(format, args);
    va_end(args);
    return n;
}

int fsp_printf2(FILE* stream, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    if (stream != nullptr)
        vprint_to(stream, format, args);
    int n = vsp_printf(format, args);
    va_end(args);
    return n;
}

int screen_printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    clear_status_line();
    int n = vprint_to(stdout, format, args);
    va_end(args);
    return n;
}

int spool_only_printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = fp_spool != nullptr ? vprint_to(fp_spool, format, args) : 0;
    va_end(args);
    return n;
}
