#include "service/service_account.h"

#include <ntsecapi.h>
#include <sddl.h>

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

namespace {

constexpr NTSTATUS kStatusObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
wchar_t kLogonRightName[] = L"SeServiceLogonRight";

LSA_UNICODE_STRING logonRight() {
    LSA_UNICODE_STRING right;
    right.Buffer = kLogonRightName;
    right.Length = static_cast<USHORT>((sizeof kLogonRightName) - sizeof(wchar_t));
    right.MaximumLength = static_cast<USHORT>(sizeof kLogonRightName);
    return right;
}

std::wstring sidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return std::wstring();
    std::wstring result = text;
    LocalFree(text);
    return result;
}

// True and whether the account holds the right, or false when the system
// cannot say. An account without any right is not found at all.
bool holdsLogonRight(LSA_HANDLE policy, PSID sid, bool& holds) {
    LSA_UNICODE_STRING* rights = nullptr;
    ULONG count = 0;
    NTSTATUS status = LsaEnumerateAccountRights(policy, sid, &rights, &count);
    holds = false;
    if (status == kStatusObjectNameNotFound) return true;
    if (status != 0) return false;
    for (ULONG i = 0; i < count; ++i) {
        std::wstring name(rights[i].Buffer, rights[i].Length / sizeof(wchar_t));
        if (_wcsicmp(name.c_str(), kLogonRightName) == 0) holds = true;
    }
    LsaFreeMemory(rights);
    return true;
}

}  // namespace

AccountFailure grantServiceLogonRight(const std::wstring& account, LogonRight& result) {
    result = LogonRight();
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    wchar_t domain[kDomainCharacters];
    DWORD domainSize = kDomainCharacters;
    SID_NAME_USE use;
    if (!LookupAccountNameW(nullptr, account.c_str(), sid, &sidSize, domain, &domainSize, &use))
        return {L"looking up the account '" + account + L"'", GetLastError()};
    result.sid = sidText(sid);

    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    NTSTATUS status = LsaOpenPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES | POLICY_CREATE_ACCOUNT, &policy);
    const std::wstring granting = L"granting the account '" + account + L"' the right to log on as a service";
    if (status != 0) return {granting, LsaNtStatusToWinError(status)};
    bool holds = false;
    bool known = holdsLogonRight(policy, sid, holds);
    if (known && holds) {
        LsaClose(policy);
        logMessage(L"%s may already log on as a service", account.c_str());
        return {};
    }
    LSA_UNICODE_STRING right = logonRight();
    status = LsaAddAccountRights(policy, sid, &right, 1);
    LsaClose(policy);
    if (status != 0) return {granting, LsaNtStatusToWinError(status)};
    // Only a right known to be new is ever taken back again.
    result.granted = known && !result.sid.empty();
    logMessage(L"granted %s the right to log on as a service%s", account.c_str(),
               known ? L"" : L" (whether it had it could not be read)");
    return {};
}

AccountFailure revokeServiceLogonRight(const std::wstring& sid) {
    PSID binary = nullptr;
    if (!ConvertStringSidToSidW(sid.c_str(), &binary)) return {L"reading the account " + sid, GetLastError()};
    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    NTSTATUS status = LsaOpenPolicy(nullptr, &attributes, POLICY_LOOKUP_NAMES, &policy);
    if (status == 0) {
        LSA_UNICODE_STRING right = logonRight();
        status = LsaRemoveAccountRights(policy, binary, FALSE, &right, 1);
        LsaClose(policy);
    }
    LocalFree(binary);
    // An account that lost the right some other way has nothing to take back.
    if (status != 0 && status != kStatusObjectNameNotFound)
        return {L"taking back the right to log on as a service", LsaNtStatusToWinError(status)};
    return {};
}

std::wstring accountSid(const std::wstring& account) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof sid;
    wchar_t domain[kDomainCharacters];
    DWORD domainSize = kDomainCharacters;
    SID_NAME_USE use;
    if (!LookupAccountNameW(nullptr, account.c_str(), sid, &sidSize, domain, &domainSize, &use)) return std::wstring();
    return sidText(sid);
}

std::wstring accountOfSid(const std::wstring& sid) {
    PSID binary = nullptr;
    if (!ConvertStringSidToSidW(sid.c_str(), &binary)) return sid;
    wchar_t name[kDomainCharacters];
    DWORD nameSize = kDomainCharacters;
    wchar_t domain[kDomainCharacters];
    DWORD domainSize = kDomainCharacters;
    SID_NAME_USE use;
    bool found = LookupAccountSidW(nullptr, binary, name, &nameSize, domain, &domainSize, &use) != FALSE;
    LocalFree(binary);
    if (!found) return sid;
    return domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name);
}
