#include "tests/validator/validatorRun.h"

#include <cstdio>
#include <sys/wait.h>

std::set<std::string> ValidatorReport::failedChecks() const {
    std::set<std::string> names;
    for (const auto& [name, verdict] : verdicts)
        if (verdict == "FAIL") names.insert(name);
    return names;
}

std::vector<std::string> buildArguments() {
#if defined(ORVALT_SANITIZED_BUILD)
    return {"--quick"};
#else
    return {};
#endif
}

ValidatorReport runValidator(const std::vector<std::string>& arguments) {
    std::string command = VSTVALIDATE_PATH;
    for (const std::string& a : arguments) command += " '" + a + "'";
    command += " 2>/dev/null";  // the plug-ins' own chatter
    ValidatorReport report;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return report;
    char line[4096];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        report.lines.push_back(text);
        for (const char* verdict : {"PASS ", "FAIL ", "SKIP "}) {
            if (text.rfind(verdict, 0) != 0) continue;
            std::string rest = text.substr(5);
            size_t colon = rest.find(':');
            std::string name = rest.substr(0, colon);
            report.verdicts[name] = std::string(verdict, 4);
            report.details[name] = colon == std::string::npos ? "" : rest.substr(colon + 2);
        }
    }
    int status = pclose(pipe);
    report.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return report;
}
