#pragma once
// Texts cut to the lengths QuickBooks takes, so that QuickBooks stores the record instead of
// refusing it (status 3070), and the sentence the result line gets for each cut.
//
//   FieldCuts cuts;
//   customer.phone = cuts.take("phone", row.GetChildContent("tel"), 21);
//   cuts.take_address("billing", address);
//   result += cuts.note();  // " The phone was cut to the 21 characters QuickBooks takes."

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "quickbooks/components.h"

namespace vqb {

// QuickBooks' field lengths, in characters.
inline constexpr std::size_t kQbAddressLineLength = 41, kQbCityLength = 31, kQbStateLength = 21,
                             kQbPostalCodeLength = 13, kQbCountryLength = 31;
inline constexpr std::size_t kQbPhoneLength = 21, kQbEmailLength = 1023, kQbContactLength = 41,
                             kQbResaleNumberLength = 15;
inline constexpr std::size_t kQbMemoLength = 4095, kQbLineDescriptionLength = 4095;
inline constexpr std::size_t kQbInvoicePoNumberLength = 25, kQbPaymentRefNumberLength = 20,
                             kQbOrderRefNumberLength = 11;

class FieldCuts {
 public:
  // `text` without the characters XML cannot carry (they cost no room), cut to `length`
  // characters; a cut is noted under `what` ("phone", "PO number").
  std::string take(std::string_view what, std::string_view text, std::size_t length);
  // Cuts each field of `address` to QuickBooks' lengths; a cut is noted as the `which`
  // address ("billing", "ship-to").
  void take_address(std::string_view which, qb::Address& address);

  bool any() const { return !fields_.empty() || !addresses_.empty() || !made_.empty(); }
  // One sentence per length cut to, fields in the order they were cut, then one for the
  // addresses: " The phone and fax were cut to the 21 characters QuickBooks takes. The
  // billing address was cut to the lengths QuickBooks takes (41 characters a line, 31 the
  // city, 21 the state, 13 the postal code)." "" when nothing was cut.
  // Then the notes of customers or suppliers this record added to QuickBooks.
  std::string note() const;
  // Keeps the note of a customer or supplier added on the way (`result` of its send, returned
  // as it is): " For the new customer: The phone was cut to ...".
  std::string keep_note_of_new(std::string_view who, std::string result);

 private:
  struct Cut {
    std::string what;
    std::size_t length;
  };
  std::vector<Cut> fields_;
  std::vector<std::string> addresses_;
  std::vector<std::string> made_;
};

}  // namespace vqb
