#include "bench/fixture.h"

using namespace vornix;

TEST_F(LineBoxTest, InitFindsBoxesAndReinitialisesEachOnce) {
    bus().plug_silently();
    bus().plug_silently();
    EXPECT_EQ(SW_Init(), 1);
    EXPECT_EQ(SW_GetCount(), 2);
    EXPECT_EQ(requests(IOCTL_LINEBOX_INIT), 2);
    EXPECT_EQ(SW_Free(), 1);
}
