// A build without an editor offers none of the editor's extensions.
#include "clap/ClapEditor.h"

namespace ClapFormat {

const clap_plugin_gui_t* ClapEditor::guiTable() { return nullptr; }
const clap_plugin_timer_support_t* ClapEditor::timerTable() { return nullptr; }
const clap_plugin_posix_fd_support_t* ClapEditor::fdTable() { return nullptr; }

}  // namespace ClapFormat
