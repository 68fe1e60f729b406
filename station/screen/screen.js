// The operator's screen: shows the station's state as its event stream
// (/events) pushes it, and nothing else; it sends the station nothing. The
// stream beats every second: after GONE_AFTER ms without a word the station
// is shown as gone, and the page reconnects by itself until it is back.
"use strict";

const GONE_AFTER = 3000;
const RECONNECT_EVERY = 2000;
const SYMBOLS = { waiting: "○", upgrading: "↻", passed: "✔", failed: "✖" };

const $ = (id) => document.getElementById(id);
// A text with %1, %2... in the page's language (i18n.js), filled in.
const filled = (text, ...values) => values.reduce((out, value, k) => out.replace("%" + (k + 1), () => String(value)), text);
// The station's words (a slot's state, a unit's result and status) come in
// English, as records have them, and are shown translated; listed here so
// that the catalogue has them.
const word = (text) => translated(text || "");
void [qsTr("waiting"), qsTr("upgrading"), qsTr("verified"), qsTr("upgraded"), qsTr("skipped"),
    qsTr("failed"), qsTr("interrupted"), qsTr("refused file"), qsTr("bad input"),
    qsTr("port failed"), qsTr("gimbal failed"), qsTr("no answer"), qsTr("lost upgrade"),
    qsTr("write failed"), qsTr("ok")];
const tiles = new Map();  // slot -> its tile element
let state = null;         // the station's latest state
let clockOffset = 0;      // the station's clock minus this one, ms
let lastHeard = Date.now();  // when the stream last said something (this clock)
let lastAttempt = 0;
let source = null;
let gone = false;

function connect() {
    if (source) source.close();
    lastAttempt = Date.now();
    source = new EventSource("events");
    let first = true;  // a connection's first state is no news, a station's restart neither
    source.addEventListener("state", (event) => {
        const message = heard(event);
        const previous = first ? null : state;
        first = false;
        state = message.state;
        show(previous);
    });
    source.addEventListener("beat", heard);
}

function heard(event) {
    const message = JSON.parse(event.data);
    lastHeard = Date.now();
    clockOffset = message.now - lastHeard;
    if (gone) {
        gone = false;
        announce([qsTr("Station back")]);
    }
    showLink();
    return message;
}

// Every half second: the ages move on, and a silent station is shown gone.
function tick() {
    const now = Date.now();
    if (!gone && now - lastHeard > GONE_AFTER) {
        gone = true;
        announce([qsTr("Station gone")]);
        showLink();
    }
    if (gone && now - lastAttempt > RECONNECT_EVERY) connect();
    for (const tile of tiles.values()) showAge(tile);
}

function showLink() {
    const screen = $("screen");
    let link = "connecting", symbol = "…", text = qsTr("Connecting to the station…");
    if (gone) {
        link = "gone";
        symbol = "✖";
        text = filled(qsTr("Station gone: no word from it since %1. This page reconnects by itself."),
                      new Date(lastHeard).toLocaleTimeString());
    } else if (state && state.stopping) {
        link = "stopping";
        symbol = "■";
        text = qsTr("Stopping: no new units; the upgrades in progress finish.");
    } else if (state) {
        link = "live";
        symbol = "●";
        text = qsTr("Station running");
    }
    screen.dataset.link = link;
    $("linkSymbol").textContent = symbol;
    $("linkText").textContent = text;
}

function show(previous) {
    const firmware = state.firmware;
    $("firmwareName").textContent = firmware.name || "—";
    $("firmwareVersion").textContent = firmware.version || "—";
    $("firmwareSha256").textContent = firmware.sha256 ? firmware.sha256.slice(0, 16) + "…" : "—";
    for (const [key, count] of Object.entries(state.tally)) {
        $(key).textContent = count === null ? "—" : String(count);
    }
    showLink();
    showSlots(previous);
    showRecent();
}

function showSlots(previous) {
    // Changes of a tile's state (not its progress) are read out; a first
    // state, or a station started anew, is not news.
    const before = new Map();
    if (previous) for (const slot of previous.slots) before.set(slot.slot, stateName(slot, false));
    const news = [];
    const slots = [...state.slots].sort((a, b) =>
        a.label.localeCompare(b.label, undefined, { numeric: true }));
    const container = $("slots");
    for (const slot of slots) {
        let tile = tiles.get(slot.slot);
        if (!tile) {
            tile = makeTile();
            tiles.set(slot.slot, tile);
        }
        container.appendChild(tile);  // in order; an element already there moves
        fillTile(tile, slot);
        const name = stateName(slot, false);
        if (previous && before.get(slot.slot) !== name) news.push(name);
    }
    for (const [key, tile] of tiles) {
        if (!slots.some((slot) => slot.slot === key)) {
            tile.remove();
            tiles.delete(key);
        }
    }
    $("noSlots").hidden = slots.length > 0;
    if (news.length) announce(news);
}

function makeTile() {
    const tile = document.createElement("div");
    tile.className = "tile";
    tile.setAttribute("role", "group");
    tile.innerHTML =
        '<p class="label"></p>' +
        '<p class="state"><span class="symbol" aria-hidden="true"></span> <span class="word"></span></p>' +
        '<progress max="1" value="0"></progress>' +
        '<p class="outcome"></p><p class="detail"></p><p class="bootloader"></p><p class="ago"></p>';
    return tile;
}

// "Slot A1: failed, no answer": the words a tile is named by, without its
// progress; an upgrade's board too when `board`.
function stateName(slot, board = true) {
    let words = word(slot.state);
    if (slot.state === "upgrading" && board) words = filled(qsTr("upgrading %1"), slot.board);
    if (slot.state === "passed") words = word(slot.word);
    if (slot.state === "failed") words = word(slot.word) + ", " + word(slot.statusWord);
    return filled(qsTr("Slot %1: %2"), slot.label, words);
}

function percent(slot) {
    return slot.maximum > 0 ? Math.min(100, Math.floor((100 * slot.progress) / slot.maximum)) : 0;
}

function fillTile(tile, slot) {
    const part = (name) => tile.querySelector("." + name);
    const upgrading = slot.state === "upgrading";
    tile.dataset.state = slot.state;
    tile.dataset.since = slot.since;
    // A gimbal found in its boot loader, or restarted into it, is marked on its slot.
    const bootLoader = slot.bootLoader ? qsTr("The gimbal was in its boot loader") : "";
    tile.dataset.bootLoader = slot.bootLoader ? "yes" : "no";
    tile.setAttribute("aria-label", stateName(slot) + (upgrading ? ", " + percent(slot) + "%" : "") +
                      (bootLoader ? ", " + bootLoader : ""));
    part("label").textContent = slot.label;
    part("symbol").textContent = SYMBOLS[slot.state] || "";
    const words = {
        waiting: qsTr("Waiting"),
        upgrading: filled(qsTr("Upgrading %1 %2%"), slot.board, percent(slot)),
        passed: capital(word(slot.word)),
        failed: capital(word(slot.word)),
    };
    part("word").textContent = words[slot.state] || slot.state;
    const bar = tile.querySelector("progress");
    bar.hidden = !upgrading;
    bar.max = Math.max(slot.maximum, 1);
    bar.value = Math.min(slot.progress, bar.max);
    bar.setAttribute("aria-label", filled(qsTr("Slot %1 progress"), slot.label));
    const ended = slot.state === "passed" || slot.state === "failed";
    part("outcome").textContent = ended
        ? filled(qsTr("%1, status %2 (%3), %4"), word(slot.result), slot.status,
                 word(slot.statusWord), seconds(slot.seconds))
        : "";
    part("detail").textContent = ended ? translated(slot.detail) : "";
    part("bootloader").textContent = bootLoader;
    showAge(tile);
}

function showAge(tile) {
    const state = tile.dataset.state;
    const text = state === "waiting" ? "" : ago(Number(tile.dataset.since));
    tile.querySelector(".ago").textContent =
        state === "upgrading" ? filled(qsTr("started %1"), text) : state === "waiting" ? "" : text;
}

function showRecent() {
    const list = $("recent");
    list.replaceChildren(...state.recent.map((unit) => {
        const item = document.createElement("li");
        const mark = document.createElement("span");
        mark.className = unit.passed ? "passed" : "failed";
        mark.setAttribute("aria-hidden", "true");
        mark.textContent = unit.passed ? "✔ " : "✖ ";
        item.append(clockTime(unit.at) + " ", mark,
                    unit.label + ": " + word(unit.word) +
                    (unit.passed ? "" : ", " + word(unit.statusWord)) + " (" +
                    filled(qsTr("%1, status %2, %3"), word(unit.result), unit.status,
                           seconds(unit.seconds)) + ")");
        return item;
    }));
    $("noRecent").hidden = state.recent.length > 0;
}

function announce(lines) {
    const region = $("announce");
    region.textContent = "";
    // A moment apart, so that the same words twice are read twice.
    setTimeout(() => { region.textContent = lines.join(". ") + "."; }, 50);
}

function ago(at) {
    const s = Math.max(0, Math.round((Date.now() + clockOffset - at) / 1000));
    if (s < 5) return qsTr("just now");
    if (s < 60) return filled(qsTr("%1 s ago"), s);
    if (s < 3600) return filled(qsTr("%1 min ago"), Math.floor(s / 60));
    return filled(qsTr("%1 h %2 min ago"), Math.floor(s / 3600), Math.floor((s % 3600) / 60));
}

// A time on the station's clock as this PC writes the time of day.
function clockTime(stationTime) {
    return new Date(stationTime).toLocaleTimeString();
}

function seconds(value) {
    return value.toFixed(1) + " s";
}

function capital(text) {
    return text.charAt(0).toUpperCase() + text.slice(1);
}

connect();
setInterval(tick, 500);
