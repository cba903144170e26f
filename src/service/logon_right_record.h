// The right to log on as a service that "/install" gave an account: recorded
// in the service's own key (only when the account lacked it), and taken back
// when the service goes, unless another installed service still runs under
// the account.
#pragma once

#include <windows.h>

#include <string>

// The name of another installed service (not ownName) whose account has the
// SID; "" when there is none.
std::wstring otherServiceOfAccount(SC_HANDLE manager, const std::wstring& ownName, const std::wstring& sid);

// Takes the right back from the account of the SID, or keeps it when another
// service runs under the account; prints which on standard output. manager
// needs SC_MANAGER_ENUMERATE_SERVICE.
void releaseLogonRight(SC_HANDLE manager, const std::wstring& ownName, const std::wstring& sid);
