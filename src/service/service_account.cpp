#include "service/service_account.h"

#include <ntsecapi.h>

#include "core/log.h"

namespace {

// Longer than any password the system takes.
constexpr DWORD kPasswordLimit = 1024;
constexpr DWORD kReadChunk = 128;
constexpr DWORD kDomainCharacters = 256;

void wipeCharacters(std::vector<wchar_t>& characters) {
    if (!characters.empty()) SecureZeroMemory(characters.data(), characters.size() * sizeof(wchar_t));
    characters.clear();
}

bool passwordFromEnvironment(std::vector<wchar_t>& characters) {
    characters.assign(kPasswordLimit + 1, L'\0');
    DWORD length = GetEnvironmentVariableW(kPasswordVariable, characters.data(), kPasswordLimit + 1);
    if (length == 0 || length > kPasswordLimit) {
        // Unset, empty, or longer than any real password.
        wipeCharacters(characters);
        return false;
    }
    characters.resize(length);
    return true;
}

void writeConsole(HANDLE console, const std::wstring& text) {
    DWORD written = 0;
    WriteConsoleW(console, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Reads one line from the console input without echo; the prompt and the
// line break after it go to the console itself, never to standard output.
bool passwordFromConsole(const std::wstring& account, std::vector<wchar_t>& characters) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (input == INVALID_HANDLE_VALUE || !input || !GetConsoleMode(input, &mode)) return false;
    HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (output == INVALID_HANDLE_VALUE) return false;
    // Echo off before the prompt shows, so that nothing typed at once is seen.
    SetConsoleMode(input, (mode & ~ENABLE_ECHO_INPUT) | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT);
    writeConsole(output, L"Password for account '" + account + L"': ");
    characters.clear();
    characters.reserve(kPasswordLimit + kReadChunk);
    wchar_t chunk[kReadChunk];
    bool ended = false;
    while (!ended && characters.size() <= kPasswordLimit) {
        DWORD got = 0;
        if (!ReadConsoleW(input, chunk, kReadChunk, &got, nullptr) || got == 0) break;
        for (DWORD i = 0; i < got && !ended; ++i) {
            if (chunk[i] == L'\n') ended = true;
            else if (chunk[i] != L'\r') characters.push_back(chunk[i]);
        }
    }
    SecureZeroMemory(chunk, sizeof chunk);
    SetConsoleMode(input, mode);
    writeConsole(output, L"\r\n");
    CloseHandle(output);
    if (!ended || characters.empty() || characters.size() > kPasswordLimit) {
        wipeCharacters(characters);
        return false;
    }
    return true;
}

}  // namespace

void ServicePassword::take(std::vector<wchar_t>& characters) {
    wipe();
    text_.reserve(characters.size() + 1);
    text_.assign(characters.begin(), characters.end());
    text_.push_back(L'\0');
    wipeCharacters(characters);
}

void ServicePassword::wipe() { wipeCharacters(text_); }

bool obtainPassword(const std::wstring& account, ServicePassword& password) {
    std::vector<wchar_t> characters;
    if (passwordFromEnvironment(characters)) {
        logMessage(L"service password from %s", kPasswordVariable);
    } else if (passwordFromConsole(account, characters)) {
        logMessage(L"service password typed at the console");
    } else {
        return false;
    }
    password.take(characters);
    return true;
}

AccountFailure grantServiceLogonRight(const std::wstring& account) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    wchar_t domain[kDomainCharacters];
    DWORD domainSize = kDomainCharacters;
    SID_NAME_USE use;
    if (!LookupAccountNameW(nullptr, account.c_str(), sid, &sidSize, domain, &domainSize, &use))
        return {L"looking up the account '" + account + L"'", GetLastError()};

    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    NTSTATUS status = LsaOpenPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES | POLICY_CREATE_ACCOUNT, &policy);
    const std::wstring granting = L"granting the account '" + account + L"' the right to log on as a service";
    if (status != 0) return {granting, LsaNtStatusToWinError(status)};
    wchar_t rightName[] = L"SeServiceLogonRight";
    LSA_UNICODE_STRING right;
    right.Buffer = rightName;
    right.Length = static_cast<USHORT>((sizeof rightName) - sizeof(wchar_t));
    right.MaximumLength = static_cast<USHORT>(sizeof rightName);
    status = LsaAddAccountRights(policy, sid, &right, 1);
    LsaClose(policy);
    if (status != 0) return {granting, LsaNtStatusToWinError(status)};
    logMessage(L"granted %s the right to log on as a service", account.c_str());
    return {};
}
