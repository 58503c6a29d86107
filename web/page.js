// The page around the game: the start button, the sound choice, full screen
// and Pointer Lock, and the messages for the player (shown in the status and
// alert regions, which screen readers read, and failures also spoken).
'use strict';
(function () {
  const $ = (id) => document.getElementById(id);
  const stage = $('stage');
  const game = $('game');
  const start = $('start');
  const statusBox = $('status');
  const alertBox = $('alert');
  const files = self.tiraurisFiles || {};

  function speak(text) {
    try {
      speechSynthesis.cancel();
      speechSynthesis.speak(new SpeechSynthesisUtterance(text));
    } catch (e) {
      // No speech in this browser: the alert region still says it.
    }
  }

  function fail(text) {
    alertBox.textContent = text;
    speak(text);
  }

  const lacks = [];
  if (typeof WebAssembly !== 'object') lacks.push('WebAssembly');
  const AudioContextType = window.AudioContext || window.webkitAudioContext;
  if (!AudioContextType) lacks.push('Web Audio');
  if (!files.embedded && !window.fetch) lacks.push('fetch');
  if (lacks.length) fail(`This browser lacks ${lacks.join(' and ')}, which the game needs.`);

  // The sound choice, remembered; stereo unless the player chose mono.
  const radios = document.querySelectorAll('input[name=sound]');
  let remembered = null;
  try {
    remembered = localStorage.getItem('tirauris.sound');
  } catch (e) {}
  for (const radio of radios) {
    radio.checked = radio.value === (remembered === '1' ? '1' : '2');
    radio.addEventListener('change', () => {
      try {
        localStorage.setItem('tirauris.sound', radio.value);
      } catch (e) {}
    });
  }
  const chosenMode = () => (document.querySelector('input[name=sound]:checked').value === '1' ? 1 : 2);

  let ready = false;
  let waiting = false;
  let running = false;

  function fullscreen() {
    if (document.fullscreenElement || !stage.requestFullscreen) return;
    stage.requestFullscreen().then(() => {
      // Where the browser allows it, Esc then reaches the game at once.
      if (navigator.keyboard && navigator.keyboard.lock) navigator.keyboard.lock(['Escape']).catch(() => {});
    }, () => {});
  }

  // Pointer Lock first: going full screen uses up the click's permission.
  function capture() {
    try {
      const p = game.requestPointerLock();
      if (p && p.catch) p.catch(() => {});
    } catch (e) {}
    fullscreen();
  }

  function leaveScreen() {
    tir.wantsLock = false;
    if (document.pointerLockElement) document.exitPointerLock();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    stage.classList.remove('playing');
    game.hidden = true;
  }

  function offerReload(label) {
    start.textContent = label;
    start.removeAttribute('aria-describedby');
    start.onclick = () => location.reload();
    start.focus();
  }

  const tir = {
    area: game,
    manifest: files.manifest || [],
    embedded: files.embedded,
    wantsLock: false,
    capture,
    loaded: performance.now(),
    onExit(code, output) {
      running = false;
      leaveScreen();
      if (code === 0) {
        statusBox.textContent = 'The game has ended. Thanks for playing.';
        offerReload('Play again');
      } else if (code === 2) {
        fail('The game has ended, but the best scores could not be saved.');
        offerReload('Play again');
      } else {
        const why = output.replace(/^Tirauris/, '').trim() || `exit code ${code}`;
        fail(`The game could not go on: ${why}`);
        offerReload('Try again');
      }
    },
  };

  window.Module = {
    tirauris: tir,
    noInitialRun: true,
    onRuntimeInitialized() {
      ready = true;
      tir.ready = performance.now();
      if (waiting) run();
    },
    onAbort(what) {
      running = false;
      leaveScreen();
      fail(`The game stopped with an error: ${what}`);
    },
  };
  if (files.wasm) {
    const text = atob(files.wasm);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
    Module.wasmBinary = bytes;
  }

  function run() {
    waiting = false;
    try {
      Module.callMain([]);
    } catch (e) {
      if (!(e && e.name === 'ExitStatus')) throw e;
    }
  }

  start.onclick = () => {
    if (lacks.length) {
      fail(`This browser lacks ${lacks.join(' and ')}, which the game needs.`);
      return;
    }
    if (running) return;
    // Made inside the click, so the browser lets it sound.
    try {
      tir.audioContext = new AudioContextType({ sampleRate: 44100 });
    } catch (e) {
      fail(`This browser could not start its sound: ${e.message}`);
      return;
    }
    running = true;
    tir.audioMode = chosenMode();
    tir.started = performance.now();
    alertBox.textContent = '';
    statusBox.textContent = 'The game is running. The screen is black; everything is heard.';
    stage.classList.add('playing');
    game.hidden = false;
    game.focus();
    tir.wantsLock = true;
    capture();
    if (ready) run();
    else waiting = true;
  };

  if (!files.gameInline) {
    const script = document.createElement('script');
    script.src = 'tirauris.js';
    script.onerror = () => fail('The game could not be loaded from the site (tirauris.js).');
    document.body.appendChild(script);
  }
})();
