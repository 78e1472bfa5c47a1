#include "core/datafiles.h"

#include <filesystem>
#include <system_error>

#include "core/fatalerror.h"

namespace fs = std::filesystem;

std::vector<std::string> dataFilePlaces(const std::string& name)
{
    std::vector<std::string> places{"./data/" + name};
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error) return places;
    // Run from its own folder, ./data already is the folder beside it.
    std::error_code cwdError;
    if (executable.parent_path() != fs::current_path(cwdError) || cwdError)
        places.push_back((executable.parent_path() / "data" / name).string());
    places.push_back((executable.parent_path().parent_path() / "share/velmo/data" / name).string());
    return places;
}

std::optional<std::string> findDataFile(const std::string& name)
{
    for (const std::string& place : dataFilePlaces(name)) {
        std::error_code error;
        if (fs::exists(place, error)) return place;
    }
    return std::nullopt;
}

std::string missingDataFileMessage(const std::string& name)
{
    std::string message = "Cannot find the data file " + name + "; looked for";
    const std::vector<std::string> places = dataFilePlaces(name);
    for (size_t i = 0; i < places.size(); ++i)
        message += (i == 0 ? " " : i + 1 == places.size() ? " and " : ", ") + places[i];
    return message;
}

std::string dataFile(const std::string& name)
{
    if (std::optional<std::string> found = findDataFile(name)) return *found;
    throw FatalError(missingDataFileMessage(name));
}
