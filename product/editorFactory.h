// Creates the product's editor object; null on builds without an editor.
#pragma once

class AEffEditor;
class Orvalt;

AEffEditor* createOrvaltEditor(Orvalt* plugin);
