// The browser side of WebPlatform: input from the page, the clock and the
// waits, a mixer on Web Audio that follows SDL_mixer's rules, the sound
// files, and the game's output and exit. The page (web/page.js) hands over
// its game area, its audio context and its exit handler on Module.tirauris.
var LibraryTirauris = {
  $TIR: {
    page: null,  // Module.tirauris: {area, audioContext, onExit, onOutput, tap, embedded, manifest}
    area: null,
    started: 0,
    // input
    queue: [],  // [type, x, y, key]: 1 close, 2 mouse, 3 key down
    keys: {},
    buttons: 0,
    swallowed: 0,  // buttons whose press only took the pointer back
    width: 800,  // the field the cursor moves in, set by tir_black_screen
    height: 600,
    x: 400,
    y: 300,
    locked: false,
    lastEscape: -1e9,
    // waits: a timer set from a timer's callback is clamped to 4 ms once
    // such timers nest, which would make every timer of the rules late. A
    // delayed task of the task scheduler is not clamped and costs one task
    // a wait; without it, a timer set from a message task is not nested.
    postTask: null,
    port: null,
    wake: null,
    wakeMs: 0,
    // mixer
    ctx: null,
    master: null,
    mono: false,
    channels: [],
    buffers: [null],  // handle -> AudioBuffer; 0 is no sound
    decoded: {},      // path -> promise of an AudioBuffer
    music: null,      // {src, end}
    musicGain: null,
    musicVolume: 128,
    error: '',
    output: '',

    // Each file written or renamed is copied to IndexedDB soon after, so a
    // best score survives the tab being closed.
    persistWrites: function() {
      var timer = null;
      var persist = function() {
        clearTimeout(timer);
        timer = setTimeout(function() { FS.syncfs(false, function() {}); }, 0);
      };
      var close = FS.close;
      FS.close = function(stream) {
        var r = close.apply(this, arguments);
        persist();
        return r;
      };
      var rename = FS.rename;
      FS.rename = function() {
        var r = rename.apply(this, arguments);
        persist();
        return r;
      };
    },

    firstSound: function() {
      if (!TIR.page.firstSound) TIR.page.firstSound = performance.now();
    },

    now: function() { return performance.now() - TIR.started; },

    init: function() {
      TIR.page = Module['tirauris'] || {};
      TIR.area = TIR.page.area || document.body;
      TIR.started = performance.now();
      var channel = new MessageChannel();
      channel.port1.onmessage = function() { setTimeout(TIR.wake, TIR.wakeMs); };
      TIR.port = channel.port2;
      if (window.scheduler && scheduler.postTask) TIR.postTask = scheduler.postTask.bind(scheduler);
      TIR.listen();
    },

    // SDL's key numbers for the physical keys the game reads, so a digit
    // is the same key on every keyboard layout.
    keyOf: function(code) {
      if (code === 'Escape') return 27;
      var m = /^Digit([0-9])$/.exec(code);
      if (m) return 48 + Number(m[1]);
      m = /^Key([A-Z])$/.exec(code);
      if (m) return m[1].toLowerCase().charCodeAt(0);
      if (code === 'Space') return 32;
      if (code === 'Enter') return 13;
      if (code === 'Tab') return 9;
      return 0;
    },

    clamp: function(v, high) { return v < 0 ? 0 : v > high ? high : v; },

    pressKey: function(key) {
      if (key === 27) TIR.lastEscape = TIR.now();
      if (!TIR.keys[key]) TIR.queue.push([3, TIR.x, TIR.y, key]);
      TIR.keys[key] = true;
    },

    listen: function() {
      var area = TIR.area;
      window.addEventListener('keydown', function(e) {
        var key = TIR.keyOf(e.code);
        if (key === 0) return;
        if (key !== 9) e.preventDefault();  // Tab still leaves the game area
        TIR.pressKey(key);
      });
      window.addEventListener('keyup', function(e) {
        var key = TIR.keyOf(e.code);
        if (key !== 0) delete TIR.keys[key];
      });
      // Losing focus loses the key and button releases too.
      window.addEventListener('blur', function() {
        TIR.keys = {};
        TIR.buttons = 0;
        TIR.swallowed = 0;
      });
      area.addEventListener('contextmenu', function(e) { e.preventDefault(); });
      area.addEventListener('mousemove', function(e) {
        if (TIR.locked) {
          TIR.x = TIR.clamp(TIR.x + e.movementX, TIR.width - 1);
          TIR.y = TIR.clamp(TIR.y + e.movementY, TIR.height - 1);
        } else {
          var r = area.getBoundingClientRect();
          TIR.x = TIR.clamp(Math.floor((e.clientX - r.left) * TIR.width / Math.max(r.width, 1)), TIR.width - 1);
          TIR.y = TIR.clamp(Math.floor((e.clientY - r.top) * TIR.height / Math.max(r.height, 1)), TIR.height - 1);
        }
        TIR.queue.push([2, TIR.x, TIR.y, 0]);
      });
      var mask = function(button) { return button === 0 ? 1 : button === 1 ? 2 : button === 2 ? 4 : 0; };
      area.addEventListener('mousedown', function(e) {
        e.preventDefault();
        var bit = mask(e.button);
        // A click that only takes the pointer back is not a shot.
        if (!TIR.locked && TIR.page.wantsLock) {
          TIR.swallowed |= bit;
          (TIR.page.capture || TIR.lock)();
          return;
        }
        TIR.buttons |= bit;
        TIR.queue.push([2, TIR.x, TIR.y, 0]);
      });
      window.addEventListener('mouseup', function(e) {
        var bit = mask(e.button);
        if (TIR.swallowed & bit) {
          TIR.swallowed &= ~bit;
          return;
        }
        if (TIR.buttons & bit) {
          TIR.buttons &= ~bit;
          TIR.queue.push([2, TIR.x, TIR.y, 0]);
        }
      });
      document.addEventListener('pointerlockchange', function() {
        var was = TIR.locked;
        TIR.locked = document.pointerLockElement === area;
        if (was && !TIR.locked) TIR.browserTookEscape();
      });
      document.addEventListener('fullscreenchange', function() {
        if (!document.fullscreenElement) TIR.browserTookEscape();
      });
    },

    lock: function() {
      if (!TIR.area.requestPointerLock) return;
      try {
        var p = TIR.area.requestPointerLock();
        if (p && p.catch) p.catch(function() {});
      } catch (e) {}
    },

    // The browser keeps the Esc that leaves the pointer lock or full screen
    // to itself; the game still hears a tap of Esc.
    browserTookEscape: function() {
      if (!TIR.page.wantsLock || !document.hasFocus()) return;
      if (TIR.now() - TIR.lastEscape < 250) return;
      TIR.pressKey(27);
      setTimeout(function() { delete TIR.keys[27]; }, 100);
    },

    // --- mixer ---

    newChannel: function() {
      var ctx = TIR.ctx;
      var c = {volume: 128, left: 255, right: 255, distance: 0, src: null, end: 0};
      c.gain = ctx.createGain();
      if (TIR.mono) {
        c.gain.connect(TIR.master);
      } else {
        // Two channels out of the gain, a mono sound on both sides.
        c.gain.channelCount = 2;
        c.gain.channelCountMode = 'explicit';
        c.gain.channelInterpretation = 'speakers';
        var split = ctx.createChannelSplitter(2);
        var merge = ctx.createChannelMerger(2);
        c.l = ctx.createGain();
        c.r = ctx.createGain();
        c.gain.connect(split);
        split.connect(c.l, 0);
        split.connect(c.r, 1);
        c.l.connect(merge, 0, 0);
        c.r.connect(merge, 0, 1);
        merge.connect(TIR.master);
        c.out = merge;
      }
      return c;
    },

    apply: function(c) {
      c.gain.gain.value = (c.volume / 128) * ((255 - c.distance) / 255);
      if (!TIR.mono) {
        c.l.gain.value = c.left / 255;
        c.r.gain.value = c.right / 255;
      }
    },

    dropEffects: function(c) {
      c.left = 255;
      c.right = 255;
      c.distance = 0;
      TIR.apply(c);
    },

    stop: function(c) {
      if (!c.src) return;
      c.src.onended = null;
      try { c.src.stop(); } catch (e) {}
      c.src.disconnect();
      c.src = null;
    },

    // A sound that has run out has stopped its channel, and a stopping
    // channel drops its panning and distance, as SDL_mixer's do. This is
    // looked at before every call on the channel, so effects set after the
    // end carry into the next play.
    settle: function(c) {
      if (c.src && TIR.ctx.currentTime >= c.end) {
        TIR.stop(c);
        TIR.dropEffects(c);
      }
    },

    channel: function(n) {
      var c = TIR.channels[n];
      if (c) TIR.settle(c);
      return c;
    },

    each: function(n, f) {
      if (n === -1) TIR.channels.forEach(function(c, i) { TIR.settle(c); f(c, i); });
      else {
        var c = TIR.channel(n);
        if (c) f(c, n);
      }
    },

    start: function(buffer, loops, destination) {
      var src = TIR.ctx.createBufferSource();
      src.buffer = buffer;
      var now = TIR.ctx.currentTime;
      var end = Infinity;
      if (loops < 0) src.loop = true;
      else if (loops > 0) {
        src.loop = true;
        end = now + buffer.duration * (loops + 1);
      } else end = now + buffer.duration;
      src.connect(destination);
      src.start(now);
      if (end !== Infinity) src.stop(end);
      return {src: src, end: end};
    },

    // The bytes of a sound file: embedded in a page that carries them,
    // otherwise from beside the page.
    fetchFile: function(path) {
      var embedded = TIR.page.embedded;
      if (embedded && embedded[path] !== undefined) {
        var text = atob(embedded[path]);
        var bytes = new Uint8Array(text.length);
        for (var i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
        return Promise.resolve(bytes.buffer);
      }
      return fetch(path).then(function(response) {
        if (!response.ok) {
          throw new Error(response.status === 404 ? 'not found (HTTP 404)'
                                                   : 'could not be fetched (HTTP ' + response.status + ')');
        }
        return response.arrayBuffer();
      }, function() { throw new Error('could not be fetched'); });
    },

    decode: function(path) {
      if (!TIR.decoded[path]) {
        TIR.decoded[path] = TIR.fetchFile(path).then(function(bytes) {
          return TIR.ctx.decodeAudioData(bytes).catch(function() {
            throw new Error('could not be decoded as Ogg Vorbis by this browser');
          });
        });
        TIR.decoded[path].catch(function() {});
      }
      return TIR.decoded[path];
    },

    // A level asks for its sounds one by one: the rest of the folder is
    // fetched and decoded meanwhile.
    prefetchFolder: function(path) {
      var folder = path.substring(0, path.lastIndexOf('/') + 1);
      (TIR.page.manifest || []).forEach(function(other) {
        if (other.startsWith(folder) && other.indexOf('/', folder.length) < 0) TIR.decode(other);
      });
    },

    load: function(path) {
      return Asyncify.handleAsync(function() {
        TIR.prefetchFolder(path);
        return TIR.decode(path).then(function(buffer) {
          TIR.buffers.push(buffer);
          return TIR.buffers.length - 1;
        }, function(e) {
          TIR.error = path + ': ' + e.message;
          return 0;
        });
      });
    },
  },

  // The game's files live in IndexedDB between visits; the page's sound
  // choice becomes the game's settings file. A browser without IndexedDB
  // (or a page it will not allow it) plays with files that last one visit.
  tir_init__deps: ['$TIR', '$FS', '$IDBFS'],
  tir_init: function() {
    TIR.init();
    return Asyncify.handleAsync(function() {
      FS.mkdir('/save');
      var synced = Promise.resolve();
      try {
        FS.mount(IDBFS, {}, '/save');
        synced = new Promise(function(resolve) { FS.syncfs(true, function() { resolve(); }); });
      } catch (e) {}
      return synced.then(function() {
        FS.chdir('/save');
        var mode = TIR.page.audioMode;
        if (mode) FS.writeFile('monostereo.txt', String(mode) + '\n');
        TIR.persistWrites();
      });
    });
  },

  tir_show_cursor: function(shown) { TIR.area.style.cursor = shown ? '' : 'none'; },

  tir_black_screen: function(width, height) {
    TIR.width = width;
    TIR.height = height;
    TIR.area.style.background = '#000';
    TIR.area.style.color = '#000';
  },

  tir_next_event: function(event) {
    var e = TIR.queue.shift();
    if (!e) return 0;
    HEAP32[event >> 2] = e[0];
    HEAP32[(event >> 2) + 1] = e[1];
    HEAP32[(event >> 2) + 2] = e[2];
    HEAP32[(event >> 2) + 3] = e[3];
    return 1;
  },

  tir_key_held: function(key) { return TIR.keys[key] ? 1 : 0; },
  tir_buttons: function() { return TIR.buttons; },

  // A warp sets the cursor and tells of it, as SDL_WarpMouse does.
  tir_warp: function(x, y) {
    TIR.x = TIR.clamp(x, TIR.width - 1);
    TIR.y = TIR.clamp(y, TIR.height - 1);
    TIR.queue.push([2, TIR.x, TIR.y, 0]);
  },

  tir_ticks: function() { return Math.floor(TIR.now()); },

  tir_sleep: function(ms) {
    Asyncify.handleSleep(function(wakeUp) {
      TIR.wake = wakeUp;
      TIR.wakeMs = ms;
      if (TIR.postTask) TIR.postTask(wakeUp, {delay: ms});
      else TIR.port.postMessage(0);
    });
  },

  // The yield of a pass that found no input; counted for the benchmark.
  tir_yield__deps: ['tir_sleep'],
  tir_yield: function() {
    TIR.page.passes = (TIR.page.passes || 0) + 1;
    _tir_sleep(1);
  },

  tir_open_audio: function(outputs) {
    try {
      var ctx = TIR.page.audioContext;
      if (!ctx) ctx = TIR.page.audioContext = new AudioContext({sampleRate: 44100});
      TIR.ctx = ctx;
      TIR.mono = outputs === 1;
      var master = ctx.createGain();
      master.channelCount = outputs;
      master.channelCountMode = 'explicit';
      master.channelInterpretation = 'speakers';
      if (ctx.destination.maxChannelCount >= outputs) ctx.destination.channelCount = outputs;
      master.connect(ctx.destination);
      TIR.master = master;
      TIR.musicGain = ctx.createGain();
      TIR.musicGain.connect(master);
      if (TIR.page.tap) TIR.page.tap(master, ctx);
      if (ctx.state !== 'running' && ctx.resume) ctx.resume();
      return 1;
    } catch (e) {
      TIR.error = 'no Web Audio in this browser (' + e.message + ')';
      return 0;
    }
  },

  tir_close_audio: function() {
    TIR.channels.forEach(TIR.stop);
    if (TIR.music) TIR.music.src.stop();
  },

  tir_load: function(path) { return TIR.load(UTF8ToString(path)); },

  tir_free: function(handle) { TIR.buffers[handle] = null; },

  tir_error: function(buffer, size) { stringToUTF8(TIR.error, buffer, size); },

  tir_play_music: function(handle, loops) {
    var buffer = TIR.buffers[handle];
    if (!buffer) return;
    TIR.firstSound();
    if (TIR.music) TIR.music.src.stop();
    // SDL_mixer plays music once for a count of 0 or 1.
    TIR.music = TIR.start(buffer, loops > 1 ? loops - 1 : loops < 0 ? -1 : 0, TIR.musicGain);
  },

  tir_music_playing: function() {
    return TIR.music && TIR.ctx.currentTime < TIR.music.end ? 1 : 0;
  },

  tir_halt_music: function() {
    if (TIR.music) TIR.music.src.stop();
    TIR.music = null;
  },

  tir_music_volume: function(volume) {
    if (volume < 0) return;
    TIR.musicVolume = Math.min(volume, 128);
    TIR.musicGain.gain.value = TIR.musicVolume / 128;
  },

  tir_allocate: function(count) {
    while (TIR.channels.length > count) {
      var c = TIR.channels.pop();
      TIR.stop(c);
      c.gain.disconnect();
      if (c.out) c.out.disconnect();
    }
    while (TIR.channels.length < count) {
      var n = TIR.newChannel();
      TIR.apply(n);
      TIR.channels.push(n);
    }
  },

  tir_volume: function(channel, volume) {
    if (volume < 0) return;
    TIR.each(channel, function(c) {
      c.volume = Math.min(volume, 128);
      TIR.apply(c);
    });
  },

  // A new play replaces what sounds on the channel, and the replaced sound
  // takes the channel's effects with it.
  tir_play: function(channel, handle, loops) {
    var buffer = TIR.buffers[handle];
    var c = TIR.channel(channel);
    if (!buffer || !c) return;
    TIR.firstSound();
    if (c.src) {
      TIR.stop(c);
      TIR.dropEffects(c);
    }
    var started = TIR.start(buffer, loops, c.gain);
    c.src = started.src;
    c.end = started.end;
  },

  // Halting an idle channel keeps what was set on it.
  tir_halt: function(channel) {
    TIR.each(channel, function(c) {
      if (c.src) {
        TIR.stop(c);
        TIR.dropEffects(c);
      }
    });
  },

  tir_playing: function(channel) {
    var count = 0;
    TIR.each(channel, function(c) { if (c.src) ++count; });
    return count;
  },

  // Mono output has no sides to pan.
  tir_panning: function(channel, left, right) {
    if (TIR.mono) return;
    TIR.each(channel, function(c) {
      c.left = left & 255;
      c.right = right & 255;
      TIR.apply(c);
    });
  },

  tir_distance: function(channel, distance) {
    TIR.each(channel, function(c) {
      c.distance = distance & 255;
      TIR.apply(c);
    });
  },

  tir_print: function(text) {
    var s = UTF8ToString(text);
    TIR.output += s;
    if (TIR.page.onOutput) TIR.page.onOutput(s);
  },

  tir_stop: function() {
    Asyncify.handleSleep(function() {});
  },

  tir_exit: function(code) {
    if (TIR.page.onExit) TIR.page.onExit(code, TIR.output);
  },
};

autoAddDeps(LibraryTirauris, '$TIR');
mergeInto(LibraryManager.library, LibraryTirauris);
