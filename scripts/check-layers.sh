#!/usr/bin/env bash
# Fails when a folder of src/ includes a folder above it, when export and import include each
# other, or when the core includes Qt. Lowest first; folders on one line stand side by side.
set -euo pipefail
cd "$(dirname "$0")/.."

level() {
  case "$1" in
    app) echo 0 ;;
    quickbooks) echo 1 ;;
    mapping) echo 2 ;;
    import | export) echo 3 ;;
    dialogs | reconcile | main_window) echo 4 ;;
    demo) echo 5 ;;
    gui | cli) echo 6 ;;
    *) echo "unknown folder src/$1: give it a level in scripts/check-layers.sh" >&2; echo 99 ;;
  esac
}
# Siblings of one level that must not include each other.
forbidden_pair() {
  case "$1>$2" in
    "import>export" | "export>import" | "gui>cli" | "cli>gui") return 0 ;;
  esac
  return 1
}

bad=0
while IFS=: read -r file _ include; do
  from=${file#src/}
  from=${from%%/*}
  to=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^/"]+)\/.*/\1/' <<<"$include")
  [ "$to" = "$include" ] && continue  # an include without a folder
  [ -d "src/$to" ] || continue
  [ "$from" = "$to" ] && continue
  if [ "$(level "$from")" -lt "$(level "$to")" ] || forbidden_pair "$from" "$to"; then
    echo "layer break: $file includes $to/ (${include##*include })"
    bad=1
  fi
done < <(grep -rn --include='*.h' --include='*.cpp' -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+"' src)

while IFS= read -r line; do
  echo "layer break: the core includes Qt: $line"
  bad=1
done < <(grep -rn --include='*.h' --include='*.cpp' -E '^[[:space:]]*#[[:space:]]*include[[:space:]]+<Q' src | grep -v '^src/gui/' || true)

if [ "$bad" = 0 ]; then echo "every include of src/ runs from a higher folder to a lower one"; fi
exit "$bad"
