// The port row's list: the ports the browser granted, then "Choose a port…".
// The port in use, or else the one chosen, stays selected as adapters come
// and go; a port not listed before falls back to the one that opened last.
import { portLabel } from './serial.js';

const kChooseOption = 'choose';

export class PortList {
    constructor(select) {
        this.select = select;
        this.ports = [];
    }

    // The port selected in the list, or null ("Choose a port…", or none granted).
    chosen() {
        return this.ports[this.select.selectedIndex] ?? null;
    }

    // Lists the granted ports again, keeping `keep` (or the chosen port) selected.
    async refresh(keep) {
        const ports = await navigator.serial.getPorts();
        const selected = keep ?? this.chosen();  // read before the list changes
        this.ports = ports;
        this.select.replaceChildren(...ports.map((port) => new Option(portLabel(port))),
            new Option(qsTr('Choose a port…'), kChooseOption));
        let index = ports.indexOf(selected);
        if (index < 0) index = ports.map(portLabel).lastIndexOf(localStorage.getItem('lastPort'));
        if (index < 0) index = ports.length - 1;
        this.select.selectedIndex = index < 0 ? ports.length : index;
    }

    opened(port) {
        localStorage.setItem('lastPort', portLabel(port));
    }
}

// The browser's port chooser; null when it was closed without a choice.
export async function askForPort() {
    try {
        return await navigator.serial.requestPort();
    } catch (error) {
        return null;
    }
}

// What to do when Open found no port to open.
export const kNoPortChosen = qsTr('No serial port was chosen: choose the gimbal\'s USB serial adapter in the browser\'s list, or plug it in, then press Open again.');

// Why an open failed, in plain words, with what to do.
export function explainOpenFailure(error) {
    if (error.name === 'NetworkError') {
        return qsTr('The port could not be opened: another program or browser tab is using it. Close that program or tab (or unplug and replug the adapter), then press Open again.');
    }
    if (error.name === 'InvalidStateError') return qsTr('The port is already open in this browser.');
    if (error.name === 'SecurityError') return qsTr('The browser did not allow the port to be opened.');
    return qsTr('The port could not be opened: %1').replace('%1', () => error.message);
}
