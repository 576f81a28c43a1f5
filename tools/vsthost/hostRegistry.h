// Which Host serves which effect record. The callback receives only the
// AEffect pointer, and a host must not write into the record's fields, so the
// association is kept here. Lookups take no lock (the audio thread calls the
// host for the time record on every block).
#pragma once

#include "host/vst24.h"

namespace vsthost {
class Host;

namespace registry {

// [UI thread] Associates an effect with its host; false when the table is full.
bool add(AEffect* effect, Host* host);
// [UI thread] Forgets the effect (before it is closed for good).
void remove(AEffect* effect);
// [any thread] The host of effect, or null.
Host* find(AEffect* effect);

// [UI thread] The host whose entry call is running on this thread (null outside
// creation). The plug-in calls the host before its record is known.
void setCreating(Host* host);
Host* creating();

}  // namespace registry
}  // namespace vsthost
