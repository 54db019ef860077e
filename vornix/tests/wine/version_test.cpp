// The hold-off length as the library learns it from Windows at its first SW_Init:
// two seconds only when GetVersion reports the NT family and GetVersionExA then 5.1.
#include "fixture/fixture.h"
#include "wine/sim_imports.h"

using namespace vornix;

TEST_F(LineBoxTest, HoldOffIsTwoSecondsOnlyWhenBothVersionCallsSayNt51) {
    struct Case {
        const char* name;
        bool nt51;
        bool family_9x;
        bool query_fails;
        int length_ms;
    };
    for (const Case& c : {Case{"NT 5.1", true, false, false, 2000}, Case{"NT 6.1", false, false, false, 1000},
                          Case{"5.1 with the 9x family bit", true, true, false, 1000},
                          Case{"5.1 but GetVersionExA fails", true, false, true, 1000}}) {
        SCOPED_TRACE(c.name);
        runner::fresh_library();
        ids.clear();
        bus().set_nt51(c.nt51);
        winehost::report_9x_family(c.family_9x);
        winehost::fail_version_query(c.query_fails);
        open_with_boxes(1);

        EXPECT_EQ(SW_LED(1, VORNIX_LED_1), 0) << "no box at slot 1: the hold-off starts";
        bus().advance(c.length_ms - 1);
        EXPECT_EQ(SW_LED(0, VORNIX_LED_1), 1);
        EXPECT_EQ(requests(IOCTL_LINEBOX_LED_1), 0) << "still held off";
        bus().advance(1);
        EXPECT_EQ(SW_LED(0, VORNIX_LED_1), 1);
        EXPECT_EQ(requests(IOCTL_LINEBOX_LED_1), 1) << "the hold-off is over";
        SW_Free();
    }
}
