#pragma once
// SQL texts compiled into the program from data/.
namespace vqb::embedded {
extern const char* const kVantoraSchemaSql;     // every Vantora table the integrator uses
extern const char* const kSettingsTemplateSql;  // the settings database "local.mdb"
}  // namespace vqb::embedded
