#pragma once
// Reading QuickBooks' answer to an add or a modification. Only an answer that is readable
// qbXML and answers the very request that was sent (its ...Rs element, its requestID, its
// message set) tells what QuickBooks did; anything else (garbage, a cut answer, another
// request's answer, no answer at all) leaves it unknown, so the change may have been carried
// out and must be asked about again, never taken as refused.

#include <string>
#include <string_view>

namespace vqb::qb {

struct ChangeAnswer {
  enum Outcome { kDone, kRefused, kUnknown };
  Outcome outcome = kUnknown;
  std::string record;  // kDone: the ...Ret element as qbXML text ("" when the answer has none)
  std::string why;     // kUnknown: what is wrong with the answer, for the error text
};

// The answer `response` to the first add, modification or deletion of the request document
// `request`: kDone when the matching ...Rs has status 0 (or a warning with its record),
// kRefused when it has another status, kUnknown otherwise. A response naming another
// newMessageSetID than the request's answers another message set.
ChangeAnswer read_change_answer(std::string_view request, std::string_view response);

}  // namespace vqb::qb
