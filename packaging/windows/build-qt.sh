#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Qt for 64-bit Windows from Debian's own qtbase source package, once:
#   build-qt.sh PREFIX
# installs it into PREFIX. The source is the same Qt version as the host's
# qt6-base-dev, whose moc, rcc and uic the cross build uses. Everything the
# program does not use is left out, and the third-party libraries Qt needs
# are its bundled ones, so that nothing beyond MinGW's own run time is needed.
set -euo pipefail
prefix=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
toolchain=$prefix/mingw-toolchain.cmake
[ -f "$toolchain" ] || cp "$here/toolchain.cmake" "$toolchain"
# The work folder is kept until Qt is installed: a build that was cut short
# goes on from where it stopped.
work=$prefix.work
mkdir -p "$work"
cd "$work"
src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
if [ -z "$src" ]; then
    # apt-get source as root warns that it cannot drop privileges; harmless.
    apt-get source -qq --only-source "qt6-base=$version" >source.log 2>&1 || { cat source.log; exit 1; }
    src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
fi
[ -n "$src" ] || { echo "apt-get source gave no qt6-base directory" >&2; exit 1; }

options=(
    -G Ninja
    -DCMAKE_TOOLCHAIN_FILE="$toolchain"
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX="$prefix"
    -DBUILD_SHARED_LIBS=ON
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
    # What the program does not use. OpenGL and Direct2D stay: Qt 6.4.2's
    # windows platform plugin does not build without OpenGL (it is loaded at
    # run time only, so it costs nothing where it is not used), and without
    # Direct2D it does not link (its DirectWrite font database is built only
    # with Direct2D).
    -DFEATURE_vulkan=OFF -DFEATURE_dbus=OFF -DFEATURE_icu=OFF
    -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF
    -DFEATURE_printsupport=OFF -DFEATURE_freetype=OFF -DFEATURE_fontconfig=OFF
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF
    # The Direct2D platform plugin (a second build of the windows plugin's
    # sources, 59 of Qt's 1,064 build steps) is not installed with the program.
    -DFEATURE_direct2d1_1=OFF
    # Widgets and documents the program never shows or writes.
    -DFEATURE_pdf=OFF -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
    -DFEATURE_movie=OFF
    -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_calendarwidget=OFF -DFEATURE_datetimeedit=OFF
    -DFEATURE_wizard=OFF -DFEATURE_colordialog=OFF -DFEATURE_fontdialog=OFF -DFEATURE_undoview=OFF
    -DFEATURE_dial=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_splashscreen=OFF -DFEATURE_keysequenceedit=OFF
    -DFEATURE_columnview=OFF
    # Debian's +dfsg source has no src/3rdparty/wintab, which tablet events need.
    -DFEATURE_tabletevent=OFF
    # Bundled third-party libraries.
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
)
[ -f build/build.ninja ] || cmake -S "$src" -B build "${options[@]}" >configure.log 2>&1 || { tail -n 60 configure.log; exit 1; }
# A few more compilers than cores keep every core busy while one waits on the
# disk; on a machine busy with other work, the build gets about one core
# whatever their number (each session is scheduled as a group).
cmake --build build -j"${QUINMARE_QT_JOBS:-$(($(nproc) + 2))}" >build.log 2>&1 ||
    { tail -n 20 build.log; echo '...'; grep -E -A3 'error|FAILED' build.log | head -n 40; exit 1; }
cmake --install build >install.log 2>&1 || { tail -n 40 install.log; exit 1; }
# Qt's own Japanese texts (the text boxes' menu), from Debian's catalogues.
mkdir -p "$prefix/translations"
cp /usr/share/qt6/translations/qtbase_ja.qm "$prefix/translations/"
rm -rf "$work"
