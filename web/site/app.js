// The page: the window's controls wired to the line (link.js, run in a
// worker by link-host.js), which holds the Web Serial port and the core
// (GimbalLink, built from the portable C++ core). The core decides what to
// send, when, and what every reply and every upgrade step shows; this file
// forwards clicks, puts texts into fields and tells screen readers what is new.

import { offerNewBuilds } from './build-update.js';
import { LinkHost, kNoWorkerMessage } from './link-host.js';
import { PortList, askForPort, explainOpenFailure, kNoPortChosen } from './ports.js';
import { guardUpgrade } from './upgrade-guard.js';

const $ = (id) => document.getElementById(id);

// The texts below may be made before the page's catalogue arrives (i18n.js):
// setOut and showMessage look them up again as they show them. The control
// byte 0x18 stays out of the translated words, so those two are made when shown.
const openSucceeded = () => qsTr('Open serial succeed') + '\x18!';
const openFailed = () => qsTr('Open serial fail') + '\x18!';
const kMaxFileSize = 16 * 1024 * 1024;  // larger files are refused without being read
const kWorkerEnded =
    qsTr('The page\'s worker ended: the page now runs the line itself; open the port again.\n');
const kWorkerEndedMidUpgrade =
    qsTr('The page\'s worker ended mid-upgrade: the upgrade stopped; open the port and upgrade again.\n');
const kReleaseSourceKey = 'releaseSource';  // the release folder typed, kept in localStorage
const kIdleWaitMs = 1000;  // work left for an idle moment runs by then all the same

// Each request button's request, by its name in the core (calibration::Request).
const kRequests = {
    btn_InitGyro: 'InitGyro', btn_CalibrAcc: 'CalibrAcc', btn_ReadAcc: 'ReadAcc',
    btn_ResetAcc: 'ResetAcc', btn_SaveAll: 'SaveAll', btn_ReadVer: 'ReadVer',
    btn_CalibrUp: 'JoystickUp', btn_CalibrDown: 'JoystickDown', btn_CalibrLeft: 'JoystickLeft',
    btn_CalibrRight: 'JoystickRight', btn_CalibrMid: 'JoystickMiddle',
    btn_CalibrSave: 'JoystickSave',
};
const kTabs = ['btn_FirmwareUpgrade', 'btn_AttitudeCalibration', 'btn_CalibratioonJoystick'];
const kPages = ['firmwareUpgradePage', 'attitudeCalibrationPage', 'joystickCalibrationPage'];
// The controls no upgrade may race with, in the order they are locked.
const kLockedDuringUpgrade = ['btn_Open', 'btn_Close', 'btn_Search', 'btn_Upgrade', 'btn_OpenFile',
    'btn_FirmwareUpgrade', 'btn_CalibratioonJoystick', 'btn_AttitudeCalibration',
    'lineEndingPopUpButton'];

let constants = null;   // the core's periods, colours and texts (coreConstants)
let link = null;        // the line and the core (LinkHost)
let openPort = null;    // the port open on the line, or null
let upgrading = false;
let portList = null;    // the port row's list (PortList)
let tabSelectNum = 1;   // 1 firmware, 2 attitude, 3 joystick
let fileInUse = '';     // the name of the file loaded in the core
let fileChoice = 0;     // counts choices: only the latest one's bytes are loaded
let fileInUseBytes = null;  // a copy, loaded again when the worker ends
let logText = '';
let helpOpen = false;

// ---- message log and fields ----

// What is new, as text in the polite live region: a field's value or a
// textarea's changes are not announced by screen readers, and the whole log
// should not be read again for each line.
function announce(text) {
    const said = text.replace(/\s+/g, ' ').trim();
    if (!said) return;
    const region = $('liveRegion');
    const line = document.createElement('p');
    line.textContent = said;
    region.append(line);
    while (region.childElementCount > 20) region.firstElementChild.remove();
}

// The core's texts come in English and are shown in the page's language (i18n.js).
function setOut(english) {
    const text = translated(english);
    logText += text;
    const log = $('outText');
    log.value = logText;
    log.scrollTop = log.scrollHeight;
    announce(text);
}

// An error from the worker: its wording looked up here and its values (a
// value may be a wording too) filled in; else its English text.
function shownWording(value) {
    if (typeof value !== 'object') return String(value);
    return qsTr(value.text).replace(/%(\d)/g, (mark, k) => shownWording(value.values[k - 1]));
}
const shownError = (failed) => (failed.wording ? shownWording(failed.wording) : failed.error);

function showMessage(id, english) {
    const text = translated(english);
    const field = $(id);
    if (field.value === text) return;  // the status poll shows the same text again
    field.value = text;
    announce(text);
}

function showAttitudeMessage(text) {
    showMessage('m_MessageShow', text);
    if (tabSelectNum === 3) showMessage('m_JoystickMessageShow', text);
}

function showReport(report) {
    if (report.field === 1) showMessage('m_MessageShow', report.text);
    if (report.field === 2) showMessage('m_JoystickMessageShow', report.text);
    const fields = [[], ['m_Gyro_x', 'm_Gyro_y', 'm_Gyro_z'], ['m_Acc_x', 'm_Acc_y', 'm_Acc_z'],
        ['m_JoystickValue1', 'm_JoystickValue2']][report.values];
    report.value.forEach((value, k) => {
        const field = $(fields[k]);
        field.value = String(value);
        if (report.verdict[k] !== 0) {
            const inRange = report.verdict[k] === 1;
            field.style.color = inRange ? constants.inRangeColour : constants.outOfRangeColour;
            // The colour told in words too, for those who cannot see it.
            field.setAttribute('aria-invalid', String(!inRange));
            if (inRange) field.removeAttribute('aria-description');
            else field.setAttribute('aria-description', translated(constants.outOfRangeDescription));
        }
    });
}

// ---- the line ----

function setEnabled(ids, enabled) {
    for (const id of ids) $(id).disabled = !enabled;
}

function releasePortRow() {
    setEnabled(['btn_Open', 'btn_Search', 'lineEndingPopUpButton'], true);
}

// What the line reports on its own: the port gone, the upgrade's output and
// its start and end, the status poll.
function onLinkEvent(event) {
    if (event.log !== undefined) setOut(typeof event.log === 'object' ? shownWording(event.log) : event.log);
    if (event.progress !== undefined) $('progressIndicator').value = event.progress;
    if (event.report) showReport(event.report);
    if (event.lost !== undefined) portGone(event.lost);
    if (event.upgrading === true) upgradeStarted();
    if (event.upgrading === false) upgradeEnded();
    if (event.workerEnded) workerEnded();
}

// The worker ended after it started: its line and its upgrade ended with it.
// The page runs the line itself from now on, with the file in use loaded again.
async function workerEnded() {
    const wasUpgrading = upgrading;
    if (upgrading) upgradeEnded();
    openPort = null;
    releasePortRow();
    setOut(wasUpgrading ? kWorkerEndedMidUpgrade : kWorkerEnded);
    if (!fileInUseBytes) return;
    const copy = fileInUseBytes.slice();
    await link.ask('load', { name: fileInUse, bytes: copy.buffer }, [copy.buffer]);
}

function portGone(label) {
    openPort = null;
    const text = qsTr('%1 was unplugged').replace('%1', () => label);
    setOut(text + '\n');
    showAttitudeMessage(text);
    if (upgrading) return;  // the upgrade ends with its own message and frees the controls
    releasePortRow();
}

// ---- the port row ----

// The port list again, keeping the port in use selected.
const listPorts = (keep) => portList.refresh(keep ?? openPort);

function showOpenFailure(why) {
    setOut(openFailed() + '\n');
    setOut(why + '\n');
    showAttitudeMessage(openFailed());
}

async function openChosenPort() {
    let port = portList.chosen();
    if (!port) {
        port = await askForPort();
        if (!port) {
            showOpenFailure(kNoPortChosen);
            return;
        }
        await listPorts(port);
    }
    // The line finds the port among the granted ones, listed in the same order.
    const index = (await navigator.serial.getPorts()).indexOf(port);
    const result = await link.ask('open', { index, info: port.getInfo() });
    if (!result) return;  // the worker ended: its end says so
    if (!result.opened) {
        showOpenFailure(explainOpenFailure(result));
        return;
    }
    openPort = port;
    portList.opened(port);
    setEnabled(['btn_Open', 'btn_Search', 'lineEndingPopUpButton'], false);
    if (tabSelectNum === 1) setOut(openSucceeded() + '\n');
    if (tabSelectNum === 2) showMessage('m_MessageShow', openSucceeded());
    if (tabSelectNum === 3) showMessage('m_JoystickMessageShow', openSucceeded());
}

function closePort() {
    releasePortRow();
    openPort = null;
    link.tell('close');
}

async function searchPorts() {
    const port = await askForPort();
    await listPorts(port ?? undefined);
}

// ---- requests and the status poll ----

async function sendRequest(name) {
    if (!await link.ask('request', { name })) showAttitudeMessage(constants.portNotOpenMessage);
}

// ---- firmware ----

// Upgrade waits while a chosen file is read; of two choices read at once,
// only the latest is loaded, whichever read ends first.
async function fileChosen() {
    const file = $('fileInput').files[0];
    if (!file) return;  // cancelled: the previous file stays loaded
    const choice = ++fileChoice;
    $('fileInput').value = '';
    $('m_File_Path').value = file.name;
    $('btn_Upgrade').disabled = true;
    let bytes = null;
    if (file.size <= kMaxFileSize) {
        try {
            bytes = new Uint8Array(await file.arrayBuffer());
        } catch (error) {
            bytes = null;  // unreadable: refused like a file that cannot be read
        }
    }
    if (choice !== fileChoice) return;  // a later choice replaced this one
    const copy = bytes?.slice() ?? null;
    const result = await link.ask('load', { name: file.name, bytes: bytes?.buffer ?? null },
        bytes ? [bytes.buffer] : []);
    showLoaded(result, file.name, choice, copy);
}

// What loading a file or a release gave, shown alike; `copy` is the file's
// bytes, loaded again should the worker end (a release is chosen again then).
function showLoaded(result, name, choice, copy = null) {
    if (!result) {  // the worker ended first (its end says so): the file in use stays
        if (choice !== fileChoice) return;
        $('m_File_Path').value = fileInUse;
        $('btn_Upgrade').disabled = upgrading;
        return;
    }
    for (const message of result.messages) setOut(message);
    if (result.keptWording) setOut(shownWording(result.keptWording));
    if (!result.kept) {
        fileInUse = name;
        fileInUseBytes = result.usable ? copy : null;
    }
    if (choice !== fileChoice) return;  // a later choice is being read
    $('btn_Upgrade').disabled = upgrading;
    if (result.kept) {
        $('m_File_Path').value = fileInUse;  // the gimbal is being served blocks: its file stays
        return;
    }
    if (!result.usable) return;
    $('progressIndicator').max = Math.max(result.maxProgress, 1);
    $('progressIndicator').value = 0;
}

// ---- the maker's releases ----

// The release folder: the one typed (remembered), else releases/ beside the page.
function releaseSource() {
    const typed = $('m_ReleaseSource').value.trim();
    const source = new URL(typed || 'releases/', location.href);
    if (!source.pathname.endsWith('/')) source.pathname += '/';
    return source.href;
}

// Lists the source's releases, newest first; `quiet` at start, when a page
// without a release folder says nothing.
async function listReleases(quiet = false) {
    localStorage.setItem(kReleaseSourceKey, $('m_ReleaseSource').value.trim());
    const source = releaseSource();
    const listed = await link.ask('listReleases', { source });
    const list = $('m_ReleaseList');
    list.replaceChildren();
    if (listed.error) {
        if (!quiet) setOut(shownError(listed) + '\n');
        return;
    }
    for (const line of listed.lines) setOut(line + '\n');
    for (const release of listed.releases) list.add(new Option(release.label, release.version));
    if (list.options.length) list.selectedIndex = 0;
    list.dataset.source = source;
}

async function loadRelease() {
    const list = $('m_ReleaseList');
    if (list.selectedIndex < 0) return;
    const version = list.value;
    const choice = ++fileChoice;
    $('btn_Upgrade').disabled = true;
    const result = await link.ask('loadRelease', { source: list.dataset.source, version });
    if (result?.error) {
        setOut(shownError(result) + '\n');
        if (choice === fileChoice) $('btn_Upgrade').disabled = upgrading;
        return;
    }
    if (result && !result.kept) $('m_File_Path').value = result.name;
    showLoaded(result, result?.name, choice);
}

function upgradeStarted() {
    upgrading = true;
    setEnabled(kLockedDuringUpgrade, false);
    guardUpgrade(true);
}

// The line closed itself at the end: give the controls back.
function upgradeEnded() {
    upgrading = false;
    openPort = null;
    setEnabled(kLockedDuringUpgrade, true);
    guardUpgrade(false);
}

// ---- pages, help panel, log actions ----

function selectFunction(index) {
    tabSelectNum = index + 1;
    kTabs.forEach((id, k) => $(id).setAttribute('aria-pressed', String(k === index)));
    kPages.forEach((id, k) => { $(id).hidden = k !== index; });
    if (tabSelectNum !== 3) helpOpen = false;
    link.tell('selectPage', { page: tabSelectNum });
    showHelp();
}

function showHelp() {
    $('helpPanel').hidden = !helpOpen;
    $('btn_CalibrHelp').textContent = helpOpen ? qsTr('Help<<') : qsTr('Help>>');
    $('btn_CalibrHelp').setAttribute('aria-expanded', String(helpOpen));
}

function saveLog() {
    const url = URL.createObjectURL(new Blob([logText], { type: 'text/plain;charset=utf-8' }));
    const a = document.createElement('a');
    a.href = url;
    a.download = 'gimbal-tool-log.txt';
    a.click();
    setTimeout(() => URL.revokeObjectURL(url), 1000);
}

function copyLog() {
    navigator.clipboard.writeText(logText).catch(() => {
        $('outText').select();  // no clipboard permission: leave the log selected to copy by hand
    });
}

function onKey(event) {
    if (!event.ctrlKey || event.altKey || event.metaKey) return;
    const tab = ['1', '2', '3'].indexOf(event.key);
    if (tab >= 0 && !$(kTabs[tab]).disabled) {
        selectFunction(tab);
        $(kTabs[tab]).focus();
    } else if (event.key.toLowerCase() === 's') {  // Caps Lock gives 'S'
        saveLog();
    } else {
        return;
    }
    event.preventDefault();
}

// Left and Right (Home, End) move between the buttons of a toolbar.
function moveInToolbar(event) {
    const buttons = [...event.currentTarget.querySelectorAll('button:not(:disabled)')];
    const at = buttons.indexOf(document.activeElement);
    const to = { ArrowLeft: at - 1, ArrowRight: at + 1, Home: 0, End: buttons.length - 1 }[event.key];
    if (at < 0 || to === undefined) return;
    buttons[(to + buttons.length) % buttons.length].focus();
    event.preventDefault();
}

async function start() {
    if (!('serial' in navigator)) {
        $('tool').hidden = true;
        $('noSerial').hidden = false;
        return;
    }
    link = new LinkHost(onLinkEvent);
    portList = new PortList($('lineEndingPopUpButton'));
    // The ports are listed while the line's worker starts.
    const listed = listPorts();
    await link.start(() => import('./core.js').then((module) => module.createCore()));
    constants = link.constants;

    $('btn_Open').onclick = openChosenPort;
    $('btn_Close').onclick = closePort;
    $('btn_Search').onclick = searchPorts;
    for (const [id, request] of Object.entries(kRequests)) $(id).onclick = () => sendRequest(request);
    kTabs.forEach((id, k) => { $(id).onclick = () => selectFunction(k); });
    $('btn_OpenFile').onclick = () => $('fileInput').click();
    $('fileInput').onchange = fileChosen;
    $('btn_Upgrade').onclick = () => link.tell('upgrade');
    $('m_ReleaseSource').value = localStorage.getItem(kReleaseSourceKey) ?? '';
    $('btn_ListReleases').onclick = () => listReleases();
    $('btn_LoadRelease').onclick = loadRelease;
    $('m_ReleaseList').ondblclick = loadRelease;
    $('btn_ClearMessageShow').onclick = () => { $('m_MessageShow').value = ''; };
    $('btn_ClearJoystickMessageShow').onclick = () => { $('m_JoystickMessageShow').value = ''; };
    $('btn_CalibrHelp').onclick = () => { helpOpen = !helpOpen; showHelp(); };
    $('actionSaveLog').onclick = saveLog;
    $('actionCopyLog').onclick = copyLog;
    document.addEventListener('keydown', onKey);
    for (const bar of document.querySelectorAll('[role=toolbar]')) bar.addEventListener('keydown', moveInToolbar);

    navigator.serial.addEventListener('connect', () => listPorts());
    // The line itself notices its port going away (portGone).
    navigator.serial.addEventListener('disconnect', (event) => {
        if (event.target === openPort) openPort = null;
        listPorts();
    });
    await listed;
    selectFunction(0);
    if (!link.inWorker) setOut(kNoWorkerMessage);
    $('tool').setAttribute('aria-busy', 'false');
    document.body.dataset.ready = 'true';
    // The releases are listed once the page is ready and the browser idle,
    // so that neither Open nor the first paint waits for the network.
    whenIdle(() => listReleases(true));
}

// A browser without idle callbacks runs `work` after this task.
function whenIdle(work) {
    if ('requestIdleCallback' in globalThis) requestIdleCallback(work, { timeout: kIdleWaitMs });
    else setTimeout(work, 0);
}

start().finally(offerNewBuilds);  // a newer build is looked for once this one runs
