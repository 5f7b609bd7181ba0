// The browser page's speed: each manuscript picked RUNS times in headless
// Chromium, with the default settings; for each, the conversion's own time in the worker (reading and
// converting, as the card reports it), the time from the pick until its
// result is on the page, and the longest time the page's own thread did
// not answer meanwhile (its timer ticks every 10 ms), the best and the
// median of the runs.
//   node PageBenchmark.js --page tessaly.html --work DIR [--runs 5] MANUSCRIPT...
"use strict";
const path = require("path");
const { LaunchChromium } = require("../tests/web/Chromium.js");

const o = { runs: "5", chromium: "/usr/bin/chromium", files: [] };
const argv = process.argv.slice(2);
for (let i = 0; i < argv.length; ++i) {
  if (argv[i].startsWith("--")) o[argv[i].slice(2)] = argv[++i];
  else o.files.push(path.resolve(argv[i]));
}

const best = (xs) => Math.min(...xs);
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

(async () => {
  const browser = await LaunchChromium(o.chromium, path.join(o.work, "profile"));
  try {
    const page = await browser.newPage();
    await page.goto("file://" + path.resolve(o.page));
    await page.waitForSelector("body[data-ready=true]", { timeout: 60000 });
    console.log("manuscript                      worker s (best/median)   on the page s (best/median)   longest pause ms");
    for (const file of o.files) {
      const worker = [], whole = [], pauses = [];
      for (let run = 0; run < Number(o.runs); ++run) {
        const before = (await page.$$("section.result[data-done=true]")).length;
        await page.evaluate(() => {
          window.benchmark = { start: performance.now(), last: performance.now(), longest: 0 };
          window.benchmark.timer = setInterval(() => {
            const now = performance.now();
            window.benchmark.longest = Math.max(window.benchmark.longest, now - window.benchmark.last);
            window.benchmark.last = now;
          }, 10);
        });
        await (await page.$("#pick")).uploadFile(file);
        await page.waitForFunction((n) => document.querySelectorAll("section.result[data-done=true]").length > n,
                                   { timeout: 120000, polling: 5 }, before);
        const r = await page.evaluate(() => {
          clearInterval(window.benchmark.timer);
          const cards = document.querySelectorAll("section.result");
          const card = cards[cards.length - 1];
          return { seconds: Number(card.dataset.seconds), whole: (performance.now() - window.benchmark.start) / 1000,
                   longest: window.benchmark.longest, failed: card.classList.contains("failed") };
        });
        if (r.failed) throw new Error(path.basename(file) + " failed in the page");
        worker.push(r.seconds), whole.push(r.whole), pauses.push(r.longest);
      }
      console.log(`${path.basename(file).padEnd(30)} ${best(worker).toFixed(3)} / ${median(worker).toFixed(3)}` +
                  `            ${best(whole).toFixed(3)} / ${median(whole).toFixed(3)}` +
                  `                 ${Math.round(median(pauses))}`);
    }
  } finally {
    await browser.close();
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
