// web_glut.js: the part of the web build's shim (web_gl.h) that must be JavaScript,
// linked with --js-library.
//
// emscripten's GLUT calls the program's key callbacks straight from its keydown and keyup
// listeners. A callback that calls exit() (the cockpit's Escape) then throws the runtime's
// ExitStatus out of the listener as an uncaught error, and since GLUT's timer keeps the
// runtime alive, the program goes on drawing. Here both listeners are replaced by ones
// that call GLUT's inside callUserCallback, as emscripten calls timers and frames, and an
// exit() there becomes emscripten_force_exit(): the runtime shuts down (Module.onExit
// tells the page), and no timer, frame or key reaches the program again.
mergeInto(LibraryManager.library, {
  vecmath_web_route_keys__deps: ['$GLUT', '$callUserCallback', 'emscripten_force_exit'],
  vecmath_web_route_keys: function() {
    [['keydown', GLUT.onKeydown], ['keyup', GLUT.onKeyup]].forEach(function(listener) {
      var type = listener[0], glutListener = listener[1];
      window.removeEventListener(type, glutListener, true);
      window.addEventListener(type, function(event) {
        callUserCallback(function() {
          try {
            glutListener(event);
          } catch (e) {
            if (e instanceof ExitStatus) _emscripten_force_exit(e.status);
            throw e;
          }
        });
      }, true);
    });
  },
});
