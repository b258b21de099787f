// Standard MIDI file parser. A cursor reads the bytes and never runs past the
// end of its range; each track chunk is read event by event with running status,
// and tempo changes are gathered from every track into one map.
#include "platform/midi_file.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint32_t kDefaultTempo = 500000;  // microseconds per quarter note: 120 bpm

struct Cursor {
    const std::uint8_t* p;
    const std::uint8_t* end;
    bool ok = true;

    std::size_t left() const { return static_cast<std::size_t>(end - p); }
    std::uint32_t byte() {
        if (p >= end) return ok = false, 0;
        return *p++;
    }
    std::uint32_t be(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | byte();
        return v;
    }
    // a variable-length quantity: at most four bytes of seven bits
    std::uint32_t vlq() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint32_t b = byte();
            v = v << 7 | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        ok = false;
        return 0;
    }
    void skip(std::size_t n) {
        if (n > left()) ok = false, n = left();
        p += n;
    }
    bool tag(const char* name) {
        if (left() < 4 || !std::equal(name, name + 4, p)) return false;
        p += 4;
        return true;
    }
};

struct TempoChange {
    std::uint64_t tick;
    std::uint32_t tempo;  // microseconds per quarter note
};

// Data bytes that follow a channel message's status byte.
int data_bytes(std::uint32_t status) {
    std::uint32_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// Reads one meta event after its 0xFF; a tempo change joins the map. Returns
// false at End of Track.
bool read_meta(Cursor& c, std::uint64_t tick, std::vector<TempoChange>* tempos) {
    std::uint32_t type = c.byte();
    std::uint32_t length = c.vlq();
    if (length > c.left()) return c.ok = false;
    if (type == 0x51 && length == 3) {
        std::uint32_t tempo = c.be(3);
        if (tempo > 0) tempos->push_back({tick, tempo});
    } else {
        c.skip(length);
    }
    return type != 0x2F;
}

// Reads one track chunk's events; returns the tick of its last event, or
// nothing (c.ok false) for a broken track.
std::uint64_t read_track(Cursor c, std::vector<TempoChange>* tempos, bool* ok) {
    std::uint64_t tick = 0;
    std::uint32_t running = 0;
    while (c.ok && c.left() > 0) {
        tick += c.vlq();
        std::uint32_t status = c.byte();
        if (!c.ok) break;
        if (status < 0x80) {  // running status: the byte was the first data byte
            if (running == 0) {
                c.ok = false;
                break;
            }
            --c.p;
            status = running;
        }
        if (status == 0xFF) {
            if (!read_meta(c, tick, tempos)) break;
        } else if (status == 0xF0 || status == 0xF7) {
            c.skip(c.vlq());
        } else if (status >= 0xF1) {
            c.ok = false;  // system common and real-time messages have no place in a file
        } else {
            running = status;
            c.skip(static_cast<std::size_t>(data_bytes(status)));
        }
    }
    *ok = c.ok;
    return tick;
}

// Seconds per tick for SMPTE division: frames per second times ticks per frame.
double smpte_tick_seconds(int division) {
    int fps = -static_cast<std::int8_t>(division >> 8);
    int ticks = division & 0xFF;
    double rate = fps == 29 ? 29.97 : fps;
    return 1.0 / (rate * ticks);
}

double seconds_at(std::uint64_t end_tick, int division, std::vector<TempoChange> tempos) {
    if (division & 0x8000) return static_cast<double>(end_tick) * smpte_tick_seconds(division);
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    double seconds = 0;
    std::uint64_t tick = 0;
    std::uint32_t tempo = kDefaultTempo;
    for (const TempoChange& t : tempos) {
        if (t.tick >= end_tick) break;
        seconds += static_cast<double>(t.tick - tick) * tempo / 1e6 / division;
        tick = t.tick;
        tempo = t.tempo;
    }
    return seconds + static_cast<double>(end_tick - tick) * tempo / 1e6 / division;
}

bool valid_division(int division) {
    if (!(division & 0x8000)) return division != 0;
    int fps = -static_cast<std::int8_t>(division >> 8);
    return (fps == 24 || fps == 25 || fps == 29 || fps == 30) && (division & 0xFF) != 0;
}

}  // namespace

int parse_midi_file(const std::uint8_t* bytes, std::size_t size, MidiFileInfo* info) {
    if (!bytes || !info) return 0;
    Cursor c{bytes, bytes + size};
    if (!c.tag("MThd")) return 0;
    std::uint32_t header = c.be(4);
    if (!c.ok || header < 6 || header > c.left()) return 0;
    MidiFileInfo out{};
    out.format = static_cast<int>(c.be(2));
    int declared = static_cast<int>(c.be(2));
    out.division = static_cast<int>(c.be(2));
    c.skip(header - 6);
    if (out.format > 2 || declared == 0 || !valid_division(out.division)) return 0;

    std::vector<TempoChange> tempos;
    // A few stray bytes after the last chunk, too short to be one, are ignored.
    while (c.left() >= 8) {
        bool is_track = c.tag("MTrk");
        if (!is_track) c.skip(4);
        std::uint32_t length = c.be(4);
        if (!c.ok || length > c.left()) return 0;
        if (is_track) {
            bool ok = false;
            out.end_tick = std::max(out.end_tick, read_track({c.p, c.p + length}, &tempos, &ok));
            if (!ok) return 0;
            ++out.tracks;
        }
        c.skip(length);
    }
    if (out.tracks < declared) return 0;
    out.end_seconds = seconds_at(out.end_tick, out.division, std::move(tempos));
    *info = out;
    return 1;
}
