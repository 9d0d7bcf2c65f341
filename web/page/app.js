// The browser seat's page. The relay's side sends the lists, every line of the chat log and
// every change of the participant list, and this page shows them; it keeps only the player's
// chat palette (in the browser) and the seals of the secret rolls it has seen.

const $ = (id) => document.getElementById(id);
const MAX_LOG_LINES = 2000;
const MAX_SEALS = 1000;
const PALETTE_KEY = "vesk.palette";
const DEFAULT_PALETTE = "2D6\nCCB<=50 目星\nS1D100\n公開";

let socket = null;
let playerName = "";
let leaving = false;

function showNotice(text) {
  $("notice").textContent = text;
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

function appendLog(text, relayBytes) {
  const log = $("log");
  const atEnd = log.scrollTop + log.clientHeight >= log.scrollHeight - 4;
  const line = document.createElement("div");
  if (relayBytes === undefined) {
    line.textContent = text;
  } else {
    // The relay's roll: no player's line can carry its mark.
    line.className = "relay";
    const badge = document.createElement("span");
    badge.className = "badge";
    badge.textContent = "サーバー";
    const verdict = document.createElement("span");
    verdict.className = "verdict";
    verdict.textContent = sealVerdict(text, relayBytes);
    line.append(badge, text, verdict);
  }
  log.append(line);
  while (log.childElementCount > MAX_LOG_LINES) log.firstElementChild.remove();
  if (atEnd) log.scrollTop = log.scrollHeight;
}

function send(kind, ...fields) {
  if (socket && socket.readyState === WebSocket.OPEN) socket.send([kind, ...fields].join("\n"));
}

function receive(message) {
  if ("lists" in message) {
    $("dice-list").replaceChildren(...message.lists.dice.map((entry) => new Option(entry)));
    if ($("dice").value === "" && message.lists.dice.length > 0) {
      $("dice").value = message.lists.dice[0];
    }
    fillSelect($("speaker"), [playerName, ...message.lists.names]);
  } else if ("log" in message) {
    appendLog(message.log, message.relay);
  } else if ("add" in message) {
    const row = document.createElement("li");
    row.textContent = message.add;
    $("people").append(row);
  } else if ("del" in message) {
    $("people").children[message.del]?.remove();
  } else if ("notice" in message) {
    showNotice(message.notice);
  } else if ("full" in message || "ended" in message) {
    leaving = true;
    $("rejoin").hidden = false;
  }
}

function join(name) {
  playerName = name;
  leaving = false;
  $("rejoin").hidden = true;
  $("log").replaceChildren();
  $("people").replaceChildren();
  showNotice("接続しています…");
  const scheme = location.protocol === "https:" ? "wss://" : "ws://";
  socket = new WebSocket(scheme + location.host + "/ws");
  socket.addEventListener("open", () => {
    showNotice("");
    send("join", name);
    showEntry(false);
    $("say").focus();
  });
  socket.addEventListener("message", (event) => {
    const data = JSON.parse(event.data);
    for (const message of Array.isArray(data) ? data : [data]) receive(message);
  });
  socket.addEventListener("close", () => {
    socket = null;
    if (!leaving) showNotice("接続が切れました。再接続でもう一度参加できます。");
    $("rejoin").hidden = false;
  });
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

$("say").addEventListener("keydown", (event) => {
  if (event.key !== "Enter" || event.isComposing) return;
  event.preventDefault();
  const text = $("say").value;
  if (text === "") return;
  send("say", $("speaker").value, text);
  $("say").value = "";
});

function roll() {
  const expression = $("dice").value.trim();
  if (expression === "") {
    showNotice("ダイス式を選択(入力)して下さい");
    return;
  }
  send("roll", $("speaker").value, expression);
}

$("roll").addEventListener("click", roll);
$("dice").addEventListener("keydown", (event) => {
  if (event.key !== "Enter" || event.isComposing) return;
  event.preventDefault();
  roll();
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
    button.addEventListener("click", () => send("say", $("speaker").value, entry));
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
  leaving = true;
  showNotice("パーティから抜けました。");
  socket?.close(1000);
  showEntry(true);
});

$("rejoin").addEventListener("click", () => join(playerName));
