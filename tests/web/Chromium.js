// Debian's Chromium, headless, for the page's test and its benchmark: a
// profile of its own, no background traffic, and every request sent to a
// proxy that is not there, so that nothing can leave the machine.
"use strict";
const puppeteer = require("puppeteer-core");

async function LaunchChromium(executable, profile) {
  return puppeteer.launch({
    executablePath: executable,
    headless: true,
    userDataDir: profile,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync", "--disable-default-apps",
           "--proxy-server=http://127.0.0.1:9", "--proxy-bypass-list=<-loopback>"],
  });
}

module.exports = { LaunchChromium };
