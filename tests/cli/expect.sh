#!/bin/sh
# expect.sh STATUS PATTERN [NOT-PATTERN] -- COMMAND...
# Runs COMMAND in a fresh folder and passes when it exits with STATUS and its output (standard
# output and error together) has a line matching the extended regular expression PATTERN (and,
# when given, none matching NOT-PATTERN).
status=$1; pattern=$2; shift 2
notpattern=
if [ "$1" != "--" ]; then notpattern=$1; shift; fi
shift
dir=$(mktemp -d) || exit 1
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
"$@" > out.txt 2>&1
got=$?
cat out.txt
if [ "$got" -ne "$status" ]; then
  echo "expect.sh: exit status $got, wanted $status" >&2
  exit 1
fi
if ! grep -Eq -- "$pattern" out.txt; then
  echo "expect.sh: no line matches: $pattern" >&2
  exit 1
fi
if [ -n "$notpattern" ] && grep -Eq -- "$notpattern" out.txt; then
  echo "expect.sh: a line matches: $notpattern" >&2
  exit 1
fi
exit 0
