// The SF2 reader and writer. Every chunk's size is checked against what holds
// it, every table's size against its record size, and every bag, generator,
// modulator, instrument and sample index against its table before a record is
// made; a file that fails any check is refused with the check that failed.
#include "sound_font.h"

#include <cstring>

namespace sf2 {
namespace {

std::uint16_t u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// A span of the file.
struct Span {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// Walks the chunks inside a span: id, 32-bit size, body, a pad byte after an
// odd body (which the last chunk may lack).
class Chunks {
public:
    explicit Chunks(Span span) : at_(span.data), end_(span.data + span.size) {}
    // the next chunk: 1; 0 at the end; -1 for a chunk larger than what is left
    int next(char id[5], Span* body) {
        std::size_t left = static_cast<std::size_t>(end_ - at_);
        if (left == 0) return 0;
        if (left < 8) return -1;
        std::memcpy(id, at_, 4);
        id[4] = 0;
        std::uint32_t size = u32(at_ + 4);
        if (size > left - 8) return -1;
        body->data = at_ + 8;
        body->size = size;
        at_ += 8 + size;
        if (size % 2 && at_ < end_) ++at_;
        return 1;
    }

private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
};

bool fail(std::string* reason, const std::string& why) {
    if (reason) *reason = why;
    return false;
}

// A pdta table: its records, the terminal one included.
struct Table {
    const char* id;
    std::size_t record;  // bytes per record
    Span span;
    bool found = false;
    std::size_t count() const { return span.size / record; }
    const std::uint8_t* at(std::size_t i) const { return span.data + i * record; }
};

// Reads the zones [first, last) of a bag table: each bag's generators and
// modulators run to the next bag's.
bool read_zones(const Table& bags, const Table& gens, const Table& mods, std::size_t first,
                std::size_t last, std::vector<Zone>* zones, std::string* reason) {
    for (std::size_t b = first; b < last; ++b) {
        std::size_t g0 = u16(bags.at(b)), g1 = u16(bags.at(b + 1));
        std::size_t m0 = u16(bags.at(b) + 2), m1 = u16(bags.at(b + 1) + 2);
        if (g0 > g1 || g1 >= gens.count())
            return fail(reason, std::string(bags.id) + " " + std::to_string(b) +
                                    ": generator indices out of order or past the table");
        if (m0 > m1 || m1 >= mods.count())
            return fail(reason, std::string(bags.id) + " " + std::to_string(b) +
                                    ": modulator indices out of order or past the table");
        Zone zone;
        for (std::size_t g = g0; g < g1; ++g)
            zone.generators.push_back({u16(gens.at(g)), u16(gens.at(g) + 2)});
        for (std::size_t m = m0; m < m1; ++m) {
            Modulator mod;
            std::memcpy(mod.bytes, mods.at(m), sizeof mod.bytes);
            zone.modulators.push_back(mod);
        }
        zones->push_back(std::move(zone));
    }
    return true;
}

// The bag range [first, last) of header i of a header table whose bag index
// sits at offset in each record.
bool bag_range(const Table& headers, std::size_t offset, std::size_t i, const Table& bags,
               std::size_t* first, std::size_t* last, std::string* reason) {
    *first = u16(headers.at(i) + offset);
    *last = u16(headers.at(i + 1) + offset);
    if (*first > *last || *last >= bags.count())
        return fail(reason, std::string(headers.id) + " " + std::to_string(i) +
                                ": bag indices out of order or past the bag table");
    return true;
}

bool read_pdta(Span pdta, SoundFont* font, std::string* reason) {
    Table tables[] = {{"phdr", 38, {}}, {"pbag", 4, {}},  {"pmod", 10, {}},
                      {"pgen", 4, {}},  {"inst", 22, {}}, {"ibag", 4, {}},
                      {"imod", 10, {}}, {"igen", 4, {}},  {"shdr", 46, {}}};
    Chunks chunks(pdta);
    char id[5];
    Span body;
    for (int got; (got = chunks.next(id, &body)) != 0;) {
        if (got < 0) return fail(reason, "pdta: a chunk runs past the list");
        for (Table& t : tables) {
            if (std::strcmp(id, t.id) != 0) continue;
            if (t.found) return fail(reason, std::string("pdta: two ") + t.id + " chunks");
            if (body.size % t.record || body.size < t.record)
                return fail(reason, std::string(t.id) + ": size " + std::to_string(body.size) +
                                        " is not a whole number of records");
            t.span = body;
            t.found = true;
        }
    }
    for (const Table& t : tables)
        if (!t.found) return fail(reason, std::string("pdta: no ") + t.id + " chunk");
    const Table &phdr = tables[0], &pbag = tables[1], &pmod = tables[2], &pgen = tables[3];
    const Table &inst = tables[4], &ibag = tables[5], &imod = tables[6], &igen = tables[7];
    const Table& shdr = tables[8];
    std::size_t instruments = inst.count() - 1, samples = shdr.count() - 1;

    std::size_t smpl_points = font->smpl.size() / 2;
    for (std::size_t i = 0; i < samples; ++i) {
        const std::uint8_t* r = shdr.at(i);
        Sample s;
        std::memcpy(s.name, r, 20);
        s.start = u32(r + 20);
        s.end = u32(r + 24);
        s.loop_start = u32(r + 28);
        s.loop_end = u32(r + 32);
        s.rate = u32(r + 36);
        s.original_key = r[40];
        s.correction = static_cast<std::int8_t>(r[41]);
        s.link = u16(r + 42);
        s.type = u16(r + 44);
        if (!(s.type & 0x8000) && (s.start > s.end || s.end > smpl_points))
            return fail(reason, "shdr " + std::to_string(i) + ": points " +
                                    std::to_string(s.start) + ".." + std::to_string(s.end) +
                                    " outside the " + std::to_string(smpl_points) +
                                    " of the sample data");
        font->samples.push_back(s);
    }
    for (std::size_t i = 0; i < instruments; ++i) {
        Instrument in;
        std::memcpy(in.name, inst.at(i), 20);
        std::size_t first, last;
        if (!bag_range(inst, 20, i, ibag, &first, &last, reason) ||
            !read_zones(ibag, igen, imod, first, last, &in.zones, reason))
            return false;
        for (const Zone& z : in.zones)
            if (const Generator* g = find_generator(z, kGenSampleId); g && g->amount >= samples)
                return fail(reason, "inst " + std::to_string(i) + ": sample " +
                                        std::to_string(g->amount) + " of " +
                                        std::to_string(samples));
        font->instruments.push_back(std::move(in));
    }
    for (std::size_t i = 0; i + 1 < phdr.count(); ++i) {
        const std::uint8_t* r = phdr.at(i);
        Preset p;
        std::memcpy(p.name, r, 20);
        p.program = u16(r + 20);
        p.bank = u16(r + 22);
        p.library = u32(r + 26);
        p.genre = u32(r + 30);
        p.morphology = u32(r + 34);
        std::size_t first, last;
        if (!bag_range(phdr, 24, i, pbag, &first, &last, reason) ||
            !read_zones(pbag, pgen, pmod, first, last, &p.zones, reason))
            return false;
        for (const Zone& z : p.zones)
            if (const Generator* g = find_generator(z, kGenInstrument);
                g && g->amount >= instruments)
                return fail(reason, "phdr " + std::to_string(i) + ": instrument " +
                                        std::to_string(g->amount) + " of " +
                                        std::to_string(instruments));
        font->presets.push_back(std::move(p));
    }
    return true;
}

// Little-endian writing into a byte vector.
void put16(std::vector<std::uint8_t>* out, std::uint32_t v) {
    out->push_back(static_cast<std::uint8_t>(v));
    out->push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>* out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void put_bytes(std::vector<std::uint8_t>* out, const void* bytes, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    out->insert(out->end(), p, p + size);
}
// a record's name: 20 bytes, not always with a terminating zero
void put_name(std::vector<std::uint8_t>* out, const char (&name)[20]) {
    put_bytes(out, name, sizeof name);
}
// a terminal record's name, padded with zeros
void put_end_name(std::vector<std::uint8_t>* out, const char* name) {
    char padded[20] = {};
    std::memcpy(padded, name, std::strlen(name));
    put_name(out, padded);
}
// id, size, body, pad byte
void put_chunk(std::vector<std::uint8_t>* out, const char* id,
               const std::vector<std::uint8_t>& body) {
    put_bytes(out, id, 4);
    put32(out, static_cast<std::uint32_t>(body.size()));
    put_bytes(out, body.data(), body.size());
    if (body.size() % 2) out->push_back(0);
}
void put_list(std::vector<std::uint8_t>* out, const char* type,
              const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> list(type, type + 4);
    list.insert(list.end(), body.begin(), body.end());
    put_chunk(out, "LIST", list);
}

// The bag, generator and modulator tables of a list of zone lists; bag
// indices are appended to *headers_bags, one per zone list plus the terminal.
struct ZoneTables {
    std::vector<std::uint8_t> bags, gens, mods;
    std::size_t bag_count = 0, gen_count = 0, mod_count = 0;

    void add(const std::vector<Zone>& zones) {
        for (const Zone& z : zones) {
            put16(&bags, static_cast<std::uint32_t>(gen_count));
            put16(&bags, static_cast<std::uint32_t>(mod_count));
            ++bag_count;
            for (const Generator& g : z.generators) {
                put16(&gens, g.oper);
                put16(&gens, g.amount);
            }
            for (const Modulator& m : z.modulators) put_bytes(&mods, m.bytes, sizeof m.bytes);
            gen_count += z.generators.size();
            mod_count += z.modulators.size();
        }
    }
    void finish() {
        put16(&bags, static_cast<std::uint32_t>(gen_count));
        put16(&bags, static_cast<std::uint32_t>(mod_count));
        gens.insert(gens.end(), 4, 0);
        mods.insert(mods.end(), 10, 0);
    }
    bool fits() const { return bag_count < 0x10000 && gen_count < 0x10000 && mod_count < 0x10000; }
};

}  // namespace

const Generator* find_generator(const Zone& zone, std::uint16_t oper) {
    for (const Generator& g : zone.generators)
        if (g.oper == oper) return &g;
    return nullptr;
}

bool read_sound_font(const std::uint8_t* bytes, std::size_t size, SoundFont* font,
                     std::string* reason) {
    *font = SoundFont{};
    if (!bytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 ||
        std::memcmp(bytes + 8, "sfbk", 4) != 0)
        return fail(reason, "not an SF2 file (no RIFF sfbk header)");
    std::uint32_t riff = u32(bytes + 4);
    if (riff < 4 || riff > size - 8)
        return fail(reason, "truncated: the RIFF chunk claims " + std::to_string(riff) +
                                " bytes, the file has " + std::to_string(size - 8));
    Chunks chunks({bytes + 12, riff - 4});
    char id[5];
    Span body, pdta;
    bool info = false, sdta = false;
    for (int got; (got = chunks.next(id, &body)) != 0;) {
        if (got < 0) return fail(reason, "truncated: a chunk runs past the file");
        if (std::strcmp(id, "LIST") != 0 || body.size < 4) continue;
        Span list{body.data + 4, body.size - 4};
        if (std::memcmp(body.data, "INFO", 4) == 0) {
            font->info.assign(list.data, list.data + list.size);
            info = true;
        } else if (std::memcmp(body.data, "sdta", 4) == 0) {
            Chunks samples(list);
            Span part;
            for (int in; (in = samples.next(id, &part)) != 0;) {
                if (in < 0) return fail(reason, "sdta: a chunk runs past the list");
                if (std::strcmp(id, "smpl") == 0) {
                    font->smpl.assign(part.data, part.data + part.size);
                    sdta = true;
                } else if (std::strcmp(id, "sm24") == 0) {
                    font->sm24.assign(part.data, part.data + part.size);
                }
            }
        } else if (std::memcmp(body.data, "pdta", 4) == 0) {
            pdta = list;
        }
    }
    if (!info) return fail(reason, "no INFO list");
    if (!sdta) return fail(reason, "no smpl chunk of sample data");
    if (!pdta.data) return fail(reason, "no pdta list");
    if (!font->sm24.empty() && font->sm24.size() < font->smpl.size() / 2)
        return fail(reason, "sm24 is shorter than the sample data");
    return read_pdta(pdta, font, reason);
}

bool write_sound_font(const SoundFont& font, std::vector<std::uint8_t>* out, std::string* reason) {
    ZoneTables preset_zones, instrument_zones;
    std::vector<std::uint8_t> phdr, inst, shdr;
    for (const Preset& p : font.presets) {
        put_name(&phdr, p.name);
        put16(&phdr, p.program);
        put16(&phdr, p.bank);
        put16(&phdr, static_cast<std::uint32_t>(preset_zones.bag_count));
        put32(&phdr, p.library);
        put32(&phdr, p.genre);
        put32(&phdr, p.morphology);
        preset_zones.add(p.zones);
    }
    put_end_name(&phdr, "EOP");
    put16(&phdr, 0);
    put16(&phdr, 0);
    put16(&phdr, static_cast<std::uint32_t>(preset_zones.bag_count));
    phdr.insert(phdr.end(), 12, 0);
    for (const Instrument& in : font.instruments) {
        put_name(&inst, in.name);
        put16(&inst, static_cast<std::uint32_t>(instrument_zones.bag_count));
        instrument_zones.add(in.zones);
    }
    put_end_name(&inst, "EOI");
    put16(&inst, static_cast<std::uint32_t>(instrument_zones.bag_count));
    for (const Sample& s : font.samples) {
        put_name(&shdr, s.name);
        for (std::uint32_t v : {s.start, s.end, s.loop_start, s.loop_end, s.rate}) put32(&shdr, v);
        shdr.push_back(s.original_key);
        shdr.push_back(static_cast<std::uint8_t>(s.correction));
        put16(&shdr, s.link);
        put16(&shdr, s.type);
    }
    put_end_name(&shdr, "EOS");
    shdr.insert(shdr.end(), 26, 0);
    preset_zones.finish();
    instrument_zones.finish();
    if (!preset_zones.fits() || !instrument_zones.fits() || font.presets.size() >= 0xFFFF ||
        font.instruments.size() >= 0xFFFF || font.samples.size() >= 0xFFFF)
        return fail(reason, "a table has more records than 16-bit indices reach");
    if (font.smpl.size() + font.sm24.size() + phdr.size() + shdr.size() > 0xF0000000u)
        return fail(reason, "larger than a RIFF file can be");

    std::vector<std::uint8_t> sdta, pdta;
    put_chunk(&sdta, "smpl", font.smpl);
    if (!font.sm24.empty()) put_chunk(&sdta, "sm24", font.sm24);
    put_chunk(&pdta, "phdr", phdr);
    put_chunk(&pdta, "pbag", preset_zones.bags);
    put_chunk(&pdta, "pmod", preset_zones.mods);
    put_chunk(&pdta, "pgen", preset_zones.gens);
    put_chunk(&pdta, "inst", inst);
    put_chunk(&pdta, "ibag", instrument_zones.bags);
    put_chunk(&pdta, "imod", instrument_zones.mods);
    put_chunk(&pdta, "igen", instrument_zones.gens);
    put_chunk(&pdta, "shdr", shdr);
    std::vector<std::uint8_t> riff = {'s', 'f', 'b', 'k'};
    put_list(&riff, "INFO", font.info);
    put_list(&riff, "sdta", sdta);
    put_list(&riff, "pdta", pdta);
    out->clear();
    put_chunk(out, "RIFF", riff);
    return true;
}

}  // namespace sf2
