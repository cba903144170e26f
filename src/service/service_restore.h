// Puts a service back as a ServiceRecord describes it, after "/install" has
// removed it and could not set up the new one. The password of its account
// cannot be read, so the service comes back without one.
#pragma once

#include <windows.h>

#include <vector>

#include "service/service_record.h"
#include "service/service_setup.h"

// Creates the service and sets what the record holds. False when it could
// not be created (failures then holds why); failures also lists each setting
// that could not be put back.
bool recreateService(SC_HANDLE manager, const ServiceRecord& record, std::vector<SetupFailure>& failures);
