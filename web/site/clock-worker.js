// The page's timers, kept in a dedicated worker: a browser slows the timers
// of a hidden tab to one wake-up a second (later a minute), but not a
// worker's. Each message {id, ms, repeat} starts a timer that posts its id
// back when due; {id} alone cancels it.
const timers = new Map();

self.onmessage = ({ data: { id, ms, repeat } }) => {
    clearTimeout(timers.get(id));  // clears an interval too
    timers.delete(id);
    if (ms === undefined) return;
    const due = () => {
        if (!repeat) timers.delete(id);
        self.postMessage(id);
    };
    timers.set(id, repeat ? setInterval(due, ms) : setTimeout(due, ms));
};
