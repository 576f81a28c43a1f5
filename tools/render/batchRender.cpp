#include "tools/render/batchRender.h"

#include "tools/render/atomicOutput.h"
#include "tools/render/fileIdentity.h"
#include "tools/render/progressBar.h"
#include "tools/render/renderError.h"
#include "tools/render/renderJob.h"
#include "tools/render/renderReport.h"
#include "tools/render/signalMeasures.h"
#include "tools/render/utf8Text.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace render {
namespace {

struct Outcome {
    bool skipped = false;  // --skip-existing found its output already there
    int code = exitOk;
    std::string error;
    RenderReport report;
};

// Nothing is written when any two files of the batch are one: two inputs
// with one name, an input inside DIR under its own name, --json on either.
void refuseCollisions(const RenderOptions& options) {
    struct stat info;
    if (stat(options.outDir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw RenderError(exitOutput, "--out-dir " + options.outDir + " is not a folder");
    std::vector<NamedPath> files;
    if (!options.jsonPath.empty() && options.jsonPath != "-") files.push_back({"--json", options.jsonPath, true});
    files.push_back({"--plugin", options.pluginPath, false});
    if (!options.presetPath.empty()) files.push_back({"--preset", options.presetPath, false});
    for (const std::string& input : options.batchInputs) {
        files.push_back({"INPUT " + input, input, false});
        files.push_back({"the output of " + input, batchTarget(options, input), true});
    }
    refuseSharedFiles(files);
}

std::string levelText(double lufs, double truePeak) {
    char text[96];
    if (std::isfinite(lufs)) std::snprintf(text, sizeof text, "%.1f LUFS, ", lufs);
    else std::snprintf(text, sizeof text, "-inf LUFS, ");
    const double db = toDecibels(truePeak);
    std::string result = text;
    if (std::isfinite(db)) std::snprintf(text, sizeof text, "%+.2f dBTP", db);
    else std::snprintf(text, sizeof text, "-inf dBTP");
    return result + text;
}

std::string reportLine(const std::string& input, const std::string& target, const Outcome& o) {
    if (o.skipped) return "skipped " + input + " -> " + target + ": already there";
    if (o.code != exitOk) return "failed  " + input + ": " + o.error + " (exit " + std::to_string(o.code) + ")";
    char seconds[48];
    std::snprintf(seconds, sizeof seconds, "%.2f s in %.2f s", o.report.seconds(), o.report.totalSeconds);
    return "ok      " + input + " -> " + target + ": " + levelText(o.report.output.integratedLufs, o.report.output.truePeak) +
           " (input " + levelText(o.report.input.integratedLufs, o.report.input.truePeak) + "), " + seconds;
}

}  // namespace

int runBatch(const RenderOptions& options, FILE* out) {
    const auto started = std::chrono::steady_clock::now();
    refuseCollisions(options);
    const std::vector<std::string>& inputs = options.batchInputs;
    std::unique_ptr<AtomicOutput> jsonFile;
    if (!options.jsonPath.empty() && options.jsonPath != "-")
        jsonFile = std::make_unique<AtomicOutput>(options.jsonPath, !options.noClobber);

    // Report lines go to out, or with --json - (standard output holds only the JSON) to standard error.
    FILE* lines = options.jsonPath == "-" ? stderr : out;
    std::vector<Outcome> outcomes(inputs.size());
    std::atomic<size_t> next{0};
    std::mutex telling;
    // The bar: the mean of every file's fraction done.
    std::vector<double> done(inputs.size(), 0.0);
    ProgressBar bar(!options.quiet);
    auto advance = [&](size_t i, double fraction) {  // with telling held
        done[i] = fraction;
        double sum = 0;
        for (double d : done) sum += d;
        bar.update(sum / double(inputs.size()));
    };
    auto work = [&] {
        for (size_t i; (i = next++) < inputs.size();) {
            RenderOptions one = options;
            one.outDir.clear();
            one.batchInputs.clear();
            one.inputPath = inputs[i];
            one.outputPath = batchTarget(options, inputs[i]);
            one.quiet = true;
            one.jsonPath.clear();
            one.progress = [&, i](double fraction) {
                std::lock_guard<std::mutex> lock(telling);
                advance(i, fraction);
            };
            Outcome& o = outcomes[i];
            // Outputs appear under their names only when complete, so one there is done.
            struct stat there;
            o.skipped = options.skipExisting && stat(one.outputPath.c_str(), &there) == 0 && S_ISREG(there.st_mode);
            try {
                if (!o.skipped) runRender(one, out, &o.report);
            } catch (const RenderError& e) {
                o.code = e.code(), o.error = e.what();
            } catch (const std::bad_alloc&) {
                o.code = exitFailure, o.error = "out of memory";
            } catch (const std::exception& e) {
                o.code = exitFailure, o.error = e.what();
            }
            std::lock_guard<std::mutex> lock(telling);
            bar.finish();
            // A failure is told even with --quiet, on standard error.
            if (!options.quiet || o.code != exitOk)
                std::fprintf(options.quiet ? stderr : lines, "%s\n", reportLine(inputs[i], one.outputPath, o).c_str());
            advance(i, 1.0);
        }
    };
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t jobs = std::min(cores, inputs.size());
    // Every job lists its temporary files for the signal handler; the room
    // for all of them is made before any thread starts.
    reserveTemporaries(32 + 8 * jobs);
    std::vector<std::thread> workers;
    for (size_t w = 1; w < jobs; ++w) workers.push_back(threadHoldingSignals(work));
    work();
    for (std::thread& t : workers) t.join();
    bar.finish();

    int status = exitOk;
    size_t failed = 0, skipped = 0;
    std::string firstFailure;
    nlohmann::json array = nlohmann::json::array();
    for (size_t i = 0; i < inputs.size(); ++i) {
        const Outcome& o = outcomes[i];
        if (o.skipped) {
            ++skipped;
            array.push_back({{"input", {{"path", inputs[i]}}},
                             {"output", {{"path", batchTarget(options, inputs[i])}}},
                             {"skipped", "already there"}});
        } else if (o.code != exitOk) {
            ++failed;
            if (status == exitOk) status = o.code, firstFailure = inputs[i];
            array.push_back({{"input", {{"path", inputs[i]}}},
                             {"output", {{"path", batchTarget(options, inputs[i])}}},
                             {"error", o.error},
                             {"exit_code", o.code}});
            if (!isValidUtf8(inputs[i]) || !isValidUtf8(options.outDir)) array.back()["note"] = invalidNameNote;
        } else if (!options.jsonPath.empty()) {
            array.push_back(nlohmann::json::parse(jsonReport(o.report)));
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!options.quiet || failed) {
        if (options.quiet) lines = stderr;
        std::fprintf(lines, "batch: %zu of %zu files rendered into %s in %.2f s", inputs.size() - failed - skipped,
                     inputs.size(), options.outDir.c_str(), seconds);
        if (skipped) std::fprintf(lines, "; %zu skipped, already there", skipped);
        if (failed) std::fprintf(lines, "; %zu failed (the first: %s, exit %d)", failed, firstFailure.c_str(), status);
        std::fprintf(lines, "\n");
    }
    if (!options.jsonPath.empty()) {
        const std::string text = array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
        if (jsonFile) {
            jsonFile->writeAll(std::vector<unsigned char>(text.begin(), text.end()));
            jsonFile->commit();
        } else {
            std::fputs(text.c_str(), out);
        }
    }
    return status;
}

}  // namespace render
