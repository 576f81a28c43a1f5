// What a product supplies to a format wrapper besides the VST entry's
// createEffectInstance: who it is, before any instance exists, and a fresh
// instance driven through PlugCore::Plug's own interface. A format wrapper
// owns that instance and answers its few host calls; the chain, parameter
// table, programs, MIDI learn and chunk code stay the product's one copy.
#pragma once

#include "plugcore/Plug.h"
#include "plugcore/ProductInfo.h"

namespace PlugCore {

// [any thread] The product's record, the same the instances carry.
const ProductInfo& productRecord();

// [UI thread, creation] A new instance whose host calls go to audioMaster
// (null: none are made). May allocate; throws std::bad_alloc.
Plug* createPlug(audioMasterCallback audioMaster);

}  // namespace PlugCore
