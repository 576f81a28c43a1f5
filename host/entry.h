// The one function a plug-in library supplies to the entry: create the product.
#pragma once

#include "host/AudioEffect.h"

// [UI thread, creation] Constructs the product's instance; may throw.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
