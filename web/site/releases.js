// The maker's releases for the page: fetched from a release folder (the
// catalogue, its signature, the firmware files), the signature checked with
// WebCrypto's Ed25519, and kept in the page's own cache for offline work.
// Every rule (the signature's and keys' format, the trusted key, the
// catalogue, its serial, a file's size and SHA-256, the texts) is the core's;
// this file only fetches, keeps and calls Ed25519. It runs beside the line
// (link.js), where the core is.

// Not under the builds' prefix (sw.js): a new build keeps the releases.
export const kReleaseCache = 'gimbal-releases';
const kCatalogue = 'releases.json';
const kSignature = 'releases.json.sig';
const kTrustedKeys = 'trusted-keys.pub';  // the site's keys, beside the page
const kTimeoutMs = 20000;

// The worker has no catalogue: an error is its English text and its wording
// (marked with qsTr() for the catalogues, never called here) with the values
// of its %1, %2..., which the page fills in after its own lookup (shownError).
const qsTr = (text) => text;
const filled = (text, values) => text.replace(/%(\d)/g, (mark, k) => String(values[k - 1]));
const worded = (text, ...values) => ({ text, values });
const englishOf = (value) => (typeof value === 'object' ? filled(value.text, value.values.map(englishOf)) : String(value));

class WordedError extends Error {
    constructor(wording) {
        super(englishOf(wording));
        this.wording = wording;
    }
}
class Refused extends WordedError {}
const failure = (wording) => ({ error: englishOf(wording), wording });

// The bytes at `url`, at most `cap` of them, from the same scheme, host and
// port only (a redirect from https to http is refused).
async function fetchBytes(url, cap) {
    const response = await fetch(url, { cache: 'no-store', signal: AbortSignal.timeout(kTimeoutMs) });
    if (new URL(response.url).origin !== new URL(url).origin) {
        throw new Refused(worded(qsTr('%1: redirected to another host (%2); refused'), url, new URL(response.url).origin));
    }
    if (!response.ok) throw new WordedError(worded(qsTr('%1: HTTP %2'), url, response.status));
    const length = Number(response.headers.get('content-length') ?? 0);
    if (length > cap) throw new Refused(worded(qsTr('%1: larger than %2 bytes; refused'), url, cap));
    const reader = response.body.getReader();
    const parts = [];
    let size = 0;
    for (;;) {
        const { done, value } = await reader.read();
        if (done) break;
        size += value.length;
        if (size > cap) {
            reader.cancel();
            throw new Refused(worded(qsTr('%1: larger than %2 bytes; refused'), url, cap));
        }
        parts.push(value);
    }
    const bytes = new Uint8Array(size);
    let at = 0;
    for (const part of parts) {
        bytes.set(part, at);
        at += part.length;
    }
    return bytes;
}

// Read without opening the cache: it is made only once something is kept.
async function cached(url) {
    const response = await caches.match(url, { cacheName: kReleaseCache });
    return response ? new Uint8Array(await response.arrayBuffer()) : null;
}

const keep = async (url, bytes) => (await caches.open(kReleaseCache)).put(url, new Response(bytes));

async function ed25519Verifies(publicKey, signature, bytes) {
    const key = await crypto.subtle.importKey('raw', publicKey, { name: 'Ed25519' }, false, ['verify']);
    return crypto.subtle.verify({ name: 'Ed25519' }, key, signature, bytes);
}

async function sha256Hex(bytes) {
    const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
    return [...digest].map((b) => b.toString(16).padStart(2, '0')).join('');
}

const refusal = (error, url) => failure(error instanceof Refused ? error.wording
    : worded(qsTr('%1 cannot be reached: %2'), url, error.wording ?? error.message));

export class ReleaseShelf {
    // `core` is the core module (gimbal-core.mjs); `siteUrl` the folder the
    // page is served from, where its trusted keys are.
    constructor(core, siteUrl) {
        this.core = core;
        this.siteUrl = siteUrl;
        const constants = core.coreConstants();
        this.limits = { catalogue: constants.maxCatalogueSize, file: constants.maxReleaseFileSize };
        this.verified = new Map();  // source -> {catalogue (bytes), judged (the core's verdict)}
    }

    async trustedKeys() {
        try {
            return new TextDecoder().decode(await fetchBytes(new URL(kTrustedKeys, this.siteUrl).href, this.limits.catalogue));
        } catch (error) {
            return '';  // none: the core says how to add one
        }
    }

    // The catalogue and its signature judged by the core, WebCrypto having
    // checked the signature: the core's verdict, {error} when refused.
    async judge(catalogue, signature, highestSerial) {
        const keys = await this.trustedKeys();
        const text = new TextDecoder().decode(signature);
        const check = this.core.releaseSignatureToCheck(text, keys);
        const good = check ? await ed25519Verifies(check.publicKey, check.signature, catalogue) : false;
        return this.core.verifyReleaseCatalogue(catalogue, text, keys, good, highestSerial);
    }

    // The source's releases, newest first: {releases, lines} where lines are
    // the log's lines (offline), or {error} with nothing listed. A catalogue
    // is kept once verified; when the source cannot be reached the kept one
    // serves, verified again.
    async list(source) {
        const catalogueUrl = new URL(kCatalogue, source).href;
        const signatureUrl = new URL(kSignature, source).href;
        const keptCatalogue = await cached(catalogueUrl);
        const keptSignature = await cached(signatureUrl);
        const kept = keptCatalogue && keptSignature ? await this.judge(keptCatalogue, keptSignature, -1) : null;
        const keptGood = kept && !kept.error;
        let catalogue, signature;
        try {
            catalogue = await fetchBytes(catalogueUrl, this.limits.catalogue);
            signature = await fetchBytes(signatureUrl, this.limits.catalogue);
        } catch (error) {
            if (error instanceof Refused || !keptGood) return refusal(error, catalogueUrl);
            this.verified.set(source, { catalogue: keptCatalogue, judged: kept });
            return { releases: kept.releases, lines: [kept.offlineLine] };
        }
        const judged = await this.judge(catalogue, signature, keptGood ? kept.serial : -1);
        if (judged.error) return { error: judged.error };
        await keep(catalogueUrl, catalogue);
        await keep(signatureUrl, signature);
        this.verified.set(source, { catalogue, judged });
        return { releases: judged.releases, lines: [] };
    }

    // A listed release's file checked against the verified catalogue, from
    // the cache when it holds a good copy, else fetched and kept:
    // {name, bytes, line} (line names the release and its key) or {error}.
    async file(source, version) {
        const { catalogue, judged } = this.verified.get(source) ?? {};
        if (!catalogue) return failure(worded(qsTr('no verified %1 from %2: list its releases first'), kCatalogue, source));
        const check = async (bytes) => this.core.checkReleaseFile(catalogue, version, bytes.length,
            await sha256Hex(bytes), judged.keyNumber, judged.keyComment);
        const wanted = await check(new Uint8Array(0));
        if (!wanted.name) return { error: wanted.error };
        const url = new URL(wanted.name, source).href;
        // A kept copy is checked again before use; a bad one is fetched anew.
        let bytes = await cached(url);
        if (!bytes || (await check(bytes)).error) {
            try {
                bytes = await fetchBytes(url, Math.min(wanted.size, this.limits.file));  // no longer than the catalogue says
            } catch (error) {
                return refusal(error, url);
            }
            const result = await check(bytes);
            if (result.error) return { error: result.error };
            await keep(url, bytes);
        }
        return { name: wanted.name, bytes, line: wanted.loadedLine };
    }
}
