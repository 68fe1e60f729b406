// Serves the site offline, one build at a time. The build step writes the
// build's id and file names below (web/stamp-site.cmake). Each build's files
// are cached whole, straight from the server, before its worker installs,
// under a name of their own; a build that arrives while a page runs waits
// until the page's Reload (build-update.js) lets it take over, and the older
// builds' caches go once it is active. A page never gets files of two builds.
// Only caches named with this site's prefix are ever deleted: other apps
// served from the same host keep theirs, and so do the releases the page
// verified and kept (releases.js), under a name of their own.
// A file in a release folder whose verified catalogue the page keeps is
// served only when that catalogue names it: nothing else from there reaches
// the page, from the network or not.
const BUILD = '@SITE_BUILD@';
const FILES = '@SITE_FILES@'.split(' ');
const PREFIX = 'gimbal-tool-';
const CACHE = `${PREFIX}${BUILD}`;
const RELEASES = 'gimbal-releases';  // releases.js keeps them
const CATALOGUE = 'releases.json';

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

// The names a folder's kept catalogue allows, or null when none is kept.
async function namedInFolder(url) {
    const catalogue = await caches.match(new URL(CATALOGUE, url).href, { cacheName: RELEASES });
    if (!catalogue) return null;
    try {
        const names = (await catalogue.json()).releases.flatMap((r) => r.files.map((f) => f.name));
        return new Set([CATALOGUE, `${CATALOGUE}.sig`, ...names]);
    } catch (error) {
        return new Set();
    }
}

async function fromReleaseFolder(request) {
    const named = await namedInFolder(request.url);
    const name = decodeURIComponent(new URL(request.url).pathname.split('/').pop());
    if (named && !named.has(name)) {
        return new Response('', { status: 404, statusText: 'Not named by the verified catalogue' });
    }
    return fetch(request);
}

self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET') return;
    event.respondWith(caches.open(CACHE)
        .then((cache) => cache.match(event.request, { ignoreSearch: true }))
        .then((cached) => cached ?? fromReleaseFolder(event.request)));
});
