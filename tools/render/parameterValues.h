// Parameters by name and value in the units the plug-in displays: the text
// given by the user is turned into the normalized value whose display text
// reads the same, by asking the plug-in itself (effGetParamDisplay). The search
// is plugcore/valueText's, the one every format of our own plug-in uses too.
#pragma once

#include "tools/vsthost/vsthost.h"

#include <string>
#include <vector>

namespace render {

// Index of the parameter whose name equals name (ignoring case); a decimal
// index is accepted too. Throws RenderError(exitParameter) listing the names.
int findParameter(vsthost::Plugin& plugin, const std::string& name);

// The normalized value whose display reads text. Switch-like texts ("on",
// "off", choice names) match a display text exactly (ignoring case); numbers
// are found by bisection on the displayed number, at the middle of the range
// of values showing it. A trailing unit equal to the parameter's label is
// allowed ("-3dB"). Throws RenderError(exitParameter) for a text the
// parameter never shows or a number outside its displayed range.
// [UI thread] Moves the parameter while searching and leaves it at the result.
float valueForText(vsthost::Plugin& plugin, int index, const std::string& text);

// The name among names nearest to a misspelled one (within two edits, any
// case; or the only name it begins), empty when none is near.
std::string nearestName(const std::string& unknown, const std::vector<std::string>& names);

// Parses "NAME=VALUE"; false when there is no '=' or either side is empty.
bool splitAssignment(const std::string& text, std::string& name, std::string& value);

}  // namespace render
