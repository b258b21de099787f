// Zone ranges are read as the synthesizer reads them: a key range counts only
// as a zone's first generator, a velocity range only first or right after the
// key range; elsewhere they are ignored and the zone spans every key and
// velocity. A zone without an instrument (or a sample) is a global zone only
// when it comes first, and is kept then.
#include "font_subset.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace sf2 {
namespace {

constexpr int kDrumBank = 128;
constexpr std::uint32_t kGuardPoints = 46;  // the zero points the format wants after a sample

struct Range {
    int key_lo = 0, key_hi = 127, vel_lo = 0, vel_hi = 127;
    bool holds(const Note& n) const {
        return n.key >= key_lo && n.key <= key_hi && n.velocity >= vel_lo && n.velocity <= vel_hi;
    }
};

Range zone_range(const Zone& zone) {
    Range r;
    const auto& g = zone.generators;
    std::size_t i = 0;
    if (i < g.size() && g[i].oper == kGenKeyRange) {
        r.key_lo = g[i].amount & 0xFF;
        r.key_hi = g[i].amount >> 8;
        ++i;
    }
    if (i < g.size() && g[i].oper == kGenVelRange) {
        r.vel_lo = g[i].amount & 0xFF;
        r.vel_hi = g[i].amount >> 8;
    }
    return r;
}

// The notes of played that fall in zone's range.
std::set<Note> reached(const Zone& zone, const std::set<Note>& played) {
    Range r = zone_range(zone);
    std::set<Note> in;
    for (const Note& n : played)
        if (r.holds(n)) in.insert(n);
    return in;
}

// The zones of a preset or an instrument that notes reach through the
// generator that names what they play (instrument or sample), the global
// zone first; what each kept zone plays gets the notes that reach it.
std::vector<Zone> reached_zones(const std::vector<Zone>& zones, std::uint16_t plays,
                                const std::set<Note>& played,
                                std::map<std::uint16_t, std::set<Note>>* reach) {
    std::vector<Zone> kept;
    for (std::size_t z = 0; z < zones.size(); ++z) {
        const Generator* g = find_generator(zones[z], plays);
        if (!g) {
            if (z == 0) kept.push_back(zones[z]);
            continue;
        }
        std::set<Note> in = reached(zones[z], played);
        if (in.empty()) continue;
        (*reach)[g->amount].insert(in.begin(), in.end());
        kept.push_back(zones[z]);
    }
    return kept;
}

// The preset the synthesizer plays for id: id itself, else for a drum kit
// the first kit (128, 0), for others the same program in bank 0.
PresetId played_preset(const SoundFont& font, PresetId id) {
    auto has = [&](PresetId want) {
        return std::any_of(font.presets.begin(), font.presets.end(), [&](const Preset& p) {
            return p.bank == want.first && p.program == want.second;
        });
    };
    if (has(id)) return id;
    return id.first == kDrumBank ? PresetId{kDrumBank, 0} : PresetId{0, id.second};
}

// Points the generator of each kept zone at the new index of what it names.
void renumber(std::vector<Zone>* zones, std::uint16_t plays,
              const std::map<std::uint16_t, std::uint16_t>& index) {
    for (Zone& z : *zones)
        for (Generator& g : z.generators)
            if (g.oper == plays) {
                auto found = index.find(g.amount);
                g.amount = found != index.end() ? found->second : 0;
            }
}

}  // namespace

SoundFont subset_sound_font(const SoundFont& font, const TuneNotes& notes) {
    TuneNotes by_preset;
    for (const auto& [id, played] : notes)
        by_preset[played_preset(font, id)].insert(played.begin(), played.end());

    SoundFont out;
    out.info = font.info;
    std::map<std::uint16_t, std::set<Note>> instrument_notes;
    for (const Preset& p : font.presets) {
        auto found = by_preset.find({p.bank, p.program});
        if (found == by_preset.end()) continue;
        Preset kept = p;
        kept.zones = reached_zones(p.zones, kGenInstrument, found->second, &instrument_notes);
        out.presets.push_back(std::move(kept));
    }

    std::map<std::uint16_t, std::uint16_t> instrument_index;
    std::map<std::uint16_t, std::set<Note>> sample_notes;
    for (const auto& [i, played] : instrument_notes) {
        instrument_index[i] = static_cast<std::uint16_t>(out.instruments.size());
        Instrument kept = font.instruments[i];
        kept.zones = reached_zones(kept.zones, kGenSampleId, played, &sample_notes);
        out.instruments.push_back(std::move(kept));
    }
    for (Preset& p : out.presets) renumber(&p.zones, kGenInstrument, instrument_index);

    std::map<std::uint16_t, std::uint16_t> sample_index;
    std::uint16_t next_sample = 0;
    for (const auto& entry : sample_notes) sample_index[entry.first] = next_sample++;
    for (Instrument& in : out.instruments) renumber(&in.zones, kGenSampleId, sample_index);

    // Each sample's points and the guard points after them, in the order of
    // the samples, behind guard points of their own so that no sample starts
    // at 0. Loop points move with their sample; one that lay outside it (the
    // synthesizer puts those back inside) stays outside by the same distance.
    const std::uint64_t points = font.smpl.size() / 2;
    auto add_points = [&](std::uint64_t from, std::uint64_t count) {
        std::uint64_t to = std::min(from + count, std::max(from, points));
        out.smpl.insert(out.smpl.end(), font.smpl.begin() + 2 * from, font.smpl.begin() + 2 * to);
        out.smpl.insert(out.smpl.end(), 2 * (count - (to - from)), 0);
        if (font.sm24.empty()) return;
        out.sm24.insert(out.sm24.end(), font.sm24.begin() + from, font.sm24.begin() + to);
        out.sm24.insert(out.sm24.end(), count - (to - from), 0);
    };
    add_points(points, kGuardPoints);
    for (const auto& [i, index] : sample_index) {
        Sample s = font.samples[i];
        auto link = sample_index.find(s.link);
        s.link = link != sample_index.end() ? link->second : 0;
        if (!(s.type & 0x8000)) {
            std::int64_t shift = static_cast<std::int64_t>(out.smpl.size() / 2) - s.start;
            auto moved = [shift](std::uint32_t at) {
                return static_cast<std::uint32_t>(
                    std::clamp<std::int64_t>(at + shift, 0, std::int64_t{UINT32_MAX}));
            };
            add_points(s.start, std::uint64_t{s.end} - s.start + kGuardPoints);
            s.start = moved(s.start);
            s.end = moved(s.end);
            s.loop_start = moved(s.loop_start);
            s.loop_end = moved(s.loop_end);
        }
        out.samples.push_back(s);
    }
    if (out.sm24.size() % 2) out.sm24.push_back(0);
    return out;
}

}  // namespace sf2
