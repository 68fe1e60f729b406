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
const kCatalogueCap = 1024 * 1024;
const kFileCap = 16 * 1024 * 1024;
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

async function cached(cache, url) {
    const response = await cache.match(url);
    return response ? new Uint8Array(await response.arrayBuffer()) : null;
}

const keep = (cache, url, bytes) => cache.put(url, new Response(bytes));

async function ed25519Verifies(publicKey, signature, bytes) {
    const key = await crypto.subtle.importKey('raw', publicKey, { name: 'Ed25519' }, false, ['verify']);
    return crypto.subtle.verify({ name: 'Ed25519' }, key, signature, bytes);
}

export class ReleaseShelf {
    // `core` is the core module (gimbal-core.mjs); `siteUrl` the folder the
    // page is served from, where its trusted keys are.
    constructor(core, siteUrl) {
        this.core = core;
        this.siteUrl = siteUrl;
        this.verified = new Map();  // source -> {catalogue bytes, key}
    }

    async trustedKeys() {
        try {
            return new TextDecoder().decode(await fetchBytes(new URL(kTrustedKeys, this.siteUrl).href, kCatalogueCap));
        } catch (error) {
            return '';  // none: the core says how to add one
        }
    }

    // The catalogue and its signature judged: {catalogue, key} or a Refused error.
    async verify(source, catalogue, signatureText, highestSerial) {
        const signature = this.core.readReleaseSignature(signatureText, await this.trustedKeys());
        if (signature.error) throw new Refused(signature.error);
        if (!await ed25519Verifies(signature.publicKey, signature.signature, catalogue)) {
            throw new Refused(this.core.badReleaseSignatureText(source));
        }
        const read = this.core.readReleaseCatalogue(catalogue, highestSerial);
        if (read.error) throw new Refused(read.error);
        return { read, key: signature };
    }

    // The source's releases, newest first: {releases, lines} where lines are
    // the log's lines (offline, refusals), or {error} with nothing listed.
    async list(source) {
        const cache = await caches.open(kReleaseCache);
        const catalogueUrl = new URL(kCatalogue, source).href;
        const signatureUrl = new URL(kSignature, source).href;
        const keptCatalogue = await cached(cache, catalogueUrl);
        const keptSignature = await cached(cache, signatureUrl);
        let kept = null;
        if (keptCatalogue && keptSignature) {
            try {
                kept = await this.verify(source, keptCatalogue, new TextDecoder().decode(keptSignature), -1);
                kept.catalogue = keptCatalogue;
            } catch (error) {
                kept = null;  // a kept catalogue no longer trusted serves nothing
            }
        }
        let fetched;
        try {
            fetched = [await fetchBytes(catalogueUrl, kCatalogueCap), await fetchBytes(signatureUrl, kCatalogueCap)];
        } catch (error) {
            if (error instanceof Refused || !kept) return { error: error instanceof Refused ? error.message : this.core.unreachableSourceText(source, error.message) };
            this.verified.set(source, kept);
            return { releases: kept.read.releases, key: kept.key, lines: [this.core.offlineReleasesText(kept.read.published)] };
        }
        const [catalogue, signature] = fetched;
        let judged;
        try {
            judged = await this.verify(source, catalogue, new TextDecoder().decode(signature),
                kept ? kept.read.serial : -1);
        } catch (error) {
            return { error: error.message };
        }
        judged.catalogue = catalogue;
        await keep(cache, catalogueUrl, catalogue);
        await keep(cache, signatureUrl, signature);
        this.verified.set(source, judged);
        return { releases: judged.read.releases, key: judged.key, lines: [] };
    }

    // One listed release's file, checked against the verified catalogue, from
    // the cache when it holds a good copy, else fetched and kept:
    // {name, bytes, line} (line names the release and its key) or {error}.
    async file(source, version) {
        const judged = this.verified.get(source);
        if (!judged) return { error: this.core.noVerifiedCatalogueText(source) };
        const entry = judged.read.releases.find((r) => r.version === version);
        if (!entry) return { error: this.core.noSuchReleaseText(version) };
        const name = entry.files[0].name;
        const url = new URL(name, source).href;
        const cache = await caches.open(kReleaseCache);
        let bytes = await cached(cache, url);
        // A kept copy is checked again before use; a bad one is fetched anew.
        if (!bytes || this.core.checkReleaseFile(judged.catalogue, version, bytes)) {
            try {
                bytes = await fetchBytes(url, kFileCap);
            } catch (error) {
                return { error: error instanceof Refused ? error.message : this.core.unreachableSourceText(source, error.message) };
            }
            const why = this.core.checkReleaseFile(judged.catalogue, version, bytes);
            if (why) return { error: why };
            await keep(cache, url, bytes);
        }
        return { name, bytes, line: this.core.releaseChosenText(version, judged.key.keyNumber, judged.key.keyComment) };
    }
}
