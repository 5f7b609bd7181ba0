// The page's worker: it loads the module (which follows this script in the
// worker's source) and converts one manuscript after another as the page
// sends them, so that the page stays responsive while it works.
//   page → worker: {type: "convert", id, file, settings, header}
//   worker → page: {type: "ready", table}, {type: "progress", id, percent},
//                  {type: "done", id, result, files: [{kind, name, bytes}], seconds},
//                  {type: "failed", text} when the module cannot start
"use strict";

let current = null;  // the id of the manuscript being converted
const started = Promise.resolve().then(() =>
  TessalyModule({ onProgress: (percent) => postMessage({ type: "progress", id: current, percent }) }));

started.then((m) => {
  for (const folder of ["/in", "/out", "/app", "/app/temp"]) m.FS.mkdir(folder);
  postMessage({ type: "ready", table: JSON.parse(m.ccall("tessaly_settings", "string", [], [])) });
}, (error) => postMessage({ type: "failed", text: String(error) }));

function removeFile(m, path) {
  try { m.FS.unlink(path); } catch (e) { /* not there */ }
}

async function convert(m, job) {
  const refusal = m.ccall("tessaly_size_refusal", "string", ["string", "number"], [job.file.name, job.file.size]);
  if (refusal) return { result: { written: false, failure: refusal }, files: [] };
  current = job.id;
  postMessage({ type: "progress", id: job.id, percent: 0 });
  const start = performance.now();
  const input = "/in/" + job.file.name;
  const header = "/app/temp/header.txt";
  removeFile(m, header);
  if (job.header) m.FS.writeFile(header, job.header);
  m.FS.writeFile(input, new Uint8Array(await job.file.arrayBuffer()));
  let result;
  try {
    result = JSON.parse(m.ccall("tessaly_convert", "string", ["string", "string"], [job.file.name, job.settings]));
  } finally {
    current = null;
    removeFile(m, input);
  }
  const files = [];
  for (const kind of ["windowsFile", "macFile", "proofFile"]) {
    const path = result[kind];
    if (!path) continue;
    files.push({ kind, name: path.slice(path.lastIndexOf("/") + 1), bytes: m.FS.readFile(path).buffer });
    removeFile(m, path);
  }
  return { result, files, seconds: (performance.now() - start) / 1000 };
}

// One manuscript at a time, in the order they came.
let queue = started;
self.onmessage = (event) => {
  const job = event.data;
  if (job.type !== "convert") return;
  queue = queue.then(async (m) => {
    let answer;
    try {
      answer = await convert(m, job);
    } catch (error) {
      answer = { result: { written: false, failure: String(error) }, files: [] };
    }
    postMessage({ type: "done", id: job.id, ...answer }, answer.files.map((f) => f.bytes));
    return m;
  });
};
