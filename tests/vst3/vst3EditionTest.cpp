// The VST 3 edition through the bundle's binary, driven by our own host:
// factory and parameters as hosts list them, texts and values the VST 2
// display gives, state as the VST 2 bank chunk, automation on its sample.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "plugcore/ChunkFormat.h"
#include "tools/render/parameterValues.h"
#include "tools/vst3host/vst3host.h"
#include "tools/vsthost/vsthost.h"
#include "vst3/parameterIds.h"
#include "vst3/processorLink.h"

namespace {

using vst3host::Effect;
using vst3host::Module;
using vst3host::ParamChanges;

std::shared_ptr<Module> module() {
    static std::string error;
    static std::shared_ptr<Module> loaded = Module::load(ORVALT_VST3_BUNDLE, error);
    EXPECT_TRUE(loaded) << error;
    return loaded;
}

std::unique_ptr<Effect> effect() {
    std::string error;
    auto made = module() ? Effect::create(module(), error) : nullptr;
    EXPECT_TRUE(made) << error;
    return made;
}

std::unique_ptr<vsthost::Plugin> vst2() {
    std::string error;
    auto library = vsthost::Library::load(ORVALT_PLUGIN_PATH, error);
    auto plugin = library ? vsthost::Plugin::create(library, nullptr, error) : nullptr;
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

std::string narrow(const Vst3::TChar* text) {
    std::string out;
    for (; *text; ++text) out += static_cast<char>(*text);
    return out;
}

struct Stereo {
    explicit Stereo(size_t frames) : l(frames), r(frames) {}
    std::vector<float> l, r;
    float* ch[2] = {nullptr, nullptr};
    float* const* get(size_t at = 0) {
        ch[0] = l.data() + at, ch[1] = r.data() + at;
        return ch;
    }
};

Stereo signal(size_t frames, uint32_t seed) {
    Stereo s(frames);
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (size_t i = 0; i < frames; ++i) {
        s.l[i] = 1.6f * std::sin(0.02f * i) + 0.05f * noise(random);
        s.r[i] = 0.7f * std::sin(0.013f * i) - 0.05f * noise(random);
    }
    return s;
}

TEST(Vst3Factory, NamesTheProcessorAndItsControllerAsHostsExpect) {
    ASSERT_TRUE(module());
    Vst3::IPluginFactory* factory = module()->factory();
    Vst3::PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), Vst3::kResultOk);
    EXPECT_STREQ(info.vendor, "Quillmarsh");
    EXPECT_EQ(info.flags, Vst3::PFactoryInfo::kUnicode);
    ASSERT_EQ(factory->countClasses(), 2);

    Vst3::IPluginFactory3* factory3 = nullptr;
    ASSERT_EQ(factory->queryInterface(Vst3::IPluginFactory3::iid.bytes, reinterpret_cast<void**>(&factory3)),
              Vst3::kResultOk);
    const char* categories[] = {"Audio Module Class", "Component Controller Class"};
    for (Vst3::int32 k = 0; k < 2; ++k) {
        Vst3::PClassInfo2 info2{};
        Vst3::PClassInfoW wide{};
        ASSERT_EQ(factory3->getClassInfo2(k, &info2), Vst3::kResultOk);
        ASSERT_EQ(factory3->getClassInfoUnicode(k, &wide), Vst3::kResultOk);
        EXPECT_STREQ(info2.category, categories[k]);
        EXPECT_STREQ(info2.name, "Orvalt");
        EXPECT_EQ(narrow(wide.name), "Orvalt");
        EXPECT_STREQ(info2.vendor, "Quillmarsh");
        EXPECT_EQ(narrow(wide.vendor), "Quillmarsh");
        EXPECT_STREQ(info2.version, ORVALT_VERSION);
        EXPECT_STREQ(info2.sdkVersion, "VST 3.7.14");
        EXPECT_STREQ(info2.subCategories, k == 0 ? "Fx|Dynamics" : "");
        EXPECT_EQ(info2.cardinality, Vst3::kManyInstances);
    }
    factory3->release();
    EXPECT_EQ(factory->getClassInfo(2, nullptr), Vst3::kInvalidArgument);
    void* obj = &info;
    const Vst3::TUID unknown = {};
    EXPECT_EQ(factory->createInstance(unknown, Vst3::IComponent::iid.bytes, &obj), Vst3::kInvalidArgument);
    EXPECT_EQ(obj, nullptr);

    // Each object answers every interface it has, its bases and FUnknown, and nothing else.
    auto e = effect();
    ASSERT_TRUE(e);
    auto answers = [](Vst3::FUnknown* object, const Vst3::Iid& iid) {
        void* got = nullptr;
        const bool yes = object->queryInterface(iid.bytes, &got) == Vst3::kResultOk && got;
        if (yes) static_cast<Vst3::FUnknown*>(got)->release();
        return yes;
    };
    for (const Vst3::Iid* iid : {&Vst3::FUnknown::iid, &Vst3::IPluginBase::iid, &Vst3::IComponent::iid,
                                 &Vst3::IAudioProcessor::iid, &Vst3::IConnectionPoint::iid})
        EXPECT_TRUE(answers(e->component, *iid));
    for (const Vst3::Iid* iid : {&Vst3::FUnknown::iid, &Vst3::IPluginBase::iid, &Vst3::IEditController::iid,
                                 &Vst3::IConnectionPoint::iid, &Vst3::IUnitInfo::iid, &Vst3::IMidiMapping::iid,
                                 &Vst3::IMidiLearn::iid})
        EXPECT_TRUE(answers(e->controller, *iid));
    EXPECT_FALSE(answers(e->component, Vst3::IEditController::iid));
    EXPECT_FALSE(answers(e->controller, Vst3::IAudioProcessor::iid));
    EXPECT_EQ(e->processor->getLatencySamples(), 1u);
    EXPECT_EQ(e->processor->getTailSamples(), 0u);
    EXPECT_EQ(e->processor->canProcessSampleSize(Vst3::kSample64), Vst3::kResultTrue);
}

TEST(Vst3Parameters, ShowAndReadWhatTheVst2DisplayShows) {
    auto e = effect();
    auto hosted = vst2();
    ASSERT_TRUE(e && hosted);
    Vst3::IEditController& c = *e->controller;
    ASSERT_EQ(c.getParameterCount(), 7 + 2 + 129);
    const struct {
        const char* title;
        const char* units;
        Vst3::int32 steps;
    } expected[] = {{"Input", "dB", 0}, {"Warm", "", 1}, {"Limit", "dB", 0}, {"Bass", "dB", 0},
                    {"Clip", "", 1},    {"Drive", "db", 0}, {"Makeup", "", 1}};
    for (Vst3::int32 i = 0; i < 7; ++i) {
        Vst3::ParameterInfo info{};
        ASSERT_EQ(c.getParameterInfo(i, info), Vst3::kResultOk);
        EXPECT_EQ(info.id, static_cast<Vst3::ParamID>(i));
        EXPECT_EQ(narrow(info.title), expected[i].title);
        EXPECT_EQ(narrow(info.units), expected[i].units);
        EXPECT_EQ(info.stepCount, expected[i].steps) << expected[i].title;
        EXPECT_EQ(info.flags, Vst3::ParameterInfo::kCanAutomate);
        EXPECT_EQ(info.defaultNormalizedValue, hosted->getParameter(i));
        for (float v : {0.0f, 0.125f, 0.3f, 0.5f, 0.77f, 1.0f}) {
            hosted->setParameter(i, v);
            EXPECT_EQ(e->textForValue(info.id, v), hosted->parameterDisplay(i)) << expected[i].title << " " << v;
        }
    }
    // Typed texts land on the renderer's float, bit for bit.
    const struct {
        int index;
        const char* text;
    } typed[] = {{0, "6.1"}, {0, "13.37"}, {0, "0"}, {1, "on"}, {2, "-3.25"}, {3, "4"}, {5, "-6.02"}, {6, "off"}};
    for (const auto& t : typed) {
        double value = -1;
        ASSERT_TRUE(e->valueForText(static_cast<Vst3::ParamID>(t.index), t.text, value)) << t.text;
        const float rendered = render::valueForText(*hosted, t.index, t.text);
        EXPECT_EQ(static_cast<float>(value), rendered) << t.text;
        EXPECT_EQ(static_cast<double>(static_cast<float>(value)), value);
    }
    double untouched = 0.25;
    EXPECT_FALSE(e->valueForText(0, "loud", untouched));
    EXPECT_EQ(untouched, 0.25);

    Vst3::ParameterInfo info{};
    ASSERT_EQ(c.getParameterInfo(7, info), Vst3::kResultOk);
    EXPECT_EQ(info.id, Vst3Format::kBypassId);
    EXPECT_EQ(info.flags, Vst3::ParameterInfo::kCanAutomate | Vst3::ParameterInfo::kIsBypass);
    EXPECT_EQ(info.stepCount, 1);
    ASSERT_EQ(c.getParameterInfo(8, info), Vst3::kResultOk);
    EXPECT_EQ(info.id, Vst3Format::kProgramId);
    EXPECT_EQ(info.flags, Vst3::ParameterInfo::kCanAutomate | Vst3::ParameterInfo::kIsList |
                              Vst3::ParameterInfo::kIsProgramChange);
    EXPECT_EQ(info.stepCount, hosted->numPrograms() - 1);
    ASSERT_EQ(c.getParameterInfo(9 + 7, info), Vst3::kResultOk);
    EXPECT_EQ(info.id, Vst3Format::kMidiIdBase + 7);
    EXPECT_TRUE(info.flags & Vst3::ParameterInfo::kIsHidden);
    EXPECT_EQ(c.getParameterInfo(c.getParameterCount(), info), Vst3::kInvalidArgument);
}

TEST(Vst3Programs, AreTheProductsAndSelectingOneLoadsItsValues) {
    auto e = effect();
    auto hosted = vst2();
    ASSERT_TRUE(e && hosted);
    Vst3::IUnitInfo* units = nullptr;
    ASSERT_EQ(e->controller->queryInterface(Vst3::IUnitInfo::iid.bytes, reinterpret_cast<void**>(&units)),
              Vst3::kResultOk);
    Vst3::UnitInfo unit{};
    ASSERT_EQ(units->getUnitCount(), 1);
    ASSERT_EQ(units->getUnitInfo(0, unit), Vst3::kResultOk);
    EXPECT_EQ(unit.id, Vst3::kRootUnitId);
    EXPECT_EQ(unit.parentUnitId, Vst3::kNoParentUnitId);
    Vst3::ProgramListInfo list{};
    ASSERT_EQ(units->getProgramListInfo(0, list), Vst3::kResultOk);
    EXPECT_EQ(list.id, unit.programListId);
    ASSERT_EQ(list.programCount, hosted->numPrograms());
    for (Vst3::int32 p = 0; p < list.programCount; ++p) {
        Vst3::String128 name{};
        ASSERT_EQ(units->getProgramName(list.id, p, name), Vst3::kResultOk);
        char expected[kVstMaxProgNameLen + 1] = {};
        hosted->dispatch(effSetProgram, 0, p);
        hosted->dispatch(effGetProgramName, 0, 0, expected);
        EXPECT_EQ(narrow(name), expected);
    }
    units->release();

    const int last = list.programCount - 1;
    ASSERT_EQ(e->controller->setParamNormalized(Vst3Format::kProgramId, 3.0 / last), Vst3::kResultOk);
    hosted->dispatch(effSetProgram, 0, 3);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(e->controller->getParamNormalized(i), hosted->getParameter(i)) << i;
    ASSERT_FALSE(e->handler.calls.empty());
    EXPECT_EQ(e->handler.calls.back(), "restart " + std::to_string(Vst3::kParamValuesChanged));

    // The processor takes the same program from the same parameter: the same bank results.
    ParamChanges change;
    change.add(Vst3Format::kProgramId, 0, 3.0 / last);
    ASSERT_TRUE(e->start(44100, 64));
    e->process(static_cast<float* const*>(nullptr), nullptr, 0, &change);
    e->stop();
    EXPECT_EQ(e->state(), hosted->getChunk(false));
}

TEST(Vst3State, IsTheVst2BankChunkAndADamagedOneChangesNothing) {
    auto e = effect();
    auto hosted = vst2();
    ASSERT_TRUE(e && hosted);
    const float input = render::valueForText(*hosted, 0, "6");
    const float limit = render::valueForText(*hosted, 2, "-3");
    ParamChanges changes;
    changes.add(0, 0, input);
    changes.add(2, 0, limit);
    ASSERT_TRUE(e->start(48000, 256));
    e->process(static_cast<float* const*>(nullptr), nullptr, 0, &changes);
    e->stop();
    const std::vector<uint8_t> saved = e->state();
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved, hosted->getChunk(false));

    // Into a fresh pair, through a stream that moves 7 bytes a call.
    auto other = effect();
    vst3host::MemoryStream slow(saved);
    slow.mostPerCall = 7;
    ASSERT_EQ(other->component->setState(&slow), Vst3::kResultOk);
    slow.position = 0;
    ASSERT_EQ(other->controller->setComponentState(&slow), Vst3::kResultOk);
    EXPECT_EQ(other->state(), saved);
    // Values travel in the chunk's fixed point.
    using PlugCore::chunk::decodeValue, PlugCore::chunk::encodeValue;
    EXPECT_EQ(other->controller->getParamNormalized(0), decodeValue(encodeValue(input)));
    EXPECT_EQ(other->controller->getParamNormalized(2), decodeValue(encodeValue(limit)));

    std::vector<std::vector<uint8_t>> damaged = {{}, std::vector<uint8_t>(saved.begin(), saved.end() - 1)};
    damaged.push_back(saved);
    damaged.back()[10] ^= 0x20;  // another product's name
    damaged.push_back(saved);
    damaged.back()[0] ^= 0x01;  // not our magic
    auto fresh = effect();
    const std::vector<uint8_t> before = fresh->state();
    const double shown = fresh->controller->getParamNormalized(0);
    for (const auto& bytes : damaged) {
        vst3host::MemoryStream stream(bytes);
        EXPECT_NE(fresh->component->setState(&stream), Vst3::kResultOk) << bytes.size();
        stream.position = 0;
        EXPECT_NE(fresh->controller->setComponentState(&stream), Vst3::kResultOk);
        EXPECT_EQ(fresh->state(), before);
        EXPECT_EQ(fresh->controller->getParamNormalized(0), shown);
    }
}

// One block with a change at frame 100 sounds the same as the host splitting
// the block there itself; doubles give the same samples; silence is flagged.
TEST(Vst3Processing, ActsOnEachParameterPointAtItsSample) {
    constexpr Vst3::int32 kFrames = 256;
    const Stereo in = signal(kFrames, 5);
    std::vector<Stereo> outs;
    for (int way = 0; way < 3; ++way) {
        auto e = effect();
        ASSERT_TRUE(e && e->start(44100, kFrames, way == 2 ? Vst3::kSample64 : Vst3::kSample32));
        Stereo source = in, out(kFrames);
        ParamChanges change;
        if (way == 1) {
            ASSERT_EQ(e->process(source.get(), out.get(), 100), Vst3::kResultOk);
            change.add(0, 0, 0.9);
            ASSERT_EQ(e->process(source.get(100), out.get(100), kFrames - 100, &change), Vst3::kResultOk);
        } else {
            change.add(0, 100, 0.9);
            change.add(5, 100, 1.0);  // an unchanged value at the same point: no split of its own
            if (way == 0) {
                ASSERT_EQ(e->process(source.get(), out.get(), kFrames, &change), Vst3::kResultOk);
            } else {
                std::vector<double> wide[4];
                for (int c = 0; c < 2; ++c) wide[c].assign(c ? in.r.begin() : in.l.begin(), c ? in.r.end() : in.l.end());
                wide[2].resize(kFrames), wide[3].resize(kFrames);
                double* const i2[2] = {wide[0].data(), wide[1].data()};
                double* const o2[2] = {wide[2].data(), wide[3].data()};
                ASSERT_EQ(e->process(i2, o2, kFrames, &change), Vst3::kResultOk);
                for (size_t i = 0; i < kFrames; ++i) out.l[i] = static_cast<float>(wide[2][i]), out.r[i] = static_cast<float>(wide[3][i]);
            }
        }
        outs.push_back(out);
        if (way == 0) {
            EXPECT_EQ(e->lastSilenceFlags(), 0u);
            Stereo silent(kFrames), quiet(kFrames);
            for (int k = 0; k < 200; ++k) e->process(silent.get(), quiet.get(), kFrames);  // the signal rings out
            EXPECT_EQ(e->lastSilenceFlags(), 3u);
        }
    }
    EXPECT_EQ(outs[0].l, outs[1].l);
    EXPECT_EQ(outs[0].r, outs[1].r);
    EXPECT_EQ(outs[0].l, outs[2].l);
    EXPECT_EQ(outs[0].r, outs[2].r);
}

// The bypass parameter reaches the shared bypass: after its fade the output is
// the input one sample late (the latency kept).
TEST(Vst3Processing, BypassGivesTheInputOneSampleLate) {
    constexpr Vst3::int32 kFrames = 2048;
    const Stereo in = signal(kFrames, 9);
    auto e = effect();
    ASSERT_TRUE(e && e->start(44100, kFrames));
    Stereo source = in, out(kFrames);
    ParamChanges change;
    change.add(Vst3Format::kBypassId, 0, 1.0);
    ASSERT_EQ(e->process(source.get(), out.get(), kFrames, &change), Vst3::kResultOk);
    for (Vst3::int32 i = 1024; i < kFrames; ++i) ASSERT_EQ(out.l[i], in.l[i - 1]) << i;
}

TEST(Vst3Midi, ControllersMapToHiddenParametersAndBadCallsAreRefused) {
    auto e = effect();
    ASSERT_TRUE(e);
    Vst3::IMidiMapping* mapping = nullptr;
    ASSERT_EQ(e->controller->queryInterface(Vst3::IMidiMapping::iid.bytes, reinterpret_cast<void**>(&mapping)),
              Vst3::kResultOk);
    Vst3::ParamID id = 0;
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, 7, id), Vst3::kResultTrue);
    EXPECT_EQ(id, Vst3Format::kMidiIdBase + 7);
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 15, 129, id), Vst3::kResultTrue);
    EXPECT_EQ(id, Vst3Format::kMidiIdBase + 129);
    EXPECT_EQ(mapping->getMidiControllerAssignment(1, 0, 7, id), Vst3::kResultFalse);
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 16, 7, id), Vst3::kResultFalse);
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, 128, id), Vst3::kResultFalse);
    EXPECT_EQ(mapping->getMidiControllerAssignment(0, 0, -1, id), Vst3::kResultFalse);
    mapping->release();
    EXPECT_EQ(e->textForValue(Vst3Format::kMidiIdBase + 7, 1.0), "127");

    // A controller moved while the processor learns binds to the parameter and
    // from then on moves it; the binding is saved in the chunk.
    Vst3Format::IProcessorLink* link = nullptr;
    ASSERT_EQ(e->component->queryInterface(Vst3Format::IProcessorLink::iid.bytes, reinterpret_cast<void**>(&link)),
              Vst3::kResultOk);
    ASSERT_TRUE(e->start(44100, 64));
    link->requestLearn(2);
    EXPECT_EQ(link->learnTarget(), 2);
    ParamChanges learn, move;
    learn.add(Vst3Format::kMidiIdBase + 7, 3, 64.0 / 127);
    e->process(static_cast<float* const*>(nullptr), nullptr, 0, &learn);
    EXPECT_EQ(link->learnTarget(), -1);
    EXPECT_EQ(link->midiKey(2), static_cast<int16_t>(0xB007));
    move.add(Vst3Format::kMidiIdBase + 7, 0, 0.0);
    e->process(static_cast<float* const*>(nullptr), nullptr, 0, &move);
    e->stop();
    link->release();
    vst3host::MemoryStream saved(e->state());
    ASSERT_EQ(e->controller->setComponentState(&saved), Vst3::kResultOk);
    EXPECT_EQ(e->controller->getParamNormalized(2), 0.0);
    EXPECT_EQ(e->controller->setParamNormalized(0, NAN), Vst3::kInvalidArgument);
    EXPECT_EQ(e->controller->setParamNormalized(0x7777, 0.5), Vst3::kInvalidArgument);
}

}  // namespace
