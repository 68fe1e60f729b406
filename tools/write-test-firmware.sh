#!/usr/bin/env bash
# Writes a three-image firmware file for the measuring scripts: three images of
# BLOCKS full blocks of random bytes each, then the 32-byte trailer (maker
# word, the three lengths, marker 03 20, versions 1.005 / 2.010).
#
#   tools/write-test-firmware.sh BLOCKS OUT.3plov
set -euo pipefail
blocks=$1
out=$2

le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }

length=$((blocks * 1056))
{
  head -c $((3 * length)) /dev/urandom
  printf 'tuvik\xEE\xEE\xEE'
  le32 $length; le32 $length; le32 $length
  printf '\xEE\xEE\xEE\xEE\xEE\xEE\x03\x20\x01\x05\x02\x0A'
} > "$out"
