#include <gtest/gtest.h>

#include "control/dorvane_ctl.h"

TEST(smoke, creates) {
    dorvane::VirtualPlatform platform;
    dorvane::DorvaneCtl ctl(platform);
    EXPECT_EQ(ctl.pump_table().Terminal_State, 0);
}
