// The script that plays and the recorder, beside each other: both work on the
// key state and motion of input_feed, once per pass.
#include "platform/system/replay.h"

#include <utility>

#include "platform/system/input_feed.h"
#include "platform/system/virtual_keys.h"

namespace {

bool playing = false;
std::uint64_t frame_limit = 0;
InputScript script;
ScriptRecorder recorder;

void record_pass() {
    if (!recorder.is_open()) return;
    ScriptLine line;
    line.count = 1;
    for (int vk = 0; vk < 256; ++vk) {
        if (key_is_down(vk) && !script_key_name(vk).empty())
            line.keys.push_back(static_cast<std::uint8_t>(vk));
    }
    take_pass_motion(&line.dx, &line.dy);
    line.button = mouse_button_down(0);
    recorder.add(line);
}

}  // namespace

void play_input_script(InputScript s) {
    script = std::move(s);
    playing = true;
    ignore_device_input(true);
}

int input_script_playing() {
    return playing ? 1 : 0;
}

int record_input(const char* path) {
    return recorder.open(path);
}

void stop_recording() {
    recorder.close();
}

void feed_script_pass(const InputScript& s, std::uint64_t pass) {
    constexpr FeedSource from = FeedSource::platform;
    feed_release_all_keys(from);
    const ScriptLine* line = script_line_for_pass(s, pass);
    if (!line) {
        feed_key(VK_ESCAPE, true, from);
        feed_mouse_button(0, false, from);
        return;
    }
    for (std::uint8_t vk : line->keys) feed_key(vk, true, from);
    feed_mouse_motion(line->dx, line->dy, from);
    feed_mouse_button(0, line->button != 0, from);
}

void set_frame_limit(std::uint64_t frames) {
    frame_limit = frames;
}

void replay_pass(std::uint64_t pass) {
    if (playing) feed_script_pass(script, pass);
    if (frame_limit != 0 && pass >= frame_limit) feed_key(VK_ESCAPE, true, FeedSource::platform);
    record_pass();
}

void reset_replay() {
    recorder.close();
    frame_limit = 0;
    playing = false;
    script = InputScript{};
    ignore_device_input(false);
}
