#pragma once
// Sync > "Reconcile with QuickBooks" in the main window: the period and kinds asked for, the
// differences as a work list (one row each, the problem in the Comment cell, in red), and
// Run's marking where it is the remedy: "Mark as sent" links an `unmarked` record to the
// QuickBooks transaction found, "Mark as NOT sent" clears the mark of a `missing` one.

#include "app/app.h"
#include "main_window/window_state.h"
#include "reconcile/reconcile.h"

namespace vqb {

// Grid columns of the reconcile list.
inline constexpr int kReconcileKindColumn = 0, kReconcileKeyColumn = 1, kReconcileProblemColumn = 3,
                     kReconcileQuickBooksColumn = 5, kReconcileIdColumn = 6,
                     kReconcileCommentColumn = 8, kReconcileStatusColumn = 9;

// Before the dialog: slots 1 to 3 offer every kind over no period.
void offer_reconcile_choice(App& app);
// After the dialog: the choice in the slots as options; false (the reason shown, titled
// "Error") when a date is no date or no kind is chosen.
bool reconcile_choice(App& app, ReconcileOptions& options);

// Fills the grid with the differences and makes it the current list.
void fill_reconcile(MainWindowState& state, const ReconcileResult& result);

// Marks the ticked rows whose problem this marking remedies (`unmarked` with sent,
// `missing` without); their Status cell becomes "Updated". Other rows are left as they are.
void mark_reconciled(App& app, MainWindowState& state, bool sent);

}  // namespace vqb
