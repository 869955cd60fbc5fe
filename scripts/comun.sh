# Shared by the README's commands: installs what is missing and builds.
set -euo pipefail

PAQUETES=(cmake g++ make pkg-config qt6-base-dev firebird-dev libfbclient2 firebird3.0-server-core
          libgtest-dev)

instalar() {
  local faltan=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
  done
  if [ ${#faltan[@]} -gt 0 ]; then
    echo "Instalando: ${faltan[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${faltan[@]}"
  fi
}

# compilar DIRECTORIO [opciones de cmake...]
compilar() {
  local dir=$1
  shift
  cmake -S "$RAIZ" -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

RAIZ=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
