#include "tools/render/svg_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace render {
namespace {

constexpr int waveWidth = 760, waveHeight = 200, margin = 40, curveSize = 420;

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

// Min/max per pixel column of both channels, as one closed band.
std::string waveform(const AudioData& audio, int x0, int y0, double scale, const char* colour) {
    std::string svg;
    const size_t frames = audio.frames();
    if (frames == 0) return svg;
    std::vector<double> lows(waveWidth), highs(waveWidth);
    for (int x = 0; x < waveWidth; ++x) {
        size_t a = frames * static_cast<size_t>(x) / waveWidth;
        size_t b = std::max(a + 1, frames * static_cast<size_t>(x + 1) / waveWidth);
        double lo = 0, hi = 0;
        for (size_t n = a; n < b && n < frames; ++n)
            for (const auto& ch : audio.channel) lo = std::min(lo, ch[n]), hi = std::max(hi, ch[n]);
        lows[static_cast<size_t>(x)] = lo, highs[static_cast<size_t>(x)] = hi;
    }
    const double mid = y0 + waveHeight / 2.0, half = waveHeight / 2.0 / scale;
    svg += "<path stroke=\"none\" fill=\"" + std::string(colour) + "\" d=\"M";
    for (int x = 0; x < waveWidth; ++x)
        svg += " " + number(x0 + x) + "," + number(mid - highs[static_cast<size_t>(x)] * half);
    for (int x = waveWidth - 1; x >= 0; --x)
        svg += " " + number(x0 + x) + "," + number(mid - lows[static_cast<size_t>(x)] * half);
    svg += " Z\"/>\n";
    return svg;
}

std::string frame(int x, int y, int w, int h, const std::string& label) {
    return "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" + std::to_string(w) +
           "\" height=\"" + std::to_string(h) + "\" fill=\"#fafafa\" stroke=\"#888\"/>\n<text x=\"" +
           std::to_string(x + 4) + "\" y=\"" + std::to_string(y + 14) + "\">" + escaped(label) + "</text>\n";
}

std::string fullScaleLines(int x0, int y0, double scale) {
    const double mid = y0 + waveHeight / 2.0, half = waveHeight / 2.0 / scale;
    std::string svg;
    for (double level : {1.0, -1.0})
        svg += "<line x1=\"" + number(x0) + "\" x2=\"" + number(x0 + waveWidth) + "\" y1=\"" + number(mid - level * half) +
               "\" y2=\"" + number(mid - level * half) + "\" stroke=\"#c33\" stroke-dasharray=\"4 3\"/>\n";
    return svg;
}

}  // namespace

std::string drawRenderSvg(const AudioData& input, const AudioData& output, const TransferCurve& curve,
                          const std::string& title) {
    double inputPeak = 1.0, outputPeak = 1.0;
    for (const auto& ch : input.channel)
        for (double x : ch) inputPeak = std::max(inputPeak, std::fabs(x));
    for (const auto& ch : output.channel)
        for (double x : ch) outputPeak = std::max(outputPeak, std::fabs(x));
    // One vertical scale for both waveforms, so they compare at a glance.
    const double scale = std::max(inputPeak, outputPeak) * 1.05;
    const int width = margin * 3 + waveWidth + curveSize, height = margin * 3 + waveHeight * 2 + 20;

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
                      std::to_string(height) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    svg += "<text x=\"" + std::to_string(margin) + "\" y=\"24\" font-size=\"15\">" + escaped(title) + "</text>\n";
    const int inY = margin, outY = margin * 2 + waveHeight;
    svg += frame(margin, inY, waveWidth, waveHeight, "input (dashed: 0 dBFS)");
    svg += waveform(input, margin, inY, scale, "#4a7ab5");
    svg += fullScaleLines(margin, inY, scale);
    svg += frame(margin, outY, waveWidth, waveHeight, "output");
    svg += waveform(output, margin, outY, scale, "#d07a2a");
    svg += fullScaleLines(margin, outY, scale);

    // Transfer curve: both axes span the ramp's range.
    const int cx = margin * 2 + waveWidth, cy = margin;
    svg += frame(cx, cy, curveSize, curveSize, "static curve: output peaks against input amplitude");
    double range = 1.0;
    for (double x : curve.input) range = std::max(range, std::fabs(x));
    for (double y : curve.output) range = std::max(range, std::fabs(y));
    auto px = [&](double x) { return cx + (x / range + 1.0) * curveSize / 2.0; };
    auto py = [&](double y) { return cy + (1.0 - y / range) * curveSize / 2.0; };
    svg += "<line x1=\"" + number(px(-range)) + "\" y1=\"" + number(py(-range)) + "\" x2=\"" + number(px(range)) +
           "\" y2=\"" + number(py(range)) + "\" stroke=\"#bbb\"/>\n";
    if (!curve.input.empty()) {
        size_t step = std::max<size_t>(1, curve.input.size() / 800);
        svg += "<polyline fill=\"none\" stroke=\"#d07a2a\" stroke-width=\"1.5\" points=\"";
        for (size_t i = 0; i < curve.input.size(); i += step)
            svg += number(px(curve.input[i])) + "," + number(py(curve.output[i])) + " ";
        svg += "\"/>\n";
    }
    svg += "<text x=\"" + std::to_string(cx) + "\" y=\"" + std::to_string(cy + curveSize + 16) + "\">axes from " +
           number(-range) + " to " + number(range) + " (1.00 = 0 dBFS)</text>\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace render
