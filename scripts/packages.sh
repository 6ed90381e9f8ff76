# The Debian 12 packages, sourced by the scripts that install them: what the demo needs to build
# its content and itself and to run (scripts/demo.sh), what the tests and tools add
# (scripts/setup.sh), and the Windows and web toolchains (scripts/build-windows.sh, build-web.sh).
demo_packages=(
  build-essential cmake pkg-config
  libsfml-dev libopenal-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libx11-dev libpng-dev
  libopenmpt-dev libmpg123-dev libdeflate-dev
  libmp3lame-dev libfreetype-dev fonts-yanone-kaffeesatz  # the content generator: soundtrack, captions' font
)
test_packages=(
  git libgtest-dev
  xvfb xauth xdotool openmpt123 mpg123 ffmpeg python3
  python3-numpy  # tools/sync/measure_soundtrack.py
  python3-pil  # tools/sync/measure_art.py, measure_sharpness.py
  dpkg-dev file  # cpack reads the .deb's dependencies with dpkg-shlibdeps
  clang-14 libclang-rt-14-dev llvm-14  # scripts/fuzz.sh: libFuzzer, the sanitizers, llvm-cov
  pulseaudio pulseaudio-utils  # tests/sound_server.sh: a private sound server to take away
)
windows_packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
  googletest zip unzip)
web_packages=(emscripten chromium chromium-headless-shell nodejs python3 patch xz-utils cmake pkg-config)
