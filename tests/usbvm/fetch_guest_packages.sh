#!/usr/bin/env bash
# Fetches what the test guest runs on, from Debian packages, into a cache folder:
#   CACHE/kernel-<release>/{vmlinuz,vmlinux,modules/*.ko}  the current dependency of linux-image-amd64
#   CACHE/udev-<version>/systemd-udevd                     the udev daemon of the udev package
# The packages are downloaded and unpacked, never installed. A cached kernel is used when the
# package lists or the network are not available. Prints "KERNEL=..." (the image to boot),
# "KERNEL_DIR=..." and "UDEVD=..." (empty when udev can't be had). Exit code 77 when no kernel
# can be had at all.
set -uo pipefail

cache=${1:?usage: fetch_guest_packages.sh CACHE_DIR}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)

# The modules the guest loads, in load order; hidraw is built into hid.ko.
modules=(usb-common usbcore xhci-hcd xhci-pci hid usbhid hid-generic)

apt_opts=(-qq)
[ "$(id -u)" -eq 0 ] && apt_opts+=(-o APT::Sandbox::User=root)

# Name of the package that a package currently depends on, matching a prefix.
dependency_of() {
  apt-cache depends "$1" 2>/dev/null | awk -v p="$2" '$1 == "Depends:" && index($2, p) == 1 { print $2; exit }'
}

# Downloads package $1 and unpacks it into $2 (a fresh folder).
fetch_and_unpack() {
  local dl="$cache/download"
  rm -rf "$dl" "$2"
  mkdir -p "$dl"
  (cd "$dl" && apt-get download "${apt_opts[@]}" "$1" >/dev/null 2>&1) || { rm -rf "$dl"; return 1; }
  dpkg-deb -x "$dl"/*.deb "$2" || { rm -rf "$dl" "$2"; return 1; }
  rm -rf "$dl"
}

# The uncompressed kernel inside a bzImage, which QEMU boots directly (PVH entry) when the kernel
# has one: saves the seconds that decompressing takes on an emulated CPU. Nothing when it can't.
extract_vmlinux() {
  local image=$1 config=$2 out=$3 setup offset length start
  grep -q '^CONFIG_PVH=y' "$config" 2>/dev/null || return 0
  local decompress
  if grep -q '^CONFIG_KERNEL_XZ=y' "$config"; then decompress="xz -dc --single-stream"
  elif grep -q '^CONFIG_KERNEL_GZIP=y' "$config"; then decompress="gzip -dc"
  else return 0; fi
  # Boot protocol header: setup sectors at 0x1F1, payload offset and length at 0x248 and 0x24C.
  setup=$(od -An -tu1 -j $((0x1F1)) -N1 "$image" | tr -d ' ')
  offset=$(od -An -tu4 -j $((0x248)) -N4 "$image" | tr -d ' ')
  length=$(od -An -tu4 -j $((0x24C)) -N4 "$image" | tr -d ' ')
  start=$(((setup + 1) * 512 + offset))
  tail -c +$((start + 1)) "$image" | head -c "$length" | $decompress >"$out.tmp" 2>/dev/null
  if [ "$(head -c 4 "$out.tmp" | od -An -tx1 | tr -d ' ')" = 7f454c46 ]; then
    mv "$out.tmp" "$out"
  else
    rm -f "$out.tmp"
  fi
}

kernel_pkg=$(dependency_of linux-image-amd64 linux-image-)
if [ -z "$kernel_pkg" ] && [ "$(id -u)" -eq 0 ]; then
  apt-get update -qq >/dev/null 2>&1 || true
  kernel_pkg=$(dependency_of linux-image-amd64 linux-image-)
fi

kernel_dir=""
if [ -n "$kernel_pkg" ]; then
  release=${kernel_pkg#linux-image-}
  kernel_dir="$cache/kernel-$release"
  if [ ! -f "$kernel_dir/complete" ]; then
    echo "fetching guest kernel $kernel_pkg" >&2
    unpacked="$cache/unpacked-kernel"
    if fetch_and_unpack "$kernel_pkg" "$unpacked"; then
      # The release is what the package really holds, whatever its name says.
      release=$(ls "$unpacked/lib/modules" | head -n 1)
      kernel_dir="$cache/kernel-$release"
      rm -rf "$kernel_dir"
      mkdir -p "$kernel_dir/modules"
      cp "$unpacked/boot/vmlinuz-$release" "$kernel_dir/vmlinuz"
      extract_vmlinux "$kernel_dir/vmlinuz" "$unpacked/boot/config-$release" "$kernel_dir/vmlinux"
      ok=1
      for m in "${modules[@]}"; do
        f=$(find "$unpacked/lib/modules/$release" -name "$m.ko" | head -n 1)
        if [ -z "$f" ]; then echo "module $m.ko missing from $kernel_pkg" >&2; ok=0; break; fi
        cp "$f" "$kernel_dir/modules/"
      done
      rm -rf "$unpacked"
      if [ "$ok" = 1 ]; then touch "$kernel_dir/complete"; else rm -rf "$kernel_dir"; kernel_dir=""; fi
    else
      echo "cannot download $kernel_pkg" >&2
      kernel_dir=""
    fi
  fi
fi
if [ -z "$kernel_dir" ] || [ ! -f "$kernel_dir/complete" ]; then
  # Offline: take the newest kernel fetched earlier.
  kernel_dir=$(ls -d "$cache"/kernel-*/complete 2>/dev/null | sort -V | tail -n 1)
  kernel_dir=${kernel_dir%/complete}
fi
if [ -z "$kernel_dir" ]; then
  echo "no guest kernel: linux-image-amd64 can't be had" >&2
  exit 77
fi

udevd=""
udev_version=$(apt-cache policy udev 2>/dev/null | awk '$1 == "Candidate:" { print $2; exit }')
if [ -n "$udev_version" ] && [ "$udev_version" != "(none)" ]; then
  udev_dir="$cache/udev-${udev_version//[:~]/_}"
  if [ ! -x "$udev_dir/systemd-udevd" ]; then
    echo "fetching udev $udev_version" >&2
    unpacked="$cache/unpacked-udev"
    if fetch_and_unpack udev "$unpacked"; then
      mkdir -p "$udev_dir"
      # systemd-udevd is udevadm under another name; it picks its role from the name.
      for f in "$unpacked/bin/udevadm" "$unpacked/usr/bin/udevadm"; do
        [ -f "$f" ] && cp "$f" "$udev_dir/systemd-udevd"
      done
      rm -rf "$unpacked"
    fi
  fi
  [ -x "$udev_dir/systemd-udevd" ] && udevd="$udev_dir/systemd-udevd"
fi
[ -n "$udevd" ] || udevd=$(ls "$cache"/udev-*/systemd-udevd 2>/dev/null | sort -V | tail -n 1)

kernel=$kernel_dir/vmlinuz
[ -f "$kernel_dir/vmlinux" ] && kernel=$kernel_dir/vmlinux
echo "KERNEL=$kernel"
echo "KERNEL_DIR=$kernel_dir"
echo "UDEVD=$udevd"
