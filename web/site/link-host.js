// The page's end of the line (link.js): in the dedicated worker when it
// starts, else on the page itself with the page's own timers, which a
// browser slows while the tab is hidden. Either way commands go in as
// messages and events come back as messages, so the page is the same. A
// worker that ends later (a crash, the browser ending it) is noticed by its
// silence: it says it is alive twice a second (link-worker.js). The line's
// modules load on the page only when it runs the line itself.

// What the log says, once, when the worker could not start.
export const kNoWorkerMessage =
    qsTr('The page\'s worker could not start: upgrades may slow down while this tab is hidden.\n');

function startWorker() {
    return new Promise((resolve) => {
        let worker;
        try {
            worker = new Worker(new URL('link-worker.js', import.meta.url), { type: 'module' });
        } catch (error) {
            resolve(null);  // refused at once (a Content-Security-Policy)
            return;
        }
        worker.onerror = (event) => {
            event.preventDefault();
            worker.terminate();
            resolve(null);
        };
        worker.onmessage = ({ data }) => { if (data.ready) resolve({ worker, constants: data.ready }); };
    });
}

// The worker starts as soon as this module runs: index.html runs it early, as
// a module of its own, so that the core loads while the page's other modules do.
const workerStarting = 'serial' in navigator ? startWorker() : Promise.resolve(null);

// A worker that has said nothing this long, while the page's own timer came
// on time, has ended (the browser ends a worker without telling the page).
const kSilentWorkerMs = 3000;
const kWorkerCheckMs = 1000;

export class LinkHost {
    // onEvent(event) for every event but the replies (link.js lists them), and
    // {workerEnded: true} when the worker ends after it started.
    constructor(onEvent) {
        this.onEvent = onEvent;
        this.replies = new Map();
        this.lastId = 0;
        this.inWorker = false;
    }

    // Starts the line's runner; `createCore` makes the core on the page when
    // the worker cannot start or ends later. Sets `constants` (the core's
    // periods, colours and texts) and `inWorker`.
    async start(createCore) {
        this.inWorker = false;
        this.createCore = createCore;
        const started = await workerStarting;
        if (!started) {
            await this.runOnPage();
            return;
        }
        const { worker, constants } = started;
        let heard = performance.now();
        let checked = heard;
        worker.onmessage = ({ data }) => {
            heard = performance.now();
            if (!data.alive) this.event(data);
        };
        worker.onerror = (event) => {
            event.preventDefault();
            this.workerEnded(worker);
        };
        this.checkTimer = setInterval(() => {
            const now = performance.now();
            // A late check means the page's thread was held: what the worker
            // sent meanwhile may not have been read yet, so judge next time.
            if (now - checked > 2 * kWorkerCheckMs) heard = now;
            checked = now;
            if (now - heard > kSilentWorkerMs) this.workerEnded(worker);
        }, kWorkerCheckMs);
        this.send = (message, transfer) => worker.postMessage(message, transfer ?? []);
        this.constants = constants;
        this.inWorker = true;
    }

    event(data) {
        if (data.reply === undefined) {
            this.onEvent(data);
            return;
        }
        this.replies.get(data.reply)?.(data.result);
        this.replies.delete(data.reply);
    }

    // The line runs on the page itself, with the page's timers.
    async runOnPage() {
        const queued = [];
        this.send = (message) => queued.push(message);  // while the core loads
        const [core, { LinkRunner }] = await Promise.all([this.createCore(), import('./link.js')]);
        const runner = new LinkRunner(core, (data) => queueMicrotask(() => this.event(data)));
        this.send = (message) => runner.handle(message);
        this.constants = runner.constants;
        for (const message of queued) runner.handle(message);
    }

    // The worker ended after it started: every pending command is answered
    // null, and the page runs the line itself, as when the worker cannot start.
    async workerEnded(worker) {
        if (!this.inWorker) return;
        this.inWorker = false;
        clearInterval(this.checkTimer);
        worker.onmessage = null;
        worker.onerror = null;
        worker.terminate();
        for (const resolve of this.replies.values()) resolve(null);
        this.replies.clear();
        const running = this.runOnPage();
        this.onEvent({ workerEnded: true });
        await running;
    }

    // A command without an answer.
    tell(command, args = {}) {
        this.send({ command, ...args });
    }

    // A command whose result comes back (null when the worker ended first);
    // `transfer` lists buffers handed over.
    ask(command, args = {}, transfer = []) {
        const id = ++this.lastId;
        return new Promise((resolve) => {
            this.replies.set(id, resolve);
            this.send({ id, command, ...args }, transfer);
        });
    }
}
