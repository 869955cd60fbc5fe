#!/usr/bin/env bash
# Dependencies point one way: plataforma -> db -> engine -> {errors, handlers} -> agente ->
# {shell, monitor} -> envioauto. Fails on any include that reaches a layer above (or beside)
# its own; the main window in shell/ opens the monitoring windows, so shell may include
# monitor/. plataforma/, the platform layer, is below everything and includes nothing of
# the project.
cd "$(dirname "$0")/.." || exit 2
declare -A permitidos=(
  [plataforma]="plataforma"
  [db]="plataforma db"
  [engine]="plataforma db engine"
  [errors]="plataforma db engine errors"
  [handlers]="plataforma db engine handlers"
  [agente]="plataforma db engine errors handlers agente"
  [shell]="plataforma db engine errors handlers agente shell monitor"
  [monitor]="plataforma db engine errors handlers agente monitor"
)
fallos=0
for capa in "${!permitidos[@]}"; do
  [ -d "$capa" ] || continue
  while IFS= read -r linea; do
    archivo=${linea%%:*}
    destino=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$linea")
    case " ${permitidos[$capa]} " in
      *" $destino "*) ;;
      *) echo "$archivo incluye $destino/, una capa que no le corresponde"; fallos=1 ;;
    esac
  done < <(grep -rn --include='*.h' --include='*.cpp' -E '#include "[a-z]+/' "$capa")
done
exit $fallos
