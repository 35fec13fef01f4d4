// Throughput of the effect's engine beside the literal reference engine, in
// one run. Every case is measured for both ("opt" and "ref"); the table at
// the end gives each one's multiple of real time at 44.1 kHz and the ratio
// opt / ref, and the denormal cases' slowdown against normal input.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "DemoSignal.h"
#include "ReferenceEngine.h"
#include "Trellisor.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;

intptr_t quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// The effect with its frame-level operations reachable.
class BenchEffect : public Trellisor {
public:
    BenchEffect() : Trellisor(&quietHost) {}
    using Trellisor::magnitudes;
    using Trellisor::measuredFreqs;
    using Trellisor::oscillatorBank;
    using Trellisor::runFrame;
    void useIsa(trellisor::Isa which) { isa = which; }
};

enum class Input { Demo, Noise, Tiny, Decay };

const std::vector<float>& inputOf(Input kind) {
    static std::map<Input, std::vector<float>> cache;
    auto it = cache.find(kind);
    if (it != cache.end()) return it->second;
    std::vector<float> x;
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    switch (kind) {
        case Input::Demo:
            x = DemoSignal::make().channels[0];
            break;
        case Input::Noise:
            x.resize(1 << 18);
            for (float& v : x) v = 0.5f * u(rng);
            break;
        case Input::Tiny:  // below the normal range throughout
            x.resize(1 << 18);
            for (float& v : x) v = 1e-39f * u(rng);
            break;
        case Input::Decay: {  // noise falling from 0.5 through the subnormal range to zero, once a second
            x.resize(1 << 18);
            for (size_t i = 0; i < x.size(); ++i) {
                const double t = static_cast<double>(i % 44100) / 44100.0;
                x[i] = static_cast<float>(0.5 * std::exp(-110.0 * t) * u(rng));
            }
            break;
        }
    }
    return cache.emplace(kind, std::move(x)).first->second;
}

const char* isaName(trellisor::Isa isa) {
    switch (isa) {
        case trellisor::Isa::Baseline: return "sse2";
        case trellisor::Isa::Fma: return "fma";
        case trellisor::Isa::Avx2: return "avx2";
        case trellisor::Isa::Avx512: return "avx512";
    }
    return "";
}

// The oscillator bank alone in each instruction set this processor runs.
void bankIsa(benchmark::State& state, int wave, trellisor::Isa isa, float nudge) {
    auto e = std::make_unique<BenchEffect>();
    e->setParameter(kFftSize, 1.0f);
    e->setParameter(kRegen, 1.0f);
    e->setParameter(kThresh, 1.0f);
    e->setParameter(kType, wave * 0.25f);
    e->setParameter(kFreqNudge, nudge);
    const std::vector<float>& in = inputOf(Input::Noise);
    std::vector<float> out(1024);
    e->runFrame(in.data(), out.data(), 2);
    e->useIsa(isa);
    for (auto _ : state) {
        e->oscillatorBank(out.data(), 2);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["xRT"] = benchmark::Counter(static_cast<double>(state.iterations()) * 1024 / kRate,
                                               benchmark::Counter::kIsRate);
}

struct Setting {
    const char* name;
    Input input;
    float fftSize, regen, type, keep, thresh, win;
    float nudge = 0.5f;
};

// The cases: defaults, the worst fixed-bin and tracking cases, each waveform
// in the worst case, the output window, and input in the subnormal range.
const Setting kSettings[] = {
    {"defaults", Input::Demo, 0.0f, 0.25f, 0.0f, 0.0f, 0.85f, 0.0f},
    {"defaults_win", Input::Demo, 0.0f, 0.25f, 0.0f, 0.0f, 0.85f, 1.0f},
    {"defaults_noise", Input::Noise, 0.0f, 0.25f, 0.0f, 0.0f, 0.85f, 0.0f},
    {"defaults_tiny", Input::Tiny, 0.0f, 0.25f, 0.0f, 0.0f, 0.85f, 0.0f},
    {"defaults_decay", Input::Decay, 0.0f, 0.25f, 0.0f, 0.0f, 0.85f, 0.0f},
    {"worst_sine", Input::Noise, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f},
    {"worst_tri", Input::Noise, 1.0f, 1.0f, 0.25f, 0.0f, 1.0f, 0.0f},
    {"worst_saw", Input::Noise, 1.0f, 1.0f, 0.5f, 0.0f, 1.0f, 0.0f},
    {"worst_square", Input::Noise, 1.0f, 1.0f, 0.75f, 0.0f, 1.0f, 0.0f},
    {"worst_mixed", Input::Noise, 1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 0.0f},
    {"worst_sine_win", Input::Noise, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f},
    // With a frequency shift the increments leave the multiples of 64 and
    // the sine is read from the whole table.
    {"worst_sine_shifted", Input::Noise, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.37f},
    {"worst_tri_shifted", Input::Noise, 1.0f, 1.0f, 0.25f, 0.0f, 1.0f, 0.0f, 0.37f},
    {"worst_tracking", Input::Noise, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f},
    {"worst_tracking_tiny", Input::Tiny, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f},
    {"worst_tracking_decay", Input::Decay, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f},
};

template <class Engine>
void configure(Engine& e, const Setting& s) {
    e.setParameter(kFftSize, s.fftSize);
    e.setParameter(kRegen, s.regen);
    e.setParameter(kType, s.type);
    e.setParameter(kKeepFreqs, s.keep);
    e.setParameter(kThresh, s.thresh);
    e.setParameter(kWinType, s.win);
    e.setParameter(kFreqNudge, s.nudge);
}

void wholeOpt(benchmark::State& state, const Setting* s) {
    auto effect = std::make_unique<BenchEffect>();
    configure(*effect, *s);
    const std::vector<float>& in = inputOf(s->input);
    std::vector<float> out0(kBlock), out1(kBlock), spare(kBlock, 0.0f);
    size_t pos = 0;
    for (auto _ : state) {
        if (pos + kBlock > in.size()) pos = 0;
        float* ins[2] = {const_cast<float*>(in.data() + pos), spare.data()};
        float* outs[2] = {out0.data(), out1.data()};
        effect->processReplacing(ins, outs, kBlock);
        benchmark::DoNotOptimize(out0.data());
        pos += kBlock;
    }
    state.counters["xRT"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                                               benchmark::Counter::kIsRate);
}

void wholeRef(benchmark::State& state, const Setting* s) {
    auto engine = std::make_unique<ReferenceEngine>();
    configure(*engine, *s);
    const std::vector<float>& in = inputOf(s->input);
    std::vector<float> out0(kBlock), out1(kBlock);
    size_t pos = 0;
    for (auto _ : state) {
        if (pos + kBlock > in.size()) pos = 0;
        engine->processReplacing(in.data() + pos, out0.data(), out1.data(), kBlock);
        benchmark::DoNotOptimize(out0.data());
        pos += kBlock;
    }
    state.counters["xRT"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                                               benchmark::Counter::kIsRate);
}

// Frame-level stages at N = 1024 (and the fixed-bin transform also at 256),
// each iteration one frame of noise.
enum class Stage { FftMag256, FftMag, SmsFft, SmsPitchScale, ParamUpdateTracking, Bank, BankTri };

const char* stageName(Stage s) {
    switch (s) {
        case Stage::FftMag256: return "fftMag_256";
        case Stage::FftMag: return "fftMag_1024";
        case Stage::SmsFft: return "smsFft_1024";
        case Stage::SmsPitchScale: return "smsPitchScale_1024";
        case Stage::ParamUpdateTracking: return "paramUpdate_tracking_1024";
        case Stage::Bank: return "bank_sine_512osc";
        case Stage::BankTri: return "bank_tri_512osc";
    }
    return "";
}

template <class Engine>
void stage(benchmark::State& state, Stage which) {
    auto e = std::make_unique<Engine>();
    const bool small = which == Stage::FftMag256;
    e->setParameter(kFftSize, small ? 0.0f : 1.0f);
    e->setParameter(kRegen, 1.0f);
    e->setParameter(kThresh, 1.0f);
    e->setParameter(kType, which == Stage::BankTri ? 0.25f : 0.0f);
    e->setParameter(kKeepFreqs, which == Stage::ParamUpdateTracking ? 1.0f : 0.0f);
    const int k = small ? 0 : 2;
    const int n = small ? 256 : 1024;
    const std::vector<float>& in = inputOf(Input::Noise);
    std::vector<float> frame(in.begin(), in.begin() + 1024), buffer(2048), out(1024);
    e->runFrame(frame.data(), out.data(), k);  // sizes, magnitudes and increments in force
    for (auto _ : state) {
        switch (which) {
            case Stage::FftMag256:
            case Stage::FftMag:
                e->fftMag(frame.data(), buffer.data());
                break;
            case Stage::SmsFft:
                for (int i = 0; i < 2 * n; ++i) buffer[i] = (i & 1) ? 0.0f : frame[i / 2];
                e->smsFft(buffer.data(), -1);
                break;
            case Stage::SmsPitchScale:
                e->smsPitchScale(frame.data(), buffer.data(), buffer.data() + 1024);
                break;
            case Stage::ParamUpdateTracking:
                if constexpr (std::is_same_v<Engine, ReferenceEngine>) {
                    e->paramUpdate(k);
                } else {
                    e->paramUpdate();
                }
                break;
            case Stage::Bank:
            case Stage::BankTri:
                if constexpr (requires { e->oscillatorBank(out.data(), k); }) {
                    e->oscillatorBank(out.data(), k);
                } else {
                    state.SkipWithError("the oscillator bank is not a separate operation");
                    return;
                }
                break;
        }
        benchmark::DoNotOptimize(buffer.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["xRT"] = benchmark::Counter(static_cast<double>(state.iterations()) * n / kRate,
                                               benchmark::Counter::kIsRate);
}

// Collects each run's multiple of real time for the closing table; with
// --benchmark_repetitions the table gives the median and the spread.
class TableReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;
            auto it = r.counters.find("xRT");
            if (it != r.counters.end()) xrt[r.benchmark_name()].push_back(it->second.value);
        }
    }
    std::map<std::string, std::vector<double>> xrt;
};

struct Figure {
    double median = 0.0, low = 0.0, high = 0.0;
    bool present = false;
};

Figure figure(const std::map<std::string, std::vector<double>>& m, const std::string& key) {
    Figure f;
    auto it = m.find(key);
    if (it == m.end() || it->second.empty()) return f;
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    f.median = v.size() % 2 ? v[v.size() / 2] : 0.5 * (v[v.size() / 2 - 1] + v[v.size() / 2]);
    f.low = v.front();
    f.high = v.back();
    f.present = true;
    return f;
}

std::string show(const Figure& f) {
    if (!f.present) return "-";
    char text[64];
    if (f.low == f.high) {
        std::snprintf(text, sizeof text, "%.1f", f.median);
    } else {
        std::snprintf(text, sizeof text, "%.1f (%.0f-%.0f)", f.median, f.low, f.high);
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    for (const Setting& s : kSettings) {
        benchmark::RegisterBenchmark((std::string("whole/") + s.name + "/opt").c_str(), wholeOpt, &s);
        benchmark::RegisterBenchmark((std::string("whole/") + s.name + "/ref").c_str(), wholeRef, &s);
    }
    for (Stage st : {Stage::FftMag256, Stage::FftMag, Stage::SmsFft, Stage::SmsPitchScale,
                     Stage::ParamUpdateTracking, Stage::Bank, Stage::BankTri}) {
        benchmark::RegisterBenchmark((std::string("stage/") + stageName(st) + "/opt").c_str(),
                                     stage<BenchEffect>, st);
        benchmark::RegisterBenchmark((std::string("stage/") + stageName(st) + "/ref").c_str(),
                                     stage<ReferenceEngine>, st);
    }
    const char* waves[] = {"sine", "tri", "saw", "square", "mixed"};
    for (trellisor::Isa isa : {trellisor::Isa::Baseline, trellisor::Isa::Fma, trellisor::Isa::Avx2,
                               trellisor::Isa::Avx512}) {
        if (!trellisor::isaSupported(isa)) continue;
        for (int w = 0; w < 5; ++w) {
            benchmark::RegisterBenchmark(
                (std::string("isa/bank_") + waves[w] + "_512osc_" + isaName(isa) + "/opt").c_str(), bankIsa, w, isa,
                0.5f);
        }
        benchmark::RegisterBenchmark((std::string("isa/bank_sine_shifted_512osc_") + isaName(isa) + "/opt").c_str(),
                                     bankIsa, 0, isa, 0.37f);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nmultiple of real time at 44.1 kHz: median (lowest-highest of the repetitions)\n");
    std::printf("%-36s %22s %22s %8s\n", "case", "opt", "ref", "opt/ref");
    for (const auto& [name, values] : reporter.xrt) {
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, "/opt") != 0) continue;
        const std::string base = name.substr(0, name.size() - 4);
        const Figure o = figure(reporter.xrt, name);
        const Figure r = figure(reporter.xrt, base + "/ref");
        char ratio[16] = "-";
        if (r.present && r.median > 0.0) std::snprintf(ratio, sizeof ratio, "%.2f", o.median / r.median);
        std::printf("%-36s %22s %22s %8s\n", base.c_str(), show(o).c_str(), show(r).c_str(), ratio);
    }
    // Slowdown of subnormal input against normal input of the same setting.
    const std::pair<const char*, const char*> slow[] = {
        {"whole/defaults_tiny", "whole/defaults_noise"},
        {"whole/defaults_decay", "whole/defaults_noise"},
        {"whole/worst_tracking_tiny", "whole/worst_tracking"},
        {"whole/worst_tracking_decay", "whole/worst_tracking"},
    };
    std::printf("\n%-36s %10s %10s\n", "slowdown against normal input", "opt", "ref");
    for (const auto& [tiny, normal] : slow) {
        const std::string t = tiny, n = normal;
        const Figure ot = figure(reporter.xrt, t + "/opt"), rt = figure(reporter.xrt, t + "/ref");
        const Figure on = figure(reporter.xrt, n + "/opt"), rn = figure(reporter.xrt, n + "/ref");
        if (!ot.present || !rt.present || !on.present || !rn.present) continue;
        std::printf("%-36s %10.2f %10.2f\n", tiny, on.median / ot.median, rn.median / rt.median);
    }
    return 0;
}
