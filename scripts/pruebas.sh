#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer, starts a
# Firebird server on loopback for the end-to-end tests, and runs every test.
source "$(dirname "${BASH_SOURCE[0]}")/comun.sh"

instalar "${PAQUETES[@]}" firebird3.0-server firebird3.0-utils procps util-linux python3 clang-format \
  python3-xlrd python3-prometheus-client unrtf
compilar "$RAIZ/build-pruebas" -DCMAKE_BUILD_TYPE=Debug -DENVIOAUTO_SANITIZE=ON -DENVIOAUTO_WERROR=ON

# The end-to-end tests talk to a real server on loopback.
if ! pgrep -x firebird >/dev/null; then
  runuser -u firebird -- /usr/sbin/fbguard -daemon -forever
  for _ in $(seq 1 50); do
    (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null && break
    sleep 0.2
  done
fi
# shellcheck disable=SC1091
source /etc/firebird/3.0/SYSDBA.password
export ENVIO_E2E_SERVER=localhost ENVIO_E2E_USER="$ISC_USER" ENVIO_E2E_PASSWORD="$ISC_PASSWORD"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
# use_tls=0: LeakSanitizer's tracer of this compiler crashes ("Tracer caught signal 11")
# at random when it scans the threads' local storage in a process that ran the engine;
# memory held only there is suppressed in tests/lsan.supp.
export LSAN_OPTIONS=suppressions=$RAIZ/tests/lsan.supp:print_suppressions=0:use_tls=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
cd "$RAIZ/build-pruebas"
ctest --output-on-failure -j"$(nproc)" --timeout 900
