// Small WAV and standard MIDI files made in memory, for the audio tests, the
// example's test and the mixer benchmark. Files are byte strings; broken ones
// are put together from the same pieces.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

// ---- WAV (little-endian RIFF) ------------------------------------------------------

inline std::string le16(std::uint32_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

inline std::string le32(std::uint32_t v) {
    return le16(v & 0xFFFF) + le16(v >> 16);
}

// A chunk with its id and size, padded to an even length.
inline std::string riff_chunk(const std::string& id, const std::string& payload) {
    std::string c = id + le32(static_cast<std::uint32_t>(payload.size())) + payload;
    if (payload.size() % 2) c += '\0';
    return c;
}

inline std::string riff_file(const std::string& form, const std::string& chunks) {
    return "RIFF" + le32(static_cast<std::uint32_t>(4 + chunks.size())) + form + chunks;
}

// A "fmt " chunk of size bytes (16 is the plain PCM record, 18 adds cbSize 0).
inline std::string fmt_chunk(int tag, int channels, int rate, int bits, int size = 16) {
    int align = channels * bits / 8;
    std::string f =
        le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits);
    f.resize(static_cast<std::size_t>(size), '\0');
    return riff_chunk("fmt ", f);
}

// An extensible "fmt " chunk (40 bytes) whose subformat GUID carries the tag;
// tail replaces the GUID's standard last 12 bytes when given.
inline std::string extensible_fmt_chunk(int subformat, int channels, int rate, int bits,
                                        int valid_bits, const std::string& tail = "") {
    int align = channels * bits / 8;
    std::string f =
        le16(0xFFFE) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits) +
        le16(22) + le16(valid_bits) + le32(0) + le32(subformat) +
        (tail.empty() ? std::string("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12) : tail);
    return riff_chunk("fmt ", f);
}

inline std::string wav_file(const std::string& data, int channels = 1, int rate = 11025,
                            int bits = 8, int fmt_size = 16) {
    return riff_file("WAVE",
                     fmt_chunk(1, channels, rate, bits, fmt_size) + riff_chunk("data", data));
}

// 8-bit unsigned mono samples from values -128..127.
inline std::string pcm8(const std::vector<int>& values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v + 128);
    return s;
}

// A square wave of 8-bit unsigned samples: count samples, amplitude 0..127,
// half a period of period/2 samples up and period/2 down.
inline std::string square8(int count, int amplitude, int period) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += static_cast<char>(128 + (i % period < period / 2 ? amplitude : -amplitude));
    return s;
}

// ---- standard MIDI files (big-endian) ------------------------------------------

inline std::string be16(std::uint32_t v) {
    return {static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}

inline std::string be32(std::uint32_t v) {
    return be16(v >> 16) + be16(v & 0xFFFF);
}

inline std::string vlq(std::uint32_t v) {
    std::string s(1, static_cast<char>(v & 0x7F));
    while (v >>= 7) s.insert(s.begin(), static_cast<char>(0x80 | (v & 0x7F)));
    return s;
}

struct MidiEvent {
    std::uint32_t tick;
    std::string bytes;  // status and data, or a meta event from 0xFF on
};

inline MidiEvent note_on(std::uint32_t tick, int ch, int key, int velocity = 100) {
    return {tick,
            {static_cast<char>(0x90 | ch), static_cast<char>(key), static_cast<char>(velocity)}};
}

inline MidiEvent note_off(std::uint32_t tick, int ch, int key) {
    return {tick, {static_cast<char>(0x80 | ch), static_cast<char>(key), 0}};
}

inline MidiEvent program(std::uint32_t tick, int ch, int number) {
    return {tick, {static_cast<char>(0xC0 | ch), static_cast<char>(number)}};
}

// Microseconds per quarter note from tick on.
inline MidiEvent tempo(std::uint32_t tick, std::uint32_t us) {
    return {tick, std::string("\xFF\x51\x03", 3) + std::string{static_cast<char>(us >> 16),
                                                               static_cast<char>(us >> 8),
                                                               static_cast<char>(us)}};
}

// A track chunk of the events in tick order, closed by End of Track at end_tick
// (or at the last event when end_tick is earlier).
inline std::string midi_track(std::vector<MidiEvent> events, std::uint32_t end_tick = 0) {
    std::stable_sort(events.begin(), events.end(),
                     [](const MidiEvent& a, const MidiEvent& b) { return a.tick < b.tick; });
    std::string body;
    std::uint32_t at = 0;
    for (const MidiEvent& e : events) {
        body += vlq(e.tick - at) + e.bytes;
        at = e.tick;
    }
    body += vlq(std::max(end_tick, at) - at) + std::string("\xFF\x2F\x00", 3);
    return "MTrk" + be32(static_cast<std::uint32_t>(body.size())) + body;
}

inline std::string midi_file(const std::vector<std::string>& tracks, int division = 480,
                             int format = 1) {
    std::string f = "MThd" + be32(6) + be16(format) +
                    be16(static_cast<std::uint32_t>(tracks.size())) + be16(division);
    for (const std::string& t : tracks) f += t;
    return f;
}

// One note on channel 0 from tick 0 to end_tick at the default tempo (120 bpm):
// a piece of end_tick / 960 seconds with 480 ticks per quarter note.
inline std::string one_note_midi(std::uint32_t end_tick, int key = 60) {
    return midi_file(
        {midi_track({program(0, 0, 0), note_on(0, 0, key), note_off(end_tick, 0, key)})});
}

// A track chunk around event bytes taken as they are.
inline std::string raw_track(const std::string& body) {
    return "MTrk" + be32(static_cast<std::uint32_t>(body.size())) + body;
}

// A file of one shape that players meet in the wild: its notes sound from
// first_note seconds on, and its last event falls at last_event seconds.
struct OddMidi {
    const char* shape;
    std::string bytes;
    double first_note;
    double last_event;
};

// One file of each odd shape; each one's only sounding notes come from the odd
// part where there is one, so that a player that skips it is heard to.
inline std::vector<OddMidi> odd_midi_files() {
    using S = std::string;
    const S eot = S("\x00\xFF\x2F\x00", 4);
    // 480 ticks a quarter note at 120 bpm: 960 ticks a second.
    const S note = midi_track({program(0, 0, 0), note_on(240, 0, 60), note_off(1200, 0, 60)});
    auto header = [](int length, int format, int tracks, int division) {
        return "MThd" + be32(length) + be16(format) + be16(tracks) + be16(division) +
               S(static_cast<std::size_t>(length - 6), '\x55');
    };
    // A note on of velocity 0 sets running status silently; the data bytes after
    // the meta event or sysex are the only note.
    auto after = [&](const S& between) {
        return header(6, 0, 1, 480) +
               raw_track(S("\x00\x90\x3C\x00", 4) + vlq(240) + between + S("\x00\x3C\x64", 3) +
                         vlq(960) + S("\x3C\x00", 2) + eot);
    };
    std::vector<OddMidi> files = {
        // 25 frames a second of 40 ticks: 1000 ticks a second, whatever the tempo.
        {"SMPTE division",
         midi_file({midi_track({tempo(0, 250000), note_on(250, 0, 60), note_off(1250, 0, 60)})},
                   0xE728, 0),
         0.25, 1.25},
        {"an XFIH chunk between tracks",
         header(6, 1, 2, 480) + midi_track({tempo(0, 500000)}) + "XFIH" + be32(6) + "XF0200" + note,
         0.25, 1.25},
        {"running status after a meta event",
         after(S("\xFF\x01\x03"
                 "abc",
                 6)),
         0.25, 1.25},
        {"running status after a sysex", after(S("\xF0\x05\x7E\x7F\x09\x01\xF7", 7)), 0.25, 1.25},
        {"an 8-byte header", header(8, 0, 1, 480) + note, 0.25, 1.25},
        {"a sysex in two packets",
         header(6, 0, 1, 480) +
             raw_track(S("\x00\xF0\x03\x7E\x7F\x09", 6) + S("\x00\xF7\x02\x01\xF7", 5) + vlq(240) +
                       S("\x90\x3C\x64", 3) + vlq(960) + S("\x80\x3C\x00", 3) + eot),
         0.25, 1.25},
        {"padding after the last track", midi_file({note}, 480, 0) + S(16, '\x1A') + S(8, '\0'),
         0.25, 1.25},
        // The header declares one track: a later note and a broken chunk are not played.
        {"chunks beyond the declared count",
         header(6, 1, 1, 480) + note + midi_track({note_on(4800, 0, 72), note_off(9600, 0, 72)}) +
             "junk" + be32(0xFFFFFF),
         0.25, 1.25},
        // Patterns play one after another: the second begins at 0.5 s.
        {"format 2 patterns",
         midi_file({midi_track({}, 480), midi_track({note_on(240, 0, 60), note_off(1200, 0, 60)})},
                   480, 2),
         0.75, 1.75},
    };
    return files;
}
