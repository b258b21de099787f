// Music slots on the headless output: pieces start, stop and end at the virtual
// times their files give, whether or not a sound font is installed; files of
// every shape the loader takes are heard from their first note and end on time.
#include "audio/music.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <sstream>

#include "support/error_log.h"

#include "audio_files.h"
#include "platform/backends/headless/headless_backend.h"
#include "platform/system/win32.h"
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
        set_backend(make_headless_backend());
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

    // What a piece sounded like, played from its start with the mixer rendered
    // 10 ms at a time and the status polled after each.
    struct Heard {
        double first_sound = -1;  // seconds to the first sample above 1/1000 of full scale
        double stopped = -1;      // the first poll that found the piece stopped
        float peak = 0;
    };
    static Heard listen(int id, double limit) {
        Heard h;
        EXPECT_EQ(1, play_music(id));
        constexpr int kStep = HEADLESS_AUDIO_RATE / 100;
        float out[2 * kStep];
        for (int step = 0; step * 0.01 < limit; ++step) {
            mixer_render(out, kStep);
            for (int i = 0; i < kStep; ++i) {
                float v = std::max(std::fabs(out[2 * i]), std::fabs(out[2 * i + 1]));
                if (v > 1e-3f && h.first_sound < 0)
                    h.first_sound = static_cast<double>(step * kStep + i) / HEADLESS_AUDIO_RATE;
                h.peak = std::max(h.peak, v);
            }
            if (h.stopped < 0 && music_status(id) == MUSIC_STATE_STOPPED)
                h.stopped = (step + 1) * 0.01;
            if (h.stopped >= 0 && (step + 1) * 0.01 > h.stopped + 0.1) break;
        }
        return h;
    }
    // Checks a piece that the file says sounds from first_note and ends at
    // last_event: heard from then on (with a sound font), stopped within 10 ms
    // after its end (the first poll after it) and not before. The synthesizer should be new,
    // without the reverberation of an earlier piece.
    static void expect_heard_on_time(int id, double first_note, double last_event,
                                     const std::string& what) {
        Heard h = listen(id, last_event + 1);
        EXPECT_GE(h.stopped, last_event) << what;
        EXPECT_LE(h.stopped, last_event + 0.01 + 1e-9) << what;
        if (music_performance->sound_font().empty()) return;
        EXPECT_GT(h.peak, 0.01f) << what << " is not heard";
        EXPECT_GE(h.first_sound, first_note - 1e-9) << what << " sounds before its first note";
        EXPECT_LE(h.first_sound, first_note + 0.01) << what << " sounds late";
    }

    char home[PATH_MAX];
    std::string dir;
};

// A Python interpreter with mido, or empty.
std::string python_with_mido() {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        if (run_command(std::string(python) + " -c 'import mido'").exit_code == 0) return python;
    }
    return {};
}

// Writes a few files with mido into the current directory; for each, one line:
// its name, when its first note sounds and its length, both as mido reads them.
const char* const kMidoCorpus = R"(
import sys
from mido import Message, MetaMessage, MidiFile, MidiTrack

def save(name, mid):
    mid.save(name)
    t, first = 0.0, None
    for msg in MidiFile(name):
        t += msg.time
        if first is None and msg.type == 'note_on' and msg.velocity > 0:
            first = t
    print(name, first, MidiFile(name).length)

m = MidiFile(type=0, ticks_per_beat=480)
t = MidiTrack(); m.tracks.append(t)
t += [MetaMessage('set_tempo', tempo=600000, time=0),
      Message('sysex', data=[0x7E, 0x7F, 0x09, 0x01], time=0),
      Message('program_change', program=24, time=0),
      Message('control_change', control=7, value=110, time=0),
      Message('note_on', note=64, velocity=90, time=120),
      Message('pitchwheel', pitch=2000, time=240),
      Message('aftertouch', value=60, time=60),
      Message('polytouch', note=64, value=30, time=60),
      MetaMessage('set_tempo', tempo=300000, time=0),
      Message('control_change', control=64, value=127, time=120),
      Message('note_off', note=64, time=240),
      Message('note_on', note=67, velocity=80, time=0),
      Message('note_off', note=67, time=240),
      Message('control_change', control=64, value=0, time=240),
      MetaMessage('end_of_track', time=0)]
save('type0.mid', m)

m = MidiFile(type=1, ticks_per_beat=96)
c = MidiTrack(); m.tracks.append(c)
c += [MetaMessage('set_tempo', tempo=500000, time=0),
      MetaMessage('time_signature', numerator=3, denominator=4, time=0),
      MetaMessage('set_tempo', tempo=400000, time=192)]
for ch, prog, notes in ((0, 0, (60, 64, 67)), (1, 33, (36,)), (9, 0, (36, 42))):
    t = MidiTrack(); m.tracks.append(t)
    t.append(Message('program_change', channel=ch, program=prog, time=0))
    for bar in range(4):
        for k, n in enumerate(notes):
            t.append(Message('note_on', channel=ch, note=n, velocity=100, time=48 if k == 0 else 0))
        for k, n in enumerate(notes):
            t.append(Message('note_off', channel=ch, note=n, time=48 if k == 0 else 0))
save('type1.mid', m)

m = MidiFile(type=1, ticks_per_beat=960)
a = MidiTrack(); m.tracks.append(a)
a += [Message('note_on', note=72, velocity=100, time=192),
      Message('note_off', note=72, time=960)]
b = MidiTrack(); m.tracks.append(b)
b += [MetaMessage('track_name', name='silent tail', time=0),
      MetaMessage('end_of_track', time=2880)]
save('tail.mid', m)
)";

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
    std::string log = temp_path("log.txt");
    ASSERT_EQ(1, open_error_file(log.c_str()));
    EXPECT_EQ(-1, load_midi("absent.mid"));
    EXPECT_EQ(-1, load_midi("elsewhere.mid")) << "not in the current directory";
    EXPECT_EQ(-1, load_midi((dir + "/here.mid").c_str())) << "named by an absolute path";
    EXPECT_EQ(-1, load("sound.mid", wav_file(pcm8({1, 2, 3, 4}))));
    EXPECT_EQ(-1, load_midi("b.mid"));
    EXPECT_EQ(-1, load("cut.mid", piece.substr(0, piece.size() - 3)));
    EXPECT_EQ(-1, load_midi(""));
    EXPECT_EQ(-1, load_midi(nullptr));
    EXPECT_EQ(-1, load_midi("sub"));
    close_error_file();
    std::string text = read_file(log);
    EXPECT_NE(std::string::npos, text.find("midi refused, no MThd header at the start: sound.mid"));
    EXPECT_NE(std::string::npos, text.find("midi refused, track 1 length 16 past the end of the"));
    EXPECT_NE(std::string::npos, text.find("midi refused, no such file: absent"));
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

TEST_F(Music, OddShapesAreHeardFromTheirFirstNoteAndEndOnTime) {
    for (const OddMidi& f : odd_midi_files()) {
        ASSERT_EQ(1, music_init());
        int id = load("odd.mid", f.bytes);
        ASSERT_GE(id, 0) << f.shape;
        expect_heard_on_time(id, f.first_note, f.last_event, f.shape);
    }
}

TEST_F(Music, FilesWrittenByMidoAreHeardAndEndWhereMidoSays) {
    std::string python = python_with_mido();
    if (python.empty()) GTEST_SKIP() << "python3-mido is not installed";
    write_file("corpus.py", kMidoCorpus);
    RunResult made = run_command(python + " corpus.py");
    ASSERT_EQ(0, made.exit_code) << made.output;
    std::istringstream lines(made.output);
    std::string name;
    double first_note, length;
    int files = 0;
    while (lines >> name >> first_note >> length) {
        ++files;
        ASSERT_EQ(1, music_init());
        int id = load_midi(name.c_str());
        ASSERT_GE(id, 0) << name;
        EXPECT_NEAR(length, music_slots[id].segment->info().end_seconds, 0.001) << name;
        expect_heard_on_time(id, first_note, length, name);
    }
    EXPECT_EQ(3, files) << made.output;
}

TEST_F(Music, TheSoundIsTheSameWhateverThePullSize) {
    if (music_performance->sound_font().empty()) GTEST_SKIP() << "no General MIDI sound font";
    std::string conductor = midi_track({tempo(0, 500000), tempo(300, 350000)});
    std::string notes = midi_track({program(0, 0, 4),
                                    note_on(10, 0, 60),
                                    note_on(123, 0, 67),
                                    {200, std::string("\xE0\x10\x48", 3)},
                                    note_off(411, 0, 60),
                                    note_off(700, 0, 67)});
    write_file("a.mid", midi_file({conductor, notes}));
    std::vector<std::vector<float>> takes;
    for (int pull : {1024, 441, 37}) {
        ASSERT_EQ(1, music_init());  // a new synthesizer: no tail of the take before
        int id = load_midi("a.mid");
        ASSERT_EQ(1, play_music(id));
        std::vector<float> take(2 * 44100);
        for (int done = 0; done < 44100; done += pull)
            mixer_render(take.data() + 2 * done, std::min(pull, 44100 - done));
        takes.push_back(take);
    }
    EXPECT_TRUE(takes[0] == takes[1]);
    EXPECT_TRUE(takes[0] == takes[2]);
}

TEST_F(Music, NamesThatLeaveTheDirectoryAreRefusedHoweverSpelt) {
    std::string piece = one_note_midi(480);
    mkdir("sub", 0755);
    write_file("x.mid", piece);
    write_file("sub/y.mid", piece);
    write_file(dir + "/../up.mid", piece);
    std::string log = temp_path("log.txt");
    ASSERT_EQ(1, open_error_file(log.c_str()));
    const std::string absolute = dir + "/x.mid";
    for (const char* name : {"../up.mid",
                             "./../up.mid",
                             "..",
                             "../",
                             "a/../..",
                             "a/../../up.mid",
                             "sub/../../up.mid",
                             "a/./../../up.mid",
                             "sub//..//..//up.mid",
                             ".//..//up.mid",
                             "sub/../",
                             "..\\up.mid",
                             "sub\\..\\..\\up.mid",
                             absolute.c_str(),
                             "//x.mid",
                             "x.mid/",
                             "sub/y.mid//",
                             ".",
                             "./",
                             "sub/.."})
        EXPECT_EQ(-1, load_midi(name)) << name;
    close_error_file();
    for (int i = 0; i < MAX_MUSIC; ++i) EXPECT_EQ(MUSIC_STATE_NONE, music_slots[i].state);
    std::string text = read_file(log);
    EXPECT_NE(std::string::npos,
              text.find("midi refused, name climbs out of the directory: ../up"));
    EXPECT_NE(std::string::npos, text.find("midi refused, absolute name: /"));

    // Names that wander but stay inside are read as the path they spell.
    for (const char* name :
         {"x.mid", "./x.mid", "sub/../x.mid", "sub//y.mid", "./sub/./y.mid", "sub\\y.mid"})
        EXPECT_GE(load_midi(name), 0) << name;
    // Links the directory holds are followed where they point, but a ".." after
    // one takes back the name's own part: "deep/../x.mid" is x.mid here, not a
    // file beside the link's target.
    std::string outside = temp_path("outside");
    mkdir(outside.c_str(), 0755);
    mkdir((outside + "/deep").c_str(), 0755);
    write_file(outside + "/linked.mid", piece);
    write_file(outside + "/x.mid", "not a MIDI file");
    unlink("linked.mid");  // left by an earlier run in the same scratch folder
    unlink("deep");
    ASSERT_EQ(0, symlink((outside + "/linked.mid").c_str(), "linked.mid"));
    ASSERT_EQ(0, symlink((outside + "/deep").c_str(), "deep"));
    EXPECT_GE(load_midi("linked.mid"), 0);
    EXPECT_GE(load_midi("deep/../x.mid"), 0);
}
