// The page: the core (tesmaro.js, the C++ libraries in WebAssembly) reads, writes and verifies
// the chip through WebHID; this script only shows what the core says and takes what the user does.
'use strict';

(async () => {
  const $ = (id) => document.getElementById(id);
  const params = new URLSearchParams(location.search);
  const kRowBytes = 16;
  const kRowHeight = 20;

  const state = {stop: false, busy: false, chipSize: 0, lastMessage: null};

  // The page's part of the core's user interface (page_api.cpp).
  const ui = {
    show(kind, text) {
      state.lastMessage = {kind, text};
      const n = $('notice');
      n.hidden = false;
      n.textContent = text;
      n.className = kind === 'error' ? 'error' : '';
    },
    ask(kind, text, defaultYes) {
      return window.confirm(text) ? true : (kind === 'question' ? false : defaultYes && false);
    },
    progress(position) {
      const done = Math.round((state.chipSize * position) / 100);
      $('progress').querySelector('progress').value = position;
      const elapsed = (performance.now() - state.started) / 1000;
      const left = position > 0 ? (elapsed * (100 - position)) / position : 0;
      $('progress-text').textContent = `${position} %  ${done} of ${state.chipSize} bytes  ${Math.ceil(left)} s left`;
    },
    stopRequested: () => state.stop,
  };

  // The test build's switch: a navigator.hid whose programmer is the simulated one.
  if (params.has('fake-device')) {
    for (const src of ['test/tesmaro_sim.js', 'test/fake_hid.js']) {
      await new Promise((resolve, reject) => {
        const s = document.createElement('script');
        s.src = src;
        s.onload = resolve;
        s.onerror = () => reject(new Error('This build of the page has no test device.'));
        document.head.appendChild(s);
      });
    }
    await window.tesmaroFakeHid.install();
  }

  if (!navigator.hid) {
    ui.show('error', window.isSecureContext
      ? 'This browser cannot reach USB HID devices: use Chrome or Edge.'
      : 'The page must be opened over HTTPS or from localhost to reach the programmer.');
  }

  const core = await createTesmaro({ui});
  core.webHid.setTabName(`Tesmaro, the tab opened at ${new Date().toLocaleTimeString()}`);
  const call = (name, ret, types, args) => core.ccall(name, ret, types || [], args || []);
  const callAsync = (name, ret) => core.ccall(name, ret, [], [], {async: true});

  // --- programmer ---
  async function refreshDevices(choose) {
    try {
      await core.webHid.refresh(choose);
    } catch (err) {
      // The chooser was closed without a choice.
    }
    await callAsync('tw_poll_devices', 'number');
    const version = call('tw_version', 'string');
    $('version').textContent = version || 'No programmer';
  }
  $('connect').addEventListener('click', () => refreshDevices(true));
  if (navigator.hid) {
    navigator.hid.addEventListener('connect', () => { if (!state.busy) refreshDevices(false); });
    navigator.hid.addEventListener('disconnect', () => { if (!state.busy) refreshDevices(false); });
  }

  // --- chips ---
  const chips = call('tw_chips', 'string').split('\n').filter(Boolean).map((l) => l.split('\t')[1]);
  $('chips').replaceChildren(...chips.map((name) => Object.assign(document.createElement('option'), {value: name})));
  function selectChip() {
    state.chipSize = call('tw_select_chip', 'number', ['string'], [$('chip').value.trim()]);
    $('chip-size').textContent = state.chipSize ? `${state.chipSize} bytes` : '';
    drawGrid(true);
  }
  $('chip').addEventListener('change', selectChip);

  // --- the image and its grid: only the visible rows are drawn ---
  const image = () => core.HEAPU8.subarray(call('tw_image', 'number'), call('tw_image', 'number') + call('tw_image_size', 'number'));
  const hex2 = (v) => v.toString(16).toUpperCase().padStart(2, '0');
  function gridBytes() { return state.chipSize || 0x100; }
  function drawGrid(resize) {
    const grid = $('grid');
    const rows = Math.ceil(gridBytes() / kRowBytes);
    if (resize) $('grid-spacer').style.height = `${rows * kRowHeight}px`;
    const first = Math.floor(grid.scrollTop / kRowHeight);
    const count = Math.min(rows - first, Math.ceil(grid.clientHeight / kRowHeight) + 1);
    const bytes = image();
    const lines = [];
    for (let r = first; r < first + count; ++r) {
      const at = r * kRowBytes;
      let h = '', t = '';
      for (let i = 0; i < kRowBytes; ++i) {
        const b = bytes[at + i];
        h += hex2(b) + (i === 7 ? '  ' : ' ');
        t += b >= 0x20 && b < 0x7f ? String.fromCharCode(b) : '.';
      }
      lines.push(`${at.toString(16).toUpperCase().padStart(6, '0')}  ${h} ${t}`);
    }
    const pre = $('grid-rows');
    pre.style.top = `${first * kRowHeight}px`;
    pre.textContent = lines.join('\n');
    let sum = 0;
    for (let i = 0; i < gridBytes(); ++i) sum = (sum + bytes[i]) & 0xffff;
    $('status').textContent = `Chk: ${sum.toString(16).toUpperCase().padStart(4, '0')}`;
  }
  $('grid').addEventListener('scroll', () => drawGrid(false));
  window.addEventListener('resize', () => drawGrid(false));

  // --- chip commands with progress and Stop ---
  const commandButtons = ['connect', 'read', 'write', 'verify', 'blank', 'erase', 'open', 'save'].map($);
  async function runChip(name) {
    if (state.busy) return;
    state.busy = true;
    state.stop = false;
    state.lastMessage = null;
    state.started = performance.now();
    $('notice').hidden = true;
    commandButtons.forEach((b) => { b.disabled = true; });
    $('stop').hidden = false;
    $('progress').hidden = false;
    ui.progress(0);
    try {
      const result = await callAsync(name, 'number');
      return result;
    } finally {
      state.busy = false;
      $('stop').hidden = true;
      $('progress').hidden = true;
      commandButtons.forEach((b) => { b.disabled = false; });
      drawGrid(false);
      // Another tab holds the programmer: name it, as it named itself.
      if (call('tw_link_status', 'string') === 'ProgBusy' && state.lastMessage) {
        const holder = core.webHid.holderOf(core.webHid.deviceIds()[0]);
        if (holder) ui.show(state.lastMessage.kind, `${state.lastMessage.text}\nIt is in use in: ${holder}`);
      }
      if (name === 'tw_write') {
        const range = call('tw_written_range', 'string');
        document.body.dataset.written = range;
      }
      $('version').textContent = call('tw_version', 'string') || 'No programmer';
    }
  }
  $('read').addEventListener('click', () => runChip('tw_read'));
  $('write').addEventListener('click', () => runChip('tw_write'));
  $('verify').addEventListener('click', () => runChip('tw_verify'));
  $('blank').addEventListener('click', () => runChip('tw_blank_check'));
  $('erase').addEventListener('click', () => runChip('tw_erase'));
  $('stop').addEventListener('click', () => { state.stop = true; });
  document.addEventListener('keydown', (e) => { if (e.key === 'Escape' && state.busy) state.stop = true; });

  // --- files: Intel HEX, S-records and binary images, read and written by the core ---
  function openBytes(name, data) {
    const p = core._malloc(Math.max(data.length, 1));
    core.HEAPU8.set(data, p);
    state.lastMessage = null;
    $('notice').hidden = true;
    const ok = call('tw_open', 'number', ['string', 'number', 'number'], [name, p, data.length]);
    core._free(p);
    drawGrid(false);
    return ok === 1;
  }
  async function openFile(file) {
    if (file) openBytes(file.name, new Uint8Array(await file.arrayBuffer()));
  }
  function saveBytes(name) {
    const at = call('tw_save', 'number', ['string'], [name]);
    const size = call('tw_saved_size', 'number');
    return size ? core.HEAPU8.slice(at, at + size) : null;
  }
  $('open').addEventListener('change', async (e) => {
    await openFile(e.target.files[0]);
    e.target.value = '';
  });
  $('grid').addEventListener('dragover', (e) => e.preventDefault());
  $('grid').addEventListener('drop', (e) => {
    e.preventDefault();
    openFile(e.dataTransfer.files[0]);
  });
  $('save').addEventListener('click', () => {
    const name = `${$('chip').value.trim() || 'image'}.${$('save-format').value}`;
    const bytes = saveBytes(name);
    if (!bytes) return;
    const a = Object.assign(document.createElement('a'), {href: URL.createObjectURL(new Blob([bytes])), download: name});
    a.click();
    setTimeout(() => URL.revokeObjectURL(a.href), 0);
  });

  // What the tests look at and drive.
  window.tesmaroPage = {core, state, runChip, refreshDevices, selectChip, image, drawGrid, openBytes, saveBytes};
  await refreshDevices(false);
  drawGrid(true);
  document.body.dataset.ready = '1';
})().catch((err) => {
  document.body.dataset.ready = 'failed';
  const n = document.getElementById('notice');
  n.hidden = false;
  n.className = 'error';
  n.textContent = String(err && err.message ? err.message : err);
});
