#pragma once
// Taking one send run back out of QuickBooks. Record by record, payments first (before the
// invoices they are applied to), then the rest newest first:
// - the delete is written in the run log before TxnDelRq goes, then the Vantora mark is set
//   back to its value before the run, then the record is marked undone; a run stopped half-way
//   and undone again finds what it deleted gone from QuickBooks and only sets the mark back;
// - a record is left alone, with the reason on its line, when QuickBooks changed it since
//   (its EditSequence differs), when a payment outside the run is applied to it or a purchase
//   order was received or billed, when its Vantora mark is no longer what the send wrote, and
//   when it is a customer or supplier (QuickBooks keeps their history).
// A dry run asks QuickBooks and Vantora the same questions and changes nothing.

#include <string>
#include <vector>

#include "mapping/mapping_context.h"

namespace vqb {

inline constexpr const char* kUndoTaken = "Taken out of QuickBooks; marked as not sent.";
inline constexpr const char* kUndoWouldTake =
    "Would be taken out of QuickBooks and marked as not sent.";
inline constexpr const char* kUndoGone = "No longer in QuickBooks; marked as not sent.";
inline constexpr const char* kUndoWouldMark =
    "No longer in QuickBooks; would be marked as not sent.";
inline constexpr const char* kUndoAlready = "Already undone.";
inline constexpr const char* kUndoNames =
    "Left alone: customers and suppliers are not deleted (QuickBooks keeps their history).";
inline constexpr const char* kUndoChangedInQuickBooks =
    "Left alone: changed in QuickBooks since it was sent.";
inline constexpr const char* kUndoPaid =
    "Left alone: a payment that is not part of this run is applied to it in QuickBooks.";
inline constexpr const char* kUndoReceived =
    "Left alone: it has been received or billed in QuickBooks.";
inline constexpr const char* kUndoChangedInVantora =
    "Left alone: changed in Vantora since it was sent.";
inline constexpr const char* kUndoRefused = "Left alone: QuickBooks refused to delete it: ";
inline constexpr const char* kUndoMarkFailed =
    "Taken out of QuickBooks, but Vantora could not be marked as not sent: undo the run again to "
    "mark it.";
inline constexpr const char* kUndoNotReached = "Not undone: QuickBooks could not be reached.";

struct UndoLine {
  std::string kind, record, reference;
  std::string text;
  bool undone = false;  // out of QuickBooks and marked back (or would be, in a dry run)
};

struct UndoResult {
  bool found = false;  // the run is in the log
  std::vector<UndoLine> lines;
  int undone = 0;     // lines with `undone`
  int leftAlone = 0;  // transactions neither undone now nor before
};

// Undoes run `run` (or, with dryRun, tells what undoing it would do). Run-log and Vantora
// failures throw VqbError.
UndoResult undo_send_run(MappingContext& ctx, long long run, bool dryRun);

// "Invoice 1001 (QuickBooks 1001): Taken out of QuickBooks; marked as not sent."
std::string undo_line(const UndoLine& line);

}  // namespace vqb
