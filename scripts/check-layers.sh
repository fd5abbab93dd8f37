#!/usr/bin/env bash
# Checks the include direction between the folders of src/ (see ARCHITECTURE.md):
#   - a core folder src/<s>/ includes only from itself and the layers below it (table below);
#   - a window folder src/<s>/ui/ also from base/ui and from the ui folders of those layers;
#   - only window folders include Qt; a print folder src/<s>/print/ includes Qt GUI but no
#     widgets (it serves the command-line tool too), and only window and print folders
#     include it; nothing but app/ includes from app/.
# A folder missing from the table fails the check: a new subsystem takes its place in it.
# Exit status 0 when every include goes the right way, 1 otherwise (each fault is printed).
set -uo pipefail
cd "$(dirname "$0")/.."

# Layer -> the layers it may include from (besides itself). Lower layers first.
declare -A BELOW=(
  [base]=""
  [link]="base"
  [catalog]="base"
  [records]="base catalog"
  [document]="base catalog records"
  [receiver]="base link catalog records document"
  [views]="base catalog records document"
  [online]="base link catalog records document receiver views"
  [monitoring]="base link catalog records document receiver views online"
  [site]="base link catalog records document receiver"
  [bridge]="base link catalog records document receiver views online monitoring"
  [app]="base link catalog records document receiver views online monitoring site bridge"
)
# Plain record types any layer above base may use, although their folder lies higher:
# the function table's rules work on a record (catalog -> records/Data.h).
VOCABULARY="records/Data.h"

faults=0
fault() {
  echo "layers: $1" >&2
  faults=$((faults + 1))
}

allowed() {  # layer included-path ui(0/1)
  local layer=$1 path=$2 ui=$3
  local top=${path%%/*}
  local rest=${path#*/}
  local target_ui=0
  [[ $rest == ui/* || $rest == print/* ]] && target_ui=1
  for v in $VOCABULARY; do [[ $path == "$v" ]] && return 0; done
  if [[ $top == base && $target_ui == 1 ]]; then
    [[ $ui == 1 ]]
    return
  fi
  if [[ $top == "$layer" ]]; then
    [[ $target_ui == 0 || $ui == 1 ]]
    return
  fi
  local b
  for b in ${BELOW[$layer]}; do
    if [[ $top == "$b" ]]; then
      [[ $target_ui == 0 || $ui == 1 ]]
      return
    fi
  done
  return 1
}

shopt -s nullglob
for dir in src/*/; do
  layer=$(basename "$dir")
  if [[ -z ${BELOW[$layer]+set} ]]; then
    fault "src/$layer/ has no place in the layer table of scripts/check-layers.sh"
    continue
  fi
done

while IFS= read -r file; do
  rel=${file#src/}
  layer=${rel%%/*}
  [[ -z ${BELOW[$layer]+set} ]] && continue
  ui=0
  print=0
  [[ ${rel#*/} == ui/* ]] && ui=1
  [[ ${rel#*/} == print/* ]] && ui=1 && print=1
  lineno=0
  while IFS= read -r line; do
    lineno=$((lineno + 1))
    [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+)[\"\>] ]] || continue
    kind=${BASH_REMATCH[1]}
    path=${BASH_REMATCH[2]}
    if [[ $kind == "<" ]]; then
      if [[ $ui == 0 && $path =~ ^Q ]]; then
        fault "$file:$lineno: Qt header <$path> outside a ui folder"
      elif [[ $print == 1 && $path =~ ^(QtWidgets|QApplication|QWidget|QDialog|QMainWindow|QPrintDialog|QPrintPreview) ]]; then
        fault "$file:$lineno: widget header <$path> in a print folder"
      fi
      continue
    fi
    top=${path%%/*}
    [[ $path == */* && -n ${BELOW[$top]+set} ]] || continue
    if ! allowed "$layer" "$path" "$ui"; then
      where=$layer
      [[ $ui == 1 ]] && where="$layer/ui"
      fault "$file:$lineno: $where may not include \"$path\""
    fi
  done <"$file"
done < <(find src -name '*.h' -o -name '*.cpp' | sort)

if [[ $faults -gt 0 ]]; then
  echo "layers: $faults include(s) go the wrong way" >&2
  exit 1
fi
echo "layers: ok"
