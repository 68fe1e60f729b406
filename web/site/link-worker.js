// The dedicated worker that holds the line and the core (link.js): the page
// chooses the port and shows what comes back; reading, answering, the block
// pauses and the upgrade's ticks go on here whatever the page's thread does.
// Web Serial reaches a dedicated worker as navigator.serial, with the ports
// the page was granted; a browser without it there fails the worker, and the
// page runs the line itself.
// Everything loads at once: the core, compiled as it streams in (core.js),
// and the line's modules; so this module imports nothing before it runs.
const serialHere = 'serial' in navigator ? Promise.resolve() : Promise.reject(new Error('No Web Serial in workers'));
const loaded = serialHere.then(() => Promise.all([
    import('./core.js').then((module) => module.createCore()), import('./link.js')]));
loaded.then(([core, { LinkRunner }]) => {
    const runner = new LinkRunner(core, (event) => self.postMessage(event));
    self.onmessage = ({ data }) => runner.handle(data);
    self.postMessage({ ready: runner.constants });  // the core's periods, colours and texts
    setInterval(() => self.postMessage({ alive: true }), 500);  // the page notices its silence
}, (error) => setTimeout(() => { throw error; }));  // the page sees the worker fail and goes on without it
