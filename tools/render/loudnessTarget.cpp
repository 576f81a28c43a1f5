#include "tools/render/loudnessTarget.h"

#include "tools/render/audioSource.h"
#include "tools/render/parameterValues.h"
#include "tools/render/pluginSetup.h"
#include "tools/render/progressBar.h"
#include "tools/render/renderEngine.h"
#include "tools/render/renderError.h"
#include "tools/render/signalMeasures.h"

#include <ebur128.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <map>
#include <vector>

namespace render {
namespace {

constexpr size_t passChunkFrames = 32768;
constexpr int maximumProbes = 14;  // per parameter; a monotonic search needs far fewer
// Where the search aims inside what the written file must meet: its rounding
// to the output format moves loudness and true peak by far less than these.
// The top of the ceiling's window stays further under it than the true-peak
// meter ever reads low on clipped material (0.03 dB), so the signal itself
// stays under the ceiling too.
constexpr double loudnessAim = 0.05;                       // LU either side of the target
constexpr double ceilingLow = 0.1, ceilingHigh = 0.04;     // dB under the ceiling

struct PassFigures {
    double lufs = 0, truePeakDb = 0;
};

// Integrated loudness alone: without a ceiling to meet, a pass has no use
// for the true peak, which costs most of a full measurement.
class LoudnessOnly {
public:
    LoudnessOnly(int channels, double rate)
        : width(channels == 1 ? 1u : 2u),
          state(ebur128_init(width, static_cast<unsigned long>(std::lround(rate)), EBUR128_MODE_I)) {
        if (!state) throw RenderError(exitFailure, "cannot set up the loudness meter");
    }
    ~LoudnessOnly() { ebur128_destroy(&state); }
    LoudnessOnly(const LoudnessOnly&) = delete;
    LoudnessOnly& operator=(const LoudnessOnly&) = delete;
    void add(const double* left, const double* right, size_t frames) {
        interleaved.resize(frames * width);
        for (size_t i = 0; i < frames; ++i) {
            interleaved[width * i] = left[i];
            if (width == 2) interleaved[2 * i + 1] = right[i];
        }
        ebur128_add_frames_double(state, interleaved.data(), frames);
    }
    double lufs() const {
        double value = 0;
        return ebur128_loudness_global(state, &value) == EBUR128_SUCCESS ? value : -HUGE_VAL;
    }

private:
    unsigned width;
    ebur128_state* state;
    std::vector<double> interleaved;
};

// One analysis render of the whole input with the settings, the way the final
// render plays it (settled, latency removed, tail played out): only the
// output is measured and nothing is written.
PassFigures analysePass(const RenderOptions& pass, bool truePeak) {
    Source source(pass);
    const double rate = source.sampleRate();
    PluginSetup setup(pass);
    auto plugin = setup.createInstance(rate);
    RenderStream stream(*plugin, EngineSettings{pass.blockSize, pass.doublePrecision}, rate);
    stream.settle(settleSeconds);
    std::unique_ptr<LevelMeter> meter;
    std::unique_ptr<LoudnessOnly> loudness;
    if (truePeak) meter = std::make_unique<LevelMeter>(source.channels(), rate);
    else loudness = std::make_unique<LoudnessOnly>(source.channels(), rate);
    // Measuring costs more than rendering: chunk k is measured on another
    // core while chunk k+1 is read and rendered into the other buffers.
    std::vector<double> inL(passChunkFrames), inR(passChunkFrames);
    std::vector<double> outL[2] = {std::vector<double>(passChunkFrames), std::vector<double>(passChunkFrames)};
    std::vector<double> outR[2] = {std::vector<double>(passChunkFrames), std::vector<double>(passChunkFrames)};
    std::future<void> measuring;
    size_t skip = static_cast<size_t>(std::max(0, plugin->latency())), tail = skip;
    const double total = static_cast<double>(std::max<int64_t>(1, source.declaredFrames()));
    ProgressBar bar(!pass.quiet && total / rate > 5.0, "searching");
    for (size_t k = 0;; ++k) {
        size_t n = source.read(inL.data(), inR.data(), passChunkFrames);
        if (n == 0) {
            if (tail == 0) break;
            n = std::min(tail, passChunkFrames);
            std::fill(inL.begin(), inL.begin() + long(n), 0.0);
            std::fill(inR.begin(), inR.begin() + long(n), 0.0);
            tail -= n;
        }
        const double* l = outL[k % 2].data();
        const double* r = outR[k % 2].data();
        stream.process(inL.data(), inR.data(), outL[k % 2].data(), outR[k % 2].data(), n);
        const size_t dropped = std::min(skip, n);
        skip -= dropped;
        if (measuring.valid()) measuring.get();  // chunk k-1
        measuring = std::async(std::launch::async, [&, l, r, dropped, n] {
            if (meter) meter->add(l + dropped, r + dropped, n - dropped);
            else loudness->add(l + dropped, r + dropped, n - dropped);
        });
        bar.update(std::min(1.0, static_cast<double>(source.framesRead()) / total));
    }
    if (measuring.valid()) measuring.get();
    plugin->switchOff();
    if (!meter) return PassFigures{loudness->lufs(), NAN};
    const LevelFigures f = meter->figures();
    return PassFigures{f.integratedLufs, toDecibels(f.truePeak)};
}

struct Probe {
    double x = 0, y = 0;
    bool valid = false;
};

// Finds x in [0, 1] for which f(x), rising with x, lies in [low, high]; with
// topIsEnough, x = 1 with f(1) below low also does (nothing higher exists).
// met says whether it did; the probe returned is otherwise the nearest seen.
// slopeGuess: the expected rise of f over the whole range; fallback: where
// to look next when the first probe is too high (NaN: nowhere in particular).
Probe solveRising(const std::function<double(double)>& f, double x0, double low, double high, bool topIsEnough,
                  double slopeGuess, double fallback, bool& met) {
    const double aim = 0.5 * (low + high);
    auto miss = [&](double y) { return y < low ? low - y : y > high ? y - high : 0.0; };
    Probe below, above, last, best;
    // Illinois: an end of the bracket kept twice in a row counts half as
    // far from the aim, so a curved f cannot pin the secant to one end.
    double belowWeight = 1.0, aboveWeight = 1.0;
    int lastSide = 0;  // -1: the last probe moved the lower end, +1: the upper
    double reach = 1.0;  // grows while f stays flat (a true peak below the limit does not move)
    double x = std::clamp(x0, 0.0, 1.0);
    met = false;
    for (int i = 0; i < maximumProbes; ++i) {
        const Probe p{x, f(x), true};
        if (!best.valid || miss(p.y) < miss(best.y)) best = p;
        if (miss(p.y) == 0.0 || (topIsEnough && p.y < low && x >= 1.0)) {
            met = true;
            return p;
        }
        const int side = p.y < low ? -1 : 1;
        if (side < 0) {
            if (x >= 1.0) break;  // the top of the range is not enough
            below = p;
            belowWeight = 1.0;
            if (lastSide < 0) aboveWeight *= 0.5;
        } else {
            if (x <= 0.0) break;  // the bottom of the range is too much
            above = p;
            aboveWeight = 1.0;
            if (lastSide > 0) belowWeight *= 0.5;
        }
        lastSide = side;
        double next;
        if (below.valid && above.valid) {
            const double width = above.x - below.x;
            if (width < 1e-7) break;
            const double yBelow = aim + (below.y - aim) * belowWeight, yAbove = aim + (above.y - aim) * aboveWeight;
            next = below.x + (aim - yBelow) * width / (yAbove - yBelow);
            // Strictly inside the bracket, so it shrinks on every probe.
            if (!(next > below.x + 0.01 * width && next < above.x - 0.01 * width)) next = below.x + 0.5 * width;
        } else {
            double slope = slopeGuess;
            if (last.valid && std::fabs(p.x - last.x) > 1e-9 && (p.y - last.y) / (p.x - last.x) > 0.05 * slopeGuess)
                slope = (p.y - last.y) / (p.x - last.x);
            else if (last.valid)
                slope = slopeGuess / (reach *= 2.0);
            next = std::clamp(p.x + (aim - p.y) / slope, 0.0, 1.0);
            if (i == 0 && side > 0 && fallback < next) next = std::clamp(fallback, 0.0, 1.0);
        }
        last = p;
        x = next;
    }
    return best;
}

std::string numberText(const char* format, double value) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// The display's number ("+6.00" -> 6), for the first guesses of the slopes.
double displayedNumber(vsthost::Plugin& plugin, int index, float value) {
    plugin.setParameter(index, value);
    return std::strtod(plugin.parameterDisplay(index).c_str(), nullptr);
}

}  // namespace

RenderOptions searchTargets(const RenderOptions& options, TargetSearch& search) {
    search.loudness = !std::isnan(options.targetLufs);
    search.ceiling = !std::isnan(options.ceilingDbtp);
    search.targetLufs = options.targetLufs;
    search.ceilingDbtp = options.ceilingDbtp;
    if (!search.asked()) return options;

    // A scratch instance in the asked-for state: where the search starts.
    Source probeSource(options);
    PluginSetup setup(options);
    auto scratch = setup.createInstance(probeSource.sampleRate());
    const int input = findParameter(*scratch, "input"), limit = findParameter(*scratch, "limit");
    for (const ParameterAssignment& a : options.assignments) {
        const int index = findParameter(*scratch, a.name);
        if ((search.loudness && index == input) || (search.ceiling && index == limit))
            throw RenderError(exitUsage, std::string(search.loudness && index == input ? "--target-lufs" : "--ceiling-dbtp") +
                                             " sets " + (index == input ? "input" : "limit") + " itself: leave out --set " + a.name);
    }
    double inputValue = scratch->getParameter(input), limitValue = scratch->getParameter(limit);
    const double inputSpan = displayedNumber(*scratch, input, 1.0f) - displayedNumber(*scratch, input, 0.0f);
    const double limitBottom = displayedNumber(*scratch, limit, 0.0f);
    const double limitSpan = displayedNumber(*scratch, limit, 1.0f) - limitBottom;
    scratch.reset();

    auto withSettings = [&](double in, double lim) {
        RenderOptions pass = options;
        if (search.loudness) pass.assignments.push_back(ParameterAssignment{std::to_string(input), numberText("%.9g", float(in)), true});
        if (search.ceiling) pass.assignments.push_back(ParameterAssignment{std::to_string(limit), numberText("%.9g", float(lim)), true});
        return pass;
    };
    std::map<std::pair<float, float>, PassFigures> passes;
    int passCount = 0;
    // peak: the true peak is wanted too. A pass that measured loudness alone
    // is run again when its true peak turns out to be needed.
    auto measure = [&](double in, double lim, bool peak) {
        const auto key = std::make_pair(float(in), float(lim));
        auto found = passes.find(key);
        if (found == passes.end() || (peak && std::isnan(found->second.truePeakDb))) {
            ++passCount;
            passes[key] = analysePass(withSettings(in, lim), peak);
            found = passes.find(key);
        }
        return found->second;
    };
    const double x = options.targetLufs, y = options.ceilingDbtp;
    bool loudnessMet = true, ceilingMet = true;
    // What the limits tried so far taught: the input gain each needed, and
    // how steeply loudness rose with input gain near it. A clipper driven
    // harder rises far less than the gain's own span, so each search at a
    // new limit starts from the line through the last two answers with the
    // last slope seen, and mostly needs a pass or two.
    std::vector<std::pair<double, double>> answers;  // (limit, input)
    double inputSlope = std::max(1.0, inputSpan);
    auto learnSlope = [&](double lim, double in) {
        // The two probes at this limit nearest the answer.
        std::vector<Probe> probes;
        for (const auto& p : passes)
            if (p.first.second == float(lim)) probes.push_back(Probe{p.first.first, p.second.lufs, true});
        std::sort(probes.begin(), probes.end(),
                  [&](const Probe& a, const Probe& b) { return std::fabs(a.x - in) < std::fabs(b.x - in); });
        if (probes.size() < 2 || std::fabs(probes[1].x - probes[0].x) < 1e-6) return;
        const double slope = (probes[1].y - probes[0].y) / (probes[1].x - probes[0].x);
        if (std::isfinite(slope) && slope > 0.05) inputSlope = slope;
    };
    // The input gain for the target at one limit; sets inputValue.
    auto loudnessAt = [&](double lim) {
        if (!search.loudness) return measure(inputValue, lim, search.ceiling);
        double start = inputValue;
        if (answers.size() >= 2) {
            const auto& [l1, i1] = answers[answers.size() - 2];
            const auto& [l2, i2] = answers.back();
            if (std::fabs(l2 - l1) > 1e-6) start = std::clamp(i2 + (lim - l2) * (i2 - i1) / (l2 - l1), 0.0, 1.0);
        }
        // The very first setting tried is seldom the answer: its true peak
        // would go unused, and measuring it costs more than the loudness.
        Probe p = solveRising([&](double in) { return measure(in, lim, search.ceiling && !passes.empty()).lufs; }, start,
                              x - loudnessAim, x + loudnessAim,
                              false, inputSlope, NAN, loudnessMet);
        inputValue = p.x;
        learnSlope(lim, inputValue);
        answers.emplace_back(lim, inputValue);
        return measure(inputValue, lim, search.ceiling);
    };
    if (search.ceiling) {
        // A true peak over the ceiling: next try the limit that shows the ceiling itself.
        const double limitAtCeiling = (y - 0.5 * (ceilingLow + ceilingHigh) - limitBottom) / limitSpan;
        Probe p = solveRising([&](double lim) { return loudnessAt(lim).truePeakDb; }, limitValue, y - ceilingLow,
                              y - ceilingHigh, true, std::max(1.0, limitSpan), limitAtCeiling, ceilingMet);
        limitValue = p.x;
    }
    const PassFigures reached = loudnessAt(limitValue);
    search.passes = passCount;

    RenderOptions found = withSettings(inputValue, limitValue);
    {
        PluginSetup foundSetup(found);
        auto shown = foundSetup.createInstance(probeSource.sampleRate());
        search.inputDisplay = shown->parameterDisplay(input) + " " + shown->parameterLabel(input);
        search.limitDisplay = shown->parameterDisplay(limit) + " " + shown->parameterLabel(limit);
    }
    if (!loudnessMet || !ceilingMet || (search.ceiling && !(reached.truePeakDb <= y)))
        throw RenderError(exitTarget, std::string("cannot reach ") +
                                          (search.loudness ? numberText("%.1f LUFS", x) : "") +
                                          (search.loudness && search.ceiling ? " under " : "") +
                                          (search.ceiling ? numberText("%.1f dBTP", y) : "") +
                                          " inside the parameters' ranges; the nearest is " +
                                          numberText("%.2f LUFS", reached.lufs) +
                                          (search.ceiling ? numberText(" at %+.2f dBTP", reached.truePeakDb) : "") +
                                          " with input " + search.inputDisplay + ", limit " + search.limitDisplay +
                                          "; nothing written");
    return found;
}

void checkTargetsMet(const TargetSearch& search, const LevelFigures& output) {
    const double peak = toDecibels(output.truePeak);
    const bool loud = !search.loudness || std::fabs(output.integratedLufs - search.targetLufs) <= targetToleranceLu;
    const bool under = !search.ceiling || peak <= search.ceilingDbtp;
    if (!loud || !under)
        throw RenderError(exitTarget, "the file rendered with the settings found measures " +
                                          numberText("%.2f LUFS", output.integratedLufs) + " and " +
                                          numberText("%+.2f dBTP", peak) + ", missing the target; nothing written");
}

}  // namespace render
