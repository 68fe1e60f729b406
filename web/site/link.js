// One line to a gimbal with the core (GimbalLink, built from the portable C++
// core) that decides what it means: bytes in, due writes out, the status
// poll, the firmware file and the upgrade with its ticks. It runs in the
// dedicated worker (link-worker.js), so that nothing the page's own thread
// does (a leave dialog, a long garbage collection, a slow screen reader)
// keeps the line from being read and answered; the page runs it itself only
// when the worker cannot start. Commands come in through handle(); what the
// page shows goes out through post(event).
import { ReleaseShelf } from './releases.js';
import { SerialLine, portLabel } from './serial.js';

export class LinkRunner {
    // post({...}) sends one event to the page: {log} (a text, or a wording
    // {text, values} the page fills in), {progress}, {report},
    // {lost}, {upgrading}, or {reply, id, result} for a command with an id.
    constructor(core, post) {
        this.core = core;
        this.constants = core.coreConstants();
        this.link = new core.GimbalLink();
        this.releases = new ReleaseShelf(core, new URL('./', import.meta.url).href);
        this.post = post;
        this.line = null;
        this.page = 1;  // the page selected: 1 firmware, 2 attitude, 3 joystick
        this.maxProgress = 0;
        this.writeTimer = 0;
        this.quietTimer = 0;
        this.upgradeTimer = 0;
        setInterval(() => this.pollStatus(), this.constants.statusPollMs);
        if (navigator.serial) {
            navigator.serial.addEventListener('disconnect', (event) => {
                if (this.line && event.target === this.line.port) this.lineLost();
            });
        }
    }

    async handle({ id, command, ...args }) {
        const result = await this[command](args);
        if (id !== undefined) this.post({ reply: id, result });
    }

    // ---- the line ----

    // Opens the granted port the page chose, `index` in navigator.serial.getPorts()
    // with the USB ids `info` (the list is the same here, the objects are not):
    // {opened: true}, or {name, message} of the error.
    async open({ index, info }) {
        const ports = await navigator.serial.getPorts();
        const same = (port) => JSON.stringify(port.getInfo()) === JSON.stringify(info);
        const port = ports[index] && same(ports[index]) ? ports[index] : ports.find(same);
        if (!port) return { name: 'NotFoundError', message: 'The port is no longer granted.' };
        const opening = new SerialLine(port, {
            onBytes: (bytes) => this.received(bytes),
            onLost: () => this.lineLost(),
        });
        try {
            await opening.open();
        } catch (error) {
            return { name: error.name, message: error.message };
        }
        this.line = opening;
        this.link.opened(performance.now());
        return { opened: true };
    }

    close() {
        this.dropLine();
    }

    dropLine() {
        const closing = this.line;
        this.line = null;
        clearTimeout(this.quietTimer);
        this.link.closed();
        if (closing) closing.close();
    }

    lineLost() {
        if (!this.line) return;
        const label = portLabel(this.line.port);
        this.dropLine();
        // The upgrade, if one runs, ends with its own message and frees the controls.
        this.post({ lost: label });
    }

    received(bytes) {
        this.link.received(bytes, performance.now());
        clearTimeout(this.quietTimer);
        this.quietTimer = setTimeout(() => {
            this.link.lineQuiet(performance.now());
            this.pump();
        }, this.constants.quietAfterMs);
        this.pump();
    }

    pump() {
        clearTimeout(this.writeTimer);
        const bytes = this.link.takeDueWrites(performance.now());
        if (bytes.length && this.line) this.line.write(bytes);
        const next = this.link.nextWriteTime();
        if (next >= 0) this.writeTimer = setTimeout(() => this.pump(), next - performance.now());
    }

    // ---- requests and the status poll ----

    // False when the port is not open.
    request({ name }) {
        if (!this.link.sendRequest(this.core.Request[name], performance.now())) return false;
        this.pump();
        return true;
    }

    selectPage({ page }) {
        this.page = page;
    }

    // With it, the line a gimbal in its boot loader gets in the log.
    pollStatus() {
        const bootLoader = this.link.takeBootLoaderNotice();
        if (bootLoader) this.post({ log: bootLoader });
        const report = this.link.pollStatus(this.page);
        if (report) this.post({ report });
    }

    // ---- firmware ----

    // A chosen file's bytes (null: unreadable or too large): {usable, kept, messages, maxProgress}.
    load({ name, bytes }) {
        const result = this.link.loadFirmware(name, bytes && new Uint8Array(bytes), performance.now());
        if (!result.kept) this.maxProgress = result.usable ? result.maxProgress : 0;
        return result;
    }

    // ---- the maker's releases ----

    // The source's releases, newest first: {releases, lines} or {error}.
    listReleases({ source }) {
        return this.releases.list(source);
    }

    // A listed release fetched, verified and loaded as a chosen file is:
    // load()'s result with the line naming the release and its key last, or
    // {error} with nothing loaded.
    async loadRelease({ source, version }) {
        const file = await this.releases.file(source, version);
        if (file.error) return file;
        const result = this.load({ name: file.name, bytes: file.bytes });
        if (!result.kept) result.messages.push(file.line);
        return { ...result, name: file.name };
    }

    upgrade() {
        if (this.link.upgradeRunning()) return;  // a second press on its way
        const started = this.link.upgrade(this.maxProgress, performance.now());
        this.showUpgradeOutput();
        if (!started) return;
        this.post({ upgrading: true });
        clearInterval(this.upgradeTimer);
        this.upgradeTimer = setInterval(() => this.upgradeTick(), this.constants.tickMs);
    }

    upgradeTick() {
        const running = this.link.upgradeTick(performance.now());
        this.showUpgradeOutput();
        this.pump();
        if (running) return;
        // The tick after the end closed the session: give the port back.
        clearInterval(this.upgradeTimer);
        this.dropLine();
        this.post({ upgrading: false });
    }

    showUpgradeOutput() {
        const output = this.link.takeOutput();
        for (const text of output.messages) this.post({ log: text });
        if (output.progress >= 0) this.post({ progress: output.progress });
    }
}
