#!/usr/bin/env bash
# Drives the bash completion in an interactive bash, as readline would call
# it (with "=" among the word breaks): the options are those of
# tabloom --help, the charsets come with their names, and files are
# filtered by kind.
# Usage: check-completion.sh BUILD_DIR
set -euo pipefail
build=$1
script=$(cd "$(dirname "$0")/../../data/completion" && pwd)/tabloom
loader=/usr/share/bash-completion/bash_completion
[ -f "$loader" ] || { echo "bash-completion is not installed"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$scratch/work/sub dir"
touch "$scratch/work/"{card.html,page.HTM,notes.txt,book.xlsx,macro.xlsm,sheet.ods,OLD.XLS,data.csv,job.tbm,image.png}
touch "$scratch/work/my book.xlsx"

# One line per candidate, sorted, for the command line given as readline's words.
driver='
COMP_WORDBREAKS=$'"'"' \t\n"\'"'"'><=;|&(:'"'"'
source "$1"
source "$2"
complete -p tabloom | grep -q -- "-F _comp_tabloom tabloom$" || { echo "not registered"; exit 1; }
shift 2
COMP_WORDS=("$@")
COMP_CWORD=$(($# - 1))
COMP_LINE=$1
for ((i = 1; i < $#; i++)); do
  if [[ ${COMP_WORDS[i]} == = || ${COMP_WORDS[i-1]} == = ]]; then COMP_LINE+=${COMP_WORDS[i]}; else COMP_LINE+=" ${COMP_WORDS[i]}"; fi
done
COMP_POINT=${#COMP_LINE}
COMPREPLY=()
_comp_tabloom tabloom "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
printf "%s\n" "${COMPREPLY[@]}" | LC_ALL=C sort
'
offered() {
  (cd "$scratch/work" && HOME="$scratch" bash --norc --noprofile -i -c "$driver" complete "$loader" "$script" "$@" 2>/dev/null)
}

options=$(LC_ALL=C "$build/tabloom" --help | sed -nE 's/^  (-{1,2}[a-z]+=?).*/\1/p' | LC_ALL=C sort)
[ "$(offered tabloom -)" = "$options" ] || fail "options: $(offered tabloom -) instead of $options"

check() {
  local want=$1
  shift
  local got
  got=$(offered "$@")
  [ "$got" = "$(printf '%b' "$want")" ] || fail "tabloom ${*:2}: got [$got] want [$(printf '%b' "$want")]"
}
# want (lines joined by \n) | the words of the line, the last being completed
check '--check'                                     tabloom --c
check '--page='                                     tabloom -x=a --pa
check 'card.html\nnotes.txt\npage.HTM\nsub dir'     tabloom -t = ''
check 'OLD.XLS\nbook.xlsx\ndata.csv\nmacro.xlsm\nmy book.xlsx\nnotes.txt\nsheet.ods\nsub dir' tabloom -x = ''
check 'my book.xlsx'                                tabloom -x = my
check 'sub dir'                                     tabloom -a -d = ''
check '0 (Shift_JIS)\n1 (UTF-8)\n2 (EUC-JP)'        tabloom -te = ''
check '1'                                           tabloom -x=a -de = 1
check ''                                            tabloom -te = 7
check 'job.tbm\nsub dir'                            tabloom ''
echo "completion: options, charsets and file kinds as expected"
