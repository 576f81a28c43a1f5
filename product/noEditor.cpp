// Builds without a window system have no editor.
#include "product/editorFactory.h"

AEffEditor* createOrvaltEditor(Orvalt*) { return nullptr; }
