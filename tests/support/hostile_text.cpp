#include "support/hostile_text.h"

#include "app/text_helpers.h"
#include "quickbooks/qbxml.h"

namespace vqb::test {

const std::vector<HostileText>& hostile_texts() {
  static const std::vector<HostileText> texts = [] {
    std::string longText;
    while (longText.size() < 4000) longText += "Long ' \" ; -- < > & ]]> text. ";
    longText.resize(4000);
    return std::vector<HostileText>{
        {"quotes", "O'Brien \"Bob\"; DROP TABLE Customers; --"},
        {"markup", "<b>Tom & Jerry</b> ]]> <![CDATA[x]]> &amp;"},
        {"nul", std::string("Before\0After", 12)},
        {"rtl", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D \xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7"},
        {"nonascii", "Zo\xC3\xAB \xC3\x9C\x6E\x69 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"},
        {"long", longText},
        {"controls", "Tab\there\x01\x02\x1F bell\x07 end"},
        {"crlf", "Line one\r\nLine two\r\n"},
    };
  }();
  return texts;
}

std::string as_held(const std::string& text, std::size_t limit) {
  std::string held = qb::qbxml::xml_safe(text.c_str());  // a NUL ends the text
  return limit > 0 ? first_chars(held, limit) : held;
}

}  // namespace vqb::test
