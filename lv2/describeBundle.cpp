// Writes an LV2 bundle's description from the product itself: manifest.ttl,
// the plug-in's own file (identity, ports) and presets.ttl (the programs).
//   describeBundle FOLDER BINARY VERSION [UI_BINARY]
// The build runs it with an empty settings folder, so the built-in defaults
// (not some user's saved ones) become the ports' defaults and the presets.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "lv2/lv2Description.h"
#include "plugcore/productEntry.h"

namespace {

using namespace Lv2Format;

const char* const kPrefixes =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", v);
    std::string s = text;
    if (s.find_first_of(".eE") == std::string::npos) s += ".0";  // a decimal, not an integer literal
    return s;
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// The unit a display label names, when LV2 has one for it.
std::string unitOf(const std::string& label) {
    std::string lower;
    for (char c : label) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "db") return "units:db";
    if (lower == "hz") return "units:hz";
    if (lower == "ms") return "units:ms";
    if (lower == "%") return "units:pc";
    return "";
}

// A lamp's symbol: lampLeft and lampRight for a pair, lamp1, lamp2... otherwise.
std::string lampSymbol(uint32_t k, uint32_t count) {
    return count == 2 ? (k ? "lampRight" : "lampLeft") : "lamp" + std::to_string(k + 1);
}

std::string presetUri(const std::string& plugin, int k) { return plugin + "/preset/" + std::to_string(k + 1); }

struct Bundle {
    PlugCore::Plug& plug;
    std::string uri;
    std::vector<FormatCore::ParameterUnits> controls;
    uint32_t lamps;
    std::string uiBinary;  // empty: no editor in this build
};

std::string manifest(const Bundle& b, const std::string& binary, const std::string& ownFile) {
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << b.uri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << binary << "> ;\n    rdfs:seeAlso <" << ownFile
        << "> .\n";
    if (!b.uiBinary.empty())
        out << "\n<" << uiUri(b.plug.productInfo()) << ">\n    a ui:X11UI ;\n    ui:binary <" << b.uiBinary
            << "> ;\n    rdfs:seeAlso <" << ownFile << "> .\n";
    for (int k = 0; k < b.plug.getAeffect()->numPrograms; ++k)
        out << "\n<" << presetUri(b.uri, k) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << b.uri
            << "> ;\n    rdfs:seeAlso <presets.ttl> .\n";
    return out.str();
}

std::string controlPort(const FormatCore::ParameterUnits& c, uint32_t index) {
    std::ostringstream out;
    out << "[\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index " << index << " ;\n        lv2:symbol "
        << quoted(c.symbol) << " ;\n        lv2:name " << quoted(c.name) << " ;\n        lv2:default "
        << number(c.defaultValue) << " ;\n        lv2:minimum " << number(c.minimum) << " ;\n        lv2:maximum "
        << number(c.maximum);
    if (c.kind == FormatCore::ParameterUnits::toggle)
        out << " ;\n        lv2:portProperty lv2:toggled ;\n        lv2:scalePoint [ rdfs:label " << quoted(c.offText)
            << " ; rdf:value 0.0 ] , [ rdfs:label " << quoted(c.onText) << " ; rdf:value 1.0 ]";
    const std::string unit = unitOf(c.label);
    if (c.kind == FormatCore::ParameterUnits::number && !unit.empty()) out << " ;\n        units:unit " << unit;
    out << "\n    ]";
    return out.str();
}

std::string simplePort(const std::string& types, uint32_t index, const std::string& symbol, const std::string& name,
                       const std::string& more = "") {
    return "[\n        a " + types + " ;\n        lv2:index " + std::to_string(index) + " ;\n        lv2:symbol " +
           quoted(symbol) + " ;\n        lv2:name " + quoted(name) + more + "\n    ]";
}

std::string pluginFile(const Bundle& b, int minor, int micro) {
    const PlugCore::ProductInfo& product = b.plug.productInfo();
    const PortLayout layout(static_cast<uint32_t>(b.controls.size()), b.lamps);
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << b.uri << ">\n    a lv2:Plugin , doap:Project ;\n    doap:name " << quoted(product.name) << " ;\n";
    out << "    doap:maintainer [\n        foaf:name " << quoted(product.maker);
    if (product.webHost) out << " ;\n        foaf:homepage <http://" << product.webHost << ">";
    out << "\n    ] ;\n    lv2:minorVersion " << minor << " ;\n    lv2:microVersion " << micro << " ;\n";
    out << "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n    lv2:extensionData state:interface ;\n";
    // The MIDI input also takes the editor's learn requests.
    if (!b.uiBinary.empty()) out << "    ui:ui <" << uiUri(product) << "> ;\n";
    out << "    lv2:port ";
    std::vector<std::string> ports;
    for (uint32_t i = 0; i < b.controls.size(); ++i) ports.push_back(controlPort(b.controls[i], i));
    const char* side[2] = {"Left", "Right"};
    for (uint32_t c = 0; c < 2; ++c)
        ports.push_back(simplePort("lv2:InputPort , lv2:AudioPort", layout.audioIn(c), std::string("in") + side[c],
                                   std::string("In ") + (c ? "right" : "left")));
    for (uint32_t c = 0; c < 2; ++c)
        ports.push_back(simplePort("lv2:OutputPort , lv2:AudioPort", layout.audioOut(c), std::string("out") + side[c],
                                   std::string("Out ") + (c ? "right" : "left")));
    ports.push_back(simplePort("lv2:OutputPort , lv2:ControlPort", layout.latency(), "latency", "Latency",
                               " ;\n        lv2:designation lv2:latency ;\n        lv2:portProperty lv2:reportsLatency , "
                               "lv2:integer ;\n        lv2:minimum 0 ;\n        lv2:maximum " +
                                   std::to_string(std::max<VstInt32>(0, b.plug.getLatency())) +
                                   " ;\n        units:unit units:frame"));
    ports.push_back(simplePort("lv2:InputPort , lv2:ControlPort", layout.enabled(), "enabled", "Enabled",
                               " ;\n        lv2:designation lv2:enabled ;\n        lv2:portProperty lv2:toggled ;\n"
                               "        lv2:default 1 ;\n        lv2:minimum 0 ;\n        lv2:maximum 1"));
    ports.push_back(simplePort("lv2:InputPort , atom:AtomPort", layout.midiIn(), "midiIn", "MIDI in",
                               " ;\n        atom:bufferType atom:Sequence ;\n        atom:supports midi:MidiEvent ;\n"
                               "        lv2:designation lv2:control ;\n        lv2:portProperty lv2:connectionOptional"));
    ports.push_back(simplePort("lv2:OutputPort , atom:AtomPort", layout.notify(), "notify", "Editor notices",
                               " ;\n        atom:bufferType atom:Sequence ;\n"
                               "        lv2:portProperty lv2:connectionOptional"));
    for (uint32_t k = 0; k < b.lamps; ++k) {
        std::string lower = lampSymbol(k, b.lamps).substr(4);
        lower[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[0])));
        ports.push_back(simplePort("lv2:OutputPort , lv2:ControlPort", layout.lamp(k), lampSymbol(k, b.lamps), "Lamp " + lower,
                                   " ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 1.0"));
    }
    for (size_t k = 0; k < ports.size(); ++k) out << (k ? " , " : "") << ports[k];
    out << " .\n";
    if (!b.uiBinary.empty()) {
        // The editor needs the host's idle calls, opens in the host's window or in
        // one of its own, and shows every control and the lamps, so it hears of all of them.
        out << "\n<" << uiUri(product) << ">\n    a ui:X11UI ;\n    lv2:requiredFeature ui:idleInterface ;\n"
            << "    lv2:optionalFeature ui:parent , ui:resize , ui:touch ;\n"
            << "    lv2:extensionData ui:idleInterface , ui:showInterface ;\n"
            << "    ui:portNotification ";
        std::vector<std::string> symbols;
        for (const FormatCore::ParameterUnits& c : b.controls) symbols.push_back(c.symbol);
        for (uint32_t k = 0; k < b.lamps; ++k) symbols.push_back(lampSymbol(k, b.lamps));
        for (size_t k = 0; k < symbols.size(); ++k)
            out << (k ? " , " : "") << "[\n        ui:plugin <" << b.uri << "> ;\n        lv2:symbol " << quoted(symbols[k])
                << " ;\n        ui:protocol ui:floatProtocol\n    ]";
        out << " , [\n        ui:plugin <" << b.uri << "> ;\n        lv2:symbol \"notify\" ;\n"
            << "        ui:protocol atom:eventTransfer\n    ]";
        out << " .\n";
    }
    return out.str();
}

std::string presets(const Bundle& b) {
    std::ostringstream out;
    out << kPrefixes;
    for (int k = 0; k < b.plug.getAeffect()->numPrograms; ++k) {
        const PlugCore::Program& program = b.plug.program(k);
        out << "<" << presetUri(b.uri, k) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << b.uri
            << "> ;\n    rdfs:label " << quoted(program.name) << " ;\n    lv2:port ";
        for (size_t i = 0; i < b.controls.size(); ++i) {
            const float v = FormatCore::displayValueFor(b.plug, static_cast<int32_t>(i), b.controls[i], program.values[i]);
            out << (i ? " , " : "") << "[\n        lv2:symbol " << quoted(b.controls[i].symbol) << " ;\n        pset:value "
                << number(v) << "\n    ]";
        }
        out << " .\n\n";
    }
    return out.str();
}

bool write(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (!file) std::cerr << "describeBundle: cannot write " << path << "\n";
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: describeBundle FOLDER BINARY VERSION [UI_BINARY]\n";
        return 2;
    }
    const std::string folder = argv[1], binary = argv[2];
    int major = 0, minor = 0, micro = 0;
    if (std::sscanf(argv[3], "%d.%d.%d", &major, &minor, &micro) != 3) {
        std::cerr << "describeBundle: version '" << argv[3] << "' is not MAJOR.MINOR.MICRO\n";
        return 2;
    }
    std::unique_ptr<PlugCore::Plug> plug(PlugCore::createPlug(nullptr));
    Bundle bundle{*plug, pluginUri(plug->productInfo()), {}, FormatCore::lampCount(plug->productInfo()), argc == 5 ? argv[4] : ""};
    const int32_t count = plug->getAeffect()->numParams;
    for (int32_t i = 0; i < count; ++i) {
        auto samples = std::make_unique<PlugCore::DisplaySamples>();
        FormatCore::PlugDisplay display(*plug, i);
        PlugCore::sampleDisplay(display, *samples);
        bundle.controls.push_back(FormatCore::describeParameter(*plug, i, *samples, plug->getParameter(i)));
    }
    const std::string ownFile = std::string(plug->productInfo().name) + ".ttl";
    const bool ok = write(folder + "/manifest.ttl", manifest(bundle, binary, ownFile)) &&
                    write(folder + "/" + ownFile, pluginFile(bundle, minor, micro)) &&
                    write(folder + "/presets.ttl", presets(bundle));
    return ok ? 0 : 1;
}
