#pragma once
// The integrator's settings file QBsetup.xml, kept in the Vantora database's folder.
// Every value is text under a key that is a child of the root "QBSetup".

#include <string>
#include <string_view>

#include "app/app.h"

namespace vqb {

std::string setup_file_path(const App& app);

// Loads QBsetup.xml into app.setup; when the file does not exist (or cannot be read as XML)
// the document is cleared and its root named "QBSetup". Returns whether the file existed.
bool load_setup_document(App& app);

// The text of a key ("" when absent).
std::string setup_value(App& app, std::string_view key);

// Sets a key in memory (adding it when absent) and saves the whole document at once.
// Raises error 75 "Path/File access error" when the file cannot be written.
void save_setup_value(App& app, std::string_view key, std::string_view value);

// Saves the document as it stands (after several SetChildValue calls).
void save_setup_document(App& app);

}  // namespace vqb
