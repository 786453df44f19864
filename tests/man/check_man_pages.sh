#!/bin/sh
# Checks of the manual pages.
#   check_man_pages.sh render PAGE...
#       formats each page as man(1) shows it and fails on any groff or man warning; exits 77
#       (skipped) when man is not installed.
#   check_man_pages.sh options PAGE=PROGRAM...
#       every long option in PROGRAM --help must appear in PAGE, so a page cannot fall behind
#       its program.
set -u

mode=${1:-}
[ $# -gt 0 ] && shift
failed=0

case "$mode" in
render)
  if ! command -v man >/dev/null 2>&1; then
    echo "man is not installed: the pages are not rendered"
    exit 77
  fi
  for page in "$@"; do
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    status=$?
    if [ $status -ne 0 ] || [ -n "$warnings" ]; then
      echo "FAIL: $page (man exit status $status)"
      [ -n "$warnings" ] && printf '%s\n' "$warnings"
      failed=1
    fi
  done
  ;;
options)
  for pair in "$@"; do
    page=${pair%%=*}
    program=${pair#*=}
    # The desktop program needs no display to print its help.
    help=$(QT_QPA_PLATFORM=offscreen "$program" --help 2>/dev/null)
    if [ $? -ne 0 ] || [ -z "$help" ]; then
      echo "FAIL: $program --help printed nothing or failed"
      failed=1
      continue
    fi
    # The page's text with roff's escaped hyphens as typed.
    text=$(sed 's/\\-/-/g' "$page")
    for option in $(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
      if ! printf '%s\n' "$text" | grep -q -- "$option\([^a-z0-9-]\|\$\)"; then
        echo "FAIL: $page does not describe $option of $(basename "$program")"
        failed=1
      fi
    done
  done
  ;;
*)
  echo "usage: $0 render PAGE... | options PAGE=PROGRAM..." >&2
  exit 2
  ;;
esac
exit $failed
