// A page runs the files of one build. The service worker (sw.js) caches each
// build whole; a newer build found when the page loads is let take over, and
// the page reloads into it before it starts, so nothing of the older build
// is paired with the newer one.
const kUpdateCheckMs = 3000;  // a slower server: this load keeps the build it has

// The newer build's worker once all its files are cached; null when there is none.
async function newerBuild(registration) {
    await registration.update();
    const worker = registration.waiting ?? registration.installing;
    if (!worker || worker.state === 'installed') return worker;
    return new Promise((resolve) => worker.addEventListener('statechange', () => {
        if (worker.state === 'installed') resolve(worker);
        if (worker.state === 'redundant') resolve(null);
    }));
}

// True when the page may start on the files it was loaded from; false when
// it is reloading into a newer build.
export async function onNewestBuild() {
    if (!('serviceWorker' in navigator)) return true;
    try {
        const registration = await navigator.serviceWorker.register('sw.js');
        if (!navigator.serviceWorker.controller) return true;  // loaded from the server itself
        const timeout = new Promise((resolve) => setTimeout(resolve, kUpdateCheckMs, null));
        const worker = await Promise.race([newerBuild(registration), timeout]);
        if (!worker) return true;
        navigator.serviceWorker.addEventListener('controllerchange', () => location.reload());
        worker.postMessage('activate');
        return false;
    } catch (error) {
        return true;  // offline, or no service worker allowed: the cached build runs
    }
}
