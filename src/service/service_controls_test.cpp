#include "service/service_controls.h"

#include <gtest/gtest.h>

TEST(ServiceControls, PreshutdownIsAcceptedAndTakesTheShutdownPathOnlyWhenConfigured) {
    EXPECT_EQ(acceptedControls(false), 0x5u);  // stop and shutdown, as without the setting
    EXPECT_EQ(acceptedControls(true), 0x105u);
    struct Case {
        uint32_t control;
        bool preshutdownAccepted;
        ControlAction action;
    };
    const Case cases[] = {
        {1, false, ControlAction::Stop},          {1, true, ControlAction::Stop},
        {5, false, ControlAction::Shutdown},      {5, true, ControlAction::Shutdown},
        {15, true, ControlAction::Shutdown},      {15, false, ControlAction::ReportStatus},
        {4, true, ControlAction::ReportStatus},   {128, true, ControlAction::ReportStatus},
        {0x100, true, ControlAction::ReportStatus},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.control << " " << c.preshutdownAccepted);
        EXPECT_EQ(controlAction(c.control, c.preshutdownAccepted), c.action);
    }
}
