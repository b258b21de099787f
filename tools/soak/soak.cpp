// The soak: runs the game headless in this process, through its own message
// loop, for N frames of seeded random input (keys, mouse motion, the button and
// teleports), visiting the three levels in turn. After every frame it checks
// that the player's numbers are finite and the shown frame is whole; it samples
// the resident memory and fails when it grew beyond a limit after warm-up.
//
// The first level is entered through the title screen with Enter presses, as a
// player would. The later visits enter the next level at each segment's first
// frame the way the game enters it (as a door or the title does), so that every
// level gets its share of the frames whatever the random input achieves.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "game/setup.h"
#include "game/world.h"
#include "gfx/display.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/system/backend.h"
#include "platform/system/replay.h"
#include "shell/data_dir.h"
#include "shell/winmain.h"

namespace {

struct SoakOptions {
    std::uint64_t frames = 20000;  // frames to run
    std::uint32_t seed = 17;       // seed of the input generator
    std::uint64_t segment = 2000;  // frames spent in one level before the next
    std::uint64_t sample = 500;    // frames between memory samples
    long max_growth_kb = 4096;     // allowed growth of resident memory after warm-up
    std::string assets;            // folder of the asset files
};

struct SoakState {
    SoakOptions options;
    std::mt19937 random;
    std::vector<int> held;            // keys held on the coming passes
    int button = 0;                   // left button held on the coming passes
    int level = 0;                    // level of the current segment, 0 before the first
    std::uint64_t faults = 0;         // frames that failed a check
    std::vector<long> rss_kb;         // resident memory at each sample
    std::uint64_t frames_in[5] = {};  // frames run in each state, title .. ending
};

SoakState soak;

// The keys that random play holds, each now and then.
constexpr int kRandomKeys[] = {VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_SPACE, VK_RETURN};

long resident_kb() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long pages = 0, resident = 0;
    int read = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return read == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1024) : 0;
}

int uniform(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(soak.random);
}

bool chance(int one_in) {
    return uniform(1, one_in) == 1;
}

// The next segment's level, 1..3, entered as the game enters it.
void enter_segment_level(int level) {
    enter_level(level);
    soak.level = level;
}

// The title and story pages: Enter pressed and released in turn.
void feed_title_input(std::uint64_t frame) {
    feed_release_all_keys();
    if (frame % 4 < 2) feed_key(VK_RETURN, true);
}

// Random play: walk and jump keys that change now and then, motion, the
// button held for a while to charge a launch, and now and then a teleport.
void feed_random_input() {
    if (chance(8)) {
        soak.held.clear();
        for (int vk : kRandomKeys)
            if (chance(4)) soak.held.push_back(vk);
    }
    if (chance(20)) soak.button = !soak.button;
    feed_release_all_keys();
    for (int vk : soak.held) feed_key(vk, true);
    if (chance(150)) {
        feed_key(VK_LSHIFT, true);
        feed_key('J', true);
    }
    feed_mouse_button(0, soak.button != 0);
    if (chance(100))
        feed_mouse_motion(uniform(-2000, 2000), uniform(-2000, 2000));
    else
        feed_mouse_motion(uniform(-30, 30), uniform(-30, 30));
}

bool finite_player() {
    for (float v : {player.x, player.y, player.vx, player.vy, power})
        if (!std::isfinite(v)) return false;
    return true;
}

// The shown frame exists at the screen's size and its memory can be reached.
bool whole_frame() {
    if (!front_surface || display_width != 1280 || display_height != 1024) return false;
    // Read without a lock, which would count as a change of the screen.
    const std::uint8_t* pixels = front_surface->pixels();
    std::int32_t pitch = front_surface->pitch();
    if (!pixels) return false;
    bool whole = pitch >= display_width;
    // reading the corners proves the rows are there (the sanitizers check them)
    volatile std::uint8_t corners =
        pixels[0] ^ pixels[static_cast<std::size_t>(pitch) * 1023 + 1279];
    (void)corners;
    return whole;
}

void check_frame(std::uint64_t frame) {
    bool numbers = finite_player();
    bool frame_ok = whole_frame();
    bool state_ok = game_state >= STATE_TITLE && game_state <= STATE_ENDING;
    if (numbers && frame_ok && state_ok) return;
    if (++soak.faults <= 10) {
        std::fprintf(stderr, "soak: frame %llu: state %d x %g y %g vx %g vy %g power %g%s%s\n",
                     static_cast<unsigned long long>(frame), game_state, player.x, player.y,
                     player.vx, player.vy, power, numbers ? "" : " (not finite)",
                     frame_ok ? "" : " (frame not whole)");
    }
}

// After each frame: check it, sample memory, then feed the next pass's input
// and move to the next level at a segment's start.
void after_frame() {
    std::uint64_t frame = pass_count() - 1;
    check_frame(frame);
    if (game_state >= STATE_TITLE && game_state <= STATE_ENDING) ++soak.frames_in[game_state];
    if (frame % soak.options.sample == 0) soak.rss_kb.push_back(resident_kb());
    if (frame > 0 && frame % 100000 == 0) {  // progress of long runs
        std::printf("soak: frame %llu, %llu faulty, resident memory %ld kB\n",
                    static_cast<unsigned long long>(frame),
                    static_cast<unsigned long long>(soak.faults), soak.rss_kb.back());
        std::fflush(stdout);
    }
    std::uint64_t next = frame + 1;
    if (next >= soak.options.frames) return;  // the frame limit holds Escape now
    if (soak.level == 0 && game_state == STATE_LEVEL1) soak.level = 1;
    if (next % soak.options.segment == 0) {
        if (soak.level == 0) {
            ++soak.faults;
            std::fprintf(stderr, "soak: the title's Enter presses did not reach level 1\n");
        }
        enter_segment_level(soak.level % 3 + 1);
    }
    if (soak.level == 0 || game_state == STATE_ENDING)
        feed_title_input(next);
    else
        feed_random_input();
}

bool parse_number(const char* text, std::uint64_t* out) {
    char* end = nullptr;
    unsigned long long v = std::strtoull(text, &end, 10);
    if (!text[0] || *end) return false;
    *out = v;
    return true;
}

bool parse_args(int argc, char** argv, SoakOptions* o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string name = argv[i];
        std::uint64_t v = 0;
        if (name == "--assets") {
            o->assets = argv[i + 1];
            continue;
        }
        if (!parse_number(argv[i + 1], &v)) return false;
        if (name == "--frames")
            o->frames = v;
        else if (name == "--seed")
            o->seed = static_cast<std::uint32_t>(v);
        else if (name == "--segment")
            o->segment = v;
        else if (name == "--max-growth-kb")
            o->max_growth_kb = static_cast<long>(v);
        else
            return false;
    }
    return argc % 2 == 1 && o->frames > 0 && o->segment > 0;
}

// Memory at start, after warm-up (the largest sample of the first quarter, by
// which every level has been visited in a run of four segments or more) and
// at the end; true when the end stays within the allowed growth.
bool report_memory() {
    const std::vector<long>& s = soak.rss_kb;
    if (s.empty()) return true;
    std::size_t warm = s.size() / 4 + 1;
    long baseline = 0, peak = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i < warm && s[i] > baseline) baseline = s[i];
        if (s[i] > peak) peak = s[i];
    }
    long growth = s.back() - baseline;
    std::printf(
        "soak: resident memory %ld kB at start, %ld kB after warm-up, %ld kB at end, "
        "%ld kB peak\n",
        s.front(), baseline, s.back(), peak);
    if (growth <= soak.options.max_growth_kb) return true;
    std::fprintf(stderr, "soak: memory grew by %ld kB after warm-up (limit %ld kB)\n", growth,
                 soak.options.max_growth_kb);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (!parse_args(argc, argv, &soak.options)) {
        std::fprintf(stderr,
                     "usage: soak [--frames N] [--seed S] [--segment FRAMES] "
                     "[--max-growth-kb KB] [--assets DIR]\n");
        return 2;
    }
    if (!enter_data_dir(soak.options.assets)) return 2;
    soak.random.seed(soak.options.seed);
    use_virtual_clock(0);
    set_backend(make_headless_backend());
    set_frame_limit(soak.options.frames);
    frame_observer = after_frame;
    static char command_line[] = "";
    WinMain(nullptr, nullptr, command_line, 1);
    set_backend(nullptr);
    std::uint64_t frames = pass_count() > 0 ? pass_count() - 1 : 0;
    std::printf("soak: %llu frames, seed %u, %llu faulty frames\n",
                static_cast<unsigned long long>(frames), soak.options.seed,
                static_cast<unsigned long long>(soak.faults));
    std::printf("soak: frames on the title %llu, in level 1 %llu, 2 %llu, 3 %llu, ending %llu\n",
                static_cast<unsigned long long>(soak.frames_in[0]),
                static_cast<unsigned long long>(soak.frames_in[1]),
                static_cast<unsigned long long>(soak.frames_in[2]),
                static_cast<unsigned long long>(soak.frames_in[3]),
                static_cast<unsigned long long>(soak.frames_in[4]));
    std::fflush(stdout);
    bool memory_ok = report_memory();
    return soak.faults == 0 && memory_ok && frames >= soak.options.frames ? 0 : 1;
}
