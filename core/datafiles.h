#pragma once
// The demo's read-only data files (pictures, music, capture template), looked up by name:
// first ./data/<name> under the current folder, as the build folder has it; then
// <exe dir>/data/<name> beside the running executable, as an unpacked release has it, run
// from any folder; then the installed copy, <prefix>/share/velmo/data/<name>, where <prefix>
// is the folder above the one holding the executable, so a moved install still finds it.
// Captured frames are written under ./data/render/ whatever the lookup found.
#include <optional>
#include <string>
#include <vector>

// Every place the file is looked for, in order.
std::vector<std::string> dataFilePlaces(const std::string& name);

// The first of those places where something exists by that name, none when nothing does.
std::optional<std::string> findDataFile(const std::string& name);

// One line naming the file and every place it was looked for.
std::string missingDataFileMessage(const std::string& name);

// The path found; throws FatalError with missingDataFileMessage when there is none.
std::string dataFile(const std::string& name);
