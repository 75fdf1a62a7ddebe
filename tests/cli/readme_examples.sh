#!/bin/sh
# readme_examples.sh README SEIRAN_CLI
# Runs every seiran-cli example of README ("    $ build/bin/seiran-cli ...") in a fresh folder,
# in order (later examples may open what earlier ones saved), with the source tree's tests/ folder
# at hand. Each must exit with status 0, or
# with the status its following line announces ("      [exit status N]"), and print every output
# line README shows under it (lines "..." skipped; date and time stamps compared as a pattern).
readme=$1; cli=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
root=$(cd "$(dirname "$readme")" && pwd)
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
# Examples name files of the source tree as seen from its root.
ln -s "$root/tests" "$dir/tests"
# One file per example: the command, then the expected lines.
awk -v dir="$dir" '
  /^    \$ build\/bin\/seiran-cli / { n++; f = sprintf("%s/example%03d", dir, n);
                                      sub(/^    \$ build\/bin\/seiran-cli /, ""); print > (f ".cmd"); close(f ".cmd");
                                      printf "" > (f ".out"); inblock = 1; next }
  inblock && /^      / { line = $0; sub(/^      /, "", line); print line >> (f ".out"); next }
  { inblock = 0 }
' "$readme"
count=0; failed=0
cd "$dir" || exit 1
for cmd in example*.cmd; do
  [ -e "$cmd" ] || break
  count=$((count + 1))
  base=${cmd%.cmd}
  args=$(cat "$cmd")
  want=0
  if grep -q '^\[exit status [0-9]*\]$' "$base.out"; then
    want=$(sed -n 's/^\[exit status \([0-9]*\)\]$/\1/p' "$base.out")
  fi
  # The example's arguments are shell words, quoted as a user types them.
  eval "set -- $args"
  "$cli" "$@" > "$base.got" 2>&1
  status=$?
  if [ "$status" -ne "$want" ]; then
    echo "FAIL (exit status $status, wanted $want): seiran-cli $args"; cat "$base.got"; failed=$((failed + 1)); continue
  fi
  stamp='[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{1,2}:[0-9]{2}:[0-9]{2}'
  sed -E "s#$stamp#<time>#g" "$base.got" > "$base.norm"
  while IFS= read -r line; do
    case "$line" in ""|"..."|"[exit status "*) continue ;; esac
    norm=$(printf '%s\n' "$line" | sed -E "s#$stamp#<time>#g")
    if ! grep -qxF -- "$norm" "$base.norm"; then
      echo "FAIL (missing line '$line'): seiran-cli $args"; cat "$base.got"; failed=$((failed + 1)); break
    fi
  done < "$base.out"
done
echo "$count README examples run, $failed failed"
[ "$count" -gt 0 ] && [ "$failed" -eq 0 ]
