#!/usr/bin/env bash
# Checks here, without Windows, what can be checked of the Windows build: cross-compiles for
# 64-bit Windows with Debian's MinGW-w64 everything below the windows that needs no Qt (the
# platform layer, db, engine, errors, handlers, agente, the command line and the sample's
# builder), links it against the Firebird client, and runs under wine the unit tests that
# need no database. Exits 0 only when every one of them passes.
#
# Only the Firebird headers reach the cross compiler (a copy of firebird/, ibase.h, iberror.h
# and ib_util.h; /usr/include itself would drag glibc in). The client is linked through an
# import library made here from the entry points the code calls (no Windows client is
# installed here); it is delay-loaded, so that programs that never attach start without
# fbclient.dll, as the unit tests do under wine.
source "$(dirname "${BASH_SOURCE[0]}")/comun.sh"

instalar cmake make g++-mingw-w64-x86-64-posix wine64 firebird-dev googletest

DIR="$RAIZ/build-windows"
FB="$DIR/firebird"
MINGW=x86_64-w64-mingw32

# The Firebird headers alone, for the cross compiler.
rm -rf "$FB"
mkdir -p "$FB/include" "$FB/lib"
cp -r /usr/include/firebird "$FB/include/"
cp /usr/include/ibase.h /usr/include/iberror.h /usr/include/ib_util.h "$FB/include/"

# The client's entry points the core calls: the OO API's master interface, and the
# SQLSTATE of an error's status vector.
cat >"$FB/fbclient.def" <<'DEF'
LIBRARY fbclient.dll
EXPORTS
  fb_get_master_interface
  fb_sqlstate
DEF
"$MINGW-dlltool" --input-def "$FB/fbclient.def" --output-delaylib "$FB/lib/libfbclient.a"

cmake -S "$RAIZ" -B "$DIR" -DCMAKE_TOOLCHAIN_FILE="$RAIZ/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Debug -DENVIOAUTO_QT=OFF -DENVIOAUTO_WERROR=ON \
  -DFIREBIRD_INCLUDE_DIR="$FB/include" -DFIREBIRD_LIBRARY="$FB/lib/libfbclient.a" \
  -DENVIOAUTO_GTEST_SOURCE=/usr/src/googletest >/dev/null
cmake --build "$DIR" -j"$(nproc)" --target envio_unidad envio_muestra

# The sample's builder holds the whole core: it linked, and it names the client's DLL.
textos=$("$MINGW-strings" "$DIR/envio_muestra.exe")
for nombre in fbclient.dll fb_get_master_interface; do
  if ! grep -qx "$nombre" <<<"$textos"; then
    echo "envio_muestra.exe no importa $nombre" >&2
    exit 1
  fi
done

# A wine prefix of the build's own; no .NET nor Gecko: nothing here needs them.
export WINEPREFIX="$DIR/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINE=$(command -v wine || echo /usr/lib/wine/wine64)
cd "$DIR"
# test_pasos.cpp also holds database tests (the Pasos fixture): no database here.
"$WINE" tests/envio_unidad.exe --gtest_filter=-Pasos.* </dev/null
