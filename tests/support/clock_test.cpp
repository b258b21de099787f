#include "support/clock.h"

#include "platform/system/win32.h"
#include "test_util.h"

class Clock : public ::testing::Test {
protected:
    void SetUp() override { reset_window_system(); }
    void TearDown() override { reset_window_system(); }
};

TEST_F(Clock, WaitReturnsExactlyWhenTheCountHasPassed) {
    use_virtual_clock(1000);
    EXPECT_EQ(1000u, start_clock());
    EXPECT_EQ(1000u, frame_start_ticks);
    EXPECT_EQ(1030u, wait_clock(30));
    EXPECT_EQ(1030u, read_clock());
}

TEST_F(Clock, WaitAfterALongFrameReturnsAtOnce) {
    use_virtual_clock(0);
    start_clock();
    for (int i = 0; i < 50; ++i) yield_processor();
    EXPECT_EQ(50u, wait_clock(30));
    EXPECT_EQ(50u, wait_clock(0));
}

TEST_F(Clock, WaitAcrossTheThirtyTwoBitWrap) {
    for (std::uint32_t start : {0xFFFFFFFFu - 29, 0xFFFFFFFFu - 10, 0xFFFFFFFFu}) {
        use_virtual_clock(start);
        start_clock();
        std::uint32_t end = wait_clock(30);
        EXPECT_EQ(30u, end - start) << start;  // neither at once nor for ever
        EXPECT_LT(end, 30u);
    }
}

TEST_F(Clock, EachStartMeasuresFromItself) {
    use_virtual_clock(5);
    start_clock();
    wait_clock(12);
    std::uint32_t second = start_clock();
    EXPECT_EQ(17u, second);
    EXPECT_EQ(29u, wait_clock(12));
}
