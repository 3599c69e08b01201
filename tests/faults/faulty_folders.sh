#!/usr/bin/env bash
# Runs the save tests that need a folder with no room left and a folder that cannot be written:
# two small tmpfs mounts, the second made read-only and writable again when the test asks.
# Where this machine does not allow mounting, the tests run all the same and skip themselves.
# (Wine does not pass variables whose names begin with VK_ on to Windows programs.)
set -uo pipefail
tests=$1
wine_exec=$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/wine-exec
base=$(mktemp -d)
full=$base/full readonly=$base/readonly control=$base/control
mkdir -p "$full" "$readonly" "$control"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
mounted=()
cleanup() {
  kill "${watcher:-}" 2>/dev/null || true
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null || true; done
  rm -rf "$base"
}
trap cleanup EXIT

if mount -t tmpfs -o size=256k tmpfs "$full" 2>/dev/null; then
  mounted+=("$full")
  export VELLUMKEEP_FULL_FOLDER
  VELLUMKEEP_FULL_FOLDER=$(windows_path "$full")
fi
if mount -t tmpfs -o size=1m tmpfs "$readonly" 2>/dev/null; then
  mounted+=("$readonly")
  export VELLUMKEEP_READONLY_FOLDER VELLUMKEEP_FAULT_CONTROL
  VELLUMKEEP_READONLY_FOLDER=$(windows_path "$readonly")
  VELLUMKEEP_FAULT_CONTROL=$(windows_path "$control")
  # Answers the test's requests to change the folder.
  (
    while :; do
      if [ -e "$control/make-readonly" ]; then
        rm -f "$control/make-readonly"
        mount -o remount,ro "$readonly" && touch "$control/readonly"
      fi
      if [ -e "$control/make-writable" ]; then
        rm -f "$control/make-writable"
        mount -o remount,rw "$readonly" && touch "$control/writable"
      fi
      sleep 0.05
    done
  ) &
  watcher=$!
fi
[ ${#mounted[@]} -eq 2 ] || echo "Mounting a small tmpfs is not allowed here: the full-disk and read-only folder tests skip."
"$wine_exec" "$tests" --gtest_filter='SaveFaultTest.AFull*:SaveFaultTest.AFolder*'
