#pragma once
// Running gimbalctl as a script does, for the cli tests: its output, its exit
// status, and what the simulated gimbals received.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"
#include "tests/support/GimbalSimulator.h"
#include "tests/upgrade/FirmwareFiles.h"

extern char** environ;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
    std::vector<nlohmann::json> objects() const {  // one JSON object a line
        std::vector<nlohmann::json> all;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            all.push_back(nlohmann::json::parse(line));
        return all;
    }
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// gimbalctl started with the arguments; standard error goes to a file of the
// temporary directory, standard output too (or to `outPath` when given) or,
// with outputPipe, to a pipe. `runner` (such as setpriv and its options)
// starts gimbalctl when given.
struct Started {
    pid_t pid = -1;
    std::string out, err;  // files
    bool readOut = true;   // false: standard output went elsewhere
    UniqueFd outputPipe;   // the read end, when asked for

    Result finish() {
        Result run;
        int wstatus = 0;
        if (pid > 0 && waitpid(pid, &wstatus, 0) == pid) {
            run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
        }
        run.out = readOut ? slurp(out) : "";
        run.err = slurp(err);
        return run;
    }
};

inline Started start(const TempDir& dir, std::vector<std::string> args, bool outputPipe = false,
                     const std::string& outPath = {}, std::vector<std::string> runner = {}) {
    args.insert(args.begin(), GIMBALCTL_PATH);
    args.insert(args.begin(), runner.begin(), runner.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    Started started{-1,
                    outPath.empty() ? dir.path() + "/out" : outPath,
                    dir.path() + "/err",
                    outPath.empty(),
                    {}};
    int pipeEnds[2] = {-1, -1};
    if (outputPipe && pipe2(pipeEnds, O_CLOEXEC) != 0) return started;
    UniqueFd writeEnd(pipeEnds[1]);
    started.outputPipe = UniqueFd(pipeEnds[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outputPipe) {
        posix_spawn_file_actions_adddup2(&actions, writeEnd.get(), 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, started.out.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    posix_spawn_file_actions_addopen(&actions, 2, started.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    if (posix_spawn(&started.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        started.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return started;
}

// Runs gimbalctl with the arguments to its end.
inline Result gimbalctl(const TempDir& dir, std::vector<std::string> args,
                        std::string outPath = {}) {
    return start(dir, std::move(args), false, outPath).finish();
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Every board the file is for received exactly its image.
inline void expectImages(const GimbalSimulator& gimbal,
                         const std::map<int, std::vector<uint8_t>>& images) {
    for (const auto& [board, image] : images) {
        const GimbalSimulator::BoardImage received = gimbal.board(board);
        EXPECT_TRUE(received.endOfImage) << "ID" << board;
        EXPECT_EQ(received.assembled(), image) << "ID" << board;
    }
}
