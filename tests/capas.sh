#!/usr/bin/env bash
# Dependencies point one way: db -> engine -> {errors, handlers} -> agente -> {shell, monitor}
# -> envioauto. Fails on any include that reaches a layer above (or beside) its own; the
# main window in shell/ opens the monitoring windows, so shell may include monitor/.
cd "$(dirname "$0")/.." || exit 2
declare -A permitidos=(
  [db]="db"
  [engine]="db engine"
  [errors]="db engine errors"
  [handlers]="db engine handlers"
  [agente]="db engine errors handlers agente"
  [shell]="db engine errors handlers agente shell monitor"
  [monitor]="db engine errors handlers agente monitor"
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
