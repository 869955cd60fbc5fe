#!/usr/bin/env bash
# Builds the agent, creates a sample installation on the embedded engine (companies
# 001 and 002 that replicate with each other) and runs one unattended cycle of
# company 001's agent, then shows what happened.
source "$(dirname "${BASH_SOURCE[0]}")/comun.sh"

instalar "${PAQUETES[@]}"
compilar "$RAIZ/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENVIOAUTO_TESTS=OFF

MUESTRA="$RAIZ/muestra"
"$RAIZ/build/envio_muestra" crear "$MUESTRA"
echo "== Instalación de muestra en $MUESTRA; el agente de la compañía 001 hace un ciclo:"
set +e
XDG_CONFIG_DIRS="$MUESTRA/xdg" "$RAIZ/build/envioauto" "$MUESTRA" SYSDBA masterkey 001 --once
rc=$?
set -e
echo "== El agente terminó con código $rc"
"$RAIZ/build/envio_muestra" mostrar "$MUESTRA"
exit $rc
