// Standard MIDI file parser. Every read is checked against the end of its range;
// a track chunk is read event by event with running status, which carries on
// across meta and sysex events as players let it, and the tempo changes of all
// tracks are gathered into one map. Tracks are read as far as the header's count
// and nothing after them is looked at, so padding and stray chunks at the end do
// not matter.
#include "platform/formats/midi_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

// MinGW's printf family is the C99 one here (__USE_MINGW_ANSI_STDIO), whose
// format checking has a name of its own.
#if defined(__MINGW32__)
#define V17_PRINTF __MINGW_PRINTF_FORMAT
#else
#define V17_PRINTF printf
#endif

namespace {

struct TempoChange {
    std::uint64_t tick;
    std::uint32_t tempo;  // microseconds per quarter note
};

// Data bytes that follow a channel message's status byte.
int data_bytes(std::uint8_t status) {
    int kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Reads a variable-length quantity of at most four bytes of seven bits at *p:
// nullptr with *p moved past it, or what is wrong with it.
const char* read_vlq(const std::uint8_t** p, const std::uint8_t* end, std::uint32_t* value,
                     const char* cut_short) {
    *value = 0;
    for (int i = 0; i < 4; ++i) {
        if (*p >= end) return cut_short;
        std::uint8_t b = *(*p)++;
        *value = *value << 7 | (b & 0x7Fu);
        if (!(b & 0x80)) return nullptr;
    }
    return "number longer than 4 bytes";
}

// Seconds per tick for SMPTE division: frames per second times ticks per frame.
double smpte_tick_seconds(int division) {
    int fps = -static_cast<std::int8_t>(division >> 8);
    int ticks = division & 0xFF;
    double rate = fps == 29 ? 29.97 : fps;
    return 1.0 / (rate * ticks);
}

bool smpte(int division) {
    return (division & 0x8000) != 0;
}

std::uint32_t be(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

// A chunk id as text for a message: unprintable bytes become '?'.
std::string chunk_name(const std::uint8_t* id) {
    std::string name(4, '?');
    for (int i = 0; i < 4; ++i)
        if (id[i] >= 0x20 && id[i] < 0x7F) name[i] = static_cast<char>(id[i]);
    return name;
}

__attribute__((format(V17_PRINTF, 2, 3))) int refuse(std::string* reason, const char* format, ...) {
    if (!reason) return 0;
    char text[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    *reason = text;
    return 0;
}

// Checks the division word: ticks per quarter note above 0, or an SMPTE rate of
// 24, 25, 29 (drop frame) or 30 frames a second with ticks per frame above 0.
int check_division(int division, std::string* reason) {
    if (!smpte(division)) {
        if (division == 0) return refuse(reason, "division of 0 ticks a quarter note");
        return 1;
    }
    int fps = -static_cast<std::int8_t>(division >> 8);
    if (fps != 24 && fps != 25 && fps != 29 && fps != 30)
        return refuse(reason, "SMPTE division of %d frames a second", fps);
    if ((division & 0xFF) == 0) return refuse(reason, "SMPTE division of 0 ticks a frame");
    return 1;
}

}  // namespace

MidiTrackReader midi_track_reader(const std::uint8_t* bytes, const MidiTrackSpan& span) {
    MidiTrackReader r{};
    r.at = bytes + span.offset;
    r.end = r.at + span.length;
    return r;
}

int midi_track_next(MidiTrackReader* r, MidiFileEvent* e) {
    if (!r || !e || r->done) return 0;
    auto fail = [r](const char* why, const std::uint8_t* where, bool about_byte = false) {
        r->problem = why;
        r->problem_at = where;
        r->problem_byte = about_byte;
        r->done = true;
        return 0;
    };
    if (r->at >= r->end) {  // a track may end without End of Track
        r->done = true;
        return 0;
    }
    const std::uint8_t* start = r->at;
    std::uint32_t delta = 0;
    if (const char* why = read_vlq(&r->at, r->end, &delta, "delta time cut short"))
        return fail(why, start);
    if (r->at >= r->end) return fail("event cut short", start);
    std::uint64_t tick = r->tick + delta;
    std::uint8_t status = *r->at;
    if (status < 0x80) {  // running status: the byte is the first data byte
        if (r->running == 0) return fail("data byte, no running status", r->at, true);
        status = r->running;
    } else {
        ++r->at;
    }
    *e = MidiFileEvent{tick, status, 0, 0, nullptr, 0};
    if (status == 0xFF || status == 0xF0 || status == 0xF7) {
        if (status == 0xFF) {
            if (r->at >= r->end) return fail("meta event cut short", start);
            e->data1 = *r->at++;
        }
        std::uint32_t length = 0;
        if (const char* why = read_vlq(&r->at, r->end, &length, "length cut short"))
            return fail(why, start);
        if (length > static_cast<std::size_t>(r->end - r->at))
            return fail(
                status == 0xFF ? "meta event past the track's end" : "sysex past the track's end",
                start);
        e->data = r->at;
        e->length = length;
        r->at += length;
        r->tick = tick;
        if (status == 0xFF && e->data1 == 0x2F) {
            r->done = true;
            return 0;
        }
        return 1;
    }
    if (status > 0xF0) return fail("system message in a file", r->at - 1, true);
    int n = data_bytes(status);
    if (r->end - r->at < n) return fail("channel message cut short", start);
    for (int i = 0; i < n; ++i) {
        if (r->at[i] & 0x80) return fail("status byte in place of data", r->at + i, true);
    }
    r->running = status;
    e->data1 = r->at[0];
    e->data2 = n == 2 ? r->at[1] : 0;
    r->at += n;
    r->tick = tick;
    return 1;
}

MidiClock midi_clock_start(int division) {
    return MidiClock{division, 0, 0.0, MIDI_DEFAULT_TEMPO};
}

double midi_clock_seconds(const MidiClock& c, std::uint64_t tick) {
    if (smpte(c.division)) return static_cast<double>(tick) * smpte_tick_seconds(c.division);
    return c.seconds + static_cast<double>(tick - c.tick) * c.tempo / 1e6 / c.division;
}

void midi_clock_tempo(MidiClock* c, std::uint64_t tick, std::uint32_t tempo) {
    if (!c || tempo == 0 || smpte(c->division)) return;
    c->seconds += static_cast<double>(tick - c->tick) * c->tempo / 1e6 / c->division;
    c->tick = tick;
    c->tempo = tempo;
}

int parse_midi_file(const std::uint8_t* bytes, std::size_t size, MidiFileInfo* info,
                    std::string* reason) {
    if (!info) return 0;
    if (!bytes) size = 0;
    if (size < 4 || !std::equal(bytes, bytes + 4, "MThd"))
        return refuse(reason, "no MThd header at the start");
    if (size < 8) return refuse(reason, "MThd header cut short");
    std::uint32_t header = be(bytes + 4, 4);
    if (header < 6) return refuse(reason, "MThd length %u, less than 6", header);
    if (header > size - 8) return refuse(reason, "MThd length %u past the end of the file", header);
    MidiFileInfo out{};
    out.format = static_cast<int>(be(bytes + 8, 2));
    int declared = static_cast<int>(be(bytes + 10, 2));
    out.division = static_cast<int>(be(bytes + 12, 2));
    if (out.format > 2) return refuse(reason, "MThd format %d, not 0, 1 or 2", out.format);
    if (declared == 0) return refuse(reason, "MThd declares no tracks");
    if (!check_division(out.division, reason)) return 0;

    std::vector<TempoChange> tempos;
    std::uint64_t pattern_start = 0;  // format 2: where the next pattern begins
    std::size_t at = 8 + header;
    while (out.tracks < declared) {
        if (size - at < 8)
            return refuse(reason, "track %d of %d missing at byte %zu", out.tracks + 1, declared,
                          at);
        bool is_track = std::equal(bytes + at, bytes + at + 4, "MTrk");
        std::uint32_t length = be(bytes + at + 4, 4);
        if (length > size - at - 8) {
            if (is_track)
                return refuse(reason, "track %d length %u past the end of the file", out.tracks + 1,
                              length);
            return refuse(reason, "chunk %s length %u past the end of the file",
                          chunk_name(bytes + at).c_str(), length);
        }
        MidiTrackSpan span{at + 8, length};
        at += 8 + static_cast<std::size_t>(length);
        if (!is_track) continue;  // another kind of chunk between tracks: skipped

        MidiTrackReader r = midi_track_reader(bytes, span);
        MidiFileEvent e;
        while (midi_track_next(&r, &e)) {
            if ((e.status & 0xF0) == 0x90 && e.data2 > 0) ++out.notes;
            if (e.status == 0xFF && e.data1 == 0x51 && e.length == 3 && be(e.data, 3) > 0)
                tempos.push_back({pattern_start + e.tick, be(e.data, 3)});
        }
        if (r.problem) {
            std::size_t where = static_cast<std::size_t>(r.problem_at - bytes);
            if (r.problem_byte)
                return refuse(reason, "track %d: %s (0x%02X at byte %zu)", out.tracks + 1,
                              r.problem, *r.problem_at, where);
            return refuse(reason, "track %d: %s at byte %zu", out.tracks + 1, r.problem, where);
        }
        std::uint64_t track_end = pattern_start + r.tick;
        out.end_tick = std::max(out.end_tick, track_end);
        if (out.format == 2) pattern_start = track_end;
        out.spans.push_back(span);
        ++out.tracks;
    }
    if (out.notes == 0) return refuse(reason, "no note to play in %d tracks", out.tracks);

    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    MidiClock clock = midi_clock_start(out.division);
    for (const TempoChange& t : tempos) {
        if (t.tick >= out.end_tick) break;
        midi_clock_tempo(&clock, t.tick, t.tempo);
    }
    out.end_seconds = midi_clock_seconds(clock, out.end_tick);
    *info = std::move(out);
    return 1;
}
