// The scream: additive synthesis of a voice (harmonics of a falling, wavering
// pitch, weighted by three vowel formants that close from "ah" towards "oh"),
// plus band-limited breath noise, under an attack-hold-release envelope. The
// result is scaled so that its largest sample lies SCREAM_PEAK from the middle.
// No globals. Needs only the standard library.
#include "scream.h"

#include <cmath>

#include "canvas.h"

namespace {

// sine of a phase given in turns, through the fixed polynomial of turn_sin
double sin_turns(double turns) {
    double f = turns - std::floor(turns);
    int whole = static_cast<int>(f * 4096.0);
    double frac = f * 4096.0 - whole;
    return turn_sin(whole) + (turn_sin(whole + 1) - turn_sin(whole)) * frac;
}

// the weight of a harmonic at frequency f under the vowel formants at time u (0 .. 1)
double formants(double f, double u) {
    const double f1 = 850 - 300 * u, f2 = 1300 - 400 * u, f3 = 2700;
    auto peak = [](double f, double centre, double width) {
        double d = (f - centre) / width;
        return 1.0 / (1.0 + d * d);
    };
    return 1.0 * peak(f, f1, 160) + 0.6 * peak(f, f2, 200) + 0.25 * peak(f, f3, 300) + 0.05;
}

double envelope(double t, double total) {
    if (t < 0.025) return t / 0.025;
    double rest = total - t;
    if (rest < 0.25) return (rest / 0.25) * (rest / 0.25);
    return 1.0;
}

}  // namespace

std::vector<std::uint8_t> synthesize_scream() {
    const double total = static_cast<double>(SCREAM_SAMPLES) / SCREAM_RATE;
    std::vector<double> wave(SCREAM_SAMPLES);
    Rng rng{0x5C7EA3u};
    double phase = 0, noise_lp = 0, noise_prev = 0, peak = 1e-9;
    for (int i = 0; i < SCREAM_SAMPLES; ++i) {
        double t = static_cast<double>(i) / SCREAM_RATE, u = t / total;
        double rise = t < 0.06 ? 700 + 3300 * t : 900;
        double fall = (1 - u) * std::sqrt(1 - u);
        double f0 = (t < 0.06 ? rise : 330 + 570 * fall) *
                    (1 + 0.05 * sin_turns(6.5 * t) + 0.025 * sin_turns(11.3 * t + 0.3));
        phase += f0 / SCREAM_RATE;
        phase -= std::floor(phase);
        double voice = 0;
        for (int k = 1; k * f0 < 4800; ++k) voice += formants(k * f0, u) / k * sin_turns(k * phase);
        double white = (static_cast<double>(rng.next() % 2001) - 1000.0) / 1000.0;
        noise_lp += 0.35 * (white - noise_lp);
        double breath = noise_lp - noise_prev * 0.5;
        noise_prev = noise_lp;
        double rasp = 1.0 + 0.15 * white;
        wave[i] = envelope(t, total) * (voice * rasp + 0.22 * breath);
        peak = std::fmax(peak, std::fabs(wave[i]));
    }
    std::vector<std::uint8_t> out(SCREAM_SAMPLES);
    for (int i = 0; i < SCREAM_SAMPLES; ++i) {
        int v = 128 + static_cast<int>(wave[i] / peak * SCREAM_PEAK);
        out[i] = static_cast<std::uint8_t>(v);
    }
    return out;
}
