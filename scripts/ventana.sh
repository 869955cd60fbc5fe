#!/usr/bin/env bash
# Builds the agent, creates the sample installation (companies 001 and 002 on the
# embedded engine) with a SERVIDORES.cfg that lists it, and opens the agent's window.
# Log in as SYSDBA (the embedded engine checks no password), choose company 001 and
# press "Enviar"; the buttons below open the event browsers and the settings editors.
source "$(dirname "${BASH_SOURCE[0]}")/comun.sh"

instalar "${PAQUETES[@]}"
compilar "$RAIZ/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DENVIOAUTO_TESTS=OFF

MUESTRA="$RAIZ/muestra"
"$RAIZ/build/envio_muestra" crear "$MUESTRA"
# The server list lives in the installation directory, beside the logs.
printf '%s\r\n' "$MUESTRA" > "$MUESTRA/logs/SERVIDORES.cfg"
echo "== Instalación de muestra en $MUESTRA. Usuario: SYSDBA, clave: masterkey, compañía: 001"
XDG_CONFIG_DIRS="$MUESTRA/xdg" exec "$RAIZ/build/envioauto"
