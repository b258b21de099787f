// The sequencer reads the file's tracks through the same reader that checked
// them, one pending event per track in a heap ordered by tick and then by track
// number, so that events at the same tick keep the order of the tracks and,
// within a track, of the file. Ticks become seconds through the clock of the
// file reader, with the same arithmetic that gave the file's end time, so no
// event falls after the end frame.
#include "platform/audio_engine/midi_sequencer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMaxFrame = 1e18;  // a frame past any real output's life
constexpr std::uint8_t kSysex = 0xF0;
constexpr std::uint8_t kSysexPacket = 0xF7;  // a continuation, or bytes sent as they are
constexpr std::uint8_t kMeta = 0xFF;
constexpr std::uint8_t kTempo = 0x51;

// true when track a's pending event comes after track b's
struct Later {
    const std::vector<MidiFileEvent>* pending;
    bool operator()(int a, int b) const {
        std::uint64_t ta = (*pending)[a].tick, tb = (*pending)[b].tick;
        return ta != tb ? ta > tb : a > b;
    }
};

// Reads the track's next event into its pending place and onto the heap; at the
// end of a format 2 pattern, the next pattern begins where this one ended.
void read_ahead(MidiSequencer* s, int track) {
    bool patterns = s->info->format == 2;
    for (;;) {
        MidiTrackReader& r = s->readers[track];
        MidiFileEvent& e = s->pending[track];
        if (midi_track_next(&r, &e)) {
            if (patterns) e.tick += s->pattern_start;
            s->heap.push_back(track);
            std::push_heap(s->heap.begin(), s->heap.end(), Later{&s->pending});
            return;
        }
        if (!patterns || s->next_pattern >= s->info->tracks) return;
        s->pattern_start += r.tick;
        track = s->next_pattern++;
    }
}

std::uint32_t be24(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[2];
}

// A sysex message for the synthesizer, from its bytes up to the closing F7.
bool sysex_message(const std::uint8_t* bytes, std::size_t size, MidiMessage* m) {
    if (size == 0) return false;
    *m = MidiMessage{kSysex, 0, 0, bytes, static_cast<std::uint32_t>(size)};
    return true;
}

// Turns one event into a message: channel messages as they are, sysex once
// its last packet has come; tempo changes go to the clock. false for an event
// that sends nothing.
bool take(MidiSequencer* s, const MidiFileEvent& e, MidiMessage* m) {
    if (e.status == kMeta) {
        if (e.data1 == kTempo && e.length == 3) midi_clock_tempo(&s->clock, e.tick, be24(e.data));
        return false;
    }
    bool closed = e.length > 0 && e.data[e.length - 1] == 0xF7;
    if (e.status == kSysex) {
        s->in_sysex = !closed;
        if (closed) return sysex_message(e.data, e.length - 1, m);
        s->sysex.assign(e.data, e.data + e.length);
        return false;
    }
    if (e.status == kSysexPacket) {
        if (s->in_sysex) {
            s->sysex.insert(s->sysex.end(), e.data, e.data + e.length);
            if (!closed) return false;
            s->in_sysex = false;
            return sysex_message(s->sysex.data(), s->sysex.size() - 1, m);
        }
        // Bytes sent as they are: a whole sysex message among them is passed on;
        // real-time and other system bytes mean nothing to a synthesizer.
        if (closed && e.length >= 2 && e.data[0] == kSysex)
            return sysex_message(e.data + 1, e.length - 2, m);
        return false;
    }
    *m = MidiMessage{e.status, e.data1, e.data2, nullptr, 0};
    return true;
}

}  // namespace

std::uint64_t midi_frame_at(double seconds, int rate) {
    double frame = std::ceil(seconds * rate);
    return frame < kMaxFrame ? static_cast<std::uint64_t>(frame)
                             : static_cast<std::uint64_t>(kMaxFrame);
}

int midi_sequencer_start(MidiSequencer* s, const std::uint8_t* bytes, const MidiFileInfo* info,
                         int rate) {
    if (!s || !bytes || !info || rate <= 0 ||
        info->spans.size() != static_cast<std::size_t>(info->tracks))
        return 0;
    s->bytes = bytes;
    s->info = info;
    s->rate = rate;
    s->position = 0;
    s->end_frame = midi_frame_at(info->end_seconds, rate);
    s->reset = false;
    s->ended = false;
    s->readers.clear();
    for (const MidiTrackSpan& span : info->spans)
        s->readers.push_back(midi_track_reader(bytes, span));
    s->pending.assign(s->readers.size(), MidiFileEvent{});
    s->heap.clear();
    s->heap.reserve(s->readers.size());
    s->clock = midi_clock_start(info->division);
    s->sysex.clear();
    s->in_sysex = false;
    s->has_next = false;
    s->pattern_start = 0;
    if (info->format == 2) {
        s->next_pattern = 1;
        if (info->tracks > 0) read_ahead(s, 0);
    } else {
        s->next_pattern = info->tracks;
        for (int t = 0; t < info->tracks; ++t) read_ahead(s, t);
    }
    return 1;
}

int midi_sequencer_next(MidiSequencer* s, std::uint64_t* frame, MidiMessage* message) {
    if (!s || !s->info || !frame || !message) return 0;
    while (!s->heap.empty()) {
        std::pop_heap(s->heap.begin(), s->heap.end(), Later{&s->pending});
        int track = s->heap.back();
        s->heap.pop_back();
        MidiFileEvent e = s->pending[track];
        read_ahead(s, track);
        if (!take(s, e, message)) continue;
        *frame =
            std::min(midi_frame_at(midi_clock_seconds(s->clock, e.tick), s->rate), s->end_frame);
        return 1;
    }
    return 0;
}

int midi_sequencer_render(MidiSequencer* s, MidiSynth* synth, float* out, int frames) {
    if (!s || !s->info || !synth || !out || frames < 0) return 0;
    if (!s->reset) synth->reset();
    s->reset = true;
    int done = 0;
    for (;;) {
        for (;;) {  // every message due by the frame reached
            if (!s->has_next) s->has_next = midi_sequencer_next(s, &s->next_frame, &s->next);
            if (!s->has_next || s->next_frame > s->position) break;
            synth->send(s->next);
            s->has_next = false;
        }
        if (!s->ended && !s->has_next && s->position >= s->end_frame) {
            synth->all_notes_off();
            s->ended = true;
        }
        if (done == frames) return 1;
        std::uint64_t until = s->position + static_cast<std::uint64_t>(frames - done);
        if (s->has_next) until = std::min(until, s->next_frame);
        if (!s->ended && s->end_frame > s->position) until = std::min(until, s->end_frame);
        int n = static_cast<int>(until - s->position);
        synth->render(out + 2 * static_cast<long>(done), n);
        s->position = until;
        done += n;
    }
}
