// The tick counter's modes and the waits' pacing, on a backend whose real clock
// is a counter that moves only when the platform sleeps or a frame "works".
#include "platform/system/ticks.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/backends/headless/headless_backend.h"
#include "platform/system/backend.h"
#include "support/clock.h"

namespace {

class FakeClockBackend final : public NullBackend {
public:
    std::uint64_t real_microseconds() override { return now_us; }
    bool has_real_clock() const override { return true; }
    void sleep(std::uint32_t microseconds) override {
        ++sleeps;
        now_us += microseconds + oversleep_us;
    }
    std::uint64_t now_us = 5'000'000;
    std::uint32_t oversleep_us = 0;  // how late a sleeper wakes
    int sleeps = 0;
};

struct FrameRun {
    std::vector<std::uint32_t> starts;   // the frame clock's starts
    std::vector<std::uint64_t> real_us;  // the fake real clock at each start
};

// Runs frames of work_us real microseconds each, then a 30 ms wait.
FrameRun run_frames(FakeClockBackend* b, int frames, std::uint64_t work_us) {
    FrameRun r;
    for (int i = 0; i < frames; ++i) {
        r.starts.push_back(start_clock());
        r.real_us.push_back(b->now_us);
        b->now_us += work_us;
        wait_clock(30);
    }
    return r;
}

class Ticks : public ::testing::Test {
protected:
    void SetUp() override {
        auto b = std::make_unique<FakeClockBackend>();
        fake = b.get();
        set_backend(std::move(b));
    }
    void TearDown() override {
        set_backend(nullptr);
        reset_ticks();
    }
    FakeClockBackend* fake = nullptr;
};

}  // namespace

// On the real clock a frame whose work fits starts 30 ms after the previous
// one, even when the sleeper wakes late, and the wait sleeps instead of polling.
TEST_F(Ticks, RealClockKeepsTheThirtyMillisecondPace) {
    set_clock_mode(ClockMode::real);
    fake->oversleep_us = 150;
    FrameRun r = run_frames(fake, 50, 7'000);
    for (std::size_t i = 1; i < r.starts.size(); ++i) {
        EXPECT_EQ(30u, r.starts[i] - r.starts[i - 1]) << "frame " << i;
        EXPECT_LT(r.real_us[i] - r.real_us[i - 1], 31'000u) << "frame " << i;
    }
    EXPECT_LT(fake->sleeps, 50 * 4);
}

// Paced virtual time: every frame lasts 30 virtual ms, and real time follows it
// whatever the frame's work, as long as the work fits; a stall is not made up
// by running flat out afterwards.
TEST_F(Ticks, PacedVirtualTimeFollowsRealTimeAndForgetsAStall) {
    set_clock_mode(ClockMode::virtual_paced, 1000);
    EXPECT_EQ(1000u, get_tick_count());
    EXPECT_EQ(1, virtual_clock_in_use());
    FrameRun r = run_frames(fake, 40, 12'000);
    for (std::size_t i = 2; i < r.starts.size(); ++i) {
        EXPECT_EQ(30u, r.starts[i] - r.starts[i - 1]);
        EXPECT_NEAR(30'000.0, static_cast<double>(r.real_us[i] - r.real_us[i - 1]), 1'000.0);
    }
    fake->now_us += 2'000'000;  // the machine stalls for two seconds
    FrameRun after = run_frames(fake, 10, 0);
    for (std::size_t i = 2; i < after.starts.size(); ++i)
        EXPECT_NEAR(30'000.0, static_cast<double>(after.real_us[i] - after.real_us[i - 1]), 1'000.0)
            << "frame " << i << " after the stall";
}

// Unpaced virtual time never sleeps, and a backend without a real clock is
// always on the virtual counter, whatever mode was chosen.
TEST_F(Ticks, VirtualTimeNeverSleepsAndHeadlessIsAlwaysVirtual) {
    use_virtual_clock(0);
    FrameRun r = run_frames(fake, 5, 0);
    EXPECT_EQ(0, fake->sleeps);
    EXPECT_EQ(120u, r.starts.back());

    set_backend(make_headless_backend());
    set_clock_mode(ClockMode::real, 77);
    EXPECT_EQ(ClockMode::virtual_time, clock_mode());
    EXPECT_EQ(77u, get_tick_count());
    yield_processor();
    EXPECT_EQ(78u, get_tick_count());
}
