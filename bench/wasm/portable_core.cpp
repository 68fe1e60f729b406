// Exports every public entry of the portable core, so that the .wasm holds
// exactly the code a page calling the core would load. Add an export for
// each new entry point.

#include <emscripten/emscripten.h>

#include <algorithm>

#include "protocol/Frame.h"
#include "session/LinkSession.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/UpgradeProgress.h"
#include "upgrade/UpgradeSupervisor.h"

extern "C" {

EMSCRIPTEN_KEEPALIVE std::size_t frameBuild(uint8_t* out, uint8_t gimbalId, uint8_t command,
                                            const uint8_t* payload, std::size_t payloadLength) {
    return frame::build(out, gimbalId, command, payload, payloadLength);
}

EMSCRIPTEN_KEEPALIVE std::size_t frameComplete(uint8_t* buffer, std::size_t n) {
    return frame::completeFrame(buffer, n);
}

EMSCRIPTEN_KEEPALIVE uint8_t frameChecksum(const uint8_t* frame, unsigned length) {
    return frame::checksumOf(frame, length);
}

EMSCRIPTEN_KEEPALIVE std::size_t frameMake(uint8_t* out, uint8_t gimbalId, uint8_t command,
                                           uint8_t payloadByte) {
    const std::vector<uint8_t> f = frame::make(gimbalId, command, {payloadByte});
    std::copy(f.begin(), f.end(), out);
    return f.size();
}

EMSCRIPTEN_KEEPALIVE int singleImageProgress(int boards, int f, int i, int maxProgress) {
    return upgrade::singleImageProgress(boards, f, i, maxProgress).value;
}

EMSCRIPTEN_KEEPALIVE int multiImageProgress(int8_t updateRange, int f, int i,
                                            const int64_t blocks[4]) {
    return upgrade::multiImageProgress(updateRange, f, i, blocks).value;
}

// A link session with its upgrade supervision, as a page drives them.
struct PageLink {
    session::LinkSession session;
    upgrade::UpgradeSupervisor supervisor{{[](const char*) {}, [](int) {}}};
    std::vector<uint8_t> written;
};

EMSCRIPTEN_KEEPALIVE PageLink* linkCreate() { return new PageLink; }
EMSCRIPTEN_KEEPALIVE void linkDestroy(PageLink* link) { delete link; }
EMSCRIPTEN_KEEPALIVE void linkOpened(PageLink* link, double now) { link->session.opened(now); }
EMSCRIPTEN_KEEPALIVE void linkClosed(PageLink* link) { link->session.closed(); }
EMSCRIPTEN_KEEPALIVE void linkReceived(PageLink* link, const uint8_t* bytes, std::size_t n,
                                       double now) {
    link->session.received(bytes, n, now);
}
EMSCRIPTEN_KEEPALIVE void linkQuiet(PageLink* link, double now) { link->session.lineQuiet(now); }
EMSCRIPTEN_KEEPALIVE std::size_t linkTakeWrites(PageLink* link, double now) {
    link->written.clear();
    for (const auto& w : link->session.takeDueWrites(now)) {
        link->written.insert(link->written.end(), w.begin(), w.end());
    }
    return link->written.size();
}
EMSCRIPTEN_KEEPALIVE bool linkRequest(PageLink* link, int request, double now) {
    return link->session.sendRequest(static_cast<calibration::Request>(request), now);
}
EMSCRIPTEN_KEEPALIVE int linkPoll(PageLink* link, int page) {
    const auto report = link->session.pollStatus(page);
    return report ? report->code : -1;
}
EMSCRIPTEN_KEEPALIVE int linkLoadFirmware(PageLink* link, const char* name, const uint8_t* bytes,
                                          std::size_t n) {
    FirmwareVariables v;
    const firmware::LoadResult r =
        firmware::analyse(name, std::vector<uint8_t>(bytes, bytes + n), v);
    link->session.setFirmware(std::move(v), 0);
    return r.usable ? r.maxProgress : -1;
}
EMSCRIPTEN_KEEPALIVE bool linkUpgrade(PageLink* link, int maxProgress, double now) {
    return link->supervisor.Upgrade(&link->session, maxProgress, now);
}
EMSCRIPTEN_KEEPALIVE bool linkTick(PageLink* link, double now) {
    link->session.advance(now);
    return link->supervisor.handleTick(&link->session, now);
}

}  // extern "C"
