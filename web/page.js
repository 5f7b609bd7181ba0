// The page: the settings of the utility dialog, built from the settings
// table the module gives and kept in the browser's storage; the manuscripts
// dropped or picked, each sent to the worker; and, for each, its progress,
// its report and its files to save.
"use strict";
(() => {
  const kStorageKey = "tessaly.settings";
  const kHeaderKey = "tessaly.header";
  const kHeaderSetting = "Combo3";
  const kCustomHeader = 1;
  const kOpenTextFile = 2;
  // The beginning of the text file shown on the page: a whole novel's would
  // hold the page's own thread for seconds.
  const kShownTextLength = 20000;

  const $ = (id) => document.getElementById(id);
  const element = (tag, props = {}, ...children) => {
    const e = document.createElement(tag);
    Object.assign(e, props);
    for (const c of children) e.append(c);
    return e;
  };

  let table = null;     // the settings table, from the module
  let values = {};      // key → the value text the store would hold
  let header = null;    // the chosen header.txt: {name, bytes}
  let nextId = 0;
  const pending = new Map();  // id → the result card's parts

  // ---- settings -------------------------------------------------------

  // The value text of a setting as stored by default.
  function defaultValues() {
    const v = {};
    for (const s of table.settings) {
      if (s.kind === "result") table.resultLabels.forEach((_, i) => { v["Option" + (i + 1)] = s.default === i + 1 ? "True" : "False"; });
      else v[s.key] = String(s.default);
    }
    return v;
  }

  // Whether a stored value text is one the setting can hold.
  function valid(s, text) {
    if (typeof text !== "string") return false;
    if (s.kind === "list") return /^\d+$/.test(text) && Number(text) < s.items.length;
    if (s.kind === "result") return text === "True" || text === "False";
    return text === "0" || text === "1";
  }

  function loadValues() {
    values = defaultValues();
    let stored = {};
    try { stored = JSON.parse(localStorage.getItem(kStorageKey) || "{}") || {}; } catch (e) { stored = {}; }
    for (const s of table.settings) {
      const keys = s.kind === "result" ? table.resultLabels.map((_, i) => "Option" + (i + 1)) : [s.key];
      if (keys.every((k) => valid(s, stored[k]))) for (const k of keys) values[k] = stored[k];
    }
    // A stored choice of placing into InDesign acts as opening the text file where it cannot be done.
    if (!table.placesIntoInDesign && values.Option3 === "True") {
      values.Option3 = "False";
      values["Option" + kOpenTextFile] = "True";
    }
    try {
      const h = JSON.parse(localStorage.getItem(kHeaderKey) || "null");
      if (h && typeof h.name === "string" && typeof h.base64 === "string") header = { name: h.name, bytes: fromBase64(h.base64) };
    } catch (e) { header = null; }
  }

  function saveValues() {
    try { localStorage.setItem(kStorageKey, JSON.stringify(values)); } catch (e) { /* storage off: kept for this visit */ }
  }

  function toBase64(bytes) {
    let s = "";
    for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return btoa(s);
  }
  function fromBase64(text) {
    const s = atob(text);
    const bytes = new Uint8Array(s.length);
    for (let i = 0; i < s.length; ++i) bytes[i] = s.charCodeAt(i);
    return bytes;
  }

  function headerChooser() {
    const state = element("span", { className: "header-state" });
    const show = () => { state.textContent = header ? `${header.name}（${header.bytes.length} バイト）` : "選ばれていません"; };
    const input = element("input", { type: "file", id: "header-file", accept: ".txt", hidden: true });
    input.addEventListener("change", async () => {
      const file = input.files[0];
      if (!file) return;
      header = { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
      try {
        localStorage.setItem(kHeaderKey, JSON.stringify({ name: header.name, base64: toBase64(header.bytes) }));
      } catch (e) { /* too large for the storage: kept for this visit */ }
      show();
    });
    show();
    return element("div", { className: "row" }, element("span", { textContent: "ヘッダファイル（header.txt）" }),
                   element("label", { className: "button", htmlFor: "header-file", textContent: "選ぶ" }), input, state);
  }

  function control(s) {
    const id = "setting-" + s.key;
    if (s.kind === "list") {
      const select = element("select", { id, name: s.key });
      s.items.forEach((item, i) => select.append(element("option", { value: String(i), textContent: item })));
      select.value = values[s.key];
      select.addEventListener("change", () => { values[s.key] = select.value; saveValues(); });
      return [element("label", { htmlFor: id, textContent: s.label }), select];
    }
    const box = element("input", { type: "checkbox", id, name: s.key, checked: values[s.key] === "1" });
    box.addEventListener("change", () => { values[s.key] = box.checked ? "1" : "0"; saveValues(); });
    return [element("label", { htmlFor: id, textContent: s.label }), box];
  }

  function resultButtons(group) {
    table.resultLabels.forEach((label, i) => {
      const key = "Option" + (i + 1);
      const id = "setting-" + key;
      const radio = element("input", { type: "radio", id, name: "result", value: key, checked: values[key] === "True" });
      radio.disabled = i === 2 && !table.placesIntoInDesign;
      radio.addEventListener("change", () => {
        table.resultLabels.forEach((_, j) => { values["Option" + (j + 1)] = j === i ? "True" : "False"; });
        saveValues();
      });
      group.append(element("div", { className: "row" }, element("label", { htmlFor: id, textContent: label }), radio));
    });
  }

  function buildSettings() {
    const tabs = $("tabs");
    const pages = $("pages");
    // The dialog's three pages of settings (its fourth, 管理, holds only the manual).
    const shown = table.pages.slice(0, 3);
    shown.forEach((name, page) => {
      const tab = element("button", { type: "button", textContent: name, id: "tab-" + page });
      tab.setAttribute("role", "tab");
      const panel = element("div", { className: "page", id: "page-" + page, hidden: page !== 0 });
      panel.setAttribute("role", "tabpanel");
      tab.setAttribute("aria-selected", String(page === 0));
      tab.addEventListener("click", () => {
        shown.forEach((_, p) => {
          $("page-" + p).hidden = p !== page;
          $("tab-" + p).setAttribute("aria-selected", String(p === page));
        });
      });
      tabs.append(tab);
      pages.append(panel);
      let group = null, groupName = null, row = null;
      for (const s of table.settings.filter((x) => x.page === page)) {
        if (!group || s.group !== groupName) {
          groupName = s.group;
          group = element("fieldset", {}, element("legend", { textContent: s.group }));
          panel.append(group);
          row = null;
        }
        if (s.kind === "result") {
          resultButtons(group);
          row = null;
          continue;
        }
        if (!(s.beside && row)) {
          row = element("div", { className: "row" });
          group.append(row);
        }
        row.append(...control(s));
        // The dialog breaks its notes with runs of ideographic spaces; here they are line breaks.
        if (s.note) group.append(element("p", { className: "note", textContent: s.note.replace(/\u3000{2,}/g, "\n") }));
        if (s.key === kHeaderSetting) group.append(headerChooser());
      }
    });
  }

  // The settings as the module reads them: one "key=value" a line.
  function settingsText() {
    return Object.entries(values).map(([k, v]) => `${k}=${v}`).join("\n");
  }

  // ---- manuscripts ----------------------------------------------------

  function download(name, bytes, type) {
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    return element("a", { href: url, download: name, textContent: name, className: "download" });
  }

  function showResult(card, message) {
    const { result, files, seconds } = message;
    card.progress.remove();
    card.box.dataset.seconds = String(seconds);
    card.box.classList.add(result.written ? "converted" : "failed");
    if (!result.written) {
      card.state.className = "state failure";
      card.state.textContent = result.failure.replace(/\r/g, "");
      return;
    }
    card.state.textContent = `${result.convertedCount} 個所変換しました（${seconds.toFixed(2)} 秒）`;
    card.box.append(element("p", { className: "line counts", textContent: result.countsLine }));
    for (const item of result.items) card.box.append(element("p", { className: "line item", textContent: item }));
    for (const text of [...result.warnings, ...result.messages])
      card.box.append(element("p", { className: "warning", textContent: text.replace(/\r/g, "") }));
    const proofChosen = values.ProofPage === "1";
    const links = element("p", { className: "files" });
    let proof = null, text = null;
    for (const f of files) {
      if (f.kind === "proofFile") {
        proof = new TextDecoder("utf-8").decode(f.bytes);
        if (!proofChosen) continue;
      }
      if (f.kind === "windowsFile") text = new TextDecoder("utf-16le").decode(new Uint8Array(f.bytes, 2));
      links.append(download(f.name, f.bytes, f.kind === "proofFile" ? "text/html" : "text/plain"));
    }
    card.box.append(links);
    if (proof !== null) {
      // Laid out only once opened: a long manuscript's page takes the page's own thread a while.
      const frame = element("iframe", { title: "校正ページ" });
      frame.setAttribute("sandbox", "");
      const details = element("details", { className: "proof" }, element("summary", { textContent: "校正ページ" }), frame);
      details.addEventListener("toggle", () => { if (details.open && !frame.srcdoc) frame.srcdoc = proof; });
      card.box.append(details);
      details.open = proofChosen;
    }
    if (text !== null && values["Option" + kOpenTextFile] === "True") {
      const shown = element("pre", { textContent: text.slice(0, kShownTextLength) });
      const details = element("details", { className: "text", open: true }, element("summary", { textContent: "テキストファイル" }), shown);
      if (text.length > kShownTextLength)
        details.append(element("p", { className: "note", textContent: `先頭の ${kShownTextLength.toLocaleString()} 文字を表示しています。全体は保存したファイルでご覧ください。` }));
      card.box.append(details);
    }
  }

  function convertFiles(files) {
    if (!table) return;
    if (values[kHeaderSetting] === String(kCustomHeader) && !header) {
      $("status").textContent = table.noHeaderChosenText.replace(/\r/g, "");
      return;
    }
    for (const file of files) {
      const id = nextId++;
      const box = element("section", { className: "result" });
      box.dataset.name = file.name;
      const state = element("p", { className: "state", textContent: "待っています…" });
      const progress = element("progress", { max: 100, value: 0 });
      box.append(element("h2", { textContent: file.name }), progress, state);
      $("results").append(box);
      pending.set(id, { box, state, progress });
      const custom = values[kHeaderSetting] === String(kCustomHeader);
      worker.postMessage({ type: "convert", id, file, settings: settingsText(), header: custom ? header.bytes : null });
    }
    updateStatus();
  }

  function updateStatus() {
    $("status").textContent = pending.size ? `変換しています（残り ${pending.size} 件）…` : "原稿をドロップするか、選んでください。";
  }

  const worker = new Worker(URL.createObjectURL(new Blob([$("worker-script").textContent], { type: "text/javascript" })));
  worker.onmessage = (event) => {
    const m = event.data;
    if (m.type === "ready") {
      table = m.table;
      loadValues();
      buildSettings();
      document.body.dataset.ready = "true";
      updateStatus();
    } else if (m.type === "failed") {
      $("status").textContent = "変換の準備ができませんでした（" + m.text + "）。";
    } else if (m.type === "progress") {
      const card = pending.get(m.id);
      if (!card) return;
      card.state.textContent = "変換しています…";
      card.progress.value = m.percent;
    } else if (m.type === "done") {
      const card = pending.get(m.id);
      pending.delete(m.id);
      showResult(card, m);
      card.box.dataset.done = "true";
      updateStatus();
    }
  };

  const drop = $("drop");
  drop.addEventListener("dragover", (e) => { e.preventDefault(); drop.classList.add("over"); });
  drop.addEventListener("dragleave", () => drop.classList.remove("over"));
  drop.addEventListener("drop", (e) => {
    e.preventDefault();
    drop.classList.remove("over");
    convertFiles([...e.dataTransfer.files]);
  });
  // A file dropped beside the drop area is not opened by the browser in place of the page.
  window.addEventListener("dragover", (e) => e.preventDefault());
  window.addEventListener("drop", (e) => e.preventDefault());
  $("pick").addEventListener("change", (e) => {
    convertFiles([...e.target.files]);
    e.target.value = "";
  });
})();
