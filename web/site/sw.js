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
// served only when that catalogue names it: nothing else from there, or from
// a folder below it, reaches the page, from the network or not.
// The site's trusted keys and a catalogue with its signature come from the
// network first, the cache serving them only offline: a key the site
// removes stops verifying at the next load.
const BUILD = '@SITE_BUILD@';
const FILES = '@SITE_FILES@'.split(' ');
const PREFIX = 'gimbal-tool-';
const CACHE = `${PREFIX}${BUILD}`;
const RELEASES = 'gimbal-releases';  // releases.js keeps them
const CATALOGUE = 'releases.json';
const TRUSTED_KEYS = 'trusted-keys.pub';
const NETWORK_FIRST = new Set([TRUSTED_KEYS, CATALOGUE, `${CATALOGUE}.sig`]);

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

// A name as it stands in a URL's path, percent-encoded as the page's
// `new URL(name, source)` leaves it: compared as such, never decoded.
const pathName = (url) => new URL(url).pathname.split('/').pop();

// The kept catalogue of the nearest folder at or above `url` that has one,
// with whether that folder is the file's own, or null when none is kept.
async function nearestCatalogue(url) {
    for (let folder = new URL('./', url); ; folder = new URL('../', folder)) {
        const catalogue = await caches.match(new URL(CATALOGUE, folder).href, { cacheName: RELEASES });
        if (catalogue) return { catalogue, own: folder.href === new URL('./', url).href };
        if (folder.pathname === '/') return null;
    }
}

// Whether a file may be served: always when no kept catalogue is above it,
// else only when it is named by its own folder's catalogue (names are plain,
// so nothing in a folder below a release folder is).
async function allowed(url) {
    const nearest = await nearestCatalogue(url);
    if (!nearest) return true;
    if (!nearest.own) return false;
    try {
        const names = (await nearest.catalogue.json()).releases.flatMap((r) => r.files.map((f) => f.name));
        return [CATALOGUE, `${CATALOGUE}.sig`, ...names].some((n) => pathName(new URL(n, url)) === pathName(url));
    } catch (error) {
        return false;
    }
}

async function fromReleaseFolder(request) {
    if (!(await allowed(request.url))) {
        return new Response('', { status: 404, statusText: 'Not named by the verified catalogue' });
    }
    return fetch(request);
}

// From the network; from this build's cache only when the network cannot
// be reached. A build file seen anew replaces the cached copy, so that
// offline the site's latest keys serve.
async function networkFirst(request) {
    const cache = await caches.open(CACHE);
    let response;
    try {
        response = await fetch(request);
    } catch (error) {
        const cached = await cache.match(request, { ignoreSearch: true });
        if (cached) return cached;
        throw error;
    }
    const url = new URL(request.url);
    url.search = '';
    if (await cache.match(url.href)) {
        if (response.ok) await cache.put(url.href, response.clone());
        else if (response.status === 404 || response.status === 410) await cache.delete(url.href);
    }
    return response;
}

self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET') return;
    if (NETWORK_FIRST.has(pathName(event.request.url))) {
        event.respondWith(networkFirst(event.request));
        return;
    }
    event.respondWith(caches.open(CACHE)
        .then((cache) => cache.match(event.request, { ignoreSearch: true }))
        .then((cached) => cached ?? fromReleaseFolder(event.request)));
});
