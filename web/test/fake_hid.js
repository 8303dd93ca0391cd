// The test build's navigator.hid: one programmer, the simulated one compiled to WebAssembly
// (tesmaro_sim.js), answering as the real one does. Tests reach it as window.tesmaroFakeHid: its
// chip, chip properties, faults, unplugging and plugging back.
'use strict';

window.tesmaroFakeHid = (() => {
  let sim = null;
  const target = new EventTarget();
  const granted = [];
  // Late answers of the fault "late" come after the reader's time-out.
  const kLateMs = 2200;

  class FakeHidDevice extends EventTarget {
    constructor() {
      super();
      this.vendorId = 0x03e5;
      this.productId = 0xd11d;
      this.productName = 'Simulated programmer';
      this.opened = false;
      this.plugged = true;
      this.collections = [{usagePage: 0xff00, usage: 1}];
    }
    async open() {
      if (!this.plugged) throw new DOMException('The device is gone', 'NotFoundError');
      this.opened = true;
    }
    async close() { this.opened = false; }
    async forget() {
      const i = granted.indexOf(this);
      if (i >= 0) granted.splice(i, 1);
      this.opened = false;
    }
    sendReport(reportId, data) {
      if (!this.opened || !this.plugged) return Promise.reject(new DOMException('Not opened', 'InvalidStateError'));
      const bytes = new Uint8Array(data.buffer ? data.buffer.slice(data.byteOffset, data.byteOffset + data.byteLength) : data);
      const report = new Uint8Array(bytes.length + 1);
      report[0] = reportId;
      report.set(bytes, 1);
      const p = sim._malloc(report.length);
      sim.HEAPU8.set(report, p);
      const flags = sim._sim_output(p, report.length);
      sim._free(p);
      if (flags & 2) {
        api.unplug();
        return Promise.reject(new DOMException('The device was unplugged', 'NetworkError'));
      }
      // A report not taken: the promise never settles, as with a device that stopped reading.
      if (flags & 1) return new Promise(() => {});
      const count = sim._sim_answer_count();
      const out = sim._malloc(256);
      const delay = sim._malloc(4);
      for (let i = 0; i < count; ++i) {
        const n = sim._sim_answer(i, out, delay);
        const answer = sim.HEAPU8.slice(out, out + n);
        const ms = sim.HEAP32[delay >> 2];
        this.deliver(answer, ms < 0 ? kLateMs : ms);
      }
      sim._free(out);
      sim._free(delay);
      return Promise.resolve();
    }
    // An input report as the browser gives it: the ID apart, the rest as a DataView.
    deliver(answer, delayMs) {
      const fire = () => {
        if (!this.opened || !this.plugged) return;
        const event = new Event('inputreport');
        event.device = this;
        event.reportId = answer[0];
        event.data = new DataView(answer.buffer.slice(1));
        this.dispatchEvent(event);
      };
      if (delayMs >= 50) {
        setTimeout(fire, delayMs);
        return;
      }
      // A message channel, posted to until the answer is due: nested time-outs are clamped to
      // 4 ms, far slower than a programmer's answer.
      const due = performance.now() + delayMs;
      const channel = new MessageChannel();
      channel.port1.onmessage = () => {
        if (performance.now() < due) {
          channel.port2.postMessage(0);
          return;
        }
        channel.port1.close();
        fire();
      };
      channel.port2.postMessage(0);
    }
  }

  const device = new FakeHidDevice();

  const fakeHid = {
    addEventListener: (...a) => target.addEventListener(...a),
    removeEventListener: (...a) => target.removeEventListener(...a),
    async getDevices() { return granted.filter((d) => d.plugged); },
    async requestDevice(options) {
      const f = (options && options.filters) || [];
      const matches = f.some((x) => x.vendorId === device.vendorId && x.productId === device.productId);
      if (!matches || !device.plugged) return [];
      if (!granted.includes(device)) granted.push(device);
      return [device];
    },
  };

  const api = {
    device,
    async install() {
      sim = await createSimulator();
      Object.defineProperty(navigator, 'hid', {value: fakeHid, configurable: true});
      if (!new URLSearchParams(location.search).has('not-granted')) granted.push(device);
    },
    sim: () => sim,
    // The chip's bytes (1 MiB).
    chip: () => sim.HEAPU8.subarray(sim._sim_chip(), sim._sim_chip() + sim._sim_chip_size()),
    addFault: (text) => sim.ccall('sim_add_fault', 'number', ['string'], [text]) === 1,
    chipProperty: (text) => sim.ccall('sim_chip_property', 'number', ['string'], [text]) === 1,
    exchanges: () => sim._sim_exchange_count(),
    reset: (seed) => sim._sim_reset(seed),
    unplug() {
      if (!device.plugged) return;
      device.plugged = false;
      device.opened = false;
      const e = new Event('disconnect');
      e.device = device;
      target.dispatchEvent(e);
    },
    plugIn() {
      if (device.plugged) return;
      device.plugged = true;
      const e = new Event('connect');
      e.device = device;
      target.dispatchEvent(e);
    },
  };
  return api;
})();
