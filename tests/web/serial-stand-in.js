// Stands in for navigator.serial in a test browser: the parts of Web Serial
// the page uses (requestPort, getPorts, the port's open, setSignals, close,
// readable, writable, getInfo, and the disconnect event), over a WebSocket to
// the test bridge that holds the simulated gimbal's pseudo-terminal. The
// bridge's first text says whether the open succeeds ("open") or the port is
// held elsewhere ("busy"); "unplug" later means the device went away.
// For the test it records the line settings, the control lines set and each
// write's time and frame commands, and can dismiss the chooser or unplug a
// port that is not open.
//
// The page's line runs in a worker (link-worker.js): the stand-in wraps the
// page's Worker so that it runs in that worker first, where it finds the
// page's granted ports, and sends its records and disconnects back to the
// page's stand-in, over a BroadcastChannel. A worker that fails to load
// reports its error as the browser's own worker does.
function serialStandIn() {
    const bridgeUrl = 'BRIDGE_URL';
    const inWorker = typeof window === 'undefined';
    const channel = new BroadcastChannel('serial-stand-in');
    const listeners = { connect: [], disconnect: [] };
    let granted = [];

    class StandInPort extends EventTarget {
        constructor(id) {
            super();
            this.id = id;
            this.readable = null;
            this.writable = null;
            this.socket = null;
        }

        getInfo() { return { usbVendorId: 0x1a86, usbProductId: 0x7523 }; }

        async open(options) {
            if (this.socket) throw new DOMException('The port is already open.', 'InvalidStateError');
            record('openedWith', options);
            const socket = new WebSocket(bridgeUrl);
            socket.binaryType = 'arraybuffer';
            const answer = await new Promise((resolve) => {
                socket.onmessage = (event) => resolve(event.data);
                socket.onerror = () => resolve('busy');
            });
            if (answer !== 'open') {
                socket.close();
                throw new DOMException('Failed to open serial port.', 'NetworkError');
            }
            this.socket = socket;
            let source;
            this.readable = new ReadableStream({ start(c) { source = c; } });
            this.writable = new WritableStream({
                write: (chunk) => {
                    record('write', { at: performance.timeOrigin + performance.now(), commands: commandsOf(chunk) });
                    if (this.socket) this.socket.send(chunk);
                },
            });
            socket.onmessage = (event) => {
                if (typeof event.data !== 'string') {
                    source.enqueue(new Uint8Array(event.data));
                } else if (event.data === 'unplug') {
                    this.lost(source);
                }
            };
        }

        async setSignals(signals) {
            if (!this.socket) throw new DOMException('The port is not open.', 'InvalidStateError');
            record('signals', signals);
        }

        lost(source) {
            source.error(new DOMException('The device has been lost.', 'NetworkError'));
            this.readable = null;
            this.writable = null;
            this.socket.close();
            this.socket = null;
            disconnected(this);
            if (inWorker) channel.postMessage({ disconnected: this.id });
        }

        async close() {
            if (!this.socket) throw new DOMException('The port is already closed.', 'InvalidStateError');
            if (this.readable.locked || this.writable.locked) {
                throw new DOMException('The port has locked streams.', 'InvalidStateError');
            }
            this.socket.close();
            this.socket = null;
            this.readable = null;
            this.writable = null;
        }
    }

    function disconnected(port) {
        port.dispatchEvent(new Event('disconnect'));
        for (const f of listeners.disconnect) f({ type: 'disconnect', target: port });
    }

    // The command byte of each whole frame in a chunk written.
    function commandsOf(chunk) {
        const commands = [];
        for (let i = 0; i + 5 < chunk.length; i += (chunk[i + 2] | (chunk[i + 3] << 8)) + 2) {
            commands.push(chunk[i + 5]);
        }
        return commands;
    }

    // What the test reads, kept by the page's stand-in.
    function record(kind, value) {
        if (inWorker) {
            channel.postMessage({ record: kind, value });
        } else if (kind === 'openedWith') {
            serial.openedWith = value;
        } else if (kind === 'signals') {
            serial.signals.push(value);
        } else {
            serial.writes.push({ at: value.at - performance.timeOrigin, commands: value.commands });
        }
    }

    const serial = {
        openedWith: null,
        signals: [],
        writes: [],
        dismissChooser: false,
        async requestPort() {
            if (serial.dismissChooser) throw new DOMException('No port selected by the user.', 'NotFoundError');
            const port = new StandInPort(++lastId);
            granted.push(port);
            sessionStorage.setItem('standInGranted', String(granted.length));
            return port;
        },
        async getPorts() {
            if (inWorker) await grantedInPage();
            return granted.slice();
        },
        // The adapter of granted port `index`, not open, is unplugged.
        unplug(index) {
            const [port] = granted.splice(index, 1);
            sessionStorage.setItem('standInGranted', String(granted.length));
            disconnected(port);
        },
        addEventListener(type, f) { (listeners[type] ||= []).push(f); },
        removeEventListener(type, f) {
            listeners[type] = (listeners[type] || []).filter((g) => g !== f);
        },
    };

    let lastId = 0;
    let asked = 0;
    const answers = new Map();
    // The worker's ports: one for each the page holds, the same objects from call to call.
    async function grantedInPage() {
        const nonce = ++asked;
        const ids = await new Promise((resolve) => {
            answers.set(nonce, resolve);
            channel.postMessage({ ask: nonce });
        });
        const known = new Map(granted.map((port) => [port.id, port]));
        granted = ids.map((id) => known.get(id) ?? new StandInPort(id));
    }

    channel.onmessage = ({ data }) => {
        if (inWorker) {
            if (data.granted) answers.get(data.nonce)?.(data.granted);
            return;
        }
        if (data.ask) channel.postMessage({ nonce: data.ask, granted: granted.map((port) => port.id) });
        if (data.record) record(data.record, data.value);
        if (data.disconnected) {
            const port = granted.find((p) => p.id === data.disconnected);
            if (port) disconnected(port);
        }
    };

    if (!inWorker) {
        // Ports granted earlier in this tab come back after a reload, as the
        // browser keeps its grants.
        const earlier = Number(sessionStorage.getItem('standInGranted') || 0);
        for (let k = 0; k < earlier; ++k) granted.push(new StandInPort(++lastId));
        // The page's line worker runs this stand-in first, then its own module.
        const NativeWorker = window.Worker;
        window.Worker = function (url, options) {
            if (!String(url).endsWith('link-worker.js')) return new NativeWorker(url, options);
            const source = `(${serialStandIn})();\n` +
                `import(${JSON.stringify(String(url))}).catch((e) => setTimeout(() => { throw e; }));`;
            const worker = new NativeWorker(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })), options);
            (window.linkWorkers ||= []).push(worker);  // for a test to end it
            return worker;
        };
    }
    const prototype = inWorker ? WorkerNavigator.prototype : Navigator.prototype;
    Object.defineProperty(prototype, 'serial', { get: () => serial, configurable: true });
}
serialStandIn();
