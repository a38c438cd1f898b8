// web_glut.js: the keys of the web build's shim (web_gl.h), which must be JavaScript;
// linked with --js-library.
//
// emscripten's GLUT reads a key's character from the browser's key code: with Shift a
// digit stays a digit ("%" comes as "5"). It also calls the program's key callback straight
// from its listener, so a callback that calls exit(), as the cockpit's Escape does, throws
// the runtime's ExitStatus out of the listener as an uncaught error, and with GLUT's timer
// keeping the runtime alive the program draws on. Here GLUT's key listeners are replaced:
// - a key that types a character passes that character, as the desktop's GLUT passes the
//   one the X server makes of the key: event.key, with Control a letter's control code,
//   and the codes of Escape, Return, Tab, Backspace and Delete; other keys go to GLUT's
//   own listener (its special keys);
// - the callbacks run inside callUserCallback, as emscripten runs timers and frames, and an
//   exit() there becomes emscripten_force_exit(): the runtime shuts down, Module.onExit
//   tells the page, and no timer, frame or key reaches the program again.
mergeInto(LibraryManager.library, {
  vecmath_web_route_keys__deps: ['$GLUT', '$Browser', '$callUserCallback', 'emscripten_force_exit'],
  vecmath_web_route_keys: function() {
    var codes = { 'Escape': 27, 'Enter': 13, 'Tab': 9, 'Backspace': 8, 'Delete': 127 };
    function character(event) {
      if (event.key.length !== 1) return event.key in codes ? codes[event.key] : null;
      var c = event.key.charCodeAt(0);
      if (event.ctrlKey && c >= 64 && c < 128) c &= 0x1f;
      return c < 256 ? c : null;
    }
    function endingOnExit(call) {
      callUserCallback(function() {
        try {
          call();
        } catch (e) {
          if (e instanceof ExitStatus) _emscripten_force_exit(e.status);
          throw e;
        }
      });
    }
    window.removeEventListener('keydown', GLUT.onKeydown, true);
    window.removeEventListener('keyup', GLUT.onKeyup, true);
    window.addEventListener('keydown', function(event) {
      var c = character(event);
      if (c === null || !GLUT.keyboardFunc) {
        endingOnExit(function() { GLUT.onKeydown(event); });
        return;
      }
      event.preventDefault();
      GLUT.saveModifiers(event);
      endingOnExit(function() {
        {{{ makeDynCall('viii', 'GLUT.keyboardFunc') }}}(c, Browser.mouseX, Browser.mouseY);
      });
    }, true);
    window.addEventListener('keyup', function(event) {
      endingOnExit(function() { GLUT.onKeyup(event); });
    }, true);
  },
});
