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

// What is wrong with a settings file that exists but cannot be read as XML (it cannot be
// opened, or does not parse: the parser's reason and where); "" when it reads or is absent.
std::string settings_file_problem(const std::string& path);

// Raises error 75 naming the file and what is wrong when settings_file_problem finds
// something: a settings file that cannot be read is never replaced by a save.
void refuse_damaged_settings_file(const std::string& path);

// Sets a key in memory (adding it when absent) and saves the whole document at once.
// Raises error 75 "Path/File access error" when the file cannot be written, and the error of
// refuse_damaged_settings_file when the file on disk cannot be read.
void save_setup_value(App& app, std::string_view key, std::string_view value);

// Saves the document as it stands (after several SetChildValue calls); raises as above.
void save_setup_document(App& app);

}  // namespace vqb
