// The Windows build's editor: OrvaltEdit.
#include "product/editorFactory.h"

#include "product/Orvalt.h"
#include "product/win32/OrvaltEdit.h"

AEffEditor* createOrvaltEditor(Orvalt* plugin) { return new OrvaltEdit(plugin); }
