// An explicit user account for the service: its password for "/install",
// which is never stored anywhere (it comes from the environment or is typed
// at the console), and the right to log on as a service.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

constexpr const wchar_t* kPasswordVariable = L"VORBIX_SERVICE_PASSWORD";

// A password, wiped from memory when it goes.
class ServicePassword {
public:
    ServicePassword() = default;
    ~ServicePassword() { wipe(); }
    ServicePassword(const ServicePassword&) = delete;
    ServicePassword& operator=(const ServicePassword&) = delete;

    bool given() const { return !text_.empty(); }
    // NUL-terminated; only when given.
    const wchar_t* text() const { return text_.data(); }
    // Takes the characters (without a terminator) and wipes the source.
    void take(std::vector<wchar_t>& characters);

private:
    void wipe();
    std::vector<wchar_t> text_;
};

// The password from VORBIX_SERVICE_PASSWORD, or, when that is unset and
// standard input is a console, typed there without echo after a prompt on
// the console naming the account. False when neither gives one.
bool obtainPassword(const std::wstring& account, ServicePassword& password);

// What granting the right failed at ("" when it did not fail) and the
// system error code.
struct AccountFailure {
    std::wstring what;
    DWORD error = 0;
};

// The account's SID as text, and whether the grant below gave the account
// the right: false when it had it already, or when the system could not say
// (a right it may not have given is never taken back).
struct LogonRight {
    std::wstring sid;
    bool granted = false;
};

// Looks the account up and grants it the right to log on as a service
// (SeServiceLogonRight), which it needs to run one; an account that has it
// keeps it as it is.
AccountFailure grantServiceLogonRight(const std::wstring& account, LogonRight& right);

// Takes the right to log on as a service back from the account of the SID.
AccountFailure revokeServiceLogonRight(const std::wstring& sid);

// The SID of the account name as text; "" when it cannot be looked up.
std::wstring accountSid(const std::wstring& account);
// DOMAIN\user of the SID for messages, or the SID text itself.
std::wstring accountOfSid(const std::wstring& sid);
