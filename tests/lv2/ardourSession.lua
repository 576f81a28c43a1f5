-- Ardour (headless, ardour7-lua) with the LV2 edition on a stereo track fed a
-- constant 0.5 by the dummy backend. PHASE=create: a new session, the plug-in
-- by its URI, two controls set, processed, measured, saved. PHASE=load: the
-- saved session reopened, processed, measured. Prints "meter"/"param" lines.
local dir, name, uri = os.getenv("SESSION_DIR"), "orvalt", os.getenv("PLUGIN_URI")
local create = os.getenv("PHASE") == "create"
local backend = AudioEngine:set_backend("None (Dummy)", "", "")
assert(backend:set_device_name("DC -6dBFS (+.5)") == 0, "no constant input in the dummy backend")
local s = create and create_session(dir, name, 48000) or load_session(dir, name)
assert(s, "no session")

-- The track's peak over half a second, once the signal has settled.
local function measure(route, what)
  ARDOUR.LuaAPI.usleep(1000000)
  route:peak_meter():reset_max()
  ARDOUR.LuaAPI.usleep(500000)
  for c = 0, 1 do
    print(string.format("%s %d %.6f", what, c, route:peak_meter():meter_level(c, ARDOUR.MeterType.MeterMaxPeak)))
  end
end

local route, plugin
if create then
  local tracks = Session:new_audio_track(2, 2, nil, 1, "Clip", ARDOUR.PresentationInfo.max_order,
                                         ARDOUR.TrackMode.Normal, true)
  route = tracks:front()
  route:monitoring_control():set_value(ARDOUR.MonitorChoice.MonitorInput, PBD.GroupControlDisposition.NoGroup)
  plugin = ARDOUR.LuaAPI.new_plugin(Session, uri, ARDOUR.PluginType.LV2, "")
  assert(not plugin:isnil(), "Ardour does not know " .. uri)
  assert(route:add_processor_by_index(plugin, 0, nil, true) == 0, "the plug-in does not fit the track")
  measure(route, "default")
  ARDOUR.LuaAPI.set_processor_param(plugin, 0, 6)   -- input +6 dB
  ARDOUR.LuaAPI.set_processor_param(plugin, 2, -3)  -- limit -3 dB
else
  route = Session:route_by_name("Clip")
  assert(not route:isnil(), "the track is gone")
  plugin = route:nth_plugin(0)
  assert(not plugin:isnil(), "the plug-in is gone")
end
measure(route, "meter")
for i = 0, 6 do print(string.format("param %d %.6f", i, ARDOUR.LuaAPI.get_processor_param(plugin, i, true))) end
if create then Session:save_state("", false, false, false, false, false) end
close_session()
