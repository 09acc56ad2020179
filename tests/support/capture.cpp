#include "support/capture.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

#include "support/process.h"

std::string capture_stdout(const std::function<void()>& body)
{
    fflush(stdout);
    FILE* tmp = tmpfile();
    int saved = dup(fileno(stdout));
    dup2(fileno(tmp), fileno(stdout));
    body();
    fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string out;
    rewind(tmp);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), tmp)) > 0)
        out.append(buf, n);
    fclose(tmp);
    return out;
}

ScopedTimeZone::ScopedTimeZone(const char* zone)
{
    const char* old = getenv("TZ");
    had_ = old != nullptr;
    if (had_)
        saved_ = old;
    setenv("TZ", zone, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone()
{
    if (had_)
        setenv("TZ", saved_.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

ScopedWorkDir::ScopedWorkDir(const std::string& tag)
{
    char buf[4096];
    if (getcwd(buf, sizeof(buf)) != nullptr)
        old_ = buf;
    dir_ = make_temp_dir(tag);
    if (chdir(dir_.c_str()) != 0)
        abort();
}

ScopedWorkDir::~ScopedWorkDir()
{
    if (!old_.empty() && chdir(old_.c_str()) != 0)
        abort();
    remove_tree(dir_);
}
