#!/usr/bin/env bash
# Builds a fuzz target with clang and runs it for a bounded time, one worker.
#   scripts/fuzz.sh [seconds=600] [target=workbook_reader] [libFuzzer options...]
# workbook_reader opens any bytes as a workbook file, seeded with the public
# test workbooks (.xls left out: those go through LibreOffice, seconds per
# input); ods_content takes the bytes as the content.xml of an .ods package,
# xlsx_sheet as the XML of one worksheet of an .xlsx package.
# template_parser, ini_document, project_file and integer_cell are seeded from
# the tests' own inputs and the example templates (tests/fuzz/seeds.py);
# velmora_task takes the bytes as velmora's task file, csv_reader as a CSV file.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
target=${2:-workbook_reader}
shift $(( $# < 2 ? $# : 2 ))

need=()
command -v clang++ >/dev/null || need+=(clang)
ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-14-dev)
if [ ${#need[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${need[@]}"
fi

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTABLOOM_FUZZ=ON -DTABLOOM_TESTS=OFF ${TABLOOM_FUZZ_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" --target "fuzz_$target" -j2

shared=${TABLOOM_SHARED_DIR:-../shared}/workbooks/public
corpus=$build/corpus-$target
artifacts=$build/artifacts-$target
mkdir -p "$corpus" "$artifacts"
case "$target" in
  workbook_reader)
    for f in "$shared"/*; do
      case "$f" in *.xls) ;; *) cp -n "$f" "$corpus/" ;; esac
    done
    # The public set has no CSV.
    printf 'a,b\r\n"x,""y""",2\r\n' > "$corpus/seed1.csv"
    printf '\xef\xbb\xbf\xe5\x90\x8d\xe5\x89\x8d,\xe5\x80\xa4\n"\n",\n' > "$corpus/seed2.csv"
    printf '\x93\xfa\x96\x7b,\x83\x5c\n' > "$corpus/seed3.csv"
    # Shift_JIS with quoted line breaks, UTF-16 with a byte-order mark (refused
    # as binary), a quoted field running to the end, and a lone CR record end.
    printf '"\x93\xfa\x96\x7b\r\n\x8c\xea",\x83\x5c\r\n"a""b",\r\n' > "$corpus/seed4.csv"
    printf '\xff\xfea\x00,\x00b\x00\r\x00\n\x00' > "$corpus/seed5.csv"
    printf 'x,"open\n,,\r' > "$corpus/seed6.csv"
    printf '1,2\r3,4\r\n"",\xef\xbb\xbf\n' > "$corpus/seed7.csv"
    ;;
  xlsx_sheet)
    for f in "$shared"/*.xlsx "$shared"/*.xlsm; do
      unzip -p "$f" xl/worksheets/sheet1.xml > "$corpus/$(basename "$f").xml" 2>/dev/null || true
      # The same tokenizer reads shared strings.
      unzip -p "$f" xl/sharedStrings.xml > "$corpus/$(basename "$f").strings.xml" 2>/dev/null || true
    done
    cp -n tests/fuzz/regressions/xlsx_sheet/* "$corpus/" 2>/dev/null || true
    ;;
  ods_content)
    for f in "$shared"/*.ods; do
      unzip -p "$f" content.xml > "$corpus/$(basename "$f" .ods).xml" 2>/dev/null || true
    done
    ;;
  template_parser|ini_document|project_file|integer_cell)
    python3 tests/fuzz/seeds.py "$target" "$corpus"
    # project_file writes its input file (atomically, synced) at every run.
    if [ "$target" = project_file ] && [ -d /dev/shm ]; then export TMPDIR=/dev/shm; fi
    ;;
  csv_reader)
    printf 'a,b\r\n"x,""y""",2\r\n' > "$corpus/seed1.csv"
    printf '\xef\xbb\xbf\xe5\x90\x8d\xe5\x89\x8d,\xe5\x80\xa4\n"\n",\n' > "$corpus/seed2.csv"
    printf '"\x93\xfa\x96\x7b\r\n\x8c\xea",\x83\x5c\r\n"a""b",\r\n' > "$corpus/seed3.csv"
    printf 'x,"open\n,,\r' > "$corpus/seed4.csv"
    # One row short of the grid's last, and a row of 16384 fields.
    head -c 1048575 /dev/zero | tr '\0' '\n' > "$corpus/seed5.csv"; printf 'last\nx\n' >> "$corpus/seed5.csv"
    head -c 16384 /dev/zero | tr '\0' ',' > "$corpus/seed6.csv"; printf 'x\n' >> "$corpus/seed6.csv"
    ;;
  velmora_task)
    printf '[EXT]\r\nEXT=.tbm\r\nCOMMAND="/bin/true" "%%1"\r\nFILE_TYPE=tabloom \xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83\xab\r\nICON_FILE=\r\n\r\n[TASK]\r\nCOMMAND=1\r\n' > "$corpus/register.ini"
    printf '[EXT]\r\nEXT=.tbm\r\n\r\n[TASK]\r\nCLOSE=1\r\nCOMMAND=2\r\n' > "$corpus/remove.ini"
    printf '[EXT]\nEXT=.x+y\nCOMMAND=/bin/true %%1\nFILE_TYPE=a&b<c>"d\x83\x74\n[TASK]\nCOMMAND=1\n' > "$corpus/sjis.ini"
    ;;
esac

# Inputs that once failed stay in the corpus.
if [ -d "tests/fuzz/regressions/$target" ]; then cp -n "tests/fuzz/regressions/$target"/* "$corpus/" 2>/dev/null || true; fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
"$build/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 \
  -max_len=1048576 -artifact_prefix="$artifacts/" "$@" "$corpus"
