// The examples page: runs the example its address names (examples.html?example=
// first_steps, sound_and_music or showcase; the first without a name), one to a
// loading of the page, and shows that example's source on demand. It tells
// page.js what to run through the body's data attributes and then loads it,
// after the music's synthesizer for the examples that play music.
(function () {
  'use strict';
  var examples = {
    first_steps: { program: 'first_steps.js', factory: 'createFirstSteps', music: true,
                   running: 'Running. The arrow keys walk, Enter shouts, Escape ends it.' },
    sound_and_music: { program: 'sound_and_music.js', factory: 'createSoundAndMusic',
                       music: true, picture: false,
                       running: 'Running. It says below what it plays, and ends after the tune.' },
    showcase: { program: 'v17_showcase.js', factory: 'createShowcase',
                running: 'Running. Escape ends it.' },
  };
  var body = document.body;
  var asked = new URLSearchParams(location.search).get('example');
  var name = asked === null ? 'first_steps' : asked;
  var example = Object.prototype.hasOwnProperty.call(examples, name) ? examples[name] : null;

  document.querySelectorAll('nav a[data-example]').forEach(function (link) {
    if (link.dataset.example === name) link.setAttribute('aria-current', 'page');
  });
  document.querySelectorAll('.about').forEach(function (about) {
    about.hidden = about.dataset.example !== (example ? name : 'none');
  });
  var status = document.getElementById('status');
  var toggle = document.getElementById('source-toggle');
  if (!example) {
    status.textContent = '';
    toggle.hidden = true;
    document.getElementById('full').hidden = true;
    document.getElementById('screen').hidden = true;
    window.v17 = { started: false, done: true, exitCode: null };
    return;
  }

  var source = document.querySelector('pre.source[data-example="' + name + '"]');
  toggle.textContent = 'Source: ' + name + '.cpp';
  toggle.addEventListener('click', function () {
    source.hidden = !source.hidden;
    toggle.setAttribute('aria-expanded', String(!source.hidden));
    if (!source.hidden) source.scrollIntoView({ block: 'start' });
  });
  if (example.picture === false) {
    document.getElementById('screen').hidden = true;
    document.getElementById('full').hidden = true;
  }

  body.dataset.program = example.program;
  body.dataset.factory = example.factory;
  body.dataset.args = '';  // the examples run as they are; the address is not their command line
  body.dataset.running = example.running;
  var scripts = (example.music ? ['libfluidsynth-2.3.0.js', 'js-synthesizer.min.js'] : [])
      .concat(['page.js']);
  // In order, each after the one before it; without the synthesizer the
  // example plays without music, as page.js says.
  (function load() {
    var script = document.createElement('script');
    script.src = scripts.shift();
    if (scripts.length) {
      script.onload = script.onerror = load;
    } else {
      script.onerror = function () { status.textContent = script.src + ' could not be loaded.'; };
    }
    body.append(script);
  })();
})();
