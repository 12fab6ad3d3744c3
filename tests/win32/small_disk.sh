#!/usr/bin/env bash
# Runs a command with a 1 MiB disk mapped as drive N: (a tmpfs, which needs root), for the
# tests of writes that fill the disk. Exit code 77 (skipped) where no such disk can be mounted.
#   small_disk.sh COMMAND [ARGUMENTS...]
set -euo pipefail

folder=$(mktemp -d)
if ! reason=$(mount -t tmpfs -o size=1m tmpfs "$folder" 2>&1); then
  rmdir "$folder"
  echo "skipped: cannot mount a small disk here: $reason"
  exit 77
fi
trap 'umount "$folder"; rmdir "$folder"' EXIT
WINE_RUN_DRIVES="n:=$folder" WIN32_TESTS_FULL_DRIVE=n: "$@"
