#!/usr/bin/env bash
# The usbvm test as CTest runs it: fetch the guest kernel (cached), build the initramfs, boot the
# guest with the emulated programmer and let it run the programs through its HID stack.
# usage: run_guest_test.sh CACHE HARNESS EMULATOR MODEL DATA_FOLDER GUEST_TEST PROGRAM...
# Exit code 77 (skipped) when QEMU or the guest kernel can't be had.
set -uo pipefail

cache=$1 harness=$2 emulator=$3 model=$4 data_folder=$5 guest_test=$6
shift 6
here=$(cd "$(dirname "$0")" && pwd)
limit=${USBVM_TIMEOUT:-175}  # seconds for the whole test, inside CTest's own limit

qemu=$(command -v qemu-system-x86_64 || true)
if [ -z "$qemu" ]; then
  echo "usbvm: qemu-system-x86_64 is not installed (package qemu-system-x86): skipped"
  exit 77
fi

fetched=$("$here/fetch_guest_packages.sh" "$cache") || exit $?
kernel=$(sed -n 's/^KERNEL=//p' <<<"$fetched")
kernel_dir=$(sed -n 's/^KERNEL_DIR=//p' <<<"$fetched")
udevd=$(sed -n 's/^UDEVD=//p' <<<"$fetched")
echo "usbvm: guest kernel $kernel, udevd ${udevd:-none}"

work=$(mktemp -d /tmp/usbvm.XXXXXX)  # short: it holds the Unix sockets
trap 'rm -rf "$work"' EXIT
"$here/build_initramfs.sh" "$work/initrd" "$kernel_dir" "$udevd" "$guest_test" "$data_folder" "$@" || exit $?

emulator_args=(--model "$model")
[ "$model" = programmer ] && emulator_args+=(--image "$work/chip.bin")
"$harness" --qemu "$qemu" --kernel "$kernel" --initrd "$work/initrd" --device "$emulator" \
  --workdir "$work" --timeout $((limit - SECONDS)) --append "usbvm.model=$model" -- "${emulator_args[@]}"
