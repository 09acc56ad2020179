#include "base/trace.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/config.h"
#include "base/printer.h"
#include "base/str_util.h"

int write_trace(const char* format, ...)
{
    FILE* fp = config_data.trace_config.fp;
    if (fp == nullptr)
        return 0;
    va_list args;
    va_start(args, format);
    int n = vfprintf(fp, format, args);
    va_end(args);
    return n;
}

void flush_trace()
{
    if (config_data.trace_config.fp != nullptr)
        fflush(config_data.trace_config.fp);
}

void close_trace_file()
{
    if (config_data.trace_config.fp != nullptr) {
        fclose(config_data.trace_config.fp);
        config_data.trace_config.fp = nullptr;
    }
}

void open_trace_file()
{
    close_trace_file();
    TRACE_CONFIG* tc = &config_data.trace_config;
    if (tc->trace_filename[0] == '\0')
        copy_str(tc->trace_filename, sizeof(tc->trace_filename), "zem_trace.txt");
    tc->fp = fopen(tc->trace_filename, "a");
    if (tc->fp == nullptr)
        sp_printf("can not open trace file,filename:  '%s',error message:%s\n", tc->trace_filename, strerror(errno));
}
