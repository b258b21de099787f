// The MIDI writer. Each track's events are gathered as (tick, order, bytes),
// sorted so that at one tick note-offs come before note-ons, and written with
// delta times; every track ends with End of Track at the song's length.
// No globals. Needs only the standard library.
#include "midi_writer.h"

#include <algorithm>

#include "file_bytes.h"

namespace {

struct Event {
    std::uint32_t tick;
    int order;  // 0 set-up, 1 note-off, 2 note-on
    std::string bytes;
};

int clamp7(int v) {
    return v < 0 ? 0 : v > 127 ? 127 : v;
}

std::string track_chunk(std::vector<Event>& events, std::uint32_t length) {
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    std::string data;
    std::uint32_t now = 0;
    for (const Event& e : events) {
        put_vlq(data, e.tick - now);
        data += e.bytes;
        now = e.tick;
    }
    put_vlq(data, length - now);
    data += std::string("\xFF\x2F\x00", 3);
    std::string chunk = "MTrk";
    put_be32(chunk, static_cast<std::uint32_t>(data.size()));
    return chunk + data;
}

std::string meta(int type, const std::string& payload) {
    std::string out;
    out += '\xFF';
    out += static_cast<char>(type);
    put_vlq(out, static_cast<std::uint32_t>(payload.size()));
    return out + payload;
}

std::string msg(int status, int a, int b) {
    return {static_cast<char>(status), static_cast<char>(clamp7(a)), static_cast<char>(clamp7(b))};
}

}  // namespace

void put_vlq(std::string& out, std::uint32_t v) {
    if (v > 0x0FFFFFFF) v = 0x0FFFFFFF;
    char bytes[4];
    int n = 0;
    do {
        bytes[n++] = static_cast<char>(v & 0x7F);
        v >>= 7;
    } while (v);
    while (n > 1) out += static_cast<char>(bytes[--n] | 0x80);
    out += bytes[0];
}

std::string encode_midi(const MidiSong& song) {
    if (song.tracks.empty() || song.length == 0 || song.division < 1 || song.division > 0x7FFF ||
        song.tempo_bpm < 1)
        return {};
    std::string out = "MThd";
    put_be32(out, 6);
    put_be16(out, 1);
    put_be16(out, static_cast<std::uint32_t>(song.tracks.size() + 1));
    put_be16(out, static_cast<std::uint32_t>(song.division));
    std::vector<Event> conductor;
    std::uint32_t micros = 60000000u / static_cast<std::uint32_t>(song.tempo_bpm);
    conductor.push_back({0, 0,
                         meta(0x51, {static_cast<char>(micros >> 16),
                                     static_cast<char>(micros >> 8), static_cast<char>(micros)})});
    conductor.push_back({0, 0, meta(0x58, {static_cast<char>(song.beats_per_bar), 2, 24, 8})});
    out += track_chunk(conductor, song.length);
    for (const MidiTrack& t : song.tracks) {
        int ch = t.channel & 15;
        std::vector<Event> ev;
        ev.push_back({0, 0, meta(0x03, t.name)});
        if (ch != 9)
            ev.push_back(
                {0, 0, {static_cast<char>(0xC0 | ch), static_cast<char>(clamp7(t.program))}});
        ev.push_back({0, 0, msg(0xB0 | ch, 7, t.volume)});
        ev.push_back({0, 0, msg(0xB0 | ch, 10, t.pan)});
        for (const MidiNote& n : t.notes) {
            if (n.start >= song.length) continue;
            std::uint32_t end =
                std::min(song.length, n.start + std::max<std::uint32_t>(n.length, 1));
            ev.push_back({n.start, 2, msg(0x90 | ch, n.key, std::max(1, clamp7(n.velocity)))});
            ev.push_back({end, 1, msg(0x80 | ch, n.key, 64)});
        }
        out += track_chunk(ev, song.length);
    }
    return out;
}

int write_midi(const char* path, const MidiSong& song) {
    std::string bytes = encode_midi(song);
    if (bytes.empty()) return 0;
    return write_whole_file(path, bytes);
}
