#include "main_window/contact_sync.h"

#include <exception>

#include "app/errors.h"
#include "export/customer_export.h"
#include "export/send_loop.h"
#include "import/customer_sync.h"

namespace vqb {

void sync_customerBalances(MappingContext& ctx) {
  try {
    send_ticked_rows(ctx, {kContactLinkColumn, kContactResultColumn, 0, "Sending "},
                     [&ctx](long link) { return send_Customer(ctx, link); });
  } catch (const std::exception& error) {
    show_common_error(ctx.app.ui, "frmQB", "sync_customerBalances", error);
  }
}

}  // namespace vqb
