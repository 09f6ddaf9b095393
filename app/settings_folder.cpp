#include "app/settings_folder.h"

#include <unistd.h>

#include <filesystem>

namespace tarvio {

SettingsFolders settingsFolders(const std::string& programFolder, const std::string& userFolder) {
    if (userFolder.empty() || ::access(programFolder.c_str(), W_OK) == 0) return {programFolder, programFolder};
    std::error_code ec;
    std::filesystem::create_directories(userFolder, ec);
    return {userFolder, userFolder};
}

std::string settingsFileToRead(const SettingsFolders& f, const std::string& programFolder, const std::string& name) {
    std::string inWrite = f.write + "/" + name;
    std::error_code ec;
    if (f.write == programFolder || std::filesystem::exists(inWrite, ec)) return inWrite;
    return programFolder + "/" + name;
}

}  // namespace tarvio
