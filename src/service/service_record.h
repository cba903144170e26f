// What the service control manager holds about an installed service: what
// "/install" reads before it replaces a service (to put it back when the
// new one cannot be set up) and what "/info" prints.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The service API's action types: none, restart, reboot, run a command.
struct RecoveryAction {
    uint32_t type = 0;
    uint32_t delayMs = 0;
};

struct Recovery {
    uint32_t resetSeconds = 0;
    std::wstring rebootMessage;
    std::wstring command;
    std::vector<RecoveryAction> actions;   // empty: nothing happens on a failure
};

struct ServiceRecord {
    std::wstring name;
    std::wstring displayName;
    std::wstring binaryPath;
    uint32_t serviceType = 0;
    uint32_t startType = 0;
    uint32_t errorControl = 0;
    std::wstring loadOrderGroup;
    // Service names; a group is written with a leading '+', as in the API.
    std::vector<std::wstring> dependencies;
    std::wstring account;                     // "" or "LocalSystem": the local system
    std::wstring description;
    // Absent where the system could not say.
    std::optional<Recovery> recovery;
    std::optional<bool> recoveryOnNonZeroExit;
    std::optional<bool> delayedAutoStart;
    std::optional<uint32_t> preshutdownMs;
    // Set for the service rather than the system's default answered.
    bool preshutdownStored = false;
    // The SID (as text) of the account that "/install" granted the right to
    // log on as a service; "" when it granted none.
    std::wstring grantedLogonRight;
    uint32_t state = 0;                       // the API's current state, 0 unknown
};

// The registry value of the service's own key that holds grantedLogonRight.
constexpr const wchar_t* kGrantedLogonRightValue = L"VorbixGrantedLogonRight";

// Whether the service control manager needs a password to run a service
// under the account: not for the local system, the system's own accounts
// (NT AUTHORITY, NT SERVICE) and managed service accounts (ending in "$").
bool accountNeedsPassword(const std::wstring& account);

// The names of a double-NUL list (the API's dependencies, a REG_MULTI_SZ);
// the list may lack its final NUL.
std::vector<std::wstring> splitNulList(const std::wstring& list);
// The reverse: each name with its NUL, then one more; "" for no names.
std::wstring joinNulList(const std::vector<std::wstring>& names);

// The lines "/info" prints, label and value: name, display name, program,
// start type, account, description, dependencies, failure actions,
// pre-shutdown time, the granted logon right (only when granted) and state.
std::vector<std::wstring> serviceInfoLines(const ServiceRecord& record);
