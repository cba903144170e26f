// Which control requests the service process accepts and what it does with
// each: a stop, and a system shutdown, which ends the worker the same way.
// The pre-shutdown request, which comes before the shutdown and lets the
// service take the configured time, is accepted only when that time is
// configured.
#pragma once

#include <cstdint>

enum class ControlAction { Stop, Shutdown, ReportStatus };

// The control codes and accepted-control bits of the service API.
constexpr uint32_t kControlStop = 1;
constexpr uint32_t kControlShutdown = 5;
constexpr uint32_t kControlPreshutdown = 15;
constexpr uint32_t kAcceptStop = 0x1;
constexpr uint32_t kAcceptShutdown = 0x4;
constexpr uint32_t kAcceptPreshutdown = 0x100;

uint32_t acceptedControls(bool preshutdownAccepted);

// Every code the service does not accept (interrogation among them) only
// has the status reported again.
ControlAction controlAction(uint32_t control, bool preshutdownAccepted);
