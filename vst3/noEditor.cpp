// Builds without a window system: the controller has no view to give.
#include "vst3/Vst3Controller.h"

namespace Vst3Format {

Vst3::IPlugView* Vst3Controller::createView(Vst3::FIDString) { return nullptr; }
void Vst3Controller::pumpEditor(PlugEdit::Edit&) {}

}  // namespace Vst3Format
