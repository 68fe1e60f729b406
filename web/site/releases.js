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

class Refused extends Error {}

// The bytes at `url`, at most `cap` of them, from the same host only.
async function fetchBytes(url, cap) {
    const response = await fetch(url, { cache: 'no-store', signal: AbortSignal.timeout(kTimeoutMs) });
    if (new URL(response.url).host !== new URL(url).host) {
        throw new Refused(`${url}: redirected to another host (${new URL(response.url).host}); refused`);
    }
    if (!response.ok) throw new Error(`${url}: HTTP ${response.status}`);
    const length = Number(response.headers.get('content-length') ?? 0);
    if (length > cap) throw new Refused(`${url}: larger than ${cap} bytes; refused`);
    const reader = response.body.getReader();
    const parts = [];
    let size = 0;
    for (;;) {
        const { done, value } = await reader.read();
        if (done) break;
        size += value.length;
        if (size > cap) {
            reader.cancel();
            throw new Refused(`${url}: larger than ${cap} bytes; refused`);
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

const unreachable = (url, why) => `${url} cannot be reached: ${why}`;
const refusal = (error, url) => (error instanceof Refused ? error.message : unreachable(url, error.message));

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
            if (error instanceof Refused || !keptGood) return { error: refusal(error, catalogueUrl) };
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
        if (!catalogue) return { error: `no verified ${kCatalogue} from ${source}: list its releases first` };
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
                return { error: refusal(error, url) };
            }
            const result = await check(bytes);
            if (result.error) return { error: result.error };
            await keep(url, bytes);
        }
        return { name: wanted.name, bytes, line: wanted.loadedLine };
    }
}
