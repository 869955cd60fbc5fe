#!/usr/bin/env bash
# Every C++ source of the project follows the repository's .clang-format: prints what
# clang-format would change and fails when any file differs. Build directories (build*
# at the top) are not the project's sources and are skipped.
cd "$(dirname "$0")/.." || exit 2
formateador=${CLANG_FORMAT:-clang-format}
if ! command -v "$formateador" >/dev/null; then
  echo "No se encuentra $formateador: no se puede revisar el formato del código"
  exit 1
fi
mapfile -d '' archivos < <(find . -path './build*' -prune -o -path ./.git -prune -o \
  -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ ${#archivos[@]} -eq 0 ]; then
  echo "No se encontró ningún archivo de C++ que revisar"
  exit 1
fi
"$formateador" --dry-run -Werror "${archivos[@]}"
