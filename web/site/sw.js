// Serves the site offline, one build at a time. The build step writes the
// build's id and file names below (web/stamp-site.cmake). Each build's files
// are cached whole, straight from the server, before its worker installs,
// under a name of their own; a build that arrives while a page runs waits
// until the page's Reload (build-update.js) lets it take over, and the older
// builds' caches go once it is active. A page never gets files of two builds.
// Only caches named with this site's prefix are ever deleted: other apps
// served from the same host keep theirs.
const BUILD = '@SITE_BUILD@';
const FILES = '@SITE_FILES@'.split(' ');
const PREFIX = 'gimbal-tool-';
const CACHE = `${PREFIX}${BUILD}`;

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(CACHE).then((cache) =>
        cache.addAll(FILES.map((file) => new Request(file, { cache: 'reload' })))));
});

self.addEventListener('message', (event) => {
    if (event.data === 'activate') self.skipWaiting();
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
        .then((keys) => Promise.all(keys.filter((k) => k.startsWith(PREFIX) && k !== CACHE).map((k) => caches.delete(k))))
        .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET') return;
    event.respondWith(caches.open(CACHE)
        .then((cache) => cache.match(event.request, { ignoreSearch: true }))
        .then((cached) => cached ?? fetch(event.request)));
});
