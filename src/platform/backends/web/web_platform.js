// The JavaScript half of the web backend and the web synthesizer, linked into
// the game's module as an Emscripten library. The page may give the module:
//   canvas            the canvas the frames go to
//   onFrame()         called after each frame is put on the canvas
//   toggleFullScreen() what Alt+Enter does
//   onAudio(frames, peak) called after each block the output plays
// Synthesizers come from js-synthesizer (JSSynth), which the page loads with
// its FluidSynth before the game starts; without it the music is silent.
mergeInto(LibraryManager.library, {
  $V17: {
    canvas: null,
    context: null,  // the 2D context, where WebGL does not draw
    gl: null,       // the WebGL context, where it draws
    audio: null,
    synths: [null],
    gestureEvents: ['keydown', 'mousedown', 'pointerdown', 'pointerup', 'touchstart', 'touchend'],
  },

  // Opens the canvas at the game's size (the page scales it). With want_gl, the
  // frames are drawn by WebGL, which looks each index up in the palette on the
  // graphics processor; without it, or where WebGL does not open, by the 2D
  // context from pixels expanded in wasm. Returns 1 when WebGL draws.
  v17_web_open_canvas__deps: ['$V17', '$V17_GL'],
  v17_web_open_canvas: function (caption, width, height, want_gl) {
    var canvas = Module['canvas'] || document.getElementById('canvas');
    canvas.width = width;
    canvas.height = height;
    if (V17.canvas !== canvas) {
      V17.canvas = canvas;
      V17.gl = null;
      V17.context = null;
      if (want_gl) V17.gl = V17_GL.start(canvas);
      if (!V17.gl && want_gl && canvas.getContext('webgl')) {
        // WebGL opened but could not be set up, and a canvas keeps the first
        // kind of context it gave: the 2D context needs a new canvas.
        var fresh = canvas.cloneNode(false);
        canvas.parentNode.replaceChild(fresh, canvas);
        canvas = V17.canvas = Module['canvas'] = fresh;
      }
      if (V17.gl) {
        canvas.addEventListener('webglcontextlost', function (e) { e.preventDefault(); });
        canvas.addEventListener('webglcontextrestored', function () { V17.gl = V17_GL.start(canvas); });
      } else {
        V17.context = canvas.getContext('2d', { alpha: false });
      }
    }
    Module['renderer'] = V17.gl ? 'webgl' : '2d';
    var title = UTF8ToString(caption);
    if (title) document.title = title;
    return V17.gl ? 1 : 0;
  },

  // The WebGL drawing: the indices as a one-byte texture, the palette as a
  // 256 x 1 texture, and a fragment shader that reads one through the other.
  $V17_GL: {
    start: function (canvas) {
      var gl = canvas.getContext('webgl', { alpha: false, antialias: false, depth: false,
                                            preserveDrawingBuffer: false });
      if (!gl) return null;
      function shader(type, text) {
        var s = gl.createShader(type);
        gl.shaderSource(s, text);
        gl.compileShader(s);
        return gl.getShaderParameter(s, gl.COMPILE_STATUS) ? s : null;
      }
      var vertex = shader(gl.VERTEX_SHADER,
        'attribute vec2 at; varying vec2 uv;' +
        'void main() { uv = vec2(at.x * 0.5 + 0.5, 0.5 - at.y * 0.5); gl_Position = vec4(at, 0.0, 1.0); }');
      var fragment = shader(gl.FRAGMENT_SHADER,
        '#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\nprecision mediump float;\n#endif\n' +
        'uniform sampler2D frame; uniform sampler2D palette; varying vec2 uv;' +
        'void main() { float i = texture2D(frame, uv).r * 255.0;' +
        ' gl_FragColor = texture2D(palette, vec2((i + 0.5) / 256.0, 0.5)); }');
      if (!vertex || !fragment) return null;
      var program = gl.createProgram();
      gl.attachShader(program, vertex);
      gl.attachShader(program, fragment);
      gl.linkProgram(program);
      if (!gl.getProgramParameter(program, gl.LINK_STATUS)) return null;
      gl.useProgram(program);
      gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
      gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, 1, 1]), gl.STATIC_DRAW);
      var at = gl.getAttribLocation(program, 'at');
      gl.enableVertexAttribArray(at);
      gl.vertexAttribPointer(at, 2, gl.FLOAT, false, 0, 0);
      function texture(unit, name) {
        var t = gl.createTexture();
        gl.activeTexture(gl.TEXTURE0 + unit);
        gl.bindTexture(gl.TEXTURE_2D, t);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
        gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
        gl.uniform1i(gl.getUniformLocation(program, name), unit);
      }
      texture(1, 'palette');
      gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA, 256, 1, 0, gl.RGBA, gl.UNSIGNED_BYTE, null);
      texture(0, 'frame');  // left bound to unit 0
      gl.pixelStorei(gl.UNPACK_ALIGNMENT, 1);
      gl.v17 = { width: 0, height: 0, palette: new Uint8Array(1024) };
      return gl.getError() === gl.NO_ERROR ? gl : null;
    },
  },

  v17_web_put_indices__deps: ['$V17'],
  v17_web_put_indices: function (indices, width, height, palette_rgb) {
    var gl = V17.gl;
    if (!gl || gl.isContextLost() || window.V17_NOPUT) return;
    var state = gl.v17, rgba = state.palette;
    for (var i = 0; i < 256; ++i) {
      rgba[4 * i] = HEAPU8[palette_rgb + 3 * i];
      rgba[4 * i + 1] = HEAPU8[palette_rgb + 3 * i + 1];
      rgba[4 * i + 2] = HEAPU8[palette_rgb + 3 * i + 2];
      rgba[4 * i + 3] = 255;
    }
    gl.activeTexture(gl.TEXTURE1);
    gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, 0, 256, 1, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
    gl.activeTexture(gl.TEXTURE0);
    var bytes = HEAPU8.subarray(indices, indices + width * height);
    if (state.width !== width || state.height !== height) {
      gl.texImage2D(gl.TEXTURE_2D, 0, gl.LUMINANCE, width, height, 0, gl.LUMINANCE,
                    gl.UNSIGNED_BYTE, bytes);
      state.width = width;
      state.height = height;
    } else {
      gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, 0, width, height, gl.LUMINANCE, gl.UNSIGNED_BYTE, bytes);
    }
    gl.viewport(0, 0, width, height);
    gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
    // The tests read the picture back here: once shown, it is gone from the buffer.
    if (window.V17_READBACK) {
      var picture = new Uint8Array(width * height * 4);
      gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, picture);
      window.V17_PICTURE = { width: width, height: height, rgba: picture, bottomUp: true };
    }
    if (Module['onFrame']) Module['onFrame']();
  },

  v17_web_put_frame__deps: ['$V17'],
  v17_web_put_frame: function (rgba, width, height) {
    if (!V17.context || window.V17_NOPUT) return;
    var bytes = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4);
    V17.context.putImageData(new ImageData(bytes, width, height), 0, 0);
    if (window.V17_READBACK)
      window.V17_PICTURE = { width: width, height: height, rgba: new Uint8Array(bytes), bottomUp: false };
    if (Module['onFrame']) Module['onFrame']();
  },

  v17_web_set_cursor_visible__deps: ['$V17'],
  v17_web_set_cursor_visible: function (visible) {
    if (V17.canvas) V17.canvas.style.cursor = visible ? '' : 'none';
  },

  v17_web_toggle_full_screen: function () {
    if (Module['toggleFullScreen']) Module['toggleFullScreen']();
  },

  // Web Audio output pulling the mixer: a script processor while the context
  // runs. Browsers start a context only after a key press, a click or a touch
  // (which counts when the finger lifts: touchend, pointerup), so until
  // then a timer pulls what an output would have played and drops it, so that
  // sound and music keep the same time as with an output. Returns the rate.
  v17_web_audio_open__deps: ['$V17', 'malloc'],
  v17_web_audio_open: function () {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context || V17.audio) return 0;
    var context;
    try {
      context = new Context({ latencyHint: 'interactive' });
    } catch (e) {
      return 0;
    }
    var frames = 2048;
    var a = { context: context, buffer: _malloc(frames * 8), frames: frames, node: null,
              timer: 0, pulledAt: performance.now(), resume: null };
    var pull = function (n) {
      Module['_v17_web_audio_pull'](a.buffer, n);
      return HEAPF32.subarray(a.buffer >> 2, (a.buffer >> 2) + 2 * n);
    };
    a.node = context.createScriptProcessor(frames, 0, 2);
    a.node.onaudioprocess = function (e) {
      var out = e.outputBuffer, left = out.getChannelData(0), right = out.getChannelData(1);
      var mixed = pull(out.length), peak = 0;
      for (var i = 0; i < out.length; ++i) {
        left[i] = mixed[2 * i];
        right[i] = mixed[2 * i + 1];
        peak = Math.max(peak, Math.abs(left[i]), Math.abs(right[i]));
      }
      if (Module['onAudio']) Module['onAudio'](out.length, peak);
    };
    a.node.connect(context.destination);
    a.timer = setInterval(function () {
      var now = performance.now();
      if (context.state === 'running') {
        a.pulledAt = now;
        return;
      }
      var due = Math.floor((now - a.pulledAt) * context.sampleRate / 1000);
      a.pulledAt += due * 1000 / context.sampleRate;
      for (; due > 0; due -= frames) pull(Math.min(due, frames));
    }, 50);
    a.resume = function () {
      if (context.state !== 'running') context.resume();
    };
    V17.gestureEvents.forEach(function (name) { window.addEventListener(name, a.resume, true); });
    V17.audio = a;
    return context.sampleRate;
  },

  v17_web_audio_close__deps: ['$V17', 'free'],
  v17_web_audio_close: function () {
    var a = V17.audio;
    if (!a) return;
    V17.gestureEvents.forEach(function (name) { window.removeEventListener(name, a.resume, true); });
    clearInterval(a.timer);
    a.node.onaudioprocess = null;
    a.node.disconnect();
    a.context.close();
    _free(a.buffer);
    V17.audio = null;
  },

  v17_web_synth_open__deps: ['$V17', '$FS'],
  v17_web_synth_open: function (soundFont, rate, gain) {
    if (typeof JSSynth === 'undefined') return 0;
    var path = UTF8ToString(soundFont), bytes;
    try {
      bytes = FS.readFile(path);
    } catch (e) {
      return 0;
    }
    var synth = new JSSynth.Synthesizer();
    synth.init(rate, { initialGain: gain });
    // The font is loaded before this returns; only a failure comes later.
    synth.loadSFont(bytes).catch(function (e) {
      err('vantorel17: the sound font ' + path + ' cannot be used: ' + e.message);
    });
    V17.synths.push({ synth: synth, left: new Float32Array(0), right: new Float32Array(0) });
    return V17.synths.length - 1;
  },

  v17_web_synth_close__deps: ['$V17'],
  v17_web_synth_close: function (handle) {
    var s = V17.synths[handle];
    if (s) s.synth.close();
    V17.synths[handle] = null;
  },

  v17_web_synth_reset__deps: ['$V17'],
  v17_web_synth_reset: function (handle) {
    V17.synths[handle].synth.midiSystemReset();
  },

  v17_web_synth_send__deps: ['$V17'],
  v17_web_synth_send: function (handle, status, data1, data2) {
    var synth = V17.synths[handle].synth, channel = status & 15;
    switch (status & 0xF0) {
      case 0x80: synth.midiNoteOff(channel, data1); break;
      case 0x90:
        if (data2 === 0) synth.midiNoteOff(channel, data1);
        else synth.midiNoteOn(channel, data1, data2);
        break;
      case 0xA0: synth.midiKeyPressure(channel, data1, data2); break;
      case 0xB0: synth.midiControl(channel, data1, data2); break;
      case 0xC0: synth.midiProgramChange(channel, data1); break;
      case 0xD0: synth.midiChannelPressure(channel, data1); break;
      case 0xE0: synth.midiPitchBend(channel, data1 | (data2 << 7)); break;
    }
  },

  v17_web_synth_sysex__deps: ['$V17'],
  v17_web_synth_sysex: function (handle, bytes, size) {
    V17.synths[handle].synth.midiSysEx(HEAPU8.slice(bytes, bytes + size));
  },

  // The sustain pedal lifted on each of FluidSynth's 16 channels, then every note let go.
  v17_web_synth_all_notes_off__deps: ['$V17'],
  v17_web_synth_all_notes_off: function (handle) {
    var synth = V17.synths[handle].synth;
    for (var channel = 0; channel < 16; ++channel) synth.midiControl(channel, 64, 0);
    synth.midiAllNotesOff();
  },

  v17_web_synth_render__deps: ['$V17'],
  v17_web_synth_render: function (handle, out, frames) {
    var s = V17.synths[handle];
    if (s.left.length !== frames) {
      s.left = new Float32Array(frames);
      s.right = new Float32Array(frames);
    }
    s.synth.render([s.left, s.right]);
    var at = out >> 2;
    for (var i = 0; i < frames; ++i) {
      HEAPF32[at + 2 * i] += s.left[i];
      HEAPF32[at + 2 * i + 1] += s.right[i];
    }
  },
});
