// Music slots on the headless output: pieces start, stop and end at the virtual
// times their files give, whether or not a sound font is installed.
#include "audio/music.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>

#include "audio_files.h"
#include "platform/headless/headless_backend.h"
#include "platform/win32.h"
#include "test_util.h"

namespace {

class Music : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(nullptr, getcwd(home, sizeof home));
        dir = temp_path("dir");
        mkdir(dir.c_str(), 0755);
        ASSERT_EQ(0, chdir(dir.c_str()));
        reset_window_system();
        use_virtual_clock(0);
        set_backend(make_headless_backend({}, false));
        ASSERT_EQ(1, music_init());
    }
    void TearDown() override {
        EXPECT_EQ(1, music_shutdown());
        set_backend(nullptr);
        reset_window_system();
        EXPECT_EQ(0, chdir(home));
    }

    // Writes the file into the current directory and loads it by its name.
    int load(const std::string& name, const std::string& bytes) {
        write_file(name, bytes);
        return load_midi(name.c_str());
    }

    // Lets the virtual clock reach ms, then runs a pass: the output renders
    // the time since the last pass.
    static void pass_at(std::uint32_t ms) {
        while (get_tick_count() < ms) yield_processor();
        MSG msg;
        peek_message(&msg, nullptr, 0, 0, PM_REMOVE);
    }

    char home[PATH_MAX];
    std::string dir;
};

}  // namespace

TEST_F(Music, StartingBStopsA) {
    int a = load("a.mid", one_note_midi(960));
    int b = load("b.mid", one_note_midi(960, 64));
    ASSERT_EQ(0, a);
    ASSERT_EQ(1, b);
    EXPECT_EQ(MUSIC_STATE_LOADED, music_slots[a].state);
    EXPECT_EQ(nullptr, music_slots[a].segment_state);
    ASSERT_EQ(1, play_music(a));
    ASSERT_EQ(1, play_music(b));
    EXPECT_EQ(MUSIC_STATE_STOPPED, music_slots[a].state);
    EXPECT_EQ(MUSIC_STATE_PLAYING, music_slots[b].state);
    EXPECT_EQ(b, current_music);
    pass_at(100);
    EXPECT_EQ(MUSIC_STATE_STOPPED, music_status(a));
    EXPECT_EQ(MUSIC_STATE_PLAYING, music_status(b));

    ASSERT_EQ(1, stop_music(b));
    EXPECT_EQ(-1, current_music);
    EXPECT_EQ(MUSIC_STATE_STOPPED, music_status(b));
    ASSERT_EQ(1, play_music(a));  // stops nothing: no piece is current
    EXPECT_EQ(MUSIC_STATE_STOPPED, music_slots[b].state);
    EXPECT_EQ(a, current_music);
}

TEST_F(Music, PlayingThePieceThatPlaysRestartsIt) {
    int a = load("a.mid", one_note_midi(960));
    ASSERT_EQ(1, play_music(a));
    pass_at(400);
    EXPECT_EQ(400u * 441 / 10, music_slots[a].segment_state->frames_played);
    ASSERT_EQ(1, play_music(a));
    EXPECT_EQ(0u, music_slots[a].segment_state->frames_played);
    EXPECT_EQ(MUSIC_STATE_PLAYING, music_slots[a].state);
    EXPECT_EQ(a, current_music);
    pass_at(1399);  // 999 ms since the restart: the piece lasts 1000
    EXPECT_EQ(MUSIC_STATE_PLAYING, music_status(a));
    pass_at(1400);
    EXPECT_EQ(MUSIC_STATE_STOPPED, music_status(a));
}

TEST_F(Music, APieceEndsWhenTheOutputPassesItsLastEvent) {
    // 1 s at 120 bpm, then 960 ticks at 240 bpm: the last event falls at 1.5 s.
    std::string conductor = midi_track({tempo(0, 500000), tempo(960, 250000)});
    std::string notes = midi_track({program(0, 0, 48), note_on(0, 0, 60), note_off(1920, 0, 60)});
    int id = load("level.mid", midi_file({conductor, notes}));
    ASSERT_GE(id, 0);
    ASSERT_EQ(1, play_music(id));
    for (std::uint32_t t = 30; t < 1500; t += 30) {
        pass_at(t);
        ASSERT_EQ(MUSIC_STATE_PLAYING, music_status(id)) << t;
    }
    pass_at(1499);
    EXPECT_EQ(MUSIC_STATE_PLAYING, music_status(id));
    pass_at(1500);
    EXPECT_EQ(MUSIC_STATE_STOPPED, music_status(id));
    EXPECT_EQ(id, current_music) << "a piece that ended is still the one last started";

    // Polled and restarted as a level does it, the piece starts over each time.
    ASSERT_EQ(1, play_music(id));
    pass_at(2999);
    EXPECT_EQ(MUSIC_STATE_PLAYING, music_status(id));
    pass_at(3000);
    EXPECT_EQ(MUSIC_STATE_STOPPED, music_status(id));
}

TEST_F(Music, TheMusicIsHeardWhileItPlays) {
    if (music_performance->sound_font().empty()) GTEST_SKIP() << "no General MIDI sound font";
    int id = load("a.mid", one_note_midi(960));
    float out[2 * 4410];
    mixer_render(out, 4410);
    float before = 0;
    for (float v : out) before = std::max(before, std::fabs(v));
    ASSERT_EQ(1, play_music(id));
    mixer_render(out, 4410);
    float during = 0;
    for (float v : out) during = std::max(during, std::fabs(v));
    EXPECT_LT(before, 1e-6f);
    EXPECT_GT(during, 0.005f);
}

TEST_F(Music, WithoutASoundFontPiecesKeepTheSameTime) {
    std::string junk = temp_path("junk.sf2");
    write_file(junk, "not a sound font");
    setenv("V17_SOUNDFONT", junk.c_str(), 1);
    ASSERT_EQ(1, music_init());  // starts over with the font that will not load
    unsetenv("V17_SOUNDFONT");
    EXPECT_EQ("", music_performance->sound_font());
    int id = load("a.mid", one_note_midi(960));
    ASSERT_EQ(1, play_music(id));
    pass_at(999);
    EXPECT_EQ(MUSIC_STATE_PLAYING, music_status(id));
    float out[2 * 100];
    mixer_render(out, 100);
    for (float v : out) ASSERT_EQ(0.0f, v);
    pass_at(1000);
    EXPECT_EQ(MUSIC_STATE_STOPPED, music_status(id));
}

TEST_F(Music, TheTableHoldsSixtyFourPieces) {
    std::string piece = one_note_midi(480);
    write_file("p.mid", piece);
    for (int i = 0; i < MAX_MUSIC; ++i) ASSERT_EQ(i, load_midi("p.mid"));
    EXPECT_EQ(-1, load_midi("p.mid"));
    EXPECT_EQ(1, delete_music(17));
    EXPECT_EQ(MUSIC_STATE_NONE, music_slots[17].state);
    EXPECT_EQ(17, load_midi("p.mid"));
    EXPECT_EQ(1, delete_all_music());
    EXPECT_EQ(0, load_midi("p.mid"));
}

TEST_F(Music, FilesThatAreMissingElsewhereOrNotMidiAreRefusedAtLoad) {
    std::string piece = one_note_midi(480);
    write_file("b.mid", "MThd");
    mkdir("sub", 0755);
    write_file("sub/elsewhere.mid", piece);
    write_file(dir + "/here.mid", piece);
    EXPECT_EQ(-1, load_midi("absent.mid"));
    EXPECT_EQ(-1, load_midi("elsewhere.mid")) << "not in the current directory";
    EXPECT_EQ(-1, load_midi((dir + "/here.mid").c_str())) << "named by an absolute path";
    EXPECT_EQ(-1, load("sound.mid", wav_file(pcm8({1, 2, 3, 4}))));
    EXPECT_EQ(-1, load_midi("b.mid"));
    EXPECT_EQ(-1, load("cut.mid", piece.substr(0, piece.size() - 3)));
    EXPECT_EQ(-1, load_midi(""));
    EXPECT_EQ(-1, load_midi(nullptr));
    EXPECT_EQ(-1, load_midi("sub"));
    for (int i = 0; i < MAX_MUSIC; ++i) EXPECT_EQ(MUSIC_STATE_NONE, music_slots[i].state);
    EXPECT_EQ(0, load_midi("here.mid"));
    EXPECT_EQ(1, load_midi("sub/elsewhere.mid")) << "a path below the current directory";
}

TEST_F(Music, EmptySlotsAndNumbersOutsideTheTable) {
    int id = load("a.mid", one_note_midi(960));
    ASSERT_EQ(1, play_music(id));
    for (int bad : {-1, 1, MAX_MUSIC, INT_MIN}) {
        EXPECT_EQ(0, play_music(bad));
        EXPECT_EQ(0, stop_music(bad));
        EXPECT_EQ(0, music_status(bad));
    }
    EXPECT_EQ(0, delete_music(-1));
    EXPECT_EQ(0, delete_music(MAX_MUSIC));
    EXPECT_EQ(1, delete_music(1)) << "an empty slot in the table";
    EXPECT_EQ(id, current_music);
    EXPECT_EQ(MUSIC_STATE_PLAYING, music_status(id));
}

TEST_F(Music, DeletingThePieceThatPlaysSilencesIt) {
    int a = load("a.mid", one_note_midi(960));
    int b = load("b.mid", one_note_midi(960));
    ASSERT_EQ(1, play_music(a));
    ASSERT_EQ(1, delete_music(a));
    EXPECT_EQ(a, current_music) << "left as it was";
    EXPECT_EQ(S_FALSE, music_performance->is_playing(nullptr));
    EXPECT_EQ(1, play_music(b)) << "stopping the deleted piece first does no harm";
    EXPECT_EQ(b, current_music);
    pass_at(60);
    EXPECT_EQ(MUSIC_STATE_PLAYING, music_status(b));
}

TEST(MusicLayer, NothingLoadsBeforeItStarts) {
    EXPECT_EQ(nullptr, music_performance);
    EXPECT_EQ(-1, load_midi("any.mid"));
    EXPECT_EQ(0, play_music(0));
    EXPECT_EQ(1, music_shutdown());
}

TEST(MusicLayer, TheDefaultFontPlacesCanBeSwitchedOff) {
    setenv("V17_SOUNDFONT", "/nonexistent/font.sf2", 1);
    setenv("V17_SOUNDFONT_DEFAULTS", "0", 1);
    EXPECT_EQ("", find_sound_font());
    std::string font = temp_path("chosen.sf2");
    write_file(font, "a readable file is taken as it is named");
    setenv("V17_SOUNDFONT", font.c_str(), 1);
    EXPECT_EQ(font, find_sound_font());
    unsetenv("V17_SOUNDFONT_DEFAULTS");
    unsetenv("V17_SOUNDFONT");
}
