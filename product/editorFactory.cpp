// Builds with a window-system layer (Win32, X11) have the editor: OrvaltEdit.
#include "product/editorFactory.h"

#include "product/Orvalt.h"
#include "product/OrvaltEdit.h"

AEffEditor* createOrvaltEditor(Orvalt* plugin) { return new OrvaltEdit(plugin); }
