// The browser page as its user meets it, in headless Chromium with the
// network cut off: opened from disk, manuscripts dropped on it (and then
// picked), two settings changed and kept over a reload, and every file it
// saves compared byte for byte with what the native tessaly-convert writes
// with the same settings; a manuscript it cannot convert must fail with the
// native program's words. The page must make no network request.
//
//   node PageTest.js --page tessaly.html --native tessaly-convert --work DIR
//                    [--chromium /usr/bin/chromium] MANUSCRIPT...
"use strict";
const fs = require("fs");
const path = require("path");
const { spawnSync } = require("child_process");
const { LaunchChromium } = require("./Chromium.js");

function options(argv) {
  const o = { chromium: "/usr/bin/chromium", files: [] };
  for (let i = 0; i < argv.length; ++i) {
    const a = argv[i];
    if (a.startsWith("--")) o[a.slice(2)] = argv[++i];
    else o.files.push(path.resolve(a));
  }
  for (const k of ["page", "native", "work"]) if (!o[k]) throw new Error(`--${k} is missing`);
  return o;
}

const o = options(process.argv.slice(2));
let failures = 0;
let converted = 0, refused = 0;
function fail(text) {
  ++failures;
  console.error("FAIL: " + text);
}

// What the native program makes of one manuscript: its files, the count it
// reports, or the reason it gives for failing.
function native(file, flags, folder) {
  fs.mkdirSync(folder, { recursive: true });
  const run = spawnSync(o.native, ["--defaults", ...flags, "-o", folder, file], { encoding: "utf8" });
  const files = {};
  for (const name of fs.readdirSync(folder)) files[name] = fs.readFileSync(path.join(folder, name));
  const counted = run.stdout.match(/: (\d+) 個所変換しました/);
  const prefix = `tessaly-convert: ${file}: `;
  const failure = run.status === 0 ? null : run.stderr.split("\n").find((l) => l.startsWith(prefix));
  return { files, count: counted ? Number(counted[1]) : null, failure: failure ? failure.slice(prefix.length) : null };
}

async function main() {
  fs.rmSync(o.work, { recursive: true, force: true });
  const downloads = path.join(o.work, "downloads");
  fs.mkdirSync(downloads, { recursive: true });
  const browser = await LaunchChromium(o.chromium, path.join(o.work, "profile"));
  const requests = [];
  const problems = [];
  try {
    const page = await browser.newPage();
    // The page's requests, its worker's included (Chromium reports a
    // dedicated worker's with its page's); the browser's own background
    // traffic goes nowhere, through the proxy that is not there.
    page.on("request", (r) => { if (!/^(file|blob|data|about):/.test(r.url())) requests.push(r.url()); });
    page.on("pageerror", (e) => problems.push("page error: " + e.message));
    page.on("console", (m) => { if (m.type() === "error") problems.push("console: " + m.text()); });
    await page.setOfflineMode(true);
    const cdp = await browser.target().createCDPSession();
    await cdp.send("Browser.setDownloadBehavior", { behavior: "allowAndName", downloadPath: downloads, eventsEnabled: true });
    const started = new Map(), finished = new Map();
    cdp.on("Browser.downloadWillBegin", (e) => started.set(e.guid, e.suggestedFilename));
    cdp.on("Browser.downloadProgress", (e) => { if (e.state === "completed") finished.set(e.guid, true); });

    const open = async () => {
      await page.goto("file://" + path.resolve(o.page));
      await page.waitForSelector("body[data-ready=true]", { timeout: 60000 });
    };
    await open();

    // Saves every file a result card offers: name → bytes.
    async function save(card) {
      const files = {};
      for (const link of await card.$$("a.download")) {
        const before = new Set(started.keys());
        // Chromium drops a click's download when more than ten come within
        // moments of each other, so the clicks come a tenth of a second apart.
        await new Promise((r) => setTimeout(r, 100));
        await link.click();
        let guid = null;
        for (let i = 0; i < 600 && !(guid && finished.has(guid)); ++i) {
          guid = [...started.keys()].find((g) => !before.has(g)) || null;
          await new Promise((r) => setTimeout(r, 10));
        }
        if (!guid || !finished.has(guid)) throw new Error(`the download of ${await link.evaluate((a) => a.download)} did not finish`);
        files[started.get(guid)] = fs.readFileSync(path.join(downloads, guid));
      }
      return files;
    }

    // One round: the manuscripts given to the page, each result compared.
    async function round(name, flags, give, files = o.files) {
      const first = (await page.$$("section.result")).length;
      await give();
      await page.waitForFunction((n) => document.querySelectorAll("section.result[data-done=true]").length === n,
                                 { timeout: 300000 }, first + files.length);
      const cards = (await page.$$("section.result")).slice(first);
      for (let i = 0; i < files.length; ++i) {
        const file = files[i];
        const label = `${name}: ${path.basename(file)}`;
        const expected = native(file, flags, path.join(o.work, "native", name, String(i)));
        const shown = await cards[i].evaluate((c) => ({
          title: c.dataset.name, state: c.querySelector(".state").textContent, failed: c.classList.contains("failed"),
        }));
        if (shown.title !== path.basename(file)) fail(`${label}: the card is for ${shown.title}`);
        if (expected.failure !== null) {
          if (!shown.failed || shown.state !== expected.failure)
            fail(`${label}: the page says "${shown.state}", the native program "${expected.failure}"`);
          ++refused;
          continue;
        }
        if (shown.failed) { fail(`${label}: the page failed: ${shown.state}`); continue; }
        if (!shown.state.startsWith(`${expected.count} 個所変換しました`))
          fail(`${label}: the page says "${shown.state}", the native program counted ${expected.count}`);
        const saved = await save(cards[i]);
        const want = Object.keys(expected.files).sort(), got = Object.keys(saved).sort();
        if (want.join("|") !== got.join("|")) { fail(`${label}: saved ${got.join(", ")}; expected ${want.join(", ")}`); continue; }
        for (const f of want) if (!saved[f].equals(expected.files[f])) fail(`${label}: ${f} differs from the native output`);
        ++converted;
      }
      await page.screenshot({ path: path.join(o.work, `${name}.png`), fullPage: true });
    }

    // The defaults, the manuscripts dropped on the page.
    await round("defaults", [], async () => {
      const given = o.files.map((f) => ({ name: path.basename(f), base64: fs.readFileSync(f).toString("base64") }));
      await page.evaluate((given) => {
        const transfer = new DataTransfer();
        for (const g of given) {
          const s = atob(g.base64), bytes = new Uint8Array(s.length);
          for (let i = 0; i < s.length; ++i) bytes[i] = s.charCodeAt(i);
          transfer.items.add(new File([bytes], g.name));
        }
        document.getElementById("drop").dispatchEvent(new DragEvent("drop", { dataTransfer: transfer, bubbles: true, cancelable: true }));
      }, given);
    });

    // Two settings changed: group ruby (設定1) and the proof page (設定3);
    // the page keeps them over a reload.
    await page.select("#setting-Combo1", "1");
    await page.click("#tab-2");
    await page.click("#setting-ProofPage");
    await open();
    const kept = await page.evaluate(() => [document.getElementById("setting-Combo1").value, document.getElementById("setting-ProofPage").checked]);
    if (kept[0] !== "1" || kept[1] !== true) fail(`the settings were not kept over a reload: ${JSON.stringify(kept)}`);

    // The manuscripts picked with the file chooser.
    const flags = ["--ruby-style", "group", "--proof"];
    await round("group-ruby-proof", flags, async () => {
      await (await page.$("#pick")).uploadFile(...o.files);
    });

    // The custom header: refused until a header.txt is chosen, then the
    // chosen one heads the output, as --header-file's does.
    await page.select("#setting-Combo3", "1");
    const cardsBefore = (await page.$$("section.result")).length;
    await (await page.$("#pick")).uploadFile(o.files[0]);
    const status = await page.$eval("#status", (e) => e.textContent);
    if (status !== "タグのヘッダ部分が「カスタム」に設定されていますが、\nheader.txt が選ばれていません。\n\n設定3でヘッダファイルを選んでから、再度実行して下さい。" || (await page.$$("section.result")).length !== cardsBefore)
      fail(`a custom header without header.txt was not refused: ${status}`);
    const header = path.join(o.work, "header.txt");
    fs.writeFileSync(header, "<UNICODE-WIN>\r\n<DefineCharStyle:検査用=<cTypeface:R>>\r\n");
    await (await page.$("#header-file")).uploadFile(header);
    await page.waitForFunction(() => document.querySelector(".header-state").textContent.startsWith("header.txt"));
    await round("custom-header", [...flags, "--header", "custom", "--header-file", header], async () => {
      await (await page.$("#pick")).uploadFile(o.files[0]);
    }, [o.files[0]]);

    // A manuscript over the readers' limit (a sparse file on disk) is
    // refused by its size before the page reads any of it.
    const huge = path.join(o.work, "huge.doc");
    fs.writeFileSync(huge, "");
    fs.truncateSync(huge, 600 * 1024 * 1024);
    await round("too-large", [...flags, "--header", "custom", "--header-file", header], async () => {
      await (await page.$("#pick")).uploadFile(huge);
    }, [huge]);
  } finally {
    await browser.close();
  }
  for (const p of problems) fail(p);
  if (requests.length) fail("the page made network requests: " + requests.join(", "));
  console.log(`page: ${o.files.length} manuscripts, the defaults, two settings changed, a custom header, one too large (${converted} conversions, ${refused} refusals): ` +
              (failures ? `${failures} failures` : "every output equals the native build's"));
  process.exit(failures ? 1 : 0);
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
