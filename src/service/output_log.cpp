#include "service/output_log.h"

#include <algorithm>
#include <cstring>
#include <utility>

std::wstring rotatedLogName(const std::wstring& path, int number) {
    size_t nameStart = path.find_last_of(L"\\/");
    nameStart = nameStart == std::wstring::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind(L'.');
    // A dot that leads the name (".log") starts no extension.
    if (dot == std::wstring::npos || dot <= nameStart) dot = path.size();
    return path.substr(0, dot) + L"." + std::to_wstring(number) + path.substr(dot);
}

OutputLog::OutputLog(OutputLogSettings settings, OutputLogFiles& files, Report problem, Report detail)
    : settings_(std::move(settings)), files_(files), problem_(std::move(problem)), detail_(std::move(detail)) {}

void OutputLog::fail(const wchar_t* what, const std::wstring& path, uint32_t error) {
    std::wstring text = std::wstring(L"The service output log ") + path + L" could not be " + what + L" (error " +
                        std::to_wstring(error) + L").";
    if (!reported_) {
        reported_ = true;
        if (problem_) problem_(text);
    } else if (detail_) {
        detail_(text);
    }
}

void OutputLog::open() {
    uint64_t size = 0;
    uint32_t error = 0;
    dropped_ = 0;
    if (!files_.openAppend(settings_.path, size, error)) {
        open_ = false;
        fail(L"opened", settings_.path, error);
        return;
    }
    open_ = true;
    counted_ = size;
}

void OutputLog::start() {
    open();
    if (open_ && settings_.rollOnStart && counted_ > 0) rotate();
}

void OutputLog::stop() {
    if (open_) files_.close();
    open_ = false;
}

void OutputLog::rotate() {
    if (open_) files_.close();
    open_ = false;
    uint32_t error = 0;
    bool moved;
    if (settings_.keep <= 0) {
        moved = files_.remove(settings_.path);
    } else {
        files_.remove(rotatedLogName(settings_.path, settings_.keep));
        for (int i = settings_.keep - 1; i >= 1; --i) {
            std::wstring older = rotatedLogName(settings_.path, i);
            uint32_t ignored = 0;
            if (files_.exists(older)) files_.rename(older, rotatedLogName(settings_.path, i + 1), ignored);
        }
        moved = files_.rename(settings_.path, rotatedLogName(settings_.path, 1), error);
    }
    if (!moved) fail(L"rotated", settings_.path, error);
    open();
    // Rotation failed (the file is held elsewhere): the output goes on in
    // the same file, and the next attempt comes after another full size.
    if (!moved) counted_ = 0;
}

void OutputLog::write(const char* data, size_t size) {
    const uint64_t limit = settings_.rotateSize;
    while (size > 0) {
        const void* end = std::memchr(data, '\n', size);
        size_t piece = end ? static_cast<size_t>(static_cast<const char*>(end) - data) + 1 : size;
        if (!open_ && atLineStart_ && dropped_ >= kOutputLogRetryBytes) open();
        if (open_ && limit > 0) {
            if (atLineStart_ ? counted_ > 0 && counted_ + piece > limit : counted_ >= 2 * limit) rotate();
            // A line longer than twice the size is cut, so that no file grows
            // without bound on output that never ends a line.
            if (open_ && counted_ + piece > 2 * limit) piece = static_cast<size_t>(2 * limit - counted_);
        }
        if (open_) {
            uint32_t error = 0;
            if (files_.write(data, piece, error)) {
                counted_ += piece;
            } else {
                files_.close();
                open_ = false;
                fail(L"written", settings_.path, error);
            }
        }
        if (!open_) dropped_ += piece;
        atLineStart_ = data[piece - 1] == '\n';
        data += piece;
        size -= piece;
    }
}

uint64_t outputLogNumber(const std::string* entry, uint64_t absent) {
    if (!entry || entry->empty()) return absent;
    uint64_t value = 0;
    for (char c : *entry) {
        if (c < '0' || c > '9') return absent;
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'), 0x7FFFFFFF);
    }
    return value;
}
