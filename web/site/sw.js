// Keeps the page working offline: every file of the site is cached when the
// worker installs; requests are answered from the cache and refreshed from
// the network in the background, so a new version shows on the next load.
const CACHE = 'gimbal-tool-v1';
const FILES = ['./', 'index.html', 'style.css', 'app.js', 'serial.js', 'gimbal-core.mjs',
               'gimbal-core.wasm', 'manifest.webmanifest', 'gimbal-tool-128.png'];

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
        .then((keys) => Promise.all(keys.filter((k) => k !== CACHE).map((k) => caches.delete(k))))
        .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET') return;
    event.respondWith(caches.open(CACHE).then(async (cache) => {
        const cached = await cache.match(event.request, { ignoreSearch: true });
        const fresh = fetch(event.request).then((response) => {
            if (response.ok) cache.put(event.request, response.clone());
            return response;
        });
        if (cached) {
            fresh.catch(() => {});
            return cached;
        }
        return fresh;
    }));
});
