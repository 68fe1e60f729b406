#pragma once
// A signed example release folder, so that releases can be tried without a
// maker: two firmware files, their catalogue and its signature, made with an
// example key whose public half is written beside the folder. The example
// key's secret is in this program's source for all to see: it is never built
// into a program as a trusted key.

#include <filesystem>
#include <string>

// Writes `folder`/releases/ (gimbal-2.009.plov, gimbal-2.010.plov,
// releases.json, releases.json.sig) and `folder`/example-release-key.pub;
// prints each path. False, having said why, when a file cannot be written.
bool writeExampleRelease(const std::filesystem::path& folder);
