// A page runs the files of one build, and starts at once on the build it was
// loaded with. The service worker (sw.js) caches each build whole under a
// name of its own; a newer build is looked for in the background, and once
// all its files are cached the bar offers it. Reload lets it take over and
// loads the page again from it, so nothing of the older build is paired with
// the newer one. No upgrade is ever cut short: the bar stays hidden while
// one runs, and a Reload asked for meanwhile waits until it ends.
import { onUpgradeChange, upgradeRunning } from './upgrade-guard.js';

const kCheckEveryMs = 60 * 60 * 1000;  // a page left open all day still hears of a new build

let registration = null;
let newBuildReady = false;
let reloadAsked = false;
let reloading = false;

const bar = () => document.getElementById('updateBar');

function showBar() {
    bar().hidden = !newBuildReady || upgradeRunning();
}

function offer() {
    newBuildReady = true;
    showBar();
}

// Calls offer() once `worker` has every file of its build cached and waits
// behind the active one (the first build ever loaded waits for none).
function whenInstalled(worker) {
    if (!worker) return;
    const check = () => { if (worker.state === 'installed' && registration.active) offer(); };
    worker.addEventListener('statechange', check);
    check();
}

function reload() {
    reloadAsked = true;
    if (upgradeRunning() || reloading) return;  // onUpgradeChange comes back at the end
    reloading = true;
    const waiting = registration?.waiting;
    if (!waiting) {
        location.reload();  // the new build already took over (from another tab)
        return;
    }
    waiting.postMessage('activate');  // controllerchange follows, then the reload
}

function check() {
    registration.update().catch(() => {});  // offline, or the server is away: later
}

// Starts looking for newer builds; the page runs on meanwhile.
export async function offerNewBuilds() {
    if (!('serviceWorker' in navigator)) return;
    document.getElementById('btn_Reload').onclick = reload;
    onUpgradeChange((running) => {
        showBar();
        if (!running && reloadAsked) reload();
    });
    try {
        let controlled = !!navigator.serviceWorker.controller;
        navigator.serviceWorker.addEventListener('controllerchange', () => {
            if (reloading) location.reload();
            else if (controlled) offer();  // another tab let the new build in: this one runs the old
            controlled = true;
        });
        registration = await navigator.serviceWorker.register('sw.js');
    } catch (error) {
        return;  // no service worker allowed: the page runs from the server each time
    }
    whenInstalled(registration.waiting);
    whenInstalled(registration.installing);
    registration.addEventListener('updatefound', () => whenInstalled(registration.installing));
    check();
    setInterval(check, kCheckEveryMs);
}
