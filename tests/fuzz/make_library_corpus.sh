#!/bin/sh
# Regenerates the seed corpus of the library target with slitool: make_library_corpus.sh SLITOOL
set -eu
tool=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$(cd "$(dirname "$0")" && pwd)/corpus/library
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf 'abc' >abc.bmp
printf 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' >run.bmp
awk 'BEGIN { srand(3); for (i = 0; i < 1500; i++) printf "%c", 65 + int(rand() * 40) }' >noise.bmp
"$tool" pack one.sli ok:abc.bmp
"$tool" pack two.sli ok:abc.bmp run.bmp
"$tool" pack restart.sli spin:noise.bmp
printf 'ZELT\000\000' >empty.sli
mkdir -p "$out"
cp one.sli two.sli restart.sli empty.sli "$out"/
