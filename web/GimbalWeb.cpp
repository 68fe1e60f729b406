// The page's view of the portable core: one line to a gimbal (LinkSession)
// with its upgrade supervision, the firmware file analysis and the status
// poll. The page's serial code (web/site/link.js, in a worker) moves bytes
// and keeps time; every decision is made here. Times are performance.now()
// of the thread that runs it, in milliseconds.

#include <emscripten/bind.h>

#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "calibration/StatusReport.h"
#include "releases/ReleaseTexts.h"
#include "releases/Trust.h"
#include "session/LinkSession.h"
#include "upgrade/BootLoader.h"
#include "upgrade/BootLoaderLine.h"
#include "upgrade/FirmwareFile.h"
#include "upgrade/ImageInUse.h"
#include "upgrade/UpgradeSupervisor.h"

using emscripten::val;

namespace {

protocol::Millis millis(double now) { return static_cast<protocol::Millis>(std::floor(now)); }

// A wording for the page, which fills it in after its own lookup
// (shownWording); a value may be a wording too.
val wordingValue(const char* text, std::initializer_list<val> values) {
    val wording = val::object();
    wording.set("text", std::string(text));
    val list = val::array();
    for (const val& value : values) list.call<void>("push", value);
    wording.set("values", list);
    return wording;
}

std::string cssColour(calibration::Rgb c) {
    return "rgb(" + std::to_string(c.red) + ", " + std::to_string(c.green) + ", " +
           std::to_string(c.blue) + ")";
}

// The core's periods, colours and texts, so that the page keeps the window's.
val coreConstants() {
    val out = val::object();
    out.set("tickMs", upgrade::kTickMs);
    out.set("quietAfterMs", static_cast<int>(session::LinkSession::kQuietAfter));
    out.set("pauseAfterBlockMs", static_cast<int>(session::LinkSession::kPauseAfterBlock));
    out.set("statusPollMs", calibration::kStatusPollMs);
    out.set("inRangeColour", cssColour(calibration::kInRangeColour));
    out.set("outOfRangeColour", cssColour(calibration::kOutOfRangeColour));
    out.set("outOfRangeDescription", std::string(calibration::kOutOfRangeDescription));
    out.set("portNotOpenMessage", std::string(calibration::kPortNotOpenMessage));
    out.set("maxCatalogueSize", static_cast<double>(releases::kMaxCatalogueSize));
    out.set("maxReleaseFileSize", static_cast<double>(releases::kMaxReleaseFileSize));
    return out;
}

val bytesOf(const std::vector<uint8_t>& bytes) {
    return val::global("Uint8Array")
        .new_(emscripten::typed_memory_view(bytes.size(), bytes.data()))
        .call<val>("slice");
}

std::string_view textOf(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::vector<uint8_t> bytesFrom(const val& bytes) {
    return emscripten::convertJSArrayToNumberVector<uint8_t>(bytes);
}

// The keys in the site's trusted-keys.pub: signify public key files one
// after another, each its comment line and its key line.
std::vector<releases::PublicKey> trustedKeys(const std::string& text) {
    std::vector<releases::PublicKey> keys;
    std::string::size_type at = 0;
    while ((at = text.find("untrusted comment:", at)) != std::string::npos) {
        const auto keyLine = text.find('\n', at);
        const auto end = keyLine == std::string::npos ? keyLine : text.find('\n', keyLine + 1);
        if (auto parsed = releases::parsePublicKey(text.substr(at, end - at)); parsed.key) {
            keys.push_back(*parsed.key);
        }
        at = end;
    }
    return keys;
}

// The key and signature WebCrypto must check over the catalogue's exact
// bytes before verifyReleaseCatalogue judges it: {publicKey, signature}, or
// null when the signature is refused already (verifyReleaseCatalogue then
// says why).
val releaseSignatureToCheck(const std::string& signatureText, const std::string& trustedText) {
    const releases::SignatureToVerify check =
        releases::signatureToVerify(signatureText, trustedKeys(trustedText));
    if (check.verdict != releases::Verdict::kVerified) return val::null();
    val out = val::object();
    out.set("publicKey", bytesOf({check.key.key.begin(), check.key.key.end()}));
    out.set("signature", bytesOf({check.signature.begin(), check.signature.end()}));
    return out;
}

val releaseList(const releases::Catalogue& catalogue) {
    val list = val::array();
    for (const releases::Release& release : catalogue.releases) {
        val item = val::object();
        item.set("version", release.version);
        item.set("label", releases::releaseListLabel(release));
        list.call<void>("push", item);
    }
    return list;
}

// The catalogue judged by the core, with `signatureGood` WebCrypto's answer
// for the key and signature releaseSignatureToCheck gave; highestSeen < 0
// when no catalogue was seen from the source: {serial, published, releases
// [{version, label}], keyNumber, keyComment}, or {error} (one line, with
// what to do when no key is trusted).
val verifyReleaseCatalogue(val catalogueBytes, const std::string& signatureText,
                           const std::string& trustedText, bool signatureGood, double highestSeen) {
    const std::vector<uint8_t> bytes = bytesFrom(catalogueBytes);
    std::optional<std::int64_t> highest;
    if (highestSeen >= 0) highest = static_cast<std::int64_t>(highestSeen);
    const releases::SignatureToVerify check =
        releases::signatureToVerify(signatureText, trustedKeys(trustedText));
    const releases::VerifiedCatalogue verified =
        check.verdict == releases::Verdict::kVerified
            ? releases::acceptCatalogue(textOf(bytes), check, signatureGood, highest)
            : releases::VerifiedCatalogue{check.verdict, check.error};
    val out = val::object();
    if (verified.verdict == releases::Verdict::kNoTrustedKey) {
        out.set("error", verified.error + releases::kPageAddKeyHint);
        return out;
    }
    if (!verified.catalogue) {
        out.set("error", verified.error);
        return out;
    }
    out.set("serial", static_cast<double>(verified.catalogue->serial));
    out.set("published", verified.catalogue->published);
    out.set("offlineLine", releases::offlineLine(*verified.catalogue));
    out.set("releases", releaseList(*verified.catalogue));
    out.set("keyNumber", releases::keyNumberHex(verified.signedBy->number));
    out.set("keyComment", verified.signedBy->comment);
    return out;
}

// Release `version`'s file in a verified catalogue, and why bytes of `size`
// whose SHA-256 is `sha256Hex` are not that file (empty when they are):
// {name, error, loadedLine}, loadedLine naming the release and its key; no
// name when the catalogue has no such release or file.
val checkReleaseFile(val catalogueBytes, const std::string& version, double size,
                     const std::string& sha256Hex, const std::string& keyNumber,
                     const std::string& keyComment) {
    const std::vector<uint8_t> text = bytesFrom(catalogueBytes);
    const releases::ParsedCatalogue parsed = releases::parseCatalogue(textOf(text));
    val out = val::object();
    std::string error = parsed.error;
    const releases::Release* release =
        parsed.catalogue ? releases::chooseRelease(*parsed.catalogue, version, error) : nullptr;
    const releases::ReleaseFile* file =
        release ? releases::chooseFile(*release, "", error) : nullptr;
    if (file) {
        out.set("name", file->name);
        out.set("size", static_cast<double>(file->size));
        error = releases::fileMismatch(*file, static_cast<std::uint64_t>(size), sha256Hex);
        out.set("loadedLine", releases::releaseLoadedLine(*release, keyNumber, keyComment));
    }
    out.set("error", error);
    return out;
}

}  // namespace

class GimbalLink {
public:
    GimbalLink()
        : supervisor_({[this](const char* text) { messages_.emplace_back(text); },
                       [this](int value) { progress_ = value; }}) {}

    void opened(double now) { session_.opened(millis(now)); }
    void closed() { session_.closed(); }
    bool isOpen() const { return session_.isOpen(); }
    void received(val bytes, double now) {
        const std::vector<uint8_t> data = emscripten::convertJSArrayToNumberVector<uint8_t>(bytes);
        session_.received(data.data(), data.size(), millis(now));
    }
    void lineQuiet(double now) { session_.lineQuiet(millis(now)); }

    // The bytes whose time has come, joined in order (empty when none).
    val takeDueWrites(double now) {
        std::vector<uint8_t> joined;
        for (const auto& w : session_.takeDueWrites(millis(now))) {
            joined.insert(joined.end(), w.begin(), w.end());
        }
        return bytesOf(joined);
    }
    // When the next write may leave; -1 when none waits.
    double nextWriteTime() const {
        const auto t = session_.nextWriteTime();
        return t ? static_cast<double>(*t) : -1.0;
    }

    bool sendRequest(calibration::Request request, double now) {
        return session_.sendRequest(request, millis(now));
    }

    // What the status poll shows: null, or {field, text, values, value[], verdict[]}.
    val pollStatus(int page) {
        const auto report = session_.pollStatus(page);
        if (!report) return val::null();
        val out = val::object();
        out.set("field", static_cast<int>(report->field));
        out.set("text", report->text);
        out.set("values", static_cast<int>(report->values));
        val value = val::array();
        val verdict = val::array();
        for (int k = 0; k < report->valueCount; ++k) {
            value.call<void>("push", static_cast<int>(report->value[k]));
            verdict.call<void>("push", static_cast<int>(report->verdict[k]));
        }
        out.set("value", value);
        out.set("verdict", verdict);
        return out;
    }

    // The log's line when block requests show a gimbal in its boot loader
    // (once per sighting), else empty.
    std::string takeBootLoaderNotice() {
        return session_.takeBootLoaderNotice() ? upgrade::kBootLoaderMessage : "";
    }

    // Analyses a chosen file (bytes null: it could not be read or is too
    // large) and installs the result, nothing usable when refused:
    // {usable, messages[], maxProgress, kept}. While a gimbal asks for blocks
    // of the file in use (upgrade/ImageInUse.h) that file stays (kept true),
    // the one line says so and the new one is not even analysed.
    val loadFirmware(const std::string& name, val bytes, double now) {
        firmware::LoadResult result;
        const upgrade::FileChoice choice = session_.fileChoice(millis(now));
        const bool kept = !choice.allowed;
        val keptWording = val::null();
        if (kept) {  // as a wording, which the page fills in after its lookup
            const translations::Wording versions =
                firmware::versionsOf(session_.linkFirmware()).wording();
            const val inUse = wordingValue(
                "%1, %2",
                {val(nameInUse_),
                 wordingValue(versions.text, {val(versions.values[0]), val(versions.values[1])})});
            keptWording = wordingValue(upgrade::fileKeptText(choice),
                                       {val(name), inUse, val(upgrade::fileKeptSeconds(choice))});
        } else {
            std::optional<std::vector<uint8_t>> content;
            if (!bytes.isNull()) content = emscripten::convertJSArrayToNumberVector<uint8_t>(bytes);
            FirmwareVariables firmware;
            result = firmware::analyse(name, std::move(content), firmware);
            session_.setFirmware(std::move(firmware), millis(now));
            nameInUse_ = name;
        }
        val out = val::object();
        out.set("usable", result.usable && !kept);
        out.set("kept", kept);
        out.set("keptWording", keptWording);
        out.set("maxProgress", result.maxProgress);
        val messages = val::array();
        for (const std::string& m : result.messages) messages.call<void>("push", m);
        out.set("messages", messages);
        return out;
    }

    bool upgrade(int maxProgress, double now) {
        return supervisor_.Upgrade(&session_, maxProgress, millis(now));
    }
    // One supervision tick at `now` (the session's time moves on with it, so
    // that the reports due by then are taken); false once the upgrade is over
    // and the link closed.
    bool upgradeTick(double now) {
        session_.advance(millis(now));
        return supervisor_.handleTick(&session_, millis(now));
    }
    bool upgradeRunning() const { return supervisor_.rTimerFlag; }
    int ending() const { return static_cast<int>(supervisor_.ending); }

    // The supervisor's output since the last call: {messages[], progress (-1:
    // unchanged)}; a message filled in with values comes as its wording,
    // {text, values[]}, for the page to show in its language.
    val takeOutput() {
        val out = val::object();
        val messages = val::array();
        for (const std::string& m : messages_) {
            const std::optional<translations::Wording> wording = upgrade::bootLoaderWording(m);
            if (!wording) {
                messages.call<void>("push", m);
                continue;
            }
            val shown = val::object();
            shown.set("text", std::string(wording->text));
            val values = val::array();
            for (const std::string& v : wording->values) values.call<void>("push", v);
            shown.set("values", values);
            messages.call<void>("push", shown);
        }
        out.set("messages", messages);
        out.set("progress", progress_);
        messages_.clear();
        progress_ = -1;
        return out;
    }

private:
    session::LinkSession session_;
    upgrade::UpgradeSupervisor supervisor_;
    std::vector<std::string> messages_;
    int progress_ = -1;
    std::string nameInUse_;  // the name of the file installed last
};

EMSCRIPTEN_BINDINGS(gimbal_core) {
    using calibration::Request;
    emscripten::enum_<Request>("Request")
        .value("InitGyro", Request::kInitGyro)
        .value("CalibrAcc", Request::kCalibrAcc)
        .value("ReadAcc", Request::kReadAcc)
        .value("ResetAcc", Request::kResetAcc)
        .value("SaveAll", Request::kSaveAll)
        .value("ReadVer", Request::kReadVer)
        .value("JoystickUp", Request::kJoystickUp)
        .value("JoystickDown", Request::kJoystickDown)
        .value("JoystickLeft", Request::kJoystickLeft)
        .value("JoystickRight", Request::kJoystickRight)
        .value("JoystickMiddle", Request::kJoystickMiddle)
        .value("JoystickSave", Request::kJoystickSave);
    emscripten::function("coreConstants", &coreConstants);
    emscripten::function("releaseSignatureToCheck", &releaseSignatureToCheck);
    emscripten::function("verifyReleaseCatalogue", &verifyReleaseCatalogue);
    emscripten::function("checkReleaseFile", &checkReleaseFile);
    emscripten::class_<GimbalLink>("GimbalLink")
        .constructor<>()
        .function("opened", &GimbalLink::opened)
        .function("closed", &GimbalLink::closed)
        .function("isOpen", &GimbalLink::isOpen)
        .function("received", &GimbalLink::received)
        .function("lineQuiet", &GimbalLink::lineQuiet)
        .function("takeDueWrites", &GimbalLink::takeDueWrites)
        .function("nextWriteTime", &GimbalLink::nextWriteTime)
        .function("sendRequest", &GimbalLink::sendRequest)
        .function("pollStatus", &GimbalLink::pollStatus)
        .function("takeBootLoaderNotice", &GimbalLink::takeBootLoaderNotice)
        .function("loadFirmware", &GimbalLink::loadFirmware)
        .function("upgrade", &GimbalLink::upgrade)
        .function("upgradeTick", &GimbalLink::upgradeTick)
        .function("upgradeRunning", &GimbalLink::upgradeRunning)
        .function("ending", &GimbalLink::ending)
        .function("takeOutput", &GimbalLink::takeOutput);
}
