#!/usr/bin/env bash
# Intel HEX and S-record files written by other tools (srec_cat, objcopy) load through
# tesmaro-cli convert to the same bytes, and the files tesmaro-cli writes read back to the same
# bytes in those tools.
# Usage: interop_convert.sh TESMARO_CLI. Exits 77 (skipped) when neither tool is installed.
set -euo pipefail
cli=$1

have_srec=0; have_objcopy=0
command -v srec_cat >/dev/null 2>&1 && have_srec=1
command -v objcopy >/dev/null 2>&1 && have_objcopy=1
if [ $have_srec -eq 0 ] && [ $have_objcopy -eq 0 ]; then
  echo "SKIPPED: neither srec_cat (Debian package srecord) nor objcopy (binutils) is installed"
  exit 77
fi
[ $have_srec -eq 1 ] || echo "note: srec_cat (Debian package srecord) not installed, its checks are skipped"
[ $have_objcopy -eq 1 ] || echo "note: objcopy (binutils) not installed, its checks are skipped"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cat > cat.ini <<'INI'
[Test]
type=1
T100=1,100,8,0,5
T64K=1,65536,32,0,5
T128K=1,131072,32,0,5
T1M=1,1048576,32,0,5
INI

failures=0
convert() { "$cli" --catalogue cat.ini --chip "$chip" convert "$@"; }
same() {  # same FILE1 FILE2 BYTES WHAT
  if cmp -s -n "$3" "$1" "$2" && [ "$(stat -c %s "$2")" -ge "$3" ]; then
    echo "ok   $chip: $4"
  else
    echo "FAIL $chip: $4"
    failures=$((failures + 1))
  fi
}

for entry in T100:100 T64K:65536 T128K:131072 T1M:1048576; do
  chip=${entry%%:*}
  size=${entry##*:}
  head -c "$size" /dev/urandom > image.bin
  convert image.bin tesmaro.hex
  convert image.bin tesmaro.srec

  if [ $have_srec -eq 1 ]; then
    srec_cat image.bin -binary -o srec.hex -intel
    convert srec.hex from-srec.bin
    same image.bin from-srec.bin "$size" "srec_cat's Intel HEX loads to the same bytes"
    srec_cat tesmaro.hex -intel -o srec-back.bin -binary
    same image.bin srec-back.bin "$size" "srec_cat reads Tesmaro's Intel HEX to the same bytes"
    srec_cat image.bin -binary -o srec.s19 -motorola
    convert srec.s19 from-srec-s.bin
    same image.bin from-srec-s.bin "$size" "srec_cat's S-records load to the same bytes"
    srec_cat tesmaro.srec -motorola -o srec-s-back.bin -binary
    same image.bin srec-s-back.bin "$size" "srec_cat reads Tesmaro's S-records to the same bytes"
  fi

  if [ $have_objcopy -eq 1 ]; then
    objcopy -I binary -O ihex image.bin objcopy.hex
    convert objcopy.hex from-objcopy.bin
    same image.bin from-objcopy.bin "$size" "objcopy's Intel HEX loads to the same bytes"
    objcopy -I ihex -O binary tesmaro.hex objcopy-back.bin
    same image.bin objcopy-back.bin "$size" "objcopy reads Tesmaro's Intel HEX to the same bytes"
    objcopy -I binary -O srec image.bin objcopy.srec
    convert objcopy.srec from-objcopy-s.bin
    same image.bin from-objcopy-s.bin "$size" "objcopy's S-records load to the same bytes"
    objcopy -I srec -O binary tesmaro.srec objcopy-s-back.bin
    same image.bin objcopy-s-back.bin "$size" "objcopy reads Tesmaro's S-records to the same bytes"
  fi
done

[ $failures -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
