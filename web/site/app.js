// The page: the window's controls wired to the core (GimbalLink, built from
// the portable C++ core) and to one Web Serial port. The core decides what
// to send, when, and what every reply and every upgrade step shows; this file
// moves bytes, keeps the timers and puts texts into fields.

import createGimbalCore from './gimbal-core.mjs';
import * as clock from './clock.js';
import { offerNewBuilds } from './build-update.js';
import { PortList, askForPort, explainOpenFailure, kNoPortChosen } from './ports.js';
import { SerialLine, portLabel } from './serial.js';
import { guardUpgrade } from './upgrade-guard.js';

const $ = (id) => document.getElementById(id);

const kOpenSucceeded = 'Open serial succeed\x18!';
const kOpenFailed = 'Open serial fail\x18!';
const kMaxFileSize = 16 * 1024 * 1024;  // larger files are refused without being read

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

let core = null;        // the core's module: its classes, requests and constants
let constants = null;   // the core's periods, colours and texts (coreConstants)
let link = null;        // the core's session with its upgrade supervision
let line = null;        // the open port, or null
let portList = null;    // the port row's list (PortList)
let tabSelectNum = 1;   // 1 firmware, 2 attitude, 3 joystick
let maxProgress = 0;
let fileInUse = '';     // the name of the file loaded in the core
let fileChoice = 0;     // counts choices: only the latest one's bytes are loaded
let logText = '';
let writeTimer = 0;
let quietTimer = 0;
let upgradeTimer = 0;
let helpOpen = false;

// ---- message log and fields ----

function setOut(text) {
    logText += text;
    const log = $('outText');
    log.value = logText;
    log.scrollTop = log.scrollHeight;
}

function showAttitudeMessage(text) {
    $('m_MessageShow').value = text;
    if (tabSelectNum === 3) $('m_JoystickMessageShow').value = text;
}

function showReport(report) {
    if (report.field === 1) $('m_MessageShow').value = report.text;
    if (report.field === 2) $('m_JoystickMessageShow').value = report.text;
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
            else field.setAttribute('aria-description', constants.outOfRangeDescription);
        }
    });
}

// ---- the line: bytes in, due writes out, quiet after a pause ----

function pump() {
    clock.cancel(writeTimer);
    const bytes = link.takeDueWrites(performance.now());
    if (bytes.length && line) line.write(bytes);
    const next = link.nextWriteTime();
    if (next >= 0) writeTimer = clock.after(next - performance.now(), pump);
}

function received(bytes) {
    link.received(bytes, performance.now());
    clock.cancel(quietTimer);
    quietTimer = clock.after(constants.quietAfterMs, () => {
        link.lineQuiet(performance.now());
        pump();
    });
    pump();
}

function setEnabled(ids, enabled) {
    for (const id of ids) $(id).disabled = !enabled;
}

function releasePortRow() {
    setEnabled(['btn_Open', 'btn_Search', 'lineEndingPopUpButton'], true);
}

// The line as given up: closed by the person, by the end of an upgrade, or gone.
function dropLine() {
    const closing = line;
    line = null;
    clock.cancel(quietTimer);
    link.closed();
    if (closing) closing.close();
}

function portGone(port) {
    if (!line || line.port !== port) return;
    const text = `${portLabel(port)} was unplugged`;
    dropLine();
    setOut(text + '\n');
    showAttitudeMessage(text);
    if (link.upgradeRunning()) return;  // the upgrade ends with its own message and frees the controls
    releasePortRow();
}

// ---- the port row ----

// The port list again, keeping the port in use selected.
const listPorts = (keep) => portList.refresh(keep ?? line?.port);

function openFailed(why) {
    setOut(kOpenFailed + '\n');
    setOut(why + '\n');
    showAttitudeMessage(kOpenFailed);
}

async function openPort() {
    let port = portList.chosen();
    if (!port) {
        port = await askForPort();
        if (!port) {
            openFailed(kNoPortChosen);
            return;
        }
        await listPorts(port);
    }
    const opening = new SerialLine(port, { onBytes: received, onLost: () => portGone(port) });
    try {
        await opening.open();
    } catch (error) {
        openFailed(explainOpenFailure(error));
        return;
    }
    line = opening;
    link.opened(performance.now());
    portList.opened(port);
    setEnabled(['btn_Open', 'btn_Search', 'lineEndingPopUpButton'], false);
    if (tabSelectNum === 1) setOut(kOpenSucceeded + '\n');
    if (tabSelectNum === 2) $('m_MessageShow').value = kOpenSucceeded;
    if (tabSelectNum === 3) $('m_JoystickMessageShow').value = kOpenSucceeded;
}

function closePort() {
    releasePortRow();
    dropLine();
}

async function searchPorts() {
    const port = await askForPort();
    await listPorts(port ?? undefined);
}

// ---- requests and the status poll ----

function sendRequest(name) {
    if (!link.sendRequest(core.Request[name], performance.now())) {
        showAttitudeMessage(constants.portNotOpenMessage);
        return;
    }
    pump();
}

function pollStatus() {
    const report = link.pollStatus(tabSelectNum);
    if (report) showReport(report);
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
    $('btn_Upgrade').disabled = link.upgradeRunning();
    const result = link.loadFirmware(file.name, bytes);
    for (const message of result.messages) setOut(message);
    if (result.kept) {
        $('m_File_Path').value = fileInUse;  // an upgrade runs: its file stays
        return;
    }
    fileInUse = file.name;
    if (!result.usable) return;
    maxProgress = result.maxProgress;
    $('progressIndicator').max = Math.max(maxProgress, 1);
    $('progressIndicator').value = 0;
}

function showUpgradeOutput() {
    const output = link.takeOutput();
    for (const message of output.messages) setOut(message);
    if (output.progress >= 0) $('progressIndicator').value = output.progress;
}

function startUpgrade() {
    const started = link.upgrade(maxProgress, performance.now());
    showUpgradeOutput();
    if (!started) return;
    setEnabled(kLockedDuringUpgrade, false);
    guardUpgrade(true);
    clock.cancel(upgradeTimer);
    upgradeTimer = clock.every(constants.tickMs, upgradeTick);
}

function upgradeTick() {
    const running = link.upgradeTick(performance.now());
    showUpgradeOutput();
    pump();
    if (running) return;
    // The tick after the end closed the session: give the port back and the controls.
    clock.cancel(upgradeTimer);
    dropLine();
    setEnabled(kLockedDuringUpgrade, true);
    guardUpgrade(false);
}

// ---- pages, help panel, log actions ----

function selectFunction(index) {
    tabSelectNum = index + 1;
    kTabs.forEach((id, k) => $(id).setAttribute('aria-pressed', String(k === index)));
    kPages.forEach((id, k) => { $(id).hidden = k !== index; });
    if (tabSelectNum !== 3) helpOpen = false;
    showHelp();
}

function showHelp() {
    $('helpPanel').hidden = !helpOpen;
    $('btn_CalibrHelp').textContent = helpOpen ? 'Help<<' : 'Help>>';
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
    core = await createGimbalCore();
    constants = core.coreConstants();
    link = new core.GimbalLink();

    $('btn_Open').onclick = openPort;
    $('btn_Close').onclick = closePort;
    $('btn_Search').onclick = searchPorts;
    for (const [id, request] of Object.entries(kRequests)) $(id).onclick = () => sendRequest(request);
    kTabs.forEach((id, k) => { $(id).onclick = () => selectFunction(k); });
    $('btn_OpenFile').onclick = () => $('fileInput').click();
    $('fileInput').onchange = fileChosen;
    $('btn_Upgrade').onclick = startUpgrade;
    $('btn_ClearMessageShow').onclick = () => { $('m_MessageShow').value = ''; };
    $('btn_ClearJoystickMessageShow').onclick = () => { $('m_JoystickMessageShow').value = ''; };
    $('btn_CalibrHelp').onclick = () => { helpOpen = !helpOpen; showHelp(); };
    $('actionSaveLog').onclick = saveLog;
    $('actionCopyLog').onclick = copyLog;
    document.addEventListener('keydown', onKey);
    for (const bar of document.querySelectorAll('[role=toolbar]')) bar.addEventListener('keydown', moveInToolbar);

    portList = new PortList($('lineEndingPopUpButton'));
    navigator.serial.addEventListener('connect', () => listPorts());
    navigator.serial.addEventListener('disconnect', (event) => {
        portGone(event.target);
        listPorts();
    });
    await listPorts();
    clock.every(constants.statusPollMs, pollStatus);
    selectFunction(0);
    $('tool').setAttribute('aria-busy', 'false');
    document.body.dataset.ready = 'true';
}

start().finally(offerNewBuilds);  // a newer build is looked for once this one runs
