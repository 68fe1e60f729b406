// The core (gimbal-core.mjs with its gimbal-core.wasm) for the line's runner.
// The WebAssembly is fetched and compiled as soon as this module runs, in
// parallel with the core's JavaScript, streamed from the service worker's
// cache, so Chromium keeps the compiled code beside the cached file for the
// next load; the bytes are fetched once, unless a server names them with a
// type other than application/wasm.

async function compileCore() {
    const url = new URL('gimbal-core.wasm', import.meta.url);
    try {
        return await WebAssembly.compileStreaming(fetch(url));
    } catch (error) {
        return WebAssembly.compile(await (await fetch(url)).arrayBuffer());
    }
}

const compiling = compileCore();

// The core's module object (GimbalLink, coreConstants...), instantiated from
// the compiled WebAssembly; rejects when it cannot be had.
export async function createCore() {
    const [{ default: createGimbalCore }, compiled] =
        await Promise.all([import('./gimbal-core.mjs'), compiling]);
    let failed;
    const failure = new Promise((resolve, reject) => { failed = reject; });
    const instantiateWasm = (imports, receive) => {
        WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled), failed);
        return {};  // the exports come through receive
    };
    return Promise.race([failure, createGimbalCore({ instantiateWasm })]);
}
