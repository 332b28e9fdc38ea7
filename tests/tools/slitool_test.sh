#!/bin/sh
# Runs slitool the way a user does: slitool_test.sh SLITOOL CASE. Fails with a line saying why.
set -u
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

die() { echo "FAIL: $*" >&2; exit 1; }
# expect CODE STDERR-TEXT command...: the exit code and the exact stderr of one run.
expect() {
  code=$1 text=$2; shift 2
  "$@" >out.txt 2>err.txt
  got=$?
  [ "$got" -eq "$code" ] || die "$* exited $got, expected $code; stderr: $(cat err.txt)"
  [ "$(cat err.txt)" = "$text" ] || die "$* wrote to stderr: '$(cat err.txt)', expected '$text'"
}

printf 'BM first picture' >one.bmp
head -c 5000 /dev/urandom >noise.bmp
mkdir -p pics && printf 'BM in a folder %.0s' $(seq 1 200) >pics/ok1.bmp

case $2 in
pack_list_unpack)
  expect 0 "" "$tool" pack lib.sli one.bmp ok:pics/ok1.bmp
  expect 0 "" "$tool" pack lib.sli noise.bmp
  expect 0 "" "$tool" list lib.sli
  [ "$(awk -F'\t' 'NF != 3 || $3 !~ /^[0-9]+$/' out.txt)" = "" ] || die "list lines: $(cat out.txt)"
  [ "$(cut -f1,2 out.txt | tr '\t\n' ' ')" = "one.bmp 16 ok:ok1.bmp 3000 noise.bmp 5000 " ] ||
    die "list: $(cat out.txt)"
  expect 0 "" "$tool" unpack lib.sli out
  cmp one.bmp out/one.bmp && cmp pics/ok1.bmp out/ok/ok1.bmp && cmp noise.bmp out/noise.bmp ||
    die "unpacked files differ"
  [ ! -e slitemp.000 ] && [ ! -e lib.sli.slitool-new ] || die "a temporary file was left behind"
  ;;
exit_codes)
  expect 1 "slitool: cannot open library none.sli" "$tool" list none.sli
  expect 1 "slitool: one.bmp is not an image library" "$tool" list one.bmp
  expect 1 "slitool: usage: slitool pack LIB FILE... | slitool list LIB | slitool unpack LIB DIR" "$tool" lst x
  expect 0 "" "$tool" pack lib.sli one.bmp
  cp lib.sli before.sli
  expect 1 "slitool: cannot add missing.bmp; lib.sli is unchanged" "$tool" pack lib.sli noise.bmp missing.bmp
  cmp lib.sli before.sli || die "a failed pack changed the library"
  ;;
refused_name)
  long=$(LC_ALL=C tr -dc 'A-Za-z0-9' </dev/urandom | head -c 240)
  cp one.bmp "$long"
  expect 0 "" "$tool" pack lib.sli one.bmp
  cp lib.sli before.sli
  expect 1 "SLI: The name $long is too long for the library directory
slitool: cannot add $long; lib.sli is unchanged" "$tool" pack lib.sli noise.bmp "$long"
  cmp lib.sli before.sli || die "a refused name changed the library"
  ;;
escaping_names)
  expect 0 "" "$tool" pack lib.sli ..:one.bmp /tmp:one.bmp 'a\b:one.bmp' good:one.bmp
  expect 1 "slitool: refusing ..:one.bmp: it would be written outside out
slitool: refusing /tmp:one.bmp: it would be written outside out
slitool: refusing a\\b:one.bmp: it would be written outside out" "$tool" unpack lib.sli out
  [ -f out/good/one.bmp ] || die "the sound entry was not written"
  [ ! -e one.bmp.out ] && [ "$(find . -newer lib.sli -name one.bmp | grep -v '^./out/good/')" = "" ] ||
    die "an entry escaped the folder"
  ;;
damaged_library)
  expect 0 "" "$tool" pack lib.sli noise.bmp
  head -c 40 lib.sli >cut.sli
  expect 1 "SLI: Damaged library (cut.sli): the data of noise.bmp lies outside the file" "$tool" list cut.sli
  expect 1 "SLI: Damaged library (cut.sli): the data of noise.bmp lies outside the file" "$tool" unpack cut.sli out
  ;;
*) die "no case $2" ;;
esac
echo "ok: $2"
