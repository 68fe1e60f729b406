// A thin layer over Web Serial: one port opened at 115200 8N1, its bytes
// handed on as they arrive, writes queued in order, and the loss of the
// device reported once. DTR and RTS are driven off after open, as the Linux
// line does, since browsers raise both. Nothing here decides what the bytes mean.

export const kLineSettings = { baudRate: 115200, dataBits: 8, stopBits: 1, parity: 'none', flowControl: 'none' };

// What a person reads for a port: the USB adapter's ids when the browser has them.
export function portLabel(port) {
    const info = port.getInfo();
    const hex = (n) => n.toString(16).padStart(4, '0');
    return info.usbVendorId !== undefined
        ? `USB serial ${hex(info.usbVendorId)}:${hex(info.usbProductId)}`
        : 'Serial port';
}

export class SerialLine {
    // onBytes(Uint8Array) for every chunk read; onLost() once when reading
    // fails for good (the device went away).
    constructor(port, { onBytes, onLost }) {
        this.port = port;
        this.onBytes = onBytes;
        this.onLost = onLost;
        this.closing = false;
    }

    async open() {
        await this.port.open(kLineSettings);
        try {
            await this.port.setSignals({ dataTerminalReady: false, requestToSend: false });
        } catch (error) {
            // An adapter without these lines: the line works without them.
        }
        this.writer = this.port.writable.getWriter();
        this.reading = this.readLoop();
    }

    async readLoop() {
        // A recoverable error (framing, overrun) gives a new readable stream;
        // a lost device leaves none.
        while (this.port.readable && !this.closing) {
            this.reader = this.port.readable.getReader();
            try {
                for (;;) {
                    const { value, done } = await this.reader.read();
                    if (done) break;
                    if (value && value.length) this.onBytes(value);
                }
            } catch (error) {
                if (error.name !== 'NetworkError' && error.name !== 'NotFoundError') continue;
                if (!this.closing) this.onLost();
                return;
            } finally {
                this.reader.releaseLock();
            }
        }
    }

    write(bytes) {
        this.writer.write(bytes).catch(() => {});  // a lost device is reported by the reader
    }

    async close() {
        this.closing = true;
        try {
            if (this.reader) await this.reader.cancel();
            await this.reading;
            this.writer.releaseLock();
            await this.port.close();
        } catch (error) {
            // The device may already be gone; the port is given up either way.
        }
    }
}
