// The HID link of the page's module (Module.webHid): the programmers this page was granted
// through WebHID, their input reports queued per device, output reports with a time-out, and a
// Web Lock per programmer so that two tabs never use one at once. The C++ WebHID platform
// (src/hid/webhid_platform.cpp) calls it; the page asks for devices through requestDevice().
'use strict';

Module.webHid = (() => {
  const kVendorId = 0x03e5;
  const kProductId = 0xd11d;
  const kReportId = 0;
  const hid = (typeof navigator !== 'undefined' && navigator.hid) || null;

  const devices = new Map();  // id -> {device, inputs: [Uint8Array], waiter, opens, gone}
  const handles = new Map();  // handle -> {id, release}
  let nextDeviceId = 1;
  let nextHandle = 1;
  let generation = 0;
  // The name this tab gives itself in the message another tab shows while this one holds a programmer.
  let tabName = (typeof document !== 'undefined' && document.title) || 'another tab';

  function isProgrammer(device) {
    return device.vendorId === kVendorId && device.productId === kProductId;
  }

  // The id of a device, 0 when unknown. (No destructuring here: Emscripten's minifier mangles it.)
  function idOf(device) {
    for (const id of devices.keys()) {
      if (devices.get(id).device === device) return id;
    }
    return 0;
  }

  function add(device) {
    if (!isProgrammer(device) || idOf(device)) return;
    const e = {device, inputs: [], waiter: null, opens: 0, gone: false};
    device.addEventListener('inputreport', (event) => {
      // The report ID first, as the platform's reports carry it.
      const payload = new Uint8Array(event.data.buffer, event.data.byteOffset, event.data.byteLength);
      const report = new Uint8Array(payload.length + 1);
      report[0] = event.reportId;
      report.set(payload, 1);
      if (e.waiter) {
        const w = e.waiter;
        e.waiter = null;
        w(report);
      } else {
        e.inputs.push(report);
      }
    });
    devices.set(nextDeviceId++, e);
    ++generation;
  }

  function remove(device) {
    const id = idOf(device);
    const e = devices.get(id);
    if (!e) return;
    e.gone = true;
    if (e.waiter) {
      const w = e.waiter;
      e.waiter = null;
      w(-2);
    }
    devices.delete(id);
    ++generation;
  }

  if (hid) {
    hid.addEventListener('connect', (event) => add(event.device));
    hid.addEventListener('disconnect', (event) => remove(event.device));
  }

  function withTimeout(promise, ms, onTimeout) {
    let timer;
    return Promise.race([
      promise.finally(() => clearTimeout(timer)),
      new Promise((resolve) => {
        timer = setTimeout(() => resolve(onTimeout), ms);
      }),
    ]);
  }

  function lockName(id) {
    const d = devices.get(id).device;
    return `tesmaro-programmer:${d.productName || ''}:${d.vendorId}:${d.productId}`;
  }

  return {
    available: () => hid !== null,
    generation: () => generation,
    deviceIds: () => [...devices.keys()],
    attributes(id) {
      const e = devices.get(id);
      return e ? {vendorId: e.device.vendorId, productId: e.device.productId, version: 0} : null;
    },

    // The devices granted before (getDevices) and, when asked, a new one from the browser's
    // chooser, filtered to the programmer. Resolves to the number of programmers known.
    async refresh(choose) {
      if (!hid) return 0;
      for (const d of await hid.getDevices()) add(d);
      if (choose) {
        const chosen = await hid.requestDevice({filters: [{vendorId: kVendorId, productId: kProductId}]});
        for (const d of chosen) add(d);
      }
      return devices.size;
    },
    // Withdraws this page's permission for every programmer.
    async forgetAll() {
      for (const e of [...devices.values()]) {
        const d = e.device;
        remove(d);
        if (d.forget) await d.forget();
      }
    },

    async open(id) {
      const e = devices.get(id);
      if (!e) return -1;
      try {
        if (!e.device.opened) await e.device.open();
      } catch (err) {
        return -1;
      }
      ++e.opens;
      const handle = nextHandle++;
      handles.set(handle, {id, release: null});
      return handle;
    },
    close(handle) {
      const h = handles.get(handle);
      if (!h) return;
      handles.delete(handle);
      const e = devices.get(h.id);
      if (e && --e.opens === 0 && e.device.opened) {
        e.inputs = [];
        e.device.close().catch(() => {});
      }
    },

    async write(handle, bytes, timeoutMs) {
      const h = handles.get(handle);
      const e = h && devices.get(h.id);
      if (!e || e.gone) return 2;
      const sent = e.device.sendReport(bytes[0], bytes.subarray(1)).then(() => 0, () => 2);
      return withTimeout(sent, Math.max(timeoutMs, 1), 1);
    },
    take(handle) {
      const h = handles.get(handle);
      const e = h && devices.get(h.id);
      if (!e || e.gone) return -2;
      return e.inputs.length ? e.inputs.shift() : -1;
    },
    read(handle, timeoutMs) {
      const h = handles.get(handle);
      const e = h && devices.get(h.id);
      if (!e || e.gone) return Promise.resolve(-2);
      if (e.inputs.length) return Promise.resolve(e.inputs.shift());
      return new Promise((resolve) => {
        const timer = setTimeout(() => {
          e.waiter = null;
          resolve(-1);
        }, timeoutMs);
        e.waiter = (report) => {
          clearTimeout(timer);
          resolve(report);
        };
      });
    },

    // 0 locked, 3 held by another tab (its name in busyHolder), 2 failed. Without the Web Locks
    // API there is nothing to coordinate with: always locked.
    async tryLock(handle) {
      const h = handles.get(handle);
      if (!h || !devices.get(h.id)) return 2;
      if (typeof navigator === 'undefined' || !navigator.locks) return 0;
      const name = lockName(h.id);
      return new Promise((resolve) => {
        navigator.locks
          .request(name, {ifAvailable: true}, (lock) => {
            if (!lock) {
              resolve(3);
              return undefined;
            }
            try {
              localStorage.setItem(name, tabName);
            } catch (err) {
              // A page without storage still locks; the other tab then names no holder.
            }
            resolve(0);
            return new Promise((release) => {
              h.release = release;
            });
          })
          .catch(() => resolve(2));
      });
    },
    async unlock(handle) {
      const h = handles.get(handle);
      if (h && h.release) {
        h.release();
        h.release = null;
      }
    },
    // The tab that holds the lock of a programmer, as it named itself; '' when unknown.
    holderOf(id) {
      try {
        return (devices.get(id) && localStorage.getItem(lockName(id))) || '';
      } catch (err) {
        return '';
      }
    },
    setTabName(name) {
      tabName = name;
    },
  };
})();
