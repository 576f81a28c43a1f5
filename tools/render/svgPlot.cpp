#include "tools/render/svgPlot.h"

#include "tools/render/utf8Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace render {
namespace {

constexpr int waveWidth = svgWaveWidth, waveHeight = 180, gap = 28;
constexpr int left = 64, top = 58, curveGap = 64, curveSize = 2 * waveHeight + gap, right = 24, bottom = 42;
constexpr double curveFloorDb = -30.0;
// Labels keep a white halo over the waves. The halo is a stroked copy drawn
// first, not paint-order or CSS, which not every SVG renderer knows (one
// without paint-order strokes the text white over its own fill).
const char* const halo = " stroke=\"#fff\" stroke-width=\"3\" stroke-linejoin=\"round\"";

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

// Valid XML whatever the bytes: file names may hold any of them.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : validUtf8(text)) {
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') out += "\xEF\xBF\xBD";
        else if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

std::string text(double x, double y, const std::string& content, const std::string& extra = "") {
    const std::string start = "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\"" + extra;
    return start + halo + ">" + escaped(content) + "</text>\n" + start + ">" + escaped(content) + "</text>\n";
}

std::string line(double x1, double y1, double x2, double y2, const std::string& style) {
    return "<line x1=\"" + number(x1) + "\" y1=\"" + number(y1) + "\" x2=\"" + number(x2) + "\" y2=\"" + number(y2) +
           "\" " + style + "/>\n";
}

std::string decibelLabel(double db) {
    char t[16];
    std::snprintf(t, sizeof t, db > 0 ? "+%.0f" : "%.0f", db);
    return t;
}

// A tick step giving 4 to 10 ticks over the length.
double timeStep(double seconds) {
    static const double steps[] = {0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30,
                                   60,    120,   300,   600,  900,  1800, 3600, 7200, 18000, 36000};
    for (double s : steps)
        if (seconds / s <= 10.0) return s;
    return 86400.0;
}

std::string timeLabel(double t, double step) {
    char out[32];
    if (step >= 60.0) std::snprintf(out, sizeof out, "%d:%02d", static_cast<int>(t) / 60, static_cast<int>(t) % 60);
    else if (step >= 1.0) std::snprintf(out, sizeof out, "%.0f s", t);
    else if (step >= 0.01) std::snprintf(out, sizeof out, "%.2f s", t);
    else std::snprintf(out, sizeof out, "%.3f s", t);
    return out;
}

// One waveform panel: frame, dB grid and labels, the min/max band, the name.
std::string wavePanel(const WaveformSummary* summary, int y0, double scale, const std::string& name,
                      const char* colour) {
    std::string svg = "<rect x=\"" + std::to_string(left) + "\" y=\"" + std::to_string(y0) + "\" width=\"" +
                      std::to_string(waveWidth) + "\" height=\"" + std::to_string(waveHeight) +
                      "\" fill=\"#fafafa\" stroke=\"#888\"/>\n";
    const double mid = y0 + waveHeight / 2.0, half = waveHeight / 2.0 / scale;
    std::vector<WaveColumn> columns = summary ? summary->columns(waveWidth) : std::vector<WaveColumn>();
    if (!columns.empty()) {
        auto y = [&](double v) { return mid - std::clamp(v, -scale, scale) * half; };
        svg += "<path stroke=\"none\" fill=\"" + std::string(colour) + "\" d=\"M";
        for (int x = 0; x < waveWidth; ++x) svg += " " + number(left + x) + "," + number(y(columns[size_t(x)].high));
        svg += " " + number(left + waveWidth) + "," + number(y(columns.back().high));
        svg += " " + number(left + waveWidth) + "," + number(y(columns.back().low));
        for (int x = waveWidth - 1; x >= 0; --x) svg += " " + number(left + x) + "," + number(y(columns[size_t(x)].low));
        svg += " Z\"/>\n";
    }
    // dB grid: full scale dashed red, the others light; labels on the left
    // where they do not crowd the one above (near silence the levels bunch up).
    double lastLabel = -1e9;
    for (double db : {12.0, 6.0, 0.0, -6.0, -12.0, -20.0}) {
        const double a = std::pow(10.0, db / 20.0);
        if (a > scale) continue;
        const double y = mid - a * half;
        if (y - lastLabel < 14.0 || mid - y < 14.0) continue;
        const std::string style = db == 0.0 ? "stroke=\"#c33\" stroke-dasharray=\"4 3\"" : "stroke=\"#999\" stroke-opacity=\"0.5\"";
        for (double sign : {1.0, -1.0}) {
            svg += line(left, mid - sign * a * half, left + waveWidth, mid - sign * a * half, style);
            svg += line(left - 5, mid - sign * a * half, left, mid - sign * a * half, "stroke=\"#444\"");
        }
        svg += text(left - 8, y + 4, decibelLabel(db), " text-anchor=\"end\"");
        lastLabel = y;
    }
    svg += line(left - 5, mid, left, mid, "stroke=\"#444\"");
    svg += text(left - 8, mid + 4, "-inf", " text-anchor=\"end\"");
    svg += text(left + 6, y0 + 15, name, " font-weight=\"bold\"");
    return svg;
}

std::string timeAxis(int y0, double seconds) {
    std::string svg;
    if (seconds <= 0) return svg;
    const double step = timeStep(seconds);
    for (int k = 0; k * step <= seconds + 1e-9; ++k) {
        const double t = k * step;
        const double x = left + t / seconds * waveWidth;
        svg += line(x, y0, x, y0 + 5, "stroke=\"#444\"");
        svg += text(x, y0 + 18, timeLabel(t, step), " text-anchor=\"middle\"");
    }
    return svg;
}

std::string curvePanel(const TransferCurve& curve, int x0, int y0) {
    double ceiling = 6.0;
    for (double v : curve.inputDb) ceiling = std::max(ceiling, std::ceil(v / 6.0) * 6.0);
    for (double v : curve.outputDb)
        if (std::isfinite(v)) ceiling = std::max(ceiling, std::ceil(v / 6.0) * 6.0);
    const double span = ceiling - curveFloorDb;
    auto px = [&](double db) { return x0 + (std::clamp(db, curveFloorDb, ceiling) - curveFloorDb) / span * curveSize; };
    auto py = [&](double db) { return y0 + (ceiling - std::clamp(db, curveFloorDb, ceiling)) / span * curveSize; };
    std::string svg = "<rect x=\"" + std::to_string(x0) + "\" y=\"" + std::to_string(y0) + "\" width=\"" +
                      std::to_string(curveSize) + "\" height=\"" + std::to_string(curveSize) +
                      "\" fill=\"#fafafa\" stroke=\"#888\"/>\n";
    for (double db = curveFloorDb; db <= ceiling + 1e-9; db += 6.0) {
        const std::string grid = db == 0.0 ? "stroke=\"#c33\" stroke-dasharray=\"4 3\"" : "stroke=\"#999\" stroke-opacity=\"0.4\"";
        svg += line(px(db), y0, px(db), y0 + curveSize, grid);
        svg += line(x0, py(db), x0 + curveSize, py(db), grid);
        svg += text(px(db), y0 + curveSize + 16, decibelLabel(db), " text-anchor=\"middle\"");
        svg += text(x0 - 6, py(db) + 4, decibelLabel(db), " text-anchor=\"end\"");
    }
    svg += line(px(curveFloorDb), py(curveFloorDb), px(ceiling), py(ceiling), "stroke=\"#777\" stroke-dasharray=\"2 3\"");
    if (!curve.inputDb.empty()) {
        size_t step = std::max<size_t>(1, curve.inputDb.size() / 600);
        svg += "<polyline fill=\"none\" stroke=\"#d07a2a\" stroke-width=\"2\" points=\"";
        for (size_t i = 0; i < curve.inputDb.size(); i += step)
            if (curve.inputDb[i] >= curveFloorDb)
                svg += number(px(curve.inputDb[i])) + "," +
                   number(py(std::isfinite(curve.outputDb[i]) ? curve.outputDb[i] : curveFloorDb)) + " ";
        svg += "\"/>\n";
    }
    svg += text(x0 + 6, y0 + 15, "static curve: output peak (dBFS)", " font-weight=\"bold\"");
    svg += text(x0 + curveSize / 2.0, y0 + curveSize + 34, "input peak (dBFS), 1 kHz tone", " text-anchor=\"middle\"");
    return svg;
}

}  // namespace

std::string drawRenderSvg(const SvgContent& c) {
    double peak = 1.0;
    for (const WaveformSummary* s : {c.input, c.output}) {
        if (!s) continue;
        for (const WaveColumn& col : s->columns(waveWidth)) peak = std::max({peak, -col.low, col.high});
    }
    // One vertical scale for both waveforms, so they compare at a glance.
    const double scale = peak * 1.05;
    const int curveX = left + waveWidth + curveGap;
    const int width = curveX + curveSize + right, height = top + curveSize + bottom;
    const int inY = top, outY = top + waveHeight + gap;
    const double seconds = c.sampleRate > 0 ? static_cast<double>(c.frames) / c.sampleRate : 0.0;

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) + "\" height=\"" +
                      std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
                      "\" font-family=\"sans-serif\" font-size=\"12\">\n";
    svg += "<title>" + escaped(c.title + " (" + c.subtitle + ")") + "</title>\n";
    svg += "<rect x=\"0\" y=\"0\" width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
           "\" fill=\"#fff\" stroke=\"none\"/>\n";
    svg += text(left, 22, c.title, " font-size=\"15\" font-weight=\"bold\"");
    svg += text(left, 40, c.subtitle, " font-size=\"12\" fill=\"#333\"");
    svg += text(left - 8, top - 6, "dBFS", " text-anchor=\"end\" font-size=\"11\"");
    svg += wavePanel(c.input, inY, scale, "input", "#4a7ab5");
    svg += timeAxis(inY + waveHeight, seconds);
    svg += wavePanel(c.output, outY, scale, "output (as written)", "#d07a2a");
    svg += timeAxis(outY + waveHeight, seconds);
    svg += curvePanel(c.curve, curveX, top);
    svg += "</svg>\n";
    return svg;
}

}  // namespace render
