#!/usr/bin/env bash
# Builds the test guest's initramfs (an uncompressed newc cpio archive: quickest to boot under
# emulation): busybox, the kernel modules of the USB HID stack, udevd when given, the programs
# under test with the shared libraries they need, the shipped data files, and an /init that
# loads the modules, runs the guest test and powers the guest off.
# usage: build_initramfs.sh OUT KERNEL_DIR UDEVD|"" GUEST_TEST DATA_FOLDER PROGRAM...
set -euo pipefail

out=$1 kernel_dir=$2 udevd=$3 guest_test=$4 data_folder=$5
shift 5

busybox=$(command -v busybox || true)
for b in /bin/busybox /usr/bin/busybox; do
  [ -z "$busybox" ] && [ -x "$b" ] && busybox=$b
done
if [ -z "$busybox" ] || ldd "$busybox" >/dev/null 2>&1; then
  echo "build_initramfs: a static busybox is needed (package busybox-static)" >&2
  exit 77
fi

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
chmod 755 "$root"  # the guest's /: unprivileged users must reach the programs and libraries
mkdir -p "$root"/{bin,sbin,proc,sys,dev,run,tmp,lib/modules,opt/tesmaro,usbvm}
cp "$busybox" "$root/bin/busybox"
cp "$kernel_dir"/modules/*.ko "$root/lib/modules/"

# Copies a program and every shared library it loads, at the library's own path.
add_program() {
  local program=$1 dest=$2 lib
  cp "$program" "$dest"
  strip --strip-debug "$dest" 2>/dev/null || true
  for lib in $(ldd "$program" | awk '/=> \// { print $3 } /^\t\/lib/ { print $1 }'); do
    [ -e "$root$lib" ] && continue
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
  done
}

for p in "$@"; do
  add_program "$p" "$root/opt/tesmaro/$(basename "$p")"
done
if [ -n "$udevd" ]; then
  mkdir -p "$root/lib/systemd" "$root/etc/udev"
  add_program "$udevd" "$root/lib/systemd/systemd-udevd"
fi
for f in "$data_folder"/*; do
  case "$f" in *.ini|*.lng) cp "$f" "$root/opt/tesmaro/" ;; esac
done
cp "$guest_test" "$root/usbvm/guest_test.sh"

cat >"$root/init" <<'EOF'
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin:/opt/tesmaro
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp
if [ -x /lib/systemd/systemd-udevd ]; then
  /lib/systemd/systemd-udevd --daemon 2>/dev/null || echo "init: udevd did not start"
fi
for m in usb-common usbcore xhci-hcd xhci-pci hid usbhid hid-generic; do
  insmod /lib/modules/$m.ko || echo "init: insmod $m failed"
done
cd /tmp
sh /usbvm/guest_test.sh
poweroff -f
EOF
chmod +x "$root/init"

(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc -R 0:0 --quiet) >"$out.tmp"
mv "$out.tmp" "$out"
