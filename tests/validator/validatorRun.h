// Runs the built vstvalidate program on a plug-in and parses its report.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

struct ValidatorReport {
    int exitCode = -1;
    std::map<std::string, std::string> verdicts;  // check name -> "PASS", "FAIL" or "SKIP"
    std::map<std::string, std::string> details;   // check name -> detail text
    std::vector<std::string> lines;               // every line of standard output
    std::set<std::string> failedChecks() const;
};

// Arguments are passed to the program as they are (no shell quoting needed
// for the paths and names used in the tests).
ValidatorReport runValidator(const std::vector<std::string>& arguments);

// Extra arguments for the build at hand: quick and in-process under the sanitizers.
std::vector<std::string> buildArguments();
