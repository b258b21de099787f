// The mixer's cost: CPU time to render one second of audio (44100 frames, in
// 1024-frame pulls as an output device asks for them) with music playing, with
// sound effects playing, and with both. The music is a dense piece made here
// like a level's (drums, bass, strings, lead at 140 bpm), or the file named by
// V17_BENCH_MIDI; it restarts when it ends, as the levels restart theirs.
// Beside them, the load-time conversion of one second of CD-rate stereo to the
// buffers' 11025 Hz mono, through the band-limited resampler.
//
//   cmake --build --preset default --target mixer_bench
//   build/default/bench/mixer_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "audio/music.h"
#include "audio/sound.h"
#include "audio/wave_file.h"
#include "audio_files.h"
#include "platform/system/backend.h"

namespace {

constexpr int kPull = 1024;

// Sixteen bars at 140 bpm, 480 ticks a quarter note.
std::string level_like_piece() {
    const std::uint32_t q = 480, bar = 4 * q;
    std::vector<MidiEvent> drums, bass, strings, lead;
    bass.push_back(program(0, 1, 33));
    strings.push_back(program(0, 2, 48));
    lead.push_back(program(0, 3, 80));
    const int roots[] = {45, 41, 48, 43};
    const int scale[] = {0, 3, 5, 7, 10, 12, 10, 7};
    for (std::uint32_t b = 0; b < 16; ++b) {
        std::uint32_t t0 = b * bar;
        int root = roots[b % 4];
        for (std::uint32_t e = 0; e < 8; ++e) {  // eighths
            std::uint32_t t = t0 + e * q / 2;
            drums.push_back(note_on(t, 9, 42, 70));
            drums.push_back(note_off(t + q / 4, 9, 42));
            if (e % 4 == 0)
                drums.push_back(note_on(t, 9, 36, 110)),
                    drums.push_back(note_off(t + q / 4, 9, 36));
            if (e % 4 == 2)
                drums.push_back(note_on(t, 9, 38, 100)),
                    drums.push_back(note_off(t + q / 4, 9, 38));
            bass.push_back(note_on(t, 1, root - 12, 100));
            bass.push_back(note_off(t + q / 2 - 10, 1, root - 12));
        }
        for (int k : {0, 3, 7}) {
            strings.push_back(note_on(t0, 2, root + 12 + k, 70));
            strings.push_back(note_off(t0 + bar - 20, 2, root + 12 + k));
        }
        for (std::uint32_t s = 0; s < 16; ++s) {  // sixteenths
            std::uint32_t t = t0 + s * q / 4;
            int key = root + 24 + scale[(s + b) % 8];
            lead.push_back(note_on(t, 3, key, 90));
            lead.push_back(note_off(t + q / 4 - 10, 3, key));
        }
    }
    return midi_file({midi_track({tempo(0, 428571)}), midi_track(drums), midi_track(bass),
                      midi_track(strings), midi_track(lead)});
}

// Starts the layers in a scratch directory holding the piece and the sound.
struct Scene {
    Scene(bool music, int sounds) {
        set_backend(nullptr);
        // Read once, by the first scene, before any scene moves to its scratch
        // directory: a relative name means what the caller meant.
        static const std::string piece = [] {
            const char* chosen = std::getenv("V17_BENCH_MIDI");
            if (!chosen) return level_like_piece();
            std::ifstream in(chosen, std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "mixer_bench: cannot read V17_BENCH_MIDI=%s\n", chosen);
                std::exit(2);
            }
            return std::string(std::istreambuf_iterator<char>(in), {});
        }();
        if (!mkdtemp(dir) || chdir(dir) != 0) std::abort();
        std::ofstream("piece.mid", std::ios::binary) << piece;
        std::ofstream("effect.wav", std::ios::binary) << wav_file(square8(11025, 60, 25));
        sound_init();
        music_init();
        music_id = load_midi("piece.mid");
        if (music_id < 0) {
            std::fprintf(stderr, "mixer_bench: the piece is not a standard MIDI file\n");
            std::exit(2);
        }
        if (music) play_music(music_id);
        int effect = load_wav("effect.wav", 224);
        for (int i = 0; i < sounds; ++i) {
            int id = i == 0 ? effect : replicate_sound(effect);
            set_sound_frequency(id, 8000 + 1500 * i);
            set_sound_pan(id, -4000 + 1000 * i);
            play_sound(id, DSBPLAY_LOOPING);
        }
    }
    ~Scene() {
        music_shutdown();
        sound_shutdown();
        std::remove("piece.mid");
        std::remove("effect.wav");
        if (chdir("/tmp") == 0) rmdir(dir);
    }
    char dir[20] = "/tmp/v17benchXXXXXX";
    int music_id;
};

void render_seconds(benchmark::State& state, Scene& scene) {
    float out[2 * kPull];
    const int rate = mixer_rate();
    for (auto _ : state) {
        for (int done = 0; done < rate; done += kPull) mixer_render(out, kPull);
        if (current_music >= 0 && music_status(scene.music_id) == MUSIC_STATE_STOPPED)
            play_music(scene.music_id);
        benchmark::DoNotOptimize(out[0]);
    }
    state.counters["rate"] = rate;
}

void BM_Music(benchmark::State& state) {
    Scene scene(true, 0);
    render_seconds(state, scene);
}

void BM_EightSounds(benchmark::State& state) {
    Scene scene(false, 8);
    render_seconds(state, scene);
}

void BM_MusicAndEightSounds(benchmark::State& state) {
    Scene scene(true, 8);
    render_seconds(state, scene);
}

void BM_ConvertOneSecondAt44100(benchmark::State& state) {
    std::string data;
    for (int i = 0; i < 44100; ++i) {
        auto v = static_cast<std::uint32_t>(std::lround(20000 * std::sin(i * 0.0713)));
        data += le16(v & 0xFFFF) + le16(v & 0xFFFF);
    }
    const std::string file = wav_file(data, 2, 44100, 16);
    WaveSound wave{};
    for (auto _ : state) {
        if (!parse_wave(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), &wave))
            std::abort();
        benchmark::DoNotOptimize(wave.samples.data());
    }
}

}  // namespace

// Each iteration is one second of audio: the time shown is ms of CPU per second.
BENCHMARK(BM_Music)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_EightSounds)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MusicAndEightSounds)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_ConvertOneSecondAt44100)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
