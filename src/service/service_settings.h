// The settings "/install" applies beyond the service itself: the account the
// service runs under, what the system does when it fails, a delayed
// automatic start and the time it gets at system shutdown. vorbix-pack
// checks and writes the entries with the same rules the launcher reads them
// by; an entry the launcher cannot read stops the installation rather than
// installing a service without it.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/config/config_ids.h"

enum class AccountKind { LocalSystem, LocalService, NetworkService, Virtual, User, Invalid };

// The kind of an account text: "LocalSystem", "LocalService",
// "NetworkService", "virtual" (the service's own NT SERVICE\<name>), or an
// explicit user "DOMAIN\user" (".\user" on the machine itself). Names in the
// system's own domains (NT AUTHORITY, NT SERVICE) are Invalid: the named
// kinds stand for them, and they take no password.
AccountKind accountKind(const std::string& text);

// The account name handed to the service control manager: empty for
// LocalSystem (no name at all, as without the entry), the system's name for
// the built-in and virtual accounts, the text itself for a user.
std::wstring serviceAccountName(AccountKind kind, const std::wstring& text, const std::wstring& serviceName);

struct FailureAction {
    bool restart = false;   // else no action
    uint32_t delayMs = 0;   // before the restart
    bool operator==(const FailureAction& other) const { return restart == other.restart && delayMs == other.delayMs; }
};

struct FailureActions {
    uint32_t resetSeconds = 0;            // failures are counted from 0 again after this long without one
    std::vector<FailureAction> actions;   // for the first, second and later failures
    bool failOnNonZeroExit = false;       // a stop with a non-zero exit code counts as a failure
};

// First, second and every later failure: what the services console shows.
constexpr size_t kMaxFailureActions = 3;
// The largest reset period (seconds) and delay (milliseconds) an entry holds.
constexpr uint32_t kMaxFailureNumber = 2147483647;

// The entry text: the reset seconds, then per action ";R" and the delay or
// ";N", then ";F" when a non-zero exit counts ("86400;R5000;N;F").
std::string encodeFailureActions(const FailureActions& actions);
// Takes exactly the texts encodeFailureActions writes (1 to 3 actions,
// numbers without leading zeros, at most kMaxFailureNumber).
bool decodeFailureActions(const std::string& text, FailureActions& out);

struct ServiceSettings {
    AccountKind account = AccountKind::LocalSystem;
    std::optional<FailureActions> failureActions;
    bool delayedAutoStart = false;
    std::optional<uint32_t> preshutdownMs;
};

// The pre-shutdown time of the entry in milliseconds; false when the entry
// is absent or no plain number of seconds.
bool readPreshutdownTimeout(const std::map<ConfigId, std::string>& base, uint32_t& milliseconds);

// Reads the entries of the base table. Returns "" when every present entry
// can be used, else what is wrong with the first one that cannot.
std::string readServiceSettings(const std::map<ConfigId, std::string>& base, ServiceSettings& out);
