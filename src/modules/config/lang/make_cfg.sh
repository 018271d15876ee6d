#!/bin/sh
# Language file from its UTF-8 source: UTF-16LE with byte-order mark and
# CRLF line ends, as the Windows profile functions keep Unicode files.
#   make_cfg.sh SOURCE TARGET
set -e
printf '\377\376' > "$2.tmp"
sed 's/$/\r/' "$1" | iconv -f UTF-8 -t UTF-16LE >> "$2.tmp"
mv "$2.tmp" "$2"
