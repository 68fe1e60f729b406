// The page's end of the line (link.js): in the dedicated worker when it
// starts, else on the page itself with the page's own timers, which a
// browser slows while the tab is hidden. Either way commands go in as
// messages and events come back as messages, so the page is the same.
import { LinkRunner } from './link.js';

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

export class LinkHost {
    // onEvent(event) for every event but the replies (link.js lists them).
    constructor(onEvent) {
        this.onEvent = onEvent;
        this.replies = new Map();
        this.lastId = 0;
        this.inWorker = false;
    }

    // Starts the line's runner; `createCore` makes the core on the page when
    // the worker cannot start. Sets `constants` (the core's periods, colours
    // and texts) and `inWorker`.
    async start(createCore) {
        this.inWorker = false;
        const event = (data) => {
            if (data.reply === undefined) {
                this.onEvent(data);
                return;
            }
            this.replies.get(data.reply)?.(data.result);
            this.replies.delete(data.reply);
        };
        const started = await startWorker();
        if (started) {
            const { worker, constants } = started;
            worker.onmessage = ({ data }) => event(data);
            worker.onerror = null;
            this.send = (message, transfer) => worker.postMessage(message, transfer ?? []);
            this.constants = constants;
            this.inWorker = true;
        } else {
            const runner = new LinkRunner(await createCore(), (data) => queueMicrotask(() => event(data)));
            this.send = (message) => runner.handle(message);
            this.constants = runner.constants;
        }
    }

    // A command without an answer.
    tell(command, args = {}) {
        this.send({ command, ...args });
    }

    // A command whose result comes back; `transfer` lists buffers handed over.
    ask(command, args = {}, transfer = []) {
        const id = ++this.lastId;
        return new Promise((resolve) => {
            this.replies.set(id, resolve);
            this.send({ id, command, ...args }, transfer);
        });
    }
}
