#pragma once
// Replaces Null values in a Vantora table: text with "" (or " " where "" is not allowed),
// numbers with 0; dates and other types stay Null.

#include <string>

#include "app/app.h"

namespace vqb {

void FixDatabase(App& app, const std::string& table);

}  // namespace vqb
