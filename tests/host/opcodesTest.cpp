// Every dispatcher opcode answers as this plug-in defines it.
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "pluginFixture.h"

namespace {

class OpcodeTest : public BuiltPlugin {
protected:
    void SetUp() override {
        BuiltPlugin::SetUp();
        plugin = create();
        ASSERT_TRUE(plugin);
    }
    VstIntPtr call(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
        return plugin->dispatch(opcode, index, value, ptr, opt);
    }
    std::unique_ptr<vsthost::Plugin> plugin;
};

TEST_F(OpcodeTest, IdentityTexts) {
    EXPECT_EQ(plugin->effectName(), "Orvalt");
    EXPECT_EQ(plugin->vendorString(), "Quillmarsh");
    EXPECT_EQ(plugin->productString(), "Quillmarsh Orvalt");
    char text[256] = {};
    EXPECT_EQ(call(effGetEffectName, 0, 0, text), 1);
    EXPECT_EQ(call(effGetVendorString, 0, 0, text), 1);
    EXPECT_EQ(call(effGetProductString, 0, 0, text), 1);
    EXPECT_EQ(call(effGetVendorVersion), 0);
}

TEST_F(OpcodeTest, FixedNumericAnswers) {
    EXPECT_EQ(call(effOpen), 0);
    EXPECT_EQ(call(effIdentify), 0x4E764566);
    EXPECT_EQ(call(effGetVstVersion), 2400);
    EXPECT_EQ(call(effGetPlugCategory), 0);
    EXPECT_EQ(call(effKeysRequired), 1);
    EXPECT_EQ(call(effGetTailSize), 0);
    EXPECT_EQ(call(effGetNumProgramCategories), 1);
    EXPECT_EQ(call(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(call(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(call(effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f), 1);
    EXPECT_EQ(call(effConnectInput, 0, 1), 1);
    EXPECT_EQ(call(effConnectOutput, 1, 0), 1);
    EXPECT_EQ(call(effGetVu), 0);
    EXPECT_EQ(call(effMainsChanged, 0, 1), 0);
    for (VstInt32 i = -1; i < 9; ++i) EXPECT_EQ(call(effCanBeAutomated, i), 1);
    EXPECT_EQ(call(effGetProgramNameIndexed, 0, 0, nullptr), 0);
    EXPECT_EQ(call(effString2Parameter, 0, 0, nullptr), 0);
    EXPECT_EQ(call(effGetParameterProperties, 0, 0, nullptr), 0);
    EXPECT_EQ(call(effSetBypass, 0, 1), 0);
    EXPECT_EQ(call(effSetProcessPrecision, 0, 1), 0);
    EXPECT_EQ(call(effGetNumMidiInputChannels), 0);
    EXPECT_EQ(call(effGetNumMidiOutputChannels), 0);
    EXPECT_EQ(call(effStartProcess), 0);
    EXPECT_EQ(call(effStopProcess), 0);
    for (VstInt32 op : {effEditDraw, effEditMouse, effEditKey, effEditTop, effEditSleep}) EXPECT_EQ(call(op), 0);
}

TEST_F(OpcodeTest, OpcodesOutOfRangeAnswerZero) {
    char text[64] = {};
    for (VstInt32 op : {80, 81, 1000, -1, -1000, 0x7FFFFFFF, static_cast<VstInt32>(0x80000000)})
        EXPECT_EQ(call(op, 0, 0, text), 0) << op;
}

TEST_F(OpcodeTest, CanDoAnswersOnlyTheExactMidiText) {
    EXPECT_EQ(plugin->canDo("receiveVstMidiEvent"), 1);
    for (const char* t : {"", "receiveVstMidiEven", "receiveVstMidiEventX", "receiveVstMidiEvent ", "ReceiveVstMidiEvent",
                          "receiveVstEvents", "sendVstMidiEvent", "bypass"})
        EXPECT_EQ(plugin->canDo(t), 0) << '"' << t << '"';
    EXPECT_EQ(call(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(OpcodeTest, PinPropertiesNameTheMainPair) {
    for (VstInt32 op : {effGetInputProperties, effGetOutputProperties}) {
        for (VstInt32 i = 0; i < 2; ++i) {
            VstPinProperties pin;
            std::memset(&pin, 0x5A, sizeof(pin));
            EXPECT_EQ(call(op, i, 0, &pin), 1);
            EXPECT_STREQ(pin.label, i == 0 ? "Main L" : "Main R");
            EXPECT_EQ(pin.flags, 3);
            EXPECT_EQ(pin.arrangementType, 0x5A5A5A5A) << "the arrangement type stays untouched";
            EXPECT_EQ(pin.shortLabel[0], 0x5A) << "the short label stays untouched";
        }
        for (VstInt32 i : {2, 3, -1, -2, 1000}) {
            VstPinProperties pin;
            std::memset(&pin, 0x5A, sizeof(pin));
            EXPECT_EQ(call(op, i, 0, &pin), 0) << i;
            EXPECT_EQ(pin.label[0], 0x5A) << "an invalid pin leaves the record untouched";
        }
        EXPECT_EQ(call(op, 0, 0, nullptr), 0);
    }
}

TEST_F(OpcodeTest, ProgramsAnswerAndIgnoreOutOfRange) {
    EXPECT_EQ(call(effGetProgram), 0);
    EXPECT_EQ(plugin->programName(), "Init 1");
    EXPECT_EQ(call(effSetProgram, 0, 3), 0);
    EXPECT_EQ(call(effGetProgram), 3);
    EXPECT_EQ(plugin->programName(), "Init 4");
    for (VstIntPtr v : {8, 9, -1, 1000}) {
        call(effSetProgram, 0, v);
        EXPECT_EQ(call(effGetProgram), 3) << v;
    }
    EXPECT_EQ(call(effSetProgramName, 0, 0, const_cast<char*>("Crunch")), 0);
    EXPECT_EQ(plugin->programName(), "Crunch");
    EXPECT_EQ(call(effSetProgramName, 0, 0, nullptr), 0);
    EXPECT_EQ(call(effGetProgramName, 0, 0, nullptr), 0);
}

TEST_F(OpcodeTest, ParameterTexts) {
    const char* names[] = {"input", "warm", "limit", "bass", "clip", "drive", "makeup"};
    const char* labels[] = {"dB", "", "dB", "dB", "", "db", ""};
    const char* displays[] = {"+0.00", "off", "0.00", "+0.00", "on", "+0.00", "off"};
    for (VstInt32 i = 0; i < 7; ++i) {
        EXPECT_EQ(plugin->parameterName(i), names[i]);
        EXPECT_EQ(plugin->parameterLabel(i), labels[i]);
        EXPECT_EQ(plugin->parameterDisplay(i), displays[i]);
    }
    EXPECT_EQ(plugin->parameterName(7), "**");
    EXPECT_EQ(plugin->parameterName(-1), "**");
    EXPECT_EQ(plugin->parameterLabel(7), "");
    char text[32] = "untouched";
    call(effGetParamDisplay, 7, 0, text);
    EXPECT_STREQ(text, "untouched");
    call(effGetParamDisplay, -3, 0, text);
    EXPECT_STREQ(text, "untouched");
    // Hostile: null text pointers are ignored.
    for (VstInt32 op : {effGetParamName, effGetParamLabel, effGetParamDisplay}) EXPECT_EQ(call(op, 0, 0, nullptr), 0);
}

TEST_F(OpcodeTest, ParametersClampThroughTheRecord) {
    plugin->setParameter(0, 1.5f);
    EXPECT_EQ(plugin->getParameter(0), 1.0f);
    plugin->setParameter(0, -0.25f);
    EXPECT_EQ(plugin->getParameter(0), 0.0f);
    plugin->setParameter(7, 0.5f);
    EXPECT_EQ(plugin->getParameter(7), 0.0f);
    plugin->setParameter(-1, 0.5f);
    EXPECT_EQ(plugin->getParameter(-1), 0.0f);
}

TEST_F(OpcodeTest, NonNumbersFromTheHostStoreZeroAndInfinitiesClamp) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (VstInt32 i = 0; i < 7; ++i) {
        plugin->setParameter(i, 0.0f);
        const std::string zeroText = plugin->parameterDisplay(i);
        plugin->setParameter(i, 0.5f);
        plugin->setParameter(i, nan);
        EXPECT_EQ(plugin->getParameter(i), 0.0f) << i;
        EXPECT_EQ(plugin->parameterDisplay(i), zeroText) << i;
        plugin->setParameter(i, -nan);
        EXPECT_EQ(plugin->getParameter(i), 0.0f) << i;
        plugin->setParameter(i, inf);
        EXPECT_EQ(plugin->getParameter(i), 1.0f) << i;
        plugin->setParameter(i, -inf);
        EXPECT_EQ(plugin->getParameter(i), 0.0f) << i;
    }
}

// Hosts deliver events in zero-length calls between the normal ones, with or
// without buffers. A controller bound to "limit" (through a preset's mapping
// record) moves it there, and the call writes no audio.
TEST_F(OpcodeTest, ZeroLengthCallsBetweenNormalOnesMoveABoundParameter) {
    plugin->open();
    plugin->prepare(48000.0f, 64);
    std::vector<uint8_t> preset = plugin->getChunk(true);
    ASSERT_FALSE(preset.empty());
    preset.insert(preset.end(), {1, 2, 0x07, 0xB0});  // mapping: parameter 2 <- controller 7
    plugin->setChunk(preset, true);
    std::vector<float> inL(64, 0.25f), inR(64, 0.25f), outL(64, 3.0f), outR(64, 3.0f);
    float* in[] = {inL.data(), inR.data()};
    float* out[] = {outL.data(), outR.data()};
    std::vector<double> dIn(64, 0.25), dOut(64, 3.0);
    double* din[] = {dIn.data(), dIn.data()};
    double* dout[] = {dOut.data(), dOut.data()};

    plugin->processReplacing(in, out, 64);
    vsthost::EventList events;
    events.addMidi(0, 0xB0, 7, 0);
    plugin->processEvents(events);
    plugin->processReplacing(nullptr, nullptr, 0);
    EXPECT_EQ(plugin->getParameter(2), 0.0f);
    plugin->processReplacing(in, out, 64);

    events.clear();
    events.addMidi(0, 0xB4, 7, 127);
    plugin->processEvents(events);
    plugin->processDoubleReplacing(din, dout, 0);
    EXPECT_EQ(plugin->getParameter(2), 1.0f);
    EXPECT_EQ(dOut[0], 3.0) << "a zero-length call writes nothing";
    plugin->processDoubleReplacing(din, dout, 64);
    EXPECT_EQ(plugin->getParameter(2), 1.0f) << "the event list was consumed";
}

TEST_F(OpcodeTest, BlockSizeWithoutMemoryPlaysSilenceNotStaleBuffers) {
    plugin->open();
    plugin->prepare(44100.0f, 64);
    call(effSetBlockSize, 0, 200000000);
    std::vector<float> inL(64, 0.5f), inR(64, 0.5f), outL(64, 7.0f), outR(64, 7.0f);
    float* in[] = {inL.data(), inR.data()};
    float* out[] = {outL.data(), outR.data()};
    for (int round = 0; round < 3; ++round) plugin->processReplacing(in, out, 64);
    EXPECT_EQ(outL, std::vector<float>(64, 0.0f));
    EXPECT_EQ(outR, std::vector<float>(64, 0.0f));
    std::vector<double> dIn(64, 0.5), dOutL(64, 7.0), dOutR(64, 7.0);
    double* din[] = {dIn.data(), dIn.data()};
    double* dout[] = {dOutL.data(), dOutR.data()};
    plugin->processDoubleReplacing(din, dout, 64);
    EXPECT_EQ(dOutL, std::vector<double>(64, 0.0));
    EXPECT_EQ(dOutR, std::vector<double>(64, 0.0));
}

TEST_F(OpcodeTest, WheelForwardingIsForeignHereOrWithoutAWindow) {
    const VstInt32 stCA = 0x73744341;
    const VstIntPtr whee = 0x57686565;
    EXPECT_EQ(call(effVendorSpecific, 0, whee, nullptr, 1.0f), 0);
    EXPECT_EQ(call(effVendorSpecific, stCA, 0, nullptr, 1.0f), 0);
#if !defined(_WIN32)
    EXPECT_EQ(call(effVendorSpecific, stCA, whee, nullptr, 1.0f), 0) << "no window system here";
#endif
}

TEST_F(OpcodeTest, ChunkOpcodesWithoutPointersAreHarmless) {
    EXPECT_EQ(call(effGetChunk, 0, 0, nullptr), 0);
    EXPECT_EQ(call(effSetChunk, 0, 100, nullptr), 0);
    unsigned char bytes[4] = {};
    EXPECT_EQ(call(effSetChunk, 0, -5, bytes), 0);
}

TEST_F(OpcodeTest, EditorOpcodesMatchTheEditorFlag) {
    ERect* rect = nullptr;
    const bool hasEditor = (plugin->effect()->flags & effFlagsHasEditor) != 0;
    EXPECT_EQ(call(effEditGetRect, 0, 0, &rect), hasEditor ? 1 : 0);
    if (hasEditor) {
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, 410);
        EXPECT_EQ(rect->bottom - rect->top, 100);
    }
    EXPECT_EQ(call(effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(call(effEditClose), 0);
    EXPECT_EQ(call(effEditIdle), 0);
    EXPECT_EQ(call(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(call(effEditKeyUp, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(call(effSetEditKnobMode, 0, 2), 0);
}

}  // namespace
