// Starts the program the page names (data-program, its factory data-factory)
// on the canvas, with the page's address as its command line:
//   ?input=replays/complete.txt   play that script (a path in the game's data)
//   &trace=1                      one JSON line per frame, offered when the run ends
//   &record=1                     the input as a script, offered likewise
//   &timedemo=1                   unpaced on the virtual clock; prints frames per second
//   &frames=N, &start-tick=N      as on the command line
// A page may also set, on its body:
//   data-args="..."         the whole command line (words between spaces); the
//                           address then gives the program nothing
//   data-noun="example"     what the page runs, in what it says ("game" without it)
//   data-running="..."      the status from the program's start to its end
//   data-scripts="a.js b.js" scripts run in order before the program starts
//   data-packed             the program's .js, .wasm and .data and those scripts
//                           fetched as NAME.gz and unpacked in the page
//   data-worker="sw.js"     the service worker that keeps the site offline
// and a <pre id="output"> shows what the program writes on stdout.
// What the run says and how it ends is kept in window.v17 for whoever drives
// the page (the browser tests): { started, done, exitCode, frames,
// firstFrameMs, stdout, stderr, trace, record, audioFrames, audioPeak, worker },
// audioFrames and audioPeak of what the audio output has played, worker
// 'registered' or 'failed' once the service worker's registration is settled.
(function () {
  'use strict';
  var body = document.body;
  var status = document.getElementById('status');
  var messages = document.getElementById('messages');
  var downloads = document.getElementById('downloads');
  var canvas = document.getElementById('canvas');
  var output = document.getElementById('output');
  var noun = body.dataset.noun || 'game';
  var running = body.dataset.running;
  var state = { started: false, done: false, exitCode: null, frames: 0, firstFrameMs: null,
                stdout: [], stderr: [], trace: null, record: null, audioFrames: 0, audioPeak: 0 };
  window.v17 = state;

  function say(text) { status.textContent = text; }
  function show(line) {
    messages.hidden = false;
    messages.textContent += line + '\n';
  }
  function plain(sentence) {
    var p = document.createElement('p');
    p.className = 'plain';
    p.textContent = sentence;
    document.getElementById('screen').replaceChildren(p);
    say('');
  }

  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    plain('This browser cannot run WebAssembly, which the game is made of. Any current ' +
          'Firefox, Chrome, Edge or Safari can.');
    state.done = true;
    return;
  }
  var hasAudio = !!(window.AudioContext || window.webkitAudioContext);

  var fixed = body.dataset.args !== undefined;
  var query = new URLSearchParams(fixed ? '' : location.search);
  var args = fixed ? body.dataset.args.split(' ').filter(Boolean) : [];
  if (body.dataset.assets) args.push('--assets', body.dataset.assets);
  if (query.has('input')) {
    var input = query.get('input');
    var data = body.dataset.assets || '';
    args.push('--input', input.charAt(0) === '/' || !data ? input : data + '/' + input);
  }
  if (query.has('trace')) args.push('--trace', '/trace.jsonl');
  if (query.has('record')) args.push('--record', '/record.txt');
  if (query.has('timedemo')) args.push('--timedemo');
  // Values are checked here: the program is built without exceptions, so
  // the command line must reach it well formed.
  var faults = [];
  [['frames', /^[1-9][0-9]{0,8}$/, 'a count of frames from 1'],
   ['start-tick', /^[0-9]{1,9}$/, 'a whole number of milliseconds'],
   ['renderer', /^(auto|gl|cpu)$/, 'auto, gl or cpu']].forEach(function (option) {
    var name = option[0];
    if (!query.has(name)) return;
    var value = query.get(name);
    if (option[1].test(value)) args.push('--' + name, value);
    else faults.push(name + '=' + value + ' is not ' + option[2]);
  });

  function offer(name, text, type) {
    var link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([text], { type: type }));
    link.download = name;
    link.textContent = 'Download ' + name;
    downloads.append(link, ' ');
  }

  var screen = document.getElementById('screen');
  // Full screen asks for landscape too, where the browser lets a page turn it.
  function toggleFullScreen() {
    if (document.fullscreenElement) {
      document.exitFullscreen();
    } else if (screen.requestFullscreen) {
      screen.requestFullscreen().then(function () {
        try {
          window.screen.orientation.lock('landscape').catch(function () {});
        } catch (e) {}
      }, function () {});
    }
  }
  document.getElementById('full').addEventListener('click', function () {
    toggleFullScreen();
    canvas.focus();
  });
  canvas.addEventListener('mousedown', function () { canvas.focus(); });

  var module = {
    arguments: args,
    canvas: canvas,
    print: function (line) {
      state.stdout.push(line);
      console.log(line);
      if (output) {
        output.hidden = false;
        output.textContent += line + '\n';
      }
    },
    printErr: function (line) {
      state.stderr.push(line);
      console.error(line);
      show(line);
    },
    onFrame: function () {
      state.renderer = module.renderer;
      if (state.frames++ === 0) {
        state.firstFrameMs = performance.now();
        body.classList.add('running');
        registerWorker();
        if (!running) {
          say(hasAudio ? 'Playing. Sound starts with the first key press, click or touch.'
                       : 'Playing without sound: this browser has no Web Audio.');
        }
      }
    },
    toggleFullScreen: toggleFullScreen,
    onAudio: function (frames, peak) {
      state.audioFrames += frames;
      state.audioPeak = Math.max(state.audioPeak, peak);
    },
    onExit: function (code) { finish(code); },
    onAbort: function (what) {
      show('The ' + noun + ' stopped: ' + what);
      finish(-1);
    },
  };

  function read(path) {
    try {
      return module.FS.readFile(path, { encoding: 'utf8' });
    } catch (e) {
      return null;
    }
  }
  function finish(code) {
    if (state.done) return;
    state.exitCode = code;
    if (query.has('trace')) state.trace = read('/trace.jsonl');
    if (query.has('record')) state.record = read('/record.txt');
    if (state.trace) offer('trace.jsonl', state.trace, 'application/x-ndjson');
    if (state.record) offer('record.txt', state.record, 'text/plain');
    var again = noun === 'game' ? 'play again' : 'run it again';
    say(code === 0 ? 'The ' + noun + ' has ended. Reload the page to ' + again + '.'
                   : 'The ' + noun + ' has ended with a fault (' + code + '); what it said is below.');
    if (document.pointerLockElement) document.exitPointerLock();
    body.classList.add('ended');
    state.done = true;
  }

  function start() {
    if (faults.length) {
      show('The address asks for what cannot be: ' + faults.join('; ') + '.');
      finish(2);
      return;
    }
    var factory = window[body.dataset.factory];
    if (typeof factory !== 'function') {
      show('The program ' + body.dataset.program + ' could not be loaded.');
      finish(-1);
      return;
    }
    state.started = true;
    if (window.v17Touch) window.v17Touch(module);  // the touch controls (touch.js)
    factory(module).then(function () {
      if (running && !state.done) say(running);
    }, function (e) {
      show('The ' + noun + ' could not start: ' + e);
      finish(-1);
    });
  }

  // Loading. A page may name, on its body, scripts to run before the program
  // (data-scripts, in order: the music's synthesizer), and with data-packed
  // have the program, its .wasm and .data and those scripts fetched as
  // NAME.gz and unpacked here, which a plain static host does not do for it.
  var program = body.dataset.program;
  var scripts = (body.dataset.scripts || '').split(' ').filter(Boolean);
  var packed = body.dataset.packed !== undefined && typeof DecompressionStream === 'function';

  // Runs the script at src: a promise of its end.
  function run(src) {
    return new Promise(function (resolve, reject) {
      var script = document.createElement('script');
      script.src = src;
      script.onload = resolve;
      script.onerror = function () { reject(new Error(src + ' could not be loaded')); };
      document.body.append(script);
    });
  }
  // The bytes of NAME.gz, unpacked (taken as they are when the host has
  // already unpacked them); the download is kept for the service worker.
  function fetchPacked(name) {
    return fetch(name + '.gz').then(function (response) {
      if (!response.ok) throw new Error(name + '.gz could not be loaded (' + response.status + ')');
      keepLoaded(name + '.gz', response.clone());
      return response.arrayBuffer();
    }).then(function (bytes) {
      var head = new Uint8Array(bytes, 0, Math.min(2, bytes.byteLength));
      if (head[0] !== 0x1f || head[1] !== 0x8b) return bytes;
      var stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
      return new Response(stream).arrayBuffer();
    });
  }
  // (Only on a visit that the service worker does not already serve.)
  function keepLoaded(name, response) {
    if (!window.caches || !window.isSecureContext || !body.dataset.worker ||
        !navigator.serviceWorker || navigator.serviceWorker.controller) return;
    caches.open('vantorel17-loaded').then(function (cache) { return cache.put(name, response); })
        .catch(function () {});
  }
  function runBytes(bytes) {
    var url = URL.createObjectURL(new Blob([bytes], { type: 'text/javascript' }));
    return run(url).finally(function () { URL.revokeObjectURL(url); });
  }
  // The service worker (data-worker) that keeps the site for offline play,
  // registered once the program shows its first frame, from https or
  // localhost only; the page plays on without it.
  function registerWorker() {
    var worker = body.dataset.worker;
    if (!worker || !window.isSecureContext || !navigator.serviceWorker) return;
    navigator.serviceWorker.register(worker).then(function () {
      state.worker = 'registered';
    }, function (e) {
      state.worker = 'failed';
      console.warn('The page cannot be kept for offline play: ' + e);
    });
  }

  function load() {
    var fetched = {};
    var wasm = program.replace(/\.js$/, '.wasm'), data = program.replace(/\.js$/, '.data');
    if (packed) [program, wasm, data].concat(scripts).forEach(function (name) {
      fetched[name] = fetchPacked(name);
      fetched[name].catch(function () {});  // each failure is met where it is used
    });
    var runScript = function (name) { return packed ? fetched[name].then(runBytes) : run(name); };
    // The music's synthesizer first, when the page has it; the game plays on
    // without music when it is not there.
    var synth = scripts.reduce(function (before, name) {
      return before.then(function () { return runScript(name); });
    }, Promise.resolve()).then(function () {
      if (typeof JSSynth !== 'undefined' && JSSynth.waitForReady) return JSSynth.waitForReady();
    }).catch(function () {
      show('The music synthesizer could not start; playing without music.');
    });
    var files = packed ? Promise.all([fetched[wasm], fetched[data]]) : Promise.resolve([]);
    Promise.all([runScript(program), files, synth]).then(function (got) {
      if (packed) {
        module.wasmBinary = got[1][0];
        module.getPreloadedPackage = function (name) { return name === data ? got[1][1] : null; };
      }
      start();
    }, function (e) {
      show('The program ' + program + ' could not be loaded from the site: ' + e.message);
      finish(-1);
    });
  }
  load();
})();
