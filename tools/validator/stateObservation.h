// Everything a host can read back of an instance's state through the
// interface: current program, live parameter values, and every program's
// name and values.
#pragma once

#include "tools/validator/rig.h"

#include <string>
#include <vector>

namespace validator {

struct StateObservation {
    VstInt32 currentProgram = 0;
    std::vector<float> live;
    std::vector<std::string> liveTexts;  // display texts of the live values
    std::vector<std::string> programNames;
    std::vector<std::vector<float>> programValues;
    std::vector<std::vector<std::string>> programTexts;
};

// [UI thread] Reads the live values first, then visits every program (which
// changes the instance: call it last).
StateObservation observeState(Rig& rig, bool withPrograms);

// "" when b matches a: names exactly; values within tolerance, or else
// showing the same display text (stepped parameters may come back as the
// step's own value: 0.43 for an off switch returns as 0).
std::string compareStates(const StateObservation& a, const StateObservation& b, float tolerance);

// [UI thread] Puts an instance into a state of its own: every program
// renamed and given random values, then a random current program with random
// live values on top. Hosts do all of this through the interface.
void scrambleState(Rig& rig, uint32_t seed, const char* namePrefix);

}  // namespace validator
