#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed programs from there:
# the CLI finds its catalogue under share/tesmaro, and the program keeps its settings in the
# per-user folder, whether or not it could write beside its executable.
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'chmod -R u+w "$root" 2>/dev/null; rm -rf "$root"' EXIT
chmod 755 "$root"
prefix=$root/usr
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/tesmaro bin/tesmaro-cli share/tesmaro/see.ini share/applications/org.tesmaro.Tesmaro.desktop \
         share/metainfo/org.tesmaro.Tesmaro.metainfo.xml share/man/man1/tesmaro.1 share/man/man1/tesmaro-cli.1 \
         share/icons/hicolor/scalable/apps/org.tesmaro.Tesmaro.svg lib/udev/rules.d/70-tesmaro.rules \
         share/tesmaro/examples/example-24c64.hex; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
if grep -q 'MODE=' "$prefix/lib/udev/rules.d/70-tesmaro.rules"; then
  echo "the udev rule must not set a mode"; exit 1
fi

cli=$prefix/bin/tesmaro-cli
out=$(cd / && "$cli" --chip 24C64 info)
grep -qx 'Size=8192' <<<"$out" || { echo "info from the installed catalogue failed: $out"; exit 1; }
if "$cli" --help | grep -q '^  chips'; then
  (cd / && "$cli" chips) | grep -q '24C64' || { echo "chips from the installed catalogue failed"; exit 1; }
fi

# The program, as the user running the test (root in CI) with its folder writable: an installed
# program is no portable copy and writes nothing beside its executable.
own=$root/own-config
mkdir -p "$own"
timeout 60 env HOME="$own" XDG_CONFIG_HOME="$own" XDG_RUNTIME_DIR= QT_QPA_PLATFORM=offscreen \
  "$prefix/bin/tesmaro" --close-after-start >"$root/gui-own.log" 2>&1 || { cat "$root/gui-own.log"; exit 1; }
written=$(ls -A "$prefix/bin" | grep -vx -e tesmaro -e tesmaro-cli || true)
[ -z "$written" ] || { echo "written beside the executable: $written"; exit 1; }
[ -f "$own/tesmaro/tesmaro.ini" ] || { echo "no settings at $own/tesmaro/tesmaro.ini"; cat "$root/gui-own.log"; exit 1; }

# The program, with a folder it can't write beside its executable.
config=$root/config
mkdir -p "$config"
run=()
if [ "$(id -u)" -eq 0 ]; then
  chown 65534:65534 "$config"
  run=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  chmod a-w "$prefix/bin"
fi
timeout 60 "${run[@]}" env HOME="$config" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR= QT_QPA_PLATFORM=offscreen \
  "$prefix/bin/tesmaro" --close-after-start >"$root/gui.log" 2>&1 || { cat "$root/gui.log"; exit 1; }
settings=$config/tesmaro/tesmaro.ini
[ -f "$settings" ] || { echo "no settings at $settings"; cat "$root/gui.log"; exit 1; }
grep -q '^\[Main\]' "$settings" && grep -q '^CurrentMemoryAddress=0' "$settings" || { cat "$settings"; exit 1; }
[ ! -e "$prefix/bin/tesmaro.ini" ] || { echo "settings written beside the executable"; exit 1; }
echo "install test passed"
