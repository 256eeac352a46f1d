#!/usr/bin/env bash
# The manual pages render without a warning (as groff and as man-db, which
# lintian uses, see them) and each tabloom page names every option that
# tabloom --help lists.
# Usage: check-man-pages.sh BUILD_DIR
set -euo pipefail
build=$1
man_dir=$(cd "$(dirname "$0")/../../data/man" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

options=$(LC_ALL=C "$build/tabloom" --help | sed -nE 's/^  (-{1,2}[a-z]+=?).*/\1/p')
[ "$(wc -l <<<"$options")" -ge 10 ] || fail "tabloom --help lists too few options: $options"

for page in tabloom.1 velmora.1 ja/tabloom.1 ja/velmora.1; do
  warnings=$(groff -k -Tutf8 -ww -z -man "$man_dir/$page" 2>&1)
  [ -z "$warnings" ] || fail "groff on $page: $warnings"
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$man_dir/$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man on $page: $warnings"
  case $page in
  */tabloom.1 | tabloom.1)
    text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$man_dir/$page" 2>/dev/null)
    while IFS= read -r option; do
      if [[ $option == *= ]]; then
        grep -qF -- "$option" <<<"$text" || fail "$page does not name $option"
      else
        grep -qwF -- "$option" <<<"$text" || fail "$page does not name $option"
      fi
    done <<<"$options"
    ;;
  esac
done
echo "manual pages: clean, every option of --help named"
