// The browser seat's page. It keeps nothing of its own: the relay's side sends the lists, every
// line of the chat log and every change of the participant list, and this page shows them.

const $ = (id) => document.getElementById(id);
const MAX_LOG_LINES = 2000;

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

function appendLog(text) {
  const log = $("log");
  const atEnd = log.scrollTop + log.clientHeight >= log.scrollHeight - 4;
  const line = document.createElement("div");
  line.textContent = text;
  log.append(line);
  while (log.childElementCount > MAX_LOG_LINES) log.firstElementChild.remove();
  if (atEnd) log.scrollTop = log.scrollHeight;
}

function send(kind, ...fields) {
  if (socket && socket.readyState === WebSocket.OPEN) socket.send([kind, ...fields].join("\n"));
}

function receive(message) {
  if ("lists" in message) {
    fillSelect($("dice"), message.lists.dice);
    fillSelect($("speaker"), [playerName, ...message.lists.names]);
  } else if ("log" in message) {
    appendLog(message.log);
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

$("roll").addEventListener("click", () => send("roll", $("speaker").value, $("dice").value));

$("leave").addEventListener("click", () => {
  leaving = true;
  showNotice("パーティから抜けました。");
  socket?.close(1000);
  showEntry(true);
});

$("rejoin").addEventListener("click", () => join(playerName));
