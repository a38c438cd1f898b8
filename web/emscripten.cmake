# emscripten.cmake: what the web build (emcmake cmake) needs before its targets are made:
# the linker's JavaScript tools, and GL, GLU and GLUT for the programs. Included by the
# top-level CMakeLists.txt when the compiler is emscripten, and only then.

# Debian's emscripten runs acorn, which Debian installs in /usr/share/nodejs, when it
# links optimised JavaScript; a node that does not look there (NodeSource's) finds it
# through NODE_PATH, set here for every link.
if(EXISTS /usr/share/nodejs/acorn)
  if(CMAKE_VERSION VERSION_LESS 3.21)
    message(WARNING "CMake ${CMAKE_VERSION} cannot set NODE_PATH for the links: set "
                    "NODE_PATH=/usr/share/nodejs in the environment of the build")
  endif()
  set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
endif()

if(VECMATH_BUILD_PROGRAMS)
  # emscripten's GL, GLU and GLUT are JavaScript libraries chosen at link time: its
  # FindOpenGL sets variables only, and there is no freeglut to find. The targets that the
  # programs link stand for them here, with the compatibility shim of web_gl.h:
  # - LEGACY_GL_EMULATION: the fixed-function pipeline and immediate mode over WebGL;
  # - GL_TESTING, whose one effect is WebGL's preserveDrawingBuffer: the colour, depth
  #   and stencil buffers stay from one frame to the next, as a desktop window's do. The
  #   cockpit masks each frame with the stencil values that its previous frame left, and
  #   WebGL otherwise clears them after every frame;
  # - EXIT_RUNTIME: exit() shuts the program down (see web_glut.js).
  add_library(web_gl STATIC ${CMAKE_CURRENT_LIST_DIR}/web_gl.cpp)
  target_include_directories(web_gl PUBLIC ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(web_gl PRIVATE vecmath::vecmath)
  target_compile_options(web_gl PRIVATE ${VECMATH_WARNING_OPTIONS})
  target_link_options(web_gl INTERFACE -sLEGACY_GL_EMULATION=1 -sGL_TESTING=1
    -sEXIT_RUNTIME=1 -lglut "SHELL:--js-library ${CMAKE_CURRENT_LIST_DIR}/web_glut.js")
  set_property(TARGET web_gl APPEND PROPERTY
    INTERFACE_LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/web_glut.js)

  add_library(OpenGL::GL INTERFACE IMPORTED)
  set_target_properties(OpenGL::GL PROPERTIES INTERFACE_LINK_LIBRARIES web_gl)
  add_library(OpenGL::GLU INTERFACE IMPORTED)
  add_library(glut_libraries INTERFACE)
  target_link_libraries(glut_libraries INTERFACE web_gl)
endif()
