#pragma once
// Start-up: finds the settings folder, makes sure the settings database "local.mdb" exists
// there, reads the Vantora database path from it and prepares the shared documents.

#include <string>

#include "app/app.h"

namespace vqb {

// The shell folder of the given id; 28 is the user's local application-data folder
// ($XDG_DATA_HOME, or ~/.local/share). When it cannot be found the common error report
// shows error 513 and "" is returned.
std::string SpecialFolder(App& app, long folderId);

// globalfolder = databasePath up to and including its last path separator, or "".
void get_globalfolder(App& app);

// The program folder: the folder of the running executable when it holds the settings
// template (a build), else the installed data folder (<prefix>/share/vqb beside bin/).
std::string program_folder();
// The same choice for a given executable folder.
std::string program_folder_of(const std::string& executableFolder);

// The user manual's page, with "#anchor" when given: "manual/index.html" in the program
// folder of a build, or the installed documentation folder (<prefix>/share/doc/vqb/manual).
std::string manual_page(const std::string& programFolder, const std::string& anchor = "");

// Runs the start-up steps. Returns true when the main window should open; false when
// start-up failed (the "Vantora" box has been shown and the program ends).
// app.settingsFolderOverride, when set, replaces "<local app data>/Quenbrook".
bool Main(App& app);

inline constexpr const char* kSettingsDatabaseName = "local.mdb";
// The environment variable that points the settings folder elsewhere.
inline constexpr const char* kSettingsFolderVariable = "VQB_SETTINGS_DIR";

}  // namespace vqb
