#!/bin/sh
# The command-line manners of `torvane` without a display: --version and --help on standard
# output with status 0, bad usage (also of --render) on standard error with status 2.
# Usage: sh program-usage.sh PATH/TO/torvane VERSION
set -u
program=$1
version=$2
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
failed=0
# expect STATUS STDOUT_START STDERR_GREP ARGS...: STDOUT_START "" means standard output is empty,
# STDERR_GREP "" means standard error is empty.
expect() {
  status=$1 stdout=$2 stderr=$3
  shift 3
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@" >"$out" 2>"$err"
  got=$?
  problem=""
  [ "$got" = "$status" ] || problem="status $got, not $status"
  if [ -z "$stdout" ]; then
    [ -s "$out" ] && problem="$problem; output on standard output"
  else
    [ "$(head -c "${#stdout}" "$out")" = "$stdout" ] ||
      problem="$problem; standard output: $(head -c 200 "$out")"
  fi
  if [ -z "$stderr" ]; then
    [ -s "$err" ] && problem="$problem; standard error: $(head -c 200 "$err")"
  else
    grep -q -- "$stderr" "$err" || problem="$problem; standard error lacks '$stderr'"
  fi
  if [ -n "$problem" ]; then
    echo "torvane $*: $problem" >&2
    failed=1
  fi
}
expect 0 "torvane $version" "" --version
[ "$(cat "$out")" = "torvane $version" ] || { echo "torvane --version: $(cat "$out")" >&2; failed=1; }
expect 0 "torvane $version" "" x.tvp --version
expect 0 "usage: torvane " "" --help
expect 0 "usage: torvane " "" -h
expect 2 "" "unknown option --bogus" --bogus
expect 2 "" "^usage: torvane " a.xml --bogus
expect 2 "" "--render must be the first" a.xml --render
expect 2 "" "--output must end in" --render a.xml --output a.gif
expect 2 "" "--output is required" --render a.xml
expect 1 "" "no display" a.xml
exit $failed
