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

// The program folder: the folder of the running executable.
std::string program_folder();

// Runs the start-up steps. Returns true when the main window should open; false when
// start-up failed (the "Vantora" box has been shown and the program ends).
// app.settingsFolderOverride, when set, replaces "<local app data>/Quenbrook".
bool Main(App& app);

inline constexpr const char* kSettingsDatabaseName = "local.mdb";
// The environment variable that points the settings folder elsewhere.
inline constexpr const char* kSettingsFolderVariable = "VQB_SETTINGS_DIR";

}  // namespace vqb
