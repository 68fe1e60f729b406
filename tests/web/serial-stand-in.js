// Stands in for navigator.serial in a test browser: the parts of Web Serial
// the page uses (requestPort, getPorts, the port's open, setSignals, close,
// readable, writable, getInfo, and the disconnect event), over a WebSocket to
// the test bridge that holds the simulated gimbal's pseudo-terminal. The
// bridge's first text says whether the open succeeds ("open") or the port is
// held elsewhere ("busy"); "unplug" later means the device went away.
// For the test it records the line settings, the control lines set and each
// write's time and frame commands, and can dismiss the chooser or unplug a
// port that is not open.
(() => {
    const bridgeUrl = 'BRIDGE_URL';
    const listeners = { connect: [], disconnect: [] };
    const granted = [];

    class StandInPort extends EventTarget {
        constructor() {
            super();
            this.readable = null;
            this.writable = null;
            this.socket = null;
        }

        getInfo() { return { usbVendorId: 0x1a86, usbProductId: 0x7523 }; }

        async open(options) {
            if (this.socket) throw new DOMException('The port is already open.', 'InvalidStateError');
            serial.openedWith = options;
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
                    serial.writes.push({ at: performance.now(), commands: commandsOf(chunk) });
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
            serial.signals.push(signals);
        }

        lost(source) {
            source.error(new DOMException('The device has been lost.', 'NetworkError'));
            this.readable = null;
            this.writable = null;
            this.socket.close();
            this.socket = null;
            this.dispatchEvent(new Event('disconnect'));
            for (const f of listeners.disconnect) f({ type: 'disconnect', target: this });
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

    // The command byte of each whole frame in a chunk written.
    function commandsOf(chunk) {
        const commands = [];
        for (let i = 0; i + 5 < chunk.length; i += (chunk[i + 2] | (chunk[i + 3] << 8)) + 2) {
            commands.push(chunk[i + 5]);
        }
        return commands;
    }

    // Ports granted earlier in this tab come back after a reload, as the
    // browser keeps its grants.
    const earlier = Number(sessionStorage.getItem('standInGranted') || 0);
    for (let k = 0; k < earlier; ++k) granted.push(new StandInPort());

    const serial = {
        openedWith: null,
        signals: [],
        writes: [],
        dismissChooser: false,
        async requestPort() {
            if (serial.dismissChooser) throw new DOMException('No port selected by the user.', 'NotFoundError');
            const port = new StandInPort();
            granted.push(port);
            sessionStorage.setItem('standInGranted', String(granted.length));
            return port;
        },
        async getPorts() { return granted.slice(); },
        // The adapter of granted port `index`, not open, is unplugged.
        unplug(index) {
            const [port] = granted.splice(index, 1);
            sessionStorage.setItem('standInGranted', String(granted.length));
            for (const f of listeners.disconnect) f({ type: 'disconnect', target: port });
        },
        addEventListener(type, f) { (listeners[type] ||= []).push(f); },
        removeEventListener(type, f) {
            listeners[type] = (listeners[type] || []).filter((g) => g !== f);
        },
    };
    Object.defineProperty(Navigator.prototype, 'serial', { get: () => serial, configurable: true });
})();
