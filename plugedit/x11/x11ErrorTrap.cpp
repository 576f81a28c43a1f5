// The error trap: one flag per trap, set by a handler that never exits.
#include "plugedit/x11/x11ErrorTrap.h"

namespace PlugEdit {

namespace {
// Only the UI thread opens and closes editors, and a trap lives within one call.
bool errorSeen = false;

int recordError(Display*, XErrorEvent*) {
    errorSeen = true;
    return 0;
}
}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* d) : display(d) {
    XSync(display, False);
    errorSeen = false;
    previous = XSetErrorHandler(recordError);
}

X11ErrorTrap::~X11ErrorTrap() {
    XSync(display, False);
    XSetErrorHandler(previous);
}

bool X11ErrorTrap::failed() {
    XSync(display, False);
    return errorSeen;
}

}  // namespace PlugEdit
