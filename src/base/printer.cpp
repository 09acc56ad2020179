#include "base/printer.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>

#include "base/run_status.h"
#include "base/types.h"

#include "base/progress_line.h"

FILE* fp_spool = nullptr;

namespace {

std::string spool_name;
int spool_error = 0; // errno of the first copy that did not reach the spool

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
    if (fp_spool != nullptr && vprint_to(fp_spool, format, args) < 0 && spool_error == 0)
        spool_error = errno != 0 ? errno : EIO;
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

int open_spool_file(const char* name)
{
    close_spool_file();
    spool_name = name;
    spool_error = 0;
    fp_spool = fopen(name, "w");
    return fp_spool != nullptr;
}

int close_spool_file()
{
    if (fp_spool == nullptr)
        return TRUE;
    errno = 0;
    if ((fflush(fp_spool) != 0 || ferror(fp_spool)) && spool_error == 0)
        spool_error = errno != 0 ? errno : EIO;
    if (fclose(fp_spool) != 0 && spool_error == 0)
        spool_error = errno != 0 ? errno : EIO;
    fp_spool = nullptr;
    if (spool_error == 0)
        return TRUE;
    // The spool itself is what failed: the screen alone can tell.
    screen_printf("write file %s error! error message:%s.\n", spool_name.c_str(), strerror(spool_error));
    spool_error = 0;
    note_output_failure();
    return FALSE;
}

int spool_only_printf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = fp_spool != nullptr ? vprint_to(fp_spool, format, args) : 0;
    va_end(args);
    return n;
}
