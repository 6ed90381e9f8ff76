# The browser build (scripts/build-web.sh, with Emscripten's toolchain file): the demo's library
# with src/platform/web/ and posix/ as its system, against the libraries that scripts/build-web-deps.sh
# builds into NERETHVAL_WEB_DEPS. The content comes from a native build, in packs of its own.
set(NERETHVAL_WEB_DEPS "" CACHE PATH "the prefix scripts/build-web-deps.sh prints")
list(APPEND CMAKE_FIND_ROOT_PATH ${NERETHVAL_WEB_DEPS})
set(SFML_STATIC_LIBRARIES TRUE)
set(SFML_DIR ${NERETHVAL_WEB_DEPS}/lib/cmake/SFML)
find_package(SFML 2.5 COMPONENTS graphics window system REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(OPENMPT REQUIRED IMPORTED_TARGET libopenmpt)
pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(DEFLATE REQUIRED IMPORTED_TARGET libdeflate)
find_package(PNG REQUIRED)

# libopenmpt reports failures by exceptions, and is built to catch them.
set(WEB_EXCEPTIONS "SHELL:-s DISABLE_EXCEPTION_CATCHING=0")
add_compile_options(${WEB_EXCEPTIONS})

add_demo_core(src/platform/web src/platform/posix)
target_link_libraries(nerethval_core PUBLIC sfml-graphics sfml-window sfml-system
  PkgConfig::OPENMPT PkgConfig::MPG123 PkgConfig::DEFLATE PNG::PNG)

add_executable(nerethval src/web/page_module.cpp)
target_link_libraries(nerethval PRIVATE nerethval_core)
# WebGL 2 under the fixed-function emulation; the page defines Module and loads the content packs
# (which need the file system's runtime calls) before this module.
target_link_options(nerethval PRIVATE ${WEB_EXCEPTIONS} -lopenal
  "SHELL:-s LEGACY_GL_EMULATION=1" "SHELL:-s MIN_WEBGL_VERSION=2" "SHELL:-s MAX_WEBGL_VERSION=2"
  "SHELL:-s ALLOW_MEMORY_GROWTH=1" "SHELL:-s INITIAL_MEMORY=64MB" "SHELL:-s FORCE_FILESYSTEM=1"
  "SHELL:-s ENVIRONMENT=web" "SHELL:-s EXPORTED_RUNTIME_METHODS=['ccall','cwrap','HEAPU8']")
