"use strict";
// Fetchwright capture. Downloads the browser is about to make are offered to Fetchwright
// through its native host, which decides from Fetchwright's own settings whether to take
// them; a taken download is dropped by the browser. The two context-menu commands hand a
// link, or all links of a page, to Fetchwright. Nothing is decided here: without the host,
// or when it fails, the browser downloads as it always does.

const api = globalThis.browser ?? globalThis.chrome;
const HOST = "org.fetchwright.snarebolt";
const MENU_LINK = "fetchwright-link";
const MENU_PAGE = "fetchwright-page";
const NETWORK_URL = /^(https?|ftp):\/\//i;

function ask(message) {
  return api.runtime.sendNativeMessage(HOST, message);
}

async function cookiesFor(url, storeId) {
  try {
    const query = { url };
    if (storeId) query.storeId = storeId;
    return await api.cookies.getAll(query);
  } catch (e) {
    return [];
  }
}

// True when Fetchwright took the download; false on a refusal or any failure.
async function offer(url, finalUrl, referrer, storeId) {
  try {
    const cookies = await cookiesFor(finalUrl || url, storeId);
    const answer = await ask({ type: "download", url, finalUrl, referrer, cookies });
    return !!(answer && answer.taken === true);
  } catch (e) {
    return false;
  }
}

// ---- Chromium: the download is held while its file name is being decided ----------------

function holdChromiumDownload(item, suggest) {
  if (!NETWORK_URL.test(item.finalUrl || item.url)) return false;
  offer(item.url, item.finalUrl || "", item.referrer || "").then(async (taken) => {
    if (!taken) {
      suggest();
      return;
    }
    try {
      await api.downloads.cancel(item.id);
    } catch (e) {
      // already ended
    }
    try {
      await api.downloads.erase({ id: item.id });
    } catch (e) {
      // already gone
    }
  });
  return true;  // suggest() comes later
}

// ---- Firefox: the response is held before Firefox turns it into a download --------------
// (Firefox has no onDeterminingFilename, and its onCreated comes after it wrote files.)

const FIREFOX_FILTER = { urls: ["<all_urls>"], types: ["main_frame", "sub_frame"] };
const refererOf = new Map();  // requestId -> Referer header as sent

function header(headers, name) {
  const h = (headers || []).find((x) => x.name.toLowerCase() === name);
  return h ? h.value : "";
}

// A response the browser shows as a page is not offered; attachments and every other type
// are (whether the URL is of a monitored type is the host's decision).
function mayBeDownload(headers) {
  if (/^\s*attachment/i.test(header(headers, "content-disposition"))) return true;
  const type = header(headers, "content-type").split(";")[0].trim().toLowerCase();
  return !["text/html", "application/xhtml+xml", "text/plain", ""].includes(type);
}

// A target=_blank link leaves an empty tab once its only navigation is cancelled.
function closeIfEmpty(tabId) {
  setTimeout(async () => {
    try {
      const tab = await api.tabs.get(tabId);
      if (tab.url === "about:blank") await api.tabs.remove(tabId);
    } catch (e) {
      // the tab is gone already
    }
  }, 200);
}

async function holdFirefoxResponse(d) {
  const referrer = refererOf.get(d.requestId) || d.originUrl || "";
  refererOf.delete(d.requestId);
  if (d.method !== "GET" || d.statusCode < 200 || d.statusCode > 299) return {};
  if (!NETWORK_URL.test(d.url) || !mayBeDownload(d.responseHeaders)) return {};
  if (!(await offer(d.url, "", referrer, d.cookieStoreId))) return {};
  if (d.type === "main_frame" && d.tabId >= 0) closeIfEmpty(d.tabId);
  return { cancel: true };
}

// Listeners are added at the top level, so that the browser wakes this script for them.
if (api.downloads && api.downloads.onDeterminingFilename) {
  api.downloads.onDeterminingFilename.addListener(holdChromiumDownload);
} else if (api.webRequest && api.webRequest.onHeadersReceived) {
  api.webRequest.onBeforeSendHeaders.addListener(
    (d) => {
      refererOf.set(d.requestId, header(d.requestHeaders, "referer"));
    },
    FIREFOX_FILTER,
    ["requestHeaders"],
  );
  api.webRequest.onHeadersReceived.addListener(holdFirefoxResponse, FIREFOX_FILTER, [
    "blocking",
    "responseHeaders",
  ]);
}

// ---- Context menu ------------------------------------------------------------------------

api.runtime.onInstalled.addListener(() => {
  api.contextMenus.create({
    id: MENU_LINK,
    title: "Download using Fetchwright",
    contexts: ["link"],
  });
  api.contextMenus.create({
    id: MENU_PAGE,
    title: "Download All by Fetchwright",
    contexts: ["page"],
  });
});

async function pageLinks(tabId) {
  const [frame] = await api.scripting.executeScript({ target: { tabId }, files: ["links.js"] });
  const found = frame && frame.result;
  return found && Array.isArray(found.links) ? found : { title: "", links: [] };
}

async function runMenuCommand(info, tab) {
  if (info.menuItemId === MENU_LINK) {
    return ask({
      type: "link",
      url: info.linkUrl,
      text: info.linkText || info.selectionText || "",
      page: info.pageUrl || "",
    });
  }
  if (info.menuItemId === MENU_PAGE && tab && tab.id !== undefined) {
    const found = await pageLinks(tab.id);
    return ask({ type: "page", url: info.pageUrl || tab.url, title: found.title, links: found.links });
  }
  return null;
}

api.contextMenus.onClicked.addListener((info, tab) => {
  runMenuCommand(info, tab).catch(() => {});
});

// The extension's own pages may run a menu command (the automated tests reach the
// commands this way, having no context menu to click). Web pages and other extensions
// cannot send to this listener.
api.runtime.onMessage.addListener((message, sender, sendResponse) => {
  const ownPage =
    sender.id === api.runtime.id && !!sender.url && sender.url.startsWith(api.runtime.getURL(""));
  if (!ownPage || !message || message.command !== "menu") return false;
  runMenuCommand(message.info || {}, message.tab).then(
    (answer) => sendResponse({ answer }),
    (e) => sendResponse({ error: String(e) }),
  );
  return true;
});
