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
cut_in_last_entry)
  # A download cut in the middle of the last entry's data: the others are listed and unpacked.
  expect 0 "" "$tool" pack lib.sli one.bmp ok:pics/ok1.bmp noise.bmp
  packed=$("$tool" list lib.sli | awk -F'\t' '$1 == "noise.bmp" { print $3 }')
  head -c $(($(wc -c <lib.sli) - packed / 2)) lib.sli >cut.sli
  damage="SLI: Damaged library (cut.sli): the data of noise.bmp lies outside the file"
  expect 1 "$damage" "$tool" list cut.sli
  [ "$(cut -f1 out.txt | tr '\n' ' ')" = "one.bmp ok:ok1.bmp noise.bmp " ] || die "list: $(cat out.txt)"
  expect 1 "$damage" "$tool" unpack cut.sli out
  cmp one.bmp out/one.bmp && cmp pics/ok1.bmp out/ok/ok1.bmp || die "intact entries differ"
  [ ! -e out/noise.bmp ] || die "the damaged entry was written"
  expect 1 "$damage" "$tool" pack cut.sli one.bmp
  ;;
size_past_end)
  # The last record's packed size (at 4 in its record, after the first record of 14 + P bytes)
  # claims 1 MB: the entry is named, the first one still unpacks.
  expect 0 "" "$tool" pack lib.sli one.bmp noise.bmp
  first_name=$(od -An -tu1 -j18 -N1 lib.sli | tr -d ' ')
  printf '\000\000\020\000' | dd of=lib.sli bs=1 seek=$((6 + 14 + first_name + 4)) conv=notrunc 2>/dev/null
  damage="SLI: Damaged library (lib.sli): the data of noise.bmp lies outside the file"
  expect 1 "$damage" "$tool" list lib.sli
  [ "$(cut -f1,3 out.txt | tail -n 1 | tr '\t' ' ')" = "noise.bmp 1048576" ] || die "list: $(cat out.txt)"
  expect 1 "$damage" "$tool" unpack lib.sli out
  cmp one.bmp out/one.bmp || die "the intact entry differs"
  [ ! -e out/noise.bmp ] || die "the damaged entry was written"
  ;;
directory_cut)
  # Cut inside the second directory record: the first record is kept, but its data went with
  # the cut; a directory that claims a record more than it holds keeps the intact entry before.
  expect 0 "" "$tool" pack lib.sli one.bmp noise.bmp
  first_name=$(od -An -tu1 -j18 -N1 lib.sli | tr -d ' ')
  head -c $((6 + 14 + first_name + 5)) lib.sli >cut.sli
  damage="SLI: Damaged library (cut.sli): the data of one.bmp lies outside the file
SLI: Damaged library (cut.sli): the directory ends early"
  expect 1 "$damage" "$tool" list cut.sli
  [ "$(cut -f1 out.txt)" = "one.bmp" ] || die "list: $(cat out.txt)"
  expect 1 "$damage" "$tool" unpack cut.sli out
  [ ! -e out ] || die "unpack wrote $(find out)"
  printf 'BM' >tiny.bmp  # its 3 packed bytes cannot hold another record
  expect 0 "" "$tool" pack more.sli tiny.bmp
  printf '\002' | dd of=more.sli bs=1 seek=4 conv=notrunc 2>/dev/null
  expect 1 "SLI: Damaged library (more.sli): the directory ends early" "$tool" unpack more.sli out
  cmp tiny.bmp out/tiny.bmp || die "the entry before the cut differs"
  ;;
*) die "no case $2" ;;
esac
echo "ok: $2"
