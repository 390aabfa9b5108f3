#!/usr/bin/env bash
# Copies an exe as another build of it: the same program with the next link
# stamp (the COFF header's TimeDateStamp), for the upgrade test.
#
#   restamp.sh IN OUT
set -eu -o pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 IN OUT" >&2
    exit 2
fi
in=$1 out=$2

# The PE header's offset is at 0x3c; the stamp 8 bytes into that header.
header=$(od -An -t u4 -j 60 -N 4 "$in" | tr -d ' ')
stamp=$(od -An -t u4 -j $((header + 8)) -N 4 "$in" | tr -d ' ')
next=$(((stamp + 1) & 0xffffffff))
bytes=$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' \
    $((next & 255)) $((next >> 8 & 255)) $((next >> 16 & 255)) $((next >> 24 & 255)))

mkdir -p "$(dirname "$out")"
cp "$in" "$out.part"
# shellcheck disable=SC2059 # the bytes are the format
printf "$bytes" | dd of="$out.part" bs=1 seek=$((header + 8)) conv=notrunc status=none
mv "$out.part" "$out"
