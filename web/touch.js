// The game's page on a touch screen: on-screen controls that play as the
// keyboard and the mouse do. They show from the first touch, or at once where
// the main pointer is a finger (pointer: coarse).
//   ◀ ▶      the arrow keys, held while touched (both at once, or sliding
//            from one to the other)
//   Enter    Enter
//   Esc      Escape, only after it is held for a moment (a stray tap does
//            not end the game)
//   [ ]      full screen, in landscape where the browser lets the page turn it
// A finger anywhere else on the screen holds the left mouse button and moves
// the game's pointer as a mouse would, its page pixels scaled to the
// picture's; lifting it lets go. Each finger is followed by its identifier, so
// one can walk while another aims.
// The keys go in as the keyboard's events; the finger reaches the program
// through its v17_web_pointer_button and v17_web_pointer_motion. page.js
// calls window.v17Touch(module) with the program's module.
(function () {
  'use strict';
  var HOLD_ESCAPE_MS = 700;
  var body = document.body;
  var screen = document.getElementById('screen');
  var canvas = document.getElementById('canvas');
  var module = null;
  var controls = null;
  var fingers = {};  // identifier -> { pad } or { aim, x, y }
  var aimer = null;  // the identifier of the finger that aims
  var carry = { x: 0, y: 0 };  // the aim's motion not yet given, in picture pixels

  function key(code, down) {
    window.dispatchEvent(new KeyboardEvent(down ? 'keydown' : 'keyup',
                                           { code: code, key: code, bubbles: true, cancelable: true }));
  }
  function call(name, a, b) {
    if (module && typeof module[name] === 'function') module[name](a, b);
  }

  // A pad is held while any finger is on it.
  function press(pad) {
    if (pad.holders++ > 0) return;
    pad.classList.add('held');
    if (pad.dataset.hold) {
      pad.armed = setTimeout(function () {
        pad.armed = 0;
        pad.classList.add('fired');
        key(pad.dataset.code, true);
      }, Number(pad.dataset.hold));
    } else if (pad.dataset.code) {
      key(pad.dataset.code, true);
    }
  }
  function release(pad) {
    if (--pad.holders > 0) return;
    pad.holders = 0;
    pad.classList.remove('held');
    if (pad.dataset.hold) {
      if (pad.armed) {
        clearTimeout(pad.armed);
        pad.armed = 0;
        hint('Hold Esc to end the game.');
      } else {
        pad.classList.remove('fired');
        key(pad.dataset.code, false);
      }
    } else if (pad.dataset.code) {
      key(pad.dataset.code, false);
    } else if (pad.id === 'touch-full') {
      document.getElementById('full').click();
    }
  }

  var hintTimer = 0;
  function hint(text) {
    var h = document.getElementById('touch-hint');
    h.textContent = text;
    h.hidden = false;
    clearTimeout(hintTimer);
    hintTimer = setTimeout(function () { h.hidden = true; }, 2000);
  }

  function button(label, title, code, group) {
    var b = document.createElement('button');
    b.type = 'button';
    b.className = 'pad';
    b.innerHTML = label;
    b.setAttribute('aria-label', title);
    if (code) b.dataset.code = code;
    if (group) b.dataset.group = group;
    b.holders = 0;
    b.armed = 0;
    return b;
  }

  function show() {
    if (controls) return;
    body.classList.add('touch');
    controls = document.createElement('div');
    controls.id = 'touch';
    var escape = button('Esc<small>hold</small>', 'Escape (hold)', 'Escape');
    escape.id = 'touch-escape';
    escape.dataset.hold = HOLD_ESCAPE_MS;
    // four corners drawn, since not every font has a full-screen sign
    var full = button('<svg viewBox="0 0 24 24" width="55%" height="55%" fill="none" ' +
                      'stroke="currentColor" stroke-width="2.5" stroke-linecap="round">' +
                      '<path d="M3 9V3h6M15 3h6v6M21 15v6h-6M9 21H3v-6"/></svg>', 'Full screen');
    full.id = 'touch-full';
    full.hidden = !document.fullscreenEnabled;  // a phone's browser may have no full screen
    var left = button('&#x25C0;', 'Walk left', 'ArrowLeft', 'walk');
    left.id = 'touch-left';
    var right = button('&#x25B6;', 'Walk right', 'ArrowRight', 'walk');
    right.id = 'touch-right';
    var enter = button('Enter', 'Enter', 'Enter');
    enter.id = 'touch-enter';
    var tip = document.createElement('p');
    tip.id = 'touch-hint';
    tip.hidden = true;
    var aim = document.createElement('p');
    aim.id = 'touch-aim';
    aim.textContent = 'Drag here or on the picture to aim; lift to launch';
    controls.append(escape, full, left, right, enter, aim, tip);
    screen.append(controls);
    var help = document.getElementById('help');
    if (help) {
      help.textContent = '\u25C0 \u25B6 walk, Enter chooses; a finger on the picture aims and ' +
                         'charges, lifting it launches. Hold Esc to end the game.';
    }
  }

  function padAt(touch) {
    var at = document.elementFromPoint(touch.clientX, touch.clientY);
    return at && at.closest ? at.closest('#touch .pad') : null;
  }

  function start(touch) {
    var pad = touch.target.closest ? touch.target.closest('#touch .pad') : null;
    if (pad) {
      fingers[touch.identifier] = { pad: pad };
      press(pad);
      return;
    }
    if (aimer !== null) return;  // one finger aims at a time
    aimer = touch.identifier;
    fingers[aimer] = { aim: true, x: touch.clientX, y: touch.clientY };
    carry.x = carry.y = 0;
    call('_v17_web_pointer_button', 0, 1);
  }

  function move(touch) {
    var finger = fingers[touch.identifier];
    if (!finger) return;
    if (finger.pad) {
      // A finger walking may slide from one arrow to the other.
      var over = padAt(touch);
      if (over && over !== finger.pad && over.dataset.group && over.dataset.group === finger.pad.dataset.group) {
        release(finger.pad);
        finger.pad = over;
        press(over);
      }
      return;
    }
    var box = canvas.getBoundingClientRect();
    var scale = box.width > 0 ? canvas.width / box.width : 1;
    carry.x += (touch.clientX - finger.x) * scale;
    carry.y += (touch.clientY - finger.y) * scale;
    finger.x = touch.clientX;
    finger.y = touch.clientY;
    var dx = Math.trunc(carry.x), dy = Math.trunc(carry.y);
    carry.x -= dx;
    carry.y -= dy;
    if (dx || dy) call('_v17_web_pointer_motion', dx, dy);
  }

  function end(touch) {
    var finger = fingers[touch.identifier];
    if (!finger) return;
    delete fingers[touch.identifier];
    if (finger.pad) {
      release(finger.pad);
    } else {
      aimer = null;
      call('_v17_web_pointer_button', 0, 0);
    }
  }

  function each(handle) {
    return function (e) {
      if (!controls) show();
      e.preventDefault();  // no zoom, scroll, selection or mouse events made up from the touch
      for (var i = 0; i < e.changedTouches.length; ++i) handle(e.changedTouches[i]);
    };
  }
  var options = { passive: false };
  screen.addEventListener('touchstart', each(start), options);
  screen.addEventListener('touchmove', each(move), options);
  screen.addEventListener('touchend', each(end), options);
  screen.addEventListener('touchcancel', each(end), options);
  // The controls from the first touch anywhere, or at once on a touch screen.
  window.addEventListener('touchstart', show, { capture: true, passive: true });
  if (window.matchMedia && window.matchMedia('(pointer: coarse)').matches) show();

  window.v17Touch = function (programModule) { module = programModule; };
})();
