#include "service/service_controls.h"

uint32_t acceptedControls(bool preshutdownAccepted) {
    return kAcceptStop | kAcceptShutdown | (preshutdownAccepted ? kAcceptPreshutdown : 0);
}

ControlAction controlAction(uint32_t control, bool preshutdownAccepted) {
    if (control == kControlStop) return ControlAction::Stop;
    if (control == kControlShutdown || (control == kControlPreshutdown && preshutdownAccepted))
        return ControlAction::Shutdown;
    return ControlAction::ReportStatus;
}
