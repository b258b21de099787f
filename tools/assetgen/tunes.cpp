// The tunes. A tune is a key, a tempo, one chord per bar and a melody in the
// text notation of add_melody; the accompaniment is generated from the chords
// by small pattern strings (bass, arpeggios, stabs, pads) and the drums from
// sixteen-step patterns per instrument. Velocities get a small seeded
// variation so that repeated patterns do not sound mechanical.
// No globals. Needs midi_writer.h and canvas.h (Rng).
#include "tunes.h"

#include <cstring>
#include <vector>

#include "canvas.h"

namespace {

enum Quality { MAJ, MIN, DOM7, MIN7 };

struct Chord {
    int root;  // semitones above the tonic
    Quality quality;
};

constexpr int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};
constexpr const char* kTuneFiles[TUNE_COUNT] = {"title.mid", "story.mid", "game.mid", "end.mid"};

// chord tones as semitones above the chord root
std::vector<int> chord_tones(const Chord& c) {
    switch (c.quality) {
        case MIN:
            return {0, 3, 7};
        case DOM7:
            return {0, 4, 7, 10};
        case MIN7:
            return {0, 3, 7, 10};
        default:
            return {0, 4, 7};
    }
}

// the key nearest above or at low for pitch class pc
int place(int pc, int low) {
    int k = low + ((pc - low) % 12 + 12) % 12;
    return k;
}

struct Arranger {
    int tonic;  // MIDI key of the tonic, octave 4
    int division;
    int bar;                    // ticks per bar
    std::vector<Chord> chords;  // one per bar
    Rng rng{0xC0DAu};

    int vary(int v) { return v + rng.range(-6, 6); }
    std::uint32_t at(int b, int eighth) const {
        return static_cast<std::uint32_t>(b * bar + eighth * division / 2);
    }

    // sustained chords from bar first to last, voiced from low upward
    void pad(MidiTrack& t, int first, int last, int low, int velocity) {
        for (int b = first; b <= last && b < static_cast<int>(chords.size()); ++b)
            for (int tone : chord_tones(chords[b]))
                t.notes.push_back({at(b, 0), static_cast<std::uint32_t>(bar - 8),
                                   place(tonic + chords[b].root + tone, low), vary(velocity)});
    }

    // one note per eighth from the pattern: digits index the chord tones upward
    // from low (wrapping into higher octaves), '-' holds, '.' rests
    void arpeggio(MidiTrack& t, int first, int last, const char* pattern, int low, int velocity) {
        int slots = static_cast<int>(std::strlen(pattern));
        for (int b = first; b <= last && b < static_cast<int>(chords.size()); ++b) {
            std::vector<int> tones = chord_tones(chords[b]);
            for (int s = 0; s < slots; ++s) {
                char ch = pattern[s];
                if (ch < '0' || ch > '9') continue;
                int i = ch - '0', n = static_cast<int>(tones.size());
                int key = place(tonic + chords[b].root + tones[i % n], low) + 12 * (i / n);
                int len = 1;
                while (s + len < slots && pattern[s + len] == '-') ++len;
                t.notes.push_back({at(b, 0) + static_cast<std::uint32_t>(s * bar / slots),
                                   static_cast<std::uint32_t>(len * bar / slots - 10), key,
                                   vary(velocity - (s % 2 ? 12 : 0))});
            }
        }
    }

    // bass per eighth: R root, F fifth, O octave, T third, '-' holds, '.' rests
    void bass(MidiTrack& t, int first, int last, const char* pattern, int low, int velocity) {
        int slots = static_cast<int>(std::strlen(pattern));
        for (int b = first; b <= last && b < static_cast<int>(chords.size()); ++b) {
            int root = place(tonic + chords[b].root, low);
            int third = chords[b].quality == MIN || chords[b].quality == MIN7 ? 3 : 4;
            for (int s = 0; s < slots; ++s) {
                const char* kinds = "RFOT";
                const char* k = std::strchr(kinds, pattern[s]);
                if (!k || !*k) continue;
                int add[4] = {0, 7, 12, third};
                int len = 1;
                while (s + len < slots && pattern[s + len] == '-') ++len;
                t.notes.push_back({at(b, 0) + static_cast<std::uint32_t>(s * bar / slots),
                                   static_cast<std::uint32_t>(len * bar / slots - 12),
                                   root + add[k - kinds], vary(velocity - (s % 2 ? 10 : 0))});
            }
        }
    }

    // drums: sixteen steps a bar, X accent, x normal, o soft, g ghost, '.' none
    void drums(MidiTrack& t, int first, int last, int key, const char* pattern) {
        for (int b = first; b <= last; ++b)
            for (int s = 0; s < 16 && pattern[s]; ++s) {
                int v = pattern[s] == 'X'   ? 112
                        : pattern[s] == 'x' ? 88
                        : pattern[s] == 'o' ? 62
                        : pattern[s] == 'g' ? 40
                                            : 0;
                if (v)
                    t.notes.push_back({at(b, 0) + static_cast<std::uint32_t>(s * bar / 16),
                                       static_cast<std::uint32_t>(division / 8), key, vary(v)});
            }
    }
};

MidiTrack track(const char* name, int channel, int program, int volume, int pan) {
    MidiTrack t;
    t.name = name;
    t.channel = channel;
    t.program = program;
    t.volume = volume;
    t.pan = pan;
    return t;
}

MidiSong song_of(int bpm, int bars, int division) {
    MidiSong s;
    s.division = division;
    s.tempo_bpm = bpm;
    s.length = static_cast<std::uint32_t>(bars * 4 * division);
    return s;
}

// ---- the four tunes ---------------------------------------------------------

// Its channel volumes sit a little above the other tunes' so that it plays as
// loud as they do through the one synthesizer gain.
MidiSong title_tune() {
    MidiSong s = song_of(80, 17, 480);
    Arranger a{62, 480, 1920, {}};
    a.chords = {{0, MAJ}, {9, MIN}, {5, MAJ}, {7, MAJ}, {0, MAJ}, {4, MIN},
                {5, MAJ}, {7, MAJ}, {9, MIN}, {5, MAJ}, {0, MAJ}, {7, MAJ},
                {9, MIN}, {5, MAJ}, {7, MAJ}, {0, MAJ}, {0, MAJ}};
    MidiTrack melody = track("Flute", 0, 73, 103, 70);
    add_melody(melody,
               "3h. 5q | 6q 5q 3h | 4q 3q 2q 1q | 2w | 3h. 5q | 5q 6q 7h | 1'q 7q 6q 4q | 5w |"
               "3'h 2'q 1'q | 2'q 1'q 6h | 5q 6q 5q 3q | 2w | 3'h 2'q 1'q | 2'q 1'q 6q 4q |"
               "5q 6q 7q 2'q | 1'w",
               62 + 12, false, 0, 92, 480);
    MidiTrack harp = track("Harp", 1, 46, 93, 40);
    a.arpeggio(harp, 0, 16, "01234321", 50, 70);
    MidiTrack strings = track("Strings", 2, 48, 83, 84);
    a.pad(strings, 0, 16, 55, 52);
    MidiTrack bass = track("Bass", 3, 32, 103, 64);
    a.bass(bass, 0, 15, "R---F---", 38, 84);
    a.bass(bass, 16, 16, "R-------", 38, 84);
    MidiTrack drums = track("Drums", 9, 0, 83, 64);
    a.drums(drums, 4, 15, 51, "o...g...o...g...");
    a.drums(drums, 4, 15, 36, "o.......g.......");
    a.drums(drums, 8, 15, 37, "........g.......");
    a.drums(drums, 16, 16, 52, "o...............");
    s.tracks = {melody, harp, strings, bass, drums};
    return s;
}

MidiSong story_tune() {
    MidiSong s = song_of(72, 13, 480);
    Arranger a{62, 480, 1920, {}};
    a.chords = {{0, MIN}, {8, MAJ}, {5, MIN}, {7, MAJ},  {0, MIN}, {3, MAJ}, {5, MIN},
                {7, MAJ}, {8, MAJ}, {5, MIN}, {7, DOM7}, {0, MIN}, {0, MIN}};
    MidiTrack melody = track("Clarinet", 0, 71, 120, 60);
    add_melody(melody,
               "5h. 4e 3e | 4h 3q 2q | 1h 2q 3q | #7,w | 5h. 6e 5e | 1'h 7q 6q | 5q 4q 6q 5q | 5w |"
               "6h 5q 4q | 3h 4q 5q | #7q 1'q 2'q #7q | 1'w",
               62, true, 0, 104, 480);
    MidiTrack celesta = track("Celesta", 1, 8, 105, 90);
    a.arpeggio(celesta, 0, 12, "0.2.4.2.", 62, 80);
    MidiTrack strings = track("Tremolo strings", 2, 44, 96, 40);
    a.pad(strings, 0, 12, 50, 70);
    MidiTrack bass = track("Pizzicato bass", 3, 45, 120, 64);
    a.bass(bass, 0, 11, "R..F..R.", 38, 88);
    a.bass(bass, 12, 12, "R-------", 38, 80);
    MidiTrack drums = track("Drums", 9, 0, 76, 64);
    a.drums(drums, 0, 11, 45, "o.........g.....");
    a.drums(drums, 2, 11, 70, "g.g.g.g.g.g.g.g.");
    for (int b = 0; b < 13; b += 2) a.drums(drums, b, b, 81, "o...............");
    s.tracks = {melody, celesta, strings, bass, drums};
    return s;
}

MidiSong game_tune() {
    MidiSong s = song_of(140, 24, 480);
    Arranger a{64, 480, 1920, {}};
    const Chord em{0, MIN}, c{8, MAJ}, d{10, MAJ}, b{7, MAJ};
    a.chords = {em, c, d, em, em, c, d, b, em, c, d, em, em, c, d, b, c, d, em, em, c, d, b, b};
    const char* verse =
        "5q 5e 4e 5q 1'q | 3'q 1'e 7e 6h | 7q 7e 6e 7q 2'q | 1'h. rq |"
        "5q 5e 4e 5q 1'q | 3'q 1'e 7e 6h | 7q 2'e 1'e 7q 6q | 2'q #7q 5q 2q";
    MidiTrack lead = track("Square lead", 0, 80, 92, 64);
    std::uint32_t t = add_melody(lead, verse, 64, true, 0, 96, 480);
    t = add_melody(lead, verse, 64, true, t, 100, 480);
    add_melody(
        lead,
        "3'h 2'q 1'q | 2'h 1'q 7q | 1'q 5q 1'q 2'q | 3'h. rq | 3'q 4'q 3'q 2'q | 1'q 2'q 1'q 7q |"
        "#7q 2'q #7q 5q | 2'h #7h",
        64, true, t, 100, 480);
    MidiTrack guitar = track("Rhythm guitar", 1, 30, 76, 36);
    a.arpeggio(guitar, 0, 23, "0.00.00.", 40, 78);
    a.arpeggio(guitar, 0, 23, "2.22.22.", 40, 72);
    MidiTrack strings = track("Strings", 2, 48, 72, 92);
    a.pad(strings, 8, 23, 55, 60);
    MidiTrack bass = track("Bass", 3, 33, 104, 64);
    a.bass(bass, 0, 23, "RRORRROR", 28, 96);
    MidiTrack drums = track("Drums", 9, 0, 96, 64);
    a.drums(drums, 0, 22, 36, "X.......X.x.....");
    a.drums(drums, 0, 22, 38, "....X.......X...");
    a.drums(drums, 0, 22, 42, "x.o.x.o.x.o.x.o.");
    for (int bar : {0, 8, 16}) a.drums(drums, bar, bar, 49, "X...............");
    a.drums(drums, 23, 23, 36, "X.......X.......");
    a.drums(drums, 23, 23, 38, "....X...x.x.xXXX");
    a.drums(drums, 23, 23, 45, "..........x.x...");
    s.tracks = {lead, guitar, strings, bass, drums};
    return s;
}

MidiSong end_tune() {
    MidiSong s = song_of(112, 18, 480);
    Arranger a{60, 480, 1920, {}};
    const Chord C{0, MAJ}, F{5, MAJ}, G{7, MAJ}, Am{9, MIN};
    a.chords = {C, F, G, C, Am, F, G, G, C, F, C, G, F, G, C, C, F, C};
    MidiTrack trumpet = track("Trumpet", 0, 56, 104, 64);
    add_melody(trumpet,
               "5,q. 5,e 1h | 4q. 3e 2q 1q | 2h 5,h | 3h 1h | 6q. 5e 6q 1'q | 1'q. 7e 6q 4q |"
               "5q 6q 7q 1'q | 7h 5h | 5,q. 5,e 1h | 4q. 3e 2q 1q | 3q. 4e 5q 3q | 2w |"
               "6q. 5e 4q 6q | 5q 7q 5q 7q | 1'h 5q 3q | 1'w | 6h 1'h | 1'w",
               72, false, 0, 100, 480);
    MidiTrack brass = track("Brass", 1, 61, 84, 44);
    a.arpeggio(brass, 0, 16, "0--12---", 55, 84);
    a.pad(brass, 17, 17, 55, 90);
    MidiTrack strings = track("Strings", 2, 48, 80, 88);
    a.arpeggio(strings, 0, 17, "2--01---", 64, 66);
    MidiTrack bass = track("Tuba", 3, 58, 100, 64);
    a.bass(bass, 0, 16, "R---F---", 34, 90);
    a.bass(bass, 17, 17, "R-------", 34, 90);
    MidiTrack timpani = track("Timpani", 4, 47, 90, 64);
    a.bass(timpani, 0, 16, "R...F...", 41, 80);
    MidiTrack drums = track("Drums", 9, 0, 90, 64);
    a.drums(drums, 0, 16, 38, "X.g.x.gxX.g.x.xx");
    a.drums(drums, 0, 16, 36, "x.......x.......");
    for (int bar : {0, 8, 14, 17}) a.drums(drums, bar, bar, 49, "X...............");
    a.drums(drums, 17, 17, 36, "X...............");
    s.tracks = {trumpet, brass, strings, bass, timpani, drums};
    return s;
}

// one token of the melody text; false for a token that is not one
bool parse_token(const char* tok, std::size_t len, int tonic, bool minor, int division, int* key,
                 int* ticks) {
    std::size_t i = 0;
    int shift = 0;
    if (i < len && (tok[i] == '#' || tok[i] == 'b')) shift = tok[i++] == '#' ? 1 : -1;
    bool rest = i < len && tok[i] == 'r';
    int degree = 0;
    if (rest) {
        ++i;
    } else if (i < len && tok[i] >= '1' && tok[i] <= '7') {
        degree = tok[i++] - '1';
    } else {
        return false;
    }
    int octave = 0;
    while (i < len && (tok[i] == '\'' || tok[i] == ',')) octave += tok[i++] == '\'' ? 1 : -1;
    if (i >= len) return false;
    const char* lengths = "whqes";
    const char* l = std::strchr(lengths, tok[i++]);
    if (!l || !*l) return false;
    *ticks = division * 4 >> (l - lengths);
    if (i < len && tok[i] == '.') *ticks += *ticks / 2, ++i;
    if (i != len) return false;
    *key = rest ? -1 : tonic + (minor ? kMinor : kMajor)[degree] + shift + 12 * octave;
    return true;
}

}  // namespace

std::uint32_t add_melody(MidiTrack& track, const char* text, int tonic, bool minor,
                         std::uint32_t start, int velocity, int division) {
    if (!text) return start;
    std::vector<MidiNote> notes;
    std::uint32_t now = start;
    for (const char* p = text; *p;) {
        while (*p == ' ' || *p == '|') ++p;
        const char* end = p;
        while (*end && *end != ' ' && *end != '|') ++end;
        if (end == p) break;
        int key = 0, ticks = 0;
        if (!parse_token(p, static_cast<std::size_t>(end - p), tonic, minor, division, &key,
                         &ticks))
            return start;
        int accent = (now - start) % static_cast<std::uint32_t>(division * 4) == 0 ? 8 : 0;
        if (key >= 0 && key <= 127)
            notes.push_back(
                {now, static_cast<std::uint32_t>(ticks - ticks / 12), key, velocity + accent});
        now += static_cast<std::uint32_t>(ticks);
        p = end;
    }
    track.notes.insert(track.notes.end(), notes.begin(), notes.end());
    return now;
}

std::string tune_file_name(int t) {
    return t >= 0 && t < TUNE_COUNT ? kTuneFiles[t] : "";
}

MidiSong compose_tune(int t) {
    switch (t) {
        case TUNE_TITLE:
            return title_tune();
        case TUNE_STORY:
            return story_tune();
        case TUNE_GAME:
            return game_tune();
        case TUNE_END:
            return end_tune();
        default:
            return MidiSong{};
    }
}

int write_tune(const char* path, int t) {
    MidiSong s = compose_tune(t);
    return s.tracks.empty() ? 0 : write_midi(path, s);
}
