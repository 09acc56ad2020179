#pragma once
// Captures what in-process code prints on standard output.

#include <functional>
#include <string>

std::string capture_stdout(const std::function<void()>& body);

// Sets TZ for the life of the object and restores the previous value.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::string saved_;
    bool had_ = false;
};

// Runs the body in a fresh scratch directory as the working directory.
class ScopedWorkDir {
public:
    explicit ScopedWorkDir(const std::string& tag);
    ~ScopedWorkDir();
    const std::string& path() const { return dir_; }

private:
    std::string dir_;
    std::string old_;
};
