"use strict";
// Injected into a page for "Download All by Fetchwright": its links with their texts. The
// value of the last expression is what the background script receives.
(() => {
  const links = [];
  const seen = new Set();
  let size = 0;
  for (const a of document.links) {
    const url = a.href;
    if (!url || url.length > 2000 || seen.has(url)) continue;
    const text = (a.innerText || a.textContent || "").replace(/\s+/g, " ").trim().slice(0, 300);
    size += url.length + text.length + 8;
    if (size > 80000) break;  // Fetchwright takes about 72 KB of list text
    seen.add(url);
    links.push({ url, text });
  }
  return { title: document.title, links };
})();
