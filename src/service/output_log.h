// The service's output log: everything the worker writes to its standard
// output and error, appended to one file as it comes and rotated by size at
// line boundaries (name.log, then name.1.log ... name.N.log, oldest last).
// The file operations are handed in, so that the rules run anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

constexpr uint64_t kDefaultOutputLogSize = 10ull * 1024 * 1024;
constexpr int kDefaultOutputLogKeep = 5;
// While the file cannot be written, this much output goes by before the
// next attempt to open it (at a line boundary).
constexpr uint64_t kOutputLogRetryBytes = 64 * 1024;

struct OutputLogSettings {
    std::wstring path;
    uint64_t rotateSize = kDefaultOutputLogSize;  // 0: never rotated by size
    int keep = kDefaultOutputLogKeep;             // rotated files kept
    bool rollOnStart = false;                     // a non-empty log is rotated at start
};

// The file operations of the log; one file is open at a time.
class OutputLogFiles {
public:
    virtual ~OutputLogFiles() = default;
    // Opens the file for appending, creating it and its directories; size
    // gets its current length.
    virtual bool openAppend(const std::wstring& path, uint64_t& size, uint32_t& error) = 0;
    virtual bool write(const char* data, size_t size, uint32_t& error) = 0;
    virtual void close() = 0;
    virtual bool exists(const std::wstring& path) = 0;
    virtual bool remove(const std::wstring& path) = 0;
    // Replaces an existing target.
    virtual bool rename(const std::wstring& from, const std::wstring& to, uint32_t& error) = 0;
};

// The name of rotated file number (1 = the newest): ".number" put in front
// of the file name's extension, or behind a name without one.
std::wstring rotatedLogName(const std::wstring& path, int number);

class OutputLog {
public:
    // problem receives the first failure only (the text names the file and
    // the system error); later ones go to detail, when given.
    using Report = std::function<void(const std::wstring& text)>;
    OutputLog(OutputLogSettings settings, OutputLogFiles& files, Report problem, Report detail = nullptr);
    OutputLog(const OutputLog&) = delete;
    OutputLog& operator=(const OutputLog&) = delete;

    // Rolls the old log when configured and opens the file.
    void start();
    // Writes the bytes through to the file. A line stays in one file unless
    // it outgrows twice the rotation size, where it is cut.
    void write(const char* data, size_t size);
    void stop();

private:
    void open();
    void rotate();
    void fail(const wchar_t* what, const std::wstring& path, uint32_t error);

    OutputLogSettings settings_;
    OutputLogFiles& files_;
    Report problem_;
    Report detail_;
    bool open_ = false;
    bool reported_ = false;
    bool atLineStart_ = true;
    // Bytes that count towards the rotation size: the file's length, or what
    // was written since a rotation failed.
    uint64_t counted_ = 0;
    uint64_t dropped_ = 0;
};

// A count or size entry's value: plain decimal digits, capped at 2^31 - 1;
// absent (null) or anything else gives the default.
uint64_t outputLogNumber(const std::string* entry, uint64_t absent);
