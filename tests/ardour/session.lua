-- Builds the Ardour session of the Tarvo check inside ardour7-lua (luasession), headless:
-- a stereo track with Tarvo on it, a factory program and two parameters set, and the test
-- file as a region that ardour7-export then renders through it. Prints what Ardour shows of
-- the plug-in, one fact a line, for scripts/test-ardour.sh to check:
--   PLUGIN <unique id> <inputs> <outputs> <name> | <maker>
--   PARAM <index> <name>            every control input, as Ardour lists it
--   PROGRAM <uri> <label>           every preset (VST 2 program) Ardour offers
--   VALUE <index> <value>           every parameter after the program and the settings
--   READBACK <index> <value>        each setting, read back from the plug-in
--   LATENCY <plug-in> <track>       the latencies Ardour compensates, in samples
--   BLOCK <frames>                  the engine's block size
--   STEP <what>                     progress, to tell where a crash or a hang happened
-- Failures end the script with exit status 1 and one line:
--   ERROR CHECK <reason>   Ardour shows the plug-in other than a host must (a test failure)
--   ERROR SETUP <reason>   Ardour itself cannot work here (no dummy backend, no session)
--
-- Settings come from the environment:
--   TARVO_SESSION_DIR, TARVO_SESSION_NAME  a new folder whose name is the session's name
--   TARVO_RATE                             the session's sample rate (the test file's)
--   TARVO_PLUGIN                           the plug-in's decimal unique id (or its name);
--                                          for LV2 its URI
--   TARVO_PLUGIN_TYPE                      "LXVST" (VST 2, the default) or "LV2"
--   TARVO_PROGRAM                          the factory program's name (an LV2 preset's label)
--   TARVO_SET                              "INDEX=VALUE,INDEX=VALUE": INDEX counts the
--                                          control ports, VALUE is normalized for VST 2
--                                          and in the port's own units for LV2
--   TARVO_AUDIO_FILE, TARVO_FRAMES         the stereo test file (copied into the
--                                          session) and its length in frames

local function say(...)
  local t = {}
  for _, v in ipairs({...}) do t[#t + 1] = tostring(v) end
  io.stdout:write(table.concat(t, " ") .. "\n")
  io.stdout:flush()
end

-- Both stop the script through error(), caught by the pcall at the end.
local function fail(reason) error({kind = "CHECK", reason = reason}, 0) end
local function setupFail(reason) error({kind = "SETUP", reason = reason}, 0) end

local function need(name)
  local v = os.getenv(name)
  if v == nil or v == "" then setupFail("the environment has no " .. name) end
  return v
end

-- The 32-bit float nearest to x: what a VST 2 plug-in stores and answers.
local function asFloat32(x)
  return string.unpack("f", string.pack("f", x))
end

-- Adds the test file to the saved session file, since ardour7-lua cannot import audio: one
-- source per channel of the stereo file, a region of its whole length at the start of the
-- track's playlist (fades and gain envelope off, so every sample reaches the track as it
-- is), and the session range that ardour7-export renders (without one the export hangs).
-- Ardour 7 writes times in superclock ticks, "a<ticks>"; a length carries its position.
local function addAudioToSessionFile(path, audioName, playlistOf, ticks)
  local f = io.open(path, "r")
  if f == nil then setupFail("the session file " .. path .. " is missing") end
  local xml = f:read("a")
  f:close()
  local function replaceOnce(pattern, replacement, what)
    local n
    xml, n = string.gsub(xml, pattern, replacement, 1)
    if n ~= 1 then setupFail("the session file has no " .. what) end
  end

  local sourceIds = {"900001", "900002"}
  local sources = "<Sources>\n"
  for c = 0, 1 do
    sources = sources .. string.format(
        '    <Source name="%s" type="audio" flags="" id="%s" channel="%d" origin=""/>\n',
        audioName, sourceIds[c + 1], c)
  end
  replaceOnce("<Sources/>", sources .. "  </Sources>", "empty source list")

  local region = string.format(
      '<Region name="tarvo-input" id="900003" type="audio" start="a0" length="a%d@a0" ' ..
      'position="a0" muted="0" opaque="1" locked="0" automatic="0" whole-file="0" ' ..
      'hidden="0" layering-index="0" envelope-active="0" default-fade-in="0" ' ..
      'default-fade-out="0" fade-in-active="0" fade-out-active="0" scale-amplitude="1" ' ..
      'channels="2" source-0="%s" source-1="%s" master-source-0="%s" master-source-1="%s"/>',
      ticks, sourceIds[1], sourceIds[2], sourceIds[1], sourceIds[2])
  replaceOnce('(<Playlist [^>]-orig%-track%-id="' .. playlistOf .. '"[^>]-)/>',
              "%1>\n      " .. region .. "\n    </Playlist>", "empty playlist of the track")

  replaceOnce("<Locations/>", string.format(
      '<Locations>\n    <Location id="900004" name="session" start="a0" end="a%d" ' ..
      'flags="IsSessionRange" locked="0" timestamp="1"/>\n  </Locations>', ticks),
      "empty location list")

  f = io.open(path, "w")
  f:write(xml)
  f:close()
end

local function main()
  local dir = need("TARVO_SESSION_DIR")
  local name = need("TARVO_SESSION_NAME")
  local rate = math.tointeger(tonumber(need("TARVO_RATE")))
  local pluginId = need("TARVO_PLUGIN")
  local typeName = os.getenv("TARVO_PLUGIN_TYPE") or "LXVST"
  local pluginType = ARDOUR.PluginType[typeName]
  if pluginType == nil then setupFail("no plug-in type " .. typeName) end
  local programName = need("TARVO_PROGRAM")
  local audioFile = need("TARVO_AUDIO_FILE")
  local frames = math.tointeger(tonumber(need("TARVO_FRAMES")))
  local settings = {}
  for index, value in string.gmatch(need("TARVO_SET"), "(%d+)=([%d%.eE+-]+)") do
    settings[#settings + 1] = {index = math.tointeger(tonumber(index)), value = tonumber(value)}
  end
  if #settings == 0 then setupFail("TARVO_SET names no parameter") end
  -- 282240000 ticks a second: a whole number of ticks per sample at every common rate.
  local superclockRate = 282240000
  if superclockRate % rate ~= 0 then setupFail(rate .. " Hz is no whole number of ticks") end
  local ticks = frames * (superclockRate // rate)

  say("STEP engine")
  -- The dummy backend: no sound card and no server.
  AudioEngine:set_backend("None (Dummy)", "", "")
  if AudioEngine:current_backend_name() ~= "Dummy" then setupFail("no dummy audio backend") end
  if not create_session(dir, name, rate) then setupFail("cannot create a session in " .. dir) end
  if Session:nominal_sample_rate() ~= rate then
    setupFail("the session runs at " .. Session:nominal_sample_rate() .. " Hz, not " .. rate)
  end
  say("BLOCK", Session:get_block_size())

  say("STEP track")
  local tracks = Session:new_audio_track(2, 2, nil, 1, "Tarvo",
                                         ARDOUR.PresentationInfo.max_order,
                                         ARDOUR.TrackMode.Normal, true)
  if tracks:size() ~= 1 then setupFail("cannot add a stereo track") end
  local track = tracks:front()

  say("STEP plugin")
  -- Found through Ardour's plug-in list, which comes from the scan cache and LXVST_PATH,
  -- or for LV2 from LV2_PATH.
  local proc = ARDOUR.LuaAPI.new_plugin(Session, pluginId, pluginType, "")
  if proc:isnil() then fail("Ardour does not list the " .. typeName .. " plug-in " .. pluginId) end
  if track:add_processor_by_index(proc, 0, nil, true) ~= 0 then
    fail("Ardour cannot insert the plug-in on a stereo track")
  end
  local plugin = proc:to_insert():plugin(0)
  local info = plugin:get_info()
  say("PLUGIN", info.unique_id, info.n_inputs:n_audio(), info.n_outputs:n_audio(),
      plugin:name() .. " | " .. plugin:maker())

  -- For a VST 2 plug-in Ardour's parameters are its parameters; for LV2 they are its ports.
  local count = plugin:parameter_count()
  for i = 0, count - 1 do
    if plugin:parameter_is_control(i) and plugin:parameter_is_input(i) then
      say("PARAM", i, plugin:parameter_label(i))
    end
  end
  for preset in info:get_presets(false):iter() do say("PROGRAM", preset.uri, preset.label) end

  say("STEP settings")
  -- The factory program the way Ardour's preset menu loads it (effSetProgram, or the LV2
  -- preset's port values), then the two settings: for a VST 2 plug-in Ardour's control
  -- range is the plug-in's own 0..1, for LV2 the port's range.
  local preset = plugin:preset_by_label(programName)
  if preset == nil or preset.uri == "" then fail("Ardour offers no program " .. programName) end
  if not plugin:load_preset(preset) then fail("Ardour cannot load the program " .. programName) end
  -- Ardour's own controls keep the previous program's values after the program change (a
  -- VST 2 program change reports no automation); the values below are read from the
  -- plug-in, and the session file stores the plug-in's own values too, which Ardour sets
  -- again on loading: the export shows that they arrive.
  for _, s in ipairs(settings) do
    if not ARDOUR.LuaAPI.set_processor_param(proc, s.index, s.value) then
      fail("Ardour cannot set parameter " .. s.index)
    end
  end
  for i = 0, count - 1 do
    say("VALUE", i, string.format("%.9g", ARDOUR.LuaAPI.get_processor_param(proc, i, true)))
  end
  for _, s in ipairs(settings) do
    local v = ARDOUR.LuaAPI.get_processor_param(proc, s.index, true)
    say("READBACK", s.index, string.format("%.9g", v))
    if v ~= asFloat32(s.value) then
      fail(string.format("parameter %d reads back %.9g, not %.9g", s.index, v,
                         asFloat32(s.value)))
    end
  end
  say("LATENCY", proc:signal_latency(), track:signal_latency())

  say("STEP connect")
  -- The track plays into the master bus and takes no live input.
  local master = Session:master_out()
  for c = 0, 1 do
    local out = track:output():audio(c)
    local dest = master:input():audio(c):name()
    if not out:connected_to(dest) then out:connect(dest) end
    if not out:connected_to(dest) then
      setupFail("cannot connect " .. out:name() .. " to " .. dest)
    end
  end
  track:input():disconnect_all(nil)

  say("STEP audio")
  -- The test file goes where Ardour keeps a session's own audio.
  local audioName = string.match(audioFile, "([^/]+)$")
  local audioDir = dir .. "/interchange/" .. name .. "/audiofiles/"
  local src = io.open(audioFile, "rb")
  if src == nil then setupFail("cannot read " .. audioFile) end
  local dst = io.open(audioDir .. audioName, "wb")
  if dst == nil then setupFail("cannot write into " .. audioDir) end
  dst:write(src:read("a"))
  src:close()
  dst:close()

  say("STEP save")
  local trackId = track:to_stateful():id():to_s()
  Session:save_state("", false, false, false, false, false)
  say("STEP close")
  close_session()
  say("STEP region")
  -- Loading the session back in this process crashes or hangs Ardour 7.3 in about half of
  -- the runs; ardour7-export, a process of its own, loads it instead.
  addAudioToSessionFile(dir .. "/" .. name .. ".ardour", audioName, trackId, ticks)
  say("SESSION", dir .. "/" .. name .. ".ardour")
end

local ok, err = pcall(main)
if not ok then
  if type(err) == "table" then
    say("ERROR " .. err.kind .. " " .. err.reason)
  else
    say("ERROR SETUP Lua: " .. tostring(err))
  end
  os.exit(1)
end
