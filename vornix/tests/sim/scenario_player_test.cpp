// A scenario a month long, played on the simulated bus under the library.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "fixture/fixture.h"
#include "scenario.h"
#include "scenario_player.h"

using namespace vornix::sim;

// Thirty days in, past the 24.8 days of the clock's half range, a call rings with its
// caller and is answered.
TEST_F(LineBoxTest, ACallAMonthInPlays) {
    ScenarioPlayer player(bus(), parse_scenario("at 0 plug a\nat 2592000 ring a caller 123\nat 2592002 offhook a\n", "t"));
    player.start();
    ASSERT_EQ(SW_Init(), 1);
    for (int64_t left = 2592001000; left > 0; left -= INT32_MAX)
        player.advance(static_cast<int32_t>(std::min<int64_t>(left, INT32_MAX)));
    EXPECT_EQ(SW_CheckRing(0), 1);
    EXPECT_STREQ(SW_GetStrCID(0), "123");
    EXPECT_EQ(SW_CheckOffHook(0), 0);
    player.advance(2000);
    EXPECT_EQ(SW_CheckOffHook(0), 1);
    SW_Free();
}
