// While an upgrade runs: the screen is kept awake (a computer that sleeps
// suspends the USB adapter mid-image), the lock is taken again whenever the
// page is shown again (the browser drops it when the page is hidden), and
// closing or reloading the tab asks first. Others (build-update.js) hear
// when an upgrade starts and ends.
let running = false;
let lock = null;
const listeners = [];

async function keepAwake() {
    if (!running || lock || document.visibilityState !== 'visible' || !navigator.wakeLock) return;
    try {
        const taken = await navigator.wakeLock.request('screen');
        if (!running) {
            taken.release();  // the upgrade ended while the lock was asked for
            return;
        }
        lock = taken;
        lock.addEventListener('release', () => { if (lock === taken) lock = null; });
    } catch (error) {
        // Refused (battery saver, policy): the upgrade runs on without it.
    }
}

document.addEventListener('visibilitychange', keepAwake);
window.addEventListener('beforeunload', (event) => {
    if (!running) return;
    event.preventDefault();
    event.returnValue = '';  // older browsers ask only with this set
});

export const upgradeRunning = () => running;

// Calls listener(running) whenever an upgrade starts or ends.
export function onUpgradeChange(listener) {
    listeners.push(listener);
}

// Called with true when an upgrade starts and false when it ends.
export function guardUpgrade(on) {
    running = on;
    if (on) {
        keepAwake();
    } else if (lock) {
        lock.release();
        lock = null;
    }
    for (const listener of listeners) listener(on);
}
