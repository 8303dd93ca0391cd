#!/bin/sh
# The test that runs inside the guest (busybox sh), with the emulated programmer on the USB bus
# and the programs reaching it through the kernel's usbhid and hidraw drivers and hidapi.
# Requests to the harness and the verdict go to the console as "@@USBVM ..." lines.

model=$(sed -n 's/.*usbvm\.model=\([a-z]*\).*/\1/p' /proc/cmdline)
failures=0
echo "usbvm: guest test starts at uptime $(cut -d' ' -f1 /proc/uptime) s, model $model"

fail() { echo "@@USBVM check failed: $*"; failures=$((failures + 1)); }
ok() { echo "usbvm: ok: $*"; }

# The hidraw node of the programmer, found by its HID id, never by number.
programmer_node() {
  for d in /sys/class/hidraw/hidraw*; do
    [ -e "$d/device/uevent" ] || continue
    grep -qi '^HID_ID=0003:000003E5:0000D11D' "$d/device/uevent" 2>/dev/null && { echo "${d##*/}"; return 0; }
  done
  return 1
}

# Interrupts the USB host controller has raised so far.
xhci_interrupts() { awk '/xhci/ { for (i = 2; i <= NF && $i ~ /^[0-9]+$/; i++) n += $i } END { print n + 0 }' /proc/interrupts; }

# Waits up to $2 tenths of a second for the programmer to be present ($1 = yes) or gone (no).
wait_programmer() {
  tenths=$2
  while [ "$tenths" -gt 0 ]; do
    if programmer_node >/dev/null; then [ "$1" = yes ] && return 0; else [ "$1" = no ] && return 0; fi
    sleep 0.1
    tenths=$((tenths - 1))
  done
  return 1
}

# Runs tesmaro-cli with a time limit; leaves its exit code in rc, its output in out and err files.
cli() {
  timeout 60 usbvm_stopwatch tesmaro-cli "$@" >out 2>err
  rc=$?
  elapsed=$(sed -n 's/^stopwatch: //p' err)
}

# Sets byte $2 of file $1 to the octal escape $3.
set_byte() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null; }

# Write, read back and verify one chip through the kernel; $3 is the image size in bytes.
chip_round_trip() {
  chip=$1 name=$2 size=$3 before=$failures
  dd if=/dev/urandom of="$name.bin" bs="$size" count=1 2>/dev/null
  set_byte "$name.bin" $((size - 3)) '\000'
  cli --chip "$chip" write "$name.bin"
  [ "$rc" = 0 ] && grep -q "Programming OK" out err || fail "$chip write: exit $rc, $(cat out err)"
  echo "usbvm: $chip write of $size bytes (with read-back check): $elapsed"
  cli --chip "$chip" read "$name-back.bin"
  [ "$rc" = 0 ] && cmp -s "$name.bin" "$name-back.bin" || fail "$chip read: exit $rc, $(cat err)"
  echo "usbvm: $chip read of $size bytes: $elapsed"
  cli --chip "$chip" verify "$name.bin"
  [ "$rc" = 0 ] && grep -q "Verification OK" out err || fail "$chip verify: exit $rc, $(cat out err)"
  # One byte changed near the end: the verify must notice it.
  set_byte "$name.bin" $((size - 3)) '\001'
  cli --chip "$chip" verify "$name.bin"
  [ "$rc" = 1 ] && grep -q "Verification failed!" out err || fail "$chip verify of a changed image: exit $rc"
  [ "$failures" -eq "$before" ] && ok "$chip write, read and verify"
}

wait_programmer yes 100 || { echo "@@USBVM FAIL: the programmer did not appear"; exit 1; }
node=$(programmer_node)
ok "programmer enumerated as /dev/$node ($(grep HID_NAME /sys/class/hidraw/$node/device/uevent))"
[ -c "/dev/$node" ] || fail "/dev/$node is not a character device"

if [ "$model" = echo ]; then
  usbvm_hid_round_trip --echo 1000 || fail "bare hidapi loop against the echo model"
  if [ "$failures" -eq 0 ]; then echo "@@USBVM PASS"; else echo "@@USBVM FAIL: $failures checks failed"; fi
  exit 0
fi

# The controller as the program runs it, logging its change events throughout.
usbvm_hotplug_watch 120 >watch.log &
watch_pid=$!

cli version
[ "$rc" = 0 ] && [ "$(cat out)" = "Mervo v.1.7" ] && ok "tesmaro-cli version: $(cat out), $elapsed" ||
  fail "version: exit $rc, '$(cat out err)'"

# The connection check through the real kernel: every link holds, and it reads the version.
cli doctor
[ "$rc" = 0 ] && grep -q "firmware 1.7" out && grep -q "All is well." out && grep -q "/dev/$node" out &&
  ok "doctor with everything in place: exit 0, $(grep -i 'round trips' out), $elapsed" ||
  fail "doctor with everything in place: exit $rc, $(cat out err)"

# A user without access to the node: the programmer is found, nothing is sent, and the message
# names the node and the way to access.
before=$failures
if [ -x /opt/tesmaro/setpriv ]; then
  chmod 600 "/dev/$node"
  /opt/tesmaro/setpriv --reuid=1000 --regid=1000 --clear-groups tesmaro-cli version >out 2>err
  rc=$?
  [ "$rc" = 5 ] || fail "version without access to /dev/$node: exit $rc, $(cat out err); $(ls -ld / /lib /lib/x86_64-linux-gnu /opt/tesmaro 2>&1 | tr '\n' ' ')"
  grep -q "no permission" err && grep -q "/dev/$node" err && grep -q "udev rule" err ||
    fail "no permission text: $(cat err)"
  # The connection check stops at the access link, names the node and says how to get access.
  /opt/tesmaro/setpriv --reuid=1000 --regid=1000 --clear-groups tesmaro-cli doctor >doctor.out 2>doctor.err
  rc=$?
  [ "$rc" = 5 ] && grep -q "may not open /dev/$node" doctor.out &&
    grep -q "udev rule 70-tesmaro.rules is not installed" doctor.out ||
    fail "doctor without access to /dev/$node: exit $rc, $(cat doctor.out doctor.err)"
  [ "$failures" -eq "$before" ] && ok "without access to the node: exit 5, $(head -c 90 err)...; doctor: exit 5, $(grep FAILED doctor.out)"
else
  echo "usbvm: util-linux setpriv is not installed: the case without access is left out"
fi

# Round trip per exchange: the bare hidapi loop, then the program's own path.
usbvm_hid_round_trip 1000 || fail "bare hidapi loop"
usbvm_exchange_timer 1000 || fail "exchanges through the program's own path"

chip_round_trip 24C32 c24 4096

# A program that holds the programmer open while idle (as the window does) gets the replies to
# another program's commands too: they must not shift its next read.
before=$failures
cli --chip 24C32 read --format bin holder-expected.bin
rm -f holder.go
usbvm_idle_holder 24C32 4096 holder-expected.bin holder.go >holder.out 2>holder.err &
holder=$!
tries=100
while [ "$tries" -gt 0 ] && ! grep -q holding holder.out; do sleep 0.1; tries=$((tries - 1)); done
cli version
cli version
[ "$rc" = 0 ] || fail "version beside an idle holder: exit $rc, $(cat out err)"
touch holder.go
wait "$holder"
hrc=$?
[ "$hrc" = 0 ] || fail "stale replies shifted the idle holder's read: $(cat holder.out holder.err)"
[ "$failures" -eq "$before" ] && ok "stale replies of another program: $(tail -n 1 holder.out)"

chip_round_trip 93C46-16 c93 128

# Unplugged in the middle of a 256 KiB read (8194 exchanges, at least 8 s, so that a slow start of the
# second program below, as in the sanitized tree, still leaves it running): the read ends with the
# unplugged error within the time-out and writes no file. The old node is held open across the
# unplug, so the device comes back under another number.
before=$failures
exec 3<"/dev/$node"
(timeout 30 tesmaro-cli --chip 24CM02 read big.bin >big.out 2>big.err; echo $? >big.rc) &
job=$!
# Unplug once the transfers flow: the USB controller's interrupt count rises quickly then.
tries=50
while [ "$tries" -gt 0 ] && [ ! -e big.rc ]; do
  count=$(xhci_interrupts)
  sleep 0.2
  [ $(($(xhci_interrupts) - count)) -gt 40 ] && break
  tries=$((tries - 1))
done
[ -e big.rc ] && fail "the 24CM02 read ended before the unplug: $(cat big.err)"
# One program at a time: a second one is turned away without sending anything.
cli version
[ "$rc" = 6 ] && grep -q "in use by another program" err || fail "version during a read: exit $rc, $(cat out err)"
[ -e big.rc ] && fail "the 24CM02 read was disturbed by the second program: $(cat big.err)"
[ "$rc" = 6 ] && ok "a second tesmaro-cli during a read: exit 6, $(cat err)"
echo "@@USBVM unplug"
wait_programmer no 50 || fail "the programmer did not go away"
start=$(cut -d' ' -f1 /proc/uptime)
wait "$job"
took=$(awk -v s="$start" '{ printf "%.1f", $1 - s }' /proc/uptime)
echo "usbvm: the unplugged read ended ${took} s after the unplug: exit $(cat big.rc), $(cat big.err)"
[ "$(cat big.rc)" = 4 ] && grep -q "unplugged" big.err || fail "unplugged read: exit $(cat big.rc), $(cat big.err)"
awk -v t="$took" 'BEGIN { exit !(t <= 5) }' || fail "the unplugged read took ${took} s to end"
[ -e big.bin ] && fail "the unplugged read wrote big.bin ($(wc -c <big.bin) bytes)"
[ "$failures" -eq "$before" ] && ok "unplug during a read"

# With the programmer unplugged the connection check stops at the first link.
cli doctor
[ "$rc" = 4 ] && grep -q "no programmer on the USB bus" out && ok "doctor without the programmer: exit 4" ||
  fail "doctor without the programmer: exit $rc, $(cat out err)"

echo "@@USBVM replug"
before=$failures
wait_programmer yes 100 || fail "the programmer did not come back"
new_node=$(programmer_node)
exec 3<&-
[ "$new_node" != "$node" ] || fail "the replugged programmer kept the node /dev/$node"
# The chip holds what the last write put there (the chips share the programmer's one image).
cli --chip 93C46-16 verify c93-back.bin
[ "$rc" = 0 ] || fail "verify after the replug (/dev/$new_node): exit $rc, $(cat out err)"
[ "$failures" -eq "$before" ] && ok "replugged as /dev/$new_node and found again"

# SIGTERM in the middle of a logged 64 KiB write (a production run): it ends after the current
# exchange with exit 143, the chip closed and a "stopped" log line with the range written, and the
# next tesmaro-cli gets the programmer at once.
before=$failures
dd if=/dev/urandom of=stop.bin bs=65536 count=1 2>/dev/null
tesmaro-cli --chip 24C512 write stop.bin --log stop.log >stop.out 2>stop.err &
writer=$!
tries=50
while [ "$tries" -gt 0 ] && kill -0 "$writer" 2>/dev/null; do
  count=$(xhci_interrupts)
  sleep 0.2
  [ $(($(xhci_interrupts) - count)) -gt 40 ] && break
  tries=$((tries - 1))
done
kill -0 "$writer" 2>/dev/null || fail "the logged write ended before the signal: $(cat stop.out stop.err)"
start=$(cut -d' ' -f1 /proc/uptime)
kill -TERM "$writer"
wait "$writer"
src=$?
took=$(awk -v s="$start" '{ printf "%.2f", $1 - s }' /proc/uptime)
echo "usbvm: the logged write ended ${took} s after SIGTERM: exit $src, $(cat stop.out)"
[ "$src" = 143 ] || fail "logged write after SIGTERM: exit $src, $(cat stop.out stop.err)"
grep -q '"result":"stopped"' stop.log && grep -q '"written":\[0,' stop.log ||
  fail "no stopped line with the range written: $(cat stop.log)"
grep -q "stopped, .*partly written" stop.out || fail "the result line does not say the chip is partly written"
cli version
[ "$rc" = 0 ] || fail "version right after the stopped write: exit $rc, $(cat out err)"
awk -v e="${elapsed% ms}" 'BEGIN { exit !(e < 1500) }' || fail "version right after the stopped write took $elapsed"
[ "$failures" -eq "$before" ] && ok "SIGTERM during a logged write: exit 143, stopped line, the next run at once ($elapsed)"

sleep 0.5  # lets the watcher take the last events
kill "$watch_pid"
cat watch.log
if [ -x /lib/systemd/systemd-udevd ]; then
  grep -q "notification by udev" watch.log || fail "the controller does not listen to udev"
fi
grep -q "change 1: programmer present" watch.log || fail "no start-up change event with the programmer"
grep -q "programmer absent" watch.log || fail "no change event for the unplug"
sed -n '/programmer absent/,$p' watch.log | grep -q "programmer present" || fail "no change event for the replug"

if [ "$failures" -eq 0 ]; then echo "@@USBVM PASS"; else echo "@@USBVM FAIL: $failures checks failed"; fi
