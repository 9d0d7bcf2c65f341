// The browser seat's page. The relay's side sends the lists, every line of the chat log and
// every change of the participant list, and this page shows them; it keeps only the player's
// chat palette and settings (in the browser), the seals of the secret rolls it has seen, and
// what it needs to come back to its seat: the seat's resume key (for this tab only) and the
// number of the next message it wants.

const $ = (id) => document.getElementById(id);
const MAX_LOG_LINES = 2000;
const MAX_SEALS = 1000;
const PALETTE_KEY = "vesk.palette";
const SETTINGS_KEY = "vesk.settings";
const SEAT_KEY = "vesk.seat";
const DEFAULT_PALETTE = "2D6\nCCB<=50 目星\nS1D100\n公開";
const TITLE = document.title;
// Coming back: 1, 2, 4 and 8 seconds after the connection is lost, then every 10 seconds; an
// attempt that has not opened in 10 seconds is given up. A connection that brings nothing for
// 40 seconds (a ping goes every 15) is dead, even if the system has not noticed.
const RETRY_SECONDS = [1, 2, 4, 8];
const RETRY_EVERY = 10;
const OPEN_TIMEOUT_MS = 10000;
const PING_MS = 15000;
const SILENT_MS = 40000;
const ACK_MS = 200;

let socket = null;
let playerName = "";
let leaving = false;
// The seat this tab holds: its key, and the next message of its conversation wanted.
let seatKey = null;
let nextSeq = 1;
let lostAt = 0;
let retries = 0;
let retryTimer = 0;
let openTimer = 0;
let ackTimer = 0;
let lastHeard = 0;
let unread = 0;
const myNames = new Set();

function showNotice(text) {
  $("notice").textContent = text;
}

// Where the seat stands, always in view.
function showLink(state) {
  const link = $("link");
  link.dataset.state = state;
  if (state === "open") link.textContent = "接続中";
  else if (state === "retrying") {
    link.textContent = `再接続中（${Math.round((Date.now() - lostAt) / 1000)} 秒）`;
  } else if (state === "closed") link.textContent = "切断";
  else link.textContent = "未参加";
}

function showEntry(entering) {
  $("entry").hidden = !entering;
  $("party").hidden = entering;
}

function fillSelect(select, entries) {
  select.replaceChildren(...entries.map((entry) => new Option(entry, entry)));
}

// SHA-256 of bytes, in hex: the page may be served over plain HTTP, where the browser offers
// no digest of its own.
const SHA_ROUNDS = new Uint32Array([
  0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
  0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
  0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
  0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
  0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
  0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
  0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
  0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
]);

function sha256Hex(bytes) {
  const length = Math.ceil((bytes.length + 9) / 64) * 64;
  const message = new Uint8Array(length);
  message.set(bytes);
  message[bytes.length] = 0x80;
  const view = new DataView(message.buffer);
  view.setUint32(length - 8, Math.floor(bytes.length / 0x20000000));
  view.setUint32(length - 4, (bytes.length * 8) >>> 0);
  const state = new Uint32Array([0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19]);
  const words = new Uint32Array(64);
  const rotate = (value, by) => (value >>> by) | (value << (32 - by));
  for (let block = 0; block < length; block += 64) {
    for (let i = 0; i < 16; i++) words[i] = view.getUint32(block + 4 * i);
    for (let i = 16; i < 64; i++) {
      const s0 = rotate(words[i - 15], 7) ^ rotate(words[i - 15], 18) ^ (words[i - 15] >>> 3);
      const s1 = rotate(words[i - 2], 17) ^ rotate(words[i - 2], 19) ^ (words[i - 2] >>> 10);
      words[i] = words[i - 16] + s0 + words[i - 7] + s1;
    }
    let [a, b, c, d, e, f, g, h] = state;
    for (let i = 0; i < 64; i++) {
      const first = (h + (rotate(e, 6) ^ rotate(e, 11) ^ rotate(e, 25)) + ((e & f) ^ (~e & g)) +
                     SHA_ROUNDS[i] + words[i]) >>> 0;
      const second = ((rotate(a, 2) ^ rotate(a, 13) ^ rotate(a, 22)) +
                      ((a & b) ^ (a & c) ^ (b & c))) >>> 0;
      [h, g, f, e, d, c, b, a] = [g, f, e, (d + first) >>> 0, c, b, a, (first + second) >>> 0];
    }
    [a, b, c, d, e, f, g, h].forEach((value, i) => { state[i] += value; });
  }
  return Array.from(state, (word) => word.toString(16).padStart(8, "0")).join("");
}

// The seals of secret rolls seen, by roller and number, the oldest forgotten first.
const seals = new Map();
const COLON = [0x81, 0x46];  // "：" in code page 932
const KEY_WORD = [0x20, 0x8c, 0xae, 0x3a];  // " 鍵:"
const REVEAL_BYTES = 6;  // "公開 #"

function indexOfBytes(bytes, part, from = 0) {
  for (let at = from; at + part.length <= bytes.length; at++) {
    if (part.every((byte, i) => bytes[at + i] === byte)) return at;
  }
  return -1;
}

// Where the first "：" starts, by whole characters of code page 932.
function firstColon(bytes) {
  for (let at = 0; at + 1 < bytes.length;) {
    if (bytes[at] === COLON[0] && bytes[at + 1] === COLON[1]) return at;
    const lead = bytes[at];
    at += (lead >= 0x81 && lead <= 0x9f) || (lead >= 0xe0 && lead <= 0xfc) ? 2 : 1;
  }
  return -1;
}

// For one of the relay's lines: notes a seal, or tells a secret roll shown against its seal.
function sealVerdict(text, hex) {
  const sealed = text.match(/^【ダイス】(.+?)：シークレットダイス #(\d+) 封印 ([0-9a-f]{16})$/);
  if (sealed) {
    seals.set(sealed[1] + "#" + sealed[2], sealed[3]);
    if (seals.size > MAX_SEALS) seals.delete(seals.keys().next().value);
    return "";
  }
  const shown = text.match(/^【ダイス】(.+?)：公開 #(\d+) .* 鍵:([0-9a-f]{32})$/);
  if (!shown) return "";
  const seal = seals.get(shown[1] + "#" + shown[2]);
  if (!seal) return "（封印を見ていないため確かめられません）";
  const bytes = Uint8Array.from(hex.match(/../g) || [], (pair) => parseInt(pair, 16));
  const list = Array.from(bytes);
  // The result: after "：公開 #n " and before the last " 鍵:", as the relay sealed it.
  let keyAt = -1;
  for (let at = indexOfBytes(list, KEY_WORD); at >= 0; at = indexOfBytes(list, KEY_WORD, at + 1)) {
    keyAt = at;
  }
  const start = firstColon(list) + COLON.length + REVEAL_BYTES + shown[2].length + 1;
  if (keyAt < start) return "（封印と一致しません）";
  const sealedBytes = new Uint8Array([...list.slice(start, keyAt),
                                      ...new TextEncoder().encode(shown[3])]);
  return sha256Hex(sealedBytes).slice(0, 16) === seal ? "（封印と一致）" : "（封印と一致しません）";
}

// --- How a line looks ----------------------------------------------------------------------

// The speaker of a shown line: before its first "：", after the relay's mark.
function speakerOf(text) {
  const colon = text.indexOf("：");
  if (colon <= 0) return "";
  return text.startsWith("【ダイス】") ? text.slice(5, colon) : text.slice(0, colon);
}

// A steady hue for each speaker (FNV-1a over the name, as the saved log picks its colours),
// as light or as dark as the log's background needs for its text to be read.
function speakerColour(name) {
  let hash = 2166136261;
  for (const byte of new TextEncoder().encode(name)) hash = Math.imul(hash ^ byte, 16777619) >>> 0;
  const hue = hash % 360;
  const dark = matchMedia("(prefers-color-scheme: dark)").matches;
  // The log's background, and those of the player's own lines and of mentions.
  const backs = dark ? [[0x23, 0x26, 0x2b], [0x26, 0x34, 0x4d], [0x4a, 0x3f, 0x12]]
                     : [[0xf3, 0xf4, 0xf6], [0xe6, 0xee, 0xfb], [0xff, 0xf3, 0xc4]];
  for (let step = 0; step <= 12; step++) {
    const lightness = dark ? 0.65 + step * 0.025 : 0.38 - step * 0.025;
    const rgb = hslToRgb(hue, 0.65, lightness);
    if (backs.every((back) => contrast(rgb, back) >= 4.5)) return `rgb(${rgb.join(",")})`;
  }
  return "";
}

function hslToRgb(hue, saturation, lightness) {
  const chroma = (1 - Math.abs(2 * lightness - 1)) * saturation;
  const f = (n) => {
    const k = (n + hue / 30) % 12;
    return Math.round(255 * (lightness - chroma / 2 * Math.max(-1, Math.min(k - 3, 9 - k, 1))));
  };
  return [f(0), f(8), f(4)];
}

function contrast(a, b) {
  const luminance = (rgb) => {
    const [r, g, b] = rgb.map((c) => {
      const v = c / 255;
      return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4;
    });
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
  };
  const [x, y] = [luminance(a), luminance(b)].sort((p, q) => q - p);
  return (x + 0.05) / (y + 0.05);
}

// The speakers' colours follow the light or dark mode the system switches to.
matchMedia("(prefers-color-scheme: dark)").addEventListener("change", () => {
  for (const name of document.querySelectorAll("#log .speaker")) {
    name.style.color = speakerColour(name.dataset.speaker);
  }
});

function clock(epochMs) {
  return new Date(epochMs).toLocaleTimeString("ja-JP", {hour: "2-digit", minute: "2-digit"});
}

// One line of the log: its time (shown on a tap, or always with the setting), the speaker in
// the speaker's colour, the relay's rolls with their badge and seal verdict.
function logLine(text, relayBytes, epochMs) {
  const line = document.createElement("div");
  // A blank line, which spaces the log out, has no time to tell.
  if (text !== "") {
    const time = document.createElement("time");
    time.className = "time";
    time.dateTime = new Date(epochMs).toISOString();
    time.textContent = clock(epochMs);
    line.append(time);
  }
  if (relayBytes !== undefined) {
    // The relay's roll: no player's line can carry its mark.
    line.classList.add("relay");
    const badge = document.createElement("span");
    badge.className = "badge";
    badge.textContent = "サーバー";
    line.append(badge);
  }
  const speaker = speakerOf(text);
  if (speaker === "") {
    line.append(text);
  } else {
    const name = document.createElement("span");
    name.className = "speaker";
    name.dataset.speaker = speaker;
    name.style.color = speakerColour(speaker);
    const at = text.indexOf(speaker) + speaker.length;
    name.textContent = text.slice(0, at);
    line.append(name, text.slice(at));
    if (myNames.has(speaker)) line.classList.add("mine");
    else if (playerName !== "" && text.slice(at + 1).includes(playerName)) {
      line.classList.add("mention");
    }
  }
  if (relayBytes !== undefined) {
    const verdict = document.createElement("span");
    verdict.className = "verdict";
    verdict.textContent = sealVerdict(text, relayBytes);
    line.append(verdict);
  }
  return line;
}

function appendToLog(line) {
  const log = $("log");
  const atEnd = log.scrollTop + log.clientHeight >= log.scrollHeight - 4;
  log.append(line);
  while (log.childElementCount > MAX_LOG_LINES) log.firstElementChild.remove();
  if (atEnd) log.scrollTop = log.scrollHeight;
}

function appendLog(text, relayBytes, epochMs) {
  const line = logLine(text, relayBytes, epochMs);
  appendToLog(line);
  if (document.hidden) {
    unread++;
    document.title = `(${unread}) ${TITLE}`;
    if (line.classList.contains("mention")) notify(text);
  }
}

// The recent conversation, apart from the live one: greyed, with its times.
function showPast(lines) {
  if (lines.length === 0) return;
  const head = document.createElement("div");
  head.className = "past-head";
  head.textContent = "これまでの会話";
  appendToLog(head);
  for (const past of lines) {
    const line = logLine(past.log, past.relay, past.t);
    line.classList.add("past");
    line.classList.remove("mention");
    appendToLog(line);
  }
  const end = document.createElement("div");
  end.className = "past-head";
  end.textContent = "ここから";
  appendToLog(end);
}

function notify(text) {
  if (!settings.notify || !("Notification" in window) || Notification.permission !== "granted") {
    return;
  }
  try {
    new Notification(TITLE, {body: text, tag: "vesk-mention"});
  } catch {
    // Some browsers show notifications from a service worker only; the title still counts.
  }
}

document.addEventListener("visibilitychange", () => {
  if (document.hidden) return;
  unread = 0;
  document.title = TITLE;
});

// --- The seat's connection -------------------------------------------------------------------

function send(kind, ...fields) {
  if (socket && socket.readyState === WebSocket.OPEN) socket.send([kind, ...fields].join("\n"));
}

function saveSeat() {
  try {
    if (seatKey) sessionStorage.setItem(SEAT_KEY, JSON.stringify({key: seatKey, name: playerName}));
    else sessionStorage.removeItem(SEAT_KEY);
  } catch {
    // Without storage a reload cannot come back to the seat; nothing else changes.
  }
}

function acknowledge() {
  if (ackTimer) return;
  ackTimer = setTimeout(() => {
    ackTimer = 0;
    send("ack", String(nextSeq));
  }, ACK_MS);
}

// Messages of one frame: a {"n":SEQ,"t":MS} entry numbers the conversation's messages after
// it; one this page has taken already is passed over.
function receiveFrame(data) {
  let seq = 0;
  let at = Date.now();
  for (const message of Array.isArray(data) ? data : [data]) {
    if ("n" in message) {
      seq = message.n;
      at = message.t;
    } else if ("log" in message || "add" in message || "del" in message) {
      if (seq !== 0 && seq < nextSeq) {
        seq++;
        continue;
      }
      if (seq !== 0) nextSeq = ++seq;
      receive(message, at);
      acknowledge();
    } else {
      receive(message, at);
    }
  }
}

function receive(message, at) {
  if ("lists" in message) {
    $("dice-list").replaceChildren(...message.lists.dice.map((entry) => new Option(entry)));
    if ($("dice").value === "" && message.lists.dice.length > 0) {
      $("dice").value = message.lists.dice[0];
    }
    const chosen = $("speaker").value;
    fillSelect($("speaker"), [playerName, ...message.lists.names]);
    if (chosen) $("speaker").value = chosen;
  } else if ("log" in message) {
    appendLog(message.log, message.relay, at);
  } else if ("past" in message) {
    showPast(message.past);
  } else if ("add" in message) {
    const row = document.createElement("li");
    row.textContent = message.add;
    $("people").append(row);
  } else if ("del" in message) {
    $("people").children[message.del]?.remove();
  } else if ("people" in message) {
    $("people").replaceChildren(...message.people.map((name) => {
      const row = document.createElement("li");
      row.textContent = name;
      return row;
    }));
  } else if ("key" in message) {
    // Seated: the page may come back to this seat until it leaves.
    seatKey = message.key;
    saveSeat();
    showNotice("");
  } else if ("resumed" in message) {
    if (message.resumed) {
      showNotice("");
      return;
    }
    // The seat's place is gone: its grace time passed, or the relay started anew.
    endSeat("席はもうありません。再接続でもう一度参加できます。");
  } else if ("notice" in message) {
    showNotice(message.notice);
  } else if ("replaced" in message) {
    endSeat("この席は別の画面に引き継がれました。");
  } else if ("full" in message || "ended" in message) {
    endSeat(null);
  }
}

// The seat is over for this tab; 再接続 joins anew.
function endSeat(notice) {
  leaving = true;
  seatKey = null;
  saveSeat();
  clearTimeout(retryTimer);
  if (notice) showNotice(notice);
  // The list was the party's as this seat saw it; it sees it no more.
  $("people").replaceChildren();
  showLink("closed");
  $("rejoin").hidden = false;
}

// Lets go of the socket at hand without waiting for it to close: its events are ignored.
function dropSocket() {
  clearTimeout(openTimer);
  if (!socket) return;
  const old = socket;
  socket = null;
  try {
    old.close();
  } catch {
    // A socket that is closing already.
  }
}

function connectionLost() {
  dropSocket();
  if (leaving || !seatKey) {
    if (!leaving) showNotice("接続が切れました。再接続でもう一度参加できます。");
    showLink("closed");
    $("rejoin").hidden = false;
    return;
  }
  if (retries === 0) lostAt = Date.now();
  const wait = RETRY_SECONDS[retries] ?? RETRY_EVERY;
  retries++;
  showLink("retrying");
  clearTimeout(retryTimer);
  retryTimer = setTimeout(() => open(true), wait * 1000);
}

// Opens the seat's connection: a join under the name, or the seat's key to come back with.
// fresh: this page shows nothing of the seat yet (it was reloaded), so it asks for the list
// and the recent conversation instead of the messages it missed.
function open(resuming, fresh = false) {
  dropSocket();
  const scheme = location.protocol === "https:" ? "wss://" : "ws://";
  const ws = new WebSocket(scheme + location.host + "/ws");
  socket = ws;
  openTimer = setTimeout(() => {
    if (socket === ws) connectionLost();
  }, OPEN_TIMEOUT_MS);
  ws.addEventListener("open", () => {
    if (socket !== ws) return;
    clearTimeout(openTimer);
    lastHeard = Date.now();
    retries = 0;
    showLink("open");
    if (resuming) send("resume", seatKey, fresh ? "" : String(nextSeq));
    else send("join", playerName);
  });
  ws.addEventListener("message", (event) => {
    if (socket !== ws) return;
    lastHeard = Date.now();
    receiveFrame(JSON.parse(event.data));
  });
  ws.addEventListener("close", () => {
    if (socket === ws) connectionLost();
  });
}

setInterval(() => {
  if (!socket || socket.readyState !== WebSocket.OPEN) {
    if (retries > 0) showLink("retrying");
    return;
  }
  if (Date.now() - lastHeard > SILENT_MS) {
    connectionLost();
    return;
  }
  send("ping");
}, PING_MS);
setInterval(() => {
  if ($("link").dataset.state === "retrying") showLink("retrying");
}, 1000);

function join(name) {
  playerName = name;
  myNames.clear();
  myNames.add(name);
  leaving = false;
  seatKey = null;
  nextSeq = 1;
  retries = 0;
  $("rejoin").hidden = true;
  $("log").replaceChildren();
  $("people").replaceChildren();
  showNotice("接続しています…");
  showEntry(false);
  open(false);
  $("say").focus();
}

$("entry").addEventListener("submit", (event) => {
  event.preventDefault();
  const name = $("name").value.replace(/[\t\r\n]/g, " ").trim();
  if (name === "") {
    showNotice("名前を入力してください");
    return;
  }
  join(name);
});

function say(text) {
  if (text === "") return;
  myNames.add($("speaker").value);
  send("say", $("speaker").value, text);
}

$("chat").addEventListener("submit", (event) => {
  event.preventDefault();
  say($("say").value);
  $("say").value = "";
  $("say").focus();
});
$("say").addEventListener("keydown", (event) => {
  // Enter while a Japanese input method composes chooses the conversion; it sends nothing.
  if (event.key === "Enter" && event.isComposing) event.preventDefault();
});

function roll() {
  const expression = $("dice").value.trim();
  if (expression === "") {
    showNotice("ダイス式を選択(入力)して下さい");
    return;
  }
  myNames.add($("speaker").value);
  send("roll", $("speaker").value, expression);
}

$("roll").addEventListener("click", roll);
$("dice").addEventListener("keydown", (event) => {
  if (event.key !== "Enter" || event.isComposing) return;
  event.preventDefault();
  roll();
});

// A tap on a line shows its time.
$("log").addEventListener("click", (event) => {
  event.target.closest("#log > div")?.classList.toggle("show-time");
});

// --- What this browser keeps ---------------------------------------------------------------

const settings = loadSettings();

function loadSettings() {
  try {
    return {times: false, notify: false, ...JSON.parse(localStorage.getItem(SETTINGS_KEY) ?? "{}")};
  } catch {
    return {times: false, notify: false};
  }
}

function saveSettings() {
  try {
    localStorage.setItem(SETTINGS_KEY, JSON.stringify(settings));
  } catch {
    // The settings hold until the tab closes.
  }
}

$("show-times").checked = settings.times;
$("log").classList.toggle("times", settings.times);
$("show-times").addEventListener("change", () => {
  settings.times = $("show-times").checked;
  $("log").classList.toggle("times", settings.times);
  saveSettings();
});

$("notify").checked = settings.notify && "Notification" in window &&
                      Notification.permission === "granted";
$("notify").disabled = !("Notification" in window);
$("notify").addEventListener("change", async () => {
  settings.notify = $("notify").checked;
  if (settings.notify && Notification.permission !== "granted") {
    settings.notify = (await Notification.requestPermission()) === "granted";
    $("notify").checked = settings.notify;
  }
  saveSettings();
});

// The chat palette: the player's own commands and lines, one a line, sent with one tap.
function loadPalette() {
  try {
    return localStorage.getItem(PALETTE_KEY) ?? DEFAULT_PALETTE;
  } catch {
    return DEFAULT_PALETTE;
  }
}

function showPalette(text) {
  const entries = text.split("\n").map((entry) => entry.trim()).filter((entry) => entry !== "");
  $("palette-items").replaceChildren(...entries.slice(0, 100).map((entry) => {
    const button = document.createElement("button");
    button.type = "button";
    button.textContent = entry;
    button.addEventListener("click", () => say(entry));
    return button;
  }));
}

$("palette-text").value = loadPalette();
showPalette($("palette-text").value);
$("palette-text").addEventListener("input", () => {
  const text = $("palette-text").value;
  try {
    localStorage.setItem(PALETTE_KEY, text);
  } catch {
    // A browser that keeps nothing still lets the palette be used until the tab closes.
  }
  showPalette(text);
});

$("leave").addEventListener("click", () => {
  // Only leaving gives the seat up at once; any other end keeps it for the page's return.
  send("leave");
  endSeat("パーティから抜けました。");
  dropSocket();
  showEntry(true);
});

$("rejoin").addEventListener("click", () => join(playerName));

// A reloaded tab comes back to the seat it held.
try {
  const kept = JSON.parse(sessionStorage.getItem(SEAT_KEY) ?? "null");
  if (kept && kept.key && kept.name) {
    playerName = kept.name;
    myNames.add(kept.name);
    seatKey = kept.key;
    showEntry(false);
    open(true, true);
  }
} catch {
  // Nothing kept: the page starts at its entry form.
}
