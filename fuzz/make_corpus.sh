#!/usr/bin/env bash
# Writes the page fuzzer's seed corpus into DIR: a filled-in form of every
# page, each field alone, values of 254 to 256 bytes (plain and escaped),
# whole queries of 2046 to 2049 bytes, and the escapes. Each query is
# written once for each first byte from 0 to 15, which picks the page (see
# libfuzzer_main.cpp), so every page of a table of up to 16 gets each seed.
#   fuzz/make_corpus.sh DIR
set -euo pipefail
dir=$1
mkdir -p "$dir"
n=0
seed() {
  local page
  for ((page = 0; page < 16; page++)); do
    {
      printf "\\x$(printf %02x "$page")"
      printf '%s' "$1"
    } >"$dir/seed-$(printf '%04d' "$n")-$page"
  done
  n=$((n + 1))
}
repeat() { # TEXT COUNT
  local out=
  for ((i = 0; i < $2; i++)); do out+=$1; done
  printf '%s' "$out"
}

fields=(date1 date2 miles1 miles2 bizmiles rate year html real imaginary root r
  length length_num length_den dimension month day s)
forms=(
  "date1=1/15/2021&date2=12/25/2021&miles1=100&miles2=250&bizmiles=40&rate=0.58&year=2024&html=1"
  "date1=2/29/2024&date2=3/1/2023&miles1=0&miles2=10&bizmiles=1&rate=1&year=1900"
  "real=1&imaginary=-1&root=3"
  "real=-8&imaginary=0&root=10001"
  "length=3&length_num=1&length_den=16&dimension=in"
  "length=7&dimension=%3Cb%3E"
  "year=2021&month=1&day=15"
  "r=hello+world"
  "r=AbC%41%2b-x"
  "r=darn"
  "s=../sources/across"
)
for form in "${forms[@]}"; do seed "$form"; done
for f in "${fields[@]}"; do
  seed "$f=1"
  seed "$f=%41+%"
  for len in 254 255 256; do
    seed "$f=$(repeat x "$len")"
    seed "$f=$(repeat %41 "$len")"
  done
done
# The guest book's word cut at 64 bytes, an escape split by the cut.
seed "r=$(repeat w 63)%41"
seed "r=$(repeat w 65)"
# Queries around the 2047 bytes that count.
for len in 2046 2047 2048 2049; do
  for f in date1 r real length year; do
    pad=$(repeat z $((len - ${#f} - 5)))
    seed "a=$pad&$f=1"
  done
done
for esc in % %4 %41 %zz %00 + %2B %25 "%" "a%" "%%41"; do seed "r=$esc&real=$esc"; done
