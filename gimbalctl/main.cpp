// gimbalctl: the gimbal service tool's work from a terminal, for scripts,
// test rigs and production lines. Core library only; no display needed.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>

#include "gimbalctl/Commands.h"
#include "gimbalctl/ParserTexts.h"
#include "platform/BuildInfo.h"
#include "station/RecordsCommand.h"
#include "station/StationOptions.h"
#include "unitupgrade/ExitStatuses.h"
#include "unitupgrade/Output.h"
#include "unitupgrade/Releases.h"
#include "unitupgrade/Stop.h"
#include "unitupgrade/Translation.h"
#include "unitupgrade/Verification.h"

namespace {

using calibration::Request;

const std::map<std::string, Request> kCalibrations = {
    {"gyro", Request::kInitGyro},         {"acc", Request::kCalibrAcc},
    {"read-acc", Request::kReadAcc},      {"reset", Request::kResetAcc},
    {"save", Request::kSaveAll},          {"joy-mid", Request::kJoystickMiddle},
    {"joy-up", Request::kJoystickUp},     {"joy-down", Request::kJoystickDown},
    {"joy-left", Request::kJoystickLeft}, {"joy-right", Request::kJoystickRight},
    {"joy-save", Request::kJoystickSave},
};

// Seconds to wait for a reply. A plain CLI::Range lets "nan" through, as
// every comparison with it is false.
const CLI::Validator kReplySeconds(
    [](std::string& input) -> std::string {
        double seconds = 0;
        if (CLI::detail::lexical_cast(input, seconds) && seconds >= 0.1 && seconds <= 3600.0) {
            return {};
        }
        return "Value " + input + " not in range 0.1 to 3600";
    },
    "");

// Whether the command line asks for JSON, read before it is parsed so that
// a command line that cannot be parsed is answered in JSON too.
bool asksForJson(int argc, char** argv) {
    const auto end = std::find(argv + 1, argv + argc, std::string("--"));
    return std::find(argv + 1, end, std::string("--json")) != end;
}

// Output that could not be written (a full disk, an I/O error) fails the
// run, as it fails any tool whose output is kept. The command's own failure
// status, when it has one, says more and is kept. A closed pipe (EPIPE) is
// not judged here but left to the signal handling.
int checkOutput(int status) {
    if (gimbalctl::stopRequested()) return status;  // already said why it stopped
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    const int error = errno;  // 0 when an earlier write failed
    if (error == EPIPE) return status;
    gimbalctl::printError(
        error ? translations::filledIn(N_("write error: %1"), {std::strerror(error)})
              : std::string(N_("write error")));
    return status == gimbalctl::kOk ? gimbalctl::kWriteFailed : status;
}

// The command the parser took up before it stopped, or "" when none.
std::string commandName(const CLI::App& app) {
    const auto taken = app.get_subcommands();
    return taken.empty() ? std::string() : taken.front()->get_name();
}

int run(int argc, char** argv) {
    using namespace gimbalctl;
    watchForStop();
    CLI::App app{
        _("Service a camera gimbal over its serial line: list ports, check firmware files,\n"
          "read versions, calibrate, and upgrade one or several gimbals at once.")};
    app.name("gimbalctl");
    app.set_version_flag("--version", std::string("gimbalctl ") + build_info::kVersion);
    app.require_subcommand(0, 1);
#ifdef _WIN32
    constexpr bool kOnWindows = true;
#else
    constexpr bool kOnWindows = false;
#endif

    bool json = false;
    app.add_flag("--json", json, _("Machine-readable output: one JSON object per result"))
        ->configurable(false);

    CLI::App* ports = app.add_subcommand("ports", _("List the serial ports present"));

    std::string file;
    CLI::App* inspect = app.add_subcommand("inspect", _("What the tool makes of a firmware file"));
    inspect->add_option("FILE", file, _("Firmware file (.plov, .1plov, .2plov, .3plov)"))
        ->required()
        ->type_name("");

    std::string port;
    double timeout = 2.0;
    CLI::App* version =
        app.add_subcommand("version", _("Read the gimbal's hardware and firmware versions"));
    version->add_option("--port,-p", port, _("Serial port of the gimbal"))
        ->required()
        ->type_name("PORT");
    version
        ->add_option("--timeout", timeout,
                     _("Seconds to wait for the reply (0.1 to 3600; default 2)"))
        ->type_name("SECONDS")
        ->check(kReplySeconds);
    version->footer(translated(kLinesRestored));

    CLI::App* probe = app.add_subcommand(
        "probe", _("Say whether a gimbal answers, with its versions, or is in its boot loader"));
    probe->add_option("--port,-p", port, _("Serial port of the gimbal"))
        ->required()
        ->type_name("PORT");
    probe
        ->add_option("--timeout", timeout,
                     _("Seconds to wait for the reply (0.1 to 3600; default 2)"))
        ->type_name("SECONDS")
        ->check(kReplySeconds);
    probe->footer(translated(kLinesRestored));

    std::string what;
    CLI::App* calibrate =
        app.add_subcommand("calibrate", _("Send a calibration request and show the reply"));
    std::vector<std::string> names;
    std::string choices;  // listed in words, so that a narrow page can break the list
    for (const auto& [name, request] : kCalibrations) {
        names.push_back(name);
        choices += (choices.empty() ? "" : ", ") + name;
    }
    calibrate->add_option("WHAT", what, _("What to calibrate: ") + choices)
        ->required()
        ->type_name("")
        ->check(CLI::IsMember(names).description(""));
    calibrate->add_option("--port,-p", port, _("Serial port of the gimbal"))
        ->required()
        ->type_name("PORT");
    calibrate
        ->add_option("--timeout", timeout,
                     _("Seconds to wait for the reply (0.1 to 3600; default 2)"))
        ->type_name("SECONDS")
        ->check(kReplySeconds);
    calibrate->footer(translated(kLinesRestored));

    std::vector<std::string> upgradePorts;
    bool reportToParent = false;
    CLI::App* upgrade =
        app.add_subcommand("upgrade", _("Upgrade the firmware of one or several gimbals"));
    upgrade
        ->add_option("--port,-p", upgradePorts,
                     _("Serial port of a gimbal; repeat for several at once"))
        ->required()
        ->type_name("PORT")
        ->allow_extra_args(false);  // one port per --port: the file is not taken for a port
    CLI::Option* upgradeFile = upgrade->add_option("FILE", file, _("Firmware file"))->type_name("");
    ReleaseOptions releaseOptions;
    upgrade->add_flag("--allow-downgrade", releaseOptions.allowDowngrade,
                      _("Send a release older than the version the gimbal reports"));
    addReleaseChoiceOptions(*upgrade, releaseOptions, upgradeFile);
    UpgradeChecks checks;
    upgrade->add_flag("--verify", checks.verify,
                      _("Read the gimbal's firmware version before and after; fail (status 4) "
                        "unless it then reports the file's version"));
    addExpectSha256Option(*upgrade, checks.expectSha256);
    // Used by the parallel upgrade and the station for their children; not for people.
    upgrade->add_flag("--report-to-parent", reportToParent)->group("");
    upgrade->add_flag("--skip-current", checks.skipCurrent)->group("");
    std::string fileName;  // the station's children read the file by a descriptor's path
    upgrade->add_option("--file-name", fileName)->group("");
    upgrade->footer(
        _("With several ports the first port that did not succeed decides the status.\n") +
        translated(std::string(kLinesRestored)));

    StationOptions stationOptions;
    CLI::App* station = addStationCommand(app, stationOptions);

    RecordsOptions recordsOptions;
    CLI::App* records = addRecordsCommand(app, recordsOptions);

    ReleaseOptions listOptions;
    CLI::App* releaseList = app.add_subcommand(
        "releases", _("List the maker's signed releases, newest first, verified and kept offline"));
    addReleaseSourceOptions(*releaseList, listOptions);

    std::string publishFolder;
    CLI::App* publish = app.add_subcommand(
        "publish", _("For makers: write DIR/releases.json from the firmware files in DIR"));
    publish->add_option("DIR", publishFolder, _("Release folder"))->required();

    for (CLI::App* command :
         {ports, inspect, version, calibrate, upgrade, station, records, releaseList, publish}) {
        command->add_flag("--json", json, _("Machine-readable output: one JSON object per result"));
    }
    // Each command's help ends with the statuses it can end with; the
    // program's with all of them.
    for (CLI::App* command : app.get_subcommands({})) {
        const std::string note = command->get_footer();
        command->footer(note + (note.empty() ? "" : "\n") +
                        exitStatusList(kOnWindows, command->get_name()));
    }
    app.footer(exitStatusList(kOnWindows) +
               _("\nEach command's help lists the statuses that command can end with.\n"));

    translateHelp(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        printFailure(asksForJson(argc, argv), {{"command", commandName(app)}}, parseFailure(e));
        return kBadInput;
    }

    if (app.get_subcommands().empty()) {
        printFailure(json, {{"command", ""}},
                     N_("a command is required: ports, inspect, version, probe, calibrate, upgrade, "
                        "station, records, releases or publish (see gimbalctl --help)"),
                     {});
        return kBadInput;
    }
    installMainLoop();
    if (*ports) return runPorts(json);
    if (*inspect) return runInspect(file, json);
    if (*version) return runRequest(port, Request::kReadVer, "version", timeout, json);
    if (*probe) return runProbe(port, timeout, json);
    if (*releaseList) return runReleases(listOptions, json);
    if (*publish) return runPublish(publishFolder, json);
    if (*records) {
        recordsOptions.json = json;
        return runRecords(recordsOptions);
    }
    if (*station) {
        stationOptions.json = json;
        return runStation(stationOptions);
    }
    if (*calibrate) {
        return runRequest(port, kCalibrations.at(what), "calibrate " + what, timeout, json);
    }
    if (!releaseOptions.release.empty()) {
        return runReleaseUpgrade(upgradePorts, releaseOptions, json, checks);
    }
    if (file.empty()) {
        printFailure(json, {{"command", "upgrade"}},
                     "a firmware FILE or --release VERSION|latest is required "
                     "(see gimbalctl upgrade --help)");
        return kBadInput;
    }
    return runUpgrade(upgradePorts, file, json, reportToParent, checks, fileName);
}

}  // namespace

int gimbalctl::runProgram(int argc, char** argv) {
    setUpTranslation();
    return checkOutput(run(argc, argv));
}

#ifndef _WIN32  // Windows enters through windows/WideMain.cpp, with the command line in UTF-8
int main(int argc, char** argv) { return gimbalctl::runProgram(argc, argv); }
#endif
