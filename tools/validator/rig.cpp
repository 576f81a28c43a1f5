#include "tools/validator/rig.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace validator {
namespace {

// A playing transport at 120 beats per minute, for plug-ins that follow tempo.
VstTimeInfo playingTransport(float rate) {
    VstTimeInfo t{};
    t.sampleRate = rate;
    t.tempo = 120.0;
    t.timeSigNumerator = 4;
    t.timeSigDenominator = 4;
    t.flags = kVstTransportPlaying | kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid | kVstBarsValid;
    return t;
}

class Gate {
public:
    explicit Gate(ProcessObserver* o) : observer(o) {
        if (observer) observer->enter();
    }
    ~Gate() {
        if (observer) observer->leave();
    }

private:
    ProcessObserver* observer;
};

template <typename T>
struct BlockBuffers {
    std::vector<std::vector<T>> in, out;
    std::vector<T*> inPointers, outPointers;
    BlockBuffers(int inputs, int outputs, int frames, bool inPlace) {
        // At least one channel each, so that the pointer arrays are never empty.
        in.assign(std::max(inputs, 1), std::vector<T>(frames));
        out.assign(std::max(outputs, 1), std::vector<T>(frames));
        for (auto& c : in) inPointers.push_back(c.data());
        for (size_t j = 0; j < out.size(); ++j)
            outPointers.push_back(inPlace && j < in.size() ? in[j].data() : out[j].data());
    }
};

int largestBlock(const std::vector<int>& sizes) {
    int m = 1;
    for (int s : sizes) m = std::max(m, s);
    return m;
}

}  // namespace

std::unique_ptr<Rig> Rig::create(Context& context, std::string& error) {
    auto library = context.library(error);
    if (!library) return nullptr;
    vsthost::HostOptions options;
    options.logCapacity = 16;  // the validator reads counts, never the record
    auto host = std::make_shared<vsthost::Host>(options);
    host->calls().setRecording(false);  // recording takes a lock; counting does not
    auto plugin = vsthost::Plugin::create(library, host, error);
    if (!plugin) return nullptr;
    std::unique_ptr<Rig> rig(new Rig());
    rig->checkContext = &context;
    rig->hostedPlugin = std::move(plugin);
    AEffect* e = rig->hostedPlugin->effect();
    rig->inputChannels = e->numInputs;
    rig->outputChannels = e->numOutputs;
    rig->effectFlags = e->flags;
    rig->hostedPlugin->open();
    return rig;
}

std::unique_ptr<Rig> Rig::createPrepared(Context& context, std::string& error, float sampleRate, int blockSize) {
    auto rig = create(context, error);
    if (rig) rig->prepare(sampleRate, blockSize);
    return rig;
}

void Rig::setSampleRate(float rate) {
    currentSampleRate = rate;
    VstTimeInfo t = playingTransport(rate);
    hostedPlugin->host().setTimeInfo(&t);
    hostedPlugin->dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void Rig::setBlockSize(int frames) {
    currentBlockSize = frames;
    hostedPlugin->dispatch(effSetBlockSize, 0, frames);
}

void Rig::prepare(float rate, int frames) {
    currentSampleRate = rate;
    currentBlockSize = frames;
    VstTimeInfo t = playingTransport(rate);
    hostedPlugin->host().setTimeInfo(&t);
    hostedPlugin->configure(rate, frames);
    hostedPlugin->switchOn();
}

void Rig::processFloat(float** inputs, float** outputs, int frames) {
    Gate gate(checkContext->processObserver());
    AEffect* e = hostedPlugin->effect();
    if (e->processReplacing) {
        e->processReplacing(e, inputs, outputs, frames);
    } else if (e->process) {
        // Only the old accumulating call: the host clears the outputs first.
        for (int j = 0; j < outputChannels; ++j) std::fill(outputs[j], outputs[j] + frames, 0.0f);
        e->process(e, inputs, outputs, frames);
    }
}

bool Rig::processDouble(double** inputs, double** outputs, int frames) {
    AEffect* e = hostedPlugin->effect();
    if (!(effectFlags & effFlagsCanDoubleReplacing) || !e->processDoubleReplacing) return false;
    Gate gate(checkContext->processObserver());
    e->processDoubleReplacing(e, inputs, outputs, frames);
    return true;
}

void Rig::sendEvents(VstEvents* events) {
    Gate gate(checkContext->processObserver());
    hostedPlugin->dispatch(effProcessEvents, 0, 0, events);
}

template <typename T, typename Process>
static BasicSignal<T> renderWith(Rig& rig, const BasicSignal<T>& in, const std::vector<int>& blockSizes, bool inPlace,
                                 Process process) {
    const int frames = in.frames();
    BasicSignal<T> out(rig.outputCount(), frames);
    BlockBuffers<T> b(rig.inputCount(), rig.outputCount(), largestBlock(blockSizes), inPlace);
    size_t next = 0;
    for (int pos = 0; pos < frames;) {
        int n = std::min(blockSizes[next++ % blockSizes.size()], frames - pos);
        if (n <= 0) n = std::min(1, frames - pos);
        for (int c = 0; c < rig.inputCount(); ++c)
            std::copy(in.channels[c].begin() + pos, in.channels[c].begin() + pos + n, b.in[c].begin());
        for (size_t j = 0; j < b.outPointers.size(); ++j)
            if (!inPlace || j >= b.in.size())
                std::fill(b.outPointers[j], b.outPointers[j] + n, std::numeric_limits<T>::quiet_NaN());
        process(b.inPointers.data(), b.outPointers.data(), n);
        for (int j = 0; j < rig.outputCount(); ++j)
            std::copy(b.outPointers[j], b.outPointers[j] + n, out.channels[j].begin() + pos);
        rig.plugin().host().advanceTime(n);
        pos += n;
    }
    return out;
}

Signal Rig::render(const Signal& in, const std::vector<int>& blockSizes, bool inPlace) {
    return renderWith(*this, in, blockSizes, inPlace,
                      [this](float** i, float** o, int n) { processFloat(i, o, n); });
}

SignalD Rig::renderDouble(const SignalD& in, const std::vector<int>& blockSizes, bool inPlace) {
    return renderWith(*this, in, blockSizes, inPlace,
                      [this](double** i, double** o, int n) { processDouble(i, o, n); });
}

std::vector<float> Rig::parameters() {
    std::vector<float> values(static_cast<size_t>(std::max(0, hostedPlugin->numParams())));
    for (size_t i = 0; i < values.size(); ++i) values[i] = hostedPlugin->getParameter(static_cast<VstInt32>(i));
    return values;
}

void Rig::setParameters(const std::vector<float>& values) {
    for (size_t i = 0; i < values.size(); ++i) hostedPlugin->setParameter(static_cast<VstInt32>(i), values[i]);
}

std::vector<float> Rig::randomizeParameters(std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<float> values(static_cast<size_t>(std::max(0, hostedPlugin->numParams())));
    for (float& v : values) v = unit(random);
    setParameters(values);
    return values;
}

bool reproducibleSettings(Context& context, std::mt19937& random, std::vector<float>& settings, std::string& why) {
    std::vector<float> candidates[2];
    {
        std::string error;
        auto probe = Rig::create(context, error);
        if (!probe) {
            why = error;
            return false;
        }
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        for (int i = 0; i < probe->plugin().numParams(); ++i) candidates[0].push_back(unit(random));
    }
    for (const auto& candidate : candidates) {
        // One after the other, so that instances that disturb each other
        // still count as reproducible here (two-instances catches those).
        Signal outputs[2];
        for (Signal& out : outputs) {
            std::string error;
            auto rig = Rig::createPrepared(context, error);
            if (!rig) {
                why = error;
                return false;
            }
            rig->setParameters(candidate);
            out = rig->render(inputSignal(*rig, 8192, 99), {512});
        }
        if (compareSignals(outputs[0], outputs[1]).largest == 0.0) {
            settings = candidate;
            return true;
        }
    }
    why = "two fresh instances give different output for the same input, with random settings and with the defaults";
    return false;
}

Signal inputSignal(Rig& rig, int frames, uint32_t seed) {
    return testSignal(rig.inputCount(), frames, rig.sampleRate() > 0 ? rig.sampleRate() : 44100.0, seed);
}

}  // namespace validator
