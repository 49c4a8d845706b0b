#!/usr/bin/env bash
# Fails when a source includes a library above its own, or a library links
# one that is not below it: every #include of a project header points to the
# same library or to one further down.
# The layers, bottom first; base/ holds the libraries that use nothing above
# the host, in their own order.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(platform base/diagnostics base/strlib base/accounting fsutil cache driver)

# The layer number of a path below src/ (a source file or an include), or -1.
layer_of() {
  local i
  for i in "${!layers[@]}"; do
    case "$1" in "${layers[$i]}"/*) echo "$i"; return ;; esac
  done
  echo -1
}

# file:line:included path, for every project include of a directory.
includes_of() {
  grep -rHn --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$@" |
    sed 's/^\([^:]*\):\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2:\3/'
}

faults=0
while IFS=: read -r file line target; do
  own=$(layer_of "${file#src/}")
  used=$(layer_of "$target")
  if [ "$own" -lt 0 ]; then
    echo "$file: in no layer"
    faults=$((faults + 1))
  elif [ "$used" -gt "$own" ]; then
    echo "$file:$line: includes $target, a layer above ${layers[$own]}"
    faults=$((faults + 1))
  fi
done < <(includes_of src)

# The host stand-ins in tools/ stand beside zeb_c and use only the host layer.
while IFS=: read -r file line target; do
  case "$target" in platform/*|gcc_arguments.h) ;; *)
    echo "$file:$line: tools use only the host layer, not $target"; faults=$((faults + 1)) ;;
  esac
done < <(includes_of tools)

# The libraries link the same way: each names in DEPENDS only libraries of
# lower layers (a library is named after its folder), so no link cycles.
while IFS= read -r list; do
  dir=${list#src/}
  dir=${dir%/CMakeLists.txt}
  own=$(layer_of "$dir/")
  for dependency in $(sed -n 's/.*zeb_add_subsystem([a-z_]* DEPENDS \([^)]*\)).*/\1/p' "$list"); do
    case "$dependency" in *::*) continue ;; esac
    for i in "${!layers[@]}"; do
      if [ "${layers[$i]##*/}" = "$dependency" ] && [ "$i" -ge "$own" ]; then
        echo "$list: $dir links $dependency, which is not below it"
        faults=$((faults + 1))
      fi
    done
  done
done < <(find src -name CMakeLists.txt | sort)

if [ "$faults" -ne 0 ]; then
  echo "$faults include(s) or link(s) point up the layers" >&2
  exit 1
fi
echo "includes and links point down: ${layers[*]}"
