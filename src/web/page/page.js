// The demo's page: loads the content packs and the module, shows their progress, waits for the
// viewer's click (the browser lets audio start only then), letterboxes the 16:9 picture, toggles
// fullscreen, and says when the demo has ended. `window.nerethval` tells a driver where it is.
'use strict';

(function () {
  var pictureWidth = 1280;
  var pictureHeight = 720;
  // The canvas never needs more than 3840 x 2160 backing pixels: the picture at three times its design size.
  var largestScale = 3;

  var stage = document.getElementById('stage');
  var canvas = document.getElementById('canvas');
  var card = document.getElementById('card');
  var bar = document.getElementById('bar');
  var fill = document.getElementById('fill');
  var message = document.getElementById('message');
  var again = document.getElementById('again');
  var fullscreenButton = document.getElementById('fullscreen');

  var status = window.nerethval = {state: 'loading', message: 'loading'};

  function show(state, text) {
    status.state = state;
    status.message = text;
    card.className = state;
    message.textContent = text;
  }

  function fail(text) {
    if (status.state === 'failed')
      return;
    bar.hidden = true;
    card.hidden = false;
    show('failed', text);
  }

  // The largest 16:9 box in width x height CSS pixels, and its backing store at the screen's
  // pixel density, no denser than largestScale.
  function pictureBox(width, height) {
    var cssWidth = Math.min(width, height * pictureWidth / pictureHeight);
    var cssHeight = cssWidth * pictureHeight / pictureWidth;
    var density = Math.min(window.devicePixelRatio || 1, largestScale * pictureWidth / cssWidth);
    return {
      density: density,
      width: Math.max(1, Math.round(cssWidth * density)),
      height: Math.max(1, Math.round(cssHeight * density)),
    };
  }

  // The demo reads the backing size each frame; a change is its window's resize.
  function letterbox() {
    var box = pictureBox(stage.clientWidth, stage.clientHeight);
    canvas.style.width = box.width / box.density + 'px';
    canvas.style.height = box.height / box.density + 'px';
    if (canvas.width !== box.width || canvas.height !== box.height) {
      canvas.width = box.width;
      canvas.height = box.height;
    }
  }

  // The module reads the images for the canvas it finds at its start; the packs follow it.
  function neededScale() {
    return Math.min(canvas.width / pictureWidth, canvas.height / pictureHeight);
  }

  function fullscreenElement() {
    return document.fullscreenElement || document.webkitFullscreenElement || null;
  }

  function toggleFullscreen() {
    if (fullscreenElement()) {
      (document.exitFullscreen || document.webkitExitFullscreen).call(document);
      return;
    }
    var enter = stage.requestFullscreen || stage.webkitRequestFullscreen;
    if (enter) {
      var entering = enter.call(stage);
      if (entering && entering.catch)
        entering.catch(function () {});
    }
  }

  // Whether audio may start without the viewer's gesture: a context made now runs at once.
  function audioMayStart(answer) {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context)
      return answer(false);
    var probe = new Context();
    var answered = false;
    function decide() {
      if (answered)
        return;
      answered = true;
      var running = probe.state === 'running';
      probe.close();
      answer(running);
    }
    if (probe.state === 'running')
      return decide();
    probe.onstatechange = function () {
      if (probe.state === 'running')
        decide();
    };
    setTimeout(decide, 250);
  }

  function startPlaying() {
    if (status.state !== 'waiting')
      return;
    card.hidden = true;
    bar.hidden = true;
    show('playing', '');
    // The picture alone until the mouse moves.
    stage.classList.add('idle');
    canvas.focus();
    Module._nerethvalStart();
  }

  function waitForViewer() {
    bar.hidden = true;
    show('waiting', 'click to start');
    stage.addEventListener('click', startPlaying);
    window.addEventListener('keydown', function (event) {
      if (event.key === 'Enter' || event.key === ' ')
        startPlaying();
    });
  }

  function loadScript(source) {
    var script = document.createElement('script');
    script.src = source;
    // In the order added, though they download side by side.
    script.async = false;
    script.onerror = function () {
      fail('Could not load ' + source + '.');
    };
    document.body.appendChild(script);
  }

  var query = new URLSearchParams(location.search);
  // ?fixed=RATE: a driver steps the demo frame by frame; the module reads the rate.
  var fixed = query.has('fixed');
  var downloadBytes = 0;
  var decodedShare = 0;

  function showProgress() {
    var loaded = 0;
    var downloads = Module.dataFileDownloads || {};
    Object.keys(downloads).forEach(function (url) {
      loaded += downloads[url].loaded;
    });
    var downloaded = downloadBytes > 0 ? Math.min(loaded / downloadBytes, 1) : 0;
    fill.style.width = (50 * downloaded + 50 * decodedShare).toFixed(1) + '%';
  }

  var Module = window.Module = {
    canvas: canvas,
    // One console line for each line the demo prints, as it prints it.
    print: function (line) {
      console.log(line);
    },
    printErr: function (line) {
      console.warn(line);
    },
    setStatus: showProgress,
    onAbort: function (what) {
      fail('The demo stopped: ' + what);
    },
    nerethvalProgress: function (share) {
      decodedShare = share;
      message.textContent = 'preparing the pictures';
      showProgress();
    },
    nerethvalReady: function () {
      decodedShare = 1;
      showProgress();
      if (fixed) {
        card.hidden = true;
        show('playing', '');
        Module._nerethvalStartFixed();
        return;
      }
      audioMayStart(function (allowed) {
        if (allowed) {
          show('waiting', '');
          startPlaying();
        } else {
          waitForViewer();
        }
      });
    },
    nerethvalFailed: fail,
    nerethvalEnded: function () {
      card.hidden = false;
      bar.hidden = true;
      stage.classList.remove('idle');
      show('ended', 'the end');
      card.classList.add('over-picture');
      again.hidden = false;
      again.focus();
    },
  };

  again.addEventListener('click', function () {
    location.reload();
  });
  fullscreenButton.addEventListener('click', function (event) {
    event.stopPropagation();
    toggleFullscreen();
    fullscreenButton.blur();
  });
  // Capturing, ahead of the demo's own keys: F is the page's, and Escape in fullscreen only
  // leaves it (natively Escape ends the demo).
  window.addEventListener('keydown', function (event) {
    if (event.ctrlKey || event.altKey || event.metaKey)
      return;
    if (event.key === 'f' || event.key === 'F') {
      event.stopImmediatePropagation();
      event.preventDefault();
      toggleFullscreen();
    } else if (event.key === 'Escape' && fullscreenElement()) {
      event.stopImmediatePropagation();
      event.preventDefault();
      toggleFullscreen();
    }
  }, true);

  var idleTimer = 0;
  stage.addEventListener('mousemove', function () {
    stage.classList.remove('idle');
    clearTimeout(idleTimer);
    idleTimer = setTimeout(function () {
      if (status.state === 'playing')
        stage.classList.add('idle');
    }, 2000);
  });

  window.addEventListener('error', function (event) {
    fail('The demo stopped: ' + event.message);
  });
  // A driver's stills are the capture's size; the module sets it, and nothing here moves it.
  if (!fixed) {
    window.addEventListener('resize', letterbox);
    document.addEventListener('fullscreenchange', letterbox);
    document.addEventListener('webkitfullscreenchange', letterbox);
    letterbox();
  }

  if (!document.createElement('canvas').getContext('webgl2')) {
    fail('This demo needs WebGL 2, which this browser does not offer or has switched off.');
    return;
  }

  var scale = neededScale();
  fetch('packs.json').then(function (response) {
    if (!response.ok)
      throw new Error('packs.json: ' + response.status);
    return response.json();
  }).then(function (packs) {
    packs.forEach(function (pack) {
      if (scale > pack.above) {
        downloadBytes += pack.bytes;
        loadScript(pack.script);
      }
    });
    loadScript('nerethval.js');
  }).catch(function (error) {
    fail('Could not load the content list (' + error.message + ').');
  });
})();
