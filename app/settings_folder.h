// Where the settings files are kept. They live in the program folder beside the program; an
// installed program cannot write there, so its writable settings go to the user's
// configuration folder instead, which is then read first.
#pragma once

#include <string>

namespace tarvio {

struct SettingsFolders {
    std::string read;   // where a settings file is read from first
    std::string write;  // where settings files are written at exit
};

// programFolder: the folder of the program (or TARVIO_HOME); userFolder: the per-user
// configuration folder, used only when the program folder cannot be written.
SettingsFolders settingsFolders(const std::string& programFolder, const std::string& userFolder);

// The file name in the folder where it should be read: the write folder when the file is there,
// else the program folder (the shipped defaults).
std::string settingsFileToRead(const SettingsFolders& f, const std::string& programFolder, const std::string& name);

}  // namespace tarvio
