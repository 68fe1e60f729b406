// Timers that keep their pace when the tab is hidden: they run in a worker
// (clock-worker.js) and call back here by message, which a hidden tab
// receives at once. The one way the page waits for a time.
const worker = new Worker(new URL('clock-worker.js', import.meta.url));
const callbacks = new Map();
let lastId = 0;

worker.onmessage = ({ data: id }) => {
    const timer = callbacks.get(id);
    if (!timer) return;  // cancelled while its message was on the way
    if (!timer.repeat) callbacks.delete(id);
    timer.callback();
};

function start(callback, ms, repeat) {
    const id = ++lastId;
    callbacks.set(id, { callback, repeat });
    worker.postMessage({ id, ms: Math.max(0, ms), repeat });
    return id;
}

// Calls `callback` once after `ms`; returns an id for cancel().
export const after = (ms, callback) => start(callback, ms, false);
// Calls `callback` every `ms`; returns an id for cancel().
export const every = (ms, callback) => start(callback, ms, true);

export function cancel(id) {
    if (!callbacks.delete(id)) return;
    worker.postMessage({ id });
}
